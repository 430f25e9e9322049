// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/exit_code.h"

#include <string>

namespace vfd::cli {

std::string_view nameOf(ExitCode code) {
    for (const auto& info : kExitCodes) {
        if (info.code == code) {
            return info.name;
        }
    }
    return {};
}

ExitCode exitCodeFor(const link::PortFailure& failure) {
    switch (failure.problem) {
        case link::PortProblem::None:
            return ExitCode::Success;
        case link::PortProblem::NoneChosen:
        case link::PortProblem::BadSettings:
            return ExitCode::Usage;
        case link::PortProblem::NotAPort:
        case link::PortProblem::NoSuchPort:
        case link::PortProblem::UnsafeFolder:
        case link::PortProblem::OpenFailed:
            break;
    }
    return ExitCode::PortFailed;
}

ExitCode exitCodeFor(link::DownloadOutcome outcome) {
    switch (outcome) {
        case link::DownloadOutcome::Sent:
            return ExitCode::Success;
        case link::DownloadOutcome::NoAnswer:
            return ExitCode::NoAnswer;
        case link::DownloadOutcome::WrongCheck:
            return ExitCode::WrongAnswer;
        case link::DownloadOutcome::LineLost:
            break;
    }
    return ExitCode::LineLost;
}

ExitCode exitCodeFor(link::UploadOutcome outcome) {
    switch (outcome) {
        case link::UploadOutcome::Received:
            return ExitCode::Success;
        case link::UploadOutcome::NoAnswer:
            return ExitCode::NoAnswer;
        case link::UploadOutcome::Short:
        case link::UploadOutcome::BadMarker:
            return ExitCode::WrongAnswer;
        case link::UploadOutcome::LineLost:
            break;
    }
    return ExitCode::LineLost;
}

ExitCode exitCodeFor(link::QueryOutcome outcome) {
    switch (outcome) {
        case link::QueryOutcome::Answered:
            return ExitCode::Success;
        case link::QueryOutcome::NoAnswer:
            return ExitCode::NoAnswer;
        case link::QueryOutcome::Short:
            return ExitCode::WrongAnswer;
        case link::QueryOutcome::LineLost:
            break;
    }
    return ExitCode::LineLost;
}

std::string exitCodeTable() {
    std::string out;
    for (const auto& info : kExitCodes) {
        out += "  " + std::to_string(toInt(info.code)) + "  " + std::string(info.meaning) + "\n";
    }
    return out;
}

}  // namespace vfd::cli
