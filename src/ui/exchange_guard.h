// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "link/clock.h"

class QLabel;
class QWidget;

namespace vfd::ui {

// Held by a tool window for as long as it talks to a display. Meanwhile the window keeps
// repainting and answering the accessibility bridge (the waits run its events); while it waits
// for the display it shows a busy cursor and, in its status line, how long it waits (before the
// first wait, what it is doing); every click and key
// press on its controls is dropped, never applied afterwards, except on the controls let through
// (Exit). Other windows (the message window, message boxes) work as usual, and closing the
// window is always possible. Guards nest; the outermost one does the work.
class ExchangeGuard {
public:
    // `port` names the port in the status line ("Com 3"); `doing` replaces the first status
    // text, which is otherwise "Talking to the display on Com 3".
    ExchangeGuard(QWidget& window, link::Clock& clock, QLabel* status, const QString& port,
                  std::vector<QWidget*> allowed, const QString& doing = {});
    ~ExchangeGuard();
    ExchangeGuard(const ExchangeGuard&) = delete;
    ExchangeGuard& operator=(const ExchangeGuard&) = delete;

    // True while a guard is held for the window.
    static bool active(const QWidget& window);

    // For a window's close: when an exchange is still running below the close it would go on
    // talking to the display once the handler returns, so the program ends here, through
    // `endProgram` or, when that is empty, at once. The caller has released the port.
    static void endProgramIfRunning(const QWidget& window, const std::function<void()>& endProgram);

    // The status line while a reply wait runs, e.g.
    // "Waiting up to 2 s for the display's answer on Com 3".
    static QString waitText(int limitMs, const QString& port);

private:
    class InputFilter;
    QWidget& window_;
    link::Clock& clock_;
    QPointer<QLabel> status_;
    std::unique_ptr<InputFilter> filter_;  // only in the outermost guard
};

}  // namespace vfd::ui
