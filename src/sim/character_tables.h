// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>

// The data the display's character generator is made from, converted at build time from the
// system's own copies (src/sim/make_character_tables.cpp, run by src/sim/CMakeLists.txt): the
// bitmaps of the misc-fixed 5x8 font of the X Window System and the code pages of glibc's
// charmaps.
namespace vfd::sim::tables {

inline constexpr int kFontColumns = 5;
inline constexpr int kFontRows = 8;  // seven above the baseline, one below

// One character of the font: five column bytes, left to right; bit r of a column lights row r,
// row 0 at the top of the font's cell.
struct FontGlyph {
    char32_t character;
    std::array<std::uint8_t, kFontColumns> columns;
};

// Every character the font draws, in the order of their code points.
std::span<const FontGlyph> fontGlyphs();

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

}  // namespace vfd::sim::tables
