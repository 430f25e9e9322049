// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "link/protocol.h"
#include "sim/font5x7.h"

namespace vfd::sim {

// The glass: two lines of twenty character cells, the cursor, and the user-defined characters
// that replace built-in ones. Rows and columns count from 0 here; the display's commands count
// from 1.
class Screen {
public:
    static constexpr int kColumns = protocol::kDisplayColumns;
    static constexpr int kRows = protocol::kDisplayRows;
    static constexpr std::uint8_t kBlank = 0x20;

    struct Cursor {
        int column = 0;
        int row = 0;
        bool operator==(const Cursor&) const = default;
    };

    using Line = std::array<std::uint8_t, kColumns>;

    Screen();

    std::uint8_t code(int row, int column) const;
    const Line& line(int row) const;
    Cursor cursor() const { return cursor_; }

    // The dots a cell lights: its user-defined character when its code has one, the built-in
    // character otherwise.
    Glyph glyph(int row, int column) const;
    // What a line shows, as UTF-8 text; a user-defined character shows as its code's character.
    std::string text(int row) const;

    // Counts every change to what is shown, so that renderers redraw only when it moves.
    std::uint64_t revision() const { return revision_; }

    void clear();  // blanks both lines, cursor home
    void clearLine(int row);
    void home();
    void moveTo(int column, int row);  // positions outside the glass are ignored
    // Writes at the cursor and advances. The display runs in overwrite mode: past the end of the
    // upper line the cursor goes to the start of the lower one, and past the end of the lower line
    // back home, so a 40-byte block fills the glass exactly and the next one overwrites it.
    void put(std::uint8_t code);
    // Replaces a whole line: the codes from column 0, blanks after them; the cursor stays.
    void setLine(int row, std::span<const std::uint8_t> codes);
    void carriageReturn();
    void lineFeed();  // the other line, same column
    void backspace();
    void forward();

    void clearUserCharacters();
    void defineUserCharacter(std::uint8_t code, const Glyph& glyph);

private:
    void advance();
    void touch() { ++revision_; }

    std::array<Line, kRows> lines_{};
    Cursor cursor_;
    std::array<Glyph, 256> userGlyphs_{};
    std::array<bool, 256> userDefined_{};
    std::uint64_t revision_ = 0;
};

// UTF-8 for one Unicode character.
void appendUtf8(std::string& out, char32_t c);

}  // namespace vfd::sim
