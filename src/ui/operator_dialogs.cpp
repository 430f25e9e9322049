// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/operator_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vfd::ui {

QtOperatorDialogs::QtOperatorDialogs(QWidget* parent, QString programName)
    : parent_(parent), programName_(std::move(programName)) {}

void QtOperatorDialogs::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, programName_, text, QMessageBox::Ok, parent_);
    box.exec();
}

bool QtOperatorDialogs::confirm(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    return box.exec() == QMessageBox::Ok;
}

QString QtOperatorDialogs::toDialogFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        return filter;
    }
    // Keep the description exactly as written and show the real pattern after it.
    const QString description = filter.left(bar).trimmed();
    const QString pattern = filter.mid(bar + 1).trimmed();
    return description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

QString QtOperatorDialogs::chooseOpenFile(const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, programName_, QString(), toDialogFilter(filter));
}

QString QtOperatorDialogs::chooseSaveFile(const QString& filter) {
    // The program neither adds an extension nor asks before overwriting.
    return QFileDialog::getSaveFileName(parent_, programName_, QString(), toDialogFilter(filter),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

}  // namespace vfd::ui
