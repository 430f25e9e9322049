// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <string>

#include "config/config_window.h"
#include "config/message_editor.h"
#include "config/udc_editor.h"
#include "config_test_support.h"
#include "device/option_lists.h"
#include "support/default_image.h"
#include "support/devices.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/scripted_dialogs.h"

namespace vfd::config {
namespace {

using testing::cellName;
using testing::named;

QString text(std::string_view view) {
    return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

class ConfigWindowTest : public ::testing::Test {
protected:
    ConfigWindowServices services() {
        return testing::fakeWindowServices(dialogs, port, clock, {2026, 12, 6});
    }

    template <class T>
    T* control(const QString& name) {
        return named<T>(window, name);
    }
    QComboBox* list(const QString& name) { return control<QComboBox>(name); }
    QLineEdit* cell(const char* array, int k) { return control<QLineEdit>(cellName(array, k)); }

    testing::ScriptedDialogs dialogs;
    testing::FakeClock clock;
    testing::FakePort port{clock};
    ConfigWindow window{services()};
};

TEST_F(ConfigWindowTest, ShowsItsCaptionsExactly) {
    EXPECT_EQ(window.windowTitle(), "Zoravel_V3.1");
    struct Case {
        const char* name;
        const char* caption;
    };
    for (const Case c :
         {Case{"GetSetting", "Get Setting From VFD"}, Case{"Download", "Download Setting To VFD"},
          Case{"Save", "Save"}, Case{"Load", "Load"}, Case{"SetAllDefault", "Set All Default"},
          Case{"UDC_UP", "<<"}, Case{"UDC_NEXT", ">>"}, Case{"MAP_Clear", "Clear"},
          Case{"CLR_MSG1", "Clear"}, Case{"CLR_MSG2", "Clear"}}) {
        EXPECT_EQ(control<QPushButton>(c.name)->text(), c.caption) << c.name;
    }
    EXPECT_EQ(control<QGroupBox>("Frame3")->title(), "Interface Setting");
    EXPECT_EQ(control<QGroupBox>("Frame1")->title(), "Welcome Msg 1");
    EXPECT_EQ(control<QGroupBox>("Frame2")->title(), "Welcome Msg 2 ");
    EXPECT_EQ(control<QLabel>("UDC_label")->text(), "User Defined Character  1");
    EXPECT_EQ(control<QLineEdit>("UDC_TEXT")->maxLength(), 2);

    auto* tabs = control<QTabWidget>("SSTab1");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Command Setting");
    EXPECT_EQ(tabs->tabText(1), "Welcome Msg");
    EXPECT_EQ(tabs->tabText(2), "  ");
    EXPECT_EQ(tabs->currentIndex(), 0);

    QStringList labels;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        labels << label->text();
    }
    for (const char* caption :
         {"Com Port Select :", "Baud Rate :", " Character Type :", "Command Mode :",
          "BaudRate Select :", " Passthru Mode :", "Time To enter Stand-by Status(around) :", "0x",
          "(Hex)", "User Defined Character", "Range : 0x20~0x7E", "Max Characters = 9"}) {
        EXPECT_TRUE(labels.contains(caption)) << '"' << caption << '"';
    }
}

TEST_F(ConfigWindowTest, StartsWithEveryListFilledAtItsDefault) {
    for (const device::OptionList* option : device::kFillOrder) {
        QComboBox* box = list(text(option->name));
        SCOPED_TRACE(box->objectName().toStdString());
        ASSERT_EQ(box->count(), option->size());
        for (int i = 0; i < option->size(); ++i) {
            EXPECT_EQ(box->itemText(i), text(option->entries[static_cast<std::size_t>(i)]));
        }
        EXPECT_EQ(box->currentIndex(), option->defaultPosition);
        const bool typed =
            option->name == "Comm" || option->name == "Baud" || option->name == "standby";
        EXPECT_EQ(box->isEditable(), typed);
    }
    EXPECT_EQ(list("Command")->currentText(), "EPSON (Default)");
    EXPECT_EQ(window.commText(), "Com 1");
    EXPECT_EQ(window.baudText(), "9600,n,8,1");
}

TEST_F(ConfigWindowTest, StartsWithTheDefaultMessagesAsHexCodes) {
    const QString upper = "*** VFD DISPLAY  ***";
    const QString lower = "**HAVE A NICE DAY AND THANK YOU**";
    for (int k = 1; k <= 20; ++k) {
        EXPECT_EQ(cell("L1H", k)->text(), QString::number(upper[k - 1].unicode(), 16).toUpper())
            << "cell " << k;
        EXPECT_TRUE(cell("L1A", k)->text().isEmpty());
        EXPECT_TRUE(cell("L1A", k)->isHidden());
    }
    for (int k = 1; k <= 40; ++k) {
        const QString expected =
            k <= lower.size() ? QString::number(lower[k - 1].unicode(), 16).toUpper() : QString();
        EXPECT_EQ(cell("L2H", k)->text(), expected) << "cell " << k;
        EXPECT_TRUE(cell("L2A", k)->text().isEmpty());
        EXPECT_TRUE(cell("L2A", k)->isHidden());
    }
    EXPECT_EQ(cell("L1H", 16)->text(), "20");  // the second of the two blanks
    EXPECT_TRUE(control<QRadioButton>("Op_L1H")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("Op_L2H")->isChecked());
    EXPECT_TRUE(control<QLabel>("Label_L1A1(0)")->isHidden());
    EXPECT_FALSE(control<QLabel>("Label_L1H1(0)")->isHidden());
    EXPECT_TRUE(control<QCheckBox>("Scrollupline")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("Scrolllowline")->isChecked());

    EXPECT_EQ(window.udcNumber(), 1);
    EXPECT_EQ(window.udcIndex(), 69);
    EXPECT_TRUE(control<QLineEdit>("UDC_TEXT")->text().isEmpty());
    EXPECT_EQ(window.image(), device::SettingsImage());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(ConfigWindowTest, AFillRightAfterStartUpGivesTheDefaultBytes) {
    fillFromWindow(window.image(), window.takeWindowValues());
    EXPECT_EQ(window.image().bytes(), testing::defaultFilledImage());
}

TEST_F(ConfigWindowTest, TakingValuesSwitchesACharacterLineToHex) {
    control<QRadioButton>("Op_L1A")->click();
    EXPECT_EQ(cell("L1A", 2)->text(), "*");
    control<QPushButton>("CLR_MSG1")->click();
    cell("L1A", 1)->setText("H");
    cell("L1A", 3)->setText("i");
    const WindowValues values = window.takeWindowValues();
    EXPECT_EQ(values.message1[0], 'H');
    EXPECT_EQ(values.message1[1], 'i');
    EXPECT_EQ(values.message1[2], 0);
    EXPECT_TRUE(control<QRadioButton>("Op_L1H")->isChecked());
    EXPECT_EQ(cell("L1H", 3)->text(), "69");
    EXPECT_EQ(values.command, 1);
    EXPECT_TRUE(values.scrollUpper);
}

TEST_F(ConfigWindowTest, SetAllDefaultKeepsTheOperatorsChoicesAndMostCharacterBytes) {
    list("Char")->setCurrentIndex(5);
    list("Command")->setCurrentIndex(3);
    list("BaudRate")->setCurrentIndex(1);
    list("Passthru")->setCurrentIndex(2);
    list("standby")->setCurrentIndex(7);
    list("Comm")->setCurrentIndex(2);
    list("Baud")->setCurrentIndex(1);
    control<QCheckBox>("Scrollupline")->setChecked(false);
    control<QCheckBox>("Scrolllowline")->setChecked(false);
    cell("L1H", 1)->setText("00");
    for (int i = 0; i < device::kImageSize; ++i) {
        window.image().set(i, 0x11);
    }
    // Character 2 is current, with a drawing and a code on the grid.
    control<QPushButton>("UDC_NEXT")->click();
    control<QPushButton>("map3(3)")->click();
    control<QLineEdit>("UDC_TEXT")->setText("41");

    control<QPushButton>("SetAllDefault")->click();

    EXPECT_EQ(list("Char")->currentIndex(), 0);
    EXPECT_EQ(list("Command")->currentIndex(), 1);
    EXPECT_EQ(list("BaudRate")->currentIndex(), 0);
    EXPECT_EQ(list("Passthru")->currentIndex(), 0);
    EXPECT_EQ(list("standby")->currentIndex(), 7);
    EXPECT_EQ(list("Comm")->currentIndex(), 2);
    EXPECT_EQ(window.commText(), "Com 3");
    EXPECT_EQ(window.baudText(), "19200,n,8,1");
    EXPECT_TRUE(control<QCheckBox>("Scrollupline")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("Scrolllowline")->isChecked());

    // Both messages are left as characters, holding the default texts.
    EXPECT_TRUE(control<QRadioButton>("Op_L1A")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("Op_L2A")->isChecked());
    EXPECT_EQ(cell("L1A", 1)->text(), "*");
    EXPECT_EQ(cell("L1A", 5)->text(), "V");
    EXPECT_EQ(cell("L2A", 33)->text(), "*");
    EXPECT_TRUE(cell("L2A", 34)->text().isEmpty());
    EXPECT_TRUE(cell("L1H", 1)->text().isEmpty());
    EXPECT_TRUE(cell("L1H", 1)->isHidden());

    for (int i = 0; i < device::kImageSize; ++i) {
        const bool cleared = i >= 69 && i <= 72;
        EXPECT_EQ(window.image().at(i), cleared ? 0 : 0x11) << "index " << i;
    }
    EXPECT_EQ(window.udcNumber(), 1);
    EXPECT_EQ(window.udcIndex(), 69);
    EXPECT_EQ(control<QLabel>("UDC_label")->text(), "User Defined Character  1");
    EXPECT_TRUE(control<QLineEdit>("UDC_TEXT")->text().isEmpty());
    for (int column = 1; column <= 5; ++column) {
        for (int row = 0; row <= 6; ++row) {
            EXPECT_FALSE(window.characterEditor().dotOn(column, row)) << column << "," << row;
        }
    }
}

TEST_F(ConfigWindowTest, TypedStandbyTextBecomesAnEntryOrIsRefused) {
    struct Case {
        const char* typed;
        int position;  // -1: refused
    };
    const Case cases[] = {{"5", 5},   {"10 minutes", 10}, {"0", 0},   {" 3 MINUTES", 3}, {"10", 10},
                          {"11", -1}, {"abc", -1},        {"-2", -1}, {"255", -1},       {"", -1}};
    QComboBox* standby = list("standby");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        dialogs.messages.clear();
        standby->setCurrentIndex(4);
        standby->setEditText(c.typed);

        const WindowValues values = window.takeWindowValues();
        const int expected = c.position >= 0 ? c.position : 4;
        EXPECT_EQ(values.standby, expected);
        EXPECT_EQ(standby->currentIndex(), expected);
        EXPECT_EQ(standby->currentText(), standby->itemText(expected));
        EXPECT_EQ(dialogs.messages, c.position >= 0 ? QStringList() : QStringList{kStandbyRefused});

        fillFromWindow(window.image(), values);
        EXPECT_EQ(window.image().at(device::image_index::kStandby), expected);
    }
}

TEST_F(ConfigWindowTest, StandbyTextIsSettledWhenTheOperatorFinishesTyping) {
    QComboBox* standby = list("standby");
    QLineEdit* edit = standby->lineEdit();

    edit->selectAll();
    QTest::keyClicks(edit, "12");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialogs.messages, QStringList{kStandbyRefused});
    EXPECT_EQ(standby->currentIndex(), 0);
    EXPECT_EQ(edit->text(), "No Stand-by Status (Default)");

    dialogs.messages.clear();
    standby->setEditText("8");
    emit edit->editingFinished();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(standby->currentIndex(), 8);
    EXPECT_EQ(edit->text(), "8 minutes");
}

TEST_F(ConfigWindowTest, TypedPortAndLineTextsAreUsedAsTheyStand) {
    list("Comm")->setEditText("/dev/ttyUSB0");
    list("Baud")->setEditText("38400,e,7,2");
    EXPECT_EQ(window.commText(), "/dev/ttyUSB0");
    EXPECT_EQ(window.baudText(), "38400,e,7,2");
    EXPECT_EQ(list("Comm")->count(), 8);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(ConfigWindowTest, ThePortDeviceLineInTheInterfaceFrameFollowsComm) {
    auto* line = control<QLabel>("PortDevice");
    EXPECT_EQ(line->parentWidget(), control<QGroupBox>("Frame3"));
    // Nothing exists for this window's port lookup.
    struct Case {
        const char* typed;
        std::string shown;
    };
    // Port 200 has no device of its own on Linux: its link in the port folder is what is missing.
    const std::string com200 = testing::deviceOf(200).empty()
                                   ? std::string("/nonexistent-port-folder/COM200")
                                   : testing::deviceOf(200);
    const std::string missing = ": no such device";
    for (const Case& c : {Case{"Com 1", testing::deviceOf(1) + missing},
                          Case{"Com 40", testing::deviceOf(40) + missing},
                          Case{"Com 200", com200 + missing}, Case{"port 3", "not a port name"}}) {
        SCOPED_TRACE(c.typed);
        list("Comm")->setEditText(c.typed);
        EXPECT_EQ(line->text().toStdString(), c.shown);
        EXPECT_EQ(
            QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name).toStdString(),
            std::string("Port device: ") + c.shown);
    }
    list("Comm")->setCurrentIndex(2);
    EXPECT_EQ(line->text().toStdString(), testing::deviceOf(3) + missing);
}

TEST_F(ConfigWindowTest, TheControlsKeepTheirPlacesWhateverThePortDeviceLineSays) {
    window.show();
    QCoreApplication::processEvents();
    auto* line = control<QLabel>("PortDevice");
    const auto places = [this] {
        QList<QRect> out;
        for (const char* name : {"Frame3", "Download", "SSTab1", "Comm", "Baud"}) {
            auto* widget = window.findChild<QWidget*>(QString::fromLatin1(name));
            out << QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        }
        return out;
    };
    list("Comm")->setEditText("Com 1");
    QCoreApplication::processEvents();
    const QList<QRect> before = places();
    const QSize windowBefore = window.size();
    const QString longPath =
        QString::fromStdString(testing::typedDevicePath()) +
        QStringLiteral("-in-a-port-folder-with-a-very-long-name-that-never-ends-at-all");
    list("Comm")->setEditText(longPath);
    QCoreApplication::processEvents();
    EXPECT_EQ(places(), before);
    EXPECT_EQ(window.size(), windowBefore);
    // The line shows what fits; the whole text is its tooltip and accessible description.
    EXPECT_TRUE(line->toolTip().startsWith(longPath));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(line)->text(QAccessible::Description),
              line->toolTip());
}

TEST_F(ConfigWindowTest, AnUpdateSetsOnlyTheValuesItCarries) {
    window.message1().selectAscii();
    cell("L1A", 1)->setText("Q");
    list("BaudRate")->setCurrentIndex(1);
    list("standby")->setCurrentIndex(2);

    WindowUpdate update;
    update.command = 3;
    update.charSet = 15;
    update.standby = 9;
    update.scroll = ScrollBoxes{true, false};
    update.message1[0] = 0x05;
    update.message1[1] = 0xA0;
    update.message2[39] = 0xFF;

    window.applyWindowUpdate(update, false);
    EXPECT_EQ(list("Command")->currentText(), "UTC/P");
    EXPECT_EQ(list("Char")->currentIndex(), 15);
    EXPECT_EQ(list("BaudRate")->currentIndex(), 1);  // no value: kept
    EXPECT_EQ(list("Passthru")->currentIndex(), 0);
    EXPECT_EQ(list("standby")->currentIndex(), 2);
    EXPECT_TRUE(control<QCheckBox>("Scrollupline")->isChecked());
    EXPECT_FALSE(control<QCheckBox>("Scrolllowline")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("Op_L1H")->isChecked());
    EXPECT_EQ(cell("L1H", 1)->text(), "05");
    EXPECT_EQ(cell("L1H", 2)->text(), "A0");
    EXPECT_EQ(cell("L1H", 3)->text(), "00");
    EXPECT_TRUE(cell("L1A", 1)->text().isEmpty());
    EXPECT_EQ(cell("L2H", 1)->text(), "00");
    EXPECT_EQ(cell("L2H", 40)->text(), "FF");

    update.scroll.reset();
    window.applyWindowUpdate(update, true);
    EXPECT_EQ(list("standby")->currentIndex(), 9);
    EXPECT_FALSE(control<QCheckBox>("Scrolllowline")->isChecked());
}

TEST_F(ConfigWindowTest, CharacterEditorIsReachableThroughTheWindow) {
    for (int i = 0; i < 6; ++i) {
        window.image().set(81 + i, static_cast<std::uint8_t>(i == 0 ? 0x7E : 1u << i));
    }
    control<QPushButton>("UDC_NEXT")->click();
    control<QPushButton>("UDC_NEXT")->click();
    EXPECT_EQ(window.udcNumber(), 3);
    EXPECT_EQ(window.udcIndex(), 81);
    EXPECT_EQ(control<QLineEdit>("UDC_TEXT")->text(), "7E");

    window.image().set(81, 0x21);
    window.redrawCharacter();
    EXPECT_EQ(control<QLineEdit>("UDC_TEXT")->text(), "21");
    EXPECT_TRUE(window.characterEditor().dotOn(5, 5));

    window.returnToFirstCharacter();
    EXPECT_EQ(window.udcNumber(), 1);
    EXPECT_EQ(window.udcIndex(), 69);
    EXPECT_EQ(control<QLabel>("UDC_label")->text(), "User Defined Character  1");
}

TEST_F(ConfigWindowTest, BusyDisablesTheButtonsThatStartAnExchange) {
    const char* starters[] = {"Download", "GetSetting", "Save", "Load", "SetAllDefault"};
    window.setBusy(true);
    for (const char* name : starters) {
        EXPECT_FALSE(control<QPushButton>(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(control<QPushButton>("UDC_NEXT")->isEnabled());
    window.setBusy(false);
    for (const char* name : starters) {
        EXPECT_TRUE(control<QPushButton>(name)->isEnabled()) << name;
    }
}

TEST_F(ConfigWindowTest, ServicesAreThoseGiven) {
    EXPECT_EQ(&window.dialogs(), &dialogs);
    EXPECT_EQ(&window.port(), &port);
    EXPECT_EQ(&window.clock(), &clock);
    EXPECT_EQ(window.today().year, 2026);
    EXPECT_EQ(window.today().day, 6);
    EXPECT_EQ(window.portLookup().folder, "/nonexistent-port-folder");
}

TEST_F(ConfigWindowTest, ClosingClosesAnOpenPortWithoutAsking) {
    window.show();
    ASSERT_EQ(port.open(), link::PortError::None);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.closeCount(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.questions.isEmpty());
}

TEST(ConfigWindowLifetime, DestroyingTheWindowClosesAnOpenPort) {
    testing::ScriptedDialogs dialogs;
    testing::FakeClock clock;
    testing::FakePort port(clock);
    {
        ConfigWindowServices services;
        services.dialogs = &dialogs;
        services.port = &port;
        services.clock = &clock;
        ConfigWindow window(services);
        ASSERT_EQ(port.open(), link::PortError::None);
    }
    EXPECT_FALSE(port.isOpen());
}

TEST_F(ConfigWindowTest, EveryControlHasANameForScreenReaders) {
    int checked = 0;
    int listFields = 0;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const bool isControl =
            qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget) ||
            qobject_cast<QLabel*>(widget) || qobject_cast<QGroupBox*>(widget) ||
            qobject_cast<QTabWidget*>(widget) || qobject_cast<QLineEdit*>(widget);
        if (!isControl) {
            continue;
        }
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(face, nullptr);
        EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty())
            << widget->metaObject()->className() << " " << widget->objectName().toStdString();
        // The text field of an editable list is a child of its own in the tree; it speaks for
        // the list.
        if (auto* box = qobject_cast<QComboBox*>(widget->parentWidget())) {
            EXPECT_EQ(face->text(QAccessible::Name), box->accessibleName())
                << box->objectName().toStdString();
            ++listFields;
        }
        ++checked;
    }
    EXPECT_EQ(listFields, 3);      // Comm, Baud, standby
    EXPECT_GT(checked, 35 + 120);  // at least the dots and every message cell

    EXPECT_EQ(cell("L1H", 3)->accessibleName(), "Welcome Msg 1 hex cell 3");
    EXPECT_EQ(cell("L2A", 12)->accessibleName(), "Welcome Msg 2 character cell 12");
    EXPECT_EQ(control<QPushButton>("map2(4)")->accessibleName(), "Dot column 2 row 5");
    auto* tabBar = control<QTabWidget>("SSTab1")->tabBar();
    EXPECT_EQ(tabBar->accessibleTabName(2), "User Defined Character");
}

TEST_F(ConfigWindowTest, TabKeyMeetsTheControlsInPageOrder) {
    const QStringList order = {
        "Comm",          "Baud",     "GetSetting", "Download", "Save",     "Load",
        "SetAllDefault", "Char",     "Command",    "BaudRate", "Passthru", "standby",
        "Scrollupline",  "Op_L1H",   "CLR_MSG1",   "L1H(1)",   "L1H(2)",   "L1H(20)",
        "Scrolllowline", "L2H(1)",   "L2H(40)",    "map1(0)",  "map5(0)",  "map1(1)",
        "map5(6)",       "UDC_TEXT", "UDC_UP",     "UDC_NEXT", "MAP_Clear"};
    QStringList chain;
    QWidget* widget = &window;
    do {
        if (!widget->objectName().isEmpty()) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != &window);
    qsizetype last = -1;
    for (const QString& name : order) {
        const qsizetype at = chain.indexOf(name);
        EXPECT_GT(at, last) << name.toStdString();
        last = at;
    }
}

}  // namespace
}  // namespace vfd::config
