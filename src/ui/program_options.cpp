// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program_options.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

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

// Prints the answer where the person who asked can read it. A windowed Windows program has no
// console of its own, so it writes into the one it was started from, when there is one.
void answer(const std::string& text) {
#ifdef _WIN32
    // Output already led somewhere (a pipe, a file) goes there.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS) != 0) {
        std::FILE* console = std::freopen("CONOUT$", "w", stdout);
        (void)console;
    }
#endif
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
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
            answer(text);
            return 0;
        }
        if (isOneOf(argv[i], {"--version", "-v"})) {
            std::string text(facts.name);
            text += ' ';
            text += facts.version;
            text += '\n';
            answer(text);
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
