// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/operator_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace vfd::ui {

QtOperatorDialogs::QtOperatorDialogs(QWidget* parent, QString programName)
    : parent_(parent), programName_(std::move(programName)) {}

void QtOperatorDialogs::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, programName_, text, QMessageBox::Ok, parent_);
    box.exec();
}

void QtOperatorDialogs::message(const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::NoIcon, programName_, text, QMessageBox::Ok, parent_);
    box.setInformativeText(detail);
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

QString QtOperatorDialogs::defaultSuffix(const QString& filter) {
    const QString pattern = filter.mid(filter.indexOf(QLatin1Char('|')) + 1).trimmed();
    const qsizetype dot = pattern.lastIndexOf(QLatin1Char('.'));
    if (!pattern.startsWith(QLatin1Char('*')) || dot < 0) {
        return {};
    }
    const QString suffix = pattern.mid(dot + 1);
    return suffix.contains(QLatin1Char('*')) ? QString() : suffix;
}

QString QtOperatorDialogs::choose(const QString& filter, bool save) {
    QFileDialog dialog(parent_, programName_, lastFolder_, toDialogFilter(filter));
    dialog.setObjectName(save ? QStringLiteral("SaveChooser") : QStringLiteral("OpenChooser"));
    if (save) {
        // A name typed without an extension gets the filter's, so that the Load filter shows
        // the file afterwards; the dialog asks before it lets a file be overwritten.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix(filter));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    QString path = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

QString QtOperatorDialogs::chooseOpenFile(const QString& filter) {
    return choose(filter, false);
}

QString QtOperatorDialogs::chooseSaveFile(const QString& filter) {
    return choose(filter, true);
}

void tell(OperatorDialogs& dialogs, const Words& words) {
    const QString text = QString::fromStdString(words.text);
    if (words.detail.empty()) {
        dialogs.message(text);
    } else {
        dialogs.message(text, QString::fromStdString(words.detail));
    }
}

}  // namespace vfd::ui
