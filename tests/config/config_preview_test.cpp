// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration window's preview follows every edit at once, and shows what the display would
// show after a download and a restart.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "config/config_window.h"
#include "config/display_preview.h"
#include "config/message_editor.h"
#include "config/udc_editor.h"
#include "config_test_support.h"
#include "sim/screen.h"
#include "sim/vfd_view.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/scripted_dialogs.h"
#include "support/widget_lookup.h"

namespace vfd::config {
namespace {

using testing::named;

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<ConfigWindow>(
            testing::fakeWindowServices(dialogs, port, clock, {2026, 12, 6}));
        // Still lines are easier to read than scrolling ones.
        scroll(1)->setChecked(false);
        scroll(2)->setChecked(false);
        settle();
    }

    // The preview redraws once the events queued by an edit have run.
    static void settle() { QCoreApplication::processEvents(); }
    QString upper() { return window->preview().text().section(QLatin1Char('\n'), 0, 0); }
    QString lower() { return window->preview().text().section(QLatin1Char('\n'), 1, 1); }
    QCheckBox* scroll(int line) {
        return line == 1 ? window->message1().scrollBox() : window->message2().scrollBox();
    }
    void click(const char* name) {
        named<QPushButton>(*window, QString::fromLatin1(name))->click();
        settle();
    }

    testing::ScriptedDialogs dialogs;
    testing::FakeClock clock;
    testing::FakePort port{clock};
    std::unique_ptr<ConfigWindow> window;
};

TEST_F(PreviewTest, FollowsTheWelcomeMessagesAsTheyAreEdited) {
    EXPECT_EQ(upper(), "*** VFD DISPLAY  ***");
    EXPECT_EQ(lower(), "**HAVE A NICE DAY AN");

    MessageEditor& line1 = window->message1();
    line1.selectAscii();
    line1.clear();
    settle();
    EXPECT_EQ(upper(), "");
    QTest::keyClicks(line1.charCell(1), "H");
    QTest::keyClicks(line1.charCell(2), "i");
    settle();
    EXPECT_EQ(upper(), "Hi");
    // The entry changes how the cells are shown, not what the display shows.
    line1.selectHex();
    settle();
    EXPECT_EQ(upper(), "Hi");
    line1.hexCell(3)->setText("21");
    settle();
    EXPECT_EQ(upper(), "Hi!");
    EXPECT_EQ(line1.entry(), MessageEditor::Entry::Hex) << "the preview switched the entry";

    // A scrolling line moves on with the display's clock.
    scroll(1)->setChecked(true);
    settle();
    const QString before = upper();
    window->preview().advance(1000);
    EXPECT_NE(upper(), before);
    EXPECT_EQ(lower(), "**HAVE A NICE DAY AN") << "the lower line scrolls only with its box";
}

TEST_F(PreviewTest, ShowsTheChosenCharacterSet) {
    window->message1().showBytes(std::vector<std::uint8_t>{'[', '~', 0x80, 0x9F});
    auto* charSet = named<QComboBox>(*window, QStringLiteral("Char"));
    struct Case {
        int position;
        QString shown;
    };
    const Case cases[] = {
        {0, QStringLiteral("[~\u00C7\u0192")},            // code page 437
        {2, QStringLiteral("\u00C4\u00DF\u00C7\u0192")},  // GERMANY
        {12, QStringLiteral("[~\u0410\u042F")},           // RUSSIA: code page 866
    };
    for (const Case& c : cases) {
        charSet->setCurrentIndex(c.position);
        settle();
        EXPECT_EQ(upper(), c.shown) << charSet->currentText().toStdString();
    }
}

TEST_F(PreviewTest, ShowsTheCharacterOnTheGridMarkedUntilItIsStored) {
    window->message1().showBytes(std::vector<std::uint8_t>{'A', 'B', 'A'});
    UdcEditor& udc = window->characterEditor();
    udc.codeBox()->setText("41");
    udc.dot(1, 0)->click();
    udc.dot(5, 6)->click();
    settle();
    const sim::VfdView* glass = window->preview().glass();
    EXPECT_EQ(glass->markedCode(), std::optional<std::uint8_t>(0x41));
    EXPECT_EQ(upper(), QString(QChar(0xE041)) + "B" + QChar(0xE041));

    udc.nextButton()->click();  // stores it
    settle();
    EXPECT_EQ(glass->markedCode(), std::nullopt);
    EXPECT_EQ(upper(), QString(QChar(0xE041)) + "B" + QChar(0xE041));

    // An invalid code in the box is no character yet.
    udc.codeBox()->setText("7");
    settle();
    EXPECT_EQ(glass->markedCode(), std::nullopt);

    click("SetAllDefault");
    EXPECT_EQ(upper(), "*** VFD DISPLAY  ***");
}

TEST_F(PreviewTest, FollowsWhatGetSettingAndLoadBringIn) {
    std::vector<std::uint8_t> reply(127, 0);
    reply[0] = 0xAA;
    reply[3] = 3;  // neither line scrolls
    reply[6] = 1;
    for (int i = 0; i < 4; ++i) {
        reply[static_cast<std::size_t>(7 + i)] = static_cast<std::uint8_t>("SALE"[i]);
    }
    port.setResponder([reply](testing::FakePort& p, std::span<const std::uint8_t>) {
        if (p.writtenData().size() == 2) {
            p.feedAfter(20, reply);
        }
    });
    click("GetSetting");
    EXPECT_EQ(upper(), "SALE");
    EXPECT_EQ(lower(), "");

    QTemporaryDir dir;
    std::vector<std::uint8_t> body(126, 0);
    body[2] = 3;
    for (int i = 0; i < 5; ++i) {
        body[static_cast<std::size_t>(26 + i)] = static_cast<std::uint8_t>("TOTAL"[i]);
    }
    const QString file = dir.filePath(QStringLiteral("till.vfd"));
    std::ofstream(file.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(body.data()),
               static_cast<std::streamsize>(body.size()));
    dialogs.files.push_back(file);
    click("Load");
    EXPECT_EQ(upper(), "");
    EXPECT_EQ(lower(), "TOTAL");
}

TEST_F(PreviewTest, ReadsAsTextAndTakesNoFocus) {
    const sim::VfdView* glass = window->preview().glass();
    QAccessibleInterface* spoken =
        QAccessible::queryAccessibleInterface(const_cast<sim::VfdView*>(glass));
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Name), "Display preview");
    EXPECT_EQ(spoken->text(QAccessible::Description), window->preview().text());
    EXPECT_EQ(glass->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(window->preview().focusPolicy(), Qt::NoFocus);
}

}  // namespace
}  // namespace vfd::config
