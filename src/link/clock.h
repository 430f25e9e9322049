// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace vfd::link {

// The 32-bit millisecond tick count, and the one place where window events may run during an
// operation.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t tickCount() = 0;
    // Lets pending window events run, waiting at most `maxWaitMs` for one to arrive.
    virtual void runEvents(int maxWaitMs) = 0;
};

// Tick differences are taken modulo 2^32 and read as signed, so passing 0x7FFFFFFF or wrapping
// to 0 does not disturb a wait.
inline std::int32_t ticksBetween(std::uint32_t start, std::uint32_t now) {
    return static_cast<std::int32_t>(now - start);
}

// Waits at least `ms` milliseconds of tick time while window events run.
void delayMs(Clock& clock, std::int32_t ms);

}  // namespace vfd::link
