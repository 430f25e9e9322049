// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "config/option_tables.h"
#include "config/settings_image.h"

namespace vfd::file {

// A settings file is the image's bytes 1 to 126 and nothing else: no header, no length, no check
// value. File offset k holds image byte k + 1.
inline constexpr int kSettingsFileSize = kBodySize;

struct ReadResult {
    std::optional<BodyBytes> body;  // the first 126 bytes; a longer file's rest is not read
    std::string error;              // why there is no body
};

// Reads the first 126 bytes. Something that is not a regular file (a folder, a named pipe, a
// device) is refused without being opened.
ReadResult readSettingsFile(const std::filesystem::path& path);

// The check both tools make before a loaded file changes anything: at least 126 bytes, and every
// list byte a position its list has. The error says which offset holds what otherwise.
ReadResult loadSettingsFile(const std::filesystem::path& path);

// The same judgement on bytes already in memory: the first 126 are the body, anything after them
// is ignored, and fewer is an error naming the count.
ReadResult parseSettingsBytes(std::span<const std::uint8_t> bytes);

// The image bytes that hold a list position: stand-by, line speed, character set, command
// emulation and pass-through, in the order they are checked.
inline constexpr std::array<int, 5> kListBytes = {image_index::kStandby, image_index::kLineSpeed,
                                                  image_index::kCharSet, image_index::kCommand,
                                                  image_index::kPassthru};

// The list whose position image byte `imageIndex` (one of kListBytes) holds.
const OptionList& listAt(int imageIndex);

// The image byte whose value is not a position of its list, or nothing when the body fits the
// window's lists.
std::optional<int> firstBadListByte(const BodyBytes& body);

// Writes the body so that the file is never left half-written (see saveFile). A new file is 126
// bytes long; an existing longer file keeps its length and its bytes after the 126th. Gives an
// empty text on success, otherwise the reason.
std::string writeSettingsFile(const std::filesystem::path& path, const BodyBytes& body);

}  // namespace vfd::file
