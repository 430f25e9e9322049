// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/character_sets.h"

#include <algorithm>
#include <array>

#include "device/code_pages.h"

namespace vfd::device {

namespace {

using code_pages::UpperHalf;

// The twelve ASCII codes that an international set replaces, and what sets 0 to 10 show there:
// the ESC R table of the EPSON command references (docs/emulations.md).
constexpr std::array<std::uint8_t, 12> kNationalCodes = {0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D,
                                                         0x5E, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};
constexpr int kNationalSets = 11;
constexpr std::array<std::array<char32_t, 12>, kNationalSets> kNationalCharacters = {{
    {U'#', U'$', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'},  // USA
    {U'#', U'$', U'à', U'°', U'ç', U'§', U'^', U'`', U'é', U'ù', U'è', U'¨'},   // France
    {U'#', U'$', U'§', U'Ä', U'Ö', U'Ü', U'^', U'`', U'ä', U'ö', U'ü', U'ß'},   // Germany
    {U'£', U'$', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'},  // U.K.
    {U'#', U'$', U'@', U'Æ', U'Ø', U'Å', U'^', U'`', U'æ', U'ø', U'å', U'~'},   // Denmark I
    {U'#', U'¤', U'É', U'Ä', U'Ö', U'Å', U'Ü', U'é', U'ä', U'ö', U'å', U'ü'},   // Sweden
    {U'#', U'$', U'@', U'°', U'\\', U'é', U'^', U'ù', U'à', U'ò', U'è', U'ì'},  // Italy
    {U'₧', U'$', U'@', U'¡', U'Ñ', U'¿', U'^', U'`', U'¨', U'ñ', U'}', U'~'},   // Spain
    {U'#', U'$', U'@', U'[', U'¥', U']', U'^', U'`', U'{', U'|', U'}', U'~'},   // Japan
    {U'#', U'¤', U'É', U'Æ', U'Ø', U'Å', U'Ü', U'é', U'æ', U'ø', U'å', U'ü'},   // Norway
    {U'#', U'$', U'É', U'Æ', U'Ø', U'Å', U'Ü', U'é', U'æ', U'ø', U'å', U'ü'},   // Denmark II
}};

// The upper half of each `Char` position.
const UpperHalf& upperHalfOfSet(int internationalSet) {
    switch (internationalSet) {
        case 11:  // SLAVONIC/RUSSIA: the Cyrillic page of every Slavonic language
            return code_pages::kIbm855UpperHalf;
        case 12:  // RUSSIA
            return code_pages::kIbm866UpperHalf;
        case 13:  // GREEK
            return code_pages::kCp737UpperHalf;
        case 14:  // CZECH
            return code_pages::kIbm852UpperHalf;
        case 15:  // LATIVAIN, the Baltic page
            return code_pages::kCp775UpperHalf;
        default:
            return code_pages::kIbm437UpperHalf;
    }
}

// The code tables of ESC t n, by the EPSON numbers: those of the customer displays' references
// (0 to 5 and 16 to 19; 254 and 255 are named there without their contents).
struct CodeTable {
    int number;
    const UpperHalf* upperHalf;
};
constexpr std::array<CodeTable, 10> kCodeTables = {{
    {0, &code_pages::kIbm437UpperHalf},
    {1, &code_pages::kKatakanaUpperHalf},
    {2, &code_pages::kIbm850UpperHalf},
    {3, &code_pages::kIbm860UpperHalf},
    {4, &code_pages::kIbm863UpperHalf},
    {5, &code_pages::kIbm865UpperHalf},
    {16, &code_pages::kCp1252UpperHalf},
    {17, &code_pages::kIbm866UpperHalf},
    {18, &code_pages::kIbm852UpperHalf},
    {19, &code_pages::kIbm858UpperHalf},
}};

const UpperHalf& upperHalf(int internationalSet, int codeTable) {
    for (const CodeTable& table : kCodeTables) {
        if (table.number == codeTable) {
            return *table.upperHalf;
        }
    }
    return upperHalfOfSet(internationalSet);
}

}  // namespace

bool isCodeTable(int table) {
    return std::any_of(kCodeTables.begin(), kCodeTables.end(),
                       [table](const CodeTable& t) { return t.number == table; });
}

char32_t romCharacter(std::uint8_t code) {
    if (code < kFirstShownCode) {
        return U' ';
    }
    if (code == 0x7F) {
        return U'\u2302';
    }
    if (code < 0x80) {
        return code;
    }
    return code_pages::kIbm437UpperHalf[code - 0x80];
}

char32_t characterOf(std::uint8_t code, int internationalSet, int codeTable) {
    if (code < kFirstShownCode) {
        return U' ';
    }
    if (code >= 0x80) {
        const char32_t c = upperHalf(internationalSet, codeTable)[code - 0x80];
        return c == 0 ? kMissingCharacter : c;
    }
    if (internationalSet >= 0 && internationalSet < kNationalSets) {
        const auto* at = std::find(kNationalCodes.begin(), kNationalCodes.end(), code);
        if (at != kNationalCodes.end()) {
            return kNationalCharacters[static_cast<std::size_t>(internationalSet)]
                                      [static_cast<std::size_t>(at - kNationalCodes.begin())];
        }
    }
    return romCharacter(code);
}

char32_t characterOf(std::uint8_t code, CharacterSet set) {
    return characterOf(code, static_cast<int>(set), kStoredCodeTable);
}

std::optional<std::uint8_t> codeOf(char32_t character, CharacterSet set) {
    if (character == kMissingCharacter) {
        return std::nullopt;
    }
    for (int code = kFirstShownCode; code < 0x100; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        if (characterOf(byte, set) == character) {
            return byte;
        }
    }
    return std::nullopt;
}

}  // namespace vfd::device
