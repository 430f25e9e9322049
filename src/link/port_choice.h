// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/line_settings.h"
#include "link/port.h"
#include "link/port_names.h"

namespace vfd::link {

// What an operation needs to open the port the operator chose.
struct PortChoice {
    std::string label;  // as the operator wrote it, for messages ("Com 3", "/dev/ttyUSB0")
    std::string device;
    LineSettings settings;
};

// Why no port could be used. The windows turn it into the operator's words.
enum class PortProblem {
    None,
    NoneChosen,    // the port list is empty or its text is blank
    NotAPort,      // the text names no port number or device
    NoSuchPort,    // the number has no device behind it
    BadSettings,   // the line-parameter text is not valid
    UnsafeFolder,  // the port's link lies in a port folder that may not be trusted; `detail` why
    OpenFailed,    // the system refused to open it; `error` and `detail` say why
};

struct PortFailure {
    PortProblem problem = PortProblem::None;
    std::string label;         // the port as the operator sees it
    std::string device;        // what it was resolved to, when it was
    std::string settingsText;  // the line parameters as written
    PortError error = PortError::None;
    std::string
        detail;  // the system's own words for an open failure, or why a folder is distrusted
    std::string folder;  // the port folder that may not be trusted (UnsafeFolder)
    explicit operator bool() const { return problem != PortProblem::None; }
};

struct PortChoiceResult {
    std::optional<PortChoice> choice;
    PortFailure failure;  // set when there is no choice
};

// Turns the port list's text and the line-parameter text into a port to open.
PortChoiceResult choosePort(std::string_view portText, std::string_view settingsText,
                            const PortLookup& lookup);

// The same for a port chosen by its number (a list position + 1), shown to the operator as
// `label`. A number below 1 means that nothing is chosen.
PortChoiceResult choosePortNumber(int number, const std::string& label,
                                  std::string_view settingsText, const PortLookup& lookup);

// Opens the chosen port. No failure on success; otherwise the port is left closed.
PortFailure openChosenPort(Port& port, const PortChoice& choice);

}  // namespace vfd::link
