// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

#include "link/port.h"

namespace vfd::link {

// A Linux serial port (a tty device, or a port-folder link to one) behind the Port operations,
// through QSerialPort. This is the only class that uses QSerialPort; Windows has WinSerialPort.
class QtSerialPort : public Port {
public:
    QtSerialPort();
    ~QtSerialPort() override;

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

    // The steps of a close, as they happen: "drained" once every written byte has left (or
    // "discarded" when the line was stuck), then "closing" just before Qt restores the port's
    // old settings and closes it. For the contract tests.
    void setCloseTrace(std::function<void(const char*)> trace);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace vfd::link
