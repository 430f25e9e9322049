// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vfd::config {

// One hexadecimal digit given as a text of at most one character. Anything that is not a digit
// (the empty text, a blank, G) is 0: the window never reports a bad digit, it just counts it 0.
std::uint8_t strToDec(std::string_view s);

// Two upper-case hexadecimal digits, "0" in front of a single digit: 0x0A gives "0A".
std::string hexByte(std::uint8_t value);

// Upper-case hexadecimal without leading zero: 0x05 gives "5". The character editor shows codes so.
std::string hexNoPad(std::uint8_t value);

// The welcome-message rule: the cells' texts are joined first and the joined text is then read in
// pairs, so an empty or one-digit cell moves every later digit up. Gives exactly `count` bytes;
// digits past the end of the joined text count 0.
std::vector<std::uint8_t> joinAndPair(const std::vector<std::string>& cells, int count);

}  // namespace vfd::config
