// SPDX-License-Identifier: GPL-3.0-or-later
// What every exchange of both tools does when the display or its line misbehaves, end to end
// against the virtual display's fault switches. The table below is also the documentation: run
//   fault_matrix_test --summary docs/fault-matrix.md
// to write it out, and the SummaryIsCurrent test keeps the committed copy in step with it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <fstream>

#include "config/config_window.h"
#include "link/qt/qt_serial_port.h"
#include "link/transfer.h"
#include "station_test.h"
#include "support/operator_hand.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "testtool/message_window.h"
#include "testtool/tymbrik_window.h"

namespace vfd {
namespace {

using testing::ScriptedDialogs;
using testing::SimProcess;

enum class Exchange {
    Download,
    GetSetting,
    Identity,
    SerialNumber,
    ImageDownload,
    ReadBack,
    Range
};
// WrongSpeed: the display has 19200 stored and has been restarted with it; the tools talk at
// their default 9600.
enum class Line { Healthy, Busy, Missing, WrongSpeed };

struct Row {
    Exchange exchange;
    const char* fault;
    QStringList simOptions;
    Line line;
    QStringList seen;   // what the operator is told, in order; "..." stands for any text
    int limitMs;        // the exchange is over by then
    const char* state;  // what stays as it was, or what the display ends up with
};

const char* exchangeName(Exchange e) {
    switch (e) {
        case Exchange::Download:
            return "Zoravel: Download Setting To VFD";
        case Exchange::GetSetting:
            return "Zoravel: Get Setting From VFD";
        case Exchange::Identity:
            return "Tymbrik: identity check (PID)";
        case Exchange::SerialNumber:
            return "Tymbrik: serial number (SN)";
        case Exchange::ImageDownload:
            return "Tymbrik: test image download";
        case Exchange::ReadBack:
            return "Tymbrik: test image read-back";
        case Exchange::Range:
            return "Tymbrik: range test (Send 0x80-0x9F)";
    }
    return "";
}

// A message and, after a line break, the explanation beneath it.
QString beneath(const QString& text, const QString& detail) {
    return text + QLatin1Char('\n') + detail;
}

// A lost line reads the same in both tools: the exchange's own failure message where it has
// one, our sentence, and the system's words.
QString lostSentence(const char* port) {
    return QStringLiteral(
               "The connection on %1 was lost: the adapter was unplugged or the "
               "display switched off.")
        .arg(QLatin1String(port));
}

const QString kSystemSaid = QStringLiteral(
    "The system said: Input/output error. Check the cable and the display, then "
    "try again.");

QString lost(const char* port) {
    return beneath(lostSentence(port), kSystemSaid);
}

QString downloadLost(const char* port) {
    return beneath(QStringLiteral("Download Fail ! Please retry again !"),
                   lostSentence(port) + QLatin1Char(' ') + kSystemSaid);
}

// A screen test the line stopped ends in the red window.
QString unfinished(const QString& why) {
    return beneath(QStringLiteral("Test not finished!"), why);
}

QString checkTheDisplay(const char* port, const QString& what) {
    return QStringLiteral(
               "%1 opened, but the display %2. Check that it is switched on and "
               "connected, and that its line speed matches the Baud Rate "
               "(9600,n,8,1).")
        .arg(QLatin1String(port), what);
}

QString silent(const char* port, int seconds = 2) {
    return checkTheDisplay(port, QStringLiteral("sent nothing within %1 seconds").arg(seconds));
}

// The red message window's verdicts, with what the display answered beneath.
QString pidError(const QString& detail) {
    return beneath(QStringLiteral("VFD PID is Error."), detail);
}

QString noSerial(const QString& detail) {
    return beneath(QStringLiteral("NO S/N"), detail);
}

QString answeredOnly(int received, int due, int seconds) {
    return checkTheDisplay("com 1", QStringLiteral("answered only %1 of %2 bytes within %3 seconds")
                                        .arg(received)
                                        .arg(due)
                                        .arg(seconds));
}

QString answeredInstead(const char* answered) {
    return QStringLiteral(
               "The display on com 1 answered \"%1\" where \"PID:3524\" is due: it is "
               "not a display this test is for, or the line speed does not match the "
               "Baud Rate (9600,n,8,1).")
        .arg(QLatin1String(answered));
}

QString downloadFail(const char* port) {
    return beneath(QStringLiteral("Download Fail ! Please retry again !"), silent(port));
}

QString ircError(const char* port) {
    return beneath(QStringLiteral("IRC check error ! Please retry again !"),
                   checkTheDisplay(port, QStringLiteral("answered ... where ... was due, so the "
                                                        "settings were refused and not stored")));
}

QString cantBeOpen(const char* port) {
    return beneath(QLatin1String(port) + QStringLiteral(" can't be open !!"), silent(port));
}

QString receiveCheck(const char* port) {
    return beneath(QStringLiteral("Receive Check bit Error !!"),
                   checkTheDisplay(port, QStringLiteral("answered with ... where the settings "
                                                        "start with 0xAA")));
}

QString shortReply(const char* text, const char* port) {
    return beneath(QLatin1String(text),
                   QStringLiteral("The rest did not come within 3 seconds on %1. A loose cable, or "
                                  "a line speed other than the Baud Rate (9600,n,8,1), cuts an "
                                  "answer short.")
                       .arg(QLatin1String(port)));
}

// Sim options that aim a fault at one kind of reply.
QStringList on(const char* kind, QStringList options) {
    return options << QStringLiteral("--faults-only-on") << QString::fromLatin1(kind);
}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        // Zoravel's download: the check byte is the only answer.
        {Exchange::Download,
         "no reply",
         on("check", {"--no-reply"}),
         Line::Healthy,
         {downloadFail("Com 1")},
         3000,
         "display keeps its settings"},
        {Exchange::Download,
         "late reply (2500 ms)",
         on("check", {"--reply-delay", "2500"}),
         Line::Healthy,
         {downloadFail("Com 1")},
         3000,
         "display keeps its settings"},
        {Exchange::Download,
         "wrong check byte",
         {"--wrong-check"},
         Line::Healthy,
         {ircError("Com 1")},
         1500,
         "display keeps its settings"},
        {Exchange::Download,
         "garbled reply",
         on("check", {"--garble"}),
         Line::Healthy,
         {ircError("Com 1")},
         1500,
         "display keeps its settings"},
        {Exchange::Download,
         "extra bytes",
         on("check", {"--extra-bytes", "3"}),
         Line::Healthy,
         {"Download O.K ! Please restart !"},
         2500,
         "display stores the new settings"},
        {Exchange::Download,
         "hang-up during the date stamp",
         {"--hang-up-after", "5"},
         Line::Healthy,
         {downloadLost("Com 1")},
         3500,
         "display keeps its settings"},
        {Exchange::Download,
         "busy port",
         {},
         Line::Busy,
         {"Com 1 can't be opened: another program is using it (...)."},
         1000,
         "display keeps its settings"},
        {Exchange::Download,
         "missing port",
         {},
         Line::Missing,
         {"Com 200 can't be opened: the port does not exist (...)."},
         1000,
         "display keeps its settings"},
        {Exchange::Download,
         "tool at 9600, display at 19200",
         {},
         Line::WrongSpeed,
         {downloadFail("Com 1")},
         3000,
         "display keeps its settings"},
        // Zoravel's upload: the 127-byte reply.
        {Exchange::GetSetting,
         "no reply",
         on("upload", {"--no-reply"}),
         Line::Healthy,
         {cantBeOpen("Com 1")},
         3000,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "late reply (2500 ms)",
         on("upload", {"--reply-delay", "2500"}),
         Line::Healthy,
         {cantBeOpen("Com 1")},
         3000,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "short reply (5 bytes)",
         on("upload", {"--short-reply", "5"}),
         Line::Healthy,
         {shortReply("The display answered only 5 of 127 bytes. The settings in the window were "
                     "not changed.",
                     "Com 1")},
         4000,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "garbled reply",
         on("upload", {"--garble"}),
         Line::Healthy,
         {receiveCheck("Com 1")},
         1500,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "bad marker",
         {"--bad-marker"},
         Line::Healthy,
         {receiveCheck("Com 1")},
         1500,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "extra bytes",
         on("upload", {"--extra-bytes", "3"}),
         Line::Healthy,
         {"Upload O.K!"},
         1500,
         "window shows the display's settings"},
        {Exchange::GetSetting,
         "hang-up after the request's first byte",
         {"--hang-up-after", "1"},
         Line::Healthy,
         {lost("Com 1")},
         3500,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "busy port",
         {},
         Line::Busy,
         {"Com 1 can't be opened: another program is using it (...)."},
         1000,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "missing port",
         {},
         Line::Missing,
         {"Com 200 can't be opened: the port does not exist (...)."},
         1000,
         "window and settings image unchanged"},
        {Exchange::GetSetting,
         "tool at 9600, display at 19200",
         {},
         Line::WrongSpeed,
         {cantBeOpen("Com 1")},
         3000,
         "window and settings image unchanged"},
        // Tymbrik's screen test with "PID" ticked: the identity check comes first.
        {Exchange::Identity,
         "no reply",
         on("identity", {"--no-reply"}),
         Line::Healthy,
         {pidError(silent("com 1", 3))},
         8500,
         "tool ready for the next display"},
        {Exchange::Identity,
         "late reply (2500 ms, inside the 3000 ms limit)",
         on("identity", {"--reply-delay", "2500"}),
         Line::Healthy,
         {"OK!"},
         14000,
         "run completes"},
        {Exchange::Identity,
         "short reply (5 bytes)",
         on("identity", {"--short-reply", "5"}),
         Line::Healthy,
         {pidError(answeredOnly(5, 8, 3))},
         8500,
         "tool ready for the next display"},
        {Exchange::Identity,
         "garbled reply",
         on("identity", {"--garble"}),
         Line::Healthy,
         {pidError(answeredInstead("..."))},
         2500,
         "tool ready for the next display"},
        {Exchange::Identity,
         "extra bytes (the answer must be exactly PID:3524)",
         on("identity", {"--extra-bytes", "3"}),
         Line::Healthy,
         {pidError(answeredInstead("PID:3524..."))},
         2500,
         "tool ready for the next display"},
        {Exchange::Identity,
         "another identity",
         {"--pid", "PID:9999"},
         Line::Healthy,
         {pidError(answeredInstead("PID:9999"))},
         2500,
         "tool ready for the next display"},
        {Exchange::Identity,
         "hang-up after the first query",
         {"--hang-up-after", "3"},
         Line::Healthy,
         {unfinished(lost("com 1"))},
         5000,
         "tool ready for the next display"},
        {Exchange::Identity,
         "busy port",
         {},
         Line::Busy,
         {unfinished(QStringLiteral("com 1 can't be opened: another program is using it (...)."))},
         2000,
         "tool ready for the next display"},
        {Exchange::Identity,
         "missing port (the display went away after the search)",
         {},
         Line::Missing,
         {unfinished(QStringLiteral("com 200 can't be opened: the port does not exist (...)."))},
         2000,
         "tool ready for the next display"},
        {Exchange::Identity,
         "tool at 9600, display at 19200",
         {},
         Line::WrongSpeed,
         {pidError(QStringLiteral("..."))},
         8500,
         "tool ready for the next display"},
        // "SN" ticked, "PID" not.
        {Exchange::SerialNumber,
         "no reply",
         {"--no-serial"},
         Line::Healthy,
         {noSerial(silent("com 1"))},
         3500,
         "tool ready for the next display"},
        {Exchange::SerialNumber,
         "late reply (2500 ms)",
         on("serial", {"--reply-delay", "2500"}),
         Line::Healthy,
         {noSerial(silent("com 1"))},
         3500,
         "tool ready for the next display"},
        {Exchange::SerialNumber,
         "short reply (5 bytes)",
         on("serial", {"--short-reply", "5"}),
         Line::Healthy,
         {noSerial(answeredOnly(5, 8, 3))},
         6500,
         "tool ready for the next display"},
        {Exchange::SerialNumber,
         "garbled reply (shown as it came)",
         on("serial", {"--garble"}),
         Line::Healthy,
         {"S/N:\r...", "OK!"},
         9000,
         "run completes"},
        {Exchange::SerialNumber,
         "extra bytes (the first eight count)",
         on("serial", {"--extra-bytes", "3"}),
         Line::Healthy,
         {"S/N:\rVD000001", "OK!"},
         9000,
         "run completes"},
        {Exchange::SerialNumber,
         "hang-up during the query",
         {"--hang-up-after", "2"},
         Line::Healthy,
         {unfinished(lost("com 1"))},
         5000,
         "tool ready for the next display"},
        // Neither ticked: after the visual test the test image goes down and is read back.
        {Exchange::ImageDownload,
         "no reply",
         on("check", {"--no-reply"}),
         Line::Healthy,
         {downloadFail("com 1")},
         7000,
         "tool ready for the next display"},
        {Exchange::ImageDownload,
         "late reply (2500 ms)",
         on("check", {"--reply-delay", "2500"}),
         Line::Healthy,
         {downloadFail("com 1")},
         7000,
         "tool ready for the next display"},
        {Exchange::ImageDownload,
         "wrong check byte",
         {"--wrong-check"},
         Line::Healthy,
         {ircError("com 1")},
         5000,
         "tool ready for the next display"},
        {Exchange::ImageDownload,
         "garbled reply",
         on("check", {"--garble"}),
         Line::Healthy,
         {ircError("com 1")},
         5000,
         "tool ready for the next display"},
        {Exchange::ImageDownload,
         "extra bytes",
         on("check", {"--extra-bytes", "3"}),
         Line::Healthy,
         {"OK!"},
         7000,
         "display ends with the model's defaults"},
        {Exchange::ImageDownload,
         "hang-up during the date stamp",
         {"--hang-up-after", "89"},
         Line::Healthy,
         {unfinished(downloadLost("com 1"))},
         7000,
         "tool ready for the next display"},
        {Exchange::ReadBack,
         "no reply",
         on("upload", {"--no-reply"}),
         Line::Healthy,
         {cantBeOpen("com 1")},
         7000,
         "display keeps the test image"},
        {Exchange::ReadBack,
         "late reply (2500 ms)",
         on("upload", {"--reply-delay", "2500"}),
         Line::Healthy,
         {cantBeOpen("com 1")},
         7000,
         "display keeps the test image"},
        {Exchange::ReadBack,
         "short reply (5 bytes)",
         on("upload", {"--short-reply", "5"}),
         Line::Healthy,
         {shortReply("The display answered only 5 of 127 bytes when the test image was read back.",
                     "com 1")},
         8000,
         "display keeps the test image"},
        {Exchange::ReadBack,
         "garbled reply",
         on("upload", {"--garble"}),
         Line::Healthy,
         {receiveCheck("com 1")},
         5000,
         "display keeps the test image"},
        {Exchange::ReadBack,
         "bad marker",
         {"--bad-marker"},
         Line::Healthy,
         {receiveCheck("com 1")},
         5000,
         "display keeps the test image"},
        {Exchange::ReadBack,
         "extra bytes",
         on("upload", {"--extra-bytes", "3"}),
         Line::Healthy,
         {"OK!"},
         7000,
         "display ends with the model's defaults"},
        {Exchange::ReadBack,
         "hang-up after the request's first byte",
         {"--hang-up-after", "222"},
         Line::Healthy,
         {unfinished(lost("com 1"))},
         7000,
         "tool ready for the next display"},
        // The range test reads no answer, so only the port itself can fail it here.
        {Exchange::Range,
         "busy port",
         {},
         Line::Busy,
         {"com 1 can't be opened: another program is using it (...)."},
         1000,
         "tool ready"},
        {Exchange::Range,
         "missing port (the display went away after the search)",
         {},
         Line::Missing,
         {"com 200 can't be opened: the port does not exist (...)."},
         1000,
         "tool ready"},
    };
    return table;
}

// "..." in an expected text matches any run of characters.
bool matches(const QString& expected, const QString& actual) {
    const QStringList parts = expected.split(QStringLiteral("..."));
    qsizetype at = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const qsizetype found = actual.indexOf(parts[i], at);
        if (found < 0 || (i == 0 && found != 0)) {
            return false;
        }
        at = found + parts[i].size();
    }
    return parts.last().isEmpty() || actual.endsWith(parts.last());
}

class FaultMatrix : public ::testing::TestWithParam<std::size_t> {
protected:
    const Row& row() const { return rows()[GetParam()]; }

    QByteArray displayMemory() const {
        QFile f(sim->statePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Holds the display's port as another program would.
    void holdPort() {
        const auto device = link::resolvePortNumber(1, link::systemPortLookup());
        ASSERT_TRUE(device);
        ASSERT_EQ(link::openPort(holder, *device, *link::parseLineSettings("9600,n,8,1")),
                  link::PortError::None);
    }

    void runZoravel();
    void runTymbrik();

    ScriptedDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    link::QtSerialPort holder;
    QStringList seen;
    qint64 elapsedMs = 0;
};

void FaultMatrix::runZoravel() {
    const Row& r = row();
    dialogs.onMessage = [this](const QString& text, const QString& detail) {
        seen << (detail.isEmpty() ? text : beneath(text, detail));
    };
    config::ConfigWindowServices services;
    services.dialogs = &dialogs;
    config::ConfigWindow window(services);
    auto* comm = window.findChild<QComboBox*>(QStringLiteral("Comm"));
    if (r.line == Line::Missing) {
        comm->setEditText(QStringLiteral("Com 200"));
    }
    window.findChild<QComboBox*>(QStringLiteral("Command"))->setCurrentIndex(7);
    window.image().set(device::udcRecordStart(2), 0x41);
    window.image().set(device::udcRecordStart(2) + 1, 0x7F);
    const device::SettingsImage imageBefore = window.image();
    const QByteArray memoryBefore = displayMemory();

    QElapsedTimer timer;
    timer.start();
    const bool download = r.exchange == Exchange::Download;
    window
        .findChild<QPushButton*>(download ? QStringLiteral("Download")
                                          : QStringLiteral("GetSetting"))
        ->click();
    elapsedMs = timer.elapsed();

    EXPECT_FALSE(window.port().isOpen());
    EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("Download"))->isEnabled());
    const bool succeeded = r.seen.value(0).contains(QStringLiteral("O.K"));
    if (download) {
        const QByteArray memory = displayMemory();
        if (succeeded) {
            EXPECT_EQ(memory.size(), 126);
            EXPECT_EQ(memory.size() > 5 ? memory.at(5) : -1, 7)
                << "the display stored the settings";
        } else {
            EXPECT_EQ(memory, memoryBefore) << "a failed download changed the display";
        }
    } else if (succeeded) {
        EXPECT_EQ(window.findChild<QComboBox*>(QStringLiteral("Command"))->currentIndex(), 1);
    } else {
        EXPECT_EQ(window.image(), imageBefore) << "a failed upload changed the image";
        EXPECT_EQ(window.findChild<QComboBox*>(QStringLiteral("Command"))->currentIndex(), 7);
    }
}

void FaultMatrix::runTymbrik() {
    const Row& r = row();
    dialogs.onMessage = [this](const QString& text, const QString& detail) {
        seen << (detail.isEmpty() ? text : beneath(text, detail));
    };
    testtool::TymbrikWindowServices services;
    services.dialogs = &dialogs;
    services.rangeFolders = {VFD_RANGE_FOLDER};
    testtool::TymbrikWindow window(services);
    auto* comm = window.findChild<QComboBox*>(QStringLiteral("Comm"));
    if (r.line == Line::Missing) {
        // Port 200 has no fixed device behind it, so once its link is gone nothing answers.
        comm->setCurrentIndex(199);
    }
    ASSERT_EQ(comm->currentText(), r.line == Line::Missing ? "com 200" : "com 1");
    const testing::OperatorHand hand(
        [&] { return &window.messageWindow(); },
        [this](const testtool::MessageWindow& box) {
            const QString shown = box.message().replace(QLatin1Char('\n'), QLatin1Char('\r'));
            seen << (box.detail().isEmpty() ? shown : beneath(shown, box.detail()));
        });
    auto* pid = window.findChild<QCheckBox*>(QStringLiteral("Check_PID"));
    auto* sn = window.findChild<QCheckBox*>(QStringLiteral("Check_SN"));
    pid->setChecked(r.exchange == Exchange::Identity);
    sn->setChecked(r.exchange == Exchange::SerialNumber);
    if (r.line == Line::Busy) {
        holdPort();
    }
    if (r.line == Line::Missing) {
        sim->stop();
    }

    QElapsedTimer timer;
    timer.start();
    window
        .findChild<QPushButton*>(r.exchange == Exchange::Range ? QStringLiteral("Command3")
                                                               : QStringLiteral("ScreenTest"))
        ->click();
    elapsedMs = timer.elapsed();

    EXPECT_FALSE(window.port().isOpen());
    EXPECT_FALSE(window.screenRun().busy());
    EXPECT_FALSE(window.exchangeRunning());
    EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("ScreenTest"))->isEnabled());
}

TEST_P(FaultMatrix, EndsWithItsMessageThePortClosedAndNoLongWait) {
    const Row& r = row();
    SCOPED_TRACE(std::string(exchangeName(r.exchange)) + " / " + r.fault);
    testing::usePrivatePortFolder();
    const bool zoravel = r.exchange == Exchange::Download || r.exchange == Exchange::GetSetting;
    sim = std::make_unique<SimProcess>(!zoravel && r.line == Line::Missing ? 200 : 1, r.simOptions);
    ASSERT_TRUE(sim->started()) << sim->output().toStdString();
    if (r.line == Line::WrongSpeed) {
        device::BodyBytes memory{};
        memory[device::image_index::kLineSpeed - 1] = 1;
        memory[device::image_index::kCommand - 1] = 1;
        QFile file(sim->statePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(memory.data()),
                   static_cast<qint64>(memory.size()));
        file.close();
        ASSERT_TRUE(sim->restart()) << sim->output().toStdString();
        ASSERT_TRUE(sim->waitForOutput("restarted: EPSON emulation, 19200 baud"))
            << sim->output().toStdString();
    }
    if (zoravel) {
        if (r.line == Line::Busy) {
            holdPort();
        }
        runZoravel();
    } else {
        runTymbrik();
    }
    ASSERT_EQ(seen.size(), r.seen.size()) << seen.join(" | ").toStdString();
    for (qsizetype i = 0; i < seen.size(); ++i) {
        EXPECT_TRUE(matches(r.seen[i], seen[i])) << "expected \"" << r.seen[i].toStdString()
                                                 << "\", got \"" << seen[i].toStdString() << "\"";
    }
    EXPECT_LE(elapsedMs, r.limitMs);
    holder.close();
}

// The production records' faults. The station runs in a process of its own (tymbrik_station),
// as another user, on a full disk or to be killed, so that each fault is real.
enum class RecordsFault { NotWritable, DiskFull, Damaged, Killed };

struct RecordsRow {
    RecordsFault fault;
    const char* name;
    QStringList seen;   // "told ..." for a message box, "shown ..." for the red window
    const char* state;  // what the station and its records file are left with
};

// A message box refusing Start; the station prints the explanation after the text.
QString recordsRefused(const char* why) {
    return QStringLiteral(
               "told Results cannot be recorded: %1. Start stays unavailable until "
               "results can be recorded. ...")
        .arg(QLatin1String(why));
}

const std::vector<RecordsRow>& recordsRows() {
    static const std::vector<RecordsRow> table = {
        {RecordsFault::NotWritable,
         "records folder not writable",
         {recordsRefused("... is not writable"), recordsRefused("... is not writable")},
         "told at start and again at Start, which sends nothing; no record file is made"},
        {RecordsFault::DiskFull,
         "disk full",
         {recordsRefused("the disk of ... is full"), recordsRefused("the disk of ... is full")},
         "told at start and again at Start, which sends nothing"},
        {RecordsFault::Damaged,
         "records file damaged",
         {QStringLiteral("told The records file ... was damaged and has been set aside as ..."),
          QStringLiteral("shown OK!")},
         "the damaged file is kept beside under another name; the test is recorded in a new file"},
        {RecordsFault::Killed,
         "station killed (SIGKILL) during a screen test, at four moments",
         {QStringLiteral("shown OK!")},
         "the file passes PRAGMA integrity_check and holds a record for every verdict shown"},
    };
    return table;
}

// A copy of the station that another user may run.
QString stationCopy(const QTemporaryDir& shared) {
    const QString copy = shared.filePath(QStringLiteral("tymbrik_station"));
    if (!QFile::exists(copy)) {
        QFile::copy(QStringLiteral(TYMBRIK_STATION), copy);
    }
    ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
    ::chmod(QFile::encodeName(copy).constData(), 0755);
    return copy;
}

class RecordsFaults : public ::testing::TestWithParam<std::size_t> {
protected:
    const RecordsRow& row() const { return recordsRows()[GetParam()]; }

    // Runs the station to its end; what it was told and shown, in order.
    QStringList run(const QString& program, const QStringList& args) {
        testing::StationProcess station(program, args);
        EXPECT_TRUE(station.finish(60000)) << station.everything().toStdString();
        QStringList said;
        for (const QString& line : station.lines(QStringLiteral("told"))) {
            said << QStringLiteral("told ") + line;
        }
        for (const QString& line : station.lines(QStringLiteral("shown"))) {
            said << QStringLiteral("shown ") + line;
        }
        return said;
    }

    QTemporaryDir shared{QStringLiteral("/tmp/vfd-station-XXXXXX")};
};

TEST_P(RecordsFaults, TheOperatorIsToldAndNoShownVerdictIsLost) {
    const RecordsRow& r = row();
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(shared.isValid());
    testing::usePrivatePortFolder();
    const QString file = shared.filePath(QStringLiteral("records.sqlite"));
    const QStringList station = {"--records", file, "--runs", "1"};
    QStringList seen;
    switch (r.fault) {
        case RecordsFault::NotWritable: {
            // Root may write anything, so under root the station runs as the user "nobody".
            ::chmod(QFile::encodeName(shared.path()).constData(), 0555);
            const QString program = stationCopy(shared);
            seen =
                ::geteuid() == 0
                    ? run(QStringLiteral("setpriv"),
                          QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", program} +
                              station)
                    : run(program, station);
            ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
            EXPECT_FALSE(QFile::exists(file));
            break;
        }
        case RecordsFault::DiskFull: {
            // A small file system of its own, filled to the last byte before the station starts.
            const QString full = shared.filePath(QStringLiteral("full"));
            ASSERT_TRUE(QDir().mkpath(full));
            const QString script = QStringLiteral(
                                       "mount -t tmpfs -o size=1m vfd-records-full '%1' && "
                                       "{ cat /dev/zero > '%1/filler' 2>/dev/null; true; } && "
                                       "exec '%2' --records '%1/records.sqlite' --runs 1")
                                       .arg(full, QStringLiteral(TYMBRIK_STATION));
            QStringList args = {"-m", "sh", "-c", script};
            if (::geteuid() != 0) {
                args.prepend(QStringLiteral("-r"));
            }
            seen = run(QStringLiteral("unshare"), args);
            break;
        }
        case RecordsFault::Damaged: {
            SimProcess sim(1);
            ASSERT_TRUE(sim.started()) << sim.output().toStdString();
            QFile damaged(file);
            ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
            damaged.write(QByteArray(8192, '\x5A'));
            damaged.close();
            seen = run(QStringLiteral(TYMBRIK_STATION), station);
            const QStringList aside =
                QDir(shared.path()).entryList({QStringLiteral("records.sqlite.damaged*")});
            ASSERT_EQ(aside.size(), 1) << QDir(shared.path()).entryList().join(' ').toStdString();
            QFile kept(shared.filePath(aside.first()));
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), QByteArray(8192, '\x5A')) << "the damaged file was changed";
            EXPECT_EQ(testing::queryColumn(QStringLiteral("QSQLITE"), file,
                                           QStringLiteral("SELECT COUNT(*) FROM records")),
                      QStringList{QStringLiteral("1")});
            break;
        }
        case RecordsFault::Killed: {
            SimProcess sim(1);
            ASSERT_TRUE(sim.started()) << sim.output().toStdString();
            // After the first verdict: at once, in the identity check, in the visual test, near
            // the read-back of the second test.
            for (const int afterMs : {0, 400, 1700, 3000}) {
                SCOPED_TRACE(afterMs);
                const QString before =
                    testing::queryColumn(QStringLiteral("QSQLITE"), file,
                                         QStringLiteral("SELECT COUNT(*) FROM records"))
                        .value(0);
                testing::StationProcess killed(QStringLiteral(TYMBRIK_STATION),
                                               {"--records", file, "--runs", "5"});
                ASSERT_TRUE(killed.waitFor(QStringLiteral("shown"), 1, 30000))
                    << killed.everything().toStdString();
                QThread::msleep(static_cast<unsigned long>(afterMs));
                ::kill(static_cast<pid_t>(killed.process().processId()), SIGKILL);
                killed.finish(10000);
                const QStringList shown = killed.lines(QStringLiteral("shown"));
                EXPECT_EQ(testing::queryColumn(QStringLiteral("QSQLITE"), file,
                                               QStringLiteral("PRAGMA integrity_check")),
                          QStringList{QStringLiteral("ok")});
                const int kept =
                    testing::queryColumn(QStringLiteral("QSQLITE"), file,
                                         QStringLiteral("SELECT COUNT(*) FROM records"))
                        .value(0)
                        .toInt();
                EXPECT_GE(kept - before.toInt(), shown.size()) << "a shown verdict was lost";
                seen = {QStringLiteral("shown ") + shown.value(0)};
            }
            break;
        }
    }
    ASSERT_EQ(seen.size(), r.seen.size()) << seen.join(" | ").toStdString();
    for (qsizetype i = 0; i < seen.size(); ++i) {
        EXPECT_TRUE(matches(r.seen[i], seen[i])) << "expected \"" << r.seen[i].toStdString()
                                                 << "\", got \"" << seen[i].toStdString() << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RecordsFaults,
                         ::testing::Range<std::size_t>(0, recordsRows().size()));

std::string summary() {
    std::string out =
        "# What the tools do when a display or its line fails\n\n"
        "Generated from the fault matrix test (`tests/e2e/fault_matrix_test.cpp`), which runs\n"
        "every row end to end against the virtual display's fault switches. In every row the\n"
        "port is closed afterwards and the tool is ready for the next command. \"...\" stands\n"
        "for the port's path or for text the display sent.\n\n"
        "A pseudo-terminal takes no time to carry a byte, so the tools have written everything\n"
        "before the virtual display reads it; a hang-up is therefore staged where the tool is\n"
        "waiting for an answer. A hang-up while the tool is still writing (a body, a range) is\n"
        "covered on the scripted port by the exchange and range tests.\n\n"
        "| Exchange | Fault | The operator is told | Over within | Afterwards |\n"
        "|---|---|---|---|---|\n";
    for (const Row& r : rows()) {
        QStringList told;
        for (QString t : r.seen) {
            t.replace(QLatin1Char('\r'), QStringLiteral("⏎"));
            told << QStringLiteral("\"%1\"").arg(
                t.replace(QLatin1Char('\n'), QStringLiteral("\"<br>beneath it: \"")));
        }
        out += std::string("| ") + exchangeName(r.exchange) + " | " + r.fault + " | " +
               told.join(QStringLiteral(", then ")).toStdString() + " | " +
               std::to_string(r.limitMs) + " ms | " + r.state + " |\n";
    }
    out +=
        "\n## The production records\n\n"
        "Each row runs a test station (Tymbrik's window) in a process of its own: as a user who\n"
        "may not write the records folder, on a full file system of its own, with a damaged\n"
        "records file, or killed with SIGKILL at four moments of a screen test.\n\n"
        "| Fault | The operator is told | Afterwards |\n"
        "|---|---|---|\n";
    for (const RecordsRow& r : recordsRows()) {
        QStringList told;
        for (const QString& t : r.seen) {
            const bool box = t.startsWith(QLatin1String("told "));
            told << QStringLiteral("%1 \"%2\"")
                        .arg(box ? QStringLiteral("message box") : QStringLiteral("red window"),
                             t.mid(t.indexOf(QLatin1Char(' ')) + 1));
        }
        out += std::string("| ") + r.name + " | " +
               told.join(QStringLiteral(", then ")).toStdString() + " | " + r.state + " |\n";
    }
    return out;
}

TEST(FaultMatrixSummary, SummaryIsCurrent) {
    QFile committed(QStringLiteral(VFD_FAULT_SUMMARY));
    ASSERT_TRUE(committed.open(QIODevice::ReadOnly));
    EXPECT_EQ(committed.readAll().toStdString(), summary())
        << "regenerate with: fault_matrix_test --summary docs/fault-matrix.md";
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, ::testing::Range<std::size_t>(0, rows().size()));

}  // namespace
}  // namespace vfd

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--summary") == 0) {
            std::ofstream(argv[i + 1]) << vfd::summary();
            return 0;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The test tool's records go to a data folder of this process's own.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
