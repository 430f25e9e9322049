// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <stdexcept>

#include "device/date_stamp.h"
#include "device/option_lists.h"
#include "device/settings_file.h"
#include "device/settings_image.h"

namespace vfd::device {
namespace {

TEST(DateStamp, DigitsAndCheckByteForKnownDates) {
    struct Case {
        Date date;
        DateStamp stamp;
        std::uint8_t check;
    };
    const Case cases[] = {
        {{2026, 12, 6}, {2, 0, 2, 6, 1, 2, 0, 6}, 138},   // p = 12 * 12 = 144, d = 6
        {{2031, 3, 25}, {2, 0, 3, 1, 0, 3, 2, 5}, 23},    // p = 16 * 3 = 48, d = 25
        {{2026, 1, 9}, {2, 0, 2, 6, 0, 1, 0, 9}, 3},      // tens digits 0 for month and day
        {{2000, 12, 31}, {2, 0, 0, 0, 1, 2, 3, 1}, 209},  // p = 240
        {{2001, 11, 1}, {2, 0, 0, 1, 1, 1, 0, 1}, 208},   // p = 209
        {{2000, 13, 0}, {2, 0, 0, 0, 1, 3, 0, 0}, 255},   // p = 260 is held at 255
        {{2019, 5, 30}, {2, 0, 1, 9, 0, 5, 3, 0}, 20},    // p = 50, answer d - p
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.date.year * 10000 + c.date.month * 100 + c.date.day);
        EXPECT_EQ(dateStamp(c.date), c.stamp);
        EXPECT_EQ(downloadCheckByte(c.stamp), c.check);
    }
}

TEST(ImageAndBody, TheBodyIsTheImageWithoutItsMarker) {
    ImageBytes bytes{};
    for (int i = 0; i < kImageSize; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    const SettingsImage image(bytes);
    const BodyBytes body = image.body();
    EXPECT_EQ(body.front(), 1);
    EXPECT_EQ(body.back(), 126);
    for (const int index : {1, image_index::kCommand, image_index::kPassthru, 126}) {
        EXPECT_EQ(bodyByte(body, index), image.at(index)) << index;
    }
    EXPECT_EQ(SettingsImage::fromBody(body).at(image_index::kMarker), 0);
    EXPECT_EQ(SettingsImage::fromBody(body).body(), body);
    EXPECT_THROW(bodyOffset(0), std::out_of_range);
    EXPECT_THROW(bodyOffset(kImageSize), std::out_of_range);
}

TEST(TypedFields, ReadAndWriteTheirOwnImageBytes) {
    SettingsImage image;
    image.setEmulation(Emulation::Cd5220);
    image.setCharacterSet(CharacterSet::Russia);
    image.setLineSpeed(LineSpeed::Baud19200);
    image.setPassThrough(PassThrough::WithoutEscPos);
    image.setStandBy(StandBy::Longest);
    image.setScrollFlags(ScrollFlags::of(false, true));
    EXPECT_EQ(image.at(image_index::kCommand), 7);
    EXPECT_EQ(image.at(image_index::kCharSet), 12);
    EXPECT_EQ(image.at(image_index::kLineSpeed), 1);
    EXPECT_EQ(image.at(image_index::kPassthru), 2);
    EXPECT_EQ(image.at(image_index::kStandby), 10);
    EXPECT_EQ(image.at(image_index::kScrollFlags), ScrollFlags::kUpperLineHeld);
    EXPECT_EQ(caption(image.emulation()), "CD5220");
    EXPECT_EQ(caption(image.characterSet()), "RUSSIA");
    EXPECT_EQ(shortName(Emulation::Epson), "EPSON");
    EXPECT_EQ(caption(static_cast<Emulation>(10)), "");
}

TEST(TypedFields, AStoredEmulationOutsideTheListRunsTheFactoryOne) {
    EXPECT_EQ(emulationOf(7), Emulation::Cd5220);
    EXPECT_EQ(emulationOf(10), kFactoryEmulation);
    EXPECT_EQ(emulationOf(0xFF), Emulation::Epson);
}

TEST(ScrollFlags, EachHeldLineHasItsBitAndNothingAboveThemIsValid) {
    struct Case {
        std::uint8_t bits;
        bool valid, upper, lower;
    };
    for (const Case c : {Case{0, true, true, true}, Case{1, true, false, true},
                         Case{2, true, true, false}, Case{3, true, false, false},
                         Case{4, false, true, true}, Case{0xFF, false, false, false}}) {
        const ScrollFlags flags{c.bits};
        EXPECT_EQ(flags.valid(), c.valid) << int{c.bits};
        EXPECT_EQ(flags.upperScrolls(), c.upper) << int{c.bits};
        EXPECT_EQ(flags.lowerScrolls(), c.lower) << int{c.bits};
        if (c.valid) {
            EXPECT_EQ(ScrollFlags::of(c.upper, c.lower), flags);
        }
    }
}

TEST(FactoryImage, HoldsTheFactoryEmulationAndBothWelcomeMessages) {
    const SettingsImage image = factoryImage();
    EXPECT_EQ(image.emulation(), Emulation::Epson);
    EXPECT_EQ(image.at(image_index::kMessage1), '*');
    EXPECT_EQ(image.at(image_index::kMessage2 + 32), '*');
    EXPECT_EQ(image.at(image_index::kMessage2 + 33), 0);
    EXPECT_EQ(image.at(image_index::kCharSet), 0);
}

TEST(SettingsFileBytes, ASaveKeepsWhatALongerFileHeldPastTheBody) {
    BodyBytes body{};
    body.fill(0x11);
    EXPECT_EQ(formatSettingsFile(body, {}), std::vector<std::uint8_t>(kBodySize, 0x11));
    const std::vector<std::uint8_t> shorter(10, 0x22);
    EXPECT_EQ(formatSettingsFile(body, shorter).size(), static_cast<std::size_t>(kBodySize));
    std::vector<std::uint8_t> longer(kBodySize + 3, 0x22);
    longer.back() = 0x33;
    const auto saved = formatSettingsFile(body, longer);
    ASSERT_EQ(saved.size(), longer.size());
    EXPECT_EQ(saved[kBodySize - 1], 0x11);
    EXPECT_EQ(saved[kBodySize], 0x22);
    EXPECT_EQ(saved.back(), 0x33);
}

}  // namespace
}  // namespace vfd::device
