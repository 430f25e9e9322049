// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The station's records exported from the command line, without a window:
//   tymbrik --export-csv FILE [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--records PATH]
namespace vfd::testtool {

struct RecordExport {
    QString file;         // where the CSV goes
    QString from;         // the first local day, "YYYY-MM-DD"; empty: today
    QString to;           // the last local day; empty: the first
    QString recordsPath;  // the station's records file; empty: the user's data folder
};

// Writes the records of the days asked for, both included, as the Results window exports them,
// and says how many went where on `out`, or what went wrong on `err`. Gives the program's exit
// code: 0 done, 1 the records or the file could not be used, 2 a day that is not a date.
int exportRecords(const RecordExport& request, QString& out, QString& err);

}  // namespace vfd::testtool
