// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include "records/line_sync.h"
#include "records/record_store.h"
#include "records/test_record.h"
#include "ui/operator_texts.h"

// What the operator reads about the production records, made from the store's typed outcomes.
namespace vfd::testtool {

// Why no record can be kept, and that Start waits for a place that can: for a message box
// before Start, or after a record could not be written.
ui::Words wordsFor(const records::StoreOutcome& outcome);
// A damaged records file that was set aside at start.
ui::Words wordsFor(const records::SetAside& setAside);
// "Results: 3 waiting for the line database"; empty when nothing waits.
QString waitingLine(int waiting);
// Why the line database was not reached, for the status line: "Line database
// station3@db.line/production: connection refused". Empty when all went.
QString syncLine(const records::SyncOutcome& outcome, const QString& target);
// "Tested 12, passed 10, failed 1, ended early 1, yield 83%".
QString countsLine(const records::Counts& counts);
// "VD000001 passed before, 09:14 on Station 3", with the date when it was not today (`now`).
QString passedBeforeLine(const records::TestRecord& before,
                         const QDateTime& now = QDateTime::currentDateTime());
// "passed", "failed", "ended early" as the Results window shows them.
QString verdictWord(records::Verdict verdict);

}  // namespace vfd::testtool
