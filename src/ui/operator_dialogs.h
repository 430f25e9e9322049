// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "ui/operator_texts.h"

class QWidget;

namespace vfd::ui {

// Everything a tool asks or tells the operator goes through here, so that tests can answer.
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;
    // A message with an OK button only.
    virtual void message(const QString& text) = 0;
    // The same with a line or two beneath the main text that say more about it.
    virtual void message(const QString& text, const QString& detail) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool confirm(const QString& text, const QString& title) = 0;
    // The chosen file's full path, or empty when the operator cancelled. Filters are written
    // "description | pattern".
    virtual QString chooseOpenFile(const QString& filter) = 0;
    virtual QString chooseSaveFile(const QString& filter) = 0;
};

// Shows the words of an outcome: the text, and beneath it the detail when there is one.
void tell(OperatorDialogs& dialogs, const Words& words);

// The real dialogs: message boxes without an icon, titled with the program's name.
class QtOperatorDialogs : public OperatorDialogs {
public:
    QtOperatorDialogs(QWidget* parent, QString programName);
    void message(const QString& text) override;
    void message(const QString& text, const QString& detail) override;
    bool confirm(const QString& text, const QString& title) override;
    QString chooseOpenFile(const QString& filter) override;
    QString chooseSaveFile(const QString& filter) override;

    // The filters are written "description | pattern"; the file dialog wants "description
    // (pattern)".
    static QString toDialogFilter(const QString& filter);
    // The extension a typed name without one gets: the filter's pattern "*.vfd" gives "vfd".
    static QString defaultSuffix(const QString& filter);

    // Both choosers open in the folder of this session's last chosen file; nothing is kept
    // between runs.
    QString lastFolder() const { return lastFolder_; }

private:
    QString choose(const QString& filter, bool save);

    QWidget* parent_;
    QString programName_;
    QString lastFolder_;
};

}  // namespace vfd::ui
