// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <array>
#include <set>
#include <utility>

#include "config/udc_editor.h"
#include "config_test_support.h"
#include "support/scripted_dialogs.h"

namespace vfd::config {
namespace {

using Dot = std::pair<int, int>;  // column 1 to 5, row 0 to 6

class UdcEditorTest : public ::testing::Test {
protected:
    QLineEdit* code() { return testing::named<QLineEdit>(editor, "UDC_TEXT"); }
    QLabel* caption() { return testing::named<QLabel>(editor, "UDC_label"); }
    QPushButton* dot(int column, int row) {
        return testing::named<QPushButton>(editor,
                                           QStringLiteral("map%1(%2)").arg(column).arg(row));
    }
    void next() { testing::named<QPushButton>(editor, "UDC_NEXT")->click(); }
    void previous() { testing::named<QPushButton>(editor, "UDC_UP")->click(); }

    std::set<Dot> dotsOn() {
        std::set<Dot> on;
        for (int column = 1; column <= 5; ++column) {
            for (int row = 0; row <= 6; ++row) {
                if (editor.dotOn(column, row)) {
                    on.insert({column, row});
                }
            }
        }
        return on;
    }
    void draw(const std::set<Dot>& dots) {
        for (const auto& [column, row] : dots) {
            dot(column, row)->click();
        }
    }
    std::array<std::uint8_t, 6> record(int number) {
        std::array<std::uint8_t, 6> bytes{};
        for (int i = 0; i < 6; ++i) {
            bytes[static_cast<std::size_t>(i)] = image.at(device::udcRecordStart(number) + i);
        }
        return bytes;
    }

    device::SettingsImage image;
    testing::ScriptedDialogs dialogs;
    UdcEditor editor{image, dialogs};
};

TEST_F(UdcEditorTest, PagingStoresTheGridAndPagingBackRedrawsIt) {
    code()->setText("41");
    draw({{1, 0}, {5, 6}});
    next();

    EXPECT_EQ(record(1), (std::array<std::uint8_t, 6>{0x41, 0x01, 0x00, 0x00, 0x00, 0x40}));
    EXPECT_EQ(editor.number(), 2);
    EXPECT_EQ(editor.index(), 75);
    EXPECT_EQ(caption()->text(), "User Defined Character 2");
    EXPECT_TRUE(dotsOn().empty());
    EXPECT_TRUE(code()->text().isEmpty());

    previous();
    EXPECT_EQ(editor.number(), 1);
    EXPECT_EQ(editor.index(), 69);
    EXPECT_EQ(caption()->text(), "User Defined Character 1");  // one blank after paging
    EXPECT_EQ(dotsOn(), (std::set<Dot>{{1, 0}, {5, 6}}));
    EXPECT_EQ(code()->text(), "41");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(UdcEditorTest, CodesAreCheckedBeforeAnythingIsStored) {
    struct Case {
        QString typed;
        QString message;      // empty: accepted
        std::uint8_t stored;  // the code byte of the record after an accepted page
        QString shownBack;    // the code box after paging back
    };
    const Case cases[] = {
        {"7e", "", 0x7E, "7E"},        {"20", "", 0x20, "20"},        {"7E", "", 0x7E, "7E"},
        {"7F", kUdcRangeError, 0, ""}, {"1F", kUdcRangeError, 0, ""}, {"5", kUdcRangeError, 0, ""},
        {"00", kUdcRangeError, 0, ""}, {"G", kHexValueError, 0, ""},  {"G1", kHexValueError, 0, ""},
        {"4G", kHexValueError, 0, ""}, {" 4", kHexValueError, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        image.clear();
        editor.setDefaults();
        dialogs.messages.clear();
        draw({{3, 3}});

        code()->setText(c.typed);
        next();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(dialogs.messages.isEmpty());
            EXPECT_EQ(editor.number(), 2);
            EXPECT_EQ(record(1), (std::array<std::uint8_t, 6>{c.stored, 0, 0, 0x08, 0, 0}));
            previous();
            EXPECT_EQ(code()->text(), c.shownBack);
        } else {
            EXPECT_EQ(dialogs.messages, QStringList{c.message});
            EXPECT_TRUE(code()->text().isEmpty());
            EXPECT_EQ(editor.number(), 1);
            EXPECT_EQ(caption()->text(), "User Defined Character  1");
            EXPECT_EQ(record(1), (std::array<std::uint8_t, 6>{}));
            EXPECT_EQ(dotsOn(), (std::set<Dot>{{3, 3}}));
        }
    }
}

TEST_F(UdcEditorTest, RefusalsWorkTheSameWhenPagingBack) {
    next();
    code()->setText("1F");
    previous();
    EXPECT_EQ(dialogs.messages, QStringList{kUdcRangeError});
    EXPECT_EQ(editor.number(), 2);
}

TEST_F(UdcEditorTest, AnEmptyCodeBoxDropsTheDrawingAndKeepsTheRecord) {
    const std::array<std::uint8_t, 6> kept{0x30, 0x7F, 0x00, 0x2A, 0x00, 0x41};
    for (int i = 0; i < 6; ++i) {
        image.set(69 + i, kept[static_cast<std::size_t>(i)]);
    }
    editor.redraw();
    EXPECT_EQ(code()->text(), "30");
    EXPECT_TRUE(editor.dotOn(1, 6));

    code()->clear();
    draw({{2, 0}, {1, 6}});  // one dot on, one off
    next();
    EXPECT_EQ(record(1), kept);
    EXPECT_EQ(editor.number(), 2);

    previous();
    EXPECT_EQ(code()->text(), "30");
    EXPECT_TRUE(editor.dotOn(1, 6));
    EXPECT_FALSE(editor.dotOn(2, 0));
}

TEST_F(UdcEditorTest, RedrawShowsACodeWithoutLeadingZeroAndEmptiesForZero) {
    image.set(69, 0x05);
    editor.redraw();
    EXPECT_EQ(code()->text(), "5");
    image.set(69, 0);
    editor.redraw();
    EXPECT_TRUE(code()->text().isEmpty());
}

TEST_F(UdcEditorTest, PagingStopsAtOneAndNineWithoutStoringOrTelling) {
    code()->setText("zz");
    draw({{1, 1}});
    previous();
    EXPECT_EQ(editor.number(), 1);
    EXPECT_EQ(code()->text(), "zz");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    code()->clear();
    for (int n = 1; n < 9; ++n) {
        next();
    }
    ASSERT_EQ(editor.number(), 9);
    EXPECT_EQ(editor.index(), 117);
    EXPECT_EQ(caption()->text(), "User Defined Character 9");

    const device::SettingsImage before = image;
    code()->setText("41");
    draw({{4, 2}});
    next();
    EXPECT_EQ(editor.number(), 9);
    EXPECT_EQ(image, before);
    EXPECT_EQ(code()->text(), "41");
    EXPECT_EQ(dotsOn(), (std::set<Dot>{{4, 2}}));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // The edit is still there to be stored by paging back.
    previous();
    EXPECT_EQ(record(9), (std::array<std::uint8_t, 6>{0x41, 0, 0, 0, 0x04, 0}));
}

TEST_F(UdcEditorTest, ClearTurnsTheGridOffButLeavesTheRecordAndCode) {
    code()->setText("41");
    draw({{1, 0}, {5, 6}});
    next();
    previous();
    testing::named<QPushButton>(editor, "MAP_Clear")->click();
    EXPECT_TRUE(dotsOn().empty());
    EXPECT_EQ(code()->text(), "41");
    EXPECT_EQ(record(1), (std::array<std::uint8_t, 6>{0x41, 0x01, 0, 0, 0, 0x40}));
}

TEST_F(UdcEditorTest, AllNineRecordsEndAtByte122) {
    for (int i = 123; i <= 126; ++i) {
        image.set(i, 0xEE);
    }
    image.set(68, 0xEE);
    auto fillGrid = [this] {
        for (int column = 1; column <= 5; ++column) {
            for (int row = 0; row <= 6; ++row) {
                if (!editor.dotOn(column, row)) {
                    dot(column, row)->click();
                }
            }
        }
    };
    for (int n = 1; n <= 9; ++n) {
        fillGrid();
        code()->setText("7E");
        if (n < 9) {
            next();
        } else {
            previous();
        }
    }
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(record(n), (std::array<std::uint8_t, 6>{0x7E, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F}))
            << "character " << n;
    }
    EXPECT_EQ(image.at(68), 0xEE);
    for (int i = 123; i <= 126; ++i) {
        EXPECT_EQ(image.at(i), 0xEE) << "index " << i;
    }
}

TEST_F(UdcEditorTest, DotsAreToggleButtonsThatTellTheirState) {
    QPushButton* button = dot(2, 4);
    EXPECT_EQ(button->accessibleName(), "Dot column 2 row 5");
    EXPECT_EQ(button->accessibleDescription(), "off");
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_TRUE(editor.dotOn(2, 4));
    EXPECT_EQ(button->accessibleDescription(), "on");
    button->click();
    EXPECT_FALSE(editor.dotOn(2, 4));
    EXPECT_EQ(button->accessibleDescription(), "off");
}

TEST_F(UdcEditorTest, DefaultsReturnToTheFirstCharacterWithoutReadingTheImage) {
    code()->setText("33");
    next();
    draw({{1, 1}});
    code()->setText("7");
    editor.setDefaults();
    EXPECT_EQ(image.at(69), 0x33);  // a redraw would have shown it
    EXPECT_EQ(editor.number(), 1);
    EXPECT_EQ(editor.index(), 69);
    EXPECT_EQ(caption()->text(), "User Defined Character  1");
    EXPECT_TRUE(code()->text().isEmpty());
    EXPECT_TRUE(dotsOn().empty());
}

// For the keyboard the grid is one control between the controls before and after it.
TEST(UdcEditorKeyboard, TheGridIsOneTabStopWalkedWithTheArrowKeys) {
    device::SettingsImage image;
    testing::ScriptedDialogs dialogs;
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* editor = new UdcEditor(image, dialogs, &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(before);
    layout->addWidget(editor);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto at = [&] { return QApplication::focusWidget(); };
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(at(), key, modifiers);
    };

    before->setFocus();
    press(Qt::Key_Tab);
    EXPECT_EQ(at(), editor->dot(1, 0));
    press(Qt::Key_Tab);
    EXPECT_EQ(at(), editor->codeBox()) << "Tab left the grid after one stop";

    press(Qt::Key_Backtab);
    ASSERT_EQ(at(), editor->dot(1, 0));
    struct Move {
        Qt::Key key;
        int column;
        int row;
    };
    const Move moves[] = {
        {Qt::Key_Right, 2, 0}, {Qt::Key_Down, 2, 1}, {Qt::Key_Down, 2, 2}, {Qt::Key_Left, 1, 2},
        {Qt::Key_Left, 1, 2},  {Qt::Key_Up, 1, 1},   {Qt::Key_Up, 1, 0},   {Qt::Key_Up, 1, 0},
    };
    for (const Move& m : moves) {
        press(m.key);
        EXPECT_EQ(at(), editor->dot(m.column, m.row)) << m.column << "," << m.row;
    }
    for (int i = 0; i < 10; ++i) {
        press(Qt::Key_Right);
        press(Qt::Key_Down);
    }
    EXPECT_EQ(at(), editor->dot(5, 6));
    press(Qt::Key_Space);
    EXPECT_TRUE(editor->dotOn(5, 6));

    // Leaving and coming back lands on the dot the operator was last on.
    press(Qt::Key_Tab);
    EXPECT_EQ(at(), editor->codeBox());
    press(Qt::Key_Backtab);
    EXPECT_EQ(at(), editor->dot(5, 6));
}

TEST_F(UdcEditorTest, TheGridAndTheCodeBoxAreNamedAfterTheCharacterOnTheGrid) {
    auto spoken = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    QWidget* grid = dot(1, 0)->parentWidget();
    EXPECT_EQ(spoken(grid), "User Defined Character 1 dot grid");
    EXPECT_EQ(spoken(code()), "User Defined Character 1 code (Hex)");
    code()->setText("41");
    next();
    EXPECT_EQ(spoken(grid), "User Defined Character 2 dot grid");
    EXPECT_EQ(spoken(code()), "User Defined Character 2 code (Hex)");
    editor.setDefaults();
    EXPECT_EQ(spoken(grid), "User Defined Character 1 dot grid");
}

}  // namespace
}  // namespace vfd::config
