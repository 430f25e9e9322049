// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/option_lists.h"
#include "device/settings_image.h"

// The settings file as bytes. A settings file is the image's bytes 1 to 126 and nothing else: no
// header, no length, no check value. File offset k holds image byte k + 1.
namespace vfd::device {

inline constexpr int kSettingsFileSize = kBodySize;

// How a file that cannot hold settings is described before the reason.
inline constexpr std::string_view kNotASettingsFile = "it is not a settings file of these tools";

struct ParsedSettings {
    std::optional<BodyBytes> body;  // the first 126 bytes; anything after them is not read
    std::string error;              // why there is no body
};

// The first 126 bytes are the body; fewer is an error naming the count.
ParsedSettings parseSettingsBytes(std::span<const std::uint8_t> bytes);

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

// The check both tools make before a loaded file changes anything: every list byte a position
// its list has. Empty when the body passes, otherwise which byte of the file, counted from 1,
// holds what, in the window's words.
std::string listByteProblem(const BodyBytes& body);

// What a save writes over `old` (the file's present bytes, empty for a new file): the body, and
// after it whatever a longer file held past its 126th byte.
std::vector<std::uint8_t> formatSettingsFile(const BodyBytes& body,
                                             std::span<const std::uint8_t> old);

}  // namespace vfd::device
