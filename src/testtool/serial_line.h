// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "link/clock.h"
#include "link/port.h"
#include "link/port_choice.h"
#include "link/port_names.h"
#include "ui/operator_texts.h"

namespace vfd::testtool {

// What the test tool's exchanges need to reach a display: the port, the clock, and the port and
// line parameters as the window holds them.
struct SerialLine {
    link::Port& port;
    link::Clock& clock;
    link::PortLookup lookup;
    int portNumber = 0;        // the port list's position + 1; 0 while the list is empty
    std::string portLabel;     // the port list's text, for messages ("com 1")
    std::string settingsText;  // line parameters, "9600,n,8,1"
    // The port as resolved once for a whole screen test; nothing while each step resolves the
    // window's choice for itself.
    std::optional<link::PortChoice> chosen;
};

// How a step ended on the line itself, apart from what the display answered.
enum class LineOutcome {
    Done,
    PortFailed,  // the port could not be chosen or opened; `port` says why
    LineLost,    // the port failed or the other end hung up; `lineError` has the system's words
};

struct LineResult {
    LineOutcome outcome = LineOutcome::Done;
    link::PortFailure port;
    std::string lineError;
    bool done() const { return outcome == LineOutcome::Done; }
};

// Resolves the window's port number and line parameters into a port to open.
link::PortChoiceResult choosePort(const SerialLine& line);

// Opens the port when it is closed, as every step of the test tool does before it talks to the
// display: the port chosen for the run, or else the window's choice. On failure the port is left
// closed.
link::PortFailure openIfClosed(SerialLine& line);

// After the line failed in the middle of an exchange: closes the port and keeps the port's own
// reason.
LineResult closeLostLine(SerialLine& line);

inline LineResult portFailed(link::PortFailure failure) {
    LineResult result;
    result.outcome = LineOutcome::PortFailed;
    result.port = std::move(failure);
    return result;
}

// The operator's words for a step that failed on the line; empty when it did not.
ui::Words wordsFor(const LineResult& result, const SerialLine& line);

// The line as messages name it.
inline ui::LineNames namesOf(const SerialLine& line) {
    return {line.portLabel, line.settingsText};
}

}  // namespace vfd::testtool
