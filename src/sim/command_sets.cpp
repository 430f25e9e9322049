// SPDX-License-Identifier: GPL-3.0-or-later
// The command sets of the emulations, each a table of byte sequences and what they do; the
// references they follow are listed in docs/emulations.md.
#include "sim/command_sets.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "device/protocol.h"

namespace vfd::sim {

namespace {

enum class Op {
    Ignore,  // understood, but changes nothing this display models (reverse, annunciators, ...)
    Initialise,
    Clear,
    ClearLine,
    ClearToEndOfLine,
    ClearToEnd,
    HomeAndClear,
    ClearUpperLine,  // and the cursor to its start
    ClearLowerLine,
    ClearField1,  // the left eight cells of the lower line, cursor to its start
    ClearField2,  // the right eight
    Home,
    Left,
    EraseLeft,
    Right,
    Up,
    Down,
    LeftEnd,
    RightEnd,
    Bottom,
    CursorColumnRow,  // x (1 to 20), y (1 to 2)
    CursorPosition,   // one byte, 0 to 39
    CursorPosition1,  // one byte, '1' (0x31) to 'X' (0x58): 1 to 40
    Overwrite,
    VerticalScroll,
    HorizontalScroll,
    UpperLine,  // text up to CR replaces the upper line
    LowerLine,
    BothLines,  // up to 40 characters over both lines
    Marquee,    // text up to CR runs across the upper line
    MarqueeOnce,
    MarqueeLower,
    Time,      // hh:mm up to CR sets the clock, shown on the lower line; an empty one just shows it
    SetClock,  // h m, shown at the right end of the lower line
    ShowClock,
    ShowCharacter,
    InternationalSet,        // ESC R n: n is a `Char` position
    InternationalSetLetter,  // ESC f n: n is a letter
    CodeTable,
    DefineCharacters,  // ESC & s n m [a p1 .. pa] x (m - n + 1)
    DefineCharacterPacked,
    DeleteCharacter,
    SelectPeripheral,
    ChangeAttention,  // two bytes, then CR
    ClearRange,       // two positions '1' to 'X'
    Demo,             // DSP800: layers and mode of the stored demo messages
    ToUtcEnhanced,    // the UTC displays' two command sets
    ToUtcStandard,
    Brightness,       // n is the step, 1 to 4
    BrightnessLevel,  // n is one of kBrightnessLevels
    Blink,            // n times kBlinkUnitMs lit and as long dark
    CursorShown,      // n: 0 or '0' hides the cursor, 1 or '1' shows it
    CursorOn,
    CursorOff,
    Window,      // EPSON: n m [x1 y1 x2 y2]
    LineWindow,  // CD5220: s x1 x2 y, for the horizontal scroll mode
};

enum class Tail {
    None,        // a fixed number of parameter bytes
    UntilCr,     // parameter bytes up to CR
    Characters,  // the variable layout of ESC &
    Etb,         // fixed parameter bytes, then ETB (a frame without it is refused)
    Window,      // EPSON's ESC W n m, and x1 y1 x2 y2 when m selects the window
};

struct Command {
    std::string prefix;
    int parameters = 0;
    Tail tail = Tail::None;
    Op op = Op::Ignore;
};

constexpr std::string_view kAedexAttention = "!#";
constexpr std::string_view kUtcAttention = "\x1Bu";

using device::kCr;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNack = 0x15;
constexpr std::uint8_t kFirstPrintable = 0x20;
// US E n blinks the glass n times this long lit and as long dark; 0 stops it, and 255 switches
// the glass off instead.
constexpr int kBlinkUnitMs = 50;
constexpr std::uint8_t kBlinkSwitchesOff = 0xFF;
// The brightness bytes of 04 n (LogicControl, UTC): 20, 40, 60 and 100 per cent, step 1 to 4.
constexpr std::array<std::uint8_t, Screen::kBrightnessSteps> kBrightnessLevels = {0x20, 0x40, 0x60,
                                                                                  0xFF};
// The clocks: EPSON's US T and US U at the right end of the lower line with seconds (the time
// counter of its references), the attention-code sets' hh:mm at the start of the lower line.
constexpr int kHoursPerDay = 24;
constexpr int kMinutesPerHour = 60;
constexpr ClockFace kEpsonClock{1, Screen::kColumns - ClockFace::kWidthWithSeconds, true, true};
constexpr ClockFace kAttentionClock{1, 0, false, false};
constexpr std::uint8_t kClockSeparator = ':';

// EPSON's ESC W: up to four numbered windows, which may not overlap; m selects (1 or '1', with
// the four corners following) or cancels (0 or '0'). CD5220's ESC W s has s = 1 or 0.
constexpr int kEpsonWindows = 4;
constexpr std::size_t kWindowCancelLength = 2;
constexpr std::size_t kWindowSelectLength = 6;

// The DSP800 frames: EOT SOH, a command letter, its parameters, ETB; each frame is answered
// with ACK, or NACK when the display cannot carry it out.
constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kSoh = 0x01;
constexpr std::uint8_t kEtb = 0x17;
constexpr std::uint8_t kDspCursor = 'P';
constexpr std::uint8_t kDspClear = 'C';
constexpr std::uint8_t kDspDemo = 'D';
// Its positions are characters: '1' the upper left cell to 'X' the lower right, the 40th.
constexpr std::uint8_t kFirstPosition = '1';
constexpr std::uint8_t kLastPosition = kFirstPosition + Screen::kColumns * Screen::kRows - 1;

// US C n and ESC _ n take the switch as a number or as a digit.
constexpr std::uint8_t kSwitchDigitOffset = '0';

// A text up to CR that grows past this is taken as ended, so a lost CR does not swallow the
// rest of the line.
constexpr std::size_t kLongestText = 64;

std::string bytes(std::initializer_list<std::uint8_t> list) {
    return {list.begin(), list.end()};
}

std::string withEsc(std::string_view rest) {
    // Appended rather than added: g++ 12 at -O3 warns falsely about `"\x1B" + std::string`.
    std::string command(1, '\x1B');
    command.append(rest);
    return command;
}

// ESC & s n m, then for every code from n to m a width a and a columns: the total length the
// bytes so far promise, or 0 while it is not yet known.
std::size_t characterDefinitionLength(std::span<const std::uint8_t> after) {
    if (after.size() < 3) {
        return 0;
    }
    const int first = after[1];
    const int last = after[2];
    std::size_t at = 3;
    for (int code = first; code <= last; ++code) {
        if (at >= after.size()) {
            return 0;
        }
        at += 1 + std::min<std::size_t>(after[at], 5);
    }
    return at;
}

std::vector<Command> epsonCommands() {
    return {
        {bytes({0x08}), 0, Tail::None, Op::Left},
        {bytes({0x09}), 0, Tail::None, Op::Right},
        {bytes({0x0A}), 0, Tail::None, Op::Down},
        {bytes({0x0B}), 0, Tail::None, Op::Home},
        {bytes({0x0C}), 0, Tail::None, Op::Clear},
        {bytes({0x0D}), 0, Tail::None, Op::LeftEnd},
        {bytes({0x18}), 0, Tail::None, Op::ClearLine},
        {bytes({0x1F, 0x0A}), 0, Tail::None, Op::Up},
        {bytes({0x1F, 0x0D}), 0, Tail::None, Op::RightEnd},
        {bytes({0x1F, 0x42}), 0, Tail::None, Op::Bottom},
        {bytes({0x1F, 0x24}), 2, Tail::None, Op::CursorColumnRow},
        {bytes({0x1F, 0x01}), 0, Tail::None, Op::Overwrite},
        {bytes({0x1F, 0x02}), 0, Tail::None, Op::VerticalScroll},
        {bytes({0x1F, 0x03}), 0, Tail::None, Op::HorizontalScroll},
        {bytes({0x1F, 0x43}), 1, Tail::None, Op::CursorShown},
        {bytes({0x1F, 0x58}), 1, Tail::None, Op::Brightness},
        {bytes({0x1F, 0x45}), 1, Tail::None, Op::Blink},
        {bytes({0x1F, 0x72}), 1, Tail::None, Op::Ignore},         // reverse characters
        {bytes({0x1F, 0x2E}), 1, Tail::None, Op::ShowCharacter},  // with a period
        {bytes({0x1F, 0x2C}), 1, Tail::None, Op::ShowCharacter},  // with a comma
        {bytes({0x1F, 0x3B}), 1, Tail::None, Op::ShowCharacter},  // with both
        {bytes({0x1F, 0x23}), 2, Tail::None, Op::Ignore},         // annunciator
        {bytes({0x1F, 0x40}), 0, Tail::None, Op::Ignore},         // self-test
        {bytes({0x1F, 0x54}), 2, Tail::None, Op::SetClock},
        {bytes({0x1F, 0x55}), 0, Tail::None, Op::ShowClock},
        {bytes({0x1F, 0x3A}), 0, Tail::None, Op::Ignore},  // macro definition
        {bytes({0x1F, 0x5E}), 2, Tail::None, Op::Ignore},  // run a macro
        {withEsc("@"), 0, Tail::None, Op::Initialise},
        {withEsc("t"), 1, Tail::None, Op::CodeTable},
        {withEsc("R"), 1, Tail::None, Op::InternationalSet},
        {withEsc("&"), 0, Tail::Characters, Op::DefineCharacters},
        {withEsc("?"), 1, Tail::None, Op::DeleteCharacter},
        {withEsc("%"), 1, Tail::None, Op::Ignore},  // user-defined set on or off
        {withEsc("="), 1, Tail::None, Op::SelectPeripheral},
        {withEsc("W"), 0, Tail::Window, Op::Window},
        {withEsc("#"), 1, Tail::None, Op::Ignore},  // command type
    };
}

std::vector<Command> cd5220Commands() {
    return {
        {withEsc("\x11"), 0, Tail::None, Op::Overwrite},
        {withEsc("\x12"), 0, Tail::None, Op::VerticalScroll},
        {withEsc("\x13"), 0, Tail::None, Op::HorizontalScroll},
        {bytes({0x1F, 0x01}), 0, Tail::None, Op::Overwrite},
        {bytes({0x1F, 0x02}), 0, Tail::None, Op::VerticalScroll},
        {bytes({0x1F, 0x03}), 0, Tail::None, Op::HorizontalScroll},
        {withEsc("QA"), 0, Tail::UntilCr, Op::UpperLine},
        {withEsc("QB"), 0, Tail::UntilCr, Op::LowerLine},
        {withEsc("QD"), 0, Tail::UntilCr, Op::Marquee},
        {withEsc("[D"), 0, Tail::None, Op::Left},
        {bytes({0x08}), 0, Tail::None, Op::Left},
        {withEsc("[C"), 0, Tail::None, Op::Right},
        {bytes({0x09}), 0, Tail::None, Op::Right},
        {withEsc("[A"), 0, Tail::None, Op::Up},
        {bytes({0x1F, 0x0A}), 0, Tail::None, Op::Up},
        {withEsc("[B"), 0, Tail::None, Op::Down},
        {bytes({0x0A}), 0, Tail::None, Op::Down},
        {withEsc("[H"), 0, Tail::None, Op::Home},
        {bytes({0x0B}), 0, Tail::None, Op::Home},
        {withEsc("[L"), 0, Tail::None, Op::LeftEnd},
        {bytes({0x0D}), 0, Tail::None, Op::LeftEnd},
        {withEsc("[R"), 0, Tail::None, Op::RightEnd},
        {bytes({0x1F, 0x0D}), 0, Tail::None, Op::RightEnd},
        {withEsc("[K"), 0, Tail::None, Op::Bottom},
        {bytes({0x1F, 0x42}), 0, Tail::None, Op::Bottom},
        {withEsc("l"), 2, Tail::None, Op::CursorColumnRow},
        {withEsc("@"), 0, Tail::None, Op::Initialise},
        {withEsc("W"), 4, Tail::None, Op::LineWindow},
        {bytes({0x0C}), 0, Tail::None, Op::Clear},
        {bytes({0x18}), 0, Tail::None, Op::ClearLine},
        {withEsc("*"), 1, Tail::None, Op::Brightness},
        {withEsc("&"), 0, Tail::Characters, Op::DefineCharacters},
        {withEsc("?"), 1, Tail::None, Op::DeleteCharacter},
        {withEsc("%"), 1, Tail::None, Op::Ignore},  // user-defined set on or off
        {withEsc("_"), 1, Tail::None, Op::CursorShown},
        {withEsc("f"), 1, Tail::None, Op::InternationalSetLetter},
        {withEsc("c"), 1, Tail::None, Op::Ignore},  // ASCII or JIS
        {withEsc("="), 1, Tail::None, Op::SelectPeripheral},
        {withEsc("s"), 1, Tail::None, Op::Ignore},         // keep the user-defined characters
        {withEsc("d"), 1, Tail::None, Op::Ignore},         // fetch them back
        {withEsc("#"), 1, Tail::None, Op::Ignore},         // command type
        {bytes({0x1F, 0x40}), 0, Tail::None, Op::Ignore},  // self-test
        {bytes({0x1F, 0x45}), 1, Tail::None, Op::Blink},
    };
}

std::vector<Command> utcStandardCommands() {
    return {
        {bytes({0x08}), 0, Tail::None, Op::Left},
        {bytes({0x09}), 0, Tail::None, Op::Right},
        {bytes({0x0A}), 0, Tail::None, Op::Down},
        {bytes({0x0D}), 0, Tail::None, Op::LeftEnd},
        {bytes({0x10}), 1, Tail::None, Op::CursorPosition},
        {bytes({0x11}), 0, Tail::None, Op::Overwrite},
        {bytes({0x12}), 0, Tail::None, Op::VerticalScroll},
        {bytes({0x13}), 0, Tail::None, Op::CursorOn},
        {bytes({0x14}), 0, Tail::None, Op::CursorOff},
        {bytes({0x1F}), 0, Tail::None, Op::Initialise},
        {bytes({0x1E}), 0, Tail::None, Op::HomeAndClear},
        {bytes({0x18}), 0, Tail::None, Op::ClearToEndOfLine},
        {bytes({0x19}), 0, Tail::None, Op::ClearToEnd},
        {bytes({0x04}), 1, Tail::None, Op::BrightnessLevel},
        {bytes({0x1C}), 0, Tail::None, Op::Ignore},  // flashing text on
        {bytes({0x1D}), 0, Tail::None, Op::Ignore},  // flashing text off
        {withEsc("d"), 0, Tail::None, Op::ToUtcEnhanced},
    };
}

// The attention-code sets: the attention code, one function byte, parameters up to CR. Bytes
// outside a command go to the peripheral and are not shown.
std::vector<Command> attentionCommands(const std::string& attention, device::Emulation emulation) {
    if (emulation == device::Emulation::UtcEnhanced) {
        return {
            // ESC RS CR goes back to the standard set whatever the attention code; the
            // references print its code as 1B 0F 0D, so that form is taken as well.
            {bytes({0x1B, 0x1E, 0x0D}), 0, Tail::None, Op::ToUtcStandard},
            {bytes({0x1B, 0x0F, 0x0D}), 0, Tail::None, Op::ToUtcStandard},
            {attention + "A", 0, Tail::UntilCr, Op::UpperLine},
            {attention + "B", 0, Tail::UntilCr, Op::LowerLine},
            {attention + "D", 0, Tail::UntilCr, Op::Marquee},
            {attention + "E", 0, Tail::UntilCr, Op::Time},
            {attention + "F", 0, Tail::UntilCr, Op::MarqueeOnce},
            {attention + "H", 0, Tail::UntilCr, Op::ChangeAttention},
            {attention + "I", 0, Tail::UntilCr, Op::BothLines},
        };
    }
    return {
        {attention + "1", 0, Tail::UntilCr, Op::UpperLine},
        {attention + "2", 0, Tail::UntilCr, Op::LowerLine},
        {attention + "4", 0, Tail::UntilCr, Op::Marquee},
        {attention + "5", 0, Tail::UntilCr, Op::Time},
        {attention + "6", 0, Tail::UntilCr, Op::MarqueeOnce},
        {attention + "7", 0, Tail::UntilCr, Op::Ignore},  // character trapping off
        {attention + "8", 0, Tail::UntilCr, Op::ChangeAttention},
        {attention + "9", 0, Tail::UntilCr, Op::BothLines},
        {attention + "A", 0, Tail::UntilCr, Op::Initialise},
    };
}

std::vector<Command> adm788Commands() {
    return {
        {bytes({0x0C}), 0, Tail::None, Op::Clear},
        {bytes({0x0D}), 0, Tail::None, Op::LeftEnd},
        {bytes({0x0E}), 0, Tail::None, Op::ClearUpperLine},
        {bytes({0x0F}), 0, Tail::None, Op::ClearLowerLine},
        {bytes({0x10}), 1, Tail::None, Op::Ignore},  // decimal point
        {bytes({0x11}), 1, Tail::None, Op::Ignore},  // blink a line
        {bytes({0x12}), 1, Tail::None, Op::Ignore},  // stop it
        {bytes({0x1E}), 0, Tail::None, Op::ClearField1},
        {bytes({0x1F}), 0, Tail::None, Op::ClearField2},
    };
}

std::vector<Command> dsp800Commands() {
    return {
        {bytes({kEot, kSoh, kDspCursor}), 1, Tail::Etb, Op::CursorPosition1},
        {bytes({kEot, kSoh, kDspClear}), 2, Tail::Etb, Op::ClearRange},
        {bytes({kEot, kSoh, kDspDemo}), 2, Tail::Etb, Op::Demo},
    };
}

std::vector<Command> logicControlCommands() {
    return {
        {bytes({0x12}), 0, Tail::None, Op::VerticalScroll},
        {bytes({0x11}), 0, Tail::None, Op::Overwrite},
        {bytes({0x04}), 1, Tail::None, Op::BrightnessLevel},
        {bytes({0x08}), 0, Tail::None, Op::EraseLeft},
        {bytes({0x09}), 0, Tail::None, Op::Right},
        {bytes({0x0A}), 0, Tail::None, Op::Down},
        {bytes({0x0D}), 0, Tail::None, Op::LeftEnd},
        {bytes({0x10}), 1, Tail::None, Op::CursorPosition},
        {bytes({0x13}), 0, Tail::None, Op::CursorOn},
        {bytes({0x14}), 0, Tail::None, Op::CursorOff},
        {bytes({0x1F}), 0, Tail::None, Op::Initialise},
        {bytes({0x03}), 6, Tail::None, Op::DefineCharacterPacked},
        {bytes({0x05}), 0, Tail::UntilCr, Op::Marquee},
        {withEsc("\x06"), 0, Tail::UntilCr, Op::MarqueeLower},
        {withEsc("\x07"), 0, Tail::UntilCr, Op::Marquee},
        {withEsc("\x0B"), 0, Tail::UntilCr, Op::MarqueeLower},
    };
}

// The letters of ESC f n, as `Char` positions.
int internationalSetOfLetter(std::uint8_t letter) {
    switch (letter) {
        case 'A':
            return 0;
        case 'F':
            return 1;
        case 'G':
            return 2;
        case 'U':
            return 3;
        case 'D':
            return 4;
        case 'W':
            return 5;
        case 'I':
            return 6;
        case 'S':
            return 7;
        case 'J':
            return 8;
        case 'N':
            return 9;
        case 'E':
            return 10;
        case 'L':
            return 11;
        case 'R':
            return 12;
        default:
            return -1;
    }
}

// A 5 by 7 pattern packed row by row into five bytes, bit 0 of the first byte the top left dot
// (the LogicControl download font).
Glyph packedGlyph(std::span<const std::uint8_t> packed) {
    Glyph glyph{};
    for (int bit = 0; bit < kGlyphColumns * kGlyphRows; ++bit) {
        if ((packed[static_cast<std::size_t>(bit / 8)] >> (bit % 8) & 1U) != 0) {
            const int row = bit / kGlyphColumns;
            const int column = bit % kGlyphColumns;
            glyph[static_cast<std::size_t>(column)] |= static_cast<std::uint8_t>(1U << row);
        }
    }
    return glyph;
}

class TableSet : public CommandInterpreter {
public:
    TableSet(device::Emulation emulation, std::vector<Command> commands, bool showsText)
        : emulation_(emulation), commands_(std::move(commands)), showsText_(showsText) {}

    // An attention-code set, which starts with `attention`.
    TableSet(device::Emulation emulation, std::string attention)
        : attention_(std::move(attention)),
          emulation_(emulation),
          commands_(attentionCommands(attention_, emulation)),
          showsText_(false) {}

    void feed(std::uint8_t byte, Glass& glass) override {
        pending_.push_back(byte);
        while (!pending_.empty()) {
            const Match match = find();
            if (match.complete != nullptr) {
                const std::vector<std::uint8_t> all = std::exchange(pending_, {});
                const std::size_t skip = match.complete->prefix.size();
                act(*match.complete, std::span(all).subspan(skip), glass);
                return;
            }
            if (match.partial) {
                return;
            }
            // Nothing of this set starts so. A control code that began an unknown sequence
            // takes the sequence with it; a character is shown (or passed on) and the bytes
            // after it are looked at again.
            const std::vector<std::uint8_t> all = std::exchange(pending_, {});
            if (all.size() > 1 && all[0] < kFirstPrintable) {
                return;
            }
            show(all[0], glass);
            for (std::size_t i = 1; i < all.size(); ++i) {
                feed(all[i], glass);
            }
            return;
        }
    }

    bool midCommand() const override { return !pending_.empty(); }
    void abandon() override { pending_.clear(); }

    void powerOn(Screen& screen) const override {
        if (emulation_ == device::Emulation::LogicControl) {
            // Vertical scroll is its power-on mode: text is written on the lower line.
            screen.setMode(Screen::WriteMode::VerticalScroll);
            screen.bottom();
        } else {
            screen.setMode(Screen::WriteMode::Overwrite);
        }
    }

private:
    struct Match {
        const Command* complete = nullptr;
        bool partial = false;
    };

    Match find() const {
        Match match;
        const std::string_view got(reinterpret_cast<const char*>(pending_.data()), pending_.size());
        for (const Command& c : commands_) {
            if (got.size() <= c.prefix.size()) {
                if (std::string_view(c.prefix).substr(0, got.size()) != got) {
                    continue;
                }
                if (got.size() == c.prefix.size() && c.parameters == 0 && c.tail == Tail::None) {
                    match.complete = &c;
                    return match;
                }
                match.partial = true;
                continue;
            }
            if (got.substr(0, c.prefix.size()) != c.prefix) {
                continue;
            }
            const std::span<const std::uint8_t> after =
                std::span(pending_).subspan(c.prefix.size());
            const auto parameters = static_cast<std::size_t>(c.parameters);
            bool complete = false;
            switch (c.tail) {
                case Tail::None:
                    complete = after.size() == parameters;
                    break;
                case Tail::Etb:
                    complete = after.size() == parameters + 1;
                    break;
                case Tail::UntilCr:
                    complete = after.back() == kCr || after.size() > kLongestText;
                    break;
                case Tail::Window:
                    complete = after.size() >= kWindowCancelLength &&
                               after.size() ==
                                   (isOn(after[1]) ? kWindowSelectLength : kWindowCancelLength);
                    break;
                case Tail::Characters: {
                    const std::size_t length = characterDefinitionLength(after);
                    complete = length != 0 && after.size() >= length;
                    break;
                }
            }
            if (complete) {
                match.complete = &c;
                return match;
            }
            match.partial = true;
        }
        return match;
    }

    void show(std::uint8_t byte, Glass& glass) {
        if (!showsText_ || printerOnly_ || byte < kFirstPrintable) {
            return;
        }
        glass.target().put(byte);
    }

    // A switch parameter that these displays take as a number or as a digit.
    static bool isOn(std::uint8_t n) { return n == 1 || n == kSwitchDigitOffset + 1; }
    static bool isOff(std::uint8_t n) { return n == 0 || n == kSwitchDigitOffset; }

    static bool isPosition(std::uint8_t p) { return p >= kFirstPosition && p <= kLastPosition; }

    // Minutes of the day in "hh:mm", or nothing.
    static std::optional<int> clockText(std::span<const std::uint8_t> t) {
        auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
        if (t.size() != static_cast<std::size_t>(ClockFace::kWidth) || t[2] != kClockSeparator ||
            !digit(t[0]) || !digit(t[1]) || !digit(t[3]) || !digit(t[4])) {
            return std::nullopt;
        }
        const int hours = (t[0] - '0') * 10 + (t[1] - '0');
        const int minutes = (t[3] - '0') * 10 + (t[4] - '0');
        if (hours >= kHoursPerDay || minutes >= kMinutesPerHour) {
            return std::nullopt;
        }
        return hours * kMinutesPerHour + minutes;
    }

    static std::vector<std::uint8_t> text(std::span<const std::uint8_t> after) {
        std::vector<std::uint8_t> out(after.begin(), after.end());
        if (!out.empty() && out.back() == kCr) {
            out.pop_back();
        }
        return out;
    }

    void act(const Command& c, std::span<const std::uint8_t> after, Glass& glass) {
        if (printerOnly_ && c.op != Op::SelectPeripheral) {
            return;  // meant for the printer behind the display
        }
        if (c.tail == Tail::Etb && after.back() != kEtb) {
            // The frame ended without its ETB: refused, and the byte that broke it is taken
            // anew, so that the next frame (or the text) sent after a lost ETB is not lost too.
            const std::uint8_t next = after.back();
            glass.answer({kNack});
            feed(next, glass);
            return;
        }
        auto screen = [&glass]() -> Screen& { return glass.target(); };
        switch (c.op) {
            case Op::Ignore:
                return;
            case Op::Initialise:
                windows_ = {};
                if (emulation_ == device::Emulation::Aedex ||
                    emulation_ == device::Emulation::Emax) {
                    attention_ = std::string(kAedexAttention);
                    commands_ = attentionCommands(attention_, emulation_);
                }
                glass.initialise();
                return;
            case Op::Clear:
                screen().clear();
                return;
            case Op::ClearLine:
                screen().clearLine(screen().cursor().row);
                screen().carriageReturn();
                return;
            case Op::ClearToEndOfLine:
                screen().clearToEndOfLine();
                return;
            case Op::ClearToEnd:
                screen().clearToEnd();
                return;
            case Op::HomeAndClear:
                screen().clear();
                return;
            case Op::ClearUpperLine:
                screen().clearLine(0);
                screen().moveTo(0, 0);
                return;
            case Op::ClearLowerLine:
                screen().clearLine(1);
                screen().moveTo(0, 1);
                return;
            case Op::ClearField1:
                screen().clearRange(Screen::kColumns, Screen::kColumns + 7);
                screen().moveTo(0, 1);
                return;
            case Op::ClearField2:
                screen().clearRange(2 * Screen::kColumns - 8, 2 * Screen::kColumns - 1);
                screen().moveTo(Screen::kColumns - 8, 1);
                return;
            case Op::Home:
                screen().home();
                return;
            case Op::Left:
                screen().backspace();
                return;
            case Op::EraseLeft:
                screen().eraseBack();
                return;
            case Op::Right:
                screen().forward();
                return;
            case Op::Up:
                screen().lineUp();
                return;
            case Op::Down:
                screen().lineFeed();
                return;
            case Op::LeftEnd:
                screen().carriageReturn();
                return;
            case Op::RightEnd:
                screen().rightEnd();
                return;
            case Op::Bottom:
                screen().bottom();
                return;
            case Op::CursorColumnRow:
                screen().moveTo(after[0] - 1, after[1] - 1);
                return;
            case Op::CursorPosition:
                screen().moveToPosition(after[0]);
                return;
            case Op::CursorPosition1:
                if (!isPosition(after[0])) {
                    glass.answer({kNack});
                    return;
                }
                screen().moveToPosition(after[0] - kFirstPosition);
                glass.answer({kAck});
                return;
            case Op::ClearRange:
                // A range that ends before it starts is refused rather than taken either way.
                if (!isPosition(after[0]) || !isPosition(after[1]) || after[0] > after[1]) {
                    glass.answer({kNack});
                    return;
                }
                screen().clearRange(after[0] - kFirstPosition, after[1] - kFirstPosition);
                glass.answer({kAck});
                return;
            case Op::Demo:
                // The demo runs the messages stored in the three layers beforehand, and fails
                // when there are none. What stores them is a command of its own whose bytes no
                // reference at hand gives, so no layer ever holds a message here: the frame is
                // taken (its layer and mode digits do not show as text) and refused, as on a
                // display that has nothing stored. The glass keeps what it shows.
                glass.answer({kNack});
                return;
            case Op::Overwrite:
                screen().setMode(Screen::WriteMode::Overwrite);
                return;
            case Op::VerticalScroll:
                screen().setMode(Screen::WriteMode::VerticalScroll);
                return;
            case Op::HorizontalScroll:
                screen().setMode(Screen::WriteMode::HorizontalScroll);
                return;
            case Op::UpperLine:
                screen().setLine(0, text(after));
                return;
            case Op::LowerLine:
                screen().setLine(1, text(after));
                return;
            case Op::Time: {
                const std::vector<std::uint8_t> t = text(after);
                if (const std::optional<int> minutes = clockText(t)) {
                    glass.setClock(*minutes / kMinutesPerHour, *minutes % kMinutesPerHour);
                } else if (!t.empty()) {
                    return;  // not a time
                }
                screen().clearLine(1);
                glass.showClock(kAttentionClock);
                return;
            }
            case Op::SetClock:
                // The time counter of the EPSON references: a clear glass, the time at the right
                // end of the lower line, the cursor home.
                if (after[0] >= kHoursPerDay || after[1] >= kMinutesPerHour) {
                    return;
                }
                screen().clear();
                glass.setClock(after[0], after[1]);
                glass.showClock(kEpsonClock);
                screen().home();
                return;
            case Op::ShowClock:
                glass.showClock(kEpsonClock);
                screen().home();
                return;
            case Op::BothLines: {
                const std::vector<std::uint8_t> t = text(after);
                const auto split = std::min<std::size_t>(t.size(), Screen::kColumns);
                screen().setLine(0, std::span(t).first(split));
                screen().setLine(1, std::span(t).subspan(split));
                return;
            }
            case Op::Marquee:
                glass.marquee(0, text(after), true);
                return;
            case Op::MarqueeOnce:
                glass.marquee(0, text(after), false);
                return;
            case Op::MarqueeLower:
                glass.marquee(1, text(after), true);
                return;
            case Op::ShowCharacter:
                if (after[0] >= kFirstPrintable) {
                    screen().put(after[0]);
                }
                return;
            case Op::InternationalSet:
                glass.selectInternationalSet(after[0]);
                return;
            case Op::InternationalSetLetter:
                if (const int set = internationalSetOfLetter(after[0]); set >= 0) {
                    glass.selectInternationalSet(set);
                }
                return;
            case Op::CodeTable:
                glass.selectCodeTable(after[0]);
                return;
            case Op::DefineCharacters: {
                std::size_t at = 3;
                for (int code = after[1]; code <= after[2] && code < 256; ++code) {
                    const std::size_t width = std::min<std::size_t>(after[at], 5);
                    const Glyph glyph = columnGlyph(after.subspan(at + 1, width));
                    at += 1 + width;
                    screen().defineUserCharacter(static_cast<std::uint8_t>(code), glyph);
                }
                return;
            }
            case Op::DefineCharacterPacked:
                screen().defineUserCharacter(after[0], packedGlyph(after.subspan(1)));
                return;
            case Op::DeleteCharacter:
                screen().deleteUserCharacter(after[0]);
                return;
            case Op::SelectPeripheral: {
                // '1' to '3' are taken as 1 to 3, as several of these displays do.
                printerOnly_ = glass.selectPeripheral(after[0] & 0x03);
                return;
            }
            case Op::ChangeAttention: {
                const std::vector<std::uint8_t> code = text(after);
                if (code.size() == 2) {
                    attention_.assign(code.begin(), code.end());
                    commands_ = attentionCommands(attention_, emulation_);
                }
                return;
            }
            case Op::ToUtcEnhanced:
                glass.switchCommandSet(device::Emulation::UtcEnhanced);
                return;
            case Op::ToUtcStandard:
                glass.switchCommandSet(device::Emulation::UtcStandard);
                return;
            case Op::Brightness:
                glass.appearance().setBrightness(after[0]);
                return;
            case Op::BrightnessLevel: {
                const auto* level =
                    std::find(kBrightnessLevels.begin(), kBrightnessLevels.end(), after[0]);
                if (level != kBrightnessLevels.end()) {
                    glass.appearance().setBrightness(
                        static_cast<int>(level - kBrightnessLevels.begin()) + 1);
                }
                return;
            }
            case Op::Blink:
                glass.appearance().setSwitchedOff(after[0] == kBlinkSwitchesOff);
                glass.blink(after[0] == kBlinkSwitchesOff ? 0 : after[0] * kBlinkUnitMs);
                return;
            case Op::CursorShown:
                if (isOff(after[0])) {
                    glass.appearance().showCursor(false);
                } else if (isOn(after[0])) {
                    glass.appearance().showCursor(true);
                }
                return;
            case Op::Window:
                selectWindow(after, screen());
                return;
            case Op::LineWindow:
                if (isOff(after[0])) {
                    screen().setWindow(std::nullopt);
                } else if (isOn(after[0])) {
                    screen().setWindow(
                        Screen::Window{after[1] - 1, after[3] - 1, after[2] - 1, after[3] - 1},
                        true);
                }
                return;
            case Op::CursorOn:
                glass.appearance().showCursor(true);
                return;
            case Op::CursorOff:
                glass.appearance().showCursor(false);
                return;
        }
    }

    // ESC W n m x1 y1 x2 y2 (EPSON): the window selected last is the one in force; cancelling it
    // gives the whole glass back. A window outside the glass or over another one is ignored.
    void selectWindow(std::span<const std::uint8_t> after, Screen& screen) {
        const int number = after[0];
        if (number < 1 || number > kEpsonWindows) {
            return;
        }
        std::optional<Screen::Window>& slot = windows_[static_cast<std::size_t>(number - 1)];
        if (isOff(after[1])) {
            if (slot && active_ == number) {
                screen.setWindow(std::nullopt);
                active_ = 0;
            }
            slot.reset();
            return;
        }
        // Neither on nor off: the command ended after its second byte and is ignored.
        if (!isOn(after[1]) || after.size() < kWindowSelectLength) {
            return;
        }
        const Screen::Window w{after[2] - 1, after[3] - 1, after[4] - 1, after[5] - 1};
        if (w.left < 0 || w.left > w.right || w.right >= Screen::kColumns || w.top < 0 ||
            w.top > w.bottom || w.bottom >= Screen::kRows) {
            return;
        }
        for (int other = 1; other <= kEpsonWindows; ++other) {
            const std::optional<Screen::Window>& o = windows_[static_cast<std::size_t>(other - 1)];
            if (other != number && o && w.left <= o->right && o->left <= w.right &&
                w.top <= o->bottom && o->top <= w.bottom) {
                return;
            }
        }
        slot = w;
        active_ = number;
        screen.setWindow(w);
    }

    std::array<std::optional<Screen::Window>, kEpsonWindows> windows_{};
    int active_ = 0;  // the window in force, 0 for none
    std::string attention_;
    device::Emulation emulation_;
    std::vector<Command> commands_;
    bool showsText_;
    bool printerOnly_ = false;
    std::vector<std::uint8_t> pending_;
};

}  // namespace

Glyph columnGlyph(std::span<const std::uint8_t> columns) {
    Glyph glyph{};
    for (std::size_t i = 0; i < glyph.size() && i < columns.size(); ++i) {
        glyph[i] = columns[i] & 0x7F;
    }
    return glyph;
}

std::unique_ptr<CommandInterpreter> makeCommandInterpreter(device::Emulation emulation) {
    switch (emulation) {
        case device::Emulation::Qv310:  // no reference of its own found: the EPSON set
        case device::Emulation::Epson:
            return std::make_unique<TableSet>(emulation, epsonCommands(), true);
        case device::Emulation::Cd5220:
            return std::make_unique<TableSet>(emulation, cd5220Commands(), true);
        case device::Emulation::UtcStandard:
            return std::make_unique<TableSet>(emulation, utcStandardCommands(), true);
        case device::Emulation::UtcEnhanced:
            return std::make_unique<TableSet>(emulation, std::string(kUtcAttention));
        case device::Emulation::Aedex:
        case device::Emulation::Emax:
            return std::make_unique<TableSet>(emulation, std::string(kAedexAttention));
        case device::Emulation::Adm788:
            return std::make_unique<TableSet>(emulation, adm788Commands(), true);
        case device::Emulation::Dsp800:
            return std::make_unique<TableSet>(emulation, dsp800Commands(), true);
        case device::Emulation::LogicControl:
            return std::make_unique<TableSet>(emulation, logicControlCommands(), true);
    }
    return std::make_unique<TableSet>(device::Emulation::Epson, epsonCommands(), true);
}

}  // namespace vfd::sim
