// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/qt/qt_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace vfd::link {

QtClock::QtClock() {
    timer_.start();
}

std::uint32_t QtClock::tickCount() {
    return static_cast<std::uint32_t>(timer_.elapsed());
}

void QtClock::runEvents(int maxWaitMs) {
    if (maxWaitMs <= 0 || QCoreApplication::instance() == nullptr) {
        QCoreApplication::processEvents();
        return;
    }
    // Sleep in the event loop rather than spinning: clicks and repaints run as they come, and the
    // loop ends when the time is up.
    QEventLoop loop;
    QTimer::singleShot(maxWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace vfd::link
