// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fake_clock.h"

#include <algorithm>

namespace vfd::testing {

void FakeClock::advance(int ms) {
    elapsed_ += std::max(ms, 0);
}

void FakeClock::after(int ms, std::function<void()> event) {
    events_.emplace(elapsed_ + std::max(ms, 0), std::move(event));
}

void FakeClock::runEvents(int maxWaitMs) {
    ++eventRuns_;
    const std::int64_t limit = elapsed_ + std::max(maxWaitMs, 1);
    if (!events_.empty() && events_.begin()->first <= limit) {
        elapsed_ = std::max(elapsed_, events_.begin()->first);
        auto event = std::move(events_.begin()->second);
        events_.erase(events_.begin());
        event();
        return;
    }
    elapsed_ = limit;
}

}  // namespace vfd::testing
