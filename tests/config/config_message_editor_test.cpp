// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <vector>

#include "config/message_editor.h"
#include "config_test_support.h"

namespace vfd::config {
namespace {

using testing::cellName;
using testing::named;

std::vector<std::uint8_t> bytesWithPrefix(std::vector<std::uint8_t> prefix, std::size_t length) {
    prefix.resize(length, 0);
    return prefix;
}

// QTest's key clicks know only ASCII; a key press that carries the text reaches a cell the way a
// keyboard layout with that character would deliver it.
void typeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

class MessageEditorTest : public ::testing::Test {
protected:
    QLineEdit* hex(int k) { return editor.hexCell(k); }
    QLineEdit* chr(int k) { return editor.charCell(k); }

    void expectHexVisible(bool hexVisible) {
        for (int k = 1; k <= editor.length(); ++k) {
            EXPECT_EQ(hex(k)->isHidden(), !hexVisible) << "hex cell " << k;
            EXPECT_EQ(chr(k)->isHidden(), hexVisible) << "character cell " << k;
            // The hidden row is always empty.
            EXPECT_TRUE((hexVisible ? chr(k) : hex(k))->text().isEmpty()) << "cell " << k;
        }
        for (QLabel* label : editor.hexRuler()) {
            EXPECT_EQ(label->isHidden(), !hexVisible) << label->objectName().toStdString();
        }
        for (QLabel* label : editor.charRuler()) {
            EXPECT_EQ(label->isHidden(), hexVisible) << label->objectName().toStdString();
        }
    }

    MessageEditor editor{1};
};

TEST(MessageEditorNames, BothLinesCarryTheirControlNamesCaptionsAndRulers) {
    struct Case {
        int line;
        int cells;
        const char* frame;
        const char* title;
        const char* scroll;
        const char* clear;
        const char* hexOption;
        const char* asciiOption;
        const char* hexCells;
        const char* charCells;
        const char* hexRuler;
        const char* charRuler;
        QStringList marks;
    };
    const Case cases[] = {
        {1,
         20,
         "Frame1",
         "Welcome Msg 1",
         "Scrollupline",
         "CLR_MSG1",
         "Op_L1H",
         "Op_L1A",
         "L1H",
         "L1A",
         "Label_L1H1",
         "Label_L1A1",
         {"0", "5", "10", "15", "20"}},
        {2,
         40,
         "Frame2",
         "Welcome Msg 2 ",
         "Scrolllowline",
         "CLR_MSG2",
         "Op_L2H",
         "Op_L2A",
         "L2H",
         "L2A",
         "Label_L2H1",
         "Label_L2A1",
         {"0", "5", "10", "15", "20", "21", "25", "30", "35", "40"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        MessageEditor editor(c.line);
        EXPECT_EQ(editor.objectName(), c.frame);
        EXPECT_EQ(editor.title(), c.title);
        EXPECT_EQ(editor.length(), c.cells);
        EXPECT_EQ(named<QCheckBox>(editor, c.scroll)->text(), "Scroll");
        EXPECT_EQ(named<QPushButton>(editor, c.clear)->text(), "Clear");
        EXPECT_EQ(named<QRadioButton>(editor, c.hexOption)->text(), "Hex");
        EXPECT_EQ(named<QRadioButton>(editor, c.asciiOption)->text(), "ASCII");
        for (int k = 1; k <= c.cells; ++k) {
            EXPECT_EQ(named<QLineEdit>(editor, cellName(c.hexCells, k))->maxLength(), 2);
            EXPECT_EQ(named<QLineEdit>(editor, cellName(c.charCells, k))->maxLength(), 1);
        }
        EXPECT_EQ(editor.findChild<QLineEdit*>(cellName(c.hexCells, c.cells + 1)), nullptr);
        EXPECT_EQ(editor.findChild<QLineEdit*>(cellName(c.hexCells, 0)), nullptr);
        for (int i = 0; i < c.marks.size(); ++i) {
            EXPECT_EQ(named<QLabel>(editor, cellName(c.hexRuler, i))->text(), c.marks[i]);
            EXPECT_EQ(named<QLabel>(editor, cellName(c.charRuler, i))->text(), c.marks[i]);
        }
        EXPECT_EQ(editor.findChild<QLabel*>(cellName(c.hexRuler, c.marks.size())), nullptr);
    }
}

TEST(MessageEditorNames, LowerLineStandsInTwoRowsOfTwenty) {
    MessageEditor editor(2);
    editor.show();
    const QLineEdit* first = editor.hexCell(1);
    EXPECT_EQ(editor.hexCell(20)->y(), first->y());
    EXPECT_GT(editor.hexCell(21)->y(), first->y());
    EXPECT_EQ(editor.hexCell(21)->x(), first->x());
    EXPECT_EQ(editor.hexCell(40)->y(), editor.hexCell(21)->y());
}

TEST_F(MessageEditorTest, SwitchingToAsciiAndBackConvertsEachCell) {
    struct Case {
        QString hex;
        QString character;
        QString backToHex;
    };
    const std::vector<Case> cases = {
        {"41", "A", "41"},
        {"4a", "J", "4A"},
        {"00", "", ""},
        {"4", "@", "40"},
        {"G1", QChar(1), "01"},
        {"", "", ""},
        {"7e", "~", "7E"},
        {"20", " ", "20"},
        // The cells show what the display shows: code page 437 in the upper half.
        {"ff", QChar(0xA0), "FF"},
        {"e9", QChar(0x398), "E9"},
        {"81", QChar(0xFC), "81"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        hex(static_cast<int>(i) + 1)->setText(cases[i].hex);
    }

    editor.selectAscii();
    EXPECT_EQ(editor.entry(), MessageEditor::Entry::Ascii);
    EXPECT_TRUE(editor.asciiOption()->isChecked());
    expectHexVisible(false);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(chr(static_cast<int>(i) + 1)->text(), cases[i].character)
            << "hex " << cases[i].hex.toStdString();
    }

    editor.selectHex();
    EXPECT_EQ(editor.entry(), MessageEditor::Entry::Hex);
    expectHexVisible(true);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(hex(static_cast<int>(i) + 1)->text(), cases[i].backToHex)
            << "hex " << cases[i].hex.toStdString();
    }
}

TEST_F(MessageEditorTest, ClickingTheOptionsRunsTheSwitch) {
    hex(1)->setText("48");
    editor.asciiOption()->click();
    EXPECT_EQ(chr(1)->text(), "H");
    editor.hexOption()->click();
    EXPECT_EQ(hex(1)->text(), "48");
}

TEST_F(MessageEditorTest, SelectingTheActiveModeChangesNothing) {
    hex(1)->setText("4A");
    hex(2)->setText("G");
    editor.selectHex();
    EXPECT_EQ(hex(1)->text(), "4A");
    EXPECT_EQ(hex(2)->text(), "G");

    editor.selectAscii();
    chr(3)->setText("x");
    editor.selectAscii();
    EXPECT_EQ(chr(1)->text(), "J");
    EXPECT_EQ(chr(3)->text(), "x");
}

TEST_F(MessageEditorTest, ClearEmptiesOnlyTheVisibleRowAndKeepsTheMode) {
    editor.setScrolls(false);
    hex(1)->setText("41");
    hex(20)->setText("7");
    editor.clearButton()->click();
    EXPECT_EQ(editor.entry(), MessageEditor::Entry::Hex);
    expectHexVisible(true);
    EXPECT_TRUE(hex(1)->text().isEmpty());
    EXPECT_TRUE(hex(20)->text().isEmpty());

    editor.selectAscii();
    chr(1)->setText("A");
    chr(20)->setText("Z");
    editor.clearButton()->click();
    EXPECT_EQ(editor.entry(), MessageEditor::Entry::Ascii);
    expectHexVisible(false);
    EXPECT_TRUE(chr(1)->text().isEmpty());
    EXPECT_TRUE(chr(20)->text().isEmpty());
    EXPECT_FALSE(editor.scrolls());
}

TEST_F(MessageEditorTest, TakingBytesFromTypedCharactersEndsInHexEntry) {
    editor.selectAscii();
    QTest::keyClicks(chr(1), "H");
    QTest::keyClicks(chr(2), "E");
    QTest::keyClicks(chr(3), "L");
    QTest::keyClicks(chr(4), "L");
    QTest::keyClicks(chr(5), "O");

    EXPECT_EQ(editor.takeBytes(), bytesWithPrefix({0x48, 0x45, 0x4C, 0x4C, 0x4F}, 20));
    EXPECT_EQ(editor.entry(), MessageEditor::Entry::Hex);
    expectHexVisible(true);
    EXPECT_EQ(hex(1)->text(), "48");
    EXPECT_EQ(hex(5)->text(), "4F");
    EXPECT_TRUE(hex(6)->text().isEmpty());
}

TEST_F(MessageEditorTest, TakingBytesJoinsTheCellsBeforePairing) {
    struct Case {
        const char* what;
        bool ascii;
        QStringList cells;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty character cell drops out", true, {"A", "", "B"}, {0x41, 0x42}},
        {"empty hex cell drops out", false, {"41", "", "42"}, {0x41, 0x42}},
        {"single digits pair across cells", false, {"4", "14"}, {0x41, 0x40}},
        {"lower and upper case alike", false, {"4f", "4F"}, {0x4F, 0x4F}},
        {"non-ASCII counts 0 and keeps its place",
         false,
         {QString(QChar(0xE9)) + "1", "41"},
         {0x01, 0x41}},
        {"all empty", false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editor.selectHex();
        editor.clear();
        if (c.ascii) {
            editor.selectAscii();
        }
        for (int i = 0; i < c.cells.size(); ++i) {
            (c.ascii ? chr(i + 1) : hex(i + 1))->setText(c.cells[i]);
        }
        EXPECT_EQ(editor.takeBytes(), bytesWithPrefix(c.bytes, 20));
    }
}

TEST_F(MessageEditorTest, ShowingBytesWritesEveryCellInHexEntry) {
    MessageEditor lower(2);
    lower.selectAscii();
    lower.charCell(1)->setText("Q");
    std::vector<std::uint8_t> bytes(40, 0);
    for (std::uint8_t i = 0; i < 16; ++i) {
        bytes[i] = i;
    }
    bytes[16] = 0xFF;
    bytes[17] = 0xA0;
    lower.showBytes(bytes);

    EXPECT_EQ(lower.entry(), MessageEditor::Entry::Hex);
    for (int k = 1; k <= 40; ++k) {
        EXPECT_TRUE(lower.charCell(k)->isHidden());
        EXPECT_TRUE(lower.charCell(k)->text().isEmpty());
    }
    EXPECT_EQ(lower.hexCell(1)->text(), "00");
    EXPECT_EQ(lower.hexCell(11)->text(), "0A");
    EXPECT_EQ(lower.hexCell(16)->text(), "0F");
    EXPECT_EQ(lower.hexCell(17)->text(), "FF");
    EXPECT_EQ(lower.hexCell(18)->text(), "A0");
    EXPECT_EQ(lower.hexCell(40)->text(), "00");
    EXPECT_EQ(lower.takeBytes(), bytes);
}

TEST_F(MessageEditorTest, TypedCharactersBecomeTheCodesTheDisplayShowsThemWith) {
    struct Case {
        device::CharacterSet set;
        QString typed;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        // Code page 437, the factory's: "Grüße".
        {device::CharacterSet::UsaEurope,
         QString::fromUtf8("Gr\u00FC\u00DFe"),
         {0x47, 0x72, 0x81, 0xE1, 0x65}},
        // GERMANY shows ü, ß and ö in place of }, ~ and |.
        {device::CharacterSet::Germany,
         QString::fromUtf8("M\u00FCller \u00DF\u00F6"),
         {0x4D, 0x7D, 0x6C, 0x6C, 0x65, 0x72, 0x20, 0x7E, 0x7C}},
        {device::CharacterSet::Russia, QString::fromUtf8("\u0414a"), {0x84, 0x61}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        editor.selectHex();
        editor.clear();
        editor.setCharacterSet(c.set);
        editor.selectAscii();
        for (int k = 0; k < c.typed.size(); ++k) {
            typeInto(chr(k + 1), QString(c.typed[k]));
            EXPECT_EQ(chr(k + 1)->text(), QString(c.typed[k]));
        }
        EXPECT_EQ(editor.peekBytes(), bytesWithPrefix(c.bytes, 20));
        EXPECT_TRUE(editor.note()->text().isEmpty());
    }
}

TEST_F(MessageEditorTest, CellsRefuseWhatTheyCannotHoldAndSayWhich) {
    editor.selectAscii();
    typeInto(chr(1), QString(QChar(0x20AC)));
    EXPECT_TRUE(chr(1)->text().isEmpty());
    EXPECT_EQ(editor.note()->text(),
              QString::fromUtf8("\u201C\u20AC\u201D is not in the display's character set "
                                "USA/Eurpope."));
    QTest::keyClicks(chr(2), "a");
    EXPECT_TRUE(editor.note()->text().isEmpty()) << "the next keystroke clears the note";

    editor.setCharacterSet(device::CharacterSet::Germany);
    typeInto(chr(3), QStringLiteral("}"));
    EXPECT_TRUE(chr(3)->text().isEmpty()) << "GERMANY shows \u00FC there";
    EXPECT_TRUE(editor.note()->text().contains(QStringLiteral("GERMANY")));

    // Hexadecimal cells take only digits, and write them in upper case.
    editor.selectHex();
    QTest::keyClicks(hex(4), "1g");
    EXPECT_EQ(editor.note()->text(),
              QString::fromUtf8("\u201Cg\u201D is not a hexadecimal digit (0 to 9, A to F)."));
    QTest::keyClicks(hex(4), "z4");
    EXPECT_EQ(hex(4)->text(), "14");
    QTest::keyClicks(hex(5), "4a");
    EXPECT_EQ(hex(5)->text(), "4A");
}

TEST_F(MessageEditorTest, ChangingTheCharacterSetKeepsTheCodesAndShowsTheirNewCharacters) {
    hex(1)->setText("7D");
    hex(2)->setText("5B");
    hex(3)->setText("8E");
    editor.selectAscii();
    EXPECT_EQ(chr(1)->text(), "}");
    editor.setCharacterSet(device::CharacterSet::Germany);
    EXPECT_EQ(chr(1)->text(), QString(QChar(0xFC)));
    // 0x5B and 0x8E both show \u00C4 with GERMANY; each cell keeps its own code.
    EXPECT_EQ(chr(2)->text(), QString(QChar(0xC4)));
    EXPECT_EQ(chr(3)->text(), QString(QChar(0xC4)));
    EXPECT_EQ(editor.peekBytes(), bytesWithPrefix({0x7D, 0x5B, 0x8E}, 20));
    editor.selectHex();
    EXPECT_EQ(hex(2)->text(), "5B");
    EXPECT_EQ(hex(3)->text(), "8E");
}

TEST_F(MessageEditorTest, CharactersFillTheCellsInOrder) {
    editor.selectAscii();
    editor.setCharacters("*** VFD DISPLAY  ***");
    EXPECT_EQ(chr(1)->text(), "*");
    EXPECT_EQ(chr(16)->text(), " ");
    EXPECT_EQ(chr(20)->text(), "*");

    editor.setCharacters("AB");
    EXPECT_EQ(chr(2)->text(), "B");
    EXPECT_TRUE(chr(3)->text().isEmpty());
}

// The cells of a row type like one text field: keys go wherever the focus is, as a keyboard's do.
class MessageTyping : public ::testing::Test {
protected:
    void SetUp() override {
        editor.show();
        QApplication::setActiveWindow(&editor);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    }
    QLineEdit* focused() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    void type(const QString& text) {
        for (const QChar c : text) {
            typeInto(QApplication::focusWidget(), QString(c));
        }
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    }
    QStringList texts(bool hexRow, int first, int last) {
        QStringList out;
        for (int k = first; k <= last; ++k) {
            out << (hexRow ? editor.hexCell(k) : editor.charCell(k))->text();
        }
        return out;
    }

    MessageEditor editor{2};
};

TEST_F(MessageTyping, AFullCellPassesTheNextKeystrokeOnAcrossTheRowBreak) {
    editor.selectAscii();
    editor.charCell(18)->setFocus();
    type("HELLO");
    EXPECT_EQ(texts(false, 18, 23), (QStringList{"H", "E", "L", "L", "O", ""}));
    EXPECT_EQ(focused(), editor.charCell(22));

    // Typing on into cells that hold text writes over them.
    editor.charCell(18)->setFocus();
    editor.charCell(18)->end(false);
    type("Ja");
    EXPECT_EQ(texts(false, 18, 20), (QStringList{"H", "J", "a"}));

    editor.selectHex();
    editor.hexCell(1)->setFocus();
    type("48454C");
    EXPECT_EQ(texts(true, 1, 4), (QStringList{"48", "45", "4C", ""}));
    // At the last cell the row ends: the keystroke is refused, nothing wraps.
    editor.hexCell(40)->setFocus();
    type("4142");
    EXPECT_EQ(editor.hexCell(40)->text(), "41");
    EXPECT_EQ(focused(), editor.hexCell(40));
}

TEST_F(MessageTyping, BackspaceAndTheArrowKeysCrossTheCellEdges) {
    editor.selectHex();
    editor.hexCell(2)->setText("45");
    editor.hexCell(3)->setFocus();
    key(Qt::Key_Backspace);  // the empty cell 3: deletes the last digit of cell 2
    EXPECT_EQ(focused(), editor.hexCell(2));
    EXPECT_EQ(editor.hexCell(2)->text(), "4");

    editor.hexCell(2)->setText("45");
    editor.hexCell(2)->setCursorPosition(1);
    key(Qt::Key_Left);  // inside the cell: an ordinary move
    EXPECT_EQ(focused(), editor.hexCell(2));
    key(Qt::Key_Left);  // at its start: to the end of cell 1
    EXPECT_EQ(focused(), editor.hexCell(1));
    key(Qt::Key_Right);  // cell 1 is empty, so its end is its start: on to cell 2
    EXPECT_EQ(focused(), editor.hexCell(2));
    EXPECT_EQ(editor.hexCell(2)->cursorPosition(), 0);
    // Inside a full cell a digit types over the one after the cursor.
    type("6");
    EXPECT_EQ(editor.hexCell(2)->text(), "65");
}

TEST_F(MessageTyping, APastedTextSpreadsOverTheFollowingCells) {
    editor.selectAscii();
    QApplication::clipboard()->setText(QStringLiteral("TOTAL\n"));
    editor.charCell(19)->setFocus();
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(texts(false, 19, 24), (QStringList{"T", "O", "T", "A", "L", ""}));
    EXPECT_EQ(focused(), editor.charCell(24));

    editor.selectHex();
    EXPECT_EQ(texts(true, 19, 23), (QStringList{"54", "4F", "54", "41", "4C"}));
    QApplication::clipboard()->setText(QStringLiteral("31 32 3"));
    editor.hexCell(1)->setFocus();
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(texts(true, 1, 4), (QStringList{"31", "32", "3", ""}));
    // A text with anything but digits is not pasted: dropping a letter would shift every pair.
    QApplication::clipboard()->setText(QStringLiteral("4l 42"));
    editor.hexCell(5)->setFocus();
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(texts(true, 5, 6), (QStringList{"", ""}));
    EXPECT_TRUE(editor.note()->text().contains(QStringLiteral("\u201Cl\u201D")));
    // Past the row's end the rest is dropped.
    QApplication::clipboard()->setText(QStringLiteral("414243"));
    editor.hexCell(39)->setFocus();
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(texts(true, 39, 40), (QStringList{"41", "42"}));

    // The context menu's Paste does the same.
    QApplication::clipboard()->setText(QStringLiteral("4A4B"));
    bool pasted = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text().startsWith(QStringLiteral("&Paste"))) {
                action->trigger();
                pasted = true;
            }
        }
        menu->close();
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(2, 2),
                                editor.hexCell(10)->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(editor.hexCell(10), &menuEvent);
    EXPECT_TRUE(pasted);
    EXPECT_EQ(texts(true, 10, 12), (QStringList{"4A", "4B", ""}));
}

}  // namespace
}  // namespace vfd::config
