// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/hex_text.h"
#include "config/window_values.h"
#include "device/option_lists.h"
#include "device/settings_image.h"
#include "support/default_image.h"

namespace vfd::config {
namespace {

WindowValues defaultValues() {
    WindowValues values;
    for (std::size_t k = 0; k < device::kDefaultMessage1.size(); ++k) {
        values.message1[k] = static_cast<std::uint8_t>(device::kDefaultMessage1[k]);
    }
    for (std::size_t k = 0; k < device::kDefaultMessage2.size(); ++k) {
        values.message2[k] = static_cast<std::uint8_t>(device::kDefaultMessage2[k]);
    }
    return values;
}

TEST(DefaultFill, GivesTheDocumentedBytesWithEpsonAtIndexSix) {
    device::SettingsImage image;
    fillFromWindow(image, defaultValues());

    EXPECT_EQ(image.bytes(), testing::defaultFilledImage());  // index 6 = 1, not 0
    EXPECT_EQ(image.at(59), '*');
    EXPECT_EQ(image.at(60), 0);
}

TEST(DefaultFill, LeavesMarkerSpareBytesAndCharacterRecordsAlone) {
    device::SettingsImage image;
    for (int i : {0, 5, 67, 69, 100, 122, 123, 126}) {
        image.set(i, 0xC3);
    }
    image.set(device::image_index::kStandby, 9);
    fillFromWindow(image, defaultValues(), StandbyByte::Keep);
    for (int i : {0, 5, 67, 69, 100, 122, 123, 126}) {
        EXPECT_EQ(image.at(i), 0xC3) << "index " << i;
    }
    EXPECT_EQ(image.at(device::image_index::kStandby), 9);
}

TEST(ScrollFlags, EachUncheckedBoxSetsItsBit) {
    struct Case {
        bool upper, lower;
        std::uint8_t flags;
    };
    for (const Case c :
         {Case{true, true, 0}, Case{false, true, 1}, Case{true, false, 2}, Case{false, false, 3}}) {
        EXPECT_EQ(scrollFlags(c.upper, c.lower), c.flags);
        const auto boxes = scrollBoxesFromFlags(c.flags);
        ASSERT_TRUE(boxes.has_value());
        EXPECT_EQ(boxes->upper, c.upper);
        EXPECT_EQ(boxes->lower, c.lower);

        WindowValues values;
        values.scrollUpper = c.upper;
        values.scrollLower = c.lower;
        device::SettingsImage image;
        fillFromWindow(image, values);
        EXPECT_EQ(image.at(device::image_index::kScrollFlags), c.flags);
    }
    EXPECT_FALSE(scrollBoxesFromFlags(4).has_value());
    EXPECT_FALSE(scrollBoxesFromFlags(0xFF).has_value());
}

TEST(JoinAndPair, JoinsTheCellsBeforePairingTheDigits) {
    struct Case {
        const char* what;
        std::vector<std::string> cells;
        std::vector<std::uint8_t> bytes;  // the first bytes; the rest must be 0
    };
    const Case cases[] = {
        {"two digits a cell", {"41", "42", "43"}, {0x41, 0x42, 0x43}},
        {"lower case", {"4f", "4F", "ab"}, {0x4F, 0x4F, 0xAB}},
        {"an empty cell moves the rest up", {"41", "", "42"}, {0x41, 0x42}},
        {"leading empty cell", {"", "41"}, {0x41}},
        {"single-digit cells pair up", {"4", "14"}, {0x41, 0x40}},
        {"single digits 4 and 1 then pairs", {"4", "1", "42", "43"}, {0x41, 0x42, 0x43}},
        {"odd length: the last digit is a high digit", {"41", "5"}, {0x41, 0x50}},
        {"non-hex high digit counts 0", {"G5"}, {0x05}},
        {"non-hex low digit counts 0", {"5G"}, {0x50}},
        {"blank counts 0", {" 7"}, {0x07}},
        {"all empty", {"", "", ""}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto bytes = joinAndPair(c.cells, 20);
        ASSERT_EQ(bytes.size(), 20u);
        std::vector<std::uint8_t> expected(20, 0);
        std::copy(c.bytes.begin(), c.bytes.end(), expected.begin());
        EXPECT_EQ(bytes, expected);
    }
}

TEST(JoinAndPair, ShiftedCellsMoveEveryLaterByteOfAFullLine) {
    // Cells 1 and 2 hold the single digits 4 and 1, cells 3 to 20 two digits each: cell k then
    // lands at byte k - 1 and the last byte of the line is 0.
    std::vector<std::string> cells = {"4", "1"};
    for (int k = 3; k <= 20; ++k) {
        cells.push_back(hexByte(static_cast<std::uint8_t>(0x40 + k)));
    }
    const auto bytes = joinAndPair(cells, 20);
    EXPECT_EQ(bytes[0], 0x41);
    for (int k = 3; k <= 20; ++k) {
        EXPECT_EQ(bytes[static_cast<std::size_t>(k - 2)], 0x40 + k) << "cell " << k;
    }
    EXPECT_EQ(bytes[19], 0);
}

TEST(StrToDec, ReadsOneHexDigitAndCountsAnythingElseZero) {
    struct Case {
        const char* text;
        int value;
    };
    for (const Case c : {Case{"0", 0}, Case{"9", 9}, Case{"A", 10}, Case{"a", 10}, Case{"F", 15},
                         Case{"f", 15}, Case{"c", 12}, Case{"", 0}, Case{" ", 0}, Case{"G", 0},
                         Case{"z", 0}, Case{"/", 0}, Case{":", 0}, Case{"@", 0}}) {
        EXPECT_EQ(strToDec(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(HexText, WritesUpperCaseWithAndWithoutPadding) {
    EXPECT_EQ(hexByte(0x00), "00");
    EXPECT_EQ(hexByte(0x0A), "0A");
    EXPECT_EQ(hexByte(0xFF), "FF");
    EXPECT_EQ(hexNoPad(0x05), "5");
    EXPECT_EQ(hexNoPad(0x7E), "7E");
}

TEST(StandbyText, GivesAPositionOnlyForZeroToTenMinutes) {
    struct Case {
        const char* text;
        int position;
    };
    const Case cases[] = {
        {"No Stand-by Status (Default)", 0},
        {"1 minute", 1},
        {"10 minutes", 10},
        {"0", 0},
        {"7", 7},
        {" 3 ", 3},
        {"4 MINUTES", 4},
        {"1 minutes", 1},
        {"10", 10},
        {"11", -1},
        {"100", -1},
        {"-1", -1},
        {"", -1},
        {"five", -1},
        {"5 hours", -1},
        {"2.5", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(device::standbyPositionFromText(c.text), c.position) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace vfd::config
