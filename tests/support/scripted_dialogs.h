// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "ui/operator_dialogs.h"

namespace vfd::testing {

// Operator dialogs answered from a script; every message and question is recorded.
class ScriptedDialogs : public ui::OperatorDialogs {
public:
    void message(const QString& text, const QString& detail) override {
        messages.push_back(text);
        details.push_back(detail);
        if (onMessage) {
            onMessage(text, detail);
        }
    }
    void message(const QString& text) override { message(text, {}); }
    bool confirm(const QString& text, const QString& title) override {
        questions.push_back(title + ": " + text);
        if (confirmAnswers.empty()) {
            return true;
        }
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    QString chooseOpenFile(const QString& filter) override {
        filters.push_back(filter);
        return next();
    }
    QString chooseSaveFile(const QString& filter) override {
        filters.push_back(filter);
        return next();
    }

    QStringList messages;
    QStringList details;  // beneath each message; empty where there is none
    QStringList questions;
    QStringList filters;
    std::deque<bool> confirmAnswers;
    std::deque<QString> files;  // chosen paths, "" for a cancelled dialog
    std::function<void(const QString& text, const QString& detail)> onMessage;

private:
    QString next() {
        if (files.empty()) {
            return {};
        }
        QString f = files.front();
        files.pop_front();
        return f;
    }
};

}  // namespace vfd::testing
