// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <string>

namespace vfd::testing {

// A pseudo-terminal kept open for the test's life, its far end raw so that nothing echoes: it
// stands in for an adapter, or for the virtual display's end of the line.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master_);
        unlockpt(master_);
        device_ = ptsname(master_);
        holder_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(holder_, &t);
        cfmakeraw(&t);
        tcsetattr(holder_, TCSANOW, &t);
    }
    ~PseudoTerminal() {
        ::close(holder_);
        hangUp();
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& device() const { return device_; }
    // The far end, as the virtual display holds it; -1 once it has hung up.
    int master() const { return master_; }
    void hangUp() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }
    // Whether anything was written to the port.
    bool heardAnything() const {
        pollfd p{master_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

private:
    int master_ = -1;
    int holder_ = -1;
    std::string device_;
};

}  // namespace vfd::testing
