// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/firmware.h"
#include "sim/uart.h"

class QSocketNotifier;

namespace vfd::sim {

enum class HostError {
    None,
    NoPseudoTerminal,  // the system would not hand out a pseudo-terminal
    FolderUnusable,    // the port folder could not be created or is not a folder
    BadPortNumber,     // not 1 to 255
    PortTaken,         // another virtual display holds the asked-for COMn, or it names a device
    NoFreePort,        // COM1 to COM255 are all taken
    LinkFailed,        // the link could not be made
};

struct HostStart {
    HostError error = HostError::None;
    std::string message;  // for a person: which port or path, and the system's reason
    bool ok() const { return error == HostError::None; }
};

// Whether a serial device of the computer is there, by its path.
using DeviceLookup = std::function<bool(const std::string& path)>;

// A device node with a serial port behind it. The kernel makes /dev/ttyS0 to ttyS3 (or more)
// whether or not the machine has the UARTs; a node whose port has no UART type is no port.
bool serialDeviceExists(const std::string& path);

struct HostOptions {
    // The first number that is free and whose ordinary device is missing when not given.
    std::optional<int> portNumber;
    std::string folder;  // the port folder; empty for this user's usual one
    DeviceLookup deviceExists = serialDeviceExists;
};

// Puts the firmware on a pseudo-terminal and names the terminal's device "COMn" in the port
// folder, so the tools find it by number like any serial adapter. The host holds the device end
// open itself: a tool that closes the port would otherwise hang up the line, and the next tool
// to open it would find it dead.
class PtyHost : public QObject {
    Q_OBJECT

public:
    explicit PtyHost(FirmwareOptions options, QObject* parent = nullptr);
    // Closes the line and removes the link, if it still points at this host's device, and the
    // number's lock file.
    ~PtyHost() override;

    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    HostStart start(const HostOptions& options = {});
    // Power off and on: the display starts again with what it has stored.
    void restart();

    // The line parameters the tool has set on its end of the line, and the display's own.
    LineParameters toolLine() const;
    LineParameters displayLine() const;

    int portNumber() const { return portNumber_; }
    // The numbers passed over because their ordinary devices are there, lowest first.
    const std::vector<int>& numbersLeftToDevices() const { return numbersLeftToDevices_; }
    const std::string& linkPath() const { return linkPath_; }
    const std::string& devicePath() const { return devicePath_; }
    const Firmware& firmware() const { return firmware_; }
    bool isHungUp() const { return hungUp_; }

signals:
    void screenChanged();
    void settingsStored(vfd::sim::StoreOutcome outcome);
    void hungUp();
    // The display has started again; its new screen follows as screenChanged.
    void restarted();

private:
    HostStart openTerminal();
    HostStart makeLink(const HostOptions& options);
    void readLine();
    void deliverDue();
    void writeOut();
    void hangUp();
    void closeLine();
    void removeLink();
    void noteScreen();
    void setLineToDisplay();
    std::int64_t now() const { return clock_.elapsed(); }

    Firmware firmware_;
    QElapsedTimer clock_;
    QTimer tickTimer_;
    QTimer replyTimer_;

    int master_ = -1;
    int device_ = -1;  // the host's own hold on the device end
    int lock_ = -1;    // held for as long as this host owns its port number
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;

    // Replies by the time they are due; equal times keep the order they were made in.
    std::multimap<std::int64_t, std::vector<std::uint8_t>> pending_;
    std::vector<std::uint8_t> outgoing_;

    int portNumber_ = 0;
    std::string linkPath_;
    std::string lockPath_;
    std::string devicePath_;
    std::vector<int> numbersLeftToDevices_;
    bool hungUp_ = false;
    std::uint64_t shownRevision_ = 0;
};

}  // namespace vfd::sim
