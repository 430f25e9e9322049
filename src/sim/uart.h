// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vfd::sim {

// The line parameters of one end of a serial line.
struct LineParameters {
    int baud = 9600;
    int dataBits = 8;
    char parity = 'n';  // 'n', 'e' or 'o'
    int stopBits = 1;
    bool operator==(const LineParameters&) const = default;
};

// What a receiver set to `receiver` makes of `bytes` sent back to back by a sender set to
// `sender`: the line's levels are sampled the way a UART samples them (a falling edge starts a
// frame, each bit is read in its middle) and frames with a bad stop bit or parity are dropped.
// With equal parameters the bytes arrive as sent.
std::vector<std::uint8_t> reframe(std::span<const std::uint8_t> bytes, const LineParameters& sender,
                                  const LineParameters& receiver);

}  // namespace vfd::sim
