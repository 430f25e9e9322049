// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/settings_file.h"

#include <algorithm>

namespace vfd::device {

ParsedSettings parseSettingsBytes(std::span<const std::uint8_t> bytes) {
    ParsedSettings result;
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

std::optional<int> firstBadListByte(const BodyBytes& body) {
    for (const int index : kListBytes) {
        if (!listAt(index).has(bodyByte(body, index))) {
            return index;
        }
    }
    return std::nullopt;
}

std::string listByteProblem(const BodyBytes& body) {
    const auto bad = firstBadListByte(body);
    if (!bad) {
        return {};
    }
    return "offset " + std::to_string(bodyOffset(*bad)) + " holds " +
           std::to_string(bodyByte(body, *bad)) + ", which the list \"" +
           std::string(listAt(*bad).name) + "\" does not have";
}

std::vector<std::uint8_t> formatSettingsFile(const BodyBytes& body,
                                             std::span<const std::uint8_t> old) {
    std::vector<std::uint8_t> bytes(body.begin(), body.end());
    if (old.size() > body.size()) {
        bytes.insert(bytes.end(), old.begin() + static_cast<std::ptrdiff_t>(body.size()),
                     old.end());
    }
    return bytes;
}

}  // namespace vfd::device
