// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "device/settings_image.h"

namespace vfd::config {

// What the configuration window shows, as plain values: the lists as positions, the scroll boxes,
// and both welcome messages already taken from their cells as bytes.
struct WindowValues {
    int standby = 0;
    int baudRate = 0;
    int charSet = 0;
    int command = 1;
    int passthru = 0;
    bool scrollUpper = true;
    bool scrollLower = true;
    std::array<std::uint8_t, device::kMessage1Length> message1{};
    std::array<std::uint8_t, device::kMessage2Length> message2{};
};

// The stored flags byte for the two scroll boxes (a box unticked holds its line still).
std::uint8_t scrollFlags(bool scrollUpper, bool scrollLower);

struct ScrollBoxes {
    bool upper;
    bool lower;
};
// The check boxes for a stored flags byte; values above 3 leave the boxes as they are.
std::optional<ScrollBoxes> scrollBoxesFromFlags(std::uint8_t flags);

enum class StandbyByte { Fill, Keep };

// Writes indexes 2, 3, 4, 6 to 66 and 68 (and 1 unless told to keep it). Indexes 0, 5, 67 and the
// character records (69 to 126) are the image's own and stay as they are.
void fillFromWindow(device::SettingsImage& image, const WindowValues& values,
                    StandbyByte standby = StandbyByte::Fill);

// What a received or loaded image does to the window. A list position the list does not have
// leaves that list as it is (nullopt); the messages always replace the hexadecimal cells.
struct WindowUpdate {
    std::optional<int> standby;
    std::optional<int> baudRate;
    std::optional<int> charSet;
    std::optional<int> command;
    std::optional<int> passthru;
    std::optional<ScrollBoxes> scroll;
    std::array<std::uint8_t, device::kMessage1Length> message1{};
    std::array<std::uint8_t, device::kMessage2Length> message2{};
};
WindowUpdate windowUpdateFromImage(const device::SettingsImage& image);

}  // namespace vfd::config
