// SPDX-License-Identifier: GPL-3.0-or-later
// The character generator: what a code shows under each international set and code table, and
// how the font's characters are fitted into the display's cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "sim/character_tables.h"
#include "sim/font5x7.h"

namespace vfd::sim {
namespace {

constexpr int kStored = kStoredCodeTable;

using FontColumns = std::array<std::uint8_t, tables::kFontColumns>;

const FontColumns* rawFontGlyph(char32_t character) {
    const auto glyphs = tables::fontGlyphs();
    const auto found = std::find_if(glyphs.begin(), glyphs.end(), [character](const auto& g) {
        return g.character == character;
    });
    return found == glyphs.end() ? nullptr : &found->columns;
}

// The rows of a glyph top to bottom, each as a string of dots.
template <std::size_t N>
std::vector<std::string> rowsOf(const std::array<std::uint8_t, N>& columns, int rows) {
    std::vector<std::string> out;
    for (int r = 0; r < rows; ++r) {
        std::string row;
        for (const std::uint8_t column : columns) {
            row += (column >> r & 1U) != 0 ? '#' : '.';
        }
        out.push_back(row);
    }
    return out;
}

// Where a character's glyph is expected from.
enum class DrawnBy {
    Rom,      // the hand-drawn glyph of a code page 437 code
    Font,     // the font's
    Missing,  // the stand-in for an unassigned code
};

TEST(CharacterSets, EachSetAndTableShowsItsCharacterForACode) {
    struct Case {
        const char* what;
        int set;
        int table;
        std::uint8_t code;
        char32_t character;
        DrawnBy by;
        std::uint8_t romCode = 0;
    };
    using D = DrawnBy;
    const Case cases[] = {
        {"USA keeps ASCII", 0, kStored, 0x5B, U'[', D::Rom, 0x5B},
        {"France [", 1, kStored, 0x5B, U'°', D::Rom, 0xF8},
        {"France ~", 1, kStored, 0x7E, U'¨', D::Font},
        {"Germany @", 2, kStored, 0x40, U'§', D::Font},
        {"Germany [", 2, kStored, 0x5B, U'Ä', D::Rom, 0x8E},
        {"Germany ~", 2, kStored, 0x7E, U'ß', D::Rom, 0xE1},
        {"U.K. #", 3, kStored, 0x23, U'£', D::Rom, 0x9C},
        {"Denmark I backslash", 4, kStored, 0x5C, U'Ø', D::Font},
        {"Sweden $", 5, kStored, 0x24, U'¤', D::Font},
        {"Italy |", 6, kStored, 0x7C, U'ò', D::Rom, 0x95},
        {"Spain #", 7, kStored, 0x23, U'₧', D::Rom, 0x9E},
        {"Japan backslash", 8, kStored, 0x5C, U'¥', D::Rom, 0x9D},
        {"Norway @", 9, kStored, 0x40, U'É', D::Rom, 0x90},
        {"Denmark II keeps $", 10, kStored, 0x24, U'$', D::Rom, 0x24},
        {"a national set keeps code page 437 above", 2, kStored, 0x80, U'Ç', D::Rom, 0x80},
        {"SLAVONIC/RUSSIA: code page 855", 11, kStored, 0x80, U'ђ', D::Font},
        {"RUSSIA: code page 866, its A drawn as the Latin one", 12, kStored, 0x80, U'А', D::Rom,
         'A'},
        {"RUSSIA 0x84", 12, kStored, 0x84, U'Д', D::Font},
        {"RUSSIA keeps ASCII below", 12, kStored, 0x5B, U'[', D::Rom, 0x5B},
        {"RUSSIA keeps the full block", 12, kStored, 0xDB, U'█', D::Rom, 0xDB},
        {"RUSSIA keeps the house", 12, kStored, 0x7F, U'⌂', D::Rom, 0x7F},
        {"control codes show nothing", 12, kStored, 0x0D, U' ', D::Rom, 0x0D},
        {"GREEK: code page 737", 13, kStored, 0x83, U'Δ', D::Font},
        {"CZECH: code page 852", 14, kStored, 0xAC, U'Č', D::Font},
        {"LATIVAIN: code page 775", 15, kStored, 0xD0, U'ą', D::Font},
        {"a set the display lacks is USA", 40, kStored, 0x5B, U'[', D::Rom, 0x5B},
        {"ESC t 17 puts code page 866 above a national set", 2, 17, 0x84, U'Д', D::Font},
        {"which keeps its replacements", 2, 17, 0x5B, U'Ä', D::Rom, 0x8E},
        {"ESC t 0 puts code page 437 above RUSSIA", 12, 0, 0x80, U'Ç', D::Rom, 0x80},
        {"ESC t 16: Windows 1252", 0, 16, 0x80, U'€', D::Font},
        {"which leaves 0x81 unassigned", 0, 16, 0x81, kMissingCharacter, D::Missing},
        // The font has no katakana: the glass shows the box, the text the half-width letter.
        {"ESC t 1: Katakana", 0, 1, 0xB1, U'\uFF71', D::Missing},
        {"whose last letter is the semi-voiced mark", 0, 1, 0xDF, U'\uFF9F', D::Missing},
        {"whose graphics no charmap has", 0, 1, 0x80, kMissingCharacter, D::Missing},
        {"which keeps ASCII below", 0, 1, 0x5C, U'\\', D::Rom, 0x5C},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(characterOf(c.code, c.set, c.table), c.character) << c.what;
        const Glyph glyph = characterGlyph(c.code, c.set, c.table);
        switch (c.by) {
            case DrawnBy::Rom:
                EXPECT_EQ(glyph, romGlyph(c.romCode)) << c.what;
                break;
            case DrawnBy::Font:
                ASSERT_TRUE(fontGlyph(c.character).has_value()) << c.what;
                EXPECT_EQ(glyph, *fontGlyph(c.character)) << c.what;
                EXPECT_NE(glyph, Glyph{}) << c.what;
                break;
            case DrawnBy::Missing:
                EXPECT_EQ(glyph, kMissingGlyph) << c.what;
                break;
        }
    }
    EXPECT_EQ(glyphOf(U'\U0001F600'), kMissingGlyph) << "a character the font lacks";
}

TEST(CharacterSets, EveryRangeShowsDistinctCharactersInEverySetAndTable) {
    // The range test puts 32 codes at a time on the glass; the operator must tell them apart.
    // Only characters that the font itself draws alike (Ї like І) may look the same.
    std::vector<std::pair<int, int>> settings;
    for (int set = 0; set < kCharacterSets; ++set) {
        settings.emplace_back(set, kStored);
    }
    // Katakana is left out: the font draws none of its letters, so all show the same box.
    constexpr int kKatakana = 1;
    for (int table = 0; table < 256; ++table) {
        if (isCodeTable(table) && table != kKatakana) {
            settings.emplace_back(0, table);
        }
    }
    EXPECT_EQ(settings.size(), 16U + 9U);
    for (const auto& [set, table] : settings) {
        for (int first = 0x20; first < 0x100; first += 0x20) {
            std::map<Glyph, char32_t> seen;
            for (int code = first; code < first + 0x20; ++code) {
                const auto byte = static_cast<std::uint8_t>(code);
                const char32_t character = characterOf(byte, set, table);
                if (character == U' ' || character == U'\u00A0' || character == kMissingCharacter) {
                    continue;
                }
                const Glyph glyph = characterGlyph(byte, set, table);
                EXPECT_NE(glyph, Glyph{}) << set << "/" << table << " " << std::hex << code;
                const auto [at, fresh] = seen.emplace(glyph, character);
                if (!fresh) {
                    const FontColumns* one = rawFontGlyph(at->second);
                    const FontColumns* other = rawFontGlyph(character);
                    EXPECT_TRUE(one != nullptr && other != nullptr && *one == *other)
                        << set << "/" << table << " " << std::hex << code << " looks like U+"
                        << static_cast<unsigned>(at->second);
                }
            }
        }
    }
}

TEST(FontFitting, KeepsEveryRowOfTheFontInItsPlace) {
    // Fitting drops an empty row (or, for a character that fills all eight, the lowest) and may
    // draw rows twice; the rows that are lit and their order stay as the font has them, and the
    // bottom row of the cell is the font's lowest row that the character reaches.
    auto shape = [](std::vector<std::string> rows) {
        const std::string empty(tables::kFontColumns, '.');
        std::erase(rows, empty);
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        return rows;
    };
    int fitted = 0;
    for (const tables::FontGlyph& font : tables::fontGlyphs()) {
        const std::vector<std::string> raw = rowsOf(font.columns, tables::kFontRows);
        const std::string empty(tables::kFontColumns, '.');
        if (std::find(raw.begin(), raw.end(), empty) == raw.end()) {
            continue;  // eight rows do not go into seven
        }
        const std::vector<std::string> cell = rowsOf(*fontGlyph(font.character), kGlyphRows);
        const std::string& lowest = raw[7] != empty ? raw[7] : raw[6];
        EXPECT_EQ(shape(cell), shape(raw)) << "U+" << std::hex << unsigned(font.character);
        EXPECT_EQ(cell[6], lowest) << "U+" << std::hex << unsigned(font.character);
        ++fitted;
    }
    EXPECT_GT(fitted, 1300);
}

TEST(FontFitting, CharactersTheFontTellsApartStayApart) {
    // Except where the one is the other a row lower, which seven rows cannot show (ṗ and Ṗ),
    // or lights all eight rows.
    auto lower = [](const FontColumns& columns) {
        FontColumns down = columns;
        for (std::uint8_t& column : down) {
            column = static_cast<std::uint8_t>(column << 1);
        }
        return down;
    };
    std::map<Glyph, const tables::FontGlyph*> seen;
    for (const tables::FontGlyph& font : tables::fontGlyphs()) {
        const auto [at, fresh] = seen.emplace(*fontGlyph(font.character), &font);
        if (fresh) {
            continue;
        }
        const FontColumns& a = at->second->columns;
        const FontColumns& b = font.columns;
        auto fillsEightRows = [](const FontColumns& c) {
            return std::accumulate(c.begin(), c.end(), 0U, std::bit_or<>()) == 0xFFU;
        };
        EXPECT_TRUE(a == b || lower(a) == b || lower(b) == a || fillsEightRows(a) ||
                    fillsEightRows(b))
            << "U+" << std::hex << unsigned(at->second->character) << " and U+"
            << unsigned(font.character);
    }
}

TEST(FontFitting, DrawsCharactersAsTheHandDrawnOnesStand) {
    struct Case {
        const char* what;
        char32_t character;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"a capital stretched to the full height",
         U'П',
         {"####.", "#..#.", "#..#.", "#..#.", "#..#.", "#..#.", "#..#."}},
        {"a capital with its mark above",
         U'Á',
         {"..#..", ".#...", ".##..", "#..#.", "####.", "#..#.", "#..#."}},
        {"a descender on the bottom row",
         U'Д',
         {".##..", "#.#..", "#.#..", "#.#..", "#.#..", "####.", "#..#."}},
        {"a small letter five rows high",
         U'ж',
         {".....", ".....", "#.#.#", ".###.", "#.#.#", "#.#.#", "#.#.#"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rowsOf(*fontGlyph(c.character), kGlyphRows), c.rows) << c.what;
    }
    // A small letter with a mark keeps its size where stretching would make it its capital.
    EXPECT_NE(fontGlyph(U'ō'), fontGlyph(U'Ō'));
    EXPECT_EQ(fontGlyph(U'\U0001F600'), std::nullopt);
}

}  // namespace
}  // namespace vfd::sim
