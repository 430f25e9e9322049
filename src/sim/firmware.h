// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/date_stamp.h"
#include "device/protocol.h"
#include "sim/command_sets.h"
#include "sim/faults.h"
#include "sim/screen.h"
#include "sim/settings_store.h"

namespace vfd::sim {

inline constexpr std::string_view kDefaultSerial = "VD000001";

// A command left half-received for this long is dropped, so that a tool that gave up in the
// middle of a download does not leave the display swallowing its next text as body bytes.
inline constexpr int kCommandTimeoutMs = 2000;

// The welcome messages and the marquee commands move one column to the left this often.
inline constexpr int kScrollStepMs = 300;

// Image byte 2: the display's own line speed, by `BaudRate` position.
inline constexpr int kLineSpeeds[] = {9600, 19200};

// The byte the wrong-check fault adds, and the stray byte of the extra-bytes fault.
inline constexpr std::uint8_t kWrongCheckOffset = 1;
inline constexpr std::uint8_t kExtraByte = 0xFF;
// Bits flipped in every reply byte by the garble fault: the top and bottom ones, which a line
// with a wrong speed or a bad ground most often gets wrong.
inline constexpr std::uint8_t kGarbleMask = 0x81;
// The first byte of an upload reply under the bad-marker fault.
inline constexpr std::uint8_t kBadMarker = 0x55;

struct FirmwareOptions {
    std::string pid{device::kExpectedPid};
    std::string serial{kDefaultSerial};  // sent as it stands, whatever its length
    // The display's own calendar. Without it the display agrees with whatever date the tool sends,
    // as a display whose clock matches the computer's does.
    std::optional<device::Date> clock;
    // The computer's clock as seconds since local midnight, which the display's clock runs
    // from: a virtual display has no clock of its own. Empty reads the system's.
    std::function<std::int64_t()> timeOfDay;
    Faults faults;
    // Where the display keeps its memory between runs; empty keeps it for this run only.
    std::filesystem::path stateFile;
    // What the memory holds at the first start when there is no state file: the factory
    // settings unless told otherwise.
    std::optional<StoredSettings> memory;
};

// Bytes for the line, due a number of milliseconds after the byte that asked for them.
struct Reply {
    std::vector<std::uint8_t> bytes;
    int delayMs = 0;
    bool operator==(const Reply&) const = default;
};

// What a completed download did to the display's memory.
enum class StoreOutcome {
    None,        // no download completed
    Stored,      // stored, and written to the state file when there is one
    FileFailed,  // stored for this run, but the state file could not be written
};

struct FeedResult {
    std::vector<Reply> replies;
    bool hangUp = false;  // the line is to be dropped now
    StoreOutcome stored = StoreOutcome::None;
};

// The display's firmware: takes the bytes that arrive on its line, with the time they arrived,
// and gives the bytes it answers. Time is whatever millisecond count the caller keeps, so tests
// drive it exactly and the host drives it from a monotonic clock.
//
// The display runs with the settings it found at its last start: a download stores new ones,
// which take effect at the next restart, as the tools tell the operator. The settings exchanges
// (download, upload, identity, serial number) are understood whatever the command emulation;
// every other byte goes to the command set of the emulation the display started with.
class Firmware : private Glass {
public:
    explicit Firmware(FirmwareOptions options, std::int64_t nowMs = 0);

    FeedResult feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs);
    // Moves the welcome messages and marquees on, and sends an idle display to stand-by.
    void tick(std::int64_t nowMs);
    // Power off and on: the memory is read again (the state file when there is one) and its
    // settings take effect.
    void restart(std::int64_t nowMs);

    const Screen& screen() const { return screen_; }
    // What is stored; `running()` is what the display started with.
    const StoredSettings& settings() const { return settings_; }
    StoredSettings running() const { return running_.body(); }
    device::Emulation emulation() const;
    // The line speed the display listens at, in bits per second.
    int lineSpeed() const;
    // How the state file was found at the last start.
    LoadOutcome loadOutcome() const { return loadOutcome_; }
    bool showsWelcome() const { return welcome_; }
    bool isStandingBy() const { return screen_.isDark(); }
    bool isHungUp() const { return hungUp_; }
    const FirmwareOptions& options() const { return options_; }

private:
    // Where a settings exchange stands; Display means the bytes go to the command set.
    enum class State {
        Display,
        Esc,          // ESC: 0xEF or 0xEE next, or a display command
        Gs,           // GS
        GsInquiry,    // GS I
        SerialQuery,  // GS I 6, waiting for its 1
        DateStamp,    // ESC 0xEF, the eight digits
        Decision,     // check byte sent; 0xAA or 0x55 comes next
        Body,         // 0xAA received; 126 bytes to store
    };

    void process(std::uint8_t byte, std::int64_t nowMs, FeedResult& out);
    void toCommandSet(std::span<const std::uint8_t> bytes);
    void answer(ReplyKind kind, std::vector<std::uint8_t> bytes, std::int64_t nowMs,
                FeedResult& out);
    void finishDateStamp(std::int64_t nowMs, FeedResult& out);
    void store(FeedResult& out);
    void endWelcome();
    std::int64_t clockSeconds() const;
    void drawClock();
    void checkClock();
    void wake(std::int64_t nowMs);

    // Glass
    Screen& target() override;
    Screen& appearance() override;
    void blink(int intervalMs) override;
    void setClock(int hours, int minutes) override;
    void showClock(const ClockFace& face) override;
    void answer(std::vector<std::uint8_t> bytes) override;
    void marquee(int row, std::vector<std::uint8_t> text, bool repeat) override;
    void initialise() override;
    void selectInternationalSet(int position) override;
    void selectCodeTable(int table) override;
    bool selectPeripheral(std::uint8_t devices) override;
    void switchCommandSet(device::Emulation emulation) override;

    FirmwareOptions options_;
    StoredSettings settings_{};
    device::SettingsImage running_;
    bool unsaved_ = false;  // a download could not be written to the state file
    LoadOutcome loadOutcome_ = LoadOutcome::Missing;
    Screen screen_;
    std::unique_ptr<CommandInterpreter> commandSet_;
    // A command set asked for by the running one, put in once its command is done.
    std::optional<device::Emulation> nextCommandSet_;

    State state_ = State::Display;
    std::vector<std::uint8_t> collected_;
    FeedResult* feeding_ = nullptr;  // the result the command set's answers go to
    std::int64_t feedingAtMs_ = 0;

    struct Marquee {
        int row = 0;
        std::vector<std::uint8_t> text;
        bool repeat = true;
        std::int64_t sinceMs = 0;
    };
    std::optional<Marquee> marquee_;
    std::int64_t lastInputMs_ = 0;
    // The last moment the line was busy for the command under way: a byte received or a reply
    // leaving. Timeouts count from here.
    std::int64_t busyUntilMs_ = 0;

    std::int64_t blinkSinceMs_ = 0;

    // The display's clock runs this many seconds ahead of the computer's; shown on the glass
    // while clockFace_ is set, and clockLine_ is its line as last drawn.
    std::int64_t clockOffsetS_ = 0;
    std::optional<ClockFace> clockFace_;
    Screen::Line clockLine_{};

    bool welcome_ = false;
    std::int64_t welcomeSinceMs_ = 0;

    std::int64_t received_ = 0;
    bool hungUp_ = false;
};

// The user-defined characters in stored settings: each record with a printable code (0x20 to
// 0x7E) replaces that code's character; a record with code 0 is unused. When two records name the
// same code the first one counts, as the display looks them up in order.
void applyUserCharacters(const device::SettingsImage& settings, Screen& screen);

// A welcome-message line at a moment of its scroll: the message field (zero bytes show blank)
// turned round by `step` columns, or its first twenty bytes when the line does not scroll.
Screen::Line welcomeLine(std::span<const std::uint8_t> field, bool scrolls, std::int64_t step);

}  // namespace vfd::sim
