// SPDX-License-Identifier: GPL-3.0-or-later
// The port search through the operating system's serial port: pseudo-terminals stand in for
// adapters, linked into a port folder of the test's own.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "link/line_settings.h"
#include "link/qt/qt_serial_port.h"
#include "link/transfer.h"
#include "support/fake_clock.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_dialogs.h"
#include "testtool/tymbrik_window.h"
#include "tymbrik_fixture.h"

namespace vfd::testtool {
namespace {

namespace fs = std::filesystem;
using testing::named;

using Pty = testing::PseudoTerminal;

class PortSearchTest : public ::testing::Test {
protected:
    void plug(int number, const Pty& pty) {
        fs::create_symlink(pty.device(), folder / ("COM" + std::to_string(number)));
    }

    // Only the links in the test's folder exist for the search; the machine's own ports
    // (/dev/ttyS0 and the like) do not.
    TymbrikWindowServices services() {
        TymbrikWindowServices s;
        s.dialogs = &dialogs;
        s.port = &port;
        s.clock = &clock;
        const std::string root = folder.path().string() + "/";
        s.ports.folder = folder.path().string();
        s.ports.exists = [root](const std::string& path) {
            std::error_code ec;
            return path.starts_with(root) && fs::exists(path, ec);
        };
        s.rangeFolders = {folder.path()};
        return s;
    }

    static QStringList entries(const QComboBox* box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i) {
            list << box->itemText(i);
        }
        return list;
    }

    // Port n is a pseudo-terminal of its own, made on first use.
    const Pty& adapter(int number) {
        auto& pty = adapters[number];
        if (!pty) {
            pty = std::make_unique<Pty>();
        }
        return *pty;
    }
    void plugAll(const std::vector<int>& numbers) {
        for (const int n : numbers) {
            plug(n, adapter(n));
        }
    }

    static QString spoken(const QWidget* widget, QAccessible::Text what = QAccessible::Name) {
        return QAccessible::queryAccessibleInterface(const_cast<QWidget*>(widget))->text(what);
    }

    testing::ScratchFolder folder;
    testing::ScriptedDialogs dialogs;
    testing::FakeClock clock;
    link::QtSerialPort port;
    Pty first;
    Pty third;
    std::map<int, std::unique_ptr<Pty>> adapters;
};

TEST_F(PortSearchTest, ListsThePortsThatOpenAndNumbersUpToTheHighest) {
    plug(1, first);
    plug(3, third);
    TymbrikWindow window(services());
    const auto* autoComport = named<QComboBox>(window, "auto_comport");
    auto* comm = named<QComboBox>(window, "Comm");

    EXPECT_EQ(entries(autoComport), QStringList({"Com 1", "Com 3"}));
    EXPECT_EQ(entries(comm), QStringList({"com 1", "com 2", "com 3"}));
    EXPECT_EQ(autoComport->currentIndex(), 0);
    EXPECT_EQ(comm->currentIndex(), 0);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(first.heardAnything());
    EXPECT_FALSE(third.heardAnything());

    comm->setCurrentIndex(2);
    const SerialLine line = window.serialLine();
    EXPECT_EQ(line.portNumber, 3);
    EXPECT_EQ(line.portLabel, "com 3");
}

TEST_F(PortSearchTest, ASecondSearchRebuildsBothListsFromEmpty) {
    plug(1, first);
    plug(3, third);
    TymbrikWindow window(services());
    named<QComboBox>(window, "Comm")->setCurrentIndex(2);

    named<QPushButton>(window, "Command1")->click();
    EXPECT_EQ(entries(named<QComboBox>(window, "auto_comport")), QStringList({"Com 1", "Com 3"}));
    EXPECT_EQ(entries(named<QComboBox>(window, "Comm")), QStringList({"com 1", "com 2", "com 3"}));
    EXPECT_EQ(named<QComboBox>(window, "Comm")->currentIndex(), 0);

    // The adapter on port 1 is unplugged: it leaves the found list but keeps its number.
    fs::remove(folder / "COM1");
    named<QPushButton>(window, "Command1")->click();
    EXPECT_EQ(entries(named<QComboBox>(window, "auto_comport")), QStringList({"Com 3"}));
    EXPECT_EQ(entries(named<QComboBox>(window, "Comm")), QStringList({"com 1", "com 2", "com 3"}));
}

TEST_F(PortSearchTest, APortHeldByAnotherProgramIsNotFound) {
    plug(1, first);
    plug(3, third);
    link::QtSerialPort other;
    ASSERT_EQ(
        link::openPort(other, (folder / "COM1").string(), *link::parseLineSettings("9600,n,8,1")),
        link::PortError::None);

    TymbrikWindow window(services());

    EXPECT_EQ(entries(named<QComboBox>(window, "auto_comport")), QStringList({"Com 3"}));
    EXPECT_EQ(entries(named<QComboBox>(window, "Comm")), QStringList({"com 1", "com 2", "com 3"}));
    EXPECT_TRUE(other.isOpen());
}

TEST_F(PortSearchTest, NoPortAtAllLeavesBothListsEmptyAndUnselected) {
    TymbrikWindow window(services());
    for (const char* name : {"auto_comport", "Comm"}) {
        const auto* box = named<QComboBox>(window, name);
        EXPECT_EQ(box->count(), 0) << name;
        EXPECT_EQ(box->currentIndex(), -1) << name;
    }
    EXPECT_EQ(window.serialLine().portNumber, 0);
}

TEST_F(PortSearchTest, BothListsStartOnTheFirstPortThatOpenedAndTheResultIsSaid) {
    struct Case {
        std::vector<int> plugged;
        const char* found;   // auto_comport's choice
        const char* number;  // Comm's choice
        const char* result;
    };
    const Case cases[] = {
        {{5, 7}, "Com 5", "com 5", "Found: Com 5, Com 7"},
        {{33}, "Com 33", "com 33", "Found: Com 33"},
        {{2, 9, 40}, "Com 2", "com 2", "Found: Com 2, Com 9, Com 40"},
        {{}, "", "", "No port could be opened"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            fs::remove(entry.path());
        }
        plugAll(c.plugged);
        TymbrikWindow window(services());
        const auto* autoComport = named<QComboBox>(window, "auto_comport");
        const auto* comm = named<QComboBox>(window, "Comm");
        const auto* result = named<QLabel>(window, "SearchResult");

        EXPECT_EQ(autoComport->currentText(), c.found);
        EXPECT_EQ(comm->currentText(), c.number);
        EXPECT_EQ(window.serialLine().portNumber, c.plugged.empty() ? 0 : c.plugged.front());
        EXPECT_EQ(result->text(), c.result);
        EXPECT_EQ(spoken(result), c.result);
        // The operator's focus stays on the button after a search; it carries the result too.
        EXPECT_EQ(spoken(named<QPushButton>(window, "Command1"), QAccessible::Description),
                  c.result);
    }
}

TEST_F(PortSearchTest, ChoosingAPortInEitherListChoosesItInTheOther) {
    plugAll({3, 5, 7});
    TymbrikWindow window(services());
    auto* autoComport = named<QComboBox>(window, "auto_comport");
    auto* comm = named<QComboBox>(window, "Comm");
    auto choose = [](QComboBox* box, const char* entry) {
        const int index = box->findText(entry);
        ASSERT_GE(index, 0) << entry;
        box->setCurrentIndex(index);
    };
    auto display = [this](int n) { return adapter(n).device() + " (virtual display)"; };
    struct Step {
        QComboBox* list;
        const char* entry;
        const char* found;   // what auto_comport shows then
        const char* number;  // what Comm shows then
        std::string device;  // what the line beside Comm names
    };
    const Step steps[] = {
        {autoComport, "Com 7", "Com 7", "com 7", display(7)},
        {comm, "com 5", "Com 5", "com 5", display(5)},
        // Com 4 did not open: the found list names no port rather than another one.
        {comm, "com 4", "", "com 4", "/dev/ttyS3: no such device"},
        {autoComport, "Com 3", "Com 3", "com 3", display(3)},
        {comm, "com 7", "Com 7", "com 7", display(7)},
    };
    const auto* device = named<QLabel>(window, "PortDevice");
    for (const Step& step : steps) {
        SCOPED_TRACE(step.entry);
        choose(step.list, step.entry);
        EXPECT_EQ(autoComport->currentText(), step.found);
        EXPECT_EQ(comm->currentText(), step.number);
        EXPECT_EQ(device->text().toStdString(), step.device);
    }
}

TEST_F(PortSearchTest, ARangeGoesToThePortChosenInTheListOfFoundPorts) {
    plugAll({3, 7});
    testing::ScratchFolder ranges;
    ranges.write("80-9F", std::vector<std::uint8_t>(48, 0x41));
    TymbrikWindowServices s = services();
    s.rangeFolders = {ranges.path()};
    TymbrikWindow window(s);
    auto* autoComport = named<QComboBox>(window, "auto_comport");
    autoComport->setCurrentIndex(autoComport->findText("Com 7"));

    named<QPushButton>(window, "Command3")->click();

    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(" | ").toStdString();
    EXPECT_TRUE(adapter(7).heardAnything());
    EXPECT_FALSE(adapter(3).heardAnything());
}

}  // namespace
}  // namespace vfd::testtool
