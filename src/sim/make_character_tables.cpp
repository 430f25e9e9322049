// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the C++ source of the character generator's font (sim/character_tables.h) from a BDF
// font, so that no bitmap is typed in by hand:
//
//   make_character_tables OUTPUT.cpp FONT.bdf
//
// The font must fit kFontColumns by kFontRows cells.
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/generated_source.h"
#include "sim/character_tables.h"

namespace {

using vfd::generated::hex;

using vfd::sim::tables::kFontColumns;
using vfd::sim::tables::kFontRows;

using Columns = std::array<std::uint8_t, kFontColumns>;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

int hexValue(const std::string& text, const std::string& where) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used, 16);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size()) {
        fail(where + ": \"" + text + "\" is not a hexadecimal number");
    }
    return value;
}

// The glyphs of a BDF font by code point. Each bitmap is placed in the font's cell by its
// bounding box, the cell's top row being the font's ascent above the baseline.
std::map<char32_t, Columns> readBdf(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) {
        fail(path.string() + ": cannot be read");
    }
    std::map<char32_t, Columns> glyphs;
    int ascent = -1;
    int cellLeft = 0;
    long encoding = -1;
    int width = 0;
    int height = 0;
    int left = 0;
    int bottom = 0;
    int bitmapRow = -1;  // the bitmap line expected next, -1 outside a bitmap
    Columns columns{};
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = path.string() + ":" + std::to_string(number);
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (bitmapRow >= 0 && keyword != "ENDCHAR") {
            const int bits = hexValue(keyword, where);
            const int digits = static_cast<int>(keyword.size());
            const int row = ascent - (bottom + height) + bitmapRow;
            for (int x = 0; x < width; ++x) {
                if ((bits >> (digits * 4 - 1 - x) & 1) == 0) {
                    continue;
                }
                const int column = left - cellLeft + x;
                if (row < 0 || row >= kFontRows || column < 0 || column >= kFontColumns) {
                    fail(where + ": character " + std::to_string(encoding) +
                         " has a dot outside the " + std::to_string(kFontColumns) + " by " +
                         std::to_string(kFontRows) + " cell");
                }
                columns[static_cast<std::size_t>(column)] |= static_cast<std::uint8_t>(1U << row);
            }
            ++bitmapRow;
        } else if (keyword == "FONTBOUNDINGBOX") {
            int w = 0;
            int h = 0;
            int bottomOfCell = 0;
            words >> w >> h >> cellLeft >> bottomOfCell;
            if (w > kFontColumns || h > kFontRows) {
                fail(where + ": the font's cell is larger than " + std::to_string(kFontColumns) +
                     " by " + std::to_string(kFontRows));
            }
        } else if (keyword == "FONT_ASCENT") {
            words >> ascent;
        } else if (keyword == "ENCODING") {
            words >> encoding;
        } else if (keyword == "BBX") {
            words >> width >> height >> left >> bottom;
        } else if (keyword == "BITMAP") {
            if (ascent < 0) {
                fail(where + ": a bitmap before FONT_ASCENT");
            }
            bitmapRow = 0;
            columns = {};
        } else if (keyword == "ENDCHAR") {
            if (bitmapRow != height) {
                fail(where + ": the bitmap of character " + std::to_string(encoding) + " has " +
                     std::to_string(bitmapRow) + " lines, not " + std::to_string(height));
            }
            // Below the space are the control codes; the font keeps its stand-in for a missing
            // character at 0, which is no character of its own.
            if (encoding >= 0x20) {
                glyphs[static_cast<char32_t>(encoding)] = columns;
            }
            bitmapRow = -1;
            encoding = -1;
        }
    }
    if (glyphs.empty()) {
        fail(path.string() + ": no characters");
    }
    return glyphs;
}

void writeTables(const std::filesystem::path& output, const std::filesystem::path& fontPath,
                 const std::map<char32_t, Columns>& glyphs) {
    std::ostringstream out;
    out << "// Written by make_character_tables from " << fontPath.filename().string()
        << "; made afresh by every build.\n"
        << "#include \"sim/character_tables.h\"\n\nnamespace vfd::sim::tables {\n\n"
        << "namespace {\n\nconstexpr std::array<FontGlyph, " << glyphs.size() << "> kGlyphs = {{\n";
    for (const auto& [character, columns] : glyphs) {
        out << "    {" << hex(character, 4) << ", {{";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            out << (i == 0 ? "" : ", ") << hex(columns[i], 2);
        }
        out << "}}},\n";
    }
    out << "}};\n\n}  // namespace\n\n"
        << "std::span<const FontGlyph> fontGlyphs() {\n    return kGlyphs;\n}\n";
    out << "\n}  // namespace vfd::sim::tables\n";

    vfd::generated::writeWhole(output, out.str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_character_tables OUTPUT.cpp FONT.bdf\n";
        return 2;
    }
    try {
        writeTables(argv[1], argv[2], readBdf(argv[2]));
    } catch (const std::exception& e) {
        std::cerr << "make_character_tables: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
