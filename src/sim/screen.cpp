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
    return userDefined_[c] ? userGlyphs_[c] : romGlyph(c);
}

std::string Screen::text(int row) const {
    std::string out;
    for (std::uint8_t c : line(row)) {
        appendUtf8(out, romCharacter(c));
    }
    return out;
}

void Screen::clear() {
    for (Line& line : lines_) {
        line.fill(kBlank);
    }
    cursor_ = {};
    touch();
}

void Screen::clearLine(int row) {
    lines_[rowIndex(row)].fill(kBlank);
    touch();
}

void Screen::home() {
    cursor_ = {};
}

void Screen::moveTo(int column, int row) {
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows) {
        return;
    }
    cursor_ = {column, row};
}

void Screen::put(std::uint8_t code) {
    lines_[rowIndex(cursor_.row)][columnIndex(cursor_.column)] = code;
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
    cursor_.column = 0;
}

void Screen::lineFeed() {
    cursor_.row = (cursor_.row + 1) % kRows;
}

void Screen::backspace() {
    if (cursor_.column > 0) {
        --cursor_.column;
    } else {
        cursor_ = {kColumns - 1, (cursor_.row + kRows - 1) % kRows};
    }
}

void Screen::forward() {
    advance();
}

void Screen::clearUserCharacters() {
    userDefined_.fill(false);
    touch();
}

void Screen::defineUserCharacter(std::uint8_t code, const Glyph& glyph) {
    userGlyphs_[code] = glyph;
    userDefined_[code] = true;
    touch();
}

void Screen::advance() {
    if (++cursor_.column == kColumns) {
        cursor_.column = 0;
        cursor_.row = (cursor_.row + 1) % kRows;
    }
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
