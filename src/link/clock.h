// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace vfd::link {

// The 32-bit millisecond tick count, and the one place where window events may run during an
// operation.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t tickCount() = 0;
    // Lets pending window events run, waiting at most `maxWaitMs` for one to arrive.
    virtual void runEvents(int maxWaitMs) = 0;

    // A window that stays alive while it waits for the display: `keepAlive` runs its pending
    // events (input to its controls is kept away from them by the window itself) at most every
    // kKeepAliveEveryMs during reply waits and output drains; `onWait` hears the limit of each
    // reply wait as it begins, and 0 when it has ended. Without them the waits run no events.
    void setWindowHooks(std::function<void()> keepAlive, std::function<void(int)> onWait);

    // Called by the waits; cheap when nothing is due.
    void keepAlive();
    void announceWait(int limitMs);
    // How long one blocking wait may last before the window's events run again.
    int waitSlice(int remainingMs) const;

private:
    std::function<void()> keepAlive_;
    std::function<void(int)> onWait_;
    std::uint32_t lastAlive_ = 0;
};

inline constexpr int kKeepAliveEveryMs = 20;

// Tick differences are taken modulo 2^32 and read as signed, so passing 0x7FFFFFFF or wrapping
// to 0 does not disturb a wait.
inline std::int32_t ticksBetween(std::uint32_t start, std::uint32_t now) {
    return static_cast<std::int32_t>(now - start);
}

// The computer's own monotonic millisecond tick, for the waits of a port adapter that have no
// Clock (its close).
std::uint32_t millisecondTick();

// Waits at least `ms` milliseconds of tick time while window events run.
void delayMs(Clock& clock, std::int32_t ms);

}  // namespace vfd::link
