// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/uart.h"

#include <gtest/gtest.h>

#include "bytes.h"

namespace vfd::sim {
namespace {

TEST(Uart, OnlyMatchingLineParametersCarryTheBytes) {
    const Bytes sent = {0x1B, 0xEE, 0x1D, 0x49, 0x02, 'P', 'I', 'D', 0x00, 0xFF, 0xAA, 0x55};
    const LineParameters at9600{9600, 8, 'n', 1};
    struct Case {
        const char* what;
        LineParameters sender;
        LineParameters receiver;
        bool intact;
    };
    const Case cases[] = {
        {"same parameters", at9600, at9600, true},
        {"same at 19200", {19200, 8, 'n', 1}, {19200, 8, 'n', 1}, true},
        {"tool 9600, display 19200", at9600, {19200, 8, 'n', 1}, false},
        {"tool 19200, display 9600", {19200, 8, 'n', 1}, at9600, false},
        {"seven data bits", {9600, 7, 'n', 1}, at9600, false},
        {"even parity into no parity", {9600, 8, 'e', 1}, at9600, false},
        {"no parity into odd parity", at9600, {9600, 8, 'o', 1}, false},
    };
    for (const Case& c : cases) {
        const Bytes got = reframe(sent, c.sender, c.receiver);
        EXPECT_EQ(got == sent, c.intact) << c.what;
        if (!c.intact) {
            // Not even the command bytes a display looks for survive.
            EXPECT_EQ(std::search(got.begin(), got.end(), sent.begin(), sent.begin() + 2),
                      got.end())
                << c.what;
        }
    }
}

TEST(Uart, TwiceTheSpeedSplitsAFrameAndHalfTheSpeedMergesTwo) {
    // 0xFF at 9600 seen at 19200: the start bit lasts two bit times, so 0xFE arrives, and the
    // rest of the frame is idle line.
    EXPECT_EQ(reframe(Bytes{0xFF}, {9600, 8, 'n', 1}, {19200, 8, 'n', 1}), Bytes{0xFE});
    // At half the speed, start bits half a bit long are taken for glitches: nothing arrives.
    EXPECT_EQ(reframe(Bytes{0xFF, 0xFF}, {19200, 8, 'n', 1}, {9600, 8, 'n', 1}), Bytes{});
}

}  // namespace
}  // namespace vfd::sim
