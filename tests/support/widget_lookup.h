// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <stdexcept>

namespace vfd::testing {

// The control with this object name; a missing one fails the test instead of crashing it.
template <class T>
T* named(const QObject& root, const QString& name) {
    T* found = root.findChild<T*>(name);
    if (found == nullptr) {
        throw std::runtime_error("no control named " + name.toStdString());
    }
    return found;
}

}  // namespace vfd::testing
