// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace vfd::testing {

// The virtual display as its own process on a pseudo-terminal, reached through the port folder
// like any adapter. Each instance gets a private port folder and settings file.
class SimProcess {
public:
    // Starts the display as port `number` with extra options (faults, serial number, date).
    explicit SimProcess(int number = 1, const QStringList& options = {});
    ~SimProcess();

    bool started() const { return started_; }
    QString portText() const { return QStringLiteral("Com %1").arg(number_); }
    QString statePath() const { return dir_.filePath(QStringLiteral("display-settings.bin")); }

    // Everything the display printed so far.
    QByteArray output();
    // Waits until the display has printed `text` (counting from the start), at most `ms`.
    bool waitForOutput(const QByteArray& text, int ms = 5000);
    // Waits until the display has printed `text` after the current end of its output.
    void markOutput() { mark_ = output().size(); }
    bool waitForOutputAfterMark(const QByteArray& text, int ms = 5000);

    // Powers the display off and on (SIGHUP), so that what was downloaded takes effect, and
    // waits until it has started again.
    bool restart(int ms = 5000);

    void stop();

private:
    int number_;
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray output_;
    qsizetype mark_ = 0;
    bool started_ = false;
};

// Points this process's port folder at a fresh folder of its own, so that tests running side by
// side do not see each other's ports.
void usePrivatePortFolder();

}  // namespace vfd::testing
