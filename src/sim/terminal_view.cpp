// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/terminal_view.h"

namespace vfd::sim {

namespace {

constexpr std::string_view kFrame = "+--------------------+";
constexpr std::string_view kCursorUpOverBox = "\x1b[4A";
constexpr std::string_view kClearToEnd = "\x1b[J";

}  // namespace

std::string screenLine(const Screen& screen) {
    std::string line = "|";
    for (int row = 0; row < Screen::kRows; ++row) {
        line += screen.text(row);
        line += '|';
    }
    return line;
}

TerminalView::TerminalView(std::ostream& out, bool redrawInPlace)
    : out_(out), redrawInPlace_(redrawInPlace) {}

void TerminalView::show(const Screen& screen) {
    std::string shown = screenLine(screen);
    shown.append(lookNote(screen));
    if (lastShown_ == shown) {
        return;
    }
    if (!redrawInPlace_) {
        out_ << kLinePrefix << shown << '\n';
    } else {
        if (boxOnScreen_) {
            out_ << kCursorUpOverBox << kClearToEnd;
        }
        out_ << kFrame << '\n';
        for (int row = 0; row < Screen::kRows; ++row) {
            out_ << '|' << screen.text(row) << "|\n";
        }
        // The note goes on the frame's line, so that the box keeps its height for the redraw.
        out_ << kFrame << lookNote(screen) << '\n';
        boxOnScreen_ = true;
    }
    out_.flush();
    lastShown_ = std::move(shown);
}

void TerminalView::note(std::string_view text) {
    out_ << text << '\n';
    out_.flush();
    boxOnScreen_ = false;
}

}  // namespace vfd::sim
