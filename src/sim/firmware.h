// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/date_stamp.h"
#include "link/protocol.h"
#include "sim/faults.h"
#include "sim/screen.h"
#include "sim/settings_store.h"

namespace vfd::sim {

inline constexpr std::string_view kDefaultSerial = "VD000001";

// A command left half-received for this long is dropped, so that a tool that gave up in the
// middle of a download does not leave the display swallowing its next text as body bytes.
inline constexpr int kCommandTimeoutMs = 2000;

// The welcome messages move one column to the left this often.
inline constexpr int kScrollStepMs = 300;

// The byte the wrong-check fault adds, and the stray byte of the extra-bytes fault.
inline constexpr std::uint8_t kWrongCheckOffset = 1;
inline constexpr std::uint8_t kExtraByte = 0xFF;
// Bits flipped in every reply byte by the garble fault: the top and bottom ones, which a line
// with a wrong speed or a bad ground most often gets wrong.
inline constexpr std::uint8_t kGarbleMask = 0x81;
// The first byte of an upload reply under the bad-marker fault.
inline constexpr std::uint8_t kBadMarker = 0x55;

struct FirmwareOptions {
    std::string pid{protocol::kExpectedPid};
    std::string serial{kDefaultSerial};  // sent as it stands, whatever its length
    // The display's own calendar. Without it the display agrees with whatever date the tool sends,
    // as a display whose clock matches the computer's does.
    std::optional<link::Date> clock;
    Faults faults;
    // Where the display keeps its memory between runs; empty keeps it for this run only.
    std::filesystem::path stateFile;
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
class Firmware {
public:
    explicit Firmware(FirmwareOptions options, std::int64_t nowMs = 0);

    FeedResult feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs);
    // Moves the welcome messages on; nothing else depends on time passing without input.
    void tick(std::int64_t nowMs);

    const Screen& screen() const { return screen_; }
    const StoredSettings& settings() const { return settings_; }
    // How the state file was found at power-on.
    LoadOutcome loadOutcome() const { return loadOutcome_; }
    bool showsWelcome() const { return welcome_; }
    bool isHungUp() const { return hungUp_; }
    const FirmwareOptions& options() const { return options_; }

private:
    enum class State {
        Idle,
        Esc,
        Us,
        Gs,
        GsInquiry,    // GS I
        SerialQuery,  // GS I 6, waiting for its 1
        CursorTo,     // US $ x y, or ESC l x y
        LineSelect,   // ESC Q
        LineText,     // ESC Q A|B text, until CR
        Parameters,   // a command this display ignores, skipping its parameter bytes
        DateStamp,    // ESC 0xEF, the eight digits
        Decision,     // check byte sent; 0xAA or 0x55 comes next
        Body,         // 0xAA received; 126 bytes to store
    };

    void process(std::uint8_t byte, std::int64_t nowMs, FeedResult& out);
    void idleByte(std::uint8_t byte);
    void escByte(std::uint8_t byte, std::int64_t nowMs, FeedResult& out);
    void answer(ReplyKind kind, std::vector<std::uint8_t> bytes, std::int64_t nowMs,
                FeedResult& out);
    void finishDateStamp(std::int64_t nowMs, FeedResult& out);
    void store(std::int64_t nowMs, FeedResult& out);
    void restart(std::int64_t nowMs);
    void endWelcome();
    void expectParameters(int count);

    FirmwareOptions options_;
    StoredSettings settings_{};
    LoadOutcome loadOutcome_ = LoadOutcome::Missing;
    Screen screen_;

    State state_ = State::Idle;
    std::vector<std::uint8_t> collected_;
    std::size_t wanted_ = 0;
    int lineRow_ = 0;
    // The last moment the line was busy for the command under way: a byte received or a reply
    // leaving. Timeouts count from here.
    std::int64_t busyUntilMs_ = 0;

    bool welcome_ = false;
    std::int64_t welcomeSinceMs_ = 0;

    std::int64_t received_ = 0;
    bool hungUp_ = false;
};

// The user-defined characters in stored settings: each record with a printable code (0x20 to
// 0x7E) replaces that code's character; a record with code 0 is unused. When two records name the
// same code the first one counts, as the display looks them up in order.
void applyUserCharacters(const StoredSettings& settings, Screen& screen);

// A welcome-message line at a moment of its scroll: the message field (zero bytes show blank)
// turned round by `step` columns, or its first twenty bytes when the line does not scroll.
Screen::Line welcomeLine(std::span<const std::uint8_t> field, bool scrolls, std::int64_t step);

}  // namespace vfd::sim
