// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/config_window.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/scripted_dialogs.h"
#include "support/widget_lookup.h"

#include <QObject>
#include <QString>
#include <stdexcept>

namespace vfd::testing {

// Object names of control-array members, "L1H(3)".
inline QString cellName(const char* array, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

// A configuration window's services for tests: the scripted dialogs, the fake port and clock, a
// fixed day, and a port folder that holds nothing.
inline config::ConfigWindowServices fakeWindowServices(ScriptedDialogs& dialogs, FakePort& port,
                                                       FakeClock& clock, device::Date today) {
    config::ConfigWindowServices services;
    services.dialogs = &dialogs;
    services.port = &port;
    services.clock = &clock;
    services.today = [today] { return today; };
    services.ports =
        link::PortLookup{"/nonexistent-port-folder", [](const std::string&) { return false; }};
    return services;
}

}  // namespace vfd::testing
