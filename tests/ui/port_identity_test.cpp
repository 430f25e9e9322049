// SPDX-License-Identifier: GPL-3.0-or-later
// The line beside a port list that names the device behind it, on a port folder of the test's
// own: pseudo-terminals linked in stand for the virtual display, and a scripted source stands
// for what QSerialPortInfo knows of USB adapters.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "support/pseudo_terminal.h"
#include "testtool/tymbrik_fixture.h"
#include "ui/port_identity.h"
#include "ui/widgets.h"

namespace vfd::ui {
namespace {

namespace fs = std::filesystem;

class PortIdentityTest : public ::testing::Test {
protected:
    PortIdentityTest() {
        list->addItems({"Com 1", "Com 2", "Com 3", "Com 4"});
        list->setCurrentIndex(-1);
    }

    // The folder's own entries exist as the file system says; outside it, only the devices
    // the test plugs in and the pseudo-terminal.
    link::PortLookup lookup() {
        link::PortLookup l;
        l.folder = folder.path().string();
        l.exists = [this](const std::string& path) {
            if (path.starts_with(folder.path().string() + "/")) {
                std::error_code ec;
                return fs::is_symlink(fs::symlink_status(path, ec)) || fs::exists(path, ec);
            }
            return path == display.device() || adapters.contains(QString::fromStdString(path));
        };
        return l;
    }
    AdapterFactsSource facts() {
        return [this](const QString& device) -> std::optional<AdapterFacts> {
            const auto found = adapters.find(device);
            if (found == adapters.end()) {
                return std::nullopt;
            }
            return found->second;
        };
    }
    void link(int number, const std::string& target) {
        fs::create_symlink(target, folder / ("COM" + std::to_string(number)));
    }
    QString spoken() const {
        return QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name);
    }

    testing::ScratchFolder folder;
    testing::PseudoTerminal display;
    std::map<QString, AdapterFacts> adapters;
    QWidget window;
    QComboBox* list = makeList("Comm", "Port", Typing::Typed, &window);
    PortIdentityLine* line = new PortIdentityLine(list, lookup(), &window, facts());
};

TEST_F(PortIdentityTest, NamesTheDeviceBehindWhatIsChosenOrTyped) {
    const std::string pts = display.device();
    link(4, pts);
    link(6, "/dev/pts/999999");  // a virtual display that ended without removing its link
    // An adapter given a fixed number through its /dev/serial/by-id name, as the README shows.
    const fs::path byId = folder / "usb-Example_USB_Serial_A1B2C3-if00-port0";
    std::ofstream(byId).put('\n');
    link(5, byId.string());
    adapters[QString::fromStdString(byId.string())] = {"USB-Serial Controller", "Prolific", ""};
    adapters["/dev/ttyUSB0"] = {"FT232R USB UART", "FTDI", "A1B2C3"};
    adapters["/dev/ttyUSB1"] = {"", " ", "0042"};
    adapters["/dev/ttyS0"] = {};

    struct Case {
        QString typed;
        QString shown;
    };
    const QString dot = QString::fromUtf8(" \u00B7 ");
    const Case cases[] = {
        {"Com 4", QString::fromStdString(pts) + " (virtual display)"},
        {QString::fromStdString(pts), QString::fromStdString(pts) + " (pseudo-terminal)"},
        {"Com 6", "/dev/pts/999999: no such device"},
        {"Com 9", "/dev/ttyS8: no such device"},
        {"Com 33", "/dev/ttyUSB0" + dot + "FT232R USB UART" + dot + "FTDI" + dot + "A1B2C3"},
        {"com34", "/dev/ttyUSB1" + dot + "0042"},
        {"Com 5",
         QString::fromStdString(byId.string()) + dot + "USB-Serial Controller" + dot + "Prolific"},
        {"Com 1", "/dev/ttyS0"},
        {"Com 35", "/dev/ttyUSB2: no such device"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0" + dot + "FT232R USB UART" + dot + "FTDI" + dot + "A1B2C3"},
        {"Com 300", "not a port name"},
        {"  ", "no port chosen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        list->setEditText(c.typed);
        EXPECT_EQ(line->text().toStdString(), c.shown.toStdString());
        EXPECT_EQ(spoken().toStdString(),
                  ("Port device: " + QString(c.shown).replace(dot, ", ")).toStdString());
    }
}

TEST_F(PortIdentityTest, FollowsTheListsSelectionAndLooksAgainWhenTheWindowIsActivated) {
    link(3, display.device());
    adapters["/dev/ttyS1"] = {};
    list->setCurrentIndex(2);
    EXPECT_EQ(line->text().toStdString(), display.device() + " (virtual display)");
    list->setCurrentIndex(1);
    EXPECT_EQ(line->text().toStdString(), "/dev/ttyS1");

    // An adapter plugged in while the line shows its absence appears when the operator comes
    // back to the window, without choosing again.
    list->setCurrentIndex(3);
    EXPECT_EQ(line->text().toStdString(), "/dev/ttyS3: no such device");
    window.show();
    adapters["/dev/ttyS3"] = {"16550A UART", "", ""};
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &activate);
    EXPECT_EQ(line->text().toStdString(), "/dev/ttyS3 \u00B7 16550A UART");
}

TEST_F(PortIdentityTest, TheSystemListsNoSerialPortWhereThereIsNone) {
    EXPECT_FALSE(systemAdapterFacts((folder / "COM1").string().c_str()).has_value());
}

}  // namespace
}  // namespace vfd::ui
