// SPDX-License-Identifier: GPL-3.0-or-later
// Typed text becomes the codes the display shows it with.
#include <gtest/gtest.h>

#include "device/character_sets.h"

namespace vfd::device {
namespace {

TEST(CharacterSets, ATypedCharacterBecomesTheCodeItsSetShowsItWith) {
    struct Case {
        const char* what;
        CharacterSet set;
        char32_t character;
        std::optional<std::uint8_t> code;
    };
    const Case cases[] = {
        {"ASCII letters keep their codes", CharacterSet::UsaEurope, U'A', 0x41},
        {"the blank is a code, not a control code", CharacterSet::UsaEurope, U' ', 0x20},
        {"code page 437 has ü in its upper half", CharacterSet::UsaEurope, U'ü', 0x81},
        {"and ß", CharacterSet::UsaEurope, U'ß', 0xE1},
        {"GERMANY shows ü in place of }, the lower code wins", CharacterSet::Germany, U'ü', 0x7D},
        {"GERMANY no longer shows }", CharacterSet::Germany, U'}', std::nullopt},
        {"GERMANY keeps ASCII letters", CharacterSet::Germany, U'M', 0x4D},
        {"RUSSIA: code page 866", CharacterSet::Russia, U'Д', 0x84},
        {"code page 437 has no Cyrillic", CharacterSet::UsaEurope, U'Д', std::nullopt},
        {"U.K. shows £ at 0x23", CharacterSet::Uk, U'£', 0x23},
        {"no set shows the euro sign", CharacterSet::UsaEurope, U'€', std::nullopt},
        {"a control character is never typed", CharacterSet::UsaEurope, U'\x01', std::nullopt},
        {"nor the stand-in for an unassigned code", CharacterSet::Greek, kMissingCharacter,
         std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codeOf(c.character, c.set), c.code) << c.what;
    }
}

TEST(CharacterSets, EveryShownCodeOfEverySetTurnsBackIntoACodeShowingTheSameCharacter) {
    for (int set = 0; set < kCharacterSetCount; ++set) {
        const auto charSet = static_cast<CharacterSet>(set);
        for (int code = kFirstShownCode; code < 0x100; ++code) {
            const char32_t shown = characterOf(static_cast<std::uint8_t>(code), charSet);
            if (shown == kMissingCharacter) {
                continue;
            }
            const auto back = codeOf(shown, charSet);
            ASSERT_TRUE(back.has_value()) << set << " " << code;
            EXPECT_LE(*back, code) << set << " " << code;
            EXPECT_EQ(characterOf(*back, charSet), shown) << set << " " << code;
        }
    }
}

}  // namespace
}  // namespace vfd::device
