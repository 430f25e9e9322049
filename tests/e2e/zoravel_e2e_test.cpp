// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration window against the virtual display, through the operating system's serial
// layer: Download, Get Setting, Save and Load as an operator would use them.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "config/config_window.h"
#include "config/display_preview.h"
#include "config/message_editor.h"
#include "config/udc_editor.h"
#include "device/settings_image.h"
#include "link/qt/qt_clock.h"
#include "link/qt/qt_serial_port.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"

namespace vfd::config {
namespace {

using testing::ScriptedDialogs;
using testing::SimProcess;

class ZoravelOnVirtualDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        testing::usePrivatePortFolder();
        sim = std::make_unique<SimProcess>(1, options());
        ASSERT_TRUE(sim->started()) << sim->output().toStdString();
        ConfigWindowServices services;
        services.dialogs = &dialogs;
        window = std::make_unique<ConfigWindow>(services);
    }
    void TearDown() override {
        window.reset();
        sim.reset();
    }
    virtual QStringList options() const { return {}; }

    template <typename T>
    T* child(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) { child<QPushButton>(name)->click(); }

    QByteArray storedSettings() {
        QFile f(sim->statePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<ConfigWindow> window;
};

TEST_F(ZoravelOnVirtualDisplay, DownloadStoresTheSettingsAndTheDisplayShowsTheMessages) {
    window->message1().selectAscii();
    window->message1().setCharacters("HELLO FROM ZORAVEL");
    child<QComboBox>("Command")->setCurrentIndex(7);
    sim->markOutput();
    click("Download");
    ASSERT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
    EXPECT_FALSE(window->port().isOpen());
    ASSERT_TRUE(sim->restart()) << "Please restart !";
    ASSERT_TRUE(sim->waitForOutputAfterMark("HELLO FROM ZORAVEL")) << sim->output().toStdString();

    const QByteArray stored = storedSettings();
    ASSERT_GE(stored.size(), 126);
    EXPECT_EQ(stored[5], 7);  // image byte 6
    EXPECT_EQ(stored.mid(6, 18), QByteArray("HELLO FROM ZORAVEL"));
}

TEST_F(ZoravelOnVirtualDisplay, GetSettingReadsBackWhatWasDownloaded) {
    child<QComboBox>("Char")->setCurrentIndex(9);
    child<QComboBox>("standby")->setCurrentIndex(6);
    window->image().set(69, 0x41);  // a user-defined character as the editor stores it
    window->image().set(70, 0x7F);
    click("Download");
    ASSERT_EQ(dialogs.messages.value(0), "Download O.K ! Please restart !");

    click("SetAllDefault");
    child<QComboBox>("Char")->setCurrentIndex(0);
    child<QComboBox>("standby")->setCurrentIndex(0);
    window->image().clear();
    click("GetSetting");
    ASSERT_EQ(dialogs.messages.value(1), "Upload O.K!");
    EXPECT_EQ(child<QComboBox>("Char")->currentIndex(), 9);
    EXPECT_EQ(child<QComboBox>("standby")->currentIndex(), 6);
    EXPECT_EQ(window->image().at(69), 0x41);
    EXPECT_EQ(child<QLineEdit>("UDC_TEXT")->text(), "41");
    EXPECT_EQ(child<QLineEdit>("L1H(1)")->text(), "2A");
    EXPECT_FALSE(window->port().isOpen());
}

TEST_F(ZoravelOnVirtualDisplay, SaveLoadAndDownloadCarryTheSameBytes) {
    QTemporaryDir dir;
    const QString file = dir.filePath("counter.vfd");
    child<QComboBox>("Passthru")->setCurrentIndex(2);
    dialogs.files.push_back(file);
    click("Save");
    click("SetAllDefault");
    child<QComboBox>("Passthru")->setCurrentIndex(0);
    dialogs.files.push_back(file);
    click("Load");
    EXPECT_EQ(child<QComboBox>("Passthru")->currentIndex(), 2);
    click("Download");
    ASSERT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(storedSettings().left(126), saved.readAll());
}

// The screen the display printed first after its last restart, trailing blanks dropped, as the
// preview gives it: "upper\nlower".
QString firstScreenAfterRestart(SimProcess& sim) {
    const QByteArray marker("display |");
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        const QByteArray out = sim.output();
        const qsizetype restarted = out.lastIndexOf("restarted: ");
        const qsizetype at = restarted < 0 ? -1 : out.indexOf(marker, restarted);
        const qsizetype end = at < 0 ? -1 : out.indexOf('\n', at);
        if (end >= 0) {
            const QStringList parts =
                QString::fromUtf8(out.mid(at + marker.size(), end - at - marker.size()))
                    .split(QLatin1Char('|'));
            QStringList lines;
            for (int row = 0; row < 2; ++row) {
                QString line = parts.value(row);
                while (line.endsWith(QLatin1Char(' ')) || line.endsWith(QChar(0xA0))) {
                    line.chop(1);
                }
                lines << line;
            }
            return lines.join(QLatin1Char('\n'));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return QStringLiteral("(the display printed no screen after its restart)");
}

TEST_F(ZoravelOnVirtualDisplay, ThePreviewIsWhatTheDisplayShowsAfterADownloadAndARestart) {
    // An empty memory first, so that the display's first screen after each restart differs from
    // the one before and is printed.
    {
        QFile memory(sim->statePath());
        ASSERT_TRUE(memory.open(QIODevice::WriteOnly));
        memory.write(QByteArray(126, '\0'));
    }
    ASSERT_TRUE(sim->restart());

    struct Case {
        const char* what;
        std::function<void(ConfigWindow&)> edit;
    };
    const Case cases[] = {
        {"the default settings",
         [](ConfigWindow& w) { w.findChild<QPushButton*>("SetAllDefault")->click(); }},
        {"user-defined characters in both messages",
         [](ConfigWindow& w) {
             UdcEditor& udc = w.characterEditor();
             udc.codeBox()->setText("41");
             for (int row = 0; row < 7; ++row) {
                 udc.dot(3, row)->click();
             }
             udc.nextButton()->click();
             udc.codeBox()->setText("5A");
             udc.dot(1, 0)->click();
             udc.nextButton()->click();
             w.message1().showBytes(std::vector<std::uint8_t>{'A', 'B', 'A', ' ', 'Z'});
             w.message2().selectAscii();
             w.message2().setCharacters(QStringLiteral("ZAZA total"));
             w.message1().scrollBox()->setChecked(false);
             w.message2().scrollBox()->setChecked(false);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.edit(*window);
        QCoreApplication::processEvents();
        const QString preview = window->preview().text();
        ASSERT_FALSE(preview.trimmed().isEmpty());
        dialogs.messages.clear();
        click("Download");
        ASSERT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
        ASSERT_TRUE(sim->restart());
        EXPECT_EQ(firstScreenAfterRestart(*sim), preview);
    }
}

// A character drawn on the grid goes with a download and a save even when the operator never paged
// away from it.
TEST_F(ZoravelOnVirtualDisplay, ACharacterDrawnWithoutPagingIsDownloadedAndSaved) {
    {
        QFile memory(sim->statePath());
        ASSERT_TRUE(memory.open(QIODevice::WriteOnly));
        memory.write(QByteArray(126, '\0'));
    }
    ASSERT_TRUE(sim->restart());

    UdcEditor& udc = window->characterEditor();
    udc.codeBox()->setText("23");
    const int heart[][2] = {{1, 1}, {2, 0}, {3, 1}, {4, 0}, {5, 1},
                            {1, 2}, {5, 2}, {2, 3}, {4, 3}, {3, 4}};
    for (const auto& dot : heart) {
        udc.dot(dot[0], dot[1])->click();
    }
    window->message1().showBytes(std::vector<std::uint8_t>{'I', ' ', 0x23, ' ', 'U'});
    window->message1().scrollBox()->setChecked(false);
    QCoreApplication::processEvents();
    const QString preview = window->preview().text();
    EXPECT_FALSE(preview.startsWith(QStringLiteral("I # U"))) << "the heart, not #";

    click("Download");
    ASSERT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
    ASSERT_TRUE(sim->restart());
    EXPECT_EQ(firstScreenAfterRestart(*sim), preview);
    const int record = device::udcRecordStart(1);
    EXPECT_EQ(storedSettings().at(record - 1), 0x23);

    QTemporaryDir dir;
    const QString file = dir.filePath("heart.vfd");
    dialogs.files.push_back(file);
    click("Save");
    click("SetAllDefault");
    window->image().clear();
    dialogs.files.push_back(file);
    click("Load");
    EXPECT_EQ(window->image().at(record), 0x23);
    EXPECT_EQ(child<QLineEdit>("UDC_TEXT")->text(), "23");
    EXPECT_TRUE(udc.dotOn(3, 4));
    EXPECT_FALSE(udc.dotOn(3, 0));
}

// Text typed in the operator's own language reaches the glass as typed: the cells store the codes
// that the display's character set shows it with.
TEST_F(ZoravelOnVirtualDisplay, TypedTextShowsOnTheGlassInTheDisplaysCharacterSet) {
    struct Case {
        int charSet;  // `Char` position
        QString typed;
    };
    const Case cases[] = {
        {0, QString::fromUtf8("Gr\u00FC\u00DFe")},           // code page 437
        {2, QString::fromUtf8("M\u00FCller \u20AC\u00DF")},  // GERMANY; no euro sign
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        child<QComboBox>("Char")->setCurrentIndex(c.charSet);
        MessageEditor& line = window->message1();
        line.selectHex();
        line.clear();
        line.selectAscii();
        line.scrollBox()->setChecked(false);
        int k = 1;
        for (const QChar ch : c.typed) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(line.charCell(k), &press);
            if (!line.charCell(k)->text().isEmpty()) {
                ++k;
            }
        }
        const QString expected = QString(c.typed).remove(QChar(0x20AC));
        QCoreApplication::processEvents();
        EXPECT_EQ(window->preview().text().section(QLatin1Char('\n'), 0, 0), expected);
        dialogs.messages.clear();
        click("Download");
        ASSERT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
        sim->markOutput();
        ASSERT_TRUE(sim->restart());
        ASSERT_TRUE(sim->waitForOutputAfterMark(QByteArray("display |") + expected.toUtf8()))
            << sim->output().toStdString();
    }
}

// The most common field fault: the display was set to 19200 and restarted, and the tool still
// talks at 9600. At the display's own speed everything works again.
TEST_F(ZoravelOnVirtualDisplay, ADisplaySetTo19200AnswersOnlyAt19200) {
    child<QComboBox>("BaudRate")->setCurrentIndex(1);
    click("Download");
    ASSERT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
    ASSERT_TRUE(sim->restart());
    ASSERT_TRUE(sim->output().contains("19200 baud")) << sim->output().toStdString();

    child<QComboBox>("BaudRate")->setCurrentIndex(0);
    dialogs.messages.clear();
    dialogs.details.clear();
    click("GetSetting");
    ASSERT_EQ(dialogs.messages, QStringList{"Com 1 can't be open !!"});
    EXPECT_TRUE(dialogs.details.value(0).contains("Baud Rate (9600,n,8,1)"))
        << dialogs.details.value(0).toStdString();
    EXPECT_EQ(child<QComboBox>("BaudRate")->currentIndex(), 0) << "a failed upload changed it";

    child<QComboBox>("Baud")->setCurrentIndex(1);
    dialogs.messages.clear();
    click("GetSetting");
    EXPECT_EQ(dialogs.messages, QStringList{"Upload O.K!"});
    EXPECT_EQ(child<QComboBox>("BaudRate")->currentIndex(), 1);
    dialogs.messages.clear();
    click("Download");
    EXPECT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
}

TEST_F(ZoravelOnVirtualDisplay, AMissingPortIsNamedAndNothingHangs) {
    child<QComboBox>("Comm")->setEditText("Com 200");
    click("GetSetting");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith("Com 200 can't be opened"))
        << dialogs.messages[0].toStdString();
}

class SilentDisplay : public ZoravelOnVirtualDisplay {
    QStringList options() const override { return {"--no-reply"}; }
};

TEST_F(SilentDisplay, NoAnswerEndsAfterTheWaitWithTheOperatorsMessages) {
    click("Download");
    click("GetSetting");
    EXPECT_EQ(dialogs.messages,
              (QStringList{"Download Fail ! Please retry again !", "Com 1 can't be open !!"}));
    EXPECT_FALSE(window->port().isOpen());
}

TEST_F(SilentDisplay, TheWindowAnswersAllThroughATwoSecondWait) {
    window->show();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    QString spokenDuring;
    QString statusDuring;
    int charDuring = -1;
    // A second into the wait: what a screen reader and an impatient operator would do.
    QTimer::singleShot(1000, [&] {
        QAccessibleInterface* button =
            QAccessible::queryAccessibleInterface(child<QPushButton>("Download"));
        spokenDuring = button != nullptr ? button->text(QAccessible::Name) : QString();
        statusDuring = child<QLabel>("Status")->text();
        child<QComboBox>("Char")->setFocus();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(child<QComboBox>("Char"), &down);
        charDuring = child<QComboBox>("Char")->currentIndex();
    });
    const int charBefore = child<QComboBox>("Char")->currentIndex();
    click("Download");
    EXPECT_GE(ticks, 15) << "the window's timers ran during the 2 s wait";
    EXPECT_EQ(spokenDuring, "Download Setting To VFD");
    EXPECT_EQ(statusDuring, "Waiting up to 2 s for the display's answer on Com 1");
    EXPECT_EQ(charDuring, charBefore);
    QCoreApplication::processEvents();
    EXPECT_EQ(child<QComboBox>("Char")->currentIndex(), charBefore);
    EXPECT_EQ(dialogs.messages, QStringList{"Download Fail ! Please retry again !"});
}

class WrongCheckDisplay : public ZoravelOnVirtualDisplay {
    QStringList options() const override { return {"--wrong-check"}; }
};

TEST_F(WrongCheckDisplay, IsRefusedAndKeepsItsSettings) {
    const QByteArray before = storedSettings();
    click("Download");
    EXPECT_EQ(dialogs.messages, QStringList{"IRC check error ! Please retry again !"});
    EXPECT_EQ(storedSettings(), before);
}

}  // namespace
}  // namespace vfd::config
