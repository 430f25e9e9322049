// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "config/settings_image.h"

namespace vfd::sim {

// The display's non-volatile memory: the 126 bytes of a download, body byte k holding image
// index k + 1.
using StoredSettings = BodyBytes;

inline constexpr std::uint8_t kFactoryCommandEmulation = 1;

// What a display holds before anyone has downloaded to it: command emulation 1, the two factory
// welcome messages, everything else 0.
StoredSettings factorySettings();

// Reads and writes stored bytes by image index (1 to 126).
std::uint8_t storedByte(const StoredSettings& settings, int imageIndex);
void setStoredByte(StoredSettings& settings, int imageIndex, std::uint8_t value);

enum class LoadOutcome {
    Loaded,   // the file held the display's memory
    Missing,  // no file: factory settings
    Damaged,  // unreadable or not 126 bytes long: factory settings
};

struct LoadedSettings {
    StoredSettings settings{};
    LoadOutcome outcome = LoadOutcome::Missing;
};

// The memory is kept in a file laid out exactly as a settings file, so a saved settings file can
// be dropped in as the display's memory and the display's memory opened by the tools.
LoadedSettings loadSettings(const std::filesystem::path& file);

// Writes the way the tools save their settings files (a temporary file that replaces the old one),
// so that a display stopped while writing keeps its previous memory rather than a torn one. False
// when the file could not be written.
bool saveSettings(const std::filesystem::path& file, const StoredSettings& settings);

}  // namespace vfd::sim
