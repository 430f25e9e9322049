// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// The code pages a display's character generator shows in the upper half of the character
// table, converted at build time from glibc's charmaps (src/device/make_code_pages.cpp, run by
// src/device/CMakeLists.txt).
namespace vfd::device::code_pages {

// The upper half of a code page: the Unicode character of each code from 0x80 to 0xFF, 0 where
// the page leaves a code unassigned. The lower halves of these pages are ASCII.
using UpperHalf = std::array<char32_t, 128>;

extern const UpperHalf kIbm437UpperHalf;  // United States, the factory setting
extern const UpperHalf kIbm850UpperHalf;  // multilingual Latin 1
extern const UpperHalf kIbm852UpperHalf;  // Latin 2, central Europe
extern const UpperHalf kIbm855UpperHalf;  // Cyrillic of all Slavonic languages
extern const UpperHalf kIbm858UpperHalf;  // 850 with the euro sign
extern const UpperHalf kIbm860UpperHalf;  // Portuguese
extern const UpperHalf kIbm863UpperHalf;  // Canadian French
extern const UpperHalf kIbm865UpperHalf;  // Nordic
extern const UpperHalf kIbm866UpperHalf;  // Russian
extern const UpperHalf kCp737UpperHalf;   // Greek
extern const UpperHalf kCp775UpperHalf;   // Baltic
extern const UpperHalf kCp1252UpperHalf;  // Windows Latin 1
// Half-width katakana at 0xA1 to 0xDF; the rest unassigned (the graphics that the ESC/POS
// Katakana table has there are in no charmap).
extern const UpperHalf kKatakanaUpperHalf;

}  // namespace vfd::device::code_pages
