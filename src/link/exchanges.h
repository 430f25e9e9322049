// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/date_stamp.h"
#include "device/settings_image.h"
#include "link/clock.h"
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
DownloadResult downloadSettings(Port& port, Clock& clock, const device::DateStamp& stamp,
                                const device::BodyBytes& body);

enum class UploadOutcome {
    Received,   // 127 bytes with the marker 0xAA
    NoAnswer,   // nothing within 2000 ms of the request
    Short,      // fewer than 127 bytes when the 3000 ms wait ended
    BadMarker,  // 127 bytes, but byte 0 is not 0xAA
    LineLost,
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::NoAnswer;
    int received = 0;            // bytes that arrived (at most 127 are kept)
    device::ImageBytes reply{};  // the reply as far as it arrived; zero beyond `received`
    std::string lineError;
};

// The settings upload on an open port: ESC 0xEE and the 127-byte reply. Bytes that were waiting
// before the request count as part of the reply, as on the display's own tools. The port is
// closed on every path. Nothing outside the result is touched, so a failed upload cannot
// damage the caller's settings.
UploadResult uploadSettings(Port& port, Clock& clock);

enum class QueryOutcome {
    Answered,  // the whole answer arrived; `reply` holds it
    NoAnswer,  // nothing within the wait
    Short,     // some bytes, fewer than the answer has, when the wait ended
    LineLost,
};

// What a query to the display saw: the bytes, how many were waiting when the wait ended, and
// how long the wait could last.
struct QueryResult {
    QueryOutcome outcome = QueryOutcome::NoAnswer;
    std::vector<std::uint8_t> reply;  // Answered: what was read
    int received = 0;                 // bytes waiting when the last wait ended
    int due = 0;                      // bytes the answer has
    int waitedMs = 0;                 // the limit of the last wait
    std::string lineError;
};

// The identity query GS I 2 on an open port, sent as one block; the answer is eight bytes within
// 3000 ms. Fewer are left unread. The port stays open: the test tool goes on to tell the
// display what it found.
QueryResult queryIdentity(Port& port, Clock& clock);
// True when the answer is exactly the identity the tools expect, and nothing more.
bool identityMatches(const QueryResult& result);

// The serial-number query GS I 6 1 on an open port, sent byte by byte: the first byte within
// 2000 ms, then all eight within 3000 ms more. Only the first eight bytes are the number. The port
// stays open.
QueryResult querySerialNumber(Port& port, Clock& clock);

}  // namespace vfd::link
