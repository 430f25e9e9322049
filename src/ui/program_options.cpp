// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program_options.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace vfd::ui {

namespace {

bool isOneOf(const char* argument, std::initializer_list<const char*> options) {
    for (const char* option : options) {
        if (std::strcmp(argument, option) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<int> answerCommandLine(int argc, char** argv, const ProgramFacts& facts) {
    for (int i = 1; i < argc; ++i) {
        if (isOneOf(argv[i], {"--help", "-h", "-?"})) {
            const std::string name(facts.name);
            const std::string text =
                "Usage: " + name + " [Qt options]\n" + std::string(facts.description) +
                "\n\nOptions:\n"
                "  -h, --help     Show this help and exit.\n"
                "  -v, --version  Show the version and exit.\n" +
                std::string(facts.options) +
                "\n"
                "Qt's own options, such as -platform offscreen or -style fusion, are taken "
                "too.\n";
            std::fputs(text.c_str(), stdout);
            return 0;
        }
        if (isOneOf(argv[i], {"--version", "-v"})) {
            const std::string text = std::string(facts.name) + " " + std::string(facts.version);
            std::puts(text.c_str());
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<std::string> optionValue(int argc, char** argv, std::string_view name) {
    std::optional<std::string> value;
    const std::string flag = "--" + std::string(name);
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == flag && i + 1 < argc) {
            value = argv[++i];
        } else if (argument.starts_with(flag + "=")) {
            value = std::string(argument.substr(flag.size() + 1));
        }
    }
    return value;
}

}  // namespace vfd::ui
