// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "testtool/serial_line.h"

namespace vfd::testtool {

// A range file is raw display bytes: the tool sends the first 48 of them, padded with zeros when
// the file is shorter.
inline constexpr int kRangeSendLength = 48;
using RangeBytes = std::array<std::uint8_t, kRangeSendLength>;

inline constexpr std::array<std::string_view, 4> kRangeFiles = {"80-9F", "A0-BF", "C0-DF", "E0-FF"};

struct RangeLoad {
    std::optional<RangeBytes> bytes;
    std::filesystem::path path;  // where it was found
    std::string problem;         // the operator's words when there are no bytes
};

// Where the tool looks for its range files, in this order: the working folder, the program's own
// folder (a build tree keeps them there), and the installed data folder, found from the program's
// folder (<prefix>/bin -> <prefix>/share/vfd-tools/ranges) so an installed tree can be moved.
std::vector<std::filesystem::path> rangeFolders(const std::filesystem::path& working,
                                                const std::filesystem::path& programFolder);

// Looks for the file in each folder in turn and reads its first 48 bytes. A missing file is
// reported by name and nothing is created.
RangeLoad loadRangeFile(std::string_view name, const std::vector<std::filesystem::path>& folders);

// Sends the 48 bytes one at a time, opening the port when it is closed, and closes it after.
LineResult sendRange(SerialLine& line, const RangeBytes& bytes);

}  // namespace vfd::testtool
