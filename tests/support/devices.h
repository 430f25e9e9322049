// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "link/port_names.h"

namespace vfd::testing {

// The device "Com n" stands for on the system the tests run on: /dev/ttyS0 for Com 1 on Linux,
// COM1 on Windows. Empty where the number has no device of its own.
inline std::string deviceOf(int number) {
    return link::fixedDeviceName(number);
}

// A device path as a person types it into the port list.
inline std::string typedDevicePath() {
#ifdef _WIN32
    return "\\\\.\\COM7";
#else
    return "/dev/pts/7";
#endif
}

}  // namespace vfd::testing
