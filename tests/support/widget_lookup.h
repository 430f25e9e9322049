// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QObject>
#include <QString>
#include <QWidget>
#include <algorithm>
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

// A left click near the left end of the widget (where a check box has its box), delivered as
// mouse input the way the window system's events reach a control: through the application's
// event filters.
inline void clickWithMouse(QWidget* widget) {
    const QPoint point(std::min(8, widget->width() / 2), widget->height() / 2);
    const QPointF at = QPointF(point);
    const QPointF global = QPointF(widget->mapToGlobal(point));
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

}  // namespace vfd::testing
