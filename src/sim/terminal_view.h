// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "sim/screen.h"

namespace vfd::sim {

// The display as plain text, for use without a window. Written to a pipe or a file, every change
// of the glass is one line,
//     display |*** VFD DISPLAY  ***|**HAVE A NICE DAY AN|
// (UTF-8, twenty characters between each pair of bars), so that scripts and tests can wait for
// what they expect; a dimmed, blinking or switched-off glass and a shown cursor add a note after
// the last bar (lookNote). On a terminal the glass is drawn as a framed box, redrawn in place,
// with the note on its bottom frame.
class TerminalView {
public:
    static constexpr std::string_view kLinePrefix = "display ";

    TerminalView(std::ostream& out, bool redrawInPlace);

    // Prints the screen when what it shows differs from the last print.
    void show(const Screen& screen);
    // An event worth a line of its own ("stored settings"); the box is drawn afresh after it.
    void note(std::string_view text);

private:
    std::ostream& out_;
    bool redrawInPlace_;
    bool boxOnScreen_ = false;
    std::optional<std::string> lastShown_;
};

// "|upper|lower|" as shown by the line form above.
std::string screenLine(const Screen& screen);

}  // namespace vfd::sim
