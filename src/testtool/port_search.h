// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "link/port.h"
#include "link/port_names.h"

namespace vfd::testtool {

// Port numbers 1 to 255 that can be opened now, in ascending order. Sends nothing and leaves the
// port closed; the port's line parameters are left as they were.
std::vector<int> searchPorts(link::Port& port, const link::PortLookup& lookup);

}  // namespace vfd::testtool
