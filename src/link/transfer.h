// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "link/clock.h"
#include "link/port.h"

namespace vfd::link {

// How long the output queue may stand still before the line counts as stuck. A byte takes about
// 1 ms at 9600 baud; a port that sends nothing for seconds is not sending.
inline constexpr int kDrainLimitMs = 2000;

enum class LineStatus {
    Ok,
    Lost,   // the port reported a failure (hung up, write refused)
    Stuck,  // the output queue stood still for kDrainLimitMs
};

// Writes one byte and waits until it has left the output buffer, so that the protocols go out
// one byte at a time, each after the previous one.
LineStatus sendByte(Port& port, Clock& clock, std::uint8_t byte);

// Sends the bytes one at a time with sendByte, stopping at the first failure.
LineStatus sendBytes(Port& port, Clock& clock, std::span<const std::uint8_t> bytes);
inline LineStatus sendBytes(Port& port, Clock& clock, std::initializer_list<std::uint8_t> bytes) {
    return sendBytes(port, clock, std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
}

// Writes a block in one write and waits until it has left the output buffer.
LineStatus writeBlock(Port& port, Clock& clock, std::span<const std::uint8_t> bytes);

struct WaitResult {
    int available = 0;  // bytes waiting when the wait ended
    LineStatus status = LineStatus::Ok;
};

// The reply wait: returns once `wanted` bytes are waiting or more than `limitMs` milliseconds
// have passed since it began. Runs no window events unless the clock keeps a window alive.
WaitResult waitForBytes(Port& port, Clock& clock, int wanted, int limitMs);

// Opens `device` with `settings`; on failure the port is left closed.
PortError openPort(Port& port, const std::string& device, const LineSettings& settings);

}  // namespace vfd::link
