// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/port_search.h"

#include "link/port_names.h"

namespace vfd::testtool {

std::vector<int> searchPorts(link::Port& port, const link::PortLookup& lookup) {
    using link::distrustOf;
    std::vector<int> found;
    for (int n = 1; n <= link::kHighestPortNumber; ++n) {
        const auto device = link::resolvePortNumber(n, lookup);
        // Asking the file system first keeps the search short: most numbers have no device.
        if (!device || (lookup.exists && !lookup.exists(*device))) {
            continue;
        }
        // A link in a port folder that is not this user's own alone is never opened.
        if (!distrustOf(*device, lookup).empty()) {
            continue;
        }
        port.setPortName(*device);
        if (port.open() == link::PortError::None && port.isOpen()) {
            found.push_back(n);
        }
        port.close();
    }
    return found;
}

}  // namespace vfd::testtool
