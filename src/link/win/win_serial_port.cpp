// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win/win_serial_port.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "link/transfer.h"

namespace vfd::link {

namespace {

constexpr DWORD kDriverQueueBytes = 4096;
// A write the driver does not take within this long is a stuck line.
constexpr DWORD kWriteLimitMs = 5000;

std::string systemWords(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string words;
    if (n > 0 && text != nullptr) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0,
                                             nullptr, nullptr);
        words.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), words.data(), size, nullptr,
                            nullptr);
        while (!words.empty() && (words.back() == '\n' || words.back() == '\r' ||
                                  words.back() == ' ' || words.back() == '.')) {
            words.pop_back();
        }
    }
    if (text != nullptr) {
        LocalFree(text);
    }
    return words.empty() ? "system error " + std::to_string(code) : words;
}

// What a failed call on an open port means: these are what Windows answers once a USB adapter
// has been pulled or its driver has gone.
PortError lineErrorOf(DWORD code) {
    switch (code) {
        case ERROR_ACCESS_DENIED:
        case ERROR_OPERATION_ABORTED:
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_REMOVED:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_DEV_NOT_EXIST:
            return PortError::HungUp;
        default:
            return PortError::Io;
    }
}

BYTE parityOf(Parity p) {
    switch (p) {
        case Parity::Even:
            return EVENPARITY;
        case Parity::Odd:
            return ODDPARITY;
        case Parity::Mark:
            return MARKPARITY;
        case Parity::Space:
            return SPACEPARITY;
        case Parity::None:
            break;
    }
    return NOPARITY;
}

BYTE stopBitsOf(StopBits s) {
    switch (s) {
        case StopBits::OneAndHalf:
            return ONE5STOPBITS;
        case StopBits::Two:
            return TWOSTOPBITS;
        case StopBits::One:
            break;
    }
    return ONESTOPBIT;
}

// CreateFile reaches COM1 to COM9 by their plain names, every port by \\.\COMn.
std::wstring devicePath(const std::string& name) {
    std::string path = name;
    if (!path.starts_with("\\\\.\\")) {
        path = "\\\\.\\" + path;
    }
    return {path.begin(), path.end()};
}

}  // namespace

struct WinSerialPort::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string name;
    LineSettings settings;
    std::vector<std::uint8_t> received;
    PortError lastError = PortError::None;
    std::string detail;
    DWORD readWaitMs = MAXDWORD;  // the read timeout now set; MAXDWORD: none set yet
    std::function<void(const char*)> closeTrace;

    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }

    void fail(PortError error, DWORD code) {
        if (lastError == PortError::None) {
            lastError = error;
            detail = systemWords(code);
        }
    }

    // ReadFile returns as soon as a byte is there, or after `ms` with nothing; 0 returns at
    // once with whatever the driver holds.
    bool setReadWait(DWORD ms) {
        if (readWaitMs == ms) {
            return true;
        }
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;
        t.ReadTotalTimeoutMultiplier = ms == 0 ? 0 : MAXDWORD;
        t.ReadTotalTimeoutConstant = ms;
        t.WriteTotalTimeoutConstant = kWriteLimitMs;
        if (!SetCommTimeouts(handle, &t)) {
            fail(lineErrorOf(GetLastError()), GetLastError());
            return false;
        }
        readWaitMs = ms;
        return true;
    }

    void readInto(DWORD waitMs) {
        if (!isOpen() || lastError != PortError::None || !setReadWait(waitMs)) {
            return;
        }
        std::array<std::uint8_t, kDriverQueueBytes> buffer{};
        DWORD got = 0;
        if (!ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            const DWORD code = GetLastError();
            fail(lineErrorOf(code), code);
            return;
        }
        received.insert(received.end(), buffer.begin(), buffer.begin() + got);
    }

    // The driver's queues; false when the port no longer answers.
    bool queues(COMSTAT& stat) {
        DWORD errors = 0;
        if (!ClearCommError(handle, &errors, &stat)) {
            const DWORD code = GetLastError();
            fail(lineErrorOf(code), code);
            return false;
        }
        return true;
    }

    void takeInput() {
        COMSTAT stat{};
        if (isOpen() && lastError == PortError::None && queues(stat) && stat.cbInQue > 0) {
            readInto(0);
        }
    }

    int outputQueue() {
        COMSTAT stat{};
        return isOpen() && queues(stat) ? static_cast<int>(stat.cbOutQue) : 0;
    }

    // True when every byte has left; false when the line was stuck and the rest was discarded.
    bool drainBeforeClose() {
        for (DrainWatch watch;;) {
            const DrainWatch::State state = watch.look(outputQueue(), millisecondTick());
            if (state == DrainWatch::State::Empty) {
                break;
            }
            if (state == DrainWatch::State::Stuck) {
                PurgeComm(handle, PURGE_TXCLEAR | PURGE_TXABORT);
                return false;
            }
            Sleep(1);
        }
        FlushFileBuffers(handle);
        return true;
    }
};

WinSerialPort::WinSerialPort() : d_(std::make_unique<Impl>()) {}

WinSerialPort::~WinSerialPort() {
    close();
}

void WinSerialPort::setPortName(const std::string& device) {
    d_->name = device;
}

std::string WinSerialPort::portName() const {
    return d_->name;
}

void WinSerialPort::setSettings(const LineSettings& settings) {
    d_->settings = settings;
}

PortError WinSerialPort::open() {
    if (d_->isOpen()) {
        return PortError::None;
    }
    d_->lastError = PortError::None;
    d_->detail.clear();
    d_->received.clear();
    d_->readWaitMs = MAXDWORD;
    HANDLE h = CreateFileW(devicePath(d_->name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        PortError why = PortError::Io;
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            why = PortError::NotFound;
        } else if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) {
            // Windows lets one program hold a port; a second open is refused this way.
            why = PortError::Busy;
        }
        d_->lastError = why;
        d_->detail = systemWords(code);
        return why;
    }
    d_->handle = h;
    SetupComm(h, kDriverQueueBytes, kDriverQueueBytes);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(h, &dcb);
    dcb.BaudRate = static_cast<DWORD>(d_->settings.baud);
    dcb.ByteSize = static_cast<BYTE>(d_->settings.dataBits);
    dcb.Parity = parityOf(d_->settings.parity);
    dcb.StopBits = stopBitsOf(d_->settings.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = d_->settings.parity == Parity::None ? FALSE : TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(h, &dcb)) {
        const DWORD code = GetLastError();
        CloseHandle(h);
        d_->handle = INVALID_HANDLE_VALUE;
        d_->lastError = PortError::BadSettings;
        d_->detail = systemWords(code);
        return PortError::BadSettings;
    }
    // Whatever the port held from before is not an answer to anything of ours.
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
    if (!d_->setReadWait(0)) {
        const PortError why = d_->lastError;
        CloseHandle(h);
        d_->handle = INVALID_HANDLE_VALUE;
        return why;
    }
    return PortError::None;
}

void WinSerialPort::setCloseTrace(std::function<void(const char*)> trace) {
    d_->closeTrace = std::move(trace);
}

void WinSerialPort::close() {
    if (d_->isOpen()) {
        const char* step = d_->drainBeforeClose() ? "drained" : "discarded";
        if (d_->closeTrace) {
            d_->closeTrace(step);
            d_->closeTrace("closing");
        }
        PurgeComm(d_->handle, PURGE_RXCLEAR);
        CloseHandle(d_->handle);
        d_->handle = INVALID_HANDLE_VALUE;
    }
    d_->received.clear();
}

bool WinSerialPort::isOpen() const {
    return d_->isOpen();
}

PortError WinSerialPort::write(std::span<const std::uint8_t> bytes) {
    if (!d_->isOpen()) {
        return PortError::NotOpen;
    }
    if (d_->lastError != PortError::None) {
        return d_->lastError;
    }
    DWORD written = 0;
    if (!WriteFile(d_->handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        const DWORD code = GetLastError();
        d_->fail(lineErrorOf(code), code);
        return d_->lastError;
    }
    if (written != bytes.size()) {
        // The write limit passed with the line not taking the bytes.
        d_->fail(PortError::Io, ERROR_TIMEOUT);
        return d_->lastError;
    }
    return PortError::None;
}

int WinSerialPort::bytesToWrite() {
    return d_->outputQueue();
}

int WinSerialPort::bytesAvailable() {
    d_->takeInput();
    return static_cast<int>(d_->received.size());
}

std::vector<std::uint8_t> WinSerialPort::readAll() {
    d_->takeInput();
    std::vector<std::uint8_t> out;
    out.swap(d_->received);
    return out;
}

void WinSerialPort::waitForInput(int ms) {
    if (!d_->isOpen() || ms <= 0 || !d_->received.empty()) {
        return;
    }
    d_->readInto(static_cast<DWORD>(ms));
}

void WinSerialPort::waitForOutput(int ms) {
    if (d_->isOpen() && ms > 0) {
        Sleep(1);
    }
}

PortError WinSerialPort::error() const {
    return d_->lastError;
}

std::string WinSerialPort::errorText() const {
    return d_->detail;
}

}  // namespace vfd::link
