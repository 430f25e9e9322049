// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/firmware.h"

#include <algorithm>
#include <utility>

namespace vfd::sim {

namespace {

using namespace vfd::protocol;

inline constexpr std::uint8_t kBackspace = 0x08;
inline constexpr std::uint8_t kTab = 0x09;
inline constexpr std::uint8_t kLineFeed = 0x0A;
inline constexpr std::uint8_t kHome = 0x0B;
inline constexpr std::uint8_t kClear = 0x0C;
inline constexpr std::uint8_t kClearLine = 0x18;
inline constexpr std::uint8_t kFirstPrintable = 0x20;

inline constexpr std::uint8_t kInitialiseCommand = kInitialise[1];
inline constexpr std::uint8_t kCd5220CursorCommand = 0x6C;  // ESC l x y
inline constexpr std::uint8_t kInquiryCommand = kIdentityQuery[1];
inline constexpr std::uint8_t kIdentityKind = kIdentityQuery[2];
inline constexpr std::uint8_t kSerialKind = kSerialQuery[2];
inline constexpr std::uint8_t kSerialSubKind = kSerialQuery[3];

inline constexpr std::uint8_t kUpperLineScrollLocked = 0x01;
inline constexpr std::uint8_t kLowerLineScrollLocked = 0x02;

// Commands of both command sets that only change things this display does not model
// (brightness, blinking, code table, clock), with the number of parameter bytes to pass over so
// that the parameters do not land on the glass as text.
int ignoredEscParameters(std::uint8_t command) {
    switch (command) {
        case 0x25:  // ESC % n: user-defined character set on or off
        case 0x3D:  // ESC = n: select the display as peripheral
        case 0x52:  // ESC R n: international character set
        case 0x74:  // ESC t n: code table
            return 1;
        default:
            return 0;
    }
}

int ignoredUsParameters(std::uint8_t command) {
    switch (command) {
        case 0x43:  // US C n: cursor on or off
        case 0x45:  // US E n: blink
        case 0x58:  // US X n: brightness
        case 0x72:  // US r n: reverse
            return 1;
        case 0x54:  // US T h m: set the clock
            return 2;
        default:
            return 0;
    }
}

}  // namespace

void applyUserCharacters(const StoredSettings& settings, Screen& screen) {
    screen.clearUserCharacters();
    std::array<bool, 256> taken{};
    for (int number = 1; number <= kUdcCount; ++number) {
        const int start = udcRecordStart(number);
        const std::uint8_t code = storedByte(settings, start);
        if (code < 0x20 || code > 0x7E || taken[code]) {
            continue;
        }
        taken[code] = true;
        Glyph glyph{};
        for (int column = 0; column < kUdcColumns; ++column) {
            glyph[static_cast<std::size_t>(column)] = storedByte(settings, start + 1 + column);
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
    if (options_.stateFile.empty()) {
        settings_ = factorySettings();
    } else {
        LoadedSettings loaded = loadSettings(options_.stateFile);
        settings_ = loaded.settings;
        loadOutcome_ = loaded.outcome;
    }
    restart(nowMs);
}

FeedResult Firmware::feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs) {
    FeedResult out;
    const std::optional<int>& hangUpAfter = options_.faults.hangUpAfter;
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
        process(byte, nowMs, out);
        if (hangUpAfter && received_ >= *hangUpAfter) {
            hungUp_ = true;
            out.hangUp = true;
        }
    }
    return out;
}

void Firmware::tick(std::int64_t nowMs) {
    if (!welcome_) {
        return;
    }
    const std::int64_t step = (nowMs - welcomeSinceMs_) / kScrollStepMs;
    const std::uint8_t flags = storedByte(settings_, image_index::kScrollFlags);
    const std::span<const std::uint8_t> all(settings_);
    const Screen::Line lines[] = {
        welcomeLine(all.subspan(image_index::kMessage1 - 1, kMessage1Length),
                    (flags & kUpperLineScrollLocked) == 0, step),
        welcomeLine(all.subspan(image_index::kMessage2 - 1, kMessage2Length),
                    (flags & kLowerLineScrollLocked) == 0, step),
    };
    for (int row = 0; row < Screen::kRows; ++row) {
        if (screen_.line(row) != lines[row]) {
            screen_.setLine(row, lines[row]);
        }
    }
}

void Firmware::process(std::uint8_t byte, std::int64_t nowMs, FeedResult& out) {
    if (state_ != State::Idle && nowMs - busyUntilMs_ > kCommandTimeoutMs) {
        state_ = State::Idle;
    }
    busyUntilMs_ = std::max(busyUntilMs_, nowMs);

    switch (state_) {
        case State::Idle:
            idleByte(byte);
            break;
        case State::Esc:
            state_ = State::Idle;
            escByte(byte, nowMs, out);
            break;
        case State::Us:
            state_ = State::Idle;
            if (byte == kCursorCommand) {
                collected_.clear();
                state_ = State::CursorTo;
            } else {
                expectParameters(ignoredUsParameters(byte));
            }
            break;
        case State::Gs:
            state_ = byte == kInquiryCommand ? State::GsInquiry : State::Idle;
            break;
        case State::GsInquiry:
            state_ = State::Idle;
            if (byte == kIdentityKind) {
                answer(ReplyKind::Identity, {options_.pid.begin(), options_.pid.end()}, nowMs, out);
            } else if (byte == kSerialKind) {
                state_ = State::SerialQuery;
            }
            break;
        case State::SerialQuery:
            state_ = State::Idle;
            if (byte == kSerialSubKind && !options_.faults.noSerial) {
                answer(ReplyKind::Serial, {options_.serial.begin(), options_.serial.end()}, nowMs,
                       out);
            }
            break;
        case State::CursorTo:
            collected_.push_back(byte);
            if (collected_.size() == 2) {
                state_ = State::Idle;
                const int column = collected_[0] - 1;
                const int row = collected_[1] - 1;
                endWelcome();
                screen_.moveTo(column, row);
            }
            break;
        case State::LineSelect:
            // ESC Q A and ESC Q B set a line; the other ESC Q commands (marquee text and the
            // like) still carry text up to CR, which is passed over.
            lineRow_ = byte == kUpperLine ? 0 : byte == kLowerLine ? 1 : -1;
            collected_.clear();
            state_ = State::LineText;
            break;
        case State::LineText:
            if (byte != kCr) {
                if (collected_.size() < static_cast<std::size_t>(Screen::kColumns)) {
                    collected_.push_back(byte);
                }
                break;
            }
            state_ = State::Idle;
            if (lineRow_ >= 0) {
                endWelcome();
                screen_.setLine(lineRow_, collected_);
            }
            break;
        case State::Parameters:
            if (--wanted_ == 0) {
                state_ = State::Idle;
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
                state_ = State::Idle;
                if (byte != kRefuseCheck) {
                    idleByte(byte);
                }
            }
            break;
        case State::Body:
            collected_.push_back(byte);
            if (collected_.size() == static_cast<std::size_t>(kBodySize)) {
                store(nowMs, out);
            }
            break;
    }
}

void Firmware::idleByte(std::uint8_t byte) {
    switch (byte) {
        case kEsc:
            state_ = State::Esc;
            return;
        case kUs:
            state_ = State::Us;
            return;
        case kGs:
            state_ = State::Gs;
            return;
        case kCr:
            endWelcome();
            screen_.carriageReturn();
            return;
        case kLineFeed:
            endWelcome();
            screen_.lineFeed();
            return;
        case kBackspace:
            endWelcome();
            screen_.backspace();
            return;
        case kTab:
            endWelcome();
            screen_.forward();
            return;
        case kHome:
            endWelcome();
            screen_.home();
            return;
        case kClear:
            endWelcome();
            screen_.clear();
            return;
        case kClearLine:
            endWelcome();
            screen_.clearLine(screen_.cursor().row);
            return;
        default:
            break;
    }
    if (byte >= kFirstPrintable) {
        endWelcome();
        screen_.put(byte);
    }
    // Other control codes, the zero padding of the range files among them, do nothing.
}

void Firmware::escByte(std::uint8_t byte, std::int64_t nowMs, FeedResult& out) {
    switch (byte) {
        case kDownloadCommand:
            collected_.clear();
            state_ = State::DateStamp;
            return;
        case kUploadCommand: {
            std::vector<std::uint8_t> reply;
            reply.reserve(kUploadReplyLength);
            reply.push_back(options_.faults.badMarker ? kBadMarker : kReplyMarker);
            reply.insert(reply.end(), settings_.begin(), settings_.end());
            answer(ReplyKind::Upload, std::move(reply), nowMs, out);
            return;
        }
        case kInitialiseCommand:
            endWelcome();
            screen_.clear();
            return;
        case kLineCommand:
            state_ = State::LineSelect;
            return;
        case kCd5220CursorCommand:
            collected_.clear();
            state_ = State::CursorTo;
            return;
        default:
            expectParameters(ignoredEscParameters(byte));
            return;
    }
}

void Firmware::expectParameters(int count) {
    if (count > 0) {
        wanted_ = static_cast<std::size_t>(count);
        state_ = State::Parameters;
    }
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
    link::DateStamp stamp{};
    std::copy_n(collected_.begin(), stamp.size(), stamp.begin());
    if (options_.clock) {
        stamp = link::dateStamp(*options_.clock);
    }
    std::uint8_t check = link::ircCheck(stamp);
    if (options_.faults.wrongCheck) {
        check = static_cast<std::uint8_t>(check + kWrongCheckOffset);
    }
    state_ = State::Decision;
    answer(ReplyKind::Check, {check}, nowMs, out);
}

void Firmware::store(std::int64_t nowMs, FeedResult& out) {
    std::copy(collected_.begin(), collected_.end(), settings_.begin());
    out.stored = StoreOutcome::Stored;
    if (!options_.stateFile.empty() && !saveSettings(options_.stateFile, settings_)) {
        out.stored = StoreOutcome::FileFailed;
    }
    // The tool asks the operator to restart the display; this one restarts by itself, so the
    // new welcome messages show at once.
    restart(nowMs);
}

void Firmware::restart(std::int64_t nowMs) {
    state_ = State::Idle;
    collected_.clear();
    applyUserCharacters(settings_, screen_);
    screen_.clear();
    welcome_ = true;
    welcomeSinceMs_ = nowMs;
    tick(nowMs);
}

void Firmware::endWelcome() {
    if (welcome_) {
        welcome_ = false;
        screen_.clear();
    }
}

}  // namespace vfd::sim
