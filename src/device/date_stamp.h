// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "device/protocol.h"

namespace vfd::device {

struct Date {
    int year = 2000;
    int month = 1;  // 1 to 12
    int day = 1;    // 1 to 31
};

// The eight date digits of a download, as values 0 to 9 (not character codes): the four digits
// of the year, then month and day as tens and units, with tens 0 below 10.
using DateStamp = std::array<std::uint8_t, kDateStampLength>;

DateStamp dateStamp(const Date& date);

// The byte a display must answer to a date stamp before it takes a download. The firmware
// derives it from the century, the sum of the last two year digits, the month and the day:
//   p = (century - (Y3 + Y4)) * month, at most 255;  check = |p - day|.
std::uint8_t downloadCheckByte(const DateStamp& stamp);

}  // namespace vfd::device
