// SPDX-License-Identifier: GPL-3.0-or-later
// Opens a port and prints what the operator would be told; used by the permission test, which
// runs it as an unprivileged user.
#include <cstdio>

#include "link/port_choice.h"
#include "link/qt/qt_serial_port.h"
#include "link/transfer.h"
#include "ui/operator_texts.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: port_probe DEVICE\n");
        return 2;
    }
    vfd::link::QtSerialPort port;
    const auto error =
        vfd::link::openPort(port, argv[1], *vfd::link::parseLineSettings("9600,n,8,1"));
    if (error == vfd::link::PortError::None) {
        std::printf("opened\n");
        return 0;
    }
    const vfd::link::PortFailure failure{
        vfd::link::PortProblem::OpenFailed, "Com 1", argv[1], {}, error, port.errorText(), {}};
    std::printf("%s\n", vfd::ui::textFor(failure, vfd::ui::Tool::Zoravel).c_str());
    return 1;
}
