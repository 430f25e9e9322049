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

constexpr int kPidLength = static_cast<int>(protocol::kExpectedPid.size());

// What one identity query got: the display's words for the operator when it was not the
// identity, and whether the line failed.
struct IdentityAnswer {
    bool passed = false;
    bool lost = false;
    std::string detail;
};

// One identity query and its answer.
IdentityAnswer identityAttempt(DisplayLine& line) {
    IdentityAnswer answer;
    if (link::writeBlock(line.port, line.clock, protocol::kIdentityQuery) != LineStatus::Ok) {
        answer.lost = true;
        return answer;
    }
    const auto wait = link::waitForBytes(line.port, line.clock, kPidLength, kIdentityReplyWaitMs);
    if (wait.status != LineStatus::Ok) {
        answer.lost = true;
        return answer;
    }
    // Seven bytes or fewer are left where they are and count as no answer.
    if (wait.available < kPidLength) {
        answer.detail = wait.available == 0
                            ? ui::noAnswerDetail(namesOf(line), kIdentityReplyWaitMs)
                            : ui::shortAnswerDetail(namesOf(line), wait.available, kPidLength,
                                                    kIdentityReplyWaitMs);
        return answer;
    }
    const auto reply = line.port.readAll();
    const std::string text(reply.begin(), reply.end());
    answer.passed = text == protocol::kExpectedPid;
    if (!answer.passed) {
        answer.detail = ui::wrongAnswerDetail(namesOf(line), text, protocol::kExpectedPid);
    }
    return answer;
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
    const IdentityAnswer first = identityAttempt(line);
    IdentityAnswer second;
    if (!first.lost) {
        link::delayMs(line.clock, kIdentityPauseMs);
        second = identityAttempt(line);
    }
    if (first.lost || second.lost ||
        link::writeBlock(line.port, line.clock, protocol::kInitialise) != LineStatus::Ok) {
        return identityLost(line);
    }
    if (first.passed && second.passed) {
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
    op.showAndWait(std::string(ui::kPidFailText), first.passed ? second.detail : first.detail);
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
    const auto noNumber = [&](const std::string& detail) {
        op.showAndWait(std::string(ui::kNoSerialText), detail);
        line.port.close();
        return SerialResult{SerialOutcome::NoNumber, {}, {}};
    };
    if (first.available == 0) {
        return noNumber(ui::noAnswerDetail(namesOf(line), kSerialFirstByteWaitMs));
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
        return noNumber(ui::shortAnswerDetail(namesOf(line), static_cast<int>(reply.size()),
                                              protocol::kSerialLength, kSerialRestWaitMs));
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
