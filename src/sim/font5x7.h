// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "device/character_sets.h"

namespace vfd::sim {

inline constexpr int kGlyphColumns = 5;
inline constexpr int kGlyphRows = 7;

// The dots of one character cell: five column bytes, left to right; bit r of a column lights
// row r, row 0 at the top. A user-defined character record carries the same five bytes after its
// code byte.
using Glyph = std::array<std::uint8_t, kGlyphColumns>;

// The production test fills the glass with this code to light every dot.
inline constexpr std::uint8_t kAllDotsCode = 0xDB;

// The display's built-in character generator as it leaves the factory. Codes 0x20 to 0x7E are
// ASCII and 0x7F a house sign; the upper half is the PC code page 437, which is why 0xDB is a
// full block. Control codes show nothing. These are the hand-drawn glyphs.
Glyph romGlyph(std::uint8_t code);

// Which character a code shows lives with the display's other facts; the glass draws it.
using device::characterOf;
using device::isCodeTable;
using device::kMissingCharacter;
using device::kStoredCodeTable;
using device::romCharacter;
inline constexpr int kCharacterSets = device::kCharacterSetCount;

// What a code shows with an international set and a code table in force. A code the set leaves
// unassigned shows kMissingGlyph.
Glyph characterGlyph(std::uint8_t code, int internationalSet, int codeTable);

inline constexpr Glyph kMissingGlyph = {0x7F, 0x41, 0x41, 0x41, 0x7F};

// The glyph a Unicode character is drawn with: the hand-drawn one where code page 437 has the
// character, or one the font draws alike, otherwise the font's own (fontGlyph); kMissingGlyph
// for a character the font lacks.
Glyph glyphOf(char32_t character);

// The font's glyph (sim/character_tables.h) fitted into the 5 by 7 cell, or none if the font
// lacks the character. Of the font's eight rows one goes: the one below the baseline if the
// character does not reach down into it, else the empty top row, else the first empty one. A
// character that then stands on the bottom row under an empty top row is stretched to the full
// height like the hand-drawn ones, by drawing twice one of its rows that repeats the row below
// it, unless it would then look like another character.
std::optional<Glyph> fontGlyph(char32_t character);

bool glyphDot(const Glyph& glyph, int column, int row);

}  // namespace vfd::sim
