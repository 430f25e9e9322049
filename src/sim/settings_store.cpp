// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/settings_store.h"

#include <system_error>

#include "file/settings_file.h"

namespace vfd::sim {

LoadedSettings loadSettings(const std::filesystem::path& file) {
    std::error_code ec;
    const auto factory = device::factoryImage().body();
    if (!std::filesystem::exists(file, ec)) {
        return {factory, LoadOutcome::Missing};
    }
    // A memory holds whatever a download sent, so its list bytes are not judged as a Load would.
    const auto read = file::readSettingsFile(file);
    if (!read.body) {
        return {factory, LoadOutcome::Damaged};
    }
    return {*read.body, LoadOutcome::Loaded};
}

bool saveSettings(const std::filesystem::path& file, const StoredSettings& settings) {
    std::error_code ec;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ec);
    }
    return file::writeSettingsFile(file, settings).empty();
}

}  // namespace vfd::sim
