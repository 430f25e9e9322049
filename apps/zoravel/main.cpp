// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "config/config_window.h"
#include "ui/program_options.h"

int main(int argc, char** argv) {
    if (const auto done = vfd::ui::answerCommandLine(
            argc, argv,
            {"zoravel",
             "The configuration tool for two-line VFD customer displays: edits everything a "
             "display stores, downloads it into a display over a serial port, reads it back, and "
             "saves and loads it as a .vfd file.",
             VFD_VERSION})) {
        return *done;
    }
    QApplication app(argc, argv);
    vfd::config::ConfigWindow window;
    window.show();
    return app.exec();
}
