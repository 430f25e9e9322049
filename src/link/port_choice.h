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

struct PortChoiceResult {
    std::optional<PortChoice> choice;
    std::string problem;  // the operator's words when there is no choice
};

// Turns the port list's text and the line-parameter text into a port to open.
PortChoiceResult choosePort(std::string_view portText, std::string_view settingsText,
                            const PortLookup& lookup);

// Opens the chosen port. Empty on success; otherwise the operator's words, the port closed.
std::string openChosenPort(Port& port, const PortChoice& choice);

}  // namespace vfd::link
