// SPDX-License-Identifier: GPL-3.0-or-later
// A test station in a process of its own, for the tests that kill it, run it as another user or
// on a full disk, or run two of them at once: Tymbrik's window (offscreen) runs screen tests
// back to back on one port while an operator's hand presses OK (or presses another button, a
// range button say, as often). One line on standard output for each thing the operator is told:
//   ready <port>                  the window is up and has searched the ports
//   told <message box text>       a message box (the records' own messages among them)
//   shown <verdict window text>   the red message window; the record is kept before it shows
//   state <text>                  the line database's state line, whenever it changes
//   done                          every run is over (and, with --linger, every record sent)
//
//   tymbrik_station --records FILE [--port N] [--runs N] [--click BUTTON] [--pause MS]
//                   [--station NAME] [--line-database CONNINFO] [--linger SECONDS]
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "support/operator_hand.h"
#include "support/scripted_dialogs.h"
#include "testtool/message_window.h"
#include "testtool/tymbrik_window.h"

namespace {

constexpr qint64 kSettleMs = 6000;

void say(const char* what, QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::printf("%s %s\n", what, text.toUtf8().constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption records("records", "records file", "file");
    const QCommandLineOption port("port", "port number", "n", "1");
    const QCommandLineOption runs("runs", "screen tests", "n", "1");
    const QCommandLineOption station("station", "station name", "name");
    const QCommandLineOption line("line-database", "line database", "conninfo");
    const QCommandLineOption click("click", "the button each run presses", "name", "ScreenTest");
    const QCommandLineOption pause("pause", "between two tests", "ms", "0");
    const QCommandLineOption linger("linger", "wait until every record is sent", "seconds", "0");
    parser.addOptions({records, port, runs, click, pause, station, line, linger});
    parser.process(app);

    vfd::testing::ScriptedDialogs dialogs;
    dialogs.onMessage = [](const QString& text, const QString& detail) {
        say("told", detail.isEmpty() ? text : text + QLatin1Char(' ') + detail);
    };
    vfd::testtool::TymbrikWindowServices services;
    services.dialogs = &dialogs;
    services.recordsPath = parser.value(records);
    services.station = parser.value(station);
    services.lineDatabase = parser.value(line);
    vfd::testtool::TymbrikWindow window(services);
    window.findChild<QComboBox*>(QStringLiteral("Comm"))
        ->setCurrentIndex(parser.value(port).toInt() - 1);
    const vfd::testing::OperatorHand hand(
        [&] { return &window.messageWindow(); },
        [](const vfd::testtool::MessageWindow& box) {
            // The explanation in small print, when there is one, after a bar.
            say("shown", box.detail().isEmpty()
                             ? box.message()
                             : box.message() + QStringLiteral(" | ") + box.detail());
        });
    // The window has searched the ports; another station started now cannot make this one's
    // search find a port busy.
    say("ready", window.findChild<QComboBox*>(QStringLiteral("Comm"))->currentText());
    auto* state = window.findChild<QLabel*>(QStringLiteral("LineDatabaseState"));
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [state, last = QString()]() mutable {
        if (state->text() != last) {
            last = state->text();
            say("state", last);
        }
    });
    watch.start(50);

    auto* start = window.findChild<QPushButton*>(parser.value(click));
    for (int i = 0; i < parser.value(runs).toInt(); ++i) {
        if (i > 0) {
            // The operator puts the next display on the line; the records go on meanwhile.
            QElapsedTimer between;
            between.start();
            while (between.elapsed() < parser.value(pause).toLongLong()) {
                QApplication::processEvents(QEventLoop::AllEvents, 50);
            }
        }
        start->click();
    }
    // The records go on to the line database between tests; wait for the last ones.
    QElapsedTimer lingered;
    lingered.start();
    const qint64 lingerMs = parser.value(linger).toLongLong() * 1000;
    // The state line catches up at the next sync, a few seconds after the last record.
    while (lingered.elapsed() < lingerMs &&
           (lingered.elapsed() < kSettleMs || !state->text().isEmpty())) {
        QApplication::processEvents(QEventLoop::AllEvents, 100);
    }
    say("done", state->text());
    return 0;
}
