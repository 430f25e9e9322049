// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "testtool/tymbrik_window.h"
#include "ui/program_options.h"

int main(int argc, char** argv) {
    if (const auto done = vfd::ui::answerCommandLine(
            argc, argv,
            {"tymbrik",
             "The production-line test tool for two-line VFD customer displays: finds serial "
             "ports, shows code-page ranges on a display and runs a scripted screen test.",
             VFD_VERSION,
             "  --station NAME           The station's name in its records (default: this\n"
             "                           computer's name).\n"
             "  --line-database CONNINFO Send the records on to the line's PostgreSQL database,\n"
             "                           e.g. \"host=db.line dbname=production user=station3\".\n"
             "                           The password comes from PGPASSWORD or a pgpass "
             "file.\n"})) {
        return *done;
    }
    vfd::testtool::TymbrikWindowServices services;
    const auto text = [](const std::optional<std::string>& value) {
        return value ? QString::fromLocal8Bit(value->c_str()) : QString();
    };
    services.station = text(vfd::ui::optionValue(argc, argv, "station"));
    services.lineDatabase = text(vfd::ui::optionValue(argc, argv, "line-database"));
    QApplication app(argc, argv);
    vfd::testtool::TymbrikWindow window(std::move(services));
    window.show();
    return app.exec();
}
