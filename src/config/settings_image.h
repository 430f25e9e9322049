// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vfd {

// Everything a display stores, in the layout the display itself uses for the download body, the
// upload reply and the settings file. Index 0 only ever carries the reply marker of an upload.
inline constexpr int kImageSize = 127;
inline constexpr int kBodySize = 126;  // indexes 1 to 126: what is sent, stored and saved

inline constexpr std::uint8_t kReplyMarker = 0xAA;

namespace image_index {
inline constexpr int kMarker = 0;
inline constexpr int kStandby = 1;
inline constexpr int kLineSpeed = 2;
inline constexpr int kScrollFlags = 3;
inline constexpr int kCharSet = 4;
inline constexpr int kCommand = 6;
inline constexpr int kMessage1 = 7;   // first byte of welcome message 1 (20 bytes)
inline constexpr int kMessage2 = 27;  // first byte of welcome message 2 (40 bytes)
inline constexpr int kPassthru = 68;
inline constexpr int kUdcFirst = 69;  // nine records of six bytes, ending at 122
}  // namespace image_index

inline constexpr int kMessage1Length = 20;
inline constexpr int kMessage2Length = 40;
inline constexpr int kUdcCount = 9;
inline constexpr int kUdcRecordSize = 6;
inline constexpr int kUdcColumns = 5;
inline constexpr int kUdcRows = 7;

// Image index of the record of user-defined character `number` (1 to 9).
constexpr int udcRecordStart(int number) {
    return image_index::kUdcFirst + kUdcRecordSize * (number - 1);
}

using ImageBytes = std::array<std::uint8_t, kImageSize>;
using BodyBytes = std::array<std::uint8_t, kBodySize>;

class SettingsImage {
public:
    SettingsImage() = default;
    explicit SettingsImage(const ImageBytes& bytes) : bytes_(bytes) {}

    // Both throw std::out_of_range for an index outside 0 to 126.
    std::uint8_t at(int index) const;
    void set(int index, std::uint8_t value);

    void clear() { bytes_.fill(0); }

    const ImageBytes& bytes() const { return bytes_; }

    // Indexes 1 to 126, the part that travels to a display or a file.
    BodyBytes body() const;
    void setBody(std::span<const std::uint8_t, kBodySize> body);

    bool operator==(const SettingsImage&) const = default;

private:
    ImageBytes bytes_{};
};

}  // namespace vfd
