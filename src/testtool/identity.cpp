// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/identity.h"

#include <string>

#include "link/protocol.h"
#include "link/transfer.h"
#include "ui/operator_texts.h"

namespace vfd::testtool {

namespace {

using link::LineStatus;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// One identity query and its answer. A line that fails is reported through `lost`.
bool identityAttempt(DisplayLine& line, bool& lost) {
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

IdentityResult identityLost(DisplayLine& line) {
    return {IdentityOutcome::LineLost, closeLostLine(line)};
}

SerialResult serialLost(DisplayLine& line) {
    return {SerialOutcome::LineLost, closeLostLine(line), {}};
}

}  // namespace

IdentityResult checkIdentity(DisplayLine& line, Operator& op) {
    if (auto failure = openIfClosed(line)) {
        return {IdentityOutcome::PortFailed, portFailed(std::move(failure))};
    }
    bool lost = false;
    const bool first = identityAttempt(line, lost);
    if (!lost) {
        link::delayMs(line.clock, kIdentityPauseMs);
    }
    const bool second = !lost && identityAttempt(line, lost);
    if (lost || link::writeBlock(line.port, line.clock, protocol::kInitialise) != LineStatus::Ok) {
        return identityLost(line);
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
            return identityLost(line);
        }
        line.port.close();
        return {IdentityOutcome::Passed, {}};
    }
    if (link::writeBlock(line.port, line.clock, bytesOf(kPidFailText)) != LineStatus::Ok) {
        return identityLost(line);
    }
    op.showAndWait(std::string(ui::kPidFailText));
    line.port.close();
    return {IdentityOutcome::WrongIdentity, {}};
}

SerialResult readSerialNumber(DisplayLine& line, Operator& op, ImageBytes& scratch) {
    if (auto failure = openIfClosed(line)) {
        return {SerialOutcome::PortFailed, portFailed(std::move(failure)), {}};
    }
    if (link::sendBytes(line.port, line.clock, protocol::kSerialQuery) != LineStatus::Ok) {
        return serialLost(line);
    }
    const auto first = link::waitForBytes(line.port, line.clock, 1, kSerialFirstByteWaitMs);
    if (first.status != LineStatus::Ok) {
        return serialLost(line);
    }
    const auto noNumber = [&] {
        op.showAndWait(std::string(ui::kNoSerialText));
        line.port.close();
        return SerialResult{SerialOutcome::NoNumber, {}, {}};
    };
    if (first.available == 0) {
        return noNumber();
    }
    const auto rest =
        link::waitForBytes(line.port, line.clock, protocol::kSerialLength, kSerialRestWaitMs);
    if (rest.status != LineStatus::Ok) {
        return serialLost(line);
    }
    const auto reply = line.port.readAll();
    // A number needs all eight bytes; a shorter answer is no number, and nothing past what
    // arrived is read.
    if (reply.size() < static_cast<std::size_t>(protocol::kSerialLength)) {
        return noNumber();
    }
    SerialResult result{SerialOutcome::Read, {}, {}};
    for (int i = 0; i < protocol::kSerialLength; ++i) {
        scratch[static_cast<std::size_t>(i)] = reply[static_cast<std::size_t>(i)];
        result.number += static_cast<char>(reply[static_cast<std::size_t>(i)]);
    }
    op.showAndWait(std::string(ui::kSerialPrefix) + result.number);
    line.port.close();
    return result;
}

}  // namespace vfd::testtool
