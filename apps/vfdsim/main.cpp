// SPDX-License-Identifier: GPL-3.0-or-later
// vfdsim: a two-line customer display on a pseudo-terminal, for trying the tools without
// hardware and for the end-to-end tests.

#include <unistd.h>
#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringList>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "device/option_lists.h"
#include "link/port_names.h"
#include "sim/pty_host.h"
#include "sim/quit_signals.h"
#include "sim/terminal_view.h"
#include "sim/vfd_view.h"

namespace {

using namespace vfd::sim;

constexpr int kExitUsage = 2;
constexpr int kExitNoPort = 1;
constexpr int kLongestDelayMs = 600000;
constexpr int kLargestCount = 1 << 20;

// No window is wanted when running headless or only printing the help or the version, and then
// no display server is needed either.
bool wantsNoWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option :
             {"--headless", "--help", "-h", "-?", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

bool wantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            return true;
        }
    }
    return false;
}

[[noreturn]] void usageError(const QString& message) {
    std::cerr << "vfdsim: " << message.toStdString() << '\n';
    std::exit(kExitUsage);
}

std::optional<int> number(const QCommandLineParser& parser, const QString& name, int lowest,
                          int highest) {
    if (!parser.isSet(name)) {
        return std::nullopt;
    }
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < lowest || value > highest) {
        usageError(
            QStringLiteral("--%1 needs a number from %2 to %3").arg(name).arg(lowest).arg(highest));
    }
    return value;
}

std::string singleByteText(const QString& text) {
    return text.toLatin1().toStdString();
}

QString portText(const PtyHost& host) {
    return QStringLiteral("COM%1").arg(host.portNumber());
}

QString storedNote(StoreOutcome outcome, const FirmwareOptions& options) {
    if (outcome == StoreOutcome::FileFailed) {
        return QStringLiteral(
                   "stored settings, effective at the next restart (for this run only: %1 could "
                   "not be written)")
            .arg(QString::fromStdString(options.stateFile.string()));
    }
    return QStringLiteral("stored settings, effective at the next restart");
}

QString runningNote(const Firmware& firmware) {
    return QStringLiteral("%1 emulation, %2 baud")
        .arg(QString::fromUtf8(
            vfd::device::shortName(firmware.emulation()).data(),
            static_cast<qsizetype>(vfd::device::shortName(firmware.emulation()).size())))
        .arg(firmware.lineSpeed());
}

}  // namespace

int main(int argc, char** argv) {
    const bool headless = wantsHeadless(argc, argv);
    // Without a window there is no need for a display server.
    std::unique_ptr<QCoreApplication> app;
    if (wantsNoWindow(argc, argv)) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("vfdsim"));

    const QString defaultState = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                                 QStringLiteral("/display.vfd");

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A two-line VFD customer display on a pseudo-terminal, linked as COMn in the port "
        "folder."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Take port number N (default: the first free)."),
         QStringLiteral("N")},
        {QStringLiteral("state"),
         QStringLiteral("Keep the display's stored settings in FILE (default %1).")
             .arg(defaultState),
         QStringLiteral("FILE")},
        {QStringLiteral("headless"), QStringLiteral("No window; show the display on stdout.")},
        {QStringLiteral("serial"), QStringLiteral("Serial number to answer (default VD000001)."),
         QStringLiteral("TEXT")},
        {QStringLiteral("pid"), QStringLiteral("Product identity to answer (default PID:3524)."),
         QStringLiteral("TEXT")},
        {QStringLiteral("date"),
         QStringLiteral("The display's own date for the download check (default: agree with "
                        "the tool)."),
         QStringLiteral("YYYY-MM-DD")},
        {QStringLiteral("reply-delay"), QStringLiteral("Answer every request MS late."),
         QStringLiteral("MS")},
        {QStringLiteral("wrong-check"), QStringLiteral("Answer a download with a wrong check.")},
        {QStringLiteral("no-reply"), QStringLiteral("Answer nothing.")},
        {QStringLiteral("short-reply"), QStringLiteral("Send only the first N bytes of replies."),
         QStringLiteral("N")},
        {QStringLiteral("garble"), QStringLiteral("Flip bits in every reply byte.")},
        {QStringLiteral("extra-bytes"), QStringLiteral("Add N stray bytes to every reply."),
         QStringLiteral("N")},
        {QStringLiteral("bad-marker"), QStringLiteral("Start upload replies with a bad marker.")},
        {QStringLiteral("no-serial"), QStringLiteral("Do not answer the serial-number query.")},
        {QStringLiteral("hang-up-after"), QStringLiteral("Drop the line after receiving N bytes."),
         QStringLiteral("N")},
        {QStringLiteral("faults-only-on"),
         QStringLiteral("Apply the reply faults only to KIND: check, upload, identity or serial."),
         QStringLiteral("KIND")},
    });
    parser.process(*app);
    if (!parser.positionalArguments().isEmpty()) {
        usageError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments()[0]));
    }

    FirmwareOptions options;
    if (parser.isSet(QStringLiteral("serial"))) {
        options.serial = singleByteText(parser.value(QStringLiteral("serial")));
    }
    if (parser.isSet(QStringLiteral("pid"))) {
        options.pid = singleByteText(parser.value(QStringLiteral("pid")));
    }
    if (parser.isSet(QStringLiteral("date"))) {
        const QDate date = QDate::fromString(parser.value(QStringLiteral("date")), Qt::ISODate);
        if (!date.isValid()) {
            usageError(QStringLiteral("--date needs a date written YYYY-MM-DD"));
        }
        options.clock = vfd::device::Date{date.year(), date.month(), date.day()};
    }
    const QString state = parser.isSet(QStringLiteral("state"))
                              ? parser.value(QStringLiteral("state"))
                              : defaultState;
    options.stateFile = QDir::cleanPath(state).toStdString();

    Faults& faults = options.faults;
    faults.replyDelayMs =
        number(parser, QStringLiteral("reply-delay"), 0, kLongestDelayMs).value_or(0);
    faults.wrongCheck = parser.isSet(QStringLiteral("wrong-check"));
    faults.noReply = parser.isSet(QStringLiteral("no-reply"));
    faults.shortReply = number(parser, QStringLiteral("short-reply"), 0, kLargestCount);
    faults.garble = parser.isSet(QStringLiteral("garble"));
    faults.extraBytes = number(parser, QStringLiteral("extra-bytes"), 0, kLargestCount).value_or(0);
    faults.badMarker = parser.isSet(QStringLiteral("bad-marker"));
    faults.noSerial = parser.isSet(QStringLiteral("no-serial"));
    faults.hangUpAfter = number(parser, QStringLiteral("hang-up-after"), 0, kLargestCount);
    if (parser.isSet(QStringLiteral("faults-only-on"))) {
        const QString kind = parser.value(QStringLiteral("faults-only-on"));
        if (kind == QLatin1String("check")) {
            faults.only = ReplyKind::Check;
        } else if (kind == QLatin1String("upload")) {
            faults.only = ReplyKind::Upload;
        } else if (kind == QLatin1String("identity")) {
            faults.only = ReplyKind::Identity;
        } else if (kind == QLatin1String("serial")) {
            faults.only = ReplyKind::Serial;
        } else {
            usageError(QStringLiteral("--faults-only-on takes check, upload, identity or serial"));
        }
    }

    HostOptions hostOptions;
    hostOptions.portNumber =
        number(parser, QStringLiteral("port"), 1, vfd::link::kHighestPortNumber);

    PtyHost host(options);
    const HostStart started = host.start(hostOptions);
    if (!started.ok()) {
        std::cerr << "vfdsim: " << started.message << '\n';
        return kExitNoPort;
    }
    const FirmwareOptions& running = host.firmware().options();
    // Before the port is announced, so that whoever starts using it can already signal.
    auto restartDisplay = [&host] { host.restart(); };
    // A headless display restarts on SIGHUP, as daemons reread their configuration; a window
    // has its button and ends with its terminal.
    quitOnTerminationSignals(headless ? std::function<void()>(restartDisplay)
                                      : std::function<void()>());

    TerminalView terminal(std::cout, headless && isatty(STDOUT_FILENO) == 1);
    auto note = [&terminal](const QString& text) { terminal.note(text.toStdString()); };
    QString first = QStringLiteral("Virtual display on %1 (%2)")
                        .arg(portText(host), QString::fromStdString(host.devicePath()));
    // Said at once, so that nobody wonders why it is not on COM1.
    if (const auto& passed = host.numbersLeftToDevices(); !passed.empty()) {
        QStringList names;
        for (int n : passed) {
            names.append(QStringLiteral("COM%1 (%2)")
                             .arg(n)
                             .arg(QString::fromStdString(vfd::link::fixedDeviceName(n))));
        }
        first.append(QStringLiteral("; left to the computer's own port%1: %2")
                         .arg(passed.size() == 1 ? QString() : QStringLiteral("s"),
                              names.join(QStringLiteral(", "))));
    }
    note(first);
    auto noteDamaged = [&] {
        if (host.firmware().loadOutcome() == LoadOutcome::Damaged) {
            note(QStringLiteral("%1 is not a display memory; starting with factory settings")
                     .arg(QString::fromStdString(running.stateFile.string())));
        }
    };
    noteDamaged();
    note(runningNote(host.firmware()));

    std::unique_ptr<QWidget> window;
    QLabel* status = nullptr;
    if (headless) {
        terminal.show(host.firmware().screen());
        QObject::connect(&host, &PtyHost::screenChanged, &host,
                         [&] { terminal.show(host.firmware().screen()); });
    } else {
        window = std::make_unique<QWidget>();
        window->setWindowTitle(QStringLiteral("Virtual display - %1").arg(portText(host)));
        auto* layout = new QVBoxLayout(window.get());
        auto* view = new VfdView(window.get());
        view->setScreen(&host.firmware().screen());
        status = new QLabel(window.get());
        status->setText(QStringLiteral("%1 \u2192 %2, %3")
                            .arg(portText(host), QString::fromStdString(host.devicePath()),
                                 runningNote(host.firmware())));
        // Power off and on, as the tools ask the operator to after a download.
        auto* restart = new QPushButton(QStringLiteral("&Restart"), window.get());
        restart->setObjectName(QStringLiteral("Restart"));
        layout->addWidget(view, 1);
        layout->addWidget(status);
        layout->addWidget(restart);
        QObject::connect(restart, &QPushButton::clicked, window.get(), restartDisplay);
        QObject::connect(&host, &PtyHost::screenChanged, view, &VfdView::refresh);
        window->show();
    }
    QObject::connect(&host, &PtyHost::settingsStored, &host, [&](StoreOutcome outcome) {
        note(storedNote(outcome, running));
        if (status != nullptr) {
            status->setText(storedNote(outcome, running));
        }
    });
    QObject::connect(&host, &PtyHost::hungUp, &host, [&] {
        note(QStringLiteral("hung up"));
        if (status != nullptr) {
            status->setText(QStringLiteral("The line has been dropped (hang-up fault)."));
        }
    });

    QObject::connect(&host, &PtyHost::restarted, &host, [&] {
        noteDamaged();
        note(QStringLiteral("restarted: ") + runningNote(host.firmware()));
        if (status != nullptr) {
            status->setText(QStringLiteral("Restarted: ") + runningNote(host.firmware()));
        }
    });
    const int result = app->exec();
    window.reset();
    return result;
}
