// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>

#include "link/clock.h"

namespace vfd::link {

// The real tick count (milliseconds since the clock was made, wrapping at 2^32 like the system's)
// and the application's event loop.
class QtClock : public Clock {
public:
    QtClock();
    std::uint32_t tickCount() override;
    void runEvents(int maxWaitMs) override;

private:
    QElapsedTimer timer_;
};

}  // namespace vfd::link
