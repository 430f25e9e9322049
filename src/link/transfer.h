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

// The one rule of every wait for the output to leave, in the exchanges and in a port's close:
// the wait goes on while the bytes still to send get fewer, and a queue that has not got shorter
// for kDrainLimitMs belongs to a stuck line. The limit counts from the last time the queue got
// shorter, so a long block at a slow speed is not taken for a stuck line while it is moving.
class DrainWatch {
public:
    enum class State { Empty, Moving, Stuck };
    // `queued`: the bytes still to send, looked at `nowMs` (a millisecond tick).
    State look(int queued, std::uint32_t nowMs);

private:
    int left_ = -1;
    std::uint32_t since_ = 0;
};

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
