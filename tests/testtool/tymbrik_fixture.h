// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/widget_lookup.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace vfd::testing {

// A fresh folder of the test's own, under its runtime folder, removed again when the owner goes.
class ScratchFolder {
public:
    ScratchFolder() {
        namespace fs = std::filesystem;
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const bool own = runtime != nullptr && *runtime != '\0';
        const fs::path base = own ? fs::path(runtime) : fs::temp_directory_path();
        fs::create_directories(base);
        if (own) {
            // The test's own runtime folder, as the session makes it; never the shared /tmp.
            fs::permissions(base, fs::perms::owner_all, fs::perm_options::replace);
        }
        // A new folder of its own: create_directory says false for one that was there.
        std::random_device random;
        for (int tries = 0; path_.empty(); ++tries) {
            const fs::path candidate = base / ("scratch-" + std::to_string(random()));
            if (fs::create_directory(candidate)) {
                path_ = candidate;
            } else if (tries > 100) {
                throw std::runtime_error("cannot make a folder under " + base.string());
            }
        }
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

// Bytes first, first + 1, ... of the given count.
inline std::vector<std::uint8_t> counting(std::size_t count, std::uint8_t first = 1) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

// The bytes with their list positions (stand-by, line speed, character set, command emulation,
// pass-through) set to the first entry, so that they pass the settings-file check.
inline std::vector<std::uint8_t> asSettings(std::vector<std::uint8_t> bytes) {
    for (const std::size_t offset : {0u, 1u, 3u, 5u, 67u}) {
        if (offset < bytes.size()) {
            bytes[offset] = 0;
        }
    }
    return bytes;
}

}  // namespace vfd::testing
