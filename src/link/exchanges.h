// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "config/settings_image.h"
#include "link/clock.h"
#include "link/date_stamp.h"
#include "link/port.h"

namespace vfd::link {

enum class DownloadOutcome {
    Sent,        // the body went out; whether the display stored it is not known
    NoAnswer,    // nothing within 2000 ms of the date stamp
    WrongCheck,  // the first byte of the answer was not the check byte; 0x55 was sent
    LineLost,    // the port failed or the other end hung up
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::NoAnswer;
    std::uint8_t expected = 0;  // the check byte the date asks for
    std::uint8_t answered = 0;  // what the display answered (WrongCheck, Sent)
    std::string lineError;      // the port's words when the line was lost
};

// The settings download on an open port: discard stale input, ESC 0xEF, the date stamp, wait for
// the check byte, then 0xAA and the body, or 0x55. The port is closed on every path.
DownloadResult downloadSettings(Port& port, Clock& clock, const DateStamp& stamp,
                                const BodyBytes& body);

enum class UploadOutcome {
    Received,   // 127 bytes with the marker 0xAA
    NoAnswer,   // nothing within 2000 ms of the request
    Short,      // fewer than 127 bytes when the 3000 ms wait ended
    BadMarker,  // 127 bytes, but byte 0 is not 0xAA
    LineLost,
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::NoAnswer;
    int received = 0;    // bytes that arrived (at most 127 are kept)
    ImageBytes reply{};  // the reply as far as it arrived; zero beyond `received`
    std::string lineError;
};

// The settings upload on an open port: ESC 0xEE and the 127-byte reply. Bytes that were waiting
// before the request count as part of the reply, as on the display's own tools. The port is
// closed on every path. Nothing outside the result is touched, so a failed upload cannot
// damage the caller's settings.
UploadResult uploadSettings(Port& port, Clock& clock);

}  // namespace vfd::link
