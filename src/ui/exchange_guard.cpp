// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/exchange_guard.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <cstdlib>

namespace vfd::ui {

namespace {

const char* const kDepthProperty = "vfdExchangeDepth";

int depthOf(const QWidget& window) {
    return window.property(kDepthProperty).toInt();
}

bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
    }
}

}  // namespace

class ExchangeGuard::InputFilter : public QObject {
public:
    InputFilter(QWidget& window, std::vector<QWidget*> allowed)
        : window_(&window), allowed_(allowed.begin(), allowed.end()) {}

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (!isInput(event->type()) || window_ == nullptr) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(target);
        // isAncestorOf stops at window borders, so the message window and message boxes are
        // not touched.
        if (widget == nullptr || (widget != window_ && !window_->isAncestorOf(widget))) {
            return false;
        }
        for (const auto& allowed : allowed_) {
            if (allowed != nullptr && (allowed == widget || allowed->isAncestorOf(widget))) {
                return false;
            }
        }
        return true;
    }

private:
    QPointer<QWidget> window_;
    std::vector<QPointer<QWidget>> allowed_;
};

ExchangeGuard::ExchangeGuard(QWidget& window, link::Clock& clock, QLabel* status,
                             const QString& port, std::vector<QWidget*> allowed,
                             const QString& doing)
    : window_(window), clock_(clock), status_(status) {
    const int depth = depthOf(window_);
    window_.setProperty(kDepthProperty, depth + 1);
    if (depth > 0) {
        return;
    }
    filter_ = std::make_unique<InputFilter>(window_, std::move(allowed));
    qApp->installEventFilter(filter_.get());
    if (status_ != nullptr) {
        status_->setText(doing.isEmpty() ? QStringLiteral("Talking to the display on %1").arg(port)
                                         : doing);
    }
    QPointer<QLabel> line = status_;
    link::Clock* ticks = &clock_;
    // The clock's own events first (a test's scripted clicks), then whatever the window has
    // pending: repaints, timers, the accessibility bridge.
    clock_.setWindowHooks(
        [ticks] {
            ticks->runEvents(0);
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        },
        [line, port](int limitMs) {
            // Busy and saying so only while the display is waited for: the message that tells
            // the outcome afterwards is not something to wait on.
            if (limitMs > 0) {
                QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
            } else {
                QApplication::restoreOverrideCursor();
            }
            if (line != nullptr) {
                line->setText(limitMs > 0 ? waitText(limitMs, port) : QString());
            }
        });
}

ExchangeGuard::~ExchangeGuard() {
    const int depth = depthOf(window_) - 1;
    window_.setProperty(kDepthProperty, depth);
    if (!filter_) {
        return;
    }
    clock_.setWindowHooks({}, {});
    qApp->removeEventFilter(filter_.get());
    if (status_ != nullptr) {
        status_->clear();
    }
}

bool ExchangeGuard::active(const QWidget& window) {
    return depthOf(window) > 0;
}

void ExchangeGuard::endProgramIfRunning(const QWidget& window,
                                        const std::function<void()>& endProgram) {
    if (!active(window)) {
        return;
    }
    if (endProgram) {
        endProgram();
    } else {
        std::_Exit(EXIT_SUCCESS);
    }
}

QString ExchangeGuard::waitText(int limitMs, const QString& port) {
    return QStringLiteral("Waiting up to %1 s for the display's answer on %2")
        .arg((limitMs + 999) / 1000)
        .arg(port);
}

}  // namespace vfd::ui
