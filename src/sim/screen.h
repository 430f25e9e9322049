// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/protocol.h"
#include "sim/font5x7.h"

namespace vfd::sim {

// The glass: two lines of twenty character cells, the cursor, and the user-defined characters
// that replace built-in ones. Rows and columns count from 0 here; the display's commands count
// from 1.
class Screen {
public:
    static constexpr char32_t kUserCharacterBase = 0xE000;

    static constexpr int kColumns = device::kDisplayColumns;
    static constexpr int kRows = device::kDisplayRows;
    static constexpr std::uint8_t kBlank = 0x20;
    static constexpr std::uint8_t kFirstDefinableCode = 0x20;

    struct Cursor {
        int column = 0;
        int row = 0;
        bool operator==(const Cursor&) const = default;
    };

    using Line = std::array<std::uint8_t, kColumns>;

    // What writing past the end of a line does.
    enum class WriteMode {
        Overwrite,         // on to the start of the other line
        VerticalScroll,    // past the end of the lower line, the lower line moves up
        HorizontalScroll,  // the line moves left under a cursor that stays at its right end
    };

    // The part of the glass that text, the cursor and the scroll modes keep to, as the ESC W
    // commands set it; columns and rows inclusive, counted from 0.
    struct Window {
        int left = 0;
        int top = 0;
        int right = kColumns - 1;
        int bottom = kRows - 1;
        bool operator==(const Window&) const = default;
    };

    Screen();

    std::uint8_t code(int row, int column) const;
    const Line& line(int row) const;
    Cursor cursor() const { return cursor_; }

    // The dots a cell lights: its user-defined character when its code has one, the built-in
    // character otherwise.
    Glyph glyph(int row, int column) const;
    // What a cell shows, as the Unicode character its glyph draws; a user-defined character as
    // the private-use character kUserCharacterBase + its code, a dark glass as blanks.
    char32_t character(int row, int column) const;
    // A line of those, as UTF-8 text.
    std::string text(int row) const;

    // Changes with every change to what is shown, so that renderers redraw only when it moves.
    // A shown cursor's cell is part of it, which spares every cursor movement a count of its own.
    std::uint64_t revision() const {
        constexpr std::uint64_t kCursorStates = kColumns * kRows + 1;
        const std::uint64_t cursorState =
            cursorShown_ ? 1 + static_cast<std::uint64_t>(cursor_.row * kColumns + cursor_.column)
                         : 0;
        return revision_ * kCursorStates + cursorState;
    }

    void clear();  // blanks both lines, cursor home
    void clearLine(int row);
    void home();
    void moveTo(int column, int row);  // positions outside the glass are ignored
    // Writes at the cursor and advances. The display runs in overwrite mode: past the end of the
    // upper line the cursor goes to the start of the lower one, and past the end of the lower line
    // back home, so a 40-byte block fills the glass exactly and the next one overwrites it. A
    // window keeps all of this to its own columns and lines.
    void put(std::uint8_t code);
    // Replaces a whole line: the codes from column 0, blanks after them; the cursor stays.
    void setLine(int row, std::span<const std::uint8_t> codes);
    void carriageReturn();
    // The other line, same column; in vertical scroll mode, from the lower line the lower line
    // moves up and the lower line is blank; in horizontal scroll mode the cursor stays.
    void lineFeed();
    void lineUp();  // the mirror of lineFeed
    void backspace();
    void forward();
    void rightEnd();
    void bottom();  // the start of the lower line
    // Position 0 to 39: the upper line's twenty cells, then the lower line's.
    void moveToPosition(int position);
    void clearToEndOfLine();
    void clearToEnd();
    void clearRange(int firstPosition, int lastPosition);
    void eraseBack();  // backspace and blank the cell

    WriteMode mode() const { return mode_; }
    void setMode(WriteMode mode);

    // The window in force: the one set, or the whole glass when none is set or when it is set
    // for the horizontal scroll mode only (CD5220) and the glass does not scroll so. Setting one
    // puts the cursor at its top left; cursor positions outside it are ignored while it is in
    // force. A window that does not fit the glass is ignored.
    Window window() const;
    void setWindow(std::optional<Window> window, bool horizontalScrollOnly = false);

    // Stand-by: the glass shows nothing but keeps what it holds for when it wakes.
    bool isDark() const { return dark_; }
    void setDark(bool dark);

    // How the glass shows what it holds, which commands change without changing the text.
    // Brightness goes in the four steps the references name (20, 40, 60 and 100 per cent); the
    // display starts at full brightness.
    static constexpr int kBrightnessSteps = 4;
    int brightness() const { return brightness_; }
    int brightnessPercent() const;
    void setBrightness(int step);  // a step outside 1 to kBrightnessSteps is ignored
    // Blinking: the whole glass lit for this long, then dark for as long; 0 is steady.
    int blinkIntervalMs() const { return blinkIntervalMs_; }
    void setBlinkInterval(int intervalMs);
    // The dark half of a blink, which the firmware's clock moves.
    bool isBlinkedOff() const { return blinkedOff_; }
    void setBlinkedOff(bool off);
    // Switched off by command: dark, with what it holds kept, until a command lights it again.
    bool isSwitchedOff() const { return switchedOff_; }
    void setSwitchedOff(bool off);
    // The cursor, drawn as a line of dots under its cell; hidden at power-on.
    bool isCursorShown() const { return cursorShown_; }
    void showCursor(bool shown);
    // The power-on look: full brightness, steady, lit, no cursor.
    void resetLook();
    // Lit dots show: not in stand-by, not switched off, not in the dark half of a blink.
    bool isLit() const { return !dark_ && !switchedOff_ && !blinkedOff_; }

    // The character generator: the international set (a `Char` position) that replaces some of
    // the ASCII codes, and the code table of the upper half (kStoredCodeTable: the set's own).
    int internationalSet() const { return internationalSet_; }
    int codeTable() const { return codeTable_; }
    void setCharacterSet(int internationalSet, int codeTable);

    void clearUserCharacters();
    void defineUserCharacter(std::uint8_t code, const Glyph& glyph);
    void deleteUserCharacter(std::uint8_t code);
    bool isUserCharacter(std::uint8_t code) const { return userDefined_[code]; }

private:
    void advance();
    void scrollUp();
    void scrollDown();
    void touch() { ++revision_; }

    std::array<Line, kRows> lines_{};
    Cursor cursor_;
    WriteMode mode_ = WriteMode::Overwrite;
    bool dark_ = false;
    int brightness_ = kBrightnessSteps;
    int blinkIntervalMs_ = 0;
    bool blinkedOff_ = false;
    bool switchedOff_ = false;
    bool cursorShown_ = false;
    int internationalSet_ = 0;
    int codeTable_ = kStoredCodeTable;
    std::optional<Window> window_;
    bool windowHorizontalScrollOnly_ = false;
    bool shiftBeforeNext_ = false;  // horizontal scroll: the next character moves the line first
    std::array<Glyph, 256> userGlyphs_{};
    std::array<bool, 256> userDefined_{};
    std::uint64_t revision_ = 0;
};

// What the text renderings add after the two lines when the glass does not show them plainly:
// " [brightness 2/4]", " [blinking]", " [off]", " [cursor line 2 column 3]", in that order;
// empty for a steady glass at full brightness without a cursor, so that what scripts wait for
// stays as it was.
std::string lookNote(const Screen& screen);

// UTF-8 for one Unicode character.
void appendUtf8(std::string& out, char32_t c);

}  // namespace vfd::sim
