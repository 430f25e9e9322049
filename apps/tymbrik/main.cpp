// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "testtool/tymbrik_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vfd::testtool::TymbrikWindow window;
    window.show();
    return app.exec();
}
