// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QComboBox>

#include "config/config_window.h"
#include "ui/program_options.h"

int main(int argc, char** argv) {
    if (const auto done = vfd::ui::answerCommandLine(
            argc, argv,
            {"zoravel",
             "The configuration tool for two-line VFD customer displays: edits everything a "
             "display stores, downloads it into a display over a serial port, reads it back, and "
             "saves and loads it as a .vfd file.",
             VFD_VERSION,
             "  --port PORT    The port the window starts with, \"Com n\" or a device path\n"
             "                 (default: Com 1).\n"})) {
        return *done;
    }
    QApplication app(argc, argv);
    vfd::config::ConfigWindow window;
    // The virtual display, or an adapter on a bench, may have another number than Com 1.
    if (const auto port = vfd::ui::optionValue(argc, argv, "port")) {
        window.findChild<QComboBox*>(QStringLiteral("Comm"))
            ->setEditText(QString::fromLocal8Bit(port->c_str()));
    }
    window.show();
    return app.exec();
}
