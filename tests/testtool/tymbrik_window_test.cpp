// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "records/test_record.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/operator_hand.h"
#include "support/scripted_dialogs.h"
#include "testtool/message_window.h"
#include "testtool/tymbrik_window.h"
#include "tymbrik_fixture.h"

namespace vfd::testtool {
namespace {

using testing::asSettings;
using testing::counting;
using testing::named;
using Bytes = std::vector<std::uint8_t>;

// The fake port answers to port 1 only, as if one adapter were plugged in.
constexpr const char* kPortFolder = "/fake-ports";
constexpr const char* kPort1 = "/fake-ports/COM1";

class TestWindowTest : public ::testing::Test {
protected:
    TymbrikWindowServices services() {
        TymbrikWindowServices s;
        s.dialogs = &dialogs;
        s.port = &port;
        s.clock = &clock;
        s.today = [] { return device::Date{2026, 12, 6}; };
        s.ports.folder = kPortFolder;
        s.ports.exists = [](const std::string& path) { return path == kPort1; };
        s.rangeFolders = {ranges.path()};
        s.endProgram = [this] { ++programEnds; };
        return s;
    }

    template <class T>
    T* control(const QString& name) {
        return named<T>(window, name);
    }
    QPushButton* button(const QString& name) { return control<QPushButton>(name); }
    QCheckBox* box(const QString& name) { return control<QCheckBox>(name); }

    // What a test does after start-up; the port search's opens and closes are not its own.
    void forgetStartUp() {
        port.clearWritten();
        opensBefore = port.openCount();
        closesBefore = port.closeCount();
    }

    testing::ScriptedDialogs dialogs;
    testing::FakeClock clock;
    testing::FakePort port{clock};
    testing::ScratchFolder ranges;
    int programEnds = 0;
    TymbrikWindow window{services()};
    int opensBefore = 0;
    int closesBefore = 0;
};

TEST_F(TestWindowTest, ShowsEveryControlWithItsCaption) {
    EXPECT_EQ(window.windowTitle(), "Tymbrik");
    const std::map<QString, QString> buttons = {
        {"Command3", "Send 0x80-0x9F"},
        {"Command4", "Send 0xA0-0xBF"},
        {"Command5", "Send 0xC0-0xDF"},
        {"Command6", "Send 0xE0-0xFF"},
        {"Exit", "Exit"},
        {"Command1", "Auto Search Comport"},
        {"Command2", "Load Setting"},
        {"Display", "DisplayText"},
        {"ScreenTest", "Start"},
    };
    for (const auto& [name, caption] : buttons) {
        EXPECT_EQ(button(name)->text(), caption) << name.toStdString();
    }
    EXPECT_EQ(control<QLabel>("Label6")->text(), "Com Port Select :");
    EXPECT_EQ(control<QGroupBox>("Frame1")->title(), "Module Name");
    EXPECT_EQ(box("Check_PID")->text(), "PID");
    EXPECT_EQ(box("Check_SN")->text(), "SN");
    EXPECT_EQ(box("Check_Default")->text(), "Default");
    EXPECT_TRUE(control<QLineEdit>("Text1")->text().isEmpty());
    EXPECT_TRUE(control<QLineEdit>("Text2")->text().isEmpty());
    EXPECT_EQ(control<QComboBox>("cboPort")->currentText(), "Combo1");

    // The screen test's controls stand together under their heading; the controls that tell
    // the operator nothing are kept by name but never shown.
    window.show();
    const auto* screenTest = control<QGroupBox>("ScreenTestGroup");
    EXPECT_EQ(screenTest->title(), "Screen test");
    for (const char* name : {"Frame1", "Option_EPSON_QV310", "Check_PID", "Check_SN",
                             "Check_Default", "ScreenTest", "Text2", "Command2"}) {
        EXPECT_TRUE(screenTest->isAncestorOf(control<QWidget>(name))) << name;
    }
    for (const char* name : {"Label1", "Label2", "cboPort"}) {
        EXPECT_FALSE(control<QWidget>(name)->isVisible()) << name;
    }
}

TEST_F(TestWindowTest, StartsWithTheFirstModelItsPresetsAndTheLineParameters) {
    EXPECT_TRUE(control<QRadioButton>("Option_EPSON_QV310")->isChecked());
    EXPECT_TRUE(box("Check_PID")->isChecked());
    EXPECT_FALSE(box("Check_SN")->isChecked());
    EXPECT_FALSE(box("Check_Default")->isChecked());

    auto* baud = control<QComboBox>("Baud");
    ASSERT_EQ(baud->count(), 2);
    EXPECT_EQ(baud->itemText(0), "9600,n,8,1");
    EXPECT_EQ(baud->itemText(1), "19200,n,8,1");
    EXPECT_EQ(baud->currentText(), "9600,n,8,1");
    EXPECT_TRUE(baud->isEditable());

    EXPECT_EQ(control<QLabel>("Label1")->text(), "Factory");
    EXPECT_EQ(control<QLabel>("Label2")->text(), "Label2");
    EXPECT_TRUE(window.resetPending());
    EXPECT_FALSE(window.screenRun().busy());
    EXPECT_FALSE(window.fileImage().has_value());

    // The search found the one port and sent nothing; the port is closed again.
    EXPECT_EQ(control<QComboBox>("auto_comport")->currentText(), "Com 1");
    EXPECT_EQ(control<QComboBox>("Comm")->currentText(), "com 1");
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.writtenData().empty());
}

TEST_F(TestWindowTest, EachModelOptionSetsTheThreeCheckBoxes) {
    struct Case {
        const char* option;
        const char* caption;
        bool pid, sn, defaults;
    };
    // From the default-download model onwards, so that every later option has to clear the
    // Default box again.
    const Case cases[] = {
        {"Option_CD5220_NR400_CD5220_RUSSIA", "(CD5220 mode)NR-400(RUSSIA+CD5220)", false, false,
         true},
        {"Option_EPSON_QV330", "QV330", false, false, false},
        {"Option_EPSON_QV310", "QV310(Wexlor)", true, false, false},
        {"Option_EPSON_VFD", "VFD(QV710,QV320)", false, false, false},
        {"Option_EPSON_NR400", "NR-400", false, false, false},
        {"Option_EPSON_ZTK900", "ZTK-900", false, false, false},
        {"Option_EPSON_QV310_v68AC", "QV310_v6-8AC(CD5220)", false, false, false},
        {"Option_EPSON_NR400_CD5220_RUSSIA", "NR-400(RUSSIA+CD5220)", false, false, false},
        {"Option_CD5220_QV310_v68AC", "(CD5220 mode)QV310_v6-8AC(CD5220)", false, false, false},
        {"Option_EPSON_File", "(EPSON mode)File Setting", false, false, false},
        {"Option_CD5220_File", "(CD5220 mode)File Setting", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        // Every box ticked first, so that the option has to clear what it does not want.
        for (const char* name : {"Check_PID", "Check_SN", "Check_Default"}) {
            box(name)->setChecked(true);
        }
        auto* option = control<QRadioButton>(c.option);
        EXPECT_EQ(option->text(), c.caption);
        option->click();
        EXPECT_TRUE(option->isChecked());
        EXPECT_EQ(box("Check_PID")->isChecked(), c.pid);
        EXPECT_EQ(box("Check_SN")->isChecked(), c.sn);
        EXPECT_EQ(box("Check_Default")->isChecked(), c.defaults);
    }
    EXPECT_EQ(window.findChildren<QRadioButton*>().size(), 11);
}

TEST_F(TestWindowTest, TheScreenTestTakesTheBoxesAsTheOperatorLeftThem) {
    control<QRadioButton>("Option_EPSON_ZTK900")->click();
    box("Check_SN")->setChecked(true);
    const ScreenRunChoice choice = window.screenRunChoice();
    EXPECT_EQ(choice.model, Model::EpsonZtk900);
    EXPECT_FALSE(choice.pid);
    EXPECT_TRUE(choice.sn);
    EXPECT_FALSE(choice.defaults);
}

// --- range test ---

TEST_F(TestWindowTest, ARangeButtonSendsExactlyFortyEightBytesOfItsFile) {
    struct Case {
        const char* button;
        const char* file;
        std::size_t length;
    };
    for (const Case c : {Case{"Command4", "A0-BF", 40}, Case{"Command3", "80-9F", 51},
                         Case{"Command6", "E0-FF", 60}}) {
        SCOPED_TRACE(c.file);
        const Bytes content = counting(c.length, 0x80);
        ranges.write(c.file, content);
        forgetStartUp();

        button(c.button)->click();

        Bytes expected(content.begin(), content.begin() + std::min<std::size_t>(c.length, 48));
        expected.resize(48, 0x00);
        EXPECT_EQ(port.writtenData(), expected);
        EXPECT_EQ(port.openedName(), kPort1);
        EXPECT_EQ(port.openCount(), opensBefore + 1);
        EXPECT_EQ(port.closeCount(), closesBefore + 1);
        EXPECT_FALSE(port.isOpen());
        EXPECT_TRUE(dialogs.messages.isEmpty());
    }
}

TEST_F(TestWindowTest, ARangeButtonOpensWithTheLineParametersShownNow) {
    ranges.write("C0-DF", counting(48, 0xC0));
    control<QComboBox>("Baud")->setCurrentIndex(1);
    button("Command5")->click();
    EXPECT_EQ(port.openedSettings().baud, 19200);

    control<QComboBox>("Baud")->setEditText("4800,n,8,1");
    button("Command5")->click();
    EXPECT_EQ(port.openedSettings().baud, 4800);
}

TEST_F(TestWindowTest, AMissingRangeFileIsNamedAndNothingIsSentOrCreated) {
    testing::ScratchFolder besideProgram;
    TymbrikWindowServices s = services();
    s.rangeFolders = {ranges.path(), besideProgram.path()};
    TymbrikWindow other(s);
    forgetStartUp();

    named<QPushButton>(other, "Command5")->click();

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("\"C0-DF\"")) << dialogs.messages[0].toStdString();
    EXPECT_TRUE(port.writtenData().empty());
    EXPECT_EQ(port.openCount(), opensBefore);
    EXPECT_TRUE(std::filesystem::is_empty(ranges.path()));
    EXPECT_TRUE(std::filesystem::is_empty(besideProgram.path()));
}

TEST_F(TestWindowTest, RangeFilesAreLookedForInTheWorkingFolderThenBesideTheProgram) {
    testing::ScratchFolder working;
    working.write("80-9F", Bytes(48, 0x11));
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(working.path());
    TymbrikWindowServices s = services();
    s.rangeFolders.clear();
    TymbrikWindow defaults(s);
    std::filesystem::current_path(before);
    forgetStartUp();

    named<QPushButton>(defaults, "Command3")->click();
    EXPECT_EQ(port.writtenData(), Bytes(48, 0x11));

    // The build puts the shipped range files beside this test program, as beside the tool.
    port.clearWritten();
    named<QPushButton>(defaults, "Command4")->click();
    ASSERT_EQ(port.writtenData().size(), 48u);
    EXPECT_EQ(Bytes(port.writtenData().begin(), port.writtenData().begin() + 3),
              Bytes({0x1B, 0x40, 0xA0}));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(TestWindowTest, ARangeTestWithNoPortFoundTellsTheOperator) {
    TymbrikWindowServices s = services();
    s.ports.exists = [](const std::string&) { return false; };
    TymbrikWindow noPort(s);
    ranges.write("80-9F", Bytes(48, 0x41));
    forgetStartUp();

    named<QPushButton>(noPort, "Command3")->click();

    EXPECT_EQ(port.openCount(), opensBefore);
    EXPECT_TRUE(port.writtenData().empty());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("Auto Search Comport"));
}

// --- free text ---

TEST_F(TestWindowTest, DisplayInitialisesOnceThenOnlyAppendsText) {
    forgetStartUp();
    auto* text1 = control<QLineEdit>("Text1");
    text1->setText("ABC");
    button("Display")->click();

    ASSERT_EQ(port.writtenBlocks().size(), 2u);
    EXPECT_EQ(port.writtenBlocks()[0], Bytes({0x1B, 0x40}));
    EXPECT_EQ(port.writtenBlocks()[1], Bytes({0x41, 0x42, 0x43}));
    EXPECT_GE(port.writeTimes()[2] - port.writeTimes()[0], 200);
    EXPECT_FALSE(window.resetPending());
    // The port was closed, so Display opened it for the text and closed it again.
    EXPECT_EQ(port.openCount(), opensBefore + 1);
    EXPECT_FALSE(port.isOpen());

    port.clearWritten();
    text1->setText("DE");
    button("Display")->click();
    EXPECT_EQ(port.writtenBlocks(), std::vector<Bytes>({{0x44, 0x45}}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(TestWindowTest, DisplaySendsTheCodesTheModelsCharacterSetShowsTheTextWith) {
    struct Case {
        const char* option;
        QString text;
        Bytes bytes;
    };
    const Case cases[] = {
        // Code page 437, the factory's.
        {"Option_EPSON_QV310",
         QString::fromUtf8("1,50 \u00A3 caf\u00E9 Gr\u00FC\u00DFe"),
         {'1', ',', '5', '0', ' ', 0x9C, ' ', 'c', 'a', 'f', 0x82, ' ', 'G', 'r', 0x81, 0xE1, 'e'}},
        // The RUSSIA models store code page 866.
        {"Option_EPSON_NR400_CD5220_RUSSIA", QString::fromUtf8("\u0414\u0430"), {0x84, 0xA0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        control<QRadioButton>(c.option)->click();
        control<QLineEdit>("Text1")->setText(c.text);
        forgetStartUp();
        button("Display")->click();
        ASSERT_FALSE(port.writtenBlocks().empty());
        EXPECT_EQ(port.writtenBlocks().back(), c.bytes);
    }
}

TEST_F(TestWindowTest, TheTextRefusesACharacterTheDisplayCannotShowAndSaysWhich) {
    auto* text = control<QLineEdit>("Text1");
    QTest::keyClicks(text, "EUR");
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)));
    QApplication::sendEvent(text, &euro);
    EXPECT_EQ(text->text(), "EUR");
    EXPECT_EQ(control<QLabel>("TextNote")->text(),
              QString::fromUtf8("\u201C\u20AC\u201D is not in the display's character set "
                                "USA/Eurpope."));
    QTest::keyClicks(text, "!");
    EXPECT_TRUE(control<QLabel>("TextNote")->text().isEmpty());
}

TEST_F(TestWindowTest, DisplayWithAnEmptyTextSendsOnlyTheReset) {
    forgetStartUp();
    button("Display")->click();
    EXPECT_EQ(port.writtenBlocks(), std::vector<Bytes>({{0x1B, 0x40}}));
}

// --- Load Setting ---

class LoadSettingTest : public TestWindowTest {
protected:
    QString load(const std::filesystem::path& file) {
        dialogs.files.push_back(QString::fromStdString(file.string()));
        dialogs.confirmAnswers.push_back(true);
        button("Command2")->click();
        return QString::fromStdString(file.string());
    }
    QString text2() { return control<QLineEdit>("Text2")->text(); }
    testing::ScratchFolder files;
};

TEST_F(LoadSettingTest, ASettingsFileFillsTheImageAndShowsItsPath) {
    const Bytes content = asSettings(counting(126, 1));
    const QString path = load(files.write("shop.vfd", content));

    ASSERT_TRUE(window.fileImage().has_value());
    EXPECT_TRUE(std::equal(content.begin(), content.end(), window.fileImage()->begin()));
    EXPECT_EQ(window.fileName(), path);
    EXPECT_EQ(text2(), path);
    EXPECT_EQ(dialogs.filters, QStringList{"VFD Files(*.vfd) | *.vfd"});
    EXPECT_EQ(dialogs.questions, QStringList{"Load File: Are you sure to Load ?"});
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // The screen test downloads what was loaded.
    EXPECT_EQ(window.screenRunChoice().fileImage, window.fileImage());
}

TEST_F(LoadSettingTest, ALongerFileGivesItsFirstBytesAndASecondLoadReplacesTheFirst) {
    load(files.write("first.vfd", asSettings(Bytes(126, 0x77))));
    const Bytes content = asSettings(counting(200, 0x10));
    load(files.write("long.vfd", content));
    ASSERT_TRUE(window.fileImage().has_value());
    EXPECT_TRUE(std::equal(content.begin(), content.begin() + 126, window.fileImage()->begin()));
}

TEST_F(LoadSettingTest, CancelOrAFailedReadLeavesTheEarlierLoadInForce) {
    const QString earlier = load(files.write("good.vfd", asSettings(Bytes(126, 0x5A))));
    const auto image = window.fileImage();
    ASSERT_TRUE(image.has_value());
    files.write("short.vfd", Bytes(100, 0x01));
    Bytes standby11 = asSettings(Bytes(126, 0x20));
    standby11[0] = 11;
    files.write("standby.vfd", standby11);
    files.write("random.vfd", counting(126, 0x9C));
#ifndef _WIN32  // Windows has no named pipes among its files
    const std::string pipe = (files / "pipe.vfd").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
#endif

    struct Case {
        const char* what;
        QString chosen;
        bool answer;
        QStringList messages;
    };
    const Case cases[] = {
        {"file dialog cancelled", "", true, {}},
        {"question answered Cancel",
         QString::fromStdString((files / "short.vfd").string()),
         false,
         {}},
        {"short file", QString::fromStdString((files / "short.vfd").string()), true, {"Error"}},
        {"missing file", QString::fromStdString((files / "gone.vfd").string()), true, {"Error"}},
        {"a folder", QString::fromStdString(files.path().string()), true, {"Error"}},
        {"a stand-by byte of 11",
         QString::fromStdString((files / "standby.vfd").string()),
         true,
         {"Error"}},
        {"126 bytes that are no settings",
         QString::fromStdString((files / "random.vfd").string()),
         true,
         {"Error"}},
#ifndef _WIN32
        {"a named pipe", QString::fromStdString(pipe), true, {"Error"}},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.messages.clear();
        dialogs.questions.clear();
        dialogs.files.push_back(c.chosen);
        dialogs.confirmAnswers.push_back(c.answer);
        button("Command2")->click();
        dialogs.confirmAnswers.clear();

        EXPECT_EQ(dialogs.messages, c.messages);
        if (!c.messages.isEmpty()) {
            // Beneath "Error": which file, and why.
            ASSERT_FALSE(dialogs.details.isEmpty());
            EXPECT_TRUE(QDir::toNativeSeparators(dialogs.details.back())
                            .startsWith(QDir::toNativeSeparators(c.chosen)))
                << dialogs.details.back().toStdString();
        }
        EXPECT_EQ(dialogs.questions.size(), c.chosen.isEmpty() ? 0 : 1);
        EXPECT_EQ(window.fileImage(), image);
        EXPECT_EQ(window.fileName(), earlier);
        EXPECT_EQ(text2(), earlier);
    }
}

TEST_F(LoadSettingTest, RefusedBytesNeverReachTheDisplayThroughAFileSettingTest) {
    load(files.write("random.vfd", counting(126, 0x9C)));
    EXPECT_EQ(dialogs.messages, QStringList{"Error"});
    ASSERT_EQ(dialogs.details.size(), 1);
    EXPECT_NE(dialogs.details[0].indexOf(
                  "it is not a settings file of these tools (byte 1 of the file, Time To "
                  "enter Stand-by Status, is 156; the list has 0 to 10)"),
              -1)
        << dialogs.details[0].toStdString();
    forgetStartUp();
    control<QRadioButton>("Option_EPSON_File")->click();
    button("ScreenTest")->click();
    EXPECT_EQ(port.openCount(), opensBefore);
    EXPECT_TRUE(port.writtenData().empty());
    EXPECT_EQ(dialogs.messages, QStringList{"Error"});
}

TEST_F(LoadSettingTest, AFailedFirstLoadLeavesNoFileLoaded) {
    load(files.write("short.vfd", Bytes(10, 0x01)));
    EXPECT_EQ(dialogs.messages, QStringList{"Error"});
    EXPECT_FALSE(window.fileImage().has_value());
    EXPECT_TRUE(window.fileName().isEmpty());
    EXPECT_TRUE(text2().isEmpty());
}

// --- while an exchange runs ---

const char* const kPortUsers[] = {"Command1", "Command2", "Command3", "Command4",
                                  "Command5", "Command6", "Display",  "ScreenTest"};

TEST_F(TestWindowTest, DuringAReplyWaitTheWindowSaysWhatItWaitsForAndTakesNoInput) {
    // QV310 with PID: the identity check waits 3 s for an answer that never comes.
    window.show();
    forgetStartUp();
    QString statusDuring;
    bool busyCursor = false;
    bool snDuring = true;
    clock.after(1000, [&] {
        statusDuring = control<QLabel>("Status")->text();
        busyCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        // An operator clicks SN and types Space on Default meanwhile.
        testing::clickWithMouse(box("Check_SN"));
        snDuring = box("Check_SN")->isChecked();
        box("Check_Default")->setFocus();
        QTest::keyClick(box("Check_Default"), Qt::Key_Space);
        testing::clickWithMouse(control<QRadioButton>("Option_EPSON_NR400"));
    });
    // The message window is another window: its OK still works.
    clock.after(8000, [&] {
        testing::clickWithMouse(named<QPushButton>(window.messageWindow(), "Command1"));
    });
    button("ScreenTest")->click();
    EXPECT_EQ(window.messageWindow().message(), "VFD PID is Error.");

    EXPECT_EQ(statusDuring, "Waiting up to 3 s for the display's answer on com 1");
    EXPECT_TRUE(busyCursor);
    EXPECT_FALSE(snDuring);
    // Nothing of it is applied afterwards either: the next test is the one the operator chose.
    QApplication::processEvents();
    EXPECT_FALSE(box("Check_SN")->isChecked());
    EXPECT_FALSE(box("Check_Default")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("Option_EPSON_QV310")->isChecked());
    EXPECT_TRUE(control<QLabel>("Status")->text().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // And the window takes clicks again.
    testing::clickWithMouse(box("Check_SN"));
    EXPECT_TRUE(box("Check_SN")->isChecked());
}

TEST_F(TestWindowTest, ExitDuringAReplyWaitEndsTheProgramWithThePortClosed) {
    window.show();
    forgetStartUp();
    bool openAtExit = false;
    clock.after(1000, [&] {
        testing::clickWithMouse(button("Exit"));
        openAtExit = port.isOpen();
    });
    button("ScreenTest")->click();
    EXPECT_EQ(programEnds, 1);
    EXPECT_FALSE(openAtExit);
}

TEST_F(TestWindowTest, AScreenTestKeepsThePortUsersDisabledUntilItEnds) {
    ranges.write("80-9F", Bytes(48, 0x41));
    control<QRadioButton>("Option_EPSON_QV330")->click();
    forgetStartUp();

    std::map<std::string, bool> enabledDuring;
    bool busyDuring = false;
    std::size_t writtenBefore = 0;
    std::size_t writtenAfter = 0;
    // 100 ms into the all-dots-on pause, a window event: look at the controls and press a range
    // button and Start, as an impatient operator would.
    clock.after(100, [&] {
        busyDuring = window.screenRun().busy();
        for (const char* name : kPortUsers) {
            enabledDuring[name] = button(name)->isEnabled();
        }
        enabledDuring["Comm"] = control<QComboBox>("Comm")->isEnabled();
        enabledDuring["Baud"] = control<QComboBox>("Baud")->isEnabled();
        enabledDuring["Exit"] = button("Exit")->isEnabled();
        writtenBefore = port.writtenData().size();
        button("Command3")->click();
        button("ScreenTest")->click();
        writtenAfter = port.writtenData().size();
    });
    button("ScreenTest")->click();

    EXPECT_TRUE(busyDuring);
    for (const char* name : kPortUsers) {
        EXPECT_FALSE(enabledDuring[name]) << name;
    }
    EXPECT_FALSE(enabledDuring["Comm"]);
    EXPECT_FALSE(enabledDuring["Baud"]);
    EXPECT_TRUE(enabledDuring["Exit"]);
    EXPECT_EQ(writtenAfter, writtenBefore);
    EXPECT_GT(writtenBefore, 0u);

    // No display answers the test image's download, which ends the test.
    EXPECT_EQ(dialogs.messages, QStringList{"Download Fail ! Please retry again !"});
    EXPECT_FALSE(window.screenRun().busy());
    EXPECT_FALSE(window.exchangeRunning());
    for (const char* name : kPortUsers) {
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(control<QComboBox>("Comm")->isEnabled());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(TestWindowTest, DisplayKeepsThePortUsersDisabledDuringItsPause) {
    bool rangeEnabled = true;
    clock.after(50, [&] { rangeEnabled = button("Command3")->isEnabled(); });
    button("Display")->click();
    EXPECT_FALSE(rangeEnabled);
    EXPECT_TRUE(button("Command3")->isEnabled());
}

TEST_F(TestWindowTest, ExitDuringAScreenTestEndsTheProgramWithThePortReleased) {
    control<QRadioButton>("Option_EPSON_QV330")->click();
    window.show();
    bool portOpenAfterExit = true;
    clock.after(100, [&] {
        button("Exit")->click();
        portOpenAfterExit = port.isOpen();
    });
    button("ScreenTest")->click();
    EXPECT_EQ(programEnds, 1);
    EXPECT_FALSE(portOpenAfterExit);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TestWindowTest, ExitClosesTheWindow) {
    window.show();
    button("Exit")->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(programEnds, 0);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(TestWindowTest, TheScreenTestSpeaksThroughTheMessageWindow) {
    // With a file option and no file loaded, the test ends at once; the file model then runs
    // once a file is loaded, and its failure arrives as an ordinary message.
    control<QRadioButton>("Option_EPSON_File")->click();
    forgetStartUp();
    button("ScreenTest")->click();
    EXPECT_EQ(port.openCount(), opensBefore);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Identity check against a display that answers the wrong identity: the verdict waits in
    // the message window until OK.
    control<QRadioButton>("Option_EPSON_QV310")->click();
    port.setResponder([](testing::FakePort& p, std::span<const std::uint8_t> block) {
        if (block.size() == 3 && block[0] == 0x1D) {
            p.feedAfter(10, {'P', 'I', 'D', ':', '0', '0', '0', '0'});
        }
    });
    QString shown;
    bool visible = false;
    clock.after(2500, [&] {
        shown = window.messageWindow().message();
        visible = window.messageWindow().isVisible();
        named<QPushButton>(window.messageWindow(), "Command1")->click();
    });
    const auto start = clock.elapsed();
    button("ScreenTest")->click();
    EXPECT_EQ(shown, "VFD PID is Error.");
    EXPECT_TRUE(visible);
    EXPECT_FALSE(window.messageWindow().isVisible());
    EXPECT_EQ(control<QLabel>("Label2")->text(), "0");
    EXPECT_LE(clock.elapsed() - start, 2500 + 1000);
}

// --- accessibility ---

// One object a screen reader reaches, and the one above it.
struct Reached {
    QAccessibleInterface* face;
    QAccessibleInterface* parent;
};

// Everything below `face` in the accessibility tree, as a screen reader walks it. A list's
// drop-down is Qt's own and stays in the tree, closed, with its entries; it is not walked.
void walk(QAccessibleInterface* face, std::vector<Reached>& reached) {
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface* child = face->child(i);
        reached.push_back({child, face});
        if (!(face->role() == QAccessible::ComboBox && child->role() == QAccessible::List)) {
            walk(child, reached);
        }
    }
}

TEST_F(TestWindowTest, AScreenReaderMeetsOnlyShownControlsAndEachByName) {
    window.show();
    window.messageWindow().setMessage("OK!");
    window.messageWindow().present();
    const std::set<QAccessible::Role> controls = {
        QAccessible::PushButton, QAccessible::CheckBox,     QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::EditableText, QAccessible::StaticText,
        QAccessible::Grouping};
    for (QWidget* root :
         {static_cast<QWidget*>(&window), static_cast<QWidget*>(&window.messageWindow())}) {
        SCOPED_TRACE(root->windowTitle().toStdString());
        std::vector<Reached> reached;
        walk(QAccessible::queryAccessibleInterface(root), reached);
        QStringList names;
        int listFields = 0;
        for (const Reached& r : reached) {
            const QString object = r.face->object() ? r.face->object()->objectName() : QString();
            names << object;
            const QString name = r.face->text(QAccessible::Name);
            const bool inList = r.parent->role() == QAccessible::ComboBox;
            if (inList && r.face->role() == QAccessible::List) {
                continue;
            }
            EXPECT_FALSE(r.face->state().invisible) << object.toStdString();
            if (controls.contains(r.face->role())) {
                EXPECT_FALSE(name.trimmed().isEmpty()) << object.toStdString();
            }
            // The text field of an editable list is a child of its own: it speaks for the list
            // (whose own name, on Linux, is its current text).
            if (inList && r.face->role() == QAccessible::EditableText) {
                EXPECT_EQ(
                    name.toStdString(),
                    static_cast<QWidget*>(r.parent->object())->accessibleName().toStdString());
                ++listFields;
            }
        }
        if (root == &window) {
            EXPECT_EQ(listFields, 1);  // Baud
            for (const char* parked : {"Label1", "Label2", "cboPort"}) {
                EXPECT_FALSE(names.contains(parked)) << parked;
            }
            EXPECT_GT(reached.size(), 30u);
        }
    }
    EXPECT_EQ(control<QComboBox>("Comm")->accessibleName(), "Port");
    EXPECT_EQ(control<QComboBox>("Baud")->accessibleName(), "Line parameters");
    EXPECT_EQ(control<QLineEdit>("Text1")->accessibleName(), "Text to display");
    EXPECT_EQ(control<QLineEdit>("Text2")->accessibleName(), "Settings file");
    window.messageWindow().close();
}

TEST_F(TestWindowTest, TabKeyGoesFromThePortToTheRangeButtonsAndOn) {
    QStringList order;
    QWidget* w = control<QComboBox>("Comm");
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QComboBox*>(w->parentWidget()) &&
            !w->isHidden() && w->window() == &window) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != control<QComboBox>("Comm") && order.size() < 40);
    const QStringList expected = {
        "Comm",     "Baud",  "Command3",     "Command4",          "Command5",
        "Command6", "Exit",  "auto_comport", "Command1",          "Text1",
        "Display",  "Text2", "Command2",     "Option_EPSON_QV310"};
    EXPECT_EQ(order.mid(0, expected.size()), expected);
    EXPECT_EQ(order.mid(order.size() - 6),
              QStringList({"Check_PID", "Check_SN", "Check_Default", "ScreenTest", "ResultsButton",
                           "LineDatabase"}));
}

// An operator working from the keyboard presses Space on a button, and again after the result:
// the button the exchange was started from has the focus again once the others are enabled.
TEST_F(TestWindowTest, TheButtonAnExchangeWasStartedFromHasTheFocusAfterIt) {
    ranges.write("80-9F", Bytes(48, 0x41));
    // No display answers, so the screen test ends at its download, in a message box.
    control<QRadioButton>("Option_EPSON_QV330")->click();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const char* name : {"Command3", "Display", "ScreenTest"}) {
        SCOPED_TRACE(name);
        button(name)->setFocus();
        QTest::keyClick(button(name), Qt::Key_Space);
        EXPECT_TRUE(button(name)->isEnabled());
        EXPECT_EQ(window.focusWidget(), button(name))
            << (window.focusWidget() ? window.focusWidget()->objectName().toStdString() : "none");
    }
}

// The station's records go on to the line database; while it cannot be reached they wait, and
// the window says how many.
TEST(LineDatabase, RecordsWaitWhileTheServerIsAwayAndTheWindowSaysHowMany) {
    struct Case {
        const char* connection;
        QString state;  // how the line database's line starts
    };
    const Case cases[] = {
        // Nothing listens on port 1: refused at once.
        {"host=127.0.0.1 port=1 dbname=production user=station3",
         QStringLiteral("Results: 1 waiting for the line database")},
        {"host=127.0.0.1 dbname=production password=secret", QStringLiteral("Line database: ")},
        {"", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.connection);
        QTemporaryDir folder;
        testing::ScriptedDialogs dialogs;
        TymbrikWindowServices s;
        s.dialogs = &dialogs;
        s.ports.folder = kPortFolder;
        s.ports.exists = [](const std::string&) { return false; };
        s.recordsPath = folder.filePath(QStringLiteral("records.sqlite"));
        s.lineDatabase = QString::fromLatin1(c.connection);
        TymbrikWindow window(s);
        ASSERT_TRUE(window.records().add(records::beginRecord(QStringLiteral("station 3"))).ok());
        window.syncLine();
        const QString state = named<QLabel>(window, QStringLiteral("LineDatabaseState"))->text();
        EXPECT_TRUE(c.state.isEmpty() ? state.isEmpty() : state.startsWith(c.state))
            << state.toStdString();
        EXPECT_FALSE(state.contains(QStringLiteral("secret")));
        EXPECT_EQ(named<QLineEdit>(window, QStringLiteral("LineDatabase"))->text(),
                  QString::fromLatin1(c.connection));
    }
}

// A station that cannot record refuses Start and says why each time; once the place is mended,
// Start opens the records without the program being started again.
TEST(Records, StartIsRefusedUntilTheRecordsCanBeOpened) {
    QTemporaryDir folder;
    // A file where the records folder should be: not writable, whoever runs the test.
    const QString blocker = folder.filePath(QStringLiteral("records"));
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    testing::ScriptedDialogs dialogs;
    TymbrikWindowServices s;
    s.dialogs = &dialogs;
    s.ports.folder = kPortFolder;
    s.ports.exists = [](const std::string&) { return false; };
    s.recordsPath = blocker + QStringLiteral("/records.sqlite");
    TymbrikWindow window(s);
    const testing::OperatorHand hand([&] { return &window.messageWindow(); });
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Results cannot be recorded: ")))
        << dialogs.messages[0].toStdString();

    named<QPushButton>(window, QStringLiteral("ScreenTest"))->click();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1], dialogs.messages[0]) << "Start must give the same reason";
    EXPECT_FALSE(window.records().isOpen());

    ASSERT_TRUE(QFile::remove(blocker));
    named<QPushButton>(window, QStringLiteral("ScreenTest"))->click();
    EXPECT_TRUE(window.records().isOpen());
    EXPECT_TRUE(QFile::exists(s.recordsPath));
    // The run itself went on and found no port; its record is kept.
    EXPECT_EQ(hand.shown, QStringList{QStringLiteral("Test not finished!")});
    EXPECT_EQ(window.records().countsToday().tested, 1);
}

}  // namespace
}  // namespace vfd::testtool
