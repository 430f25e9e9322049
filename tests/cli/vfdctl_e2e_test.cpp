// SPDX-License-Identifier: GPL-3.0-or-later
// The vfdctl program against the virtual display on pseudo-terminals: every command, every exit
// code, the JSON output read back, and settings files passed between it and Zoravel's window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "config/config_window.h"
#include "config/message_editor.h"
#include "link/port_names.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace vfd {
namespace {

using testing::ScriptedDialogs;
using testing::SimProcess;

struct Ran {
    int exitCode = -1;
    QString out;
    QString err;
    QJsonObject json() const {
        QJsonParseError error{};
        const auto doc = QJsonDocument::fromJson(out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
        return doc.object();
    }
    QString firstError() const { return err.section(QLatin1Char('\n'), 0, 0); }
};

// Runs the built program as a script would, with no display server in its environment.
Ran vfdctl(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QLatin1String(name));
    }
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VFDCTL_PATH), args);
    Ran run;
    if (!p.waitForStarted(5000)) {
        ADD_FAILURE() << "vfdctl did not start: " << p.errorString().toStdString();
        return run;
    }
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(3000);
        ADD_FAILURE() << "vfdctl did not end within 30 s: " << args.join(' ').toStdString();
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Vfdctl : public ::testing::Test {
protected:
    void SetUp() override { testing::usePrivatePortFolder(); }

    // A virtual display on port `number`; the test fails, saying why, when it does not start.
    SimProcess& display(int number, const QStringList& options = {}) {
        displays.push_back(std::make_unique<SimProcess>(number, options));
        SimProcess& sim = *displays.back();
        EXPECT_TRUE(sim.started()) << "the virtual display did not start on port " << number << ": "
                                   << sim.output().toStdString();
        return sim;
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    // A settings file made by vfdctl itself.
    QString made(const char* name, const QStringList& edits) {
        const Ran run = vfdctl(QStringList{"make"} + edits + QStringList{"-o", path(name)});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return path(name);
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<SimProcess>> displays;
};

TEST_F(Vfdctl, HelpNamesTheCommandsAndEveryExitCode) {
    const Ran run = vfdctl({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* part :
         {"download FILE.vfd --port PORT [--port PORT ...]", "Exit status:", "  0  success",
          "  4  the display did not answer", "  7  a settings file cannot be read"}) {
        EXPECT_TRUE(run.out.contains(QLatin1String(part))) << part;
    }
}

TEST_F(Vfdctl, PortsListsTheVirtualDisplayWithItsDevice) {
    SimProcess& sim = display(3);
    ASSERT_TRUE(sim.started());
    const QRegularExpressionMatch device =
        QRegularExpression(QStringLiteral("\\((/dev/pts/\\d+)\\)")).match(sim.output());
    ASSERT_TRUE(device.hasMatch()) << sim.output().toStdString();

    const Ran text = vfdctl({"ports"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains(
        QRegularExpression(QStringLiteral("^Com 3 +%1 +virtual display$").arg(device.captured(1)),
                           QRegularExpression::MultilineOption)))
        << text.out.toStdString();

    const QJsonArray ports = vfdctl({"ports", "--json"}).json()["ports"].toArray();
    const auto found = std::find_if(ports.begin(), ports.end(), [](const QJsonValue& v) {
        return v.toObject()["port"].toString() == "Com 3";
    });
    ASSERT_NE(found, ports.end());
    EXPECT_EQ(found->toObject()["device"].toString(), device.captured(1));
    EXPECT_EQ(found->toObject()["number"].toInt(), 3);
}

TEST_F(Vfdctl, DownloadsToTwoDisplaysInOneCallWithALinePerPort) {
    SimProcess& first = display(1);
    SimProcess& second = display(2);
    ASSERT_TRUE(first.started() && second.started());
    const QString file = made("shop.vfd", {"--set", "emulation=CD5220", "--message1", "TWO AT ONCE",
                                           "--set", "scroll1=off"});
    const Ran run = vfdctl({"download", file, "--port", "Com 1", "--port", "com2"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "Com 1  Download O.K ! Please restart !\n"
              "com2   Download O.K ! Please restart !\n");
    EXPECT_EQ(run.err, "");
    for (SimProcess* sim : {&first, &second}) {
        EXPECT_EQ(contents(sim->statePath()), contents(file));
        ASSERT_TRUE(sim->restart());
        EXPECT_TRUE(sim->waitForOutputAfterMark("|TWO AT ONCE         |"))
            << sim->output().toStdString();
    }
}

TEST_F(Vfdctl, ADownloadToSeveralPortsGoesOnPastOneThatFailsAndSaysWhichFailed) {
    SimProcess& sim = display(1);
    ASSERT_TRUE(sim.started());
    const QString file = made("a.vfd", {});
    const Ran run =
        vfdctl({"download", file, "--port", "/dev/vfd-no-such-port", "--port", "Com 1", "--json"});
    EXPECT_EQ(run.exitCode, 3);
    const QJsonObject o = run.json();
    const QJsonArray ports = o["ports"].toArray();
    ASSERT_EQ(ports.size(), 2);
    EXPECT_EQ(ports[0].toObject()["exitCode"].toInt(), 3);
    EXPECT_EQ(ports[0].toObject()["message"].toString(),
              "/dev/vfd-no-such-port can't be opened: the port does not exist.");
    EXPECT_EQ(ports[1].toObject()["outcome"].toString(), "success");
    EXPECT_EQ(o["downloaded"].toInt(), 1);
    EXPECT_EQ(run.firstError(), ports[0].toObject()["message"].toString());
    EXPECT_EQ(contents(sim.statePath()), contents(file));
}

TEST_F(Vfdctl, UploadSavesWhatTheDisplayHolds) {
    SimProcess& sim = display(1);
    ASSERT_TRUE(sim.started());
    const QString file = made("in.vfd", {"--set", "charset=GREEK", "--udc", "9:7E:7F7F7F7F7F"});
    ASSERT_EQ(vfdctl({"download", file, "--port", "Com 1"}).exitCode, 0);

    const Ran run = vfdctl({"upload", path("back.vfd"), "--port", "Com 1", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(contents(path("back.vfd")), contents(file));
    const QJsonObject image = run.json()["image"].toObject();
    EXPECT_EQ(image["settings"].toObject()["charset"].toObject()["entry"].toString(), "GREEK");
    EXPECT_EQ(image["characters"].toArray()[8].toObject()["code"].toInt(), 0x7E);
}

TEST_F(Vfdctl, IdentifyAndSerialPrintTheAnswers) {
    SimProcess& sim = display(1, {"--serial", "SN123456"});
    ASSERT_TRUE(sim.started());
    const Ran identity = vfdctl({"identify", "--port", "Com 1"});
    EXPECT_EQ(identity.exitCode, 0);
    EXPECT_EQ(identity.out, "PID:3524\n");
    const Ran serial = vfdctl({"serial", "--port", "Com 1", "--json"});
    EXPECT_EQ(serial.exitCode, 0);
    EXPECT_EQ(serial.json()["serialNumber"].toString(), "SN123456");
    EXPECT_EQ(serial.json()["hex"].toString(), "53 4E 31 32 33 34 35 36");
}

TEST_F(Vfdctl, TextShowsOnTheDisplayInEitherCommandSet) {
    SimProcess& sim = display(1);
    ASSERT_TRUE(sim.started());
    sim.markOutput();
    Ran run = vfdctl({"text", "--port", "Com 1", "HELLO", "WORLD", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    // ESC @, the first line, US $ 1 2, the second.
    EXPECT_EQ(run.json()["sent"].toString(), "1B 40 48 45 4C 4C 4F 1F 24 01 02 57 4F 52 4C 44");
    EXPECT_TRUE(sim.waitForOutputAfterMark("display |HELLO               |WORLD               |"))
        << sim.output().toStdString();

    // The display shows codes in its own character set: text for it is written in that set.
    ASSERT_EQ(vfdctl({"download",
                      made("cd.vfd", {"--set", "emulation=CD5220", "--set", "charset=GERMANY"}),
                      "--port", "Com 1"})
                  .exitCode,
              0);
    ASSERT_TRUE(sim.restart());
    sim.markOutput();
    run = vfdctl({"text", "--port", "Com 1", "--emulation", "cd5220", "--charset", "GERMANY",
                  QString::fromUtf8("Grüße"), "Tschüss"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(sim.waitForOutputAfterMark(
        QString::fromUtf8("display |Grüße               |Tschüss             |").toUtf8()))
        << sim.output().toStdString();
}

struct ExitCase {
    const char* what;
    QStringList displayOptions;
    QStringList args;  // FILE stands for a good settings file, SHORT for a short one
    int code;
    const char* message;
    bool fileWritten = false;
};

TEST_F(Vfdctl, EveryOutcomeHasItsExitCodeAndTheWindowsMessage) {
    const ExitCase cases[] = {
        {"unknown command",
         {},
         {"frobnicate"},
         2,
         "vfdctl: \"frobnicate\" is not a command; vfdctl --help lists them"},
        {"unknown option",
         {},
         {"identify", "--colour", "red"},
         2,
         "vfdctl: Unknown option 'colour'."},
        {"missing port",
         {},
         {"identify", "--port", "Com 200"},
         3,
         "Com 200 can't be opened: the port does not exist (...)."},
        {"no answer",
         {"--no-reply"},
         {"download", "FILE", "--port", "Com 1"},
         4,
         "Download Fail ! Please retry again !"},
        {"no answer to an upload",
         {"--no-reply"},
         {"upload", "OUT", "--port", "Com 1"},
         4,
         "Com 1 can't be open !!"},
        {"wrong check byte",
         {"--wrong-check"},
         {"download", "FILE", "--port", "Com 1"},
         5,
         "IRC check error ! Please retry again !"},
        {"wrong identity",
         {"--pid", "PID:9999"},
         {"identify", "--port", "Com 1"},
         5,
         "VFD PID is Error."},
        {"hang-up",
         {"--hang-up-after", "5"},
         {"download", "FILE", "--port", "Com 1"},
         6,
         "Download Fail ! Please retry again !"},
        {"short file", {}, {"show", "SHORT"}, 7, "Error"},
        {"success", {}, {"upload", "OUT", "--port", "Com 1"}, 0, "", true},
    };
    const QString good = made("good.vfd", {});
    QFile shortFile(path("short.vfd"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write("only twenty-two bytes.");
    shortFile.close();

    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList args;
        for (const QString& a : c.args) {
            args << (a == "FILE"    ? good
                     : a == "SHORT" ? path("short.vfd")
                     : a == "OUT"   ? path("out.vfd")
                                    : a);
        }
        for (const bool json : {false, true}) {
            // A fresh display each time: one that has hung up stays silent.
            displays.clear();
            ASSERT_TRUE(display(1, c.displayOptions).started());
            // A port number whose link leads nowhere, as a pulled-out adapter leaves it.
            const QString folder = QString::fromStdString(link::portFolder());
            QFile::remove(folder + "/COM200");
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/vfd-gone"), folder + "/COM200"));
            QFile::remove(path("out.vfd"));

            const Ran run = vfdctl(json ? args + QStringList{"--json"} : args);
            EXPECT_EQ(run.exitCode, c.code) << run.err.toStdString();
            const QString expected = QString::fromUtf8(c.message);
            if (expected.contains("(...)")) {
                EXPECT_TRUE(run.firstError().startsWith(expected.section("(...)", 0, 0)))
                    << run.err.toStdString();
            } else {
                EXPECT_EQ(run.firstError(), expected);
            }
            if (json) {
                const QJsonObject o = run.json();
                EXPECT_EQ(o["exitCode"].toInt(), c.code);
                EXPECT_EQ(o["errors"].toArray().at(0).toObject()["message"].toString(),
                          run.firstError());
            }
            EXPECT_EQ(QFile::exists(path("out.vfd")), c.fileWritten);
        }
    }
}

// Zoravel's window, its dialogs answered from a script.
class VfdctlAndZoravel : public Vfdctl {
protected:
    void SetUp() override {
        Vfdctl::SetUp();
        config::ConfigWindowServices services;
        services.dialogs = &dialogs;
        window = std::make_unique<config::ConfigWindow>(services);
    }
    template <typename T>
    T* child(const QString& name) {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    ScriptedDialogs dialogs;
    std::unique_ptr<config::ConfigWindow> window;
};

// The window's lists by the keys vfdctl uses for them.
const std::pair<const char*, const char*> kLists[] = {{"charset", "Char"},
                                                      {"emulation", "Command"},
                                                      {"speed", "BaudRate"},
                                                      {"passthru", "Passthru"},
                                                      {"standby", "standby"}};

TEST_F(VfdctlAndZoravel, ShowNamesEverySettingOfAFileZoravelSavedAsTheWindowShowsIt) {
    child<QComboBox>("Char")->setCurrentIndex(13);
    child<QComboBox>("Command")->setCurrentIndex(4);
    child<QComboBox>("BaudRate")->setCurrentIndex(1);
    child<QComboBox>("Passthru")->setCurrentIndex(2);
    child<QComboBox>("standby")->setCurrentIndex(3);
    child<QCheckBox>("Scrolllowline")->setChecked(false);
    window->message1().selectAscii();
    window->message1().setCharacters("SAVED BY ZORAVEL");
    window->image().set(device::udcRecordStart(1), 0x41);
    window->image().set(device::udcRecordStart(1) + 3, 0x7F);
    dialogs.files.push_back(path("zoravel.vfd"));
    child<QPushButton>("Save")->click();
    // Loaded back, the window shows the file as it holds it: an empty cell as 00.
    dialogs.files.push_back(path("zoravel.vfd"));
    child<QPushButton>("Load")->click();
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();

    const Ran run = vfdctl({"show", path("zoravel.vfd"), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject image = run.json()["image"].toObject();
    const QJsonObject settings = image["settings"].toObject();
    for (const auto& [key, list] : kLists) {
        SCOPED_TRACE(key);
        const auto* box = child<QComboBox>(list);
        const QJsonObject setting = settings[key].toObject();
        EXPECT_EQ(setting["caption"].toString(), box->accessibleName());
        EXPECT_EQ(setting["entry"].toString(), box->currentText());
        EXPECT_EQ(setting["list"].toString(), list);
    }
    const QJsonArray messages = image["messages"].toArray();
    for (int m = 0; m < 2; ++m) {
        SCOPED_TRACE(m);
        const QJsonObject message = messages[m].toObject();
        const char* line = m == 0 ? "L1H" : "L2H";
        QStringList cells;
        for (int k = 1; k <= (m == 0 ? 20 : 40); ++k) {
            cells << child<QLineEdit>(QStringLiteral("%1(%2)").arg(line).arg(k))->text();
        }
        EXPECT_EQ(message["hex"].toString(), cells.join(' '));
        EXPECT_EQ(message["scroll"].toBool(),
                  child<QCheckBox>(m == 0 ? "Scrollupline" : "Scrolllowline")->isChecked());
    }
    EXPECT_EQ(messages[0].toObject()["text"].toString(), "SAVED BY ZORAVEL    ");
    EXPECT_EQ(image["characters"].toArray()[0].toObject()["dots"].toArray()[0].toString(), "..#..");

    const Ran text = vfdctl({"show", path("zoravel.vfd")});
    EXPECT_TRUE(text.out.contains("Character Type                 GREEK\n"))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("  Text    |SAVED BY ZORAVEL    |\n"));
}

TEST_F(VfdctlAndZoravel, MakeThenLoadShowsTheWindowTheScriptAskedFor) {
    const Ran run =
        vfdctl({"make", "--set", "emulation=CD5220", "--set", "charset=GERMANY", "--set",
                "standby=5", "--set", "scroll2=off", "--message1", QString::fromUtf8("Grüße"),
                "--udc", "1:41:7E0909097E", "-o", path("script.vfd"), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json()["image"].toObject()["messages"].toArray()[0].toObject()["text"],
              QString::fromUtf8("Grüße               "));

    dialogs.files.push_back(path("script.vfd"));
    child<QPushButton>("Load")->click();
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.details.join('\n').toStdString();
    EXPECT_EQ(child<QComboBox>("Command")->currentText(), "CD5220");
    EXPECT_EQ(child<QComboBox>("Char")->currentText(), "GERMANY");
    EXPECT_EQ(child<QComboBox>("standby")->currentText(), "5 minutes");
    EXPECT_EQ(child<QComboBox>("Passthru")->currentIndex(), 0);
    EXPECT_TRUE(child<QCheckBox>("Scrollupline")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("Scrolllowline")->isChecked());
    const QStringList expected = {"47", "72", "7D", "7E", "65", "00"};
    for (int k = 1; k <= expected.size(); ++k) {
        EXPECT_EQ(child<QLineEdit>(QStringLiteral("L1H(%1)").arg(k))->text(), expected[k - 1]);
    }
    EXPECT_EQ(child<QLineEdit>("UDC_TEXT")->text(), "41");
}

TEST_F(VfdctlAndZoravel, MakeRefusesWhatLoadRefusesAndWritesNothing) {
    QFile foreign(path("foreign.vfd"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write(QByteArray(126, '\x0C'));  // 12 is a position of no list but "Char"
    foreign.close();
    const Ran run = vfdctl({"make", "--from", path("foreign.vfd"), "-o", path("new.vfd")});
    EXPECT_EQ(run.exitCode, 7);
    dialogs.files.push_back(path("foreign.vfd"));
    child<QPushButton>("Load")->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(run.err, dialogs.messages[0] + "\n" + dialogs.details[0] + "\n");
    EXPECT_FALSE(QFile::exists(path("new.vfd")));
}

}  // namespace
}  // namespace vfd
