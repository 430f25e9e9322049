// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/qt/qt_serial_port.h"

#include <QSerialPort>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <thread>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "link/line_settings.h"
#include "link/transfer.h"

namespace vfd::link {

namespace {

QSerialPort::Parity toQt(Parity p) {
    switch (p) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Mark:
            return QSerialPort::MarkParity;
        case Parity::Space:
            return QSerialPort::SpaceParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(StopBits s) {
    switch (s) {
        case StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case StopBits::Two:
            return QSerialPort::TwoStop;
        case StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::DataBits toQtDataBits(int bits) {
    switch (bits) {
        case 5:
            return QSerialPort::Data5;
        case 6:
            return QSerialPort::Data6;
        case 7:
            return QSerialPort::Data7;
        default:
            return QSerialPort::Data8;
    }
}

}  // namespace

struct QtSerialPort::Impl {
    QSerialPort serial;
    LineSettings settings;
    std::string requested;  // the name as given, a port-folder link or a device
    PortError openError = PortError::None;
    std::string detail;

    // Bytes the operating system has received but Qt has not yet taken into its buffer. Qt only
    // reads the device inside its event loop or a wait, and the reply waits run no events.
    int osInputQueue() const {
        int n = 0;
        if (serial.isOpen() && ::ioctl(static_cast<int>(serial.handle()), FIONREAD, &n) == 0) {
            return n;
        }
        return 0;
    }

    // Bytes the driver still holds for sending. Qt's own count ends when the kernel has taken a
    // byte, which is long before it has left the wire.
    int osOutputQueue() const {
        int n = 0;
        if (serial.isOpen() && ::ioctl(static_cast<int>(serial.handle()), TIOCOUTQ, &n) == 0) {
            return n;
        }
        return 0;
    }

    std::function<void(const char*)> closeTrace;

    // When the last byte written would have left a real wire, at the port's own settings.
    std::chrono::steady_clock::time_point lineBusyUntil{};

    void noteWritten(std::size_t bytes) {
        using namespace std::chrono;
        const auto wire = microseconds(static_cast<std::int64_t>(characterTimeUs(settings)) *
                                       static_cast<std::int64_t>(bytes));
        lineBusyUntil = std::max(steady_clock::now(), lineBusyUntil) + wire;
    }

    // True when every byte has left the computer; false when the line was stuck and the unsent
    // output was thrown away.
    bool drainBeforeClose() {
        for (DrainWatch watch;;) {
            const int left = osOutputQueue() + static_cast<int>(serial.bytesToWrite());
            const DrainWatch::State state = watch.look(left, millisecondTick());
            if (state == DrainWatch::State::Empty) {
                break;
            }
            if (state == DrainWatch::State::Stuck) {
                ::tcflush(static_cast<int>(serial.handle()), TCOFLUSH);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            serial.waitForBytesWritten(0);
        }
        // The queue is empty; the UART's own buffer may still hold the last bytes.
        ::tcdrain(static_cast<int>(serial.handle()));
        return true;
    }

    // True when the other end of the line has gone: the adapter was pulled, or the far side of a
    // pseudo-terminal closed.
    bool hungUp() const {
        if (!serial.isOpen()) {
            return false;
        }
        pollfd p{static_cast<int>(serial.handle()), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR)) != 0;
    }

    void takeInput() {
        while (serial.isOpen() && osInputQueue() > 0) {
            if (!serial.waitForReadyRead(0)) {
                break;
            }
        }
    }
};

QtSerialPort::QtSerialPort() : d_(std::make_unique<Impl>()) {}

QtSerialPort::~QtSerialPort() {
    close();
}

void QtSerialPort::setPortName(const std::string& device) {
    d_->requested = device;
    d_->serial.setPortName(QString::fromStdString(device));
}

std::string QtSerialPort::portName() const {
    return d_->requested;
}

void QtSerialPort::setSettings(const LineSettings& settings) {
    d_->settings = settings;
}

PortError QtSerialPort::open() {
    auto& s = d_->serial;
    if (s.isOpen()) {
        return PortError::None;
    }
    d_->openError = PortError::None;
    d_->detail.clear();
    s.clearError();
    const std::string device = d_->requested;
    // Qt reports a missing device, a held lock and a refused open alike as a permission error on
    // some systems; ask the file system first so the operator hears the real reason.
    const std::string path = device.starts_with('/') ? device : "/dev/" + device;
    if (::access(path.c_str(), F_OK) != 0) {
        d_->openError = PortError::NotFound;
        d_->detail = "no such device " + path;
        return d_->openError;
    }
    if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        d_->openError = PortError::NoPermission;
        d_->detail = "no permission to use " + path;
        return d_->openError;
    }
    // Open the device itself, not a port-folder link to it: the lock that keeps a second
    // program off a port is named after the path that was opened, so two names for one device
    // would both get in.
    std::error_code ec;
    const auto real = std::filesystem::canonical(path, ec);
    s.setPortName(QString::fromStdString(ec ? device : real.string()));
    // The termios interface has no 1.5 stop bits (Qt would quietly open the port with 1).
    if (d_->settings.stopBits == StopBits::OneAndHalf) {
        d_->openError = PortError::BadSettings;
        d_->detail = "1.5 stop bits are not supported here";
        return d_->openError;
    }
    s.setBaudRate(d_->settings.baud);
    s.setParity(toQt(d_->settings.parity));
    s.setDataBits(toQtDataBits(d_->settings.dataBits));
    s.setStopBits(toQt(d_->settings.stopBits));
    s.setFlowControl(QSerialPort::NoFlowControl);
    if (!s.open(QIODevice::ReadWrite)) {
        switch (s.error()) {
            case QSerialPort::DeviceNotFoundError:
                d_->openError = PortError::NotFound;
                break;
            case QSerialPort::PermissionError:
                d_->openError = PortError::Busy;
                break;
            case QSerialPort::UnsupportedOperationError:
                d_->openError = PortError::BadSettings;
                break;
            default:
                d_->openError = PortError::Io;
                break;
        }
        d_->detail = s.errorString().toStdString();
        s.close();
        return d_->openError;
    }
    // Some drivers (and pseudo-terminals) refuse modem-line or settings calls that a real UART
    // takes; the port is usable all the same, so those errors are not a failed open.
    s.clearError();
    return PortError::None;
}

void QtSerialPort::setCloseTrace(std::function<void(const char*)> trace) {
    d_->closeTrace = std::move(trace);
}

void QtSerialPort::close() {
    if (d_->serial.isOpen()) {
        // Qt's close first puts back the settings the port had before it was opened. Bytes still
        // in the driver or the UART would then go out at that speed, garbled, so they are sent
        // first: the queue is watched while it moves, and a line that has not taken a byte for
        // the drain limit is stuck, its output discarded so that closing cannot hang on it.
        d_->serial.waitForBytesWritten(0);
        const bool drained = d_->drainBeforeClose();
        // A UART's drain ends when the last byte has left the wire; a pseudo-terminal's, and some
        // USB adapters', as soon as the driver has passed the bytes on. The far end may then still
        // be reading them, at this end's settings, which the close is about to put back, so the
        // close waits out the time the bytes take on a real line.
        if (drained) {
            std::this_thread::sleep_until(d_->lineBusyUntil);
        }
        const char* step = drained ? "drained" : "discarded";
        if (d_->closeTrace) {
            d_->closeTrace(step);
            d_->closeTrace("closing");
        }
        d_->serial.close();
    }
    d_->serial.clearError();
}

bool QtSerialPort::isOpen() const {
    return d_->serial.isOpen();
}

PortError QtSerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!d_->serial.isOpen()) {
        return PortError::NotOpen;
    }
    const auto n = d_->serial.write(reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<qint64>(bytes.size()));
    if (n != static_cast<qint64>(bytes.size())) {
        return error() == PortError::None ? PortError::Io : error();
    }
    d_->noteWritten(bytes.size());
    // Hand the block to the driver now; Qt would otherwise wait for its event loop.
    d_->serial.waitForBytesWritten(0);
    return error();
}

int QtSerialPort::bytesToWrite() {
    if (!d_->serial.isOpen()) {
        return 0;
    }
    return static_cast<int>(d_->serial.bytesToWrite()) + d_->osOutputQueue();
}

int QtSerialPort::bytesAvailable() {
    if (!d_->serial.isOpen()) {
        return 0;
    }
    d_->takeInput();
    return static_cast<int>(d_->serial.bytesAvailable());
}

std::vector<std::uint8_t> QtSerialPort::readAll() {
    if (!d_->serial.isOpen()) {
        return {};
    }
    d_->takeInput();
    const QByteArray data = d_->serial.readAll();
    return {data.begin(), data.end()};
}

void QtSerialPort::waitForInput(int ms) {
    if (d_->serial.isOpen() && ms > 0) {
        d_->serial.waitForReadyRead(ms);
    }
}

void QtSerialPort::waitForOutput(int ms) {
    if (!d_->serial.isOpen()) {
        return;
    }
    if (d_->serial.bytesToWrite() > 0) {
        d_->serial.waitForBytesWritten(ms);
        return;
    }
    // The driver is sending; a byte takes about a millisecond at 9600 baud.
    std::this_thread::sleep_for(std::chrono::microseconds(std::min(ms * 1000, 200)));
}

PortError QtSerialPort::error() const {
    if (!d_->serial.isOpen()) {
        return d_->openError;
    }
    switch (d_->serial.error()) {
        case QSerialPort::NoError:
        case QSerialPort::TimeoutError:
            return PortError::None;
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
            return PortError::HungUp;
        case QSerialPort::WriteError:
            return PortError::Io;
        case QSerialPort::NotOpenError:
            return PortError::NotOpen;
        default:
            return PortError::Io;
    }
}

std::string QtSerialPort::errorText() const {
    if (!d_->serial.isOpen()) {
        return d_->detail;
    }
    // Qt words a hang-up with whatever errno its last call left behind ("Inappropriate ioctl for
    // device" after a modem-line query that a pseudo-terminal refused), so one hang-up read
    // differently in each tool. The system's own answer to a read from a terminal whose other
    // end has gone is EIO, and that is what the operator reads.
    if (error() == PortError::HungUp && d_->hungUp()) {
        return std::strerror(EIO);
    }
    return d_->serial.errorString().toStdString();
}

}  // namespace vfd::link
