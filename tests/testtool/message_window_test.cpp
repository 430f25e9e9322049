// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/scripted_dialogs.h"
#include "testtool/message_window.h"
#include "testtool/tymbrik_window.h"
#include "tymbrik_fixture.h"

namespace vfd::testtool {
namespace {

using testing::named;

class MessageWindowTest : public ::testing::Test {
protected:
    TymbrikWindowServices services() {
        TymbrikWindowServices s;
        s.dialogs = &dialogs;
        s.port = &port;
        s.clock = &clock;
        s.ports.folder = "/fake-ports";
        s.ports.exists = [](const std::string&) { return false; };
        s.rangeFolders = {"/fake-ranges"};
        return s;
    }

    MessageWindow& messages() { return window.messageWindow(); }
    QLabel* label(const char* name) { return named<QLabel>(messages(), name); }
    QPushButton* ok() { return named<QPushButton>(messages(), "Command1"); }

    testing::ScriptedDialogs dialogs;
    testing::FakeClock clock;
    testing::FakePort port{clock};
    TymbrikWindow window{services()};
};

TEST_F(MessageWindowTest, LooksAsDesigned) {
    EXPECT_EQ(messages().windowTitle(), "Message");
    EXPECT_EQ(messages().palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_TRUE(messages().autoFillBackground());
    for (const char* name : {"Label1", "Label2", "Label3"}) {
        EXPECT_EQ(label(name)->palette().color(QPalette::Window), QColor(255, 0, 0)) << name;
    }
    EXPECT_EQ(ok()->text(), "OK");
    EXPECT_TRUE(ok()->isDefault());
    EXPECT_EQ(label("Label2")->text(), "0");
    EXPECT_TRUE(label("Label3")->text().isEmpty());
    EXPECT_FALSE(messages().isModal());
    EXPECT_FALSE(messages().isVisible());
}

// Every way the operator can acknowledge the message ends the caller's wait.
TEST_F(MessageWindowTest, ShowAndWaitReturnsWithinASecondOfTheOperatorsOk) {
    struct Case {
        const char* how;
        std::function<void(MessageWindow&)> acknowledge;
    };
    auto okOf = [](MessageWindow& w) { return named<QPushButton>(w, "Command1"); };
    const Case cases[] = {
        {"OK clicked", [&](MessageWindow& w) { okOf(w)->click(); }},
        {"Enter", [](MessageWindow& w) { QTest::keyClick(&w, Qt::Key_Return); }},
        {"Space on OK", [&](MessageWindow& w) { QTest::keyClick(okOf(w), Qt::Key_Space); }},
        {"Escape", [](MessageWindow& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"window closed", [](MessageWindow& w) { w.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        named<QLabel>(window, "Label2")->setText("Label2");
        QString shownText;
        QString waitValue;
        bool shown = false;
        const auto start = clock.elapsed();
        clock.after(2500, [&] {
            shownText = messages().message();
            waitValue = label("Label2")->text();
            shown = messages().isVisible();
            c.acknowledge(messages());
        });

        window.showAndWait("VFD PID is Error.");

        const auto waited = clock.elapsed() - start;
        EXPECT_GE(waited, 2500);
        EXPECT_LE(waited, 3500);
        EXPECT_TRUE(shown);
        EXPECT_EQ(shownText, "VFD PID is Error.");
        EXPECT_EQ(waitValue, "1");
        EXPECT_FALSE(messages().isVisible());
        EXPECT_EQ(messages().waitValue(), 0);
        EXPECT_EQ(named<QLabel>(window, "Label2")->text(), "0");
    }
}

TEST_F(MessageWindowTest, TheSerialNumberStandsOnItsOwnLine) {
    clock.after(10, [&] { ok()->click(); });
    window.showAndWait("S/N:\r12345678");
    EXPECT_EQ(messages().message(), "S/N:\n12345678");
}

// What a screen reader finds under an accessible object: each shown descendant's role and name,
// in tree order.
QStringList readAloud(QAccessibleInterface* face) {
    QStringList heard;
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface* child = face->child(i);
        if (child->state().invisible) {
            continue;
        }
        heard << QString::number(child->role()) + " " + child->text(QAccessible::Name);
        heard << readAloud(child);
    }
    return heard;
}

QString heardAs(QAccessible::Role role, const QString& name) {
    return QString::number(role) + " " + name;
}

TEST_F(MessageWindowTest, AScreenReaderIsAlertedAndHearsTheVerdictAndOk) {
    struct Heard {
        QAccessible::Event type;
        QObject* object;
        bool visible;
        QAccessible::Role role;
        QStringList tree;
    };
    std::vector<Heard> alerts;
    messages().setAnnouncer([&](QAccessibleEvent* event) {
        QAccessibleInterface* face = event->accessibleInterface();
        alerts.push_back({event->type(), event->object(), messages().isVisible(), face->role(),
                          readAloud(face)});
    });
    struct Case {
        const char* shown;
        const char* heard;
        const char* detail;
    };
    const Case cases[] = {
        {"OK!", "OK!", ""},
        {"Error!", "Error!", ""},
        {"VFD PID is Error.", "VFD PID is Error.", "com 1 opened, but the display sent nothing."},
        {"S/N:\r12345678", "S/N: 12345678", ""},
        {"S/N:\r\n0042", "S/N: 0042", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        alerts.clear();
        clock.after(10, [&] { ok()->click(); });
        window.showAndWait(c.shown, c.detail);
        QStringList tree{heardAs(QAccessible::StaticText, c.heard)};
        if (*c.detail != '\0') {
            tree << heardAs(QAccessible::StaticText, c.detail);
        }
        tree << heardAs(QAccessible::Button, "OK");

        // One alert, for the window, once it is in front with the message in it; the wait value
        // ("1" just then) and the blank label are not read.
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].type, QAccessible::Alert);
        EXPECT_EQ(alerts[0].object, &messages());
        EXPECT_TRUE(alerts[0].visible);
        EXPECT_EQ(alerts[0].role, QAccessible::AlertMessage);
        EXPECT_EQ(alerts[0].tree, tree);
    }
}

TEST_F(MessageWindowTest, TheTestWindowStaysUsableWhileItWaits) {
    bool clicked = false;
    clock.after(1500, [&] {
        named<QRadioButton>(window, "Option_EPSON_NR400")->click();
        clicked = true;
    });
    clock.after(2000, [&] { ok()->click(); });
    window.showAndWait("OK!");
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(named<QRadioButton>(window, "Option_EPSON_NR400")->isChecked());
}

TEST_F(MessageWindowTest, EveryMessageFitsTheWindowInLargeType) {
    messages().present();
    QLabel* text = label("Label1");
    for (const char* message : {"OK!", "Error!", "NO S/N", "VFD PID is Error.", "S/N:\r12345678",
                                "Download O.K ! Please restart VFD!"}) {
        SCOPED_TRACE(message);
        messages().setMessage(QString::fromLatin1(message));
        const QRect room = text->contentsRect();
        const QRect needed =
            QFontMetrics(text->font())
                .boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, text->text());
        EXPECT_LE(needed.width(), room.width());
        EXPECT_LE(needed.height(), room.height());
        EXPECT_LE(messages().messagePointSize(), 72);
        EXPECT_GE(messages().messagePointSize(), 24);
    }
    messages().setMessage("OK!");
    EXPECT_EQ(messages().messagePointSize(), 72);
    messages().close();
}

}  // namespace
}  // namespace vfd::testtool
