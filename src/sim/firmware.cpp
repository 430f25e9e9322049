// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/firmware.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace vfd::sim {

namespace {

using namespace vfd::device;

inline constexpr std::uint8_t kInquiryCommand = kIdentityQuery[1];
inline constexpr std::uint8_t kIdentityKind = kIdentityQuery[2];
inline constexpr std::uint8_t kSerialKind = kSerialQuery[2];
inline constexpr std::uint8_t kSerialSubKind = kSerialQuery[3];

inline constexpr std::int64_t kMinuteMs = 60'000;
inline constexpr std::int64_t kSecondsPerMinute = 60;
inline constexpr std::int64_t kSecondsPerHour = 3600;
inline constexpr std::int64_t kSecondsPerDay = 86'400;

std::int64_t systemTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local.tm_hour * kSecondsPerHour + local.tm_min * kSecondsPerMinute + local.tm_sec;
}

void appendTwoDigits(std::string& out, std::int64_t value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

void applyUserCharacters(const device::SettingsImage& settings, Screen& screen) {
    screen.clearUserCharacters();
    std::array<bool, 256> taken{};
    for (int number = 1; number <= device::kUdcCount; ++number) {
        const int start = device::udcRecordStart(number);
        const std::uint8_t code = settings.at(start);
        if (code < 0x20 || code > 0x7E || taken[code]) {
            continue;
        }
        taken[code] = true;
        Glyph glyph{};
        for (int column = 0; column < device::kUdcColumns; ++column) {
            glyph[static_cast<std::size_t>(column)] = settings.at(start + 1 + column);
        }
        screen.defineUserCharacter(code, glyph);
    }
}

Screen::Line welcomeLine(std::span<const std::uint8_t> field, bool scrolls, std::int64_t step) {
    Screen::Line line;
    line.fill(Screen::kBlank);
    const auto length = static_cast<std::int64_t>(field.size());
    if (length == 0) {
        return line;
    }
    const std::int64_t offset = scrolls ? std::max<std::int64_t>(step, 0) % length : 0;
    for (std::int64_t i = 0; i < Screen::kColumns; ++i) {
        if (!scrolls && i >= length) {
            break;
        }
        const std::uint8_t code = field[static_cast<std::size_t>((offset + i) % length)];
        line[static_cast<std::size_t>(i)] = code == 0 ? Screen::kBlank : code;
    }
    return line;
}

Firmware::Firmware(FirmwareOptions options, std::int64_t nowMs) : options_(std::move(options)) {
    settings_ = options_.memory.value_or(device::factoryImage().body());
    restart(nowMs);
}

device::Emulation Firmware::emulation() const {
    return device::emulationOf(running_.at(device::image_index::kCommand));
}

int Firmware::lineSpeed() const {
    return running_.lineSpeed() == device::LineSpeed::Baud19200 ? kLineSpeeds[1] : kLineSpeeds[0];
}

FeedResult Firmware::feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs) {
    FeedResult out;
    const std::optional<int>& hangUpAfter = options_.faults.hangUpAfter;
    feeding_ = &out;
    feedingAtMs_ = nowMs;
    for (std::uint8_t byte : bytes) {
        if (hungUp_) {
            break;
        }
        if (hangUpAfter && received_ >= *hangUpAfter) {
            hungUp_ = true;
            out.hangUp = true;
            break;
        }
        ++received_;
        wake(nowMs);
        process(byte, nowMs, out);
        if (hangUpAfter && received_ >= *hangUpAfter) {
            hungUp_ = true;
            out.hangUp = true;
        }
    }
    feeding_ = nullptr;
    return out;
}

void Firmware::tick(std::int64_t nowMs) {
    const int standbyMinutes = running_.at(device::image_index::kStandby);
    if (standbyMinutes > 0 && !screen_.isDark() &&
        nowMs - lastInputMs_ >= standbyMinutes * kMinuteMs) {
        screen_.setDark(true);
    }
    if (const int interval = screen_.blinkIntervalMs(); interval > 0) {
        screen_.setBlinkedOff((nowMs - blinkSinceMs_) / interval % 2 == 1);
    }
    if (clockFace_) {
        drawClock();
    }
    if (marquee_) {
        const std::int64_t step = (nowMs - marquee_->sinceMs) / kScrollStepMs;
        // The text comes in from the right end and runs out at the left.
        std::vector<std::uint8_t> field;
        field.reserve(Screen::kColumns + marquee_->text.size());
        field.resize(Screen::kColumns, Screen::kBlank);
        for (std::uint8_t code : marquee_->text) {
            field.push_back(code);
        }
        const auto length = static_cast<std::int64_t>(field.size());
        Screen::Line line;
        if (!marquee_->repeat && step >= length) {
            line.fill(Screen::kBlank);
        } else {
            line = welcomeLine(field, true, step);
        }
        if (screen_.line(marquee_->row) != line) {
            screen_.setLine(marquee_->row, line);
        }
    }
    if (!welcome_) {
        return;
    }
    const std::int64_t step = (nowMs - welcomeSinceMs_) / kScrollStepMs;
    const device::ScrollFlags flags = running_.scrollFlags();
    const std::span<const std::uint8_t> all(running_.bytes());
    const Screen::Line lines[] = {
        welcomeLine(all.subspan(device::image_index::kMessage1, device::kMessage1Length),
                    flags.upperScrolls(), step),
        welcomeLine(all.subspan(device::image_index::kMessage2, device::kMessage2Length),
                    flags.lowerScrolls(), step),
    };
    for (int row = 0; row < Screen::kRows; ++row) {
        if (screen_.line(row) != lines[row]) {
            screen_.setLine(row, lines[row]);
        }
    }
}

void Firmware::wake(std::int64_t nowMs) {
    lastInputMs_ = nowMs;
    if (screen_.isDark()) {
        screen_.setDark(false);
    }
}

void Firmware::process(std::uint8_t byte, std::int64_t nowMs, FeedResult& out) {
    if (nowMs - busyUntilMs_ > kCommandTimeoutMs) {
        if (state_ != State::Display) {
            state_ = State::Display;
        }
        commandSet_->abandon();
    }
    busyUntilMs_ = std::max(busyUntilMs_, nowMs);

    switch (state_) {
        case State::Display:
            // A settings exchange can begin wherever the command set is not in the middle of a
            // command of its own.
            if (!commandSet_->midCommand() && byte == kEsc) {
                state_ = State::Esc;
            } else if (!commandSet_->midCommand() && byte == kGs) {
                state_ = State::Gs;
            } else {
                toCommandSet(std::span(&byte, 1));
            }
            break;
        case State::Esc:
            state_ = State::Display;
            if (byte == kDownloadCommand) {
                collected_.clear();
                state_ = State::DateStamp;
            } else if (byte == kUploadCommand) {
                std::vector<std::uint8_t> reply;
                reply.reserve(kUploadReplyLength);
                reply.push_back(options_.faults.badMarker ? kBadMarker : device::kReplyMarker);
                reply.insert(reply.end(), settings_.begin(), settings_.end());
                answer(ReplyKind::Upload, std::move(reply), nowMs, out);
            } else {
                const std::uint8_t both[] = {kEsc, byte};
                toCommandSet(both);
            }
            break;
        case State::Gs:
            state_ = State::Display;
            if (byte == kInquiryCommand) {
                state_ = State::GsInquiry;
            } else {
                const std::uint8_t both[] = {kGs, byte};
                toCommandSet(both);
            }
            break;
        case State::GsInquiry:
            state_ = State::Display;
            if (byte == kIdentityKind) {
                answer(ReplyKind::Identity, {options_.pid.begin(), options_.pid.end()}, nowMs, out);
            } else if (byte == kSerialKind) {
                state_ = State::SerialQuery;
            } else {
                const std::uint8_t all[] = {kGs, kInquiryCommand, byte};
                toCommandSet(all);
            }
            break;
        case State::SerialQuery:
            state_ = State::Display;
            if (byte == kSerialSubKind && !options_.faults.noSerial) {
                answer(ReplyKind::Serial, {options_.serial.begin(), options_.serial.end()}, nowMs,
                       out);
            }
            break;
        case State::DateStamp:
            collected_.push_back(byte);
            if (collected_.size() == static_cast<std::size_t>(kDateStampLength)) {
                finishDateStamp(nowMs, out);
            }
            break;
        case State::Decision:
            if (byte == kAcceptCheck) {
                collected_.clear();
                state_ = State::Body;
            } else {
                // 0x55 ends the download. Anything else means the tool has moved on without
                // deciding, so the byte is taken as ordinary input.
                state_ = State::Display;
                if (byte != kRefuseCheck) {
                    process(byte, nowMs, out);
                }
            }
            break;
        case State::Body:
            collected_.push_back(byte);
            if (collected_.size() == static_cast<std::size_t>(device::kBodySize)) {
                store(out);
            }
            break;
    }
}

void Firmware::toCommandSet(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t byte : bytes) {
        commandSet_->feed(byte, *this);
        checkClock();
        if (nextCommandSet_) {
            commandSet_ = makeCommandInterpreter(*nextCommandSet_);
            nextCommandSet_.reset();
        }
    }
}

void Firmware::switchCommandSet(device::Emulation emulation) {
    nextCommandSet_ = emulation;
}

void Firmware::answer(ReplyKind kind, std::vector<std::uint8_t> bytes, std::int64_t nowMs,
                      FeedResult& out) {
    const Faults healthy{};
    const Faults& faults =
        !options_.faults.only || *options_.faults.only == kind ? options_.faults : healthy;
    const int delay = std::max(faults.replyDelayMs, 0);
    // The tool's next step follows the reply, so a slow reply must not run the command out of
    // time before it has even left.
    busyUntilMs_ = std::max(busyUntilMs_, nowMs + delay);
    if (faults.noReply) {
        return;
    }
    if (faults.garble) {
        for (std::uint8_t& b : bytes) {
            b ^= kGarbleMask;
        }
    }
    bytes.insert(bytes.end(), static_cast<std::size_t>(std::max(faults.extraBytes, 0)), kExtraByte);
    if (faults.shortReply) {
        bytes.resize(
            std::min(bytes.size(), static_cast<std::size_t>(std::max(*faults.shortReply, 0))));
    }
    if (!bytes.empty()) {
        out.replies.push_back({std::move(bytes), delay});
    }
}

void Firmware::finishDateStamp(std::int64_t nowMs, FeedResult& out) {
    device::DateStamp stamp{};
    std::copy_n(collected_.begin(), stamp.size(), stamp.begin());
    if (options_.clock) {
        stamp = device::dateStamp(*options_.clock);
    }
    std::uint8_t check = device::downloadCheckByte(stamp);
    if (options_.faults.wrongCheck) {
        check = static_cast<std::uint8_t>(check + kWrongCheckOffset);
    }
    state_ = State::Decision;
    answer(ReplyKind::Check, {check}, nowMs, out);
}

void Firmware::store(FeedResult& out) {
    state_ = State::Display;
    std::copy(collected_.begin(), collected_.end(), settings_.begin());
    out.stored = StoreOutcome::Stored;
    unsaved_ = false;
    if (!options_.stateFile.empty() && !saveSettings(options_.stateFile, settings_)) {
        out.stored = StoreOutcome::FileFailed;
        unsaved_ = true;
    }
    // The display goes on with the settings it started with until it is restarted.
}

void Firmware::restart(std::int64_t nowMs) {
    // What a download could not write to the state file is kept for this run; otherwise the
    // file is the display's memory, read afresh at every start.
    if (!options_.stateFile.empty() && !unsaved_) {
        LoadedSettings loaded = loadSettings(options_.stateFile);
        settings_ = loaded.settings;
        loadOutcome_ = loaded.outcome;
    }
    running_ = device::SettingsImage::fromBody(settings_);
    state_ = State::Display;
    collected_.clear();
    marquee_.reset();
    commandSet_ = makeCommandInterpreter(emulation());
    nextCommandSet_.reset();
    busyUntilMs_ = nowMs;
    lastInputMs_ = nowMs;
    screen_.setDark(false);
    initialise();
    welcome_ = true;
    welcomeSinceMs_ = nowMs;
    tick(nowMs);
}

void Firmware::endWelcome() {
    if (welcome_) {
        welcome_ = false;
        screen_.clear();
        commandSet_->powerOn(screen_);
    }
}

Screen& Firmware::target() {
    endWelcome();
    // Whatever writes to the glass next replaces a running marquee.
    marquee_.reset();
    return screen_;
}

Screen& Firmware::appearance() {
    return screen_;
}

void Firmware::blink(int intervalMs) {
    screen_.setBlinkInterval(intervalMs);
    blinkSinceMs_ = feedingAtMs_;
}

std::int64_t Firmware::clockSeconds() const {
    const std::int64_t now = options_.timeOfDay ? options_.timeOfDay() : systemTimeOfDay();
    return ((now + clockOffsetS_) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
}

void Firmware::setClock(int hours, int minutes) {
    clockOffsetS_ = 0;
    clockOffsetS_ = hours * kSecondsPerHour + minutes * kSecondsPerMinute - clockSeconds();
}

void Firmware::showClock(const ClockFace& face) {
    target();
    clockFace_ = face;
    drawClock();
}

void Firmware::drawClock() {
    const std::int64_t t = clockSeconds();
    std::string text;
    appendTwoDigits(text, t / kSecondsPerHour);
    text.push_back(':');
    appendTwoDigits(text, t / kSecondsPerMinute % kSecondsPerMinute);
    if (clockFace_->seconds) {
        text.push_back(':');
        appendTwoDigits(text, t % kSecondsPerMinute);
    }
    Screen::Line line = screen_.line(clockFace_->row);
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), line.size() - clockFace_->column),
                line.begin() + clockFace_->column);
    if (line != screen_.line(clockFace_->row)) {
        screen_.setLine(clockFace_->row, line);
    }
    clockLine_ = line;
}

// The clock stays on the glass until something else is written on its line; with the EPSON
// time counter, also until the cursor reaches that line, which takes the clock off it.
void Firmware::checkClock() {
    if (!clockFace_) {
        return;
    }
    const int row = clockFace_->row;
    if (screen_.line(row) != clockLine_) {
        clockFace_.reset();
    } else if (clockFace_->goesWithCursor && screen_.cursor().row == row) {
        Screen::Line line = screen_.line(row);
        std::fill_n(line.begin() + clockFace_->column, clockFace_->width(), Screen::kBlank);
        screen_.setLine(row, line);
        clockFace_.reset();
    }
}

void Firmware::answer(std::vector<std::uint8_t> bytes) {
    if (feeding_ != nullptr) {
        answer(ReplyKind::Check, std::move(bytes), feedingAtMs_, *feeding_);
    }
}

void Firmware::marquee(int row, std::vector<std::uint8_t> text, bool repeat) {
    Screen& glass = target();
    glass.clearLine(row);
    marquee_ = Marquee{row, std::move(text), repeat, feedingAtMs_};
}

void Firmware::initialise() {
    applyUserCharacters(running_, screen_);
    screen_.setCharacterSet(running_.at(device::image_index::kCharSet), kStoredCodeTable);
    screen_.resetLook();
    screen_.setWindow(std::nullopt);
    screen_.clear();
    clockOffsetS_ = 0;
    clockFace_.reset();
    commandSet_->powerOn(screen_);
    marquee_.reset();
    welcome_ = false;
}

// A set or table that the display does not have is ignored, as the EPSON references have it.
void Firmware::selectInternationalSet(int position) {
    if (position >= 0 && position < kCharacterSets) {
        screen_.setCharacterSet(position, screen_.codeTable());
    }
}

void Firmware::selectCodeTable(int table) {
    if (isCodeTable(table)) {
        screen_.setCharacterSet(screen_.internationalSet(), table);
    }
}

bool Firmware::selectPeripheral(std::uint8_t devices) {
    // Only a display with a pass-through port switched by command has a printer to hand to.
    return running_.passThrough() == device::PassThrough::WithEscPos && devices == 1;
}

}  // namespace vfd::sim
