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
             VFD_VERSION})) {
        return *done;
    }
    QApplication app(argc, argv);
    vfd::testtool::TymbrikWindow window;
    window.show();
    return app.exec();
}
