// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// What the build-time table generators (make_code_pages, make_character_tables) share.
namespace vfd::generated {

// "0x00E9": a number as C++ source, upper-case digits.
inline std::string hex(unsigned value, int digits) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%0*X", digits, value);
    return text.data();
}

// Writes a generated source whole or not at all, so that a failed run leaves no half table for
// the next build. Throws std::runtime_error when it cannot be written.
inline void writeWhole(const std::filesystem::path& output, const std::string& text) {
    const std::filesystem::path partial = output.string() + ".partial";
    {
        std::ofstream file(partial);
        file << text;
        if (!file.flush()) {
            throw std::runtime_error(partial.string() + ": cannot be written");
        }
    }
    std::filesystem::rename(partial, output);
}

}  // namespace vfd::generated
