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
    report_ = RunReport{};
    current_ = RunStep::FactoryDownload;
    const ScreenRunEnd end = steps(line, choice);
    // Whatever happened, the next display starts from a closed port.
    line.port.close();
    return end;
}

class ScreenRun::VerdictFirst : public Operator {
public:
    explicit VerdictFirst(ScreenRun& run) : run_(run) {}
    using Operator::showAndWait;
    void showAndWait(const std::string& text, const std::string& detail) override {
        const ui::Words words{text, detail};
        if (run_.current_ == RunStep::SerialNumber && text.starts_with(ui::kSerialPrefix)) {
            run_.report_.serialNumber = text.substr(ui::kSerialPrefix.size());
            if (run_.listener_ != nullptr) {
                run_.listener_->serialNumberRead(run_.report_.serialNumber);
            }
            run_.stepEnded(StepEnd::Passed, words);
        } else {
            // The identity's "VFD PID is Error." and "NO S/N" end the run.
            run_.stepEnded(StepEnd::Failed, words);
            run_.conclude(run_.current_ == RunStep::Identity ? ScreenRunEnd::IdentityFailed
                                                             : ScreenRunEnd::NoSerialNumber,
                          words);
        }
        run_.op_.showAndWait(text, detail);
    }
    void message(const ui::Words& words) override { run_.op_.message(words); }

private:
    ScreenRun& run_;
};

void ScreenRun::stepEnded(StepEnd end, const ui::Words& words) {
    const auto at = static_cast<std::size_t>(current_);
    report_.steps[at] = end;
    if (!words.empty()) {
        report_.words[at] = words;
    }
}

void ScreenRun::conclude(ScreenRunEnd end, const ui::Words& told) {
    report_.end = end;
    report_.told = told;
    if (listener_ != nullptr) {
        listener_->concluded(report_);
    }
}

void ScreenRun::tell(const ui::Words& words, ScreenRunEnd end) {
    if (!words.empty()) {
        stepEnded(StepEnd::Failed, words);
        conclude(end, words);
        op_.message(words);
    }
}

void ScreenRun::stop(const ui::Words& why, ScreenRunEnd end) {
    const ui::Words words = ui::unfinishedTestWords(why);
    stepEnded(StepEnd::EndedEarly, why);
    conclude(end, words);
    op_.showAndWait(words.text, words.detail);
}

bool ScreenRun::download(SerialLine& line, const device::ImageBytes& image, ScreenRunEnd end) {
    const auto result =
        downloadImage(line, device::dateStamp(today_()), device::SettingsImage(image).body());
    const bool onTheLine =
        !result.line.done() || result.download.outcome == link::DownloadOutcome::LineLost;
    if (onTheLine) {
        stop(wordsFor(result, line), end);
    } else {
        tell(wordsFor(result, line), end);
    }
    return result.sent();
}

ScreenRunEnd ScreenRun::steps(SerialLine& line, const ScreenRunChoice& choice) {
    const ModelOption& option = modelOption(choice.model);
    if (option.usesFile && !choice.fileImage) {
        conclude(ScreenRunEnd::NoFile, {});
        return ScreenRunEnd::NoFile;
    }
    // The port is resolved once for the whole run, and a choice that names no port ends it
    // before anything is sent.
    auto chosen = choosePort(line);
    if (!chosen.choice) {
        stop(wordsFor(portFailed(std::move(chosen.failure)), line), ScreenRunEnd::PortFailed);
        return ScreenRunEnd::PortFailed;
    }
    line.chosen = std::move(chosen.choice);
    report_.device = line.chosen->device;

    if (factoryDownloadRuns(choice)) {
        if (!download(line, factoryImage(choice), ScreenRunEnd::FactoryDownloadFailed)) {
            return ScreenRunEnd::FactoryDownloadFailed;
        }
        stepEnded(StepEnd::Passed, {std::string(ui::kFactoryDoneText), {}});
        op_.showAndWait(std::string(ui::kFactoryDoneText));
    }

    VerdictFirst verdictFirst(*this);
    if (choice.pid) {
        current_ = RunStep::Identity;
        const auto identity = checkIdentity(line, verdictFirst);
        if (!identity.line.done()) {
            stop(wordsFor(identity.line, line), ScreenRunEnd::IdentityFailed);
        }
        if (identity.outcome != IdentityOutcome::Passed) {
            return ScreenRunEnd::IdentityFailed;
        }
        stepEnded(StepEnd::Passed);
    }
    if (choice.sn) {
        current_ = RunStep::SerialNumber;
        const auto serial = readSerialNumber(line, verdictFirst);
        if (!serial.line.done()) {
            stop(wordsFor(serial.line, line), ScreenRunEnd::NoSerialNumber);
        }
        if (serial.outcome != SerialOutcome::Read) {
            return ScreenRunEnd::NoSerialNumber;
        }
    }

    current_ = RunStep::VisualTest;
    if (!visualTest(line, option.commands)) {
        return ScreenRunEnd::VisualTestFailed;
    }
    stepEnded(StepEnd::Passed);

    current_ = RunStep::TestImage;
    const device::ImageBytes test = testImage();
    if (!download(line, test, ScreenRunEnd::TestImageFailed)) {
        return ScreenRunEnd::TestImageFailed;
    }

    if (auto failure = openIfClosed(line)) {
        stop(wordsFor(portFailed(std::move(failure)), line), ScreenRunEnd::ReadBackFailed);
        return ScreenRunEnd::ReadBackFailed;
    }
    const auto reply = link::uploadSettings(line.port, line.clock);
    if (reply.outcome != link::UploadOutcome::Received) {
        const ui::Words words = ui::wordsFor(reply, namesOf(line), ui::UploadUse::ReadBack);
        if (reply.outcome == link::UploadOutcome::LineLost) {
            stop(words, ScreenRunEnd::ReadBackFailed);
        } else {
            tell(words, ScreenRunEnd::ReadBackFailed);
        }
        return ScreenRunEnd::ReadBackFailed;
    }
    int mismatches = 0;
    for (int i = kCompareFirst; i <= kCompareLast; ++i) {
        if (reply.reply[static_cast<std::size_t>(i)] != test[static_cast<std::size_t>(i)]) {
            ++mismatches;
        }
    }
    stepEnded(mismatches == 0 ? StepEnd::Passed : StepEnd::Failed,
              mismatches == 0 ? ui::Words{}
                              : ui::Words{std::to_string(mismatches) +
                                              " bytes of the test image came back changed",
                                          {}});

    current_ = RunStep::DefaultDownload;
    if (!download(line, defaultImage(choice), ScreenRunEnd::DefaultDownloadFailed)) {
        return ScreenRunEnd::DefaultDownloadFailed;
    }
    stepEnded(StepEnd::Passed);

    const ScreenRunEnd end = mismatches == 0 ? ScreenRunEnd::Passed : ScreenRunEnd::Mismatch;
    const std::string verdict(mismatches == 0 ? ui::kVerdictOkText : ui::kVerdictErrorText);
    conclude(end, {verdict, {}});
    op_.showAndWait(verdict);
    return end;
}

bool ScreenRun::visualTest(SerialLine& line, Emulation commands) {
    if (auto failure = openIfClosed(line)) {
        stop(wordsFor(portFailed(std::move(failure)), line), ScreenRunEnd::VisualTestFailed);
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
        stop(wordsFor(closeLostLine(line), line), ScreenRunEnd::VisualTestFailed);
        return false;
    }
    line.port.close();
    return true;
}

}  // namespace vfd::testtool
