// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <cstdio>
#include <optional>
#include <string>

#include "testtool/record_export.h"
#include "testtool/tymbrik_window.h"
#include "ui/program_options.h"

namespace {

constexpr const char* kOptionsHelp =
    "  --station NAME           The station's name in its records (default: this\n"
    "                           computer's name).\n"
    "  --line-database CONNINFO Send the records on to the line's PostgreSQL database,\n"
    "                           e.g. \"host=db.line dbname=production user=station3\".\n"
    "                           The password comes from PGPASSWORD or a pgpass file.\n"
    "  --records PATH           The station's records file (default: the user's data\n"
    "                           folder).\n"
    "  --port \"Com n\"           The port to test on, when the port search found it\n"
    "                           (default: the first port found).\n"
    "  --export-csv FILE        Write the station's records as CSV and exit, for the\n"
    "  [--from DAY] [--to DAY]  days given (YYYY-MM-DD, both included; default today).\n";

QString text(const std::optional<std::string>& value) {
    return value ? QString::fromLocal8Bit(value->c_str()) : QString();
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto done = vfd::ui::answerCommandLine(
            argc, argv,
            {"tymbrik",
             "The production-line test tool for two-line VFD customer displays: finds serial "
             "ports, shows code-page ranges on a display and runs a scripted screen test.",
             VFD_VERSION, kOptionsHelp})) {
        return *done;
    }
    const auto option = [&](const char* name) {
        return text(vfd::ui::optionValue(argc, argv, name));
    };
    if (vfd::ui::optionValue(argc, argv, "export-csv")) {
        // No window: a script or a scheduled job exports the records.
        QCoreApplication app(argc, argv);
        const vfd::testtool::RecordExport request{option("export-csv"), option("from"),
                                                  option("to"), option("records")};
        QString out;
        QString err;
        const int code = vfd::testtool::exportRecords(request, out, err);
        std::fputs(((code == 0 ? out : err) + QLatin1Char('\n')).toLocal8Bit().constData(),
                   code == 0 ? stdout : stderr);
        return code;
    }
    vfd::testtool::TymbrikWindowServices services;
    services.station = option("station");
    services.lineDatabase = option("line-database");
    services.recordsPath = option("records");
    QApplication app(argc, argv);
    vfd::testtool::TymbrikWindow window(std::move(services));
    if (const QString port = option("port"); !port.isEmpty()) {
        // The port list holds "com 1" up to the highest port the search found.
        auto* comm = window.findChild<QComboBox*>(QStringLiteral("Comm"));
        const int at = comm->findText(port.trimmed(), Qt::MatchFixedString);
        if (at >= 0) {
            comm->setCurrentIndex(at);
        } else {
            std::fputs(("tymbrik: " + port + " was not found by the port search\n")
                           .toLocal8Bit()
                           .constData(),
                       stderr);
        }
    }
    window.show();
    return app.exec();
}
