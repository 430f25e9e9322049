// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "device/settings_image.h"

namespace vfd::testing {

// The image a configuration window at its defaults fills, written out by hand from the
// documented layout rather than from the option tables: "EPSON (Default)" is position 1 at
// index 6, the two default welcome messages at 7 and 27, everything else 0.
inline device::ImageBytes defaultFilledImage() {
    device::ImageBytes expected{};
    expected[6] = 1;
    constexpr std::string_view upper = "*** VFD DISPLAY  ***";
    constexpr std::string_view lower = "**HAVE A NICE DAY AND THANK YOU**";
    for (std::size_t k = 0; k < upper.size(); ++k) {
        expected[7 + k] = static_cast<std::uint8_t>(upper[k]);
    }
    for (std::size_t k = 0; k < lower.size(); ++k) {
        expected[27 + k] = static_cast<std::uint8_t>(lower[k]);
    }
    return expected;
}

}  // namespace vfd::testing
