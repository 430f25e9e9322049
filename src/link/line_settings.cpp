// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/line_settings.h"

#include <cctype>
#include <string>
#include <vector>

namespace vfd::link {

namespace {
std::vector<std::string> splitFields(std::string_view text) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',') {
            fields.emplace_back();
        } else if (c != ' ' && c != '\t') {
            fields.back() += c;
        }
    }
    return fields;
}

std::optional<int> wholeNumber(const std::string& s, int low, int high) {
    if (s.empty() || s.size() > 7) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}
}  // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text) {
    const auto fields = splitFields(text);
    if (fields.size() != 4) {
        return std::nullopt;
    }
    LineSettings s;
    const auto baud = wholeNumber(fields[0], 50, 4000000);
    if (!baud) {
        return std::nullopt;
    }
    s.baud = *baud;
    if (fields[1].size() != 1) {
        return std::nullopt;
    }
    switch (std::tolower(static_cast<unsigned char>(fields[1][0]))) {
        case 'n':
            s.parity = Parity::None;
            break;
        case 'e':
            s.parity = Parity::Even;
            break;
        case 'o':
            s.parity = Parity::Odd;
            break;
        case 'm':
            s.parity = Parity::Mark;
            break;
        case 's':
            s.parity = Parity::Space;
            break;
        default:
            return std::nullopt;
    }
    const auto bits = wholeNumber(fields[2], 5, 8);
    if (!bits) {
        return std::nullopt;
    }
    s.dataBits = *bits;
    if (fields[3] == "1") {
        s.stopBits = StopBits::One;
    } else if (fields[3] == "1.5") {
        s.stopBits = StopBits::OneAndHalf;
    } else if (fields[3] == "2") {
        s.stopBits = StopBits::Two;
    } else {
        return std::nullopt;
    }
    return s;
}

int characterTimeUs(const LineSettings& s) {
    // Counted in half bits so that 1.5 stop bits stays exact.
    int halfBits = 2 * (1 + s.dataBits);
    if (s.parity != Parity::None) {
        halfBits += 2;
    }
    halfBits += s.stopBits == StopBits::One ? 2 : s.stopBits == StopBits::OneAndHalf ? 3 : 4;
    return static_cast<int>(500000LL * halfBits / s.baud);
}

}  // namespace vfd::link
