// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/settings_store.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "config/file/save_file.h"
#include "config/option_tables.h"

namespace vfd::sim {

namespace {

std::size_t bodyOffset(int imageIndex) {
    if (imageIndex < 1 || imageIndex > kBodySize) {
        throw std::out_of_range("stored settings hold image indexes 1 to 126");
    }
    return static_cast<std::size_t>(imageIndex - 1);
}

void putText(StoredSettings& settings, int firstIndex, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        setStoredByte(settings, firstIndex + static_cast<int>(i),
                      static_cast<std::uint8_t>(text[i]));
    }
}

}  // namespace

StoredSettings factorySettings() {
    StoredSettings settings{};
    setStoredByte(settings, image_index::kCommand, kFactoryCommandEmulation);
    putText(settings, image_index::kMessage1, kDefaultMessage1);
    putText(settings, image_index::kMessage2, kDefaultMessage2);
    return settings;
}

std::uint8_t storedByte(const StoredSettings& settings, int imageIndex) {
    return settings[bodyOffset(imageIndex)];
}

void setStoredByte(StoredSettings& settings, int imageIndex, std::uint8_t value) {
    settings[bodyOffset(imageIndex)] = value;
}

LoadedSettings loadSettings(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        return {factorySettings(), LoadOutcome::Missing};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {factorySettings(), LoadOutcome::Damaged};
    }
    // One byte more than a memory holds, so that a longer file is told apart.
    std::vector<char> bytes(kBodySize + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad() || in.gcount() != kBodySize) {
        return {factorySettings(), LoadOutcome::Damaged};
    }
    LoadedSettings loaded{{}, LoadOutcome::Loaded};
    std::transform(bytes.begin(), bytes.begin() + kBodySize, loaded.settings.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    return loaded;
}

bool saveSettings(const std::filesystem::path& file, const StoredSettings& settings) {
    std::error_code ec;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ec);
    }
    return file::saveFile(file, settings, false).empty();
}

}  // namespace vfd::sim
