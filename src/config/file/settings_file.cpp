// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/file/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "config/option_tables.h"

namespace vfd::file {

namespace fs = std::filesystem;

namespace {
std::string systemReason() {
    return std::strerror(errno);
}
}  // namespace

ReadResult readSettingsFile(const fs::path& path) {
    ReadResult result;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        result.error = "it is a folder";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = systemReason();
        return result;
    }
    BodyBytes buffer{};
    in.read(reinterpret_cast<char*>(buffer.data()), kSettingsFileSize);
    const auto got = static_cast<std::size_t>(in.gcount());
    return parseSettingsBytes(std::span<const std::uint8_t>(buffer.data(), got));
}

ReadResult parseSettingsBytes(std::span<const std::uint8_t> bytes) {
    ReadResult result;
    if (bytes.size() < static_cast<std::size_t>(kSettingsFileSize)) {
        result.error = "the file holds " + std::to_string(bytes.size()) +
                       " bytes; a settings file has " + std::to_string(kSettingsFileSize);
        return result;
    }
    BodyBytes body{};
    std::copy_n(bytes.begin(), kSettingsFileSize, body.begin());
    result.body = body;
    return result;
}

std::optional<int> firstBadListByte(const BodyBytes& body) {
    struct Check {
        int imageIndex;
        const OptionList& list;
    };
    const Check checks[] = {{image_index::kLineSpeed, kBaudRateList},
                            {image_index::kCharSet, kCharList},
                            {image_index::kCommand, kCommandList},
                            {image_index::kPassthru, kPassthruList}};
    for (const auto& c : checks) {
        if (!c.list.has(body[static_cast<std::size_t>(c.imageIndex - 1)])) {
            return c.imageIndex;
        }
    }
    return std::nullopt;
}

std::string writeSettingsFile(const fs::path& path, const BodyBytes& body) {
    std::vector<char> content(body.begin(), body.end());
    std::error_code ec;
    const bool existed = fs::exists(path, ec);
    if (existed) {
        if (fs::is_directory(path, ec)) {
            return "it is a folder";
        }
        // An existing longer file keeps everything after the settings.
        std::ifstream old(path, std::ios::binary);
        if (!old) {
            return systemReason();
        }
        old.seekg(kSettingsFileSize);
        if (old) {
            content.insert(content.end(), std::istreambuf_iterator<char>(old),
                           std::istreambuf_iterator<char>());
        }
    }

    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::random_device random;
    std::string tempName = ".";
    tempName += path.filename().string();
    tempName += ".tmp";
    tempName += std::to_string(random() % 1000000);
    const fs::path temp = folder / tempName;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return systemReason();
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            std::string reason = systemReason();
            out.close();
            fs::remove(temp, ec);
            return reason;
        }
    }
    if (existed) {
        fs::permissions(temp, fs::status(path, ec).permissions(), ec);
    }
    fs::rename(temp, path, ec);
    if (ec) {
        std::string reason = ec.message();
        fs::remove(temp, ec);
        return reason;
    }
    return {};
}

}  // namespace vfd::file
