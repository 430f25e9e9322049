// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/exit_code.h"
#include "cli/json.h"
#include "device/date_stamp.h"
#include "link/clock.h"
#include "link/port.h"
#include "link/port_names.h"
#include "ui/operator_texts.h"

namespace vfd::cli {

// What the system knows of a serial device (for a USB adapter: its description, maker and
// serial number); empty fields where it knows nothing.
struct PortFacts {
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
};
using PortFactsSource = std::function<std::optional<PortFacts>(const std::string& device)>;

// The world a command runs in: a port and a clock to reach displays with, the port folder, the
// date a download is stamped with, and where facts about serial devices come from.
struct Environment {
    link::Port& port;
    link::Clock& clock;
    link::PortLookup lookup;
    device::Date today;
    PortFactsSource facts;
    // The pause after a download before it is reported done: a display that is restarted at
    // once may not have stored the settings yet.
    int downloadSettleMs = 1000;
    // When set, a download to several displays tells each port's line (standard output) and its
    // failure (standard error) as soon as that port is done, rather than all at the end.
    std::function<void(const std::string& out, const std::string& err)> progress = {};
};

// How a command ended: its exit code, what goes to standard output (text for people, or the JSON
// object for machines), and the operator's words for every failure, for standard error.
struct Report {
    ExitCode code = ExitCode::Success;
    std::string text;
    Json json = Json::object();
    std::vector<ui::Words> errors;
    // The text and the errors were already told through Environment::progress.
    bool told = false;
};

Report run(const Invocation& invocation, Environment& environment);

// A usage error as a report, so that it is printed like every other outcome.
Report usageReport(const std::string& error);

// Standard error for a report: each message, and beneath it its explanation.
std::string errorText(const Report& report);

}  // namespace vfd::cli
