// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/port_names.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vfd::link {

std::optional<int> parseComName(std::string_view text) {
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
    };
    skipBlanks();
    if (text.size() - i < 3) {
        return std::nullopt;
    }
    for (char want : {'c', 'o', 'm'}) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != want) {
            return std::nullopt;
        }
        ++i;
    }
    skipBlanks();
    int value = 0;
    std::size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = value * 10 + (text[i] - '0');
        ++i;
        if (++digits > 3) {
            return std::nullopt;
        }
    }
    skipBlanks();
    if (digits == 0 || i != text.size() || value < 1 || value > kHighestPortNumber) {
        return std::nullopt;
    }
    return value;
}

std::string portFolderFor(const char* runtimeDir, unsigned uid) {
    if (runtimeDir != nullptr && *runtimeDir != '\0') {
        return std::string(runtimeDir) + "/vfd-ports";
    }
    return "/tmp/vfd-ports-" + std::to_string(uid);
}

std::string portFolder() {
#ifdef _WIN32
    return {};
#else
    return portFolderFor(std::getenv("XDG_RUNTIME_DIR"), static_cast<unsigned>(getuid()));
#endif
}

std::string fixedDeviceName(int number) {
#ifdef _WIN32
    // COM10 and up are reached only through the device namespace.
    return (number >= 10 ? "\\\\.\\COM" : "COM") + std::to_string(number);
#else
    if (number >= 1 && number <= 32) {
        return "/dev/ttyS" + std::to_string(number - 1);
    }
    if (number >= 33 && number <= 64) {
        return "/dev/ttyUSB" + std::to_string(number - 33);
    }
    if (number >= 65 && number <= 96) {
        return "/dev/ttyACM" + std::to_string(number - 65);
    }
    return {};
#endif
}

std::optional<std::string> resolvePortNumber(int number, const PortLookup& lookup) {
    if (number < 1 || number > kHighestPortNumber) {
        return std::nullopt;
    }
    if (!lookup.folder.empty()) {
        const std::string link = lookup.folder + "/COM" + std::to_string(number);
        if (lookup.exists && lookup.exists(link)) {
            return link;
        }
    }
    std::string fixed = fixedDeviceName(number);
    if (fixed.empty()) {
        // No device has this number by default; the link it would have is what is missing.
        if (lookup.folder.empty()) {
            return std::nullopt;
        }
        return lookup.folder + "/COM" + std::to_string(number);
    }
    return fixed;
}

std::optional<std::string> resolvePortText(std::string_view text, const PortLookup& lookup) {
    if (const auto number = parseComName(text)) {
        return resolvePortNumber(*number, lookup);
    }
#ifdef _WIN32
    if (text.starts_with("\\\\.\\")) {
        return std::string(text);
    }
#else
    if (text.starts_with("/")) {
        return std::string(text);
    }
#endif
    return std::nullopt;
}

std::string portFolderDistrust(const std::string& folder) {
#ifdef _WIN32
    (void)folder;
    return {};
#else
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        return {};  // nothing there, nothing to trust or distrust
    }
    if (!S_ISDIR(info.st_mode)) {
        return "it is not a folder of its own";
    }
    if (info.st_uid != ::getuid()) {
        return "it belongs to another user";
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return "other users may write into it";
    }
    return {};
#endif
}

std::string distrustOf(const std::string& device, const PortLookup& lookup) {
    if (lookup.folder.empty() || !lookup.distrust || !device.starts_with(lookup.folder + "/")) {
        return {};
    }
    return lookup.distrust(lookup.folder);
}

bool deviceExists(const std::string& device) {
#ifdef _WIN32
    // A serial port is a DOS device, not a file: COMn or \\.\COMn names it, and the system's
    // table of such devices says whether it is there now.
    std::string name = device;
    if (name.starts_with("\\\\.\\")) {
        name.erase(0, 4);
    }
    char target[512];
    return QueryDosDeviceA(name.c_str(), target, sizeof target) != 0;
#else
    std::error_code ec;
    return std::filesystem::is_symlink(device, ec) || std::filesystem::exists(device, ec);
#endif
}

PortLookup systemPortLookup() {
    return PortLookup{portFolder(), deviceExists, portFolderDistrust};
}

}  // namespace vfd::link
