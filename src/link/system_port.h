// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The operating system's serial port, as both tools and the command line open it.
#ifdef _WIN32
#include "link/win/win_serial_port.h"
namespace vfd::link {
using SystemPort = WinSerialPort;
}
#else
#include "link/qt/qt_serial_port.h"
namespace vfd::link {
using SystemPort = QtSerialPort;
}
#endif
