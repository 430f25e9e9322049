// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "device/settings_image.h"
#include "sim/screen.h"

namespace vfd::sim {

// Where a set shows its clock: the line, the first column, hours and minutes with or without
// the seconds, and whether the cursor reaching that line takes the clock away.
struct ClockFace {
    static constexpr int kWidthWithSeconds = 8;  // "hh:mm:ss"
    static constexpr int kWidth = 5;             // "hh:mm"

    int row = 0;
    int column = 0;
    bool seconds = false;
    bool goesWithCursor = false;

    constexpr int width() const { return seconds ? kWidthWithSeconds : kWidth; }
};

// What a command set acts on. The firmware gives out the glass only when a command is about to
// change it, so that the welcome messages end at the first byte that shows or moves something.
class Glass {
public:
    virtual ~Glass() = default;
    virtual Screen& target() = 0;
    // For the commands that change how the glass shows and not what it shows (brightness,
    // blinking, the cursor): the welcome message and a running marquee carry on.
    virtual Screen& appearance() = 0;
    // The whole glass blinks from now on, lit and dark for `intervalMs` each; 0 is steady.
    virtual void blink(int intervalMs) = 0;
    // The display's clock: set to a time of day, from which it runs on; and shown on the glass,
    // kept up to date there until something else is written over it.
    virtual void setClock(int hours, int minutes) = 0;
    virtual void showClock(const ClockFace& face) = 0;
    // Bytes the display answers (a few command sets acknowledge their commands).
    virtual void answer(std::vector<std::uint8_t> bytes) = 0;
    // A message running across one line, `repeat` for ever or once; replaced by the next
    // command that writes to the glass.
    virtual void marquee(int row, std::vector<std::uint8_t> text, bool repeat) = 0;
    // ESC @ and the reset commands: the power-on state of the glass, its modes, the stored
    // character set and user-defined characters.
    virtual void initialise() = 0;
    // Runtime character set choices: the international set (a `Char` position) and the code
    // table of the upper half (ESC t n).
    virtual void selectInternationalSet(int position) = 0;
    virtual void selectCodeTable(int table) = 0;
    // ESC = n: which device the following bytes are meant for (bit 0 printer, bit 1 display).
    // True when the display is now to pass them on to the printer behind it and not show them.
    virtual bool selectPeripheral(std::uint8_t devices) = 0;
    // The UTC displays switch between their standard and enhanced command sets by command; the
    // switch lasts until the next start. It takes effect after the command that asked for it.
    virtual void switchCommandSet(device::Emulation emulation) = 0;
};

// One emulation's command interpreter: takes the bytes meant for the display one at a time.
class CommandInterpreter {
public:
    virtual ~CommandInterpreter() = default;
    virtual void feed(std::uint8_t byte, Glass& glass) = 0;
    // True while part of a command has been received.
    virtual bool midCommand() const = 0;
    // Forgets a half-received command (the line went quiet in the middle of it).
    virtual void abandon() = 0;
    // The cursor and write mode this emulation starts with on a cleared glass.
    virtual void powerOn(Screen& screen) const = 0;
};

std::unique_ptr<CommandInterpreter> makeCommandInterpreter(device::Emulation emulation);

// A character pattern sent as five column bytes, bit 0 the top row: the layout of the stored
// user-defined character records, which the ESC & commands share.
Glyph columnGlyph(std::span<const std::uint8_t> columns);

}  // namespace vfd::sim
