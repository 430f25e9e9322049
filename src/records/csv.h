// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "records/test_record.h"

namespace vfd::records {

// CSV as RFC 4180 has it: UTF-8, CRLF after every row, a field in double quotes when it holds
// a comma, a double quote, CR or LF, and a double quote inside one doubled.
QByteArray csvRow(const QStringList& fields);
// A header row of the field names, then one row a record.
QByteArray recordsCsv(const std::vector<TestRecord>& records);

// The rows of a CSV text, the header included. A last row without its CRLF is accepted, and so
// is a UTF-8 byte order mark at the start (a spreadsheet may add one when it saves). Nothing when
// the text is not CSV: a quote left open, or text straight after a closing quote.
std::optional<std::vector<QStringList>> parseCsv(const QByteArray& bytes);
// The records of a file written by recordsCsv; nothing when its header or a row does not fit.
std::optional<std::vector<TestRecord>> recordsFromCsv(const QByteArray& bytes);

}  // namespace vfd::records
