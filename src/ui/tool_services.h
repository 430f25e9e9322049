// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "device/date_stamp.h"
#include "link/clock.h"
#include "link/port.h"
#include "link/port_names.h"
#include "ui/operator_dialogs.h"

class QWidget;

namespace vfd::ui {

// What a tool window uses from outside. Tests pass fakes; whatever is left empty is the real
// thing: message boxes and file dialogs, the operating system's serial port, the real clock, the
// system's date, and this user's port folder.
struct ToolServices {
    OperatorDialogs* dialogs = nullptr;
    link::Port* port = nullptr;
    link::Clock* clock = nullptr;
    std::function<device::Date()> today;
    link::PortLookup ports;  // an empty folder without exists(): the system's lookup
    // Called when the window is closed while an exchange is still running below the close.
    // Null: the process ends at once.
    std::function<void()> endProgram;
};

// The services a window works with, owning the real ones it had to make.
class ResolvedServices {
public:
    ResolvedServices(ToolServices services, QWidget* dialogParent, const QString& programName);
    ~ResolvedServices();  // the port is closed if it is open
    ResolvedServices(const ResolvedServices&) = delete;
    ResolvedServices& operator=(const ResolvedServices&) = delete;

    OperatorDialogs& dialogs() const { return *dialogs_; }
    link::Port& port() const { return *port_; }
    link::Clock& clock() const { return *clock_; }
    device::Date today() const;
    const link::PortLookup& ports() const { return ports_; }

    void closePort() const;

private:
    std::unique_ptr<OperatorDialogs> ownDialogs_;
    std::unique_ptr<link::Port> ownPort_;
    std::unique_ptr<link::Clock> ownClock_;
    OperatorDialogs* dialogs_;
    link::Port* port_;
    link::Clock* clock_;
    std::function<device::Date()> today_;
    link::PortLookup ports_;
};

}  // namespace vfd::ui
