// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

namespace vfd::link {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

// The line parameters of the computer's port, written "speed,parity,data bits,stop bits" as in
// "9600,n,8,1".
struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    bool operator==(const LineSettings&) const = default;
};

// Parity is one of n, e, o, m, s (either case), data bits 5 to 8, stop bits 1, 1.5 or 2; blanks
// around the fields are allowed. Nothing for any other text.
std::optional<LineSettings> parseLineSettings(std::string_view text);

// Time one character takes on the line (start bit, data, parity, stop bits), in microseconds.
int characterTimeUs(const LineSettings& settings);

}  // namespace vfd::link
