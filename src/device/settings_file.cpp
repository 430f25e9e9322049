// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/settings_file.h"

#include <algorithm>

namespace vfd::device {

ParsedSettings parseSettingsBytes(std::span<const std::uint8_t> bytes) {
    ParsedSettings result;
    if (bytes.size() < static_cast<std::size_t>(kSettingsFileSize)) {
        result.error = std::string(kNotASettingsFile) + " (it holds " +
                       std::to_string(bytes.size()) + " bytes; a settings file has " +
                       std::to_string(kSettingsFileSize) + ")";
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
    // Counted from 1, as a person counts the bytes of a file; the list by the caption the window
    // gives it.
    const OptionList& list = listAt(*bad);
    return std::string(kNotASettingsFile) + " (byte " + std::to_string(bodyOffset(*bad) + 1) +
           " of the file, " + std::string(list.caption) + ", is " +
           std::to_string(bodyByte(body, *bad)) + "; the list has 0 to " +
           std::to_string(list.size() - 1) + ")";
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
