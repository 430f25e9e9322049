// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "config/hex_text.h"
#include "config/window_values.h"
#include "device/option_lists.h"
#include "device/settings_image.h"
#include "fuzz_check.h"

namespace vfd::fuzz {

// What the configuration window does with an image it has loaded or received: takes the window
// update from it, shows the messages as hexadecimal cells and reads them back the way a later
// download does. Every list value the update carries is one of its list's positions, the
// messages come back unchanged, and an image whose every value the window can show comes back
// byte for byte when the window fills an image from what it shows.
inline void checkWindowUpdate(const device::SettingsImage& image) {
    using namespace device::image_index;
    const config::WindowUpdate u = config::windowUpdateFromImage(image);
    FUZZ_CHECK(u.baudRate.has_value() == device::kBaudRateList.has(image.at(kLineSpeed)));
    FUZZ_CHECK(u.charSet.has_value() == device::kCharList.has(image.at(kCharSet)));
    FUZZ_CHECK(u.command.has_value() == device::kCommandList.has(image.at(kCommand)));
    FUZZ_CHECK(u.passthru.has_value() == device::kPassthruList.has(image.at(kPassthru)));
    FUZZ_CHECK(u.standby.has_value() == device::kStandbyList.has(image.at(kStandby)));
    FUZZ_CHECK(u.scroll.has_value() == (image.at(kScrollFlags) <= 3));

    auto shownAndRead = [](std::span<const std::uint8_t> bytes) {
        std::vector<std::string> cells;
        for (const std::uint8_t b : bytes) {
            cells.push_back(config::hexByte(b));
        }
        return config::joinAndPair(cells, static_cast<int>(bytes.size()));
    };
    const auto m1 = shownAndRead(u.message1);
    const auto m2 = shownAndRead(u.message2);
    FUZZ_CHECK(std::equal(m1.begin(), m1.end(), u.message1.begin(), u.message1.end()));
    FUZZ_CHECK(std::equal(m2.begin(), m2.end(), u.message2.begin(), u.message2.end()));
    for (int k = 0; k < device::kMessage1Length; ++k) {
        FUZZ_CHECK(u.message1[static_cast<std::size_t>(k)] == image.at(kMessage1 + k));
    }
    for (int k = 0; k < device::kMessage2Length; ++k) {
        FUZZ_CHECK(u.message2[static_cast<std::size_t>(k)] == image.at(kMessage2 + k));
    }

    if (u.baudRate && u.charSet && u.command && u.passthru && u.standby && u.scroll) {
        config::WindowValues values;
        values.baudRate = *u.baudRate;
        values.charSet = *u.charSet;
        values.command = *u.command;
        values.passthru = *u.passthru;
        values.standby = *u.standby;
        values.scrollUpper = u.scroll->upper;
        values.scrollLower = u.scroll->lower;
        std::copy(m1.begin(), m1.end(), values.message1.begin());
        std::copy(m2.begin(), m2.end(), values.message2.begin());
        device::SettingsImage again = image;
        config::fillFromWindow(again, values);
        FUZZ_CHECK(again == image);
    }
}

}  // namespace vfd::fuzz
