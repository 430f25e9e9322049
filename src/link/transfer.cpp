// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/transfer.h"

namespace vfd::link {

DrainWatch::State DrainWatch::look(int queued, std::uint32_t nowMs) {
    if (queued == 0) {
        return State::Empty;
    }
    if (left_ < 0 || queued < left_) {
        left_ = queued;
        since_ = nowMs;
    }
    return ticksBetween(since_, nowMs) > kDrainLimitMs ? State::Stuck : State::Moving;
}

namespace {
// Waits until the output queue is empty.
LineStatus drain(Port& port, Clock& clock) {
    DrainWatch watch;
    for (;;) {
        if (port.error() != PortError::None) {
            return LineStatus::Lost;
        }
        switch (watch.look(port.bytesToWrite(), clock.tickCount())) {
            case DrainWatch::State::Empty:
                return LineStatus::Ok;
            case DrainWatch::State::Stuck:
                return LineStatus::Stuck;
            case DrainWatch::State::Moving:
                break;
        }
        port.waitForOutput(1);
        clock.keepAlive();
    }
}
}  // namespace

LineStatus sendByte(Port& port, Clock& clock, std::uint8_t byte) {
    return writeBlock(port, clock, std::span<const std::uint8_t>(&byte, 1));
}

LineStatus sendBytes(Port& port, Clock& clock, std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        if (const LineStatus status = sendByte(port, clock, b); status != LineStatus::Ok) {
            return status;
        }
    }
    return LineStatus::Ok;
}

LineStatus writeBlock(Port& port, Clock& clock, std::span<const std::uint8_t> bytes) {
    if (port.write(bytes) != PortError::None) {
        return LineStatus::Lost;
    }
    return drain(port, clock);
}

namespace {
// The reply wait itself; waitForBytes tells the window when it begins and ends.
WaitResult waitUntil(Port& port, Clock& clock, int wanted, int limitMs) {
    const std::uint32_t start = clock.tickCount();
    for (;;) {
        const std::int32_t elapsed = ticksBetween(start, clock.tickCount());
        const int available = port.bytesAvailable();
        if (port.error() != PortError::None) {
            return {available, LineStatus::Lost};
        }
        if (available >= wanted || elapsed > limitMs) {
            return {available, LineStatus::Ok};
        }
        port.waitForInput(clock.waitSlice(limitMs - elapsed + 1));
        clock.keepAlive();
    }
}
}  // namespace

WaitResult waitForBytes(Port& port, Clock& clock, int wanted, int limitMs) {
    clock.announceWait(limitMs);
    const WaitResult result = waitUntil(port, clock, wanted, limitMs);
    clock.announceWait(0);
    return result;
}

PortError openPort(Port& port, const std::string& device, const LineSettings& settings) {
    port.setPortName(device);
    port.setSettings(settings);
    const PortError result = port.open();
    if (result != PortError::None) {
        port.close();
    }
    return result;
}

}  // namespace vfd::link
