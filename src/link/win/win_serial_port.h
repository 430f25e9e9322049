// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

#include "link/port.h"

namespace vfd::link {

// A Windows serial port (COMn) behind the Port operations, over the plain blocking Win32 calls:
// CreateFile without overlapped I/O, SetCommState, and ReadFile with timeouts that make it
// return as soon as a byte is there or when the wait is over. The exchanges block anyway and
// wait in short slices, so nothing is gained from overlapped I/O, and the blocking calls behave
// the same on every Windows serial driver and under Wine, whose completion-port handling of
// comm events does not carry an exchange.
class WinSerialPort : public Port {
public:
    WinSerialPort();
    ~WinSerialPort() override;

    void setPortName(const std::string& device) override;
    std::string portName() const override;
    void setSettings(const LineSettings& settings) override;
    PortError open() override;
    void close() override;
    bool isOpen() const override;
    PortError write(std::span<const std::uint8_t> bytes) override;
    int bytesToWrite() override;
    int bytesAvailable() override;
    std::vector<std::uint8_t> readAll() override;
    void waitForInput(int ms) override;
    void waitForOutput(int ms) override;
    PortError error() const override;
    std::string errorText() const override;

    // The steps of a close, as they happen: "drained" or "discarded", then "closing".
    void setCloseTrace(std::function<void(const char*)> trace);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace vfd::link
