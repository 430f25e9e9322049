// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "link/clock.h"

namespace vfd::testing {

// A tick count that moves only when something waits, so "answers after 1900 ms" is exact and
// instant. Events scheduled with after() run inside runEvents() when their time comes, the way a
// click runs inside a delay.
class FakeClock : public link::Clock {
public:
    explicit FakeClock(std::uint32_t start = 100000) : start_(start) {}

    std::uint32_t tickCount() override { return start_ + static_cast<std::uint32_t>(elapsed_); }
    void runEvents(int maxWaitMs) override;

    // Milliseconds since the clock was made; never wraps.
    std::int64_t elapsed() const { return elapsed_; }
    void advance(int ms);
    void after(int ms, std::function<void()> event);

    int eventRuns() const { return eventRuns_; }

private:
    std::uint32_t start_;
    std::int64_t elapsed_ = 0;
    std::multimap<std::int64_t, std::function<void()>> events_;
    int eventRuns_ = 0;
};

}  // namespace vfd::testing
