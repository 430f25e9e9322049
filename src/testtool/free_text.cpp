// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/free_text.h"

#include "device/protocol.h"
#include "link/transfer.h"

namespace vfd::testtool {

LineResult displayText(SerialLine& line, bool& resetPending,
                       const std::vector<std::uint8_t>& text) {
    const bool wasOpen = line.port.isOpen();
    if (auto failure = openIfClosed(line)) {
        return portFailed(std::move(failure));
    }
    if (resetPending) {
        if (link::writeBlock(line.port, line.clock, device::kInitialise) != link::LineStatus::Ok) {
            return closeLostLine(line);
        }
        link::delayMs(line.clock, kResetSettleMs);
        resetPending = false;
    }
    if (!text.empty() && link::writeBlock(line.port, line.clock, text) != link::LineStatus::Ok) {
        return closeLostLine(line);
    }
    if (!wasOpen) {
        line.port.close();
    }
    return {};
}

}  // namespace vfd::testtool
