// SPDX-License-Identifier: GPL-3.0-or-later
// Download, Get Setting, Save and Load of the configuration window against a scripted port,
// a fixed date and scripted dialogs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <numeric>

#include "config/config_window.h"
#include "config/message_editor.h"
#include "config/udc_editor.h"
#include "config_test_support.h"
#include "device/protocol.h"
#include "support/default_image.h"
#include "support/devices.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/scripted_dialogs.h"
#include "support/widget_lookup.h"

namespace vfd::config {
namespace {

using testing::FakeClock;
using testing::FakePort;
using testing::ScriptedDialogs;

constexpr device::Date kDay{2026, 12, 6};
constexpr std::uint8_t kCheck = 0x8A;

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ConfigWindowServices services = testing::fakeWindowServices(dialogs, port, clock, kDay);
        services.endProgram = [this] { ++programEnds; };
        window = std::make_unique<ConfigWindow>(services);
    }

    template <typename T>
    T* child(const char* name) {
        auto* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* button) { child<QPushButton>(button)->click(); }

    // A display that answers the date stamp with `check` after `delayMs`.
    void displayAnswers(std::uint8_t check, int delayMs = 20) {
        port.setResponder([=](FakePort& p, std::span<const std::uint8_t>) {
            if (p.writtenData().size() == 10) {
                p.feedAfter(delayMs, {check});
            }
        });
    }
    // A display that answers the upload request with `reply`.
    void displayReplies(std::vector<std::uint8_t> reply, int delayMs = 20) {
        port.setResponder([=](FakePort& p, std::span<const std::uint8_t>) {
            if (p.writtenData().size() == 2) {
                p.feedAfter(delayMs, reply);
            }
        });
    }

    static std::vector<std::uint8_t> defaultBody() {
        const device::ImageBytes image = testing::defaultFilledImage();
        return {image.begin() + 1, image.end()};
    }

    FakeClock clock;
    FakePort port{clock};
    ScriptedDialogs dialogs;
    int programEnds = 0;
    std::unique_ptr<ConfigWindow> window;
};

// ---- Download ----

TEST_F(WindowFixture, DownloadAtTheDefaultsSendsTheDefaultImage) {
    displayAnswers(kCheck);
    std::int64_t shownAt = -1;
    dialogs.onMessage = [&](const QString&, const QString&) { shownAt = clock.elapsed(); };
    click("Download");

    ASSERT_EQ(dialogs.messages, QStringList{"Download O.K ! Please restart !"});
    EXPECT_EQ(port.openedName(), testing::deviceOf(1));
    EXPECT_EQ(port.openedSettings(), *link::parseLineSettings("9600,n,8,1"));
    const auto& w = port.writtenData();
    const std::vector<std::uint8_t> head = {0x1B, 0xEF, 2, 0, 2, 6, 1, 2, 0, 6, 0xAA};
    ASSERT_EQ(w.size(), 137u);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), w.begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(w.begin() + 11, w.end()), defaultBody());
    EXPECT_FALSE(port.isOpen());
    // The operator is told a second after the port closed.
    EXPECT_GE(shownAt - port.writeTimes().back(), 1000);
}

TEST_F(WindowFixture, DownloadUsesTheChosenPortAndLineParameters) {
    displayAnswers(kCheck);
    child<QComboBox>("Comm")->setCurrentIndex(2);
    child<QComboBox>("Baud")->setCurrentIndex(1);
    click("Download");
    EXPECT_EQ(port.openedName(), testing::deviceOf(3));
    EXPECT_EQ(port.openedSettings().baud, 19200);
    EXPECT_EQ(dialogs.messages.value(0), "Download O.K ! Please restart !");
}

TEST_F(WindowFixture, DownloadFailuresAreToldWithThePortClosed) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString message;
    };
    const Case cases[] = {
        {"no answer", [] {}, "Download Fail ! Please retry again !"},
        {"late answer", [this] { displayAnswers(kCheck, 2100); },
         "Download Fail ! Please retry again !"},
        {"wrong check byte", [this] { displayAnswers(kCheck + 1); },
         "IRC check error ! Please retry again !"},
        {"port missing", [this] { port.setOpenResult(link::PortError::NotFound); },
         QStringLiteral("Com 1 can't be opened: the port does not exist (%1).")
             .arg(QString::fromStdString(testing::deviceOf(1)))},
        {"port busy", [this] { port.setOpenResult(link::PortError::Busy); },
         QStringLiteral("Com 1 can't be opened: another program is using it (%1).")
             .arg(QString::fromStdString(testing::deviceOf(1)))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        port.setOpenResult(link::PortError::None);
        port.setResponder(nullptr);
        port.clearWritten();
        c.arrange();
        click("Download");
        EXPECT_EQ(dialogs.messages.value(0), c.message);
        EXPECT_EQ(dialogs.messages.size(), 1);
        EXPECT_FALSE(port.isOpen());
        EXPECT_TRUE(child<QPushButton>("Download")->isEnabled());
        dialogs.messages.clear();
    }
}

TEST_F(WindowFixture, WrongCheckByteIsAnsweredWith55AndNoBody) {
    displayAnswers(kCheck + 1);
    click("Download");
    ASSERT_EQ(port.writtenData().size(), 11u);
    EXPECT_EQ(port.writtenData().back(), 0x55);
}

TEST_F(WindowFixture, UnusablePortTextsAreRefusedBeforeAnythingOpens) {
    child<QComboBox>("Baud")->setEditText("9600,n,8");
    click("Download");
    EXPECT_TRUE(dialogs.messages.value(0).startsWith("Com 1 can't be opened: the line parameters"));
    child<QComboBox>("Baud")->setCurrentIndex(0);
    child<QComboBox>("Comm")->setEditText("printer");
    click("GetSetting");
    EXPECT_TRUE(dialogs.messages.value(1).contains("\"printer\" is not a serial port"));
    EXPECT_EQ(port.openCount(), 0);
}

TEST_F(WindowFixture, TypedDevicePathsAndComNumbersAreOpened) {
    child<QComboBox>("Comm")->setEditText(QString::fromStdString(testing::typedDevicePath()));
    click("Download");
    EXPECT_EQ(port.openedName(), testing::typedDevicePath());
    child<QComboBox>("Comm")->setEditText("com 40");
    click("Download");
    EXPECT_EQ(port.openedName(), testing::deviceOf(40));
}

TEST_F(WindowFixture, ButtonsAreDisabledWhileTheDownloadWaitsAndComeBack) {
    displayAnswers(kCheck);
    bool enabledDuringDelay = true;
    port.setResponder([&](FakePort& p, std::span<const std::uint8_t>) {
        if (p.writtenData().size() == 10) {
            p.feedAfter(5, {kCheck});
        }
        if (p.writtenData().size() == 137) {
            clock.after(500, [&] {
                enabledDuringDelay = child<QPushButton>("Download")->isEnabled() ||
                                     child<QPushButton>("GetSetting")->isEnabled() ||
                                     child<QPushButton>("Load")->isEnabled();
            });
        }
    });
    click("Download");
    EXPECT_FALSE(enabledDuringDelay);
    EXPECT_TRUE(child<QPushButton>("Download")->isEnabled());
}

// ---- Get Setting ----

std::vector<std::uint8_t> uploadReply() {
    std::vector<std::uint8_t> r(127, 0);
    r[0] = 0xAA;
    r[1] = 11;  // stand-by outside its list: the list stays
    r[2] = 2;   // line speed outside its list: the list stays
    r[3] = 2;   // lower line does not scroll
    r[4] = 12;
    r[6] = 3;  // "UTC/P"
    r[7] = 0x05;
    r[8] = 0xA0;
    r[27] = 0x41;
    r[68] = 2;
    const std::uint8_t third[] = {0x41, 0x7F, 0x08, 0x08, 0x08, 0x7F};  // an H for character 3
    std::copy(std::begin(third), std::end(third), r.begin() + 81);
    r[126] = 0x99;
    return r;
}

TEST_F(WindowFixture, DuringAReplyWaitTheWindowSaysWhatItWaitsForAndTakesNoInput) {
    // A display that stays silent: the download waits its full 2 s for the check byte.
    QString statusDuring;
    bool busyCursor = false;
    bool repainted = false;
    clock.after(1000, [&] {
        statusDuring = child<QLabel>("Status")->text();
        busyCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        // Typing into the lists and ticking a box meanwhile.
        child<QComboBox>("Char")->setFocus();
        QTest::keyClick(child<QComboBox>("Char"), Qt::Key_Down);
        testing::clickWithMouse(child<QCheckBox>("Scrollupline"));
        // A timer that fires while the wait goes on: the window's events run.
        QTimer::singleShot(0, [&] { repainted = true; });
    });
    const int charBefore = child<QComboBox>("Char")->currentIndex();
    const bool scrollBefore = child<QCheckBox>("Scrollupline")->isChecked();
    click("Download");
    EXPECT_EQ(statusDuring, "Waiting up to 2 s for the display's answer on Com 1");
    EXPECT_TRUE(busyCursor);
    EXPECT_TRUE(repainted);
    QApplication::processEvents();
    EXPECT_EQ(child<QComboBox>("Char")->currentIndex(), charBefore);
    EXPECT_EQ(child<QCheckBox>("Scrollupline")->isChecked(), scrollBefore);
    EXPECT_EQ(dialogs.messages, QStringList{"Download Fail ! Please retry again !"});
    EXPECT_TRUE(child<QLabel>("Status")->text().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowFixture, ClosingTheWindowDuringAWaitEndsTheProgramWithThePortClosed) {
    window->show();
    bool openAfterClose = true;
    clock.after(1000, [&] {
        window->close();
        openAfterClose = port.isOpen();
    });
    click("Download");
    EXPECT_EQ(programEnds, 1);
    EXPECT_FALSE(openAfterClose);
}

TEST_F(WindowFixture, GetSettingShowsTheReceivedSettings) {
    child<QComboBox>("standby")->setCurrentIndex(4);
    click("UDC_NEXT");  // character 3 is current, nothing stored on the way
    click("UDC_NEXT");
    window->message1().selectAscii();
    displayReplies(uploadReply());
    click("GetSetting");

    EXPECT_EQ(dialogs.messages, QStringList{"Upload O.K!"});
    EXPECT_EQ(child<QComboBox>("Command")->currentText(), "UTC/P");
    EXPECT_EQ(child<QComboBox>("Char")->currentIndex(), 12);
    EXPECT_EQ(child<QComboBox>("BaudRate")->currentIndex(), 0);
    EXPECT_EQ(child<QComboBox>("standby")->currentIndex(), 4);
    EXPECT_EQ(child<QComboBox>("Passthru")->currentIndex(), 2);
    EXPECT_TRUE(child<QCheckBox>("Scrollupline")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("Scrolllowline")->isChecked());
    EXPECT_EQ(window->message1().entry(), MessageEditor::Entry::Hex);
    EXPECT_EQ(child<QLineEdit>("L1H(1)")->text(), "05");
    EXPECT_EQ(child<QLineEdit>("L1H(2)")->text(), "A0");
    EXPECT_EQ(child<QLineEdit>("L1H(3)")->text(), "00");
    EXPECT_EQ(child<QLineEdit>("L2H(1)")->text(), "41");
    EXPECT_EQ(window->udcNumber(), 3);
    EXPECT_EQ(child<QLineEdit>("UDC_TEXT")->text(), "41");
    EXPECT_TRUE(window->characterEditor().dotOn(1, 0));
    EXPECT_TRUE(window->characterEditor().dotOn(3, 3));
    EXPECT_FALSE(window->characterEditor().dotOn(3, 0));
    EXPECT_EQ(window->image().at(126), 0x99);
    EXPECT_EQ(port.writtenData(), (std::vector<std::uint8_t>{0x1B, 0xEE}));
    EXPECT_FALSE(port.isOpen());
}

TEST_F(WindowFixture, AFailedGetSettingLeavesTheImageAndWindowAsTheyWere) {
    window->image().set(69, 0x41);
    window->image().set(70, 0x7F);
    window->image().set(126, 0x33);
    const device::SettingsImage before = window->image();
    auto shortReply = uploadReply();
    shortReply.resize(100);
    auto badMarker = uploadReply();
    badMarker[0] = 0xAB;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> reply;
        int delayMs;
        QString message;
    };
    const Case cases[] = {
        {"no answer", {}, 0, "Com 1 can't be open !!"},
        {"answer after 2500 ms", uploadReply(), 2500, "Com 1 can't be open !!"},
        {"short reply", shortReply, 20,
         "The display answered only 100 of 127 bytes. The settings in the window were not "
         "changed."},
        {"bad marker", badMarker, 20, "Receive Check bit Error !!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.messages.clear();
        if (c.reply.empty()) {
            port.setResponder(nullptr);
        } else {
            displayReplies(c.reply, c.delayMs);
        }
        port.clearWritten();
        click("GetSetting");
        EXPECT_EQ(dialogs.messages, QStringList{c.message});
        EXPECT_EQ(window->image(), before);
        EXPECT_EQ(child<QComboBox>("Command")->currentIndex(), 1);
        EXPECT_FALSE(port.isOpen());
    }
}

TEST_F(WindowFixture, NoAnswerNamesTheChosenEntry) {
    child<QComboBox>("Comm")->setCurrentIndex(1);
    click("GetSetting");
    EXPECT_EQ(dialogs.messages, QStringList{"Com 2 can't be open !!"});
}

// ---- Save and Load ----

class FileFixture : public WindowFixture {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    std::vector<std::uint8_t> bytesOf(const QString& name) const {
        std::ifstream in(path(name).toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void writeFile(const QString& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(path(name).toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    void save(const QString& name) {
        dialogs.files.push_back(name.isEmpty() ? QString() : path(name));
        click("Save");
    }
    void load(const QString& name, bool answer = true) {
        dialogs.files.push_back(path(name));
        dialogs.confirmAnswers.push_back(answer);
        click("Load");
    }
    QTemporaryDir dir;
};

TEST_F(FileFixture, SaveThenLoadRestoresEveryField) {
    child<QComboBox>("Char")->setCurrentIndex(5);
    child<QComboBox>("Command")->setCurrentIndex(7);
    child<QComboBox>("BaudRate")->setCurrentIndex(1);
    child<QComboBox>("Passthru")->setCurrentIndex(1);
    child<QComboBox>("standby")->setCurrentIndex(3);
    child<QCheckBox>("Scrollupline")->setChecked(false);
    window->message1().selectAscii();
    window->message1().setCharacters("HELLO");
    for (int n = 1; n <= 9; ++n) {
        for (int b = 0; b < 6; ++b) {
            window->image().set(device::udcRecordStart(n) + b,
                                static_cast<std::uint8_t>(0x20 + n + b));
        }
    }
    window->image().set(5, 0x55);
    window->image().set(67, 0x67);
    window->image().set(123, 0x7B);
    save("shop.vfd");
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(dialogs.filters.value(0), "VFD Files(*.bin) | *.vfd");
    EXPECT_EQ(window->message1().entry(), MessageEditor::Entry::Hex);  // left in Hex entry
    const auto saved = bytesOf("shop.vfd");
    ASSERT_EQ(saved.size(), 126u);
    const device::SettingsImage savedImage = window->image();

    // Change everything, then load the file back.
    child<QPushButton>("SetAllDefault")->click();
    child<QComboBox>("standby")->setCurrentIndex(0);
    child<QCheckBox>("Scrollupline")->setChecked(true);
    window->image().clear();
    click("UDC_NEXT");
    load("shop.vfd");

    EXPECT_EQ(dialogs.filters.value(1), "VFD Files(*.vfd) | *.vfd");
    EXPECT_EQ(dialogs.questions, QStringList{"Load File: Are you sure to Load ?"});
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("|").toStdString();
    EXPECT_EQ(child<QComboBox>("Char")->currentIndex(), 5);
    EXPECT_EQ(child<QComboBox>("Command")->currentIndex(), 7);
    EXPECT_EQ(child<QComboBox>("BaudRate")->currentIndex(), 1);
    EXPECT_EQ(child<QComboBox>("Passthru")->currentIndex(), 1);
    EXPECT_EQ(child<QComboBox>("standby")->currentIndex(), 3);
    EXPECT_FALSE(child<QCheckBox>("Scrollupline")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("Scrolllowline")->isChecked());
    EXPECT_EQ(child<QLineEdit>("L1H(1)")->text(), "48");
    EXPECT_EQ(child<QLineEdit>("L1H(5)")->text(), "4F");
    EXPECT_EQ(child<QLineEdit>("L1H(6)")->text(), "00");
    EXPECT_EQ(child<QLineEdit>("L2H(1)")->text(), "2A");
    EXPECT_EQ(window->udcNumber(), 1);
    EXPECT_EQ(child<QLabel>("UDC_label")->text(), "User Defined Character  1");
    EXPECT_EQ(child<QLineEdit>("UDC_TEXT")->text(), "21");
    for (int i = 1; i < 127; ++i) {
        EXPECT_EQ(window->image().at(i), savedImage.at(i)) << i;
    }
}

TEST_F(FileFixture, VfdDotVfdIsRefusedButOtherCasesAreWritten) {
    save("VFD.vfd");
    EXPECT_EQ(dialogs.messages, QStringList{"VFD.vfd can't be saved"});
    EXPECT_FALSE(QFile::exists(path("VFD.vfd")));
    save("vfd.vfd");
    EXPECT_TRUE(QFile::exists(path("vfd.vfd")));
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(FileFixture, SavingOverALongerFileKeepsItsTail) {
    writeFile("long.vfd", std::vector<std::uint8_t>(300, 0xEE));
    save("long.vfd");
    const auto now = bytesOf("long.vfd");
    ASSERT_EQ(now.size(), 300u);
    EXPECT_EQ(std::vector<std::uint8_t>(now.begin(), now.begin() + 126), defaultBody());
    EXPECT_TRUE(std::all_of(now.begin() + 126, now.end(), [](auto b) { return b == 0xEE; }));
    load("long.vfd");  // and it loads from its first 126 bytes
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// Named pipes, links and the system's words for a missing file are Linux's here.
#ifndef _WIN32
TEST_F(FileFixture, CancelsAndBadFilesChangeNothing) {
    click("UDC_NEXT");
    click("UDC_NEXT");
    child<QComboBox>("Command")->setCurrentIndex(4);
    window->image().set(75, 0x42);
    const device::SettingsImage before = window->image();

    auto body = defaultBody();
    body[1] = 2;  // a line speed the list does not have
    writeFile("foreign.vfd", body);
    writeFile("short.vfd", std::vector<std::uint8_t>(125, 0));
    auto standby = defaultBody();
    standby[0] = 11;  // one more than the stand-by list has
    writeFile("standby.vfd", standby);
    ASSERT_EQ(::mkfifo(path("pipe.vfd").toLocal8Bit().constData(), 0600), 0);

    save("");                 // save dialog cancelled
    load("shop.vfd", false);  // load question cancelled
    dialogs.files.push_back(QString());
    click("Load");  // load dialog cancelled
    EXPECT_TRUE(dialogs.messages.isEmpty());
    load("foreign.vfd");
    load("short.vfd");
    load("standby.vfd");
    load("pipe.vfd");  // refused at once: a read would wait for a writer for good
    load("missing.vfd");
    EXPECT_EQ(dialogs.messages, (QStringList{"Error", "Error", "Error", "Error", "Error"}));
    // Beneath each "Error": the file, and why.
    ASSERT_EQ(dialogs.details.size(), 5);
    // A file that cannot hold settings says so first, then which byte of it is wrong in the
    // window's words.
    const QString reasons[] = {
        "can't be loaded: it is not a settings file of these tools (byte 2 of the file, "
        "BaudRate Select, is 2; the list has 0 to 1). Nothing was changed.",
        "it is not a settings file of these tools (it holds 125 bytes; a settings file has 126)",
        "(byte 1 of the file, Time To enter Stand-by Status, is 11; the list has 0 to 10)",
        "named pipe, not a regular file", "No such file"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(dialogs.details[i].startsWith(path("")));
        EXPECT_NE(dialogs.details[i].indexOf(reasons[i]), -1) << dialogs.details[i].toStdString();
    }
    EXPECT_EQ(window->image(), before);
    EXPECT_EQ(window->udcNumber(), 3);
    EXPECT_EQ(child<QComboBox>("Command")->currentIndex(), 4);
}

TEST_F(FileFixture, SavingThroughALinkWritesTheFileItNames) {
    writeFile("real.vfd", std::vector<std::uint8_t>(126, 0xEE));
    ASSERT_EQ(::symlink(path("real.vfd").toLocal8Bit().constData(),
                        path("link.vfd").toLocal8Bit().constData()),
              0);
    save("link.vfd");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("|").toStdString();
    EXPECT_TRUE(QFileInfo(path("link.vfd")).isSymLink());
    EXPECT_EQ(bytesOf("real.vfd"), defaultBody());
}

#endif

TEST_F(FileFixture, LoadedScrollByteOutsideZeroToThreeLeavesTheBoxes) {
    auto body = defaultBody();
    body[2] = 7;
    writeFile("seven.vfd", body);
    child<QCheckBox>("Scrollupline")->setChecked(false);
    load("seven.vfd");
    EXPECT_FALSE(child<QCheckBox>("Scrollupline")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("Scrolllowline")->isChecked());
    EXPECT_EQ(window->image().at(3), 7);
}

}  // namespace
}  // namespace vfd::config
