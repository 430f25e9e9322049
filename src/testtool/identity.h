// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "testtool/operator.h"
#include "testtool/serial_line.h"

namespace vfd::testtool {

// What the display shows after the identity check, one display line each.
inline constexpr std::string_view kPidPassOnDisplay = "            PID:3524";
inline constexpr std::string_view kPidErrorOnDisplay = "PID error!";

enum class IdentityOutcome {
    Passed,
    WrongIdentity,  // told on the display and in the message window, acknowledged
    PortFailed,
    LineLost,
};

struct IdentityResult {
    IdentityOutcome outcome = IdentityOutcome::WrongIdentity;
    LineResult line;  // why, for PortFailed and LineLost
};

// Asks the display for its identity twice; both answers must be exactly "PID:3524". On a pass
// the display shows the identity at the right end of its lower line for a moment; on a failure
// it shows "PID error!" and the message window says so until the operator acknowledges it,
// with the port still open. The port is closed afterwards either way.
IdentityResult checkIdentity(SerialLine& line, Operator& op);

enum class SerialOutcome {
    Read,      // shown in the message window and acknowledged
    NoNumber,  // no answer, or fewer than eight bytes: "NO S/N", acknowledged
    PortFailed,
    LineLost,
};

struct SerialResult {
    SerialOutcome outcome = SerialOutcome::NoNumber;
    LineResult line;
    std::string number;  // the eight characters, as display bytes
};

// Reads the eight-character serial number and shows it to the operator ("S/N:", a line break,
// the number). The port is closed afterwards either way.
SerialResult readSerialNumber(SerialLine& line, Operator& op);

}  // namespace vfd::testtool
