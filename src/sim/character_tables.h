// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>

// The font the display's character generator draws with, converted at build time from the
// system's own copy (src/sim/make_character_tables.cpp, run by src/sim/CMakeLists.txt): the
// bitmaps of the misc-fixed 5x8 font of the X Window System.
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

}  // namespace vfd::sim::tables
