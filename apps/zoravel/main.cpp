// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "config/config_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vfd::config::ConfigWindow window;
    window.show();
    return app.exec();
}
