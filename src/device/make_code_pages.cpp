// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the C++ source of the code pages of device/code_pages.h from glibc's charmaps, so that
// no code page is typed in by hand:
//
//   make_code_pages OUTPUT.cpp NAME=CHARMAP.gz ...
//
// NAME is the variable that gets the upper half of the page in CHARMAP (gzip-compressed, as the
// locales package installs them).
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "device/generated_source.h"

namespace {

using vfd::generated::hex;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

// One byte, one Unicode character: the CHARMAP section of a glibc charmap, as "<U0410> /x80 ...".
std::array<char32_t, 256> readCharmap(const std::filesystem::path& path) {
    const std::unique_ptr<gzFile_s, int (*)(gzFile)> file(gzopen(path.c_str(), "rb"), gzclose);
    if (!file) {
        fail(path.string() + ": cannot be read");
    }
    std::array<char32_t, 256> page{};
    std::array<bool, 256> seen{};
    bool inMap = false;
    std::array<char, 512> buffer{};
    int number = 0;
    while (gzgets(file.get(), buffer.data(), static_cast<int>(buffer.size())) != nullptr) {
        ++number;
        const std::string line(buffer.data());
        if (line.starts_with("CHARMAP")) {
            inMap = true;
            continue;
        }
        if (line.starts_with("END CHARMAP")) {
            break;
        }
        unsigned int character = 0;
        unsigned int code = 0;
        char after = 0;
        // Only single-byte entries: one /xNN and then blank space.
        if (!inMap || std::sscanf(line.c_str(), "<U%x> /x%2x%c", &character, &code, &after) != 3 ||
            (after != ' ' && after != '\t' && after != '\n')) {
            continue;
        }
        if (seen[code]) {
            fail(path.string() + ":" + std::to_string(number) + ": a second entry for one byte");
        }
        seen[code] = true;
        page[code] = static_cast<char32_t>(character);
    }
    for (char32_t code = 0x20; code < 0x7F; ++code) {
        if (page[code] != code) {
            fail(path.string() + ": its lower half is not ASCII");
        }
    }
    return page;
}

void writePages(const std::filesystem::path& output,
                const std::vector<std::pair<std::string, std::filesystem::path>>& pages) {
    std::ostringstream out;
    out << "// Written by make_code_pages from glibc's charmaps; made afresh by every build.\n"
        << "#include \"device/code_pages.h\"\n\nnamespace vfd::device::code_pages {\n";
    for (const auto& [name, path] : pages) {
        const std::array<char32_t, 256> page = readCharmap(path);
        out << "\n// " << path.filename().string() << "\nconst UpperHalf " << name << " = {";
        for (int code = 0x80; code < 0x100; ++code) {
            out << ((code % 8 == 0) ? "\n    " : " ") << hex(page[code], 4) << ",";
        }
        out << "\n};\n";
    }
    out << "\n}  // namespace vfd::device::code_pages\n";
    vfd::generated::writeWhole(output, out.str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: make_code_pages OUTPUT.cpp NAME=CHARMAP.gz ...\n";
        return 2;
    }
    try {
        std::vector<std::pair<std::string, std::filesystem::path>> pages;
        for (int i = 2; i < argc; ++i) {
            const std::string argument = argv[i];
            const std::size_t equals = argument.find('=');
            if (equals == std::string::npos || equals == 0) {
                fail("\"" + argument + "\" is not NAME=CHARMAP.gz");
            }
            pages.emplace_back(argument.substr(0, equals), argument.substr(equals + 1));
        }
        writePages(argv[1], pages);
    } catch (const std::exception& e) {
        std::cerr << "make_code_pages: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
