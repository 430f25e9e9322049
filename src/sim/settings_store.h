// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "device/settings_image.h"

namespace vfd::sim {

// The display's non-volatile memory: the 126 bytes of a download, body byte k holding image
// index k + 1.
using StoredSettings = device::BodyBytes;

enum class LoadOutcome {
    Loaded,   // the file held the display's memory
    Missing,  // no file: factory settings
    Damaged,  // unreadable, not a regular file or shorter than 126 bytes: factory settings
};

struct LoadedSettings {
    StoredSettings settings{};
    LoadOutcome outcome = LoadOutcome::Missing;
};

// The memory is kept in a settings file, read and written as the tools read and write theirs,
// so a saved settings file can be dropped in as the display's memory and the display's memory
// opened by the tools.
LoadedSettings loadSettings(const std::filesystem::path& file);

// Written so that a display stopped while writing keeps its previous memory rather than a torn
// one. False when the file could not be written.
bool saveSettings(const std::filesystem::path& file, const StoredSettings& settings);

}  // namespace vfd::sim
