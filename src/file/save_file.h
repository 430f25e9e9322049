// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vfd::file {

// Writes `content` as the whole file so that a failure never leaves it half-written: the new
// content goes to a temporary file beside the target that then replaces it, or, where no
// temporary file can be made there (a folder the user may not write), straight into the target.
// A link is followed and the file it names is written; permissions are kept; a file the user
// may not write, or something that is not a regular file, is refused. Gives an empty text on
// success, otherwise the reason.
std::string saveFile(const std::filesystem::path& path, std::span<const std::uint8_t> content);

// What the file system object at `path` is when it is not a regular file ("a folder", "a named
// pipe", ...); empty for a regular file or nothing at all. Looks without opening it.
std::string notARegularFile(const std::filesystem::path& path);

}  // namespace vfd::file
