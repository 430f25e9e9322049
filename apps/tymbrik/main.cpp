#include <QApplication>

#include "testtool/test_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vfd::testtool::TestWindow window;
    window.show();
    return app.exec();
}
