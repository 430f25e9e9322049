// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/exchanges.h"

#include <algorithm>

#include "device/protocol.h"
#include "link/transfer.h"

namespace vfd::link {

using namespace device;

DownloadResult downloadSettings(Port& port, Clock& clock, const device::DateStamp& stamp,
                                const device::BodyBytes& body) {
    DownloadResult result;
    result.expected = device::downloadCheckByte(stamp);
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
    result.received = static_cast<int>(std::min<std::size_t>(reply.size(), device::kImageSize));
    std::copy_n(reply.begin(), result.received, result.reply.begin());
    if (result.received < kUploadReplyLength) {
        result.outcome = UploadOutcome::Short;
    } else if (result.reply[0] != device::kReplyMarker) {
        result.outcome = UploadOutcome::BadMarker;
    } else {
        result.outcome = UploadOutcome::Received;
    }
    return result;
}

namespace {

QueryResult queryLost(QueryResult result, const Port& port) {
    result.outcome = QueryOutcome::LineLost;
    result.lineError = port.errorText();
    return result;
}

}  // namespace

QueryResult queryIdentity(Port& port, Clock& clock) {
    QueryResult result;
    result.due = kIdentityLength;
    result.waitedMs = kIdentityReplyWaitMs;
    if (writeBlock(port, clock, kIdentityQuery) != LineStatus::Ok) {
        return queryLost(std::move(result), port);
    }
    const WaitResult wait = waitForBytes(port, clock, kIdentityLength, kIdentityReplyWaitMs);
    result.received = wait.available;
    if (wait.status != LineStatus::Ok) {
        return queryLost(std::move(result), port);
    }
    // Seven bytes or fewer are left where they are and count as no answer.
    if (wait.available < kIdentityLength) {
        result.outcome = wait.available == 0 ? QueryOutcome::NoAnswer : QueryOutcome::Short;
        return result;
    }
    result.reply = port.readAll();
    result.outcome = QueryOutcome::Answered;
    return result;
}

bool identityMatches(const QueryResult& result) {
    return result.outcome == QueryOutcome::Answered &&
           std::string(result.reply.begin(), result.reply.end()) == kExpectedPid;
}

QueryResult querySerialNumber(Port& port, Clock& clock) {
    QueryResult result;
    result.due = kSerialLength;
    result.waitedMs = kSerialFirstByteWaitMs;
    if (sendBytes(port, clock, kSerialQuery) != LineStatus::Ok) {
        return queryLost(std::move(result), port);
    }
    const WaitResult first = waitForBytes(port, clock, 1, kSerialFirstByteWaitMs);
    result.received = first.available;
    if (first.status != LineStatus::Ok) {
        return queryLost(std::move(result), port);
    }
    if (first.available == 0) {
        result.outcome = QueryOutcome::NoAnswer;
        return result;
    }
    result.waitedMs = kSerialRestWaitMs;
    const WaitResult rest = waitForBytes(port, clock, kSerialLength, kSerialRestWaitMs);
    if (rest.status != LineStatus::Ok) {
        result.received = rest.available;
        return queryLost(std::move(result), port);
    }
    auto reply = port.readAll();
    result.received = static_cast<int>(reply.size());
    // A number needs all eight bytes; a shorter answer is no number.
    if (reply.size() < static_cast<std::size_t>(kSerialLength)) {
        result.outcome = QueryOutcome::Short;
        return result;
    }
    reply.resize(kSerialLength);
    result.reply = std::move(reply);
    result.outcome = QueryOutcome::Answered;
    return result;
}

}  // namespace vfd::link
