// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/screen/screen_run.h"

#include <algorithm>
#include <string_view>

#include "link/exchanges.h"
#include "link/protocol.h"
#include "link/transfer.h"
#include "testtool/identity.h"
#include "testtool/image_download.h"
#include "ui/operator_texts.h"

namespace vfd::testtool {

namespace {

using namespace image_index;
using link::LineStatus;

constexpr std::string_view kTestMessage1 = "***ABCD***";
constexpr std::string_view kTestMessage2 = "**ABCD**";
constexpr std::uint8_t kCommandEpson = 1;
constexpr std::uint8_t kCommandCd5220 = 7;
constexpr std::uint8_t kAllOn = 0xDB;
constexpr std::uint8_t kAllOff = 0x20;

std::uint8_t commandByte(CommandSet set) {
    return set == CommandSet::Cd5220 ? kCommandCd5220 : kCommandEpson;
}

void put(ImageBytes& image, int first, std::string_view text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        image[static_cast<std::size_t>(first) + i] =
            i < text.size() ? static_cast<std::uint8_t>(text[i]) : std::uint8_t{' '};
    }
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

ScreenRun::ScreenRun(Operator& op, std::function<link::Date()> today)
    : op_(op), today_(std::move(today)) {}

ImageBytes ScreenRun::factoryImage(const ScreenRunChoice& c) {
    const ModelOption& option = modelOption(c.model);
    ImageBytes image{};
    // A factory image asks for the option's own command set only where the run sends it.
    image[kCommand] = factoryDownloadRuns(c) ? commandByte(option.commands) : kCommandEpson;
    put(image, kMessage1, option.factoryLine1, option.factoryLine1.size());
    put(image, kMessage2, kDefaultMessage2, kDefaultMessage2.size());
    return image;
}

ImageBytes ScreenRun::testImage() {
    ImageBytes image{};
    image[kCharSet] = 1;
    image[kCommand] = kCommandEpson;
    put(image, kMessage1, kTestMessage1, kMessage1Length);
    put(image, kMessage2, kTestMessage2, kMessage2Length);
    return image;
}

ImageBytes ScreenRun::defaultImage(const ScreenRunChoice& c) {
    const ModelOption& option = modelOption(c.model);
    ImageBytes image{};
    image[kCommand] = commandByte(option.defaultCommands);
    image[kCharSet] = option.defaultCharSet;
    if (!option.defaultLine1.empty()) {
        put(image, kMessage1, option.defaultLine1, kMessage1Length);
    }
    put(image, kMessage2, kDefaultMessage2, kDefaultMessage2.size());
    if (option.usesFile && c.fileImage) {
        std::copy(c.fileImage->begin(), c.fileImage->end(), image.begin() + 1);
    }
    return image;
}

ScreenRunEnd ScreenRun::run(DisplayLine& line, const ScreenRunChoice& choice) {
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

bool ScreenRun::download(DisplayLine& line, const ImageBytes& image) {
    buffer_ = image;
    const auto result =
        downloadImage(line, link::dateStamp(today_()), SettingsImage(buffer_).body());
    tell(wordsFor(result, line));
    return result.sent();
}

ScreenRunEnd ScreenRun::steps(DisplayLine& line, const ScreenRunChoice& choice) {
    const ModelOption& option = modelOption(choice.model);
    if (option.usesFile && !choice.fileImage) {
        return ScreenRunEnd::NoFile;
    }

    if (factoryDownloadRuns(choice)) {
        if (!download(line, factoryImage(choice))) {
            return ScreenRunEnd::FactoryDownloadFailed;
        }
        op_.showAndWait(std::string(ui::kFactoryDoneText));
    }

    if (choice.pid) {
        const auto identity = checkIdentity(line, op_);
        tell(wordsFor(identity.line, line));
        if (identity.outcome != IdentityOutcome::Passed) {
            return ScreenRunEnd::IdentityFailed;
        }
    }
    if (choice.sn) {
        const auto serial = readSerialNumber(line, op_, buffer_);
        tell(wordsFor(serial.line, line));
        if (serial.outcome != SerialOutcome::Read) {
            return ScreenRunEnd::NoSerialNumber;
        }
    }

    if (!visualTest(line, option.commands)) {
        return ScreenRunEnd::VisualTestFailed;
    }

    const ImageBytes test = testImage();
    if (!download(line, test)) {
        return ScreenRunEnd::TestImageFailed;
    }

    if (auto failure = openIfClosed(line)) {
        tell(wordsFor(portFailed(std::move(failure)), line));
        return ScreenRunEnd::ReadBackFailed;
    }
    const auto reply = link::uploadSettings(line.port, line.clock);
    if (reply.outcome != link::UploadOutcome::Received) {
        tell(ui::wordsFor(reply, namesOf(line), ui::UploadUse::ReadBack));
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

bool ScreenRun::visualTest(DisplayLine& line, CommandSet commands) {
    if (auto failure = openIfClosed(line)) {
        tell(wordsFor(portFailed(std::move(failure)), line));
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
    if (commands == CommandSet::Cd5220) {
        // Each line is set whole: ESC Q A (upper) or ESC Q B (lower), twenty characters, CR.
        auto setLine = [&](std::uint8_t which, std::uint8_t fill) {
            const std::uint8_t head[] = {protocol::kEsc, protocol::kLineCommand, which};
            each(head);
            std::array<std::uint8_t, protocol::kDisplayColumns> text{};
            text.fill(fill);
            each(text);
            const std::uint8_t cr[] = {protocol::kCr};
            each(cr);
        };
        setLine(protocol::kUpperLine, kAllOn);
        setLine(protocol::kLowerLine, kAllOn);
        pause(kAllOnMs);
        setLine(protocol::kUpperLine, kAllOff);
        setLine(protocol::kLowerLine, kAllOff);
        pause(kAllOffMs);
    } else {
        // Forty characters after ESC @ fill both lines of the display.
        std::array<std::uint8_t, std::size_t{2} * protocol::kDisplayColumns> text{};
        block(protocol::kInitialise);
        text.fill(kAllOn);
        block(text);
        pause(kAllOnMs);
        block(protocol::kInitialise);
        text.fill(kAllOff);
        block(text);
        pause(kAllOffMs);
    }
    if (!ok) {
        tell(wordsFor(closeLostLine(line), line));
        return false;
    }
    line.port.close();
    return true;
}

}  // namespace vfd::testtool
