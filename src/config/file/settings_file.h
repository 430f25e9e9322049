// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "config/settings_image.h"

namespace vfd::file {

// A settings file is the image's bytes 1 to 126 and nothing else: no header, no length, no check
// value. File offset k holds image byte k + 1.
inline constexpr int kSettingsFileSize = kBodySize;

struct ReadResult {
    std::optional<BodyBytes> body;  // the first 126 bytes; a longer file's rest is not read
    std::string error;              // why there is no body
};

ReadResult readSettingsFile(const std::filesystem::path& path);

// The same judgement on bytes already in memory: the first 126 are the body, anything after them
// is ignored, and fewer is an error naming the count.
ReadResult parseSettingsBytes(std::span<const std::uint8_t> bytes);

// The image byte (2, 4, 6 or 68) whose value is not a position of its list, or nothing when the
// body fits the window's lists.
std::optional<int> firstBadListByte(const BodyBytes& body);

// Writes the body so that the file is never left half-written: a temporary file beside the
// target is written completely and then renamed over it. A new file is 126 bytes long; an
// existing longer file keeps its length and its bytes after the 126th. Gives an empty text on
// success, otherwise the reason.
std::string writeSettingsFile(const std::filesystem::path& path, const BodyBytes& body);

}  // namespace vfd::file
