// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/clock.h"

#include <algorithm>
#include <chrono>

namespace vfd::link {

void Clock::setWindowHooks(std::function<void()> keepAlive, std::function<void(int)> onWait) {
    keepAlive_ = std::move(keepAlive);
    onWait_ = std::move(onWait);
}

void Clock::keepAlive() {
    if (!keepAlive_) {
        return;
    }
    const std::uint32_t now = tickCount();
    if (ticksBetween(lastAlive_, now) >= 0 && ticksBetween(lastAlive_, now) < kKeepAliveEveryMs) {
        return;
    }
    lastAlive_ = now;
    keepAlive_();
}

void Clock::announceWait(int limitMs) {
    if (onWait_) {
        onWait_(limitMs);
    }
}

int Clock::waitSlice(int remainingMs) const {
    return keepAlive_ ? std::min(remainingMs, kKeepAliveEveryMs) : remainingMs;
}

std::uint32_t millisecondTick() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void delayMs(Clock& clock, std::int32_t ms) {
    std::uint32_t start = clock.tickCount();
    std::int32_t elapsed = 0;
    for (;;) {
        clock.runEvents(std::max<std::int32_t>(0, ms - elapsed));
        elapsed = ticksBetween(start, clock.tickCount());
        if (elapsed < 0) {
            // The count went backwards: start the wait again from here.
            start = clock.tickCount();
            elapsed = 0;
        }
        if (elapsed >= ms) {
            return;
        }
    }
}

}  // namespace vfd::link
