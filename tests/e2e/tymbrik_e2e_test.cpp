// SPDX-License-Identifier: GPL-3.0-or-later
// The test tool against the virtual display, through the operating system's serial layer: the
// screen test for every model, the range buttons, free text, and what a faulty display does.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include "file/settings_file.h"
#include "records/record_store.h"
#include "support/operator_hand.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "testtool/message_window.h"
#include "testtool/models.h"
#include "testtool/tymbrik_window.h"

namespace vfd::testtool {
namespace {

using testing::ScriptedDialogs;
using testing::SimProcess;

class TymbrikOnVirtualDisplay : public ::testing::Test {
protected:
    void SetUp() override { start({}); }

    void start(const QStringList& simOptions) {
        window.reset();
        sim.reset();
        testing::usePrivatePortFolder();
        sim = std::make_unique<SimProcess>(1, simOptions);
        ASSERT_TRUE(sim->started()) << sim->output().toStdString();
        TymbrikWindowServices services;
        services.dialogs = &dialogs;
        services.rangeFolders = {VFD_RANGE_FOLDER};
        // Each test keeps its records apart.
        services.recordsPath = recordsFolder.filePath(QStringLiteral("records.sqlite"));
        window = std::make_unique<TymbrikWindow>(services);
    }

    template <typename T>
    T* child(const QString& name) {
        return window->findChild<T*>(name);
    }
    void click(const char* name) { child<QPushButton>(QLatin1String(name))->click(); }

    ScriptedDialogs dialogs;
    QTemporaryDir recordsFolder;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<TymbrikWindow> window;
    // The operator presses OK on the message window as soon as it shows.
    testing::OperatorHand hand{[this] { return window ? &window->messageWindow() : nullptr; }};
    QStringList& shown = hand.shown;
};

TEST_F(TymbrikOnVirtualDisplay, StartUpFindsTheDisplaysPort) {
    const auto* found = child<QComboBox>("auto_comport");
    ASSERT_GE(found->count(), 1);
    EXPECT_EQ(found->itemText(0), "Com 1");
    EXPECT_EQ(child<QComboBox>("Comm")->currentText(), "com 1");
}

TEST_F(TymbrikOnVirtualDisplay, EveryModelsScreenTestEndsOk) {
    QTemporaryDir dir;
    const QString file = dir.filePath("line-3.vfd");
    device::BodyBytes body{};
    body[5] = 1;
    const std::string message = "LINE 3 SETTINGS";
    std::copy(message.begin(), message.end(), body.begin() + 6);
    ASSERT_EQ(file::writeSettingsFile(file.toStdString(), body), "");
    dialogs.files.push_back(file);
    click("Command2");
    ASSERT_TRUE(window->fileImage());

    for (const auto& option : kModelOptions) {
        SCOPED_TRACE(std::string(option.objectName));
        shown.clear();
        child<QRadioButton>(QString::fromLatin1(option.objectName.data(),
                                                static_cast<qsizetype>(option.objectName.size())))
            ->click();
        sim->markOutput();
        click("ScreenTest");
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown.last(), "OK!") << shown.join(" | ").toStdString();
        const bool factory = option.model == Model::Cd5220Nr400Cd5220Russia;
        EXPECT_EQ(shown.size(), factory ? 2 : 1) << shown.join(" | ").toStdString();
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(" | ").toStdString();
        EXPECT_FALSE(window->port().isOpen());
        EXPECT_TRUE(child<QPushButton>("ScreenTest")->isEnabled());
        // The display showed all dots on during the visual test.
        EXPECT_TRUE(sim->waitForOutputAfterMark("████████████████████", 1000));
    }
    // The file option's run ends with the file's settings in the display, shown from its next
    // start.
    ASSERT_TRUE(sim->restart());
    EXPECT_TRUE(sim->waitForOutputAfterMark("LINE 3 SETTINGS", 1000))
        << sim->output().toStdString();
}

TEST_F(TymbrikOnVirtualDisplay, RangeButtonsAndFreeTextReachTheDisplay) {
    sim->markOutput();
    click("Command3");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(" | ").toStdString();
    EXPECT_TRUE(sim->waitForOutputAfterMark("ÇüéâäàåçêëèïîìÄÅ")) << sim->output().toStdString();
    EXPECT_FALSE(window->port().isOpen());

    child<QLineEdit>("Text1")->setText("HELLO");
    sim->markOutput();
    click("Display");
    EXPECT_TRUE(sim->waitForOutputAfterMark("|HELLO")) << sim->output().toStdString();
    EXPECT_FALSE(window->port().isOpen());

    // Text in the operator's own language shows as typed; the euro sign, which code page 437
    // lacks, is refused at the keystroke.
    auto* text = child<QLineEdit>("Text1");
    text->clear();
    for (const QChar c : QString::fromUtf8("Preis 12,50 \u20ACGr\u00FC\u00DFe")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(text, &press);
    }
    EXPECT_EQ(text->text(), QString::fromUtf8("Preis 12,50 Gr\u00FC\u00DFe"));
    sim->markOutput();
    click("Display");
    // The text goes on where the last one ended, as on the display itself.
    EXPECT_TRUE(sim->waitForOutputAfterMark("Preis 12,50 Grü|ße")) << sim->output().toStdString();
}

// A tool at another speed than the display's gets nothing through, on the first send after
// start-up as on every later one: the port keeps the tool's speed until its bytes would have left a
// real wire, so the display always reads them at that speed. The same range file at the right
// speed, in between, arrives whole each time.
TEST_F(TymbrikOnVirtualDisplay, ARangeSentAtAnotherSpeedIsGarbledEveryTime) {
    auto* baud = child<QComboBox>("Baud");
    const QByteArray clean = QByteArrayLiteral("áíóúñÑªº¿⌐¬½¼¡«»");
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        baud->setCurrentText(QStringLiteral("19200,n,8,1"));
        sim->markOutput();
        click("Command4");
        EXPECT_FALSE(sim->waitForOutputAfterMark(clean, 400)) << sim->output().toStdString();

        baud->setCurrentText(QStringLiteral("9600,n,8,1"));
        sim->markOutput();
        click("Command4");
        EXPECT_TRUE(sim->waitForOutputAfterMark(clean)) << sim->output().toStdString();
        // Another range clears the glass, so that the next clean send would show again.
        sim->markOutput();
        click("Command3");
        EXPECT_TRUE(sim->waitForOutputAfterMark("ÇüéâäàåçêëèïîìÄÅ"));
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(" | ").toStdString();
}

// Every screen test leaves a record, kept before its verdict shows; a unit tested again after it
// passed is pointed out.
TEST_F(TymbrikOnVirtualDisplay, EachScreenTestIsRecordedBeforeItsVerdictShows) {
    std::vector<records::TestRecord> keptWhenShown;
    hand.onShown([&](const MessageWindow&) { keptWhenShown = window->records().last(1); });
    child<QCheckBox>(QStringLiteral("Check_SN"))->setChecked(true);
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        shown.clear();
        click("ScreenTest");
        ASSERT_EQ(shown.last(), "OK!") << shown.join(" | ").toStdString();
        ASSERT_EQ(keptWhenShown.size(), 1u);
        const records::TestRecord& kept = keptWhenShown.front();
        EXPECT_EQ(kept.key, window->lastRecord().key);
        EXPECT_EQ(kept.verdict, records::Verdict::Passed);
        EXPECT_EQ(kept.ending, "OK!");
        EXPECT_EQ(kept.serialNumber, "VD000001");
        EXPECT_EQ(kept.modelName, "Option_EPSON_QV310");
        EXPECT_EQ(kept.port, "com 1");
        EXPECT_TRUE(kept.device.startsWith(QStringLiteral("/dev/pts/")))
            << kept.device.toStdString();
        EXPECT_EQ(kept.step(records::Step::Identity).outcome, records::StepOutcome::Passed);
        EXPECT_EQ(kept.step(records::Step::FactoryDownload).outcome, records::StepOutcome::NotRun);
    }
    EXPECT_TRUE(child<QLabel>(QStringLiteral("PassedBefore"))
                    ->text()
                    .startsWith(QStringLiteral("VD000001 passed before, ")));
    EXPECT_TRUE(child<QLabel>(QStringLiteral("ResultsCounts"))->text().contains("Tested 2"))
        << child<QLabel>(QStringLiteral("ResultsCounts"))->text().toStdString();

    // A run the line cut short is kept too, as ended early.
    QTimer::singleShot(700, [this] { sim->stop(); });
    click("ScreenTest");
    ASSERT_EQ(keptWhenShown.size(), 1u);
    EXPECT_EQ(keptWhenShown.front().verdict, records::Verdict::EndedEarly);
    EXPECT_EQ(keptWhenShown.front().ending, "Test not finished!");
    EXPECT_EQ(window->records().countsToday().tested, 3);
}

// A display switched off in the middle of a screen test: the run ends in the red window the
// operator watches, saying the test did not finish and what the line said.
TEST_F(TymbrikOnVirtualDisplay, ADisplayThatGoesAwayMidTestEndsInTheRedWindow) {
    // What the red window said beneath its verdict, as the operator's hand saw it.
    QStringList details;
    hand.onShown([&](const MessageWindow& box) { details << box.detail(); });
    child<QRadioButton>(QStringLiteral("Option_EPSON_QV310"))->click();
    QTimer::singleShot(700, [this] { sim->stop(); });
    click("ScreenTest");
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), "Test not finished!") << shown.join(" | ").toStdString();
    ASSERT_FALSE(details.isEmpty());
    EXPECT_TRUE(details.last().startsWith(QStringLiteral("The connection on com 1 was lost")) ||
                details.last().startsWith(QStringLiteral("com 1 can't be opened")))
        << details.last().toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(" | ").toStdString();
    EXPECT_FALSE(window->port().isOpen());
    EXPECT_TRUE(child<QPushButton>("ScreenTest")->isEnabled());
}

TEST_F(TymbrikOnVirtualDisplay, ASilentDisplayFailsTheIdentityCheckAndTheToolStaysReady) {
    start({"--no-reply"});
    ASSERT_TRUE(window);
    click("ScreenTest");
    EXPECT_EQ(shown, QStringList{"VFD PID is Error."});
    EXPECT_FALSE(window->port().isOpen());
    EXPECT_TRUE(child<QPushButton>("ScreenTest")->isEnabled());
    EXPECT_FALSE(window->screenRun().busy());
}

TEST_F(TymbrikOnVirtualDisplay, ABadMarkerStopsTheRunBeforeTheDefaults) {
    start({"--bad-marker"});
    ASSERT_TRUE(window);
    click("ScreenTest");
    EXPECT_EQ(dialogs.messages, QStringList{"Receive Check bit Error !!"});
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(window->port().isOpen());
}

}  // namespace
}  // namespace vfd::testtool
