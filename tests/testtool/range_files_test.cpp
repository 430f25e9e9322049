// SPDX-License-Identifier: GPL-3.0-or-later
// The range files shipped with the tool, sent by the window and shown on the virtual display.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <filesystem>

#include "sim/firmware.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/scripted_dialogs.h"
#include "testtool/tymbrik_window.h"
#include "tymbrik_fixture.h"

namespace vfd::testtool {
namespace {

TEST(RangeFiles, EachShowsItsThirtyTwoCodesOnTheTwoLines) {
    testing::ScriptedDialogs dialogs;
    testing::FakeClock clock;
    testing::FakePort port{clock};
    TymbrikWindowServices s;
    s.dialogs = &dialogs;
    s.port = &port;
    s.clock = &clock;
    s.ports.folder = "/fake-ports";
    s.ports.exists = [](const std::string& path) { return path == "/fake-ports/COM1"; };
    // The build puts the shipped files beside this program, as it does beside the tool.
    const std::filesystem::path besideProgram =
        QCoreApplication::applicationDirPath().toStdString();
    s.rangeFolders = {besideProgram};
    TymbrikWindow window(s);

    struct Case {
        const char* button;
        const char* file;
        std::uint8_t first;
    };
    for (const Case c : {Case{"Command3", "80-9F", 0x80}, Case{"Command4", "A0-BF", 0xA0},
                         Case{"Command5", "C0-DF", 0xC0}, Case{"Command6", "E0-FF", 0xE0}}) {
        SCOPED_TRACE(c.file);
        EXPECT_LE(std::filesystem::file_size(besideProgram / c.file), 48u);
        port.clearWritten();
        testing::named<QPushButton>(window, c.button)->click();
        ASSERT_EQ(port.writtenData().size(), 48u);

        // A display that was showing its welcome message before.
        sim::Firmware display(sim::FirmwareOptions{}, 0);
        display.feed(port.writtenData(), 0);

        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 20; ++column) {
                const int code = c.first + row * 16 + column;
                const int expected = column < 16 ? code : 0x20;
                EXPECT_EQ(display.screen().code(row, column), expected)
                    << "row " << row << " column " << column;
            }
        }
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace vfd::testtool
