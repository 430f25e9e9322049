// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace vfd::sim {

inline constexpr int kGlyphColumns = 5;
inline constexpr int kGlyphRows = 7;

// The dots of one character cell: five column bytes, left to right; bit r of a column lights
// row r, row 0 at the top. A user-defined character record carries the same five bytes after its
// code byte.
using Glyph = std::array<std::uint8_t, kGlyphColumns>;

// The production test fills the glass with this code to light every dot.
inline constexpr std::uint8_t kAllDotsCode = 0xDB;

// The display's built-in character generator. Codes 0x20 to 0x7E are ASCII and 0x7F a house
// sign; the upper half is the PC code page 437 that these displays leave the factory with, which
// is why 0xDB is a full block. Control codes show nothing.
Glyph romGlyph(std::uint8_t code);

// The character that a code shows, as Unicode, for renderings as text (terminal, screen reader).
char32_t romCharacter(std::uint8_t code);

// What a code shows with an international set (a `Char` position) and a code table in force.
Glyph characterGlyph(std::uint8_t code, int internationalSet, int codeTable);
char32_t characterOf(std::uint8_t code, int internationalSet, int codeTable);

bool glyphDot(const Glyph& glyph, int column, int row);

}  // namespace vfd::sim
