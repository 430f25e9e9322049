// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vfd::ui {

// What a window program says about itself on the command line.
struct ProgramFacts {
    std::string_view name;         // "zoravel"
    std::string_view description;  // one or two sentences
    std::string_view version;
    std::string_view options = {};  // help lines for the program's own options, if any
};

// Answers --help (-h, -?) and --version (-v) on standard output before any window or display
// server is needed, and gives the exit code then; nothing when the program should start its
// window. Other arguments are left alone: Qt takes its own (-platform, -style) from them.
std::optional<int> answerCommandLine(int argc, char** argv, const ProgramFacts& facts);

// The value of an option given as "--name VALUE" or "--name=VALUE"; the last one counts.
std::optional<std::string> optionValue(int argc, char** argv, std::string_view name);

}  // namespace vfd::ui
