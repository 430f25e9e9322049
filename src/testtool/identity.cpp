#include "testtool/identity.h"

#include <string>

#include "link/exchanges.h"
#include "link/protocol.h"
#include "link/transfer.h"

namespace vfd::testtool {

namespace {

using link::LineStatus;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// One identity query and its answer. A line that fails is reported through `lost`.
bool identityAttempt(TestLine& line, bool& lost) {
    if (link::writeBlock(line.port, line.clock, protocol::kIdentityQuery) != LineStatus::Ok) {
        lost = true;
        return false;
    }
    const auto wait =
        link::waitForBytes(line.port, line.clock, static_cast<int>(protocol::kExpectedPid.size()),
                           kIdentityReplyWaitMs);
    if (wait.status != LineStatus::Ok) {
        lost = true;
        return false;
    }
    // Seven bytes or fewer are left where they are and count as no answer.
    if (wait.available < static_cast<int>(protocol::kExpectedPid.size())) {
        return false;
    }
    const auto reply = line.port.readAll();
    return std::string(reply.begin(), reply.end()) == protocol::kExpectedPid;
}

void tellLost(TestLine& line, Operator& op) {
    op.message(closeLostLine(line));
}

}  // namespace

bool checkIdentity(TestLine& line, Operator& op) {
    if (const auto problem = openIfClosed(line); !problem.empty()) {
        op.message(problem);
        return false;
    }
    bool lost = false;
    const bool first = identityAttempt(line, lost);
    if (!lost) {
        link::delayMs(line.clock, kIdentityPauseMs);
    }
    const bool second = !lost && identityAttempt(line, lost);
    if (lost || link::writeBlock(line.port, line.clock, protocol::kInitialise) != LineStatus::Ok) {
        tellLost(line, op);
        return false;
    }
    if (first && second) {
        bool ok =
            link::sendBytes(line.port, line.clock,
                            {protocol::kUs, protocol::kCursorCommand, 1, 2}) == LineStatus::Ok;
        ok = ok && link::writeBlock(line.port, line.clock, bytesOf(kPidPassText)) == LineStatus::Ok;
        if (ok) {
            link::delayMs(line.clock, kIdentityPauseMs);
        }
        ok = ok && link::writeBlock(line.port, line.clock, protocol::kInitialise) == LineStatus::Ok;
        if (!ok) {
            tellLost(line, op);
            return false;
        }
        line.port.close();
        return true;
    }
    if (link::writeBlock(line.port, line.clock, bytesOf(kPidFailText)) != LineStatus::Ok) {
        tellLost(line, op);
        return false;
    }
    op.showAndWait(std::string(kPidFailMessage));
    line.port.close();
    return false;
}

bool readSerialNumber(TestLine& line, Operator& op, ImageBytes& scratch) {
    if (const auto problem = openIfClosed(line); !problem.empty()) {
        op.message(problem);
        return false;
    }
    if (link::sendBytes(line.port, line.clock, protocol::kSerialQuery) != LineStatus::Ok) {
        tellLost(line, op);
        return false;
    }
    const auto first = link::waitForBytes(line.port, line.clock, 1, kSerialFirstByteWaitMs);
    if (first.status != LineStatus::Ok) {
        tellLost(line, op);
        return false;
    }
    if (first.available == 0) {
        op.showAndWait(std::string(kNoSerialMessage));
        line.port.close();
        return false;
    }
    const auto rest =
        link::waitForBytes(line.port, line.clock, protocol::kSerialLength, kSerialRestWaitMs);
    if (rest.status != LineStatus::Ok) {
        tellLost(line, op);
        return false;
    }
    const auto reply = line.port.readAll();
    // A number needs all eight bytes; a shorter answer is no number, and nothing past what
    // arrived is read.
    if (reply.size() < static_cast<std::size_t>(protocol::kSerialLength)) {
        op.showAndWait(std::string(kNoSerialMessage));
        line.port.close();
        return false;
    }
    std::string serial;
    for (int i = 0; i < protocol::kSerialLength; ++i) {
        scratch[static_cast<std::size_t>(i)] = reply[static_cast<std::size_t>(i)];
        serial += static_cast<char>(reply[static_cast<std::size_t>(i)]);
    }
    op.showAndWait("S/N:\r" + serial);
    line.port.close();
    return true;
}

}  // namespace vfd::testtool
