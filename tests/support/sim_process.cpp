// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/sim_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <csignal>
#include <memory>
#include <vector>

namespace vfd::testing {

void usePrivatePortFolder() {
    // A fresh folder every time: a display that had to be killed leaves its link behind, and a
    // link to a pseudo-terminal number that has since been reused looks like a live port.
    static std::vector<std::unique_ptr<QTemporaryDir>> folders;
    folders.push_back(std::make_unique<QTemporaryDir>());
    qputenv("XDG_RUNTIME_DIR", folders.back()->path().toLocal8Bit());
}

SimProcess::SimProcess(int number, const QStringList& options) : number_(number) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args = {QStringLiteral("--headless"), QStringLiteral("--port"),
                        QString::number(number), QStringLiteral("--state"), statePath()};
    args += options;
    process_.start(QStringLiteral(VFDSIM_PATH), args);
    started_ = process_.waitForStarted(5000) && waitForOutput("Virtual display on", 5000);
}

SimProcess::~SimProcess() {
    stop();
}

bool SimProcess::restart(int ms) {
    markOutput();
    ::kill(static_cast<pid_t>(process_.processId()), SIGHUP);
    return waitForOutputAfterMark("restarted: ", ms);
}

void SimProcess::stop() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

QByteArray SimProcess::output() {
    output_ += process_.readAll();
    return output_;
}

bool SimProcess::waitForOutput(const QByteArray& text, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!output().contains(text)) {
        const auto left = ms - timer.elapsed();
        if (left <= 0 || process_.state() == QProcess::NotRunning) {
            return output().contains(text);
        }
        process_.waitForReadyRead(static_cast<int>(left));
    }
    return true;
}

bool SimProcess::waitForOutputAfterMark(const QByteArray& text, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (output().indexOf(text, mark_) < 0) {
        const auto left = ms - timer.elapsed();
        if (left <= 0 || process_.state() == QProcess::NotRunning) {
            return output().indexOf(text, mark_) >= 0;
        }
        process_.waitForReadyRead(static_cast<int>(left));
    }
    return true;
}

}  // namespace vfd::testing
