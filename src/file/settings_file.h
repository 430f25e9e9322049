// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "device/settings_file.h"

// Settings files on disk: the one way both tools and the virtual display read and write them.
namespace vfd::file {

using ReadResult = device::ParsedSettings;

// Reads the first 126 bytes; a longer file's rest is not read. Something that is not a regular
// file (a folder, a named pipe, a device) is refused without being opened.
ReadResult readSettingsFile(const std::filesystem::path& path);

// The check both tools make before a loaded file changes anything: at least 126 bytes, and every
// list byte a position its list has. The error says which offset holds what otherwise.
ReadResult loadSettingsFile(const std::filesystem::path& path);

// Writes the body so that the file is never left half-written (see saveFile). A new file is 126
// bytes long; an existing longer file keeps its length and its bytes after the 126th. Gives an
// empty text on success, otherwise the reason.
std::string writeSettingsFile(const std::filesystem::path& path, const device::BodyBytes& body);

}  // namespace vfd::file
