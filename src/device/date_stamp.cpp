// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/date_stamp.h"

#include <cstdlib>

namespace vfd::device {

DateStamp dateStamp(const Date& date) {
    const int year = std::abs(date.year) % 10000;
    return {
        static_cast<std::uint8_t>(year / 1000),          static_cast<std::uint8_t>(year / 100 % 10),
        static_cast<std::uint8_t>(year / 10 % 10),       static_cast<std::uint8_t>(year % 10),
        static_cast<std::uint8_t>(date.month / 10 % 10), static_cast<std::uint8_t>(date.month % 10),
        static_cast<std::uint8_t>(date.day / 10 % 10),   static_cast<std::uint8_t>(date.day % 10)};
}

std::uint8_t downloadCheckByte(const DateStamp& s) {
    const int century = 10 * s[0] + s[1];
    const int yearSum = s[2] + s[3];
    int p = (century - yearSum) * (10 * s[4] + s[5]);
    if (p > 255) {
        p = 255;
    }
    const int d = 10 * s[6] + s[7];
    return static_cast<std::uint8_t>(p > d ? p - d : d - p);
}

}  // namespace vfd::device
