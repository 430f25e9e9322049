// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "records/test_record.h"

namespace vfd::records {

// A record as a row of texts, one a column, in one fixed order. The local database, the line
// database and a CSV file all use these names and this order, so a row means the same
// everywhere.
const QStringList& fieldNames();
QStringList toFields(const TestRecord& record);
// Nothing when the row has the wrong number of fields or a field cannot be read back (a time
// without its offset, an unknown outcome, a duration that is not a number).
std::optional<TestRecord> fromFields(const QStringList& fields);

}  // namespace vfd::records
