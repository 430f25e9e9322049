// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/production_run/screen_run.h"

#include <algorithm>
#include <string_view>

#include "device/protocol.h"
#include "link/exchanges.h"
#include "link/transfer.h"
#include "testtool/identity.h"
#include "testtool/image_download.h"
#include "ui/operator_texts.h"

namespace vfd::testtool {

namespace {

using namespace device::image_index;
using device::Emulation;
using link::LineStatus;

constexpr std::string_view kTestMessage1 = "***ABCD***";
constexpr std::string_view kTestMessage2 = "**ABCD**";
constexpr std::uint8_t kAllOn = 0xDB;
constexpr std::uint8_t kAllOff = 0x20;

int widthOf(std::string_view text) {
    return static_cast<int>(text.size());
}

// Clears the busy flag on every way out of a run.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

bool factoryDownloadRuns(const ScreenRunChoice& c) {
    switch (modelOption(c.model).factory) {
        case FactoryDownload::Never:
            return false;
        case FactoryDownload::WhenDefaultTicked:
            return c.defaults;
        case FactoryDownload::Always:
            return true;
    }
    return false;
}

ScreenRun::ScreenRun(Operator& op, std::function<device::Date()> today)
    : op_(op), today_(std::move(today)) {}

device::ImageBytes ScreenRun::factoryImage(const ScreenRunChoice& c) {
    const ModelOption& option = modelOption(c.model);
    device::SettingsImage image;
    // A factory image asks for the option's own command set only where the run sends it.
    image.setEmulation(factoryDownloadRuns(c) ? option.commands : Emulation::Epson);
    image.putText(kMessage1, option.factoryLine1, widthOf(option.factoryLine1));
    image.putText(kMessage2, device::kDefaultMessage2, widthOf(device::kDefaultMessage2));
    return image.bytes();
}

device::ImageBytes ScreenRun::testImage() {
    device::SettingsImage image;
    image.setCharacterSet(device::CharacterSet::France);
    image.setEmulation(Emulation::Epson);
    image.putText(kMessage1, kTestMessage1, device::kMessage1Length);
    image.putText(kMessage2, kTestMessage2, device::kMessage2Length);
    return image.bytes();
}

device::ImageBytes ScreenRun::defaultImage(const ScreenRunChoice& c) {
    const ModelOption& option = modelOption(c.model);
    device::SettingsImage image;
    image.setEmulation(option.defaultCommands);
    image.setCharacterSet(option.defaultCharSet);
    if (!option.defaultLine1.empty()) {
        image.putText(kMessage1, option.defaultLine1, device::kMessage1Length);
    }
    image.putText(kMessage2, device::kDefaultMessage2, widthOf(device::kDefaultMessage2));
    if (option.usesFile && c.fileImage) {
        image.setBody(*c.fileImage);
    }
    return image.bytes();
}

ScreenRunEnd ScreenRun::run(SerialLine& line, const ScreenRunChoice& choice) {
    if (busy_) {
        return ScreenRunEnd::AlreadyRunning;
    }
    BusyFlag busy(busy_);
    const ScreenRunEnd end = steps(line, choice);
    // Whatever happened, the next display starts from a closed port.
    line.port.close();
    return end;
}

void ScreenRun::tell(const ui::Words& words) {
    if (!words.empty()) {
        op_.message(words);
    }
}

void ScreenRun::stop(const ui::Words& why) {
    const ui::Words words = ui::unfinishedTestWords(why);
    op_.showAndWait(words.text, words.detail);
}

bool ScreenRun::download(SerialLine& line, const device::ImageBytes& image) {
    const auto result =
        downloadImage(line, device::dateStamp(today_()), device::SettingsImage(image).body());
    const bool onTheLine =
        !result.line.done() || result.download.outcome == link::DownloadOutcome::LineLost;
    if (onTheLine) {
        stop(wordsFor(result, line));
    } else {
        tell(wordsFor(result, line));
    }
    return result.sent();
}

ScreenRunEnd ScreenRun::steps(SerialLine& line, const ScreenRunChoice& choice) {
    const ModelOption& option = modelOption(choice.model);
    if (option.usesFile && !choice.fileImage) {
        return ScreenRunEnd::NoFile;
    }
    // The port is resolved once for the whole run, and a choice that names no port ends it
    // before anything is sent.
    auto chosen = choosePort(line);
    if (!chosen.choice) {
        stop(wordsFor(portFailed(std::move(chosen.failure)), line));
        return ScreenRunEnd::PortFailed;
    }
    line.chosen = std::move(chosen.choice);

    if (factoryDownloadRuns(choice)) {
        if (!download(line, factoryImage(choice))) {
            return ScreenRunEnd::FactoryDownloadFailed;
        }
        op_.showAndWait(std::string(ui::kFactoryDoneText));
    }

    if (choice.pid) {
        const auto identity = checkIdentity(line, op_);
        if (!identity.line.done()) {
            stop(wordsFor(identity.line, line));
        }
        if (identity.outcome != IdentityOutcome::Passed) {
            return ScreenRunEnd::IdentityFailed;
        }
    }
    if (choice.sn) {
        const auto serial = readSerialNumber(line, op_);
        if (!serial.line.done()) {
            stop(wordsFor(serial.line, line));
        }
        if (serial.outcome != SerialOutcome::Read) {
            return ScreenRunEnd::NoSerialNumber;
        }
    }

    if (!visualTest(line, option.commands)) {
        return ScreenRunEnd::VisualTestFailed;
    }

    const device::ImageBytes test = testImage();
    if (!download(line, test)) {
        return ScreenRunEnd::TestImageFailed;
    }

    if (auto failure = openIfClosed(line)) {
        stop(wordsFor(portFailed(std::move(failure)), line));
        return ScreenRunEnd::ReadBackFailed;
    }
    const auto reply = link::uploadSettings(line.port, line.clock);
    if (reply.outcome != link::UploadOutcome::Received) {
        const ui::Words words = ui::wordsFor(reply, namesOf(line), ui::UploadUse::ReadBack);
        if (reply.outcome == link::UploadOutcome::LineLost) {
            stop(words);
        } else {
            tell(words);
        }
        return ScreenRunEnd::ReadBackFailed;
    }
    int mismatches = 0;
    for (int i = kCompareFirst; i <= kCompareLast; ++i) {
        if (reply.reply[static_cast<std::size_t>(i)] != test[static_cast<std::size_t>(i)]) {
            ++mismatches;
        }
    }

    if (!download(line, defaultImage(choice))) {
        return ScreenRunEnd::DefaultDownloadFailed;
    }

    if (mismatches == 0) {
        op_.showAndWait(std::string(ui::kVerdictOkText));
        return ScreenRunEnd::Passed;
    }
    op_.showAndWait(std::string(ui::kVerdictErrorText));
    return ScreenRunEnd::Mismatch;
}

bool ScreenRun::visualTest(SerialLine& line, Emulation commands) {
    if (auto failure = openIfClosed(line)) {
        stop(wordsFor(portFailed(std::move(failure)), line));
        return false;
    }
    bool ok = true;
    auto block = [&](std::span<const std::uint8_t> bytes) {
        ok = ok && link::writeBlock(line.port, line.clock, bytes) == LineStatus::Ok;
    };
    auto each = [&](std::span<const std::uint8_t> bytes) {
        ok = ok && link::sendBytes(line.port, line.clock, bytes) == LineStatus::Ok;
    };
    auto pause = [&](int ms) {
        if (ok) {
            link::delayMs(line.clock, ms);
        }
    };
    if (commands == Emulation::Cd5220) {
        // Each line is set whole: ESC Q A (upper) or ESC Q B (lower), twenty characters, CR.
        auto setLine = [&](std::uint8_t which, std::uint8_t fill) {
            const std::uint8_t head[] = {device::kEsc, device::kLineCommand, which};
            each(head);
            std::array<std::uint8_t, device::kDisplayColumns> text{};
            text.fill(fill);
            each(text);
            const std::uint8_t cr[] = {device::kCr};
            each(cr);
        };
        setLine(device::kUpperRow, kAllOn);
        setLine(device::kLowerRow, kAllOn);
        pause(kAllOnMs);
        setLine(device::kUpperRow, kAllOff);
        setLine(device::kLowerRow, kAllOff);
        pause(kAllOffMs);
    } else {
        // Forty characters after ESC @ fill both lines of the display.
        std::array<std::uint8_t, std::size_t{2} * device::kDisplayColumns> text{};
        block(device::kInitialise);
        text.fill(kAllOn);
        block(text);
        pause(kAllOnMs);
        block(device::kInitialise);
        text.fill(kAllOff);
        block(text);
        pause(kAllOffMs);
    }
    if (!ok) {
        stop(wordsFor(closeLostLine(line), line));
        return false;
    }
    line.port.close();
    return true;
}

}  // namespace vfd::testtool
