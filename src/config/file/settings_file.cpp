// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/file/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "config/file/save_file.h"
#include "config/option_tables.h"

namespace vfd::file {

namespace fs = std::filesystem;

namespace {

std::string systemReason() {
    return std::strerror(errno);
}

}  // namespace

const OptionList& listAt(int imageIndex) {
    switch (imageIndex) {
        case image_index::kStandby:
            return kStandbyList;
        case image_index::kLineSpeed:
            return kBaudRateList;
        case image_index::kCharSet:
            return kCharList;
        case image_index::kCommand:
            return kCommandList;
        default:
            return kPassthruList;
    }
}

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
    BodyBytes buffer{};
    in.read(reinterpret_cast<char*>(buffer.data()), kSettingsFileSize);
    const auto got = static_cast<std::size_t>(in.gcount());
    return parseSettingsBytes(std::span<const std::uint8_t>(buffer.data(), got));
}

ReadResult parseSettingsBytes(std::span<const std::uint8_t> bytes) {
    ReadResult result;
    if (bytes.size() < static_cast<std::size_t>(kSettingsFileSize)) {
        result.error = "the file holds " + std::to_string(bytes.size()) +
                       " bytes; a settings file has " + std::to_string(kSettingsFileSize);
        return result;
    }
    BodyBytes body{};
    std::copy_n(bytes.begin(), kSettingsFileSize, body.begin());
    result.body = body;
    return result;
}

std::optional<int> firstBadListByte(const BodyBytes& body) {
    for (const int index : kListBytes) {
        if (!listAt(index).has(body[static_cast<std::size_t>(index - 1)])) {
            return index;
        }
    }
    return std::nullopt;
}

std::string writeSettingsFile(const fs::path& path, const BodyBytes& body) {
    return saveFile(path, body, true);
}

ReadResult loadSettingsFile(const fs::path& path) {
    ReadResult read = readSettingsFile(path);
    if (!read.body) {
        return read;
    }
    if (const auto bad = firstBadListByte(*read.body)) {
        const int offset = *bad - 1;
        const std::uint8_t value = (*read.body)[static_cast<std::size_t>(offset)];
        read.error = "offset " + std::to_string(offset) + " holds " + std::to_string(value) +
                     ", which the list \"" + std::string(listAt(*bad).name) + "\" does not have";
        read.body.reset();
    }
    return read;
}

}  // namespace vfd::file
