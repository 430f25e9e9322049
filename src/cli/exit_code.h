// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

#include "link/exchanges.h"
#include "link/port_choice.h"

namespace vfd::cli {

// One exit status per kind of outcome, so that a script can tell a display that is off from a
// cable that was pulled from a file that is not a settings file. 1 is left out: a shell or a
// crash uses it, and it must never be mistaken for one of these.
enum class ExitCode : int {
    Success = 0,
    Usage = 2,        // the command line is wrong
    PortFailed = 3,   // the port could not be chosen or opened
    NoAnswer = 4,     // the display sent nothing within the wait
    WrongAnswer = 5,  // it answered, but not what was due (or not all of it)
    LineLost = 6,     // the port failed or the other end hung up during the exchange
    BadFile = 7,      // a settings file could not be read, is not a settings file, or not written
};

struct ExitCodeInfo {
    ExitCode code;
    std::string_view name;  // for the JSON output: "no-answer"
    std::string_view meaning;
};

inline constexpr std::array<ExitCodeInfo, 7> kExitCodes = {{
    {ExitCode::Success, "success", "success"},
    {ExitCode::Usage, "usage", "usage error: unknown command or option, missing or bad argument"},
    {ExitCode::PortFailed, "port", "the port cannot be opened (missing, busy, no permission)"},
    {ExitCode::NoAnswer, "no-answer", "the display did not answer within its time limit"},
    {ExitCode::WrongAnswer, "wrong-answer",
     "the display answered wrongly: wrong check byte or marker, a wrong identity, or a short "
     "answer"},
    {ExitCode::LineLost, "line-lost",
     "the line was lost during the exchange (adapter unplugged, display switched off)"},
    {ExitCode::BadFile, "bad-file",
     "a settings file cannot be read, is not a settings file, or cannot be written"},
}};

constexpr int toInt(ExitCode code) {
    return static_cast<int>(code);
}
std::string_view nameOf(ExitCode code);

ExitCode exitCodeFor(const link::PortFailure& failure);
ExitCode exitCodeFor(link::DownloadOutcome outcome);
ExitCode exitCodeFor(link::UploadOutcome outcome);
ExitCode exitCodeFor(link::QueryOutcome outcome);

// The documentation of the codes, one "  N  meaning" line each, for --help.
std::string exitCodeTable();

}  // namespace vfd::cli
