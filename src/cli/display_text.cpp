// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/display_text.h"

#include <cctype>

#include "device/character_sets.h"

namespace vfd::cli {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6U));
        out += static_cast<char>(0x80 | (c & 0x3FU));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12U));
        out += static_cast<char>(0x80 | ((c >> 6U) & 0x3FU));
        out += static_cast<char>(0x80 | (c & 0x3FU));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18U));
        out += static_cast<char>(0x80 | ((c >> 12U) & 0x3FU));
        out += static_cast<char>(0x80 | ((c >> 6U) & 0x3FU));
        out += static_cast<char>(0x80 | (c & 0x3FU));
    }
}

// The characters of UTF-8 `text`; false for a text that is not UTF-8.
bool decodeUtf8(std::string_view text, std::vector<char32_t>& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int more = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0U) == 0xC0) {
            more = 1;
            c = lead & 0x1FU;
        } else if ((lead & 0xF0U) == 0xE0) {
            more = 2;
            c = lead & 0x0FU;
        } else if ((lead & 0xF8U) == 0xF0) {
            more = 3;
            c = lead & 0x07U;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= text.size()) {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0U) != 0x80) {
                return false;
            }
            c = (c << 6U) | (b & 0x3FU);
        }
        out.push_back(c);
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

}  // namespace

std::string displayedText(std::span<const std::uint8_t> codes, int characterSet) {
    std::string out;
    for (const std::uint8_t code : codes) {
        appendUtf8(out, device::characterOf(code, characterSet, device::kStoredCodeTable));
    }
    return out;
}

EncodedText encodeForDisplay(std::string_view text, int characterSet) {
    EncodedText result;
    std::vector<char32_t> characters;
    if (!decodeUtf8(text, characters)) {
        result.error = "the text is not valid UTF-8";
        return result;
    }
    // A set the display lacks shows as USA.
    const auto set = characterSet >= 0 && characterSet < device::kCharacterSetCount
                         ? static_cast<device::CharacterSet>(characterSet)
                         : device::CharacterSet::UsaEurope;
    for (const char32_t c : characters) {
        if (const auto code = device::codeOf(c, set)) {
            result.codes.push_back(*code);
        } else {
            std::string shown;
            appendUtf8(shown, c);
            result.error = "the character \"" + shown + "\" is not in the display's character set";
            result.codes.clear();
            return result;
        }
    }
    return result;
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += kDigits[b >> 4U];
        out += kDigits[b & 0x0FU];
    }
    return out;
}

std::string printableBytes(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += kDigits[b >> 4U];
            out += kDigits[b & 0x0FU];
        }
    }
    return out;
}

bool parseHexBytes(std::string_view text, std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        if (std::isxdigit(u) == 0) {
            return false;
        }
        const int value = std::isdigit(u) != 0 ? c - '0' : std::toupper(u) - 'A' + 10;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) {
        return false;
    }
    out = std::move(bytes);
    return true;
}

}  // namespace vfd::cli
