// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/clock.h"

#include <algorithm>

namespace vfd::link {

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
