// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim/firmware.h"
#include "sim/font5x7.h"
#include "sim/terminal_view.h"

#include "bytes.h"

namespace vfd::sim {
namespace {

const Bytes kInit = {0x1B, 0x40};
const std::string kBlankLine(20, ' ');
const std::string kFullBlocks = [] {
    std::string s;
    for (int i = 0; i < 20; ++i) {
        s += "\u2588";
    }
    return s;
}();

std::string padded(std::string text) {
    text.resize(20, ' ');
    return text;
}

TEST(DisplayCommands, PutTextWhereTheToolsExpectIt) {
    struct Case {
        const char* what;
        Bytes input;
        std::string upper;
        std::string lower;
        Screen::Cursor cursor;
    };
    const Bytes blocks40(40, 0xDB);
    const Case cases[] = {
        {"text at home", kInit + bytesOf("ABC"), padded("ABC"), kBlankLine, {3, 0}},
        {"40 blocks fill the glass and wrap home",
         kInit + blocks40,
         kFullBlocks,
         kFullBlocks,
         {0, 0}},
        {"writing on past the lower line overwrites the upper",
         kInit + Bytes(40, 'A') + bytesOf("B"),
         "B" + std::string(19, 'A'),
         std::string(20, 'A'),
         {1, 0}},
        {"US $ 1 2 then the pass text",
         kInit + Bytes{0x1F, 0x24, 1, 2} + bytesOf("            PID:3524"),
         kBlankLine,
         "            PID:3524",
         {0, 0}},
        {"US $ outside the glass is ignored",
         kInit + Bytes{0x1F, 0x24, 21, 1} + bytesOf("X"),
         padded("X"),
         kBlankLine,
         {1, 0}},
        {"CR returns to column 1", kInit + bytesOf("AB\rC"), padded("CB"), kBlankLine, {1, 0}},
        {"LF goes to the other line",
         kInit + bytesOf("AB\nC"),
         padded("AB"),
         padded("  C"),
         {3, 1}},
        {"form feed clears", bytesOf("AB\x0C") + bytesOf("C"), padded("C"), kBlankLine, {1, 0}},
        {"ESC @ clears", bytesOf("AB") + kInit, kBlankLine, kBlankLine, {0, 0}},
        {"zero padding shows nothing",
         kInit + Bytes{'A', 0, 0, 'B'},
         padded("AB"),
         kBlankLine,
         {2, 0}},
        {"parameters of ignored commands are not shown",
         kInit + Bytes{0x1B, 0x52, 0x41, 0x1F, 0x58, 0x42} + bytesOf("C"),
         padded("C"),
         kBlankLine,
         {1, 0}},
        {"upper half codes",
         kInit + Bytes{0x80, 0x9C, 0xE1},
         std::string("\u00c7\u00a3\u00df").append(17, ' '),
         kBlankLine,
         {3, 0}},
    };
    for (const Case& c : cases) {
        Firmware firmware({});
        firmware.feed(c.input, 0);
        EXPECT_EQ(firmware.screen().text(0), c.upper) << c.what;
        EXPECT_EQ(firmware.screen().text(1), c.lower) << c.what;
        EXPECT_EQ(firmware.screen().cursor(), c.cursor) << c.what;
    }
}

TEST(DisplayCommands, IdentityAndUploadQueriesLeaveTheWelcomeRunning) {
    Firmware firmware({});
    firmware.feed(Bytes{0x1D, 0x49, 0x02, 0x1B, 0xEE, 0x1D, 0x49, 0x06, 0x01}, 0);
    EXPECT_TRUE(firmware.showsWelcome());
    firmware.feed(bytesOf("x"), 0);
    EXPECT_FALSE(firmware.showsWelcome());
    EXPECT_EQ(firmware.screen().text(0), padded("x")) << "the welcome is cleared away first";
    EXPECT_EQ(firmware.screen().text(1), kBlankLine);
}

StoredSettings withScroll(std::uint8_t flags) {
    StoredSettings settings = device::factoryImage().body();
    device::setBodyByte(settings, device::image_index::kScrollFlags, flags);
    return settings;
}

Bytes downloadOf(const StoredSettings& settings) {
    return Bytes{0x1B, 0xEF, 2, 0, 2, 6, 1, 2, 0, 6, 0xAA} +
           Bytes(settings.begin(), settings.end());
}

TEST(Welcome, EachLineScrollsUnlessItsFlagHoldsItStill) {
    struct Case {
        std::uint8_t flags;
        std::string upper;
        std::string lower;
    };
    // Three steps after the restart.
    const Case cases[] = {
        {0, " VFD DISPLAY  ******", "AVE A NICE DAY AND T"},
        {1, "*** VFD DISPLAY  ***", "AVE A NICE DAY AND T"},
        {2, " VFD DISPLAY  ******", "**HAVE A NICE DAY AN"},
        {3, "*** VFD DISPLAY  ***", "**HAVE A NICE DAY AN"},
    };
    for (const Case& c : cases) {
        Firmware firmware({});
        firmware.feed(downloadOf(withScroll(c.flags)), 1000);
        firmware.restart(1000);
        EXPECT_EQ(firmware.screen().text(0), "*** VFD DISPLAY  ***") << int{c.flags};
        EXPECT_EQ(firmware.screen().text(1), "**HAVE A NICE DAY AN") << int{c.flags};
        firmware.tick(1000 + 3 * kScrollStepMs);
        EXPECT_EQ(firmware.screen().text(0), c.upper) << int{c.flags};
        EXPECT_EQ(firmware.screen().text(1), c.lower) << int{c.flags};
    }
}

TEST(Welcome, TheLowerMessageGoesRoundItsWholeFortyBytes) {
    Firmware firmware({}, 0);
    // Its 33 characters are followed by seven zero bytes, shown blank.
    firmware.tick(30 * kScrollStepMs);
    EXPECT_EQ(firmware.screen().text(1), "U**       **HAVE A N");
    firmware.tick(40 * kScrollStepMs);
    EXPECT_EQ(firmware.screen().text(1), "**HAVE A NICE DAY AN");
}

TEST(Welcome, OnlyChangesBumpTheRevision) {
    Firmware firmware({}, 0);
    const std::uint64_t start = firmware.screen().revision();
    firmware.tick(kScrollStepMs - 1);
    EXPECT_EQ(firmware.screen().revision(), start);
    firmware.tick(kScrollStepMs);
    EXPECT_NE(firmware.screen().revision(), start);
}

// Characters defined at run time may sit anywhere but on the control codes, the upper half
// included; the stored records keep to 0x20 to 0x7E, which is the firmware's rule.
TEST(UserCharacters, EveryCodeButTheControlsCanBeRedefined) {
    const Glyph pattern = {0x7F, 0x41, 0x41, 0x41, 0x7F};
    struct Case {
        int code;
        bool takes;
    };
    for (const Case c : {Case{0x00, false}, Case{0x1F, false}, Case{0x20, true}, Case{'~', true},
                         Case{0x7F, true}, Case{0x80, true}, Case{0xE0, true}, Case{0xFF, true}}) {
        Screen screen;
        screen.defineUserCharacter(static_cast<std::uint8_t>(c.code), pattern);
        screen.put(static_cast<std::uint8_t>(c.code));
        EXPECT_EQ(screen.glyph(0, 0) == pattern, c.takes) << c.code;
        EXPECT_EQ(screen.isUserCharacter(static_cast<std::uint8_t>(c.code)), c.takes) << c.code;
    }
}

TEST(UserCharacters, CellsShowTheStoredPatternInsteadOfTheBuiltInOne) {
    StoredSettings settings = device::factoryImage().body();
    const Glyph arrow = {0x08, 0x1C, 0x3E, 0x08, 0x08};
    const Glyph other = {0x7F, 0x00, 0x7F, 0x00, 0x7F};
    auto record = [&settings](int number, std::uint8_t code, const Glyph& glyph) {
        const int start = device::udcRecordStart(number);
        device::setBodyByte(settings, start, code);
        for (int i = 0; i < 5; ++i) {
            device::setBodyByte(settings, start + 1 + i, glyph[static_cast<std::size_t>(i)]);
        }
    };
    record(1, 'A', arrow);
    record(2, 0, other);     // unused record
    record(3, 'A', other);   // the first record for a code counts
    record(9, 0x7F, other);  // not a printable code
    Firmware firmware({});
    firmware.feed(downloadOf(settings), 0);
    firmware.restart(0);
    firmware.feed(Bytes{0x1B, 0x40, 'A', 'B', 0x7F}, 0);
    EXPECT_EQ(firmware.screen().glyph(0, 0), arrow);
    EXPECT_EQ(firmware.screen().glyph(0, 1), romGlyph('B'));
    EXPECT_EQ(firmware.screen().glyph(0, 2), romGlyph(0x7F));
    // Its text shows the private-use character of its code, so that a reader of the text knows it
    // is not the built-in A.
    EXPECT_EQ(firmware.screen().text(0), "\uE041B\u2302" + std::string(17, ' '));
}

TEST(Font, PrintableAsciiIsDistinctAndTheFillCodeLightsEveryDot) {
    std::set<Glyph> seen;
    for (int code = 0x21; code <= 0x7E; ++code) {
        const Glyph glyph = romGlyph(static_cast<std::uint8_t>(code));
        EXPECT_NE(glyph, Glyph{}) << char(code);
        EXPECT_TRUE(seen.insert(glyph).second) << char(code);
        for (std::uint8_t column : glyph) {
            EXPECT_EQ(column & 0x80, 0) << "no dots below row 6: " << char(code);
        }
    }
    EXPECT_EQ(romGlyph(' '), Glyph{});
    EXPECT_EQ(romGlyph(0x0D), Glyph{});
    EXPECT_EQ(romGlyph(kAllDotsCode), (Glyph{0x7F, 0x7F, 0x7F, 0x7F, 0x7F}));
}

TEST(TerminalView, PrintsOneLinePerChangeOfTheGlass) {
    std::ostringstream out;
    TerminalView view(out, false);
    Firmware firmware({});
    firmware.feed(kInit + bytesOf("HI"), 0);
    view.show(firmware.screen());
    view.show(firmware.screen());
    firmware.feed(Bytes{0x1F, 0x24, 1, 2, 0xDB}, 0);
    view.show(firmware.screen());
    view.note("stored settings");
    EXPECT_EQ(out.str(),
              "display |HI                  |                    |\n"
              "display |HI                  |\u2588                   |\n"
              "stored settings\n");
}

TEST(TerminalView, SaysWhenTheGlassIsDimmedOrBlinksAfterTheLines) {
    Firmware firmware({});
    firmware.feed(kInit + bytesOf("HI") + Bytes{0x1F, 0x58, 2, 0x1F, 0x45, 10}, 0);
    std::ostringstream line;
    TerminalView lines(line, false);
    lines.show(firmware.screen());
    // Blinking changes the glass, not the line.
    firmware.tick(600);
    lines.show(firmware.screen());
    EXPECT_EQ(line.str(),
              "display |HI                  |                    | [brightness 2/4] [blinking]\n");

    std::ostringstream box;
    TerminalView boxes(box, true);
    boxes.show(firmware.screen());
    EXPECT_EQ(box.str(),
              "+--------------------+\n"
              "|HI                  |\n"
              "|                    |\n"
              "+--------------------+ [brightness 2/4] [blinking]\n");
}

}  // namespace
}  // namespace vfd::sim
