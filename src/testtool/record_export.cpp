// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/record_export.h"

#include <QDate>
#include <QDir>

#include "records/record_store.h"
#include "testtool/record_words.h"

namespace vfd::testtool {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

QString failure(const records::StoreOutcome& outcome) {
    const ui::Words words = wordsFor(outcome);
    return QString::fromStdString(words.text) +
           (words.detail.empty() ? QString()
                                 : QLatin1Char(' ') + QString::fromStdString(words.detail));
}

}  // namespace

int exportRecords(const RecordExport& request, QString& out, QString& err) {
    const QDate first = request.from.isEmpty() ? QDate::currentDate()
                                               : QDate::fromString(request.from, Qt::ISODate);
    const QDate last = request.to.isEmpty() ? first : QDate::fromString(request.to, Qt::ISODate);
    if (!first.isValid() || !last.isValid()) {
        err = QStringLiteral("A day is written YYYY-MM-DD, for example 2026-12-11.");
        return kUsage;
    }
    if (last < first) {
        err = QStringLiteral("The last day (%1) comes before the first (%2).")
                  .arg(last.toString(Qt::ISODate), first.toString(Qt::ISODate));
        return kUsage;
    }
    if (request.file.isEmpty()) {
        err = QStringLiteral("Name the file to write: --export-csv FILE.");
        return kUsage;
    }
    records::RecordStore store(request.recordsPath.isEmpty() ? records::RecordStore::defaultPath()
                                                             : request.recordsPath);
    const records::OpenResult opened = store.open();
    if (!opened.outcome.ok()) {
        err = failure(opened.outcome);
        return kFailed;
    }
    const records::StoreOutcome written = store.exportCsv(first, last, request.file);
    if (!written.ok()) {
        err = failure(written);
        return kFailed;
    }
    const auto count = store.between(first, last).size();
    out = QStringLiteral("%1 records of %2 to %3 written to %4")
              .arg(count)
              .arg(first.toString(Qt::ISODate), last.toString(Qt::ISODate),
                   QDir::toNativeSeparators(request.file));
    return kDone;
}

}  // namespace vfd::testtool
