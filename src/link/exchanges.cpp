// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/exchanges.h"

#include <algorithm>

#include "link/protocol.h"
#include "link/transfer.h"

namespace vfd::link {

DownloadResult downloadSettings(Port& port, Clock& clock, const DateStamp& stamp,
                                const BodyBytes& body) {
    using namespace protocol;
    DownloadResult result;
    result.expected = ircCheck(stamp);
    auto lost = [&] {
        result.lineError = port.errorText();
        port.close();
        result.outcome = DownloadOutcome::LineLost;
        return result;
    };

    // Anything left from before would otherwise be taken for the check byte.
    if (port.bytesAvailable() != 0) {
        port.readAll();
    }
    if (sendBytes(port, clock, {kEsc, kDownloadCommand}) != LineStatus::Ok ||
        sendBytes(port, clock, stamp) != LineStatus::Ok) {
        return lost();
    }
    const WaitResult wait = waitForBytes(port, clock, 1, kDownloadReplyWaitMs);
    if (wait.status != LineStatus::Ok) {
        return lost();
    }
    if (wait.available == 0) {
        port.close();
        result.outcome = DownloadOutcome::NoAnswer;
        return result;
    }
    // Only the first byte of the answer counts; the rest is ignored.
    const auto answer = port.readAll();
    result.answered = answer.empty() ? 0 : answer.front();
    if (answer.empty() || result.answered != result.expected) {
        if (sendByte(port, clock, kRefuseCheck) != LineStatus::Ok) {
            return lost();
        }
        port.close();
        result.outcome = DownloadOutcome::WrongCheck;
        return result;
    }
    if (sendByte(port, clock, kAcceptCheck) != LineStatus::Ok ||
        sendBytes(port, clock, body) != LineStatus::Ok) {
        return lost();
    }
    // Whatever the display says after the body is not judged.
    if (port.bytesAvailable() != 0) {
        port.readAll();
    }
    port.close();
    result.outcome = DownloadOutcome::Sent;
    return result;
}

UploadResult uploadSettings(Port& port, Clock& clock) {
    using namespace protocol;
    UploadResult result;
    auto lost = [&] {
        result.lineError = port.errorText();
        port.close();
        result.outcome = UploadOutcome::LineLost;
        return result;
    };

    if (sendBytes(port, clock, {kEsc, kUploadCommand}) != LineStatus::Ok) {
        return lost();
    }
    const WaitResult first = waitForBytes(port, clock, 1, kUploadFirstByteWaitMs);
    if (first.status != LineStatus::Ok) {
        return lost();
    }
    if (first.available == 0) {
        port.close();
        result.outcome = UploadOutcome::NoAnswer;
        return result;
    }
    const WaitResult rest = waitForBytes(port, clock, kUploadReplyLength, kUploadRestWaitMs);
    if (rest.status != LineStatus::Ok) {
        return lost();
    }
    const auto reply = port.readAll();
    port.close();
    // Bytes beyond the 127th are ignored; a short reply is kept only as far as it arrived.
    result.received = static_cast<int>(std::min<std::size_t>(reply.size(), kImageSize));
    std::copy_n(reply.begin(), result.received, result.reply.begin());
    if (result.received < kUploadReplyLength) {
        result.outcome = UploadOutcome::Short;
    } else if (result.reply[0] != kReplyMarker) {
        result.outcome = UploadOutcome::BadMarker;
    } else {
        result.outcome = UploadOutcome::Received;
    }
    return result;
}

}  // namespace vfd::link
