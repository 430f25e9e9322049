// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a settings body of 0x5A bytes to the named file and prints "saved" or the reason; used
// by the save test, which runs it as an unprivileged user.
#include <cstdio>

#include "file/settings_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: save_probe FILE\n");
        return 2;
    }
    vfd::device::BodyBytes body{};
    body.fill(0x5A);
    const std::string problem = vfd::file::writeSettingsFile(argv[1], body);
    std::printf("%s\n", problem.empty() ? "saved" : problem.c_str());
    return problem.empty() ? 0 : 1;
}
