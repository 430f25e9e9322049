// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/line_settings.h"

namespace vfd::link {

enum class PortError {
    None,
    NotFound,      // no such device
    Busy,          // another program holds it
    NoPermission,  // the user may not open it
    BadSettings,   // the line parameters were refused
    NotOpen,       // an operation on a closed port
    HungUp,        // the other end went away (adapter pulled, display switched off)
    Io,            // any other failure of the operating system
};

// The operations the tools use on a serial port, and nothing more. One implementation drives
// the operating system's port; tests use a scripted one.
class Port {
public:
    virtual ~Port() = default;

    // Selects the device the next open() uses.
    virtual void setPortName(const std::string& device) = 0;
    virtual std::string portName() const = 0;
    virtual void setSettings(const LineSettings& settings) = 0;

    virtual PortError open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Queues a block for sending, bytes in order and unchanged.
    virtual PortError write(std::span<const std::uint8_t> bytes) = 0;
    // Bytes written but not yet gone out on the line: the program's own buffer and the
    // operating system's output queue together.
    virtual int bytesToWrite() = 0;
    virtual int bytesAvailable() = 0;
    // Every waiting byte in arrival order; empties the receive buffer.
    virtual std::vector<std::uint8_t> readAll() = 0;
    // Blocks until input arrives or `ms` milliseconds pass. The reply waits call it in short
    // slices and let the window's events run between them (Clock::keepAlive).
    virtual void waitForInput(int ms) = 0;
    // Sleeps briefly while output drains; the drain, too, keeps the window alive between calls.
    virtual void waitForOutput(int ms) = 0;

    // The last failure since open(), PortError::None while the line is sound.
    virtual PortError error() const = 0;
    // The operating system's words for it, for the operator's message.
    virtual std::string errorText() const = 0;
};

}  // namespace vfd::link
