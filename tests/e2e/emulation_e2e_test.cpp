// SPDX-License-Identifier: GPL-3.0-or-later
// The test tool against a virtual display set to the emulation each model option drives it in:
// the range test shows every range over both lines, in the character set the display stores,
// and the screen test ends "OK!" with all dots lit on both lines.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "device/option_lists.h"
#include "file/settings_file.h"
#include "sim/command_sets.h"
#include "sim/font5x7.h"
#include "sim/screen.h"
#include "sim/settings_store.h"
#include "support/operator_hand.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "testtool/message_window.h"
#include "testtool/tymbrik_window.h"

namespace vfd::testtool {
namespace {

using testing::ScriptedDialogs;
using testing::SimProcess;

// The glass line the display prints for codes first .. first + count - 1, blank after them,
// with the `Char` position charSet stored.
std::string shownLine(int first, int count, std::uint8_t charSet) {
    std::string line;
    for (int i = 0; i < sim::Screen::kColumns; ++i) {
        const auto code = static_cast<std::uint8_t>(first + i);
        sim::appendUtf8(line,
                        i < count ? sim::characterOf(code, charSet, sim::kStoredCodeTable) : U' ');
    }
    return line;
}

class EmulationOnVirtualDisplay : public ::testing::Test {
protected:
    // A display whose memory holds `emulation` and the character set `charSet`, started from it.
    void start(device::Emulation emulation, std::uint8_t charSet = 0) {
        window.reset();
        sim.reset();
        testing::usePrivatePortFolder();
        sim::StoredSettings memory = device::factoryImage().body();
        device::setBodyByte(memory, device::image_index::kCommand,
                            static_cast<std::uint8_t>(emulation));
        device::setBodyByte(memory, device::image_index::kCharSet, charSet);
        const QString state =
            dir.filePath(QStringLiteral("memory-%1-%2.vfd").arg(int(emulation)).arg(charSet));
        ASSERT_EQ(file::writeSettingsFile(state.toStdString(), memory), "");
        sim = std::make_unique<SimProcess>(1, QStringList{QStringLiteral("--state"), state});
        ASSERT_TRUE(sim->started()) << sim->output().toStdString();
        const std::string_view name = device::shortName(emulation);
        ASSERT_TRUE(sim->waitForOutput(
            QByteArray(name.data(), static_cast<qsizetype>(name.size())) + " emulation"))
            << sim->output().toStdString();
        TymbrikWindowServices services;
        services.dialogs = &dialogs;
        services.rangeFolders = {VFD_RANGE_FOLDER};
        window = std::make_unique<TymbrikWindow>(services);
    }

    void click(const QString& name) { window->findChild<QPushButton*>(name)->click(); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<TymbrikWindow> window;
    testing::OperatorHand hand{[this] { return window ? &window->messageWindow() : nullptr; }};
    QStringList& shown = hand.shown;
};

TEST_F(EmulationOnVirtualDisplay, EachRangeShowsOnBothLinesInEpsonAndCd5220) {
    struct Range {
        const char* button;
        int first;
    };
    struct Display {
        device::Emulation emulation;
        std::uint8_t charSet;
    };
    constexpr std::uint8_t kRussia = 12;
    ASSERT_EQ(shownLine(0x80, 16, kRussia), "АБВГДЕЖЗИЙКЛМНОП    ");
    for (const Display d :
         {Display{device::Emulation::Epson, 0}, Display{device::Emulation::Cd5220, 0},
          Display{device::Emulation::Epson, kRussia}}) {
        SCOPED_TRACE(std::string(device::shortName(d.emulation)) + " Char " +
                     std::to_string(d.charSet));
        start(d.emulation, d.charSet);
        ASSERT_TRUE(window);
        for (const Range r : {Range{"Command3", 0x80}, Range{"Command4", 0xA0},
                              Range{"Command5", 0xC0}, Range{"Command6", 0xE0}}) {
            sim->markOutput();
            click(QString::fromLatin1(r.button));
            const std::string expected = "display |" + shownLine(r.first, 16, d.charSet) + "|" +
                                         shownLine(r.first + 16, 16, d.charSet) + "|";
            EXPECT_TRUE(sim->waitForOutputAfterMark(QByteArray::fromStdString(expected)))
                << expected << "\n"
                << sim->output().toStdString();
        }
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(" | ").toStdString();
    }
}

TEST_F(EmulationOnVirtualDisplay, TheScreenTestLightsBothLinesInItsModelsEmulation) {
    const QString file = dir.filePath(QStringLiteral("file.vfd"));
    device::BodyBytes body{};
    body[device::image_index::kCommand - 1] = 7;
    ASSERT_EQ(file::writeSettingsFile(file.toStdString(), body), "");
    struct Run {
        const char* option;
        device::Emulation emulation;
    };
    std::string full;
    for (int i = 0; i < sim::Screen::kColumns; ++i) {
        full += "\u2588";
    }
    const QByteArray bothLit = QByteArray::fromStdString("display |" + full + "|" + full + "|");
    for (const Run r : {Run{"Option_CD5220_QV310_v68AC", device::Emulation::Cd5220},
                        Run{"Option_CD5220_NR400_CD5220_RUSSIA", device::Emulation::Cd5220},
                        Run{"Option_CD5220_File", device::Emulation::Cd5220},
                        Run{"Option_EPSON_QV310", device::Emulation::Epson},
                        Run{"Option_EPSON_File", device::Emulation::Epson}}) {
        SCOPED_TRACE(r.option);
        start(r.emulation);
        ASSERT_TRUE(window);
        dialogs.files.push_back(file);
        click(QStringLiteral("Command2"));
        ASSERT_TRUE(window->fileImage());
        shown.clear();
        window->findChild<QRadioButton*>(QString::fromLatin1(r.option))->click();
        sim->markOutput();
        click(QStringLiteral("ScreenTest"));
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown.last(), "OK!") << shown.join(" | ").toStdString();
        EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(" | ").toStdString();
        EXPECT_TRUE(sim->waitForOutputAfterMark(bothLit, 1000)) << sim->output().toStdString();
    }
}

}  // namespace
}  // namespace vfd::testtool
