// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/hex_text.h"

namespace vfd::config {

std::uint8_t strToDec(std::string_view s) {
    if (s.size() != 1) {
        return 0;
    }
    const char c = s[0];
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return 0;
}

std::string hexByte(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string hexNoPad(std::uint8_t value) {
    const std::string two = hexByte(value);
    return value < 0x10 ? two.substr(1) : two;
}

std::vector<std::uint8_t> joinAndPair(const std::vector<std::string>& cells, int count) {
    std::string joined;
    for (const auto& cell : cells) {
        joined += cell;
    }
    auto digitAt = [&joined](std::size_t pos) -> std::uint8_t {
        return pos < joined.size() ? strToDec(std::string_view(joined).substr(pos, 1)) : 0;
    };
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const auto high = digitAt(2 * static_cast<std::size_t>(k));
        const auto low = digitAt(2 * static_cast<std::size_t>(k) + 1);
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

}  // namespace vfd::config
