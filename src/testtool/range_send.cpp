// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/range_send.h"

#include <fstream>

#include "link/exchanges.h"
#include "link/transfer.h"

namespace vfd::testtool {

namespace fs = std::filesystem;

// The build gives the installed range folder relative to the programs' folder, so the tools find
// it under any prefix: "../share/vfd-tools/ranges" for the usual layout.
constexpr const char* kRangeFolderFromProgram = VFD_RANGE_FOLDER_FROM_PROGRAM;

std::vector<fs::path> rangeFolders(const fs::path& working, const fs::path& programFolder) {
    return {working, programFolder, (programFolder / kRangeFolderFromProgram).lexically_normal()};
}

RangeLoad loadRangeFile(std::string_view name, const std::vector<fs::path>& folders) {
    RangeLoad result;
    for (const auto& folder : folders) {
        const fs::path candidate = folder / std::string(name);
        std::error_code ec;
        if (!fs::is_regular_file(candidate, ec)) {
            continue;
        }
        std::ifstream in(candidate, std::ios::binary);
        if (!in) {
            result.problem = "The range file \"" + std::string(name) + "\" (" + candidate.string() +
                             ") can't be read.";
            return result;
        }
        RangeBytes bytes{};
        in.read(reinterpret_cast<char*>(bytes.data()), kRangeSendLength);
        result.bytes = bytes;
        result.path = candidate;
        return result;
    }
    result.problem = "The range file \"" + std::string(name) +
                     "\" was not found in the working folder, beside the program or in its data "
                     "folder. Nothing was sent.";
    return result;
}

LineResult sendRange(SerialLine& line, const RangeBytes& bytes) {
    if (auto failure = openIfClosed(line)) {
        return portFailed(std::move(failure));
    }
    if (link::sendBytes(line.port, line.clock, bytes) != link::LineStatus::Ok) {
        return closeLostLine(line);
    }
    line.port.close();
    return {};
}

}  // namespace vfd::testtool
