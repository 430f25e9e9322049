// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/record_words.h"

#include <cmath>

namespace vfd::testtool {

using records::StoreStatus;

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace

ui::Words wordsFor(const records::StoreOutcome& o) {
    QString text;
    switch (o.status) {
        case StoreStatus::Ok:
            return {};
        case StoreStatus::FolderNotWritable:
            text = QStringLiteral("Results cannot be recorded: %1 is not writable.").arg(o.path);
            break;
        case StoreStatus::DiskFull:
            text =
                QStringLiteral("Results cannot be recorded: the disk of %1 is full.").arg(o.path);
            break;
        case StoreStatus::Damaged:
            text = QStringLiteral("Results cannot be recorded: the records file %1 is damaged.")
                       .arg(o.path);
            break;
        case StoreStatus::Other:
            text = QStringLiteral("Results cannot be recorded in %1.").arg(o.path);
            break;
    }
    // A line that must trace its units does not test what it cannot record.
    text += QStringLiteral(" Start stays unavailable until results can be recorded.");
    return {utf8(text), utf8(o.systemWords)};
}

ui::Words wordsFor(const records::SetAside& s) {
    return {utf8(QStringLiteral("The records file %1 was damaged and has been set aside as %2. "
                                "A new records file was started.")
                     .arg(s.damagedFile, s.movedTo)),
            utf8(s.reason)};
}

QString waitingLine(int waiting) {
    if (waiting <= 0) {
        return {};
    }
    return QStringLiteral("Results: %1 waiting for the line database").arg(waiting);
}

QString syncLine(const records::SyncOutcome& o, const QString& target) {
    if (o.ok()) {
        return {};
    }
    return QStringLiteral("Line database %1: %2").arg(target, o.words);
}

QString countsLine(const records::Counts& c) {
    QString line = QStringLiteral("Tested %1, passed %2, failed %3, ended early %4")
                       .arg(c.tested)
                       .arg(c.passed)
                       .arg(c.failed)
                       .arg(c.endedEarly);
    if (const auto yield = c.yield()) {
        line += QStringLiteral(", yield %1%").arg(std::lround(*yield * 100));
    }
    return line;
}

QString passedBeforeLine(const records::TestRecord& before, const QDateTime& now) {
    // The time the station that tested it showed, which is what its operator would say.
    const QDateTime when = before.ended;
    const QString at = when.date() == now.date()
                           ? when.toString(QStringLiteral("HH:mm"))
                           : when.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return QStringLiteral("%1 passed before, %2 on %3")
        .arg(before.serialNumber, at, before.station);
}

QString verdictWord(records::Verdict verdict) {
    const std::string_view text = records::verdictText(verdict);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vfd::testtool
