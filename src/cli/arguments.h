// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/settings_edit.h"

namespace vfd::cli {

enum class Command { Ports, Download, Upload, Identify, Serial, Text, Show, Make };

// How `text` puts two lines on the display: EPSON's ESC @ and US $ (also what QV310 displays
// speak), or CD5220's ESC Q A / ESC Q B line commands.
enum class TextEmulation { Epson, Cd5220 };

// What the command line said, as the option parser found it: options by their long names.
struct Arguments {
    std::vector<std::string> positional;  // the command, then its arguments
    std::vector<std::string> given;       // long names of the options present, once each
    std::vector<std::string> ports;
    std::optional<std::string> line;
    std::optional<std::string> emulation;
    std::optional<std::string> charset;
    std::optional<std::string> from;
    std::optional<std::string> output;
    bool json = false;
    Edits edits;
};

inline constexpr std::string_view kDefaultLine = "9600,n,8,1";

// A command line that makes sense: one command with what it needs.
struct Invocation {
    Command command = Command::Ports;
    bool json = false;
    std::vector<std::string> ports;
    std::string line{kDefaultLine};
    std::string file;                // download, upload, show
    std::vector<std::string> lines;  // text: one or two
    TextEmulation emulation = TextEmulation::Epson;
    int characterSet = 0;             // text: the display's `Char` position
    std::optional<std::string> from;  // make
    std::string output;               // make
    Edits edits;                      // make
};

struct CheckedArguments {
    std::optional<Invocation> invocation;
    std::string error;  // the usage error when there is no invocation
};

// Checks that the command exists, that it has the arguments it needs and no option it does not
// take, and that the values of --line, --emulation and --charset are valid.
CheckedArguments checkArguments(const Arguments& arguments);

std::string_view commandName(Command command);

// The commands with their arguments, for --help.
std::string commandsHelp();

}  // namespace vfd::cli
