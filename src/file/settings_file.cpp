// SPDX-License-Identifier: GPL-3.0-or-later
#include "file/settings_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "file/save_file.h"

namespace vfd::file {

namespace fs = std::filesystem;

namespace {

std::string systemReason() {
    return std::strerror(errno);
}

// The whole of an existing file, for the tail a save keeps; nothing when it cannot be read.
std::vector<std::uint8_t> presentBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

ReadResult readSettingsFile(const fs::path& path) {
    ReadResult result;
    // A named pipe or a device would block the read for good: look before opening.
    if (const std::string what = notARegularFile(path); !what.empty()) {
        result.error = "it is " + what + ", not a regular file";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = systemReason();
        return result;
    }
    device::BodyBytes buffer{};
    in.read(reinterpret_cast<char*>(buffer.data()), device::kSettingsFileSize);
    const auto got = static_cast<std::size_t>(in.gcount());
    return device::parseSettingsBytes(std::span<const std::uint8_t>(buffer.data(), got));
}

ReadResult loadSettingsFile(const fs::path& path) {
    ReadResult read = readSettingsFile(path);
    if (!read.body) {
        return read;
    }
    if (std::string problem = device::listByteProblem(*read.body); !problem.empty()) {
        read.error = std::move(problem);
        read.body.reset();
    }
    return read;
}

std::string writeSettingsFile(const fs::path& path, const device::BodyBytes& body) {
    if (const std::string what = notARegularFile(path); !what.empty()) {
        return "it is " + what + ", not a regular file";
    }
    return saveFile(path, device::formatSettingsFile(body, presentBytes(path)));
}

}  // namespace vfd::file
