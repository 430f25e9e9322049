// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <cstdio>

namespace vfd::bench {

// Starts the virtual display headless as port 7 with its memory in `stateFile`, and waits until
// it says where it listens. False, with what it printed on standard error, when it did not start.
inline bool startDisplay(QProcess& sim, const QString& simPath, const QString& stateFile) {
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(simPath, {"--headless", "--port", "7", "--state", stateFile});
    QByteArray out;
    while (!out.contains("Virtual display on") && sim.waitForReadyRead(5000)) {
        out += sim.readAll();
    }
    if (!out.contains("Virtual display on")) {
        std::fprintf(stderr, "the virtual display did not start: %s\n", out.constData());
        return false;
    }
    return true;
}

}  // namespace vfd::bench
