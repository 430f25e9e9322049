// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/arguments.h"

#include <algorithm>
#include <array>

#include "cli/settings_edit.h"
#include "link/line_settings.h"

namespace vfd::cli {

namespace {

struct CommandInfo {
    Command command;
    std::string_view name;
    int minArguments;
    int maxArguments;
    std::vector<std::string_view> options;  // besides --json, which every command takes
    std::string_view usage;
    std::string_view summary;
};

const std::array<CommandInfo, 8>& commands() {
    static const std::array<CommandInfo, 8> table = {{
        {Command::Ports,
         "ports",
         0,
         0,
         {},
         "ports",
         "the ports that open: Com n, device, description, serial number"},
        {Command::Download,
         "download",
         1,
         1,
         {"port", "line"},
         "download FILE.vfd --port PORT [--port PORT ...]",
         "download a settings file into each display in turn"},
        {Command::Upload,
         "upload",
         1,
         1,
         {"port", "line"},
         "upload OUT.vfd --port PORT",
         "read a display's settings back into a settings file"},
        {Command::Identify,
         "identify",
         0,
         0,
         {"port", "line"},
         "identify --port PORT",
         "ask the display for its identity (PID:3524)"},
        {Command::Serial,
         "serial",
         0,
         0,
         {"port", "line"},
         "serial --port PORT",
         "ask the display for its serial number"},
        {Command::Text,
         "text",
         1,
         2,
         {"port", "line", "emulation", "charset"},
         "text --port PORT [--emulation epson|cd5220] LINE1 [LINE2]",
         "show one or two lines of text on the display"},
        {Command::Show,
         "show",
         1,
         1,
         {},
         "show FILE.vfd",
         "every setting of a settings file, as the configuration window shows it"},
        {Command::Make,
         "make",
         0,
         0,
         {"from", "set", "message1", "message2", "message1-hex", "message2-hex", "udc", "output"},
         "make [--from FILE.vfd] [--set KEY=VALUE ...] [--message1 TEXT] ... -o OUT.vfd",
         "write a settings file from the defaults or another file"},
    }};
    return table;
}

const CommandInfo* findCommand(std::string_view name) {
    for (const auto& c : commands()) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

bool takes(const CommandInfo& info, std::string_view option) {
    return std::find(info.options.begin(), info.options.end(), option) != info.options.end();
}

}  // namespace

std::string_view commandName(Command command) {
    for (const auto& c : commands()) {
        if (c.command == command) {
            return c.name;
        }
    }
    return {};
}

std::string commandsHelp() {
    std::string out;
    for (const auto& c : commands()) {
        out += "  " + std::string(c.usage) + "\n      " + std::string(c.summary) + "\n";
    }
    return out;
}

CheckedArguments checkArguments(const Arguments& a) {
    CheckedArguments result;
    auto refuse = [&](std::string error) {
        result.error = std::move(error);
        return result;
    };
    if (a.positional.empty()) {
        return refuse("no command given; vfdctl --help lists them");
    }
    const CommandInfo* info = findCommand(a.positional.front());
    if (info == nullptr) {
        return refuse("\"" + a.positional.front() +
                      "\" is not a command; vfdctl --help lists them");
    }
    const std::string name(info->name);
    for (const std::string& option : a.given) {
        if (option != "json" && !takes(*info, option)) {
            return refuse(std::string(name).append(" does not take --").append(option));
        }
    }
    const int count = static_cast<int>(a.positional.size()) - 1;
    if (count < info->minArguments || count > info->maxArguments) {
        return refuse("usage: vfdctl " + std::string(info->usage));
    }

    Invocation inv;
    inv.command = info->command;
    inv.json = a.json;
    if (takes(*info, "port")) {
        if (a.ports.empty()) {
            return refuse(name + " needs --port (\"Com 3\" or a device path)");
        }
        if (a.ports.size() > 1 && info->command != Command::Download) {
            return refuse(name + " takes one --port; only download takes several");
        }
        inv.ports = a.ports;
        if (a.line) {
            if (!link::parseLineSettings(*a.line)) {
                return refuse("--line \"" + *a.line +
                              "\" is not valid: write speed,parity,data bits,stop bits, for "
                              "example 9600,n,8,1");
            }
            inv.line = *a.line;
        }
    }

    const std::vector<std::string> args(a.positional.begin() + 1, a.positional.end());
    switch (info->command) {
        case Command::Download:
        case Command::Upload:
        case Command::Show:
            inv.file = args.front();
            break;
        case Command::Text:
            inv.lines = args;
            if (a.emulation) {
                std::string e = *a.emulation;
                std::transform(e.begin(), e.end(), e.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                if (e == "epson") {
                    inv.emulation = TextEmulation::Epson;
                } else if (e == "cd5220") {
                    inv.emulation = TextEmulation::Cd5220;
                } else {
                    return refuse("--emulation takes epson or cd5220, not \"" + *a.emulation +
                                  "\"");
                }
            }
            if (a.charset) {
                std::string error;
                const auto position = listPosition("charset", *a.charset, error);
                if (!position) {
                    return refuse("--charset: " + error);
                }
                inv.characterSet = *position;
            }
            break;
        case Command::Make:
            if (!a.output || a.output->empty()) {
                return refuse("make needs -o OUT.vfd, the file to write");
            }
            inv.output = *a.output;
            inv.from = a.from;
            inv.edits = a.edits;
            break;
        case Command::Ports:
        case Command::Identify:
        case Command::Serial:
            break;
    }
    result.invocation = std::move(inv);
    return result;
}

}  // namespace vfd::cli
