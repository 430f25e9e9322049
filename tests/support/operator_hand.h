// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "testtool/message_window.h"

namespace vfd::testing {

// The operator on the line: presses OK on the test tool's message window as soon as it waits for
// it, and keeps what each message said (`shown`, or whatever `record` takes from the window).
class OperatorHand {
public:
    using Window = std::function<testtool::MessageWindow*()>;  // null while there is none
    using Record = std::function<void(const testtool::MessageWindow&)>;

    explicit OperatorHand(Window window, Record record = {})
        : window_(std::move(window)), record_(std::move(record)) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { look(); });
        timer_.start(20);
    }

    QStringList shown;
    // From now on `record` also sees each message as it is shown.
    void onShown(Record record) { record_ = std::move(record); }

private:
    void look() {
        testtool::MessageWindow* box = window_();
        if (box == nullptr || !box->isVisible() || box->waitValue() != 1) {
            return;
        }
        shown.push_back(box->message());
        if (record_) {
            record_(*box);
        }
        box->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    }

    Window window_;
    Record record_;
    QTimer timer_;
};

}  // namespace vfd::testing
