// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tool_services.h"

#include <QDate>

#include "link/qt/qt_clock.h"
#include "link/system_port.h"

namespace vfd::ui {

namespace {
template <class Interface, class Real, class... Args>
Interface* given(Interface* supplied, std::unique_ptr<Interface>& owned, Args&&... args) {
    if (supplied != nullptr) {
        return supplied;
    }
    owned = std::make_unique<Real>(std::forward<Args>(args)...);
    return owned.get();
}
}  // namespace

ResolvedServices::ResolvedServices(ToolServices services, QWidget* dialogParent,
                                   const QString& programName)
    : dialogs_(given<OperatorDialogs, QtOperatorDialogs>(services.dialogs, ownDialogs_,
                                                         dialogParent, programName)),
      port_(given<link::Port, link::SystemPort>(services.port, ownPort_)),
      clock_(given<link::Clock, link::QtClock>(services.clock, ownClock_)),
      today_(std::move(services.today)),
      ports_(services.ports.folder.empty() && !services.ports.exists ? link::systemPortLookup()
                                                                     : std::move(services.ports)) {}

ResolvedServices::~ResolvedServices() {
    closePort();
}

device::Date ResolvedServices::today() const {
    if (today_) {
        return today_();
    }
    const QDate date = QDate::currentDate();
    return device::Date{date.year(), date.month(), date.day()};
}

void ResolvedServices::closePort() const {
    if (port_->isOpen()) {
        port_->close();
    }
}

}  // namespace vfd::ui
