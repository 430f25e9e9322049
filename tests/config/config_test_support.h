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

// Object names of control-array members, "L1H(3)".
inline QString cellName(const char* array, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

}  // namespace vfd::testing
