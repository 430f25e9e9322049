// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/screen.h"

#include <algorithm>
#include <stdexcept>

namespace vfd::sim {

namespace {

std::size_t rowIndex(int row) {
    if (row < 0 || row >= Screen::kRows) {
        throw std::out_of_range("the display has two lines");
    }
    return static_cast<std::size_t>(row);
}

std::size_t columnIndex(int column) {
    if (column < 0 || column >= Screen::kColumns) {
        throw std::out_of_range("the display has twenty columns");
    }
    return static_cast<std::size_t>(column);
}

}  // namespace

Screen::Screen() {
    for (Line& line : lines_) {
        line.fill(kBlank);
    }
}

std::uint8_t Screen::code(int row, int column) const {
    return lines_[rowIndex(row)][columnIndex(column)];
}

const Screen::Line& Screen::line(int row) const {
    return lines_[rowIndex(row)];
}

Glyph Screen::glyph(int row, int column) const {
    const std::uint8_t c = code(row, column);
    if (!isLit()) {
        return {};
    }
    return userDefined_[c] ? userGlyphs_[c] : characterGlyph(c, internationalSet_, codeTable_);
}

char32_t Screen::character(int row, int column) const {
    const std::uint8_t c = code(row, column);
    // A blink leaves the text as it is: the renderings say "[blinking]" instead of flickering.
    if (dark_ || switchedOff_) {
        return U' ';
    }
    if (userDefined_[c]) {
        return kUserCharacterBase + c;
    }
    return characterOf(c, internationalSet_, codeTable_);
}

std::string Screen::text(int row) const {
    std::string out;
    for (int column = 0; column < kColumns; ++column) {
        appendUtf8(out, character(row, column));
    }
    return out;
}

void Screen::clear() {
    for (Line& line : lines_) {
        line.fill(kBlank);
    }
    cursor_ = {window().left, window().top};
    shiftBeforeNext_ = false;
    touch();
}

void Screen::clearLine(int row) {
    lines_[rowIndex(row)].fill(kBlank);
    touch();
}

void Screen::home() {
    cursor_ = {window().left, window().top};
    shiftBeforeNext_ = false;
}

void Screen::moveTo(int column, int row) {
    const Window w = window();
    if (column < w.left || column > w.right || row < w.top || row > w.bottom) {
        return;
    }
    cursor_ = {column, row};
    shiftBeforeNext_ = false;
}

void Screen::put(std::uint8_t code) {
    Line& line = lines_[rowIndex(cursor_.row)];
    if (mode_ == WriteMode::HorizontalScroll) {
        const Window w = window();
        if (shiftBeforeNext_) {
            std::rotate(line.begin() + w.left, line.begin() + w.left + 1,
                        line.begin() + w.right + 1);
            line[columnIndex(w.right)] = kBlank;
        }
        line[columnIndex(cursor_.column)] = code;
        shiftBeforeNext_ = cursor_.column == w.right;
        if (!shiftBeforeNext_) {
            ++cursor_.column;
        }
        touch();
        return;
    }
    line[columnIndex(cursor_.column)] = code;
    advance();
    touch();
}

void Screen::setLine(int row, std::span<const std::uint8_t> codes) {
    Line& target = lines_[rowIndex(row)];
    target.fill(kBlank);
    std::copy_n(codes.begin(), std::min<std::size_t>(codes.size(), target.size()), target.begin());
    touch();
}

void Screen::carriageReturn() {
    cursor_.column = window().left;
    shiftBeforeNext_ = false;
}

void Screen::lineFeed() {
    shiftBeforeNext_ = false;
    if (mode_ == WriteMode::HorizontalScroll) {
        return;
    }
    const Window w = window();
    if (mode_ == WriteMode::VerticalScroll && cursor_.row == w.bottom) {
        scrollUp();
        return;
    }
    cursor_.row = cursor_.row == w.bottom ? w.top : cursor_.row + 1;
}

void Screen::lineUp() {
    shiftBeforeNext_ = false;
    if (mode_ == WriteMode::HorizontalScroll) {
        return;
    }
    const Window w = window();
    if (mode_ == WriteMode::VerticalScroll && cursor_.row == w.top) {
        scrollDown();
        return;
    }
    cursor_.row = cursor_.row == w.top ? w.bottom : cursor_.row - 1;
}

void Screen::backspace() {
    shiftBeforeNext_ = false;
    const Window w = window();
    if (cursor_.column > w.left) {
        --cursor_.column;
    } else if (mode_ == WriteMode::Overwrite) {
        cursor_ = {w.right, cursor_.row == w.top ? w.bottom : cursor_.row - 1};
    }
}

void Screen::forward() {
    if (mode_ == WriteMode::HorizontalScroll) {
        cursor_.column = std::min(cursor_.column + 1, window().right);
        return;
    }
    advance();
}

void Screen::rightEnd() {
    cursor_.column = window().right;
    shiftBeforeNext_ = false;
}

void Screen::bottom() {
    moveTo(window().left, window().bottom);
}

void Screen::moveToPosition(int position) {
    if (position >= 0 && position < kColumns * kRows) {
        moveTo(position % kColumns, position / kColumns);
    }
}

void Screen::clearToEndOfLine() {
    Line& line = lines_[rowIndex(cursor_.row)];
    std::fill(line.begin() + cursor_.column, line.end(), kBlank);
    touch();
}

void Screen::clearToEnd() {
    clearToEndOfLine();
    for (int row = cursor_.row + 1; row < kRows; ++row) {
        lines_[rowIndex(row)].fill(kBlank);
    }
    touch();
}

void Screen::clearRange(int firstPosition, int lastPosition) {
    for (int p = std::max(firstPosition, 0); p <= std::min(lastPosition, kColumns * kRows - 1);
         ++p) {
        lines_[rowIndex(p / kColumns)][columnIndex(p % kColumns)] = kBlank;
    }
    touch();
}

void Screen::eraseBack() {
    if (cursor_.column == window().left && cursor_.row == window().top &&
        mode_ != WriteMode::Overwrite) {
        return;
    }
    backspace();
    lines_[rowIndex(cursor_.row)][columnIndex(cursor_.column)] = kBlank;
    touch();
}

void Screen::setMode(WriteMode mode) {
    mode_ = mode;
    shiftBeforeNext_ = false;
    // A window for the horizontal scroll mode only comes into force with it.
    const Window w = window();
    if (cursor_.column < w.left || cursor_.column > w.right || cursor_.row < w.top ||
        cursor_.row > w.bottom) {
        cursor_ = {w.left, w.top};
    }
}

void Screen::clearUserCharacters() {
    userDefined_.fill(false);
    touch();
}

void Screen::defineUserCharacter(std::uint8_t code, const Glyph& glyph) {
    // Any code but the controls may carry a character defined at run time: point-of-sale
    // programs put theirs in the upper half so as not to lose a letter. The stored records keep
    // to 0x20 to 0x7E, as the configuration tool edits them; that limit is the firmware's.
    if (code < kFirstDefinableCode) {
        return;
    }
    userGlyphs_[code] = glyph;
    userDefined_[code] = true;
    touch();
}

void Screen::setDark(bool dark) {
    if (dark_ != dark) {
        dark_ = dark;
        touch();
    }
}

int Screen::brightnessPercent() const {
    constexpr std::array<int, kBrightnessSteps> kPercent = {20, 40, 60, 100};
    return kPercent[static_cast<std::size_t>(brightness_ - 1)];
}

void Screen::setBrightness(int step) {
    if (step >= 1 && step <= kBrightnessSteps && step != brightness_) {
        brightness_ = step;
        touch();
    }
}

void Screen::setBlinkInterval(int intervalMs) {
    blinkIntervalMs_ = std::max(intervalMs, 0);
    blinkedOff_ = false;
    touch();
}

void Screen::setBlinkedOff(bool off) {
    if (blinkedOff_ != off) {
        blinkedOff_ = off;
        touch();
    }
}

void Screen::setSwitchedOff(bool off) {
    if (switchedOff_ != off) {
        switchedOff_ = off;
        touch();
    }
}

void Screen::showCursor(bool shown) {
    if (cursorShown_ != shown) {
        cursorShown_ = shown;
        touch();
    }
}

void Screen::resetLook() {
    brightness_ = kBrightnessSteps;
    blinkIntervalMs_ = 0;
    blinkedOff_ = false;
    switchedOff_ = false;
    cursorShown_ = false;
    touch();
}

void Screen::setCharacterSet(int internationalSet, int codeTable) {
    if (internationalSet_ != internationalSet || codeTable_ != codeTable) {
        internationalSet_ = internationalSet;
        codeTable_ = codeTable;
        touch();
    }
}

void Screen::deleteUserCharacter(std::uint8_t code) {
    userDefined_[code] = false;
    touch();
}

void Screen::advance() {
    const Window w = window();
    if (++cursor_.column <= w.right) {
        return;
    }
    cursor_.column = w.left;
    if (mode_ == WriteMode::VerticalScroll && cursor_.row == w.bottom) {
        scrollUp();
        return;
    }
    cursor_.row = cursor_.row == w.bottom ? w.top : cursor_.row + 1;
}

// The window's lines move up (down) by one within its columns; the line left behind is blank.
void Screen::scrollUp() {
    const Window w = window();
    for (int row = w.top; row <= w.bottom; ++row) {
        Line& line = lines_[rowIndex(row)];
        for (int column = w.left; column <= w.right; ++column) {
            line[columnIndex(column)] = row < w.bottom ? code(row + 1, column) : kBlank;
        }
    }
    touch();
}

void Screen::scrollDown() {
    const Window w = window();
    for (int row = w.bottom; row >= w.top; --row) {
        Line& line = lines_[rowIndex(row)];
        for (int column = w.left; column <= w.right; ++column) {
            line[columnIndex(column)] = row > w.top ? code(row - 1, column) : kBlank;
        }
    }
    touch();
}

Screen::Window Screen::window() const {
    if (!window_ || (windowHorizontalScrollOnly_ && mode_ != WriteMode::HorizontalScroll)) {
        return {};
    }
    return *window_;
}

void Screen::setWindow(std::optional<Window> window, bool horizontalScrollOnly) {
    if (window && (window->left < 0 || window->left > window->right || window->right >= kColumns ||
                   window->top < 0 || window->top > window->bottom || window->bottom >= kRows)) {
        return;
    }
    window_ = window;
    windowHorizontalScrollOnly_ = horizontalScrollOnly;
    shiftBeforeNext_ = false;
    if (window) {
        const Window w = this->window();
        cursor_ = {w.left, w.top};
    }
}

std::string lookNote(const Screen& screen) {
    std::string note;
    if (screen.brightness() != Screen::kBrightnessSteps) {
        note.append(" [brightness ")
            .append(std::to_string(screen.brightness()))
            .append("/")
            .append(std::to_string(Screen::kBrightnessSteps))
            .append("]");
    }
    if (screen.blinkIntervalMs() > 0) {
        note.append(" [blinking]");
    }
    if (screen.isSwitchedOff()) {
        note.append(" [off]");
    }
    if (screen.isCursorShown()) {
        note.append(" [cursor line ")
            .append(std::to_string(screen.cursor().row + 1))
            .append(" column ")
            .append(std::to_string(screen.cursor().column + 1))
            .append("]");
    }
    return note;
}

void appendUtf8(std::string& out, char32_t c) {
    auto add = [&out](unsigned value) { out.push_back(static_cast<char>(value)); };
    const auto v = static_cast<unsigned>(c);
    if (v < 0x80) {
        add(v);
    } else if (v < 0x800) {
        add(0xC0 | v >> 6);
        add(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        add(0xE0 | v >> 12);
        add(0x80 | (v >> 6 & 0x3F));
        add(0x80 | (v & 0x3F));
    } else {
        add(0xF0 | v >> 18);
        add(0x80 | (v >> 12 & 0x3F));
        add(0x80 | (v >> 6 & 0x3F));
        add(0x80 | (v & 0x3F));
    }
}

}  // namespace vfd::sim
