// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vfd::device {

// Everything a display stores, in the layout the display itself uses for the download body, the
// upload reply and the settings file. Index 0 only ever carries the reply marker of an upload.
inline constexpr int kImageSize = 127;
inline constexpr int kBodySize = kImageSize - 1;  // indexes 1 to 126: what is sent, stored, saved

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

// Where image byte `imageIndex` (1 to 126) stands in a body: the body leaves out the marker.
// Throws std::out_of_range for index 0 and anything outside the image.
std::size_t bodyOffset(int imageIndex);
std::uint8_t bodyByte(const BodyBytes& body, int imageIndex);
void setBodyByte(BodyBytes& body, int imageIndex, std::uint8_t value);

// The typed meaning of the stored list bytes. Each is the zero-based position of the entry in
// its option list, so the values are part of the format. A byte from a display or a file may
// hold a value its list lacks; option_lists.h tells which values a list has.
enum class Emulation : std::uint8_t {
    Qv310 = 0,
    Epson = 1,
    UtcStandard = 2,  // "UTC/S"
    UtcEnhanced = 3,  // "UTC/P"
    Aedex = 4,
    Adm788 = 5,
    Dsp800 = 6,
    Cd5220 = 7,
    Emax = 8,
    LogicControl = 9,
};
inline constexpr int kEmulationCount = 10;
// What a display runs before anyone has set it, and what it runs for a byte its list lacks.
inline constexpr Emulation kFactoryEmulation = Emulation::Epson;
// The emulation a display runs for its stored byte.
constexpr Emulation emulationOf(std::uint8_t stored) {
    return stored < kEmulationCount ? static_cast<Emulation>(stored) : kFactoryEmulation;
}

enum class CharacterSet : std::uint8_t {
    UsaEurope = 0,
    France = 1,
    Germany = 2,
    Uk = 3,
    DenmarkI = 4,
    Sweden = 5,
    Italy = 6,
    Spain = 7,
    Japan = 8,
    Norway = 9,
    DenmarkII = 10,
    SlavonicRussia = 11,
    Russia = 12,
    Greek = 13,
    Czech = 14,
    Latvian = 15,
};
inline constexpr int kCharacterSetCount = 16;

enum class LineSpeed : std::uint8_t { Baud9600 = 0, Baud19200 = 1 };

enum class PassThrough : std::uint8_t { None = 0, WithEscPos = 1, WithoutEscPos = 2 };

// Minutes until the display goes to stand-by; 0 never.
enum class StandBy : std::uint8_t { Never = 0, Longest = 10 };

// Image byte 3. A set bit holds its welcome message still; both clear, both lines scroll.
struct ScrollFlags {
    static constexpr std::uint8_t kUpperLineHeld = 0x01;
    static constexpr std::uint8_t kLowerLineHeld = 0x02;
    // A display stores nothing above both bits; the window leaves its boxes alone for more.
    static constexpr std::uint8_t kHighest = kUpperLineHeld | kLowerLineHeld;

    std::uint8_t bits = 0;

    static constexpr ScrollFlags of(bool upperScrolls, bool lowerScrolls) {
        return {static_cast<std::uint8_t>((upperScrolls ? 0 : kUpperLineHeld) |
                                          (lowerScrolls ? 0 : kLowerLineHeld))};
    }
    constexpr bool valid() const { return bits <= kHighest; }
    constexpr bool upperScrolls() const { return (bits & kUpperLineHeld) == 0; }
    constexpr bool lowerScrolls() const { return (bits & kLowerLineHeld) == 0; }
    bool operator==(const ScrollFlags&) const = default;
};

class SettingsImage {
public:
    SettingsImage() = default;
    explicit SettingsImage(const ImageBytes& bytes) : bytes_(bytes) {}
    // An image whose bytes 1 to 126 are `body`; the marker is 0.
    static SettingsImage fromBody(const BodyBytes& body);

    // Both throw std::out_of_range for an index outside 0 to 126.
    std::uint8_t at(int index) const;
    void set(int index, std::uint8_t value);

    void clear() { bytes_.fill(0); }

    const ImageBytes& bytes() const { return bytes_; }

    // Indexes 1 to 126, the part that travels to a display or a file.
    BodyBytes body() const;
    void setBody(std::span<const std::uint8_t, kBodySize> body);

    // The stored bytes as what they mean. The getters give the byte as it stands, which may be a
    // value its list does not have.
    Emulation emulation() const { return static_cast<Emulation>(at(image_index::kCommand)); }
    CharacterSet characterSet() const {
        return static_cast<CharacterSet>(at(image_index::kCharSet));
    }
    LineSpeed lineSpeed() const { return static_cast<LineSpeed>(at(image_index::kLineSpeed)); }
    PassThrough passThrough() const { return static_cast<PassThrough>(at(image_index::kPassthru)); }
    StandBy standBy() const { return static_cast<StandBy>(at(image_index::kStandby)); }
    ScrollFlags scrollFlags() const { return {at(image_index::kScrollFlags)}; }

    void setEmulation(Emulation value) { set(image_index::kCommand, toByte(value)); }
    void setCharacterSet(CharacterSet value) { set(image_index::kCharSet, toByte(value)); }
    void setLineSpeed(LineSpeed value) { set(image_index::kLineSpeed, toByte(value)); }
    void setPassThrough(PassThrough value) { set(image_index::kPassthru, toByte(value)); }
    void setStandBy(StandBy value) { set(image_index::kStandby, toByte(value)); }
    void setScrollFlags(ScrollFlags value) { set(image_index::kScrollFlags, value.bits); }

    // Writes `text` from image index `first` on, `width` bytes, blanks after a shorter text.
    void putText(int first, std::string_view text, int width);

    bool operator==(const SettingsImage&) const = default;

    template <typename E>
    static constexpr std::uint8_t toByte(E value) {
        return static_cast<std::uint8_t>(value);
    }

private:
    ImageBytes bytes_{};
};

// What a display holds before anyone has downloaded to it: the factory emulation, the two
// default welcome messages, everything else 0.
SettingsImage factoryImage();

}  // namespace vfd::device
