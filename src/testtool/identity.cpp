// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/identity.h"

#include <string>

#include "device/protocol.h"
#include "link/exchanges.h"
#include "link/transfer.h"
#include "ui/operator_texts.h"

namespace vfd::testtool {

namespace {

using link::LineStatus;
using link::QueryOutcome;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool lost(const link::QueryResult& result) {
    return result.outcome == QueryOutcome::LineLost;
}

// Tells the display what the identity check found: the identity at the right end of the lower
// line for a moment, or "PID error!".
bool showVerdict(SerialLine& line, bool passed) {
    auto block = [&](std::span<const std::uint8_t> bytes) {
        return link::writeBlock(line.port, line.clock, bytes) == LineStatus::Ok;
    };
    if (!block(device::kInitialise)) {
        return false;
    }
    if (!passed) {
        return block(bytesOf(kPidErrorOnDisplay));
    }
    if (link::sendBytes(line.port, line.clock, {device::kUs, device::kCursorCommand, 1, 2}) !=
            LineStatus::Ok ||
        !block(bytesOf(kPidPassOnDisplay))) {
        return false;
    }
    link::delayMs(line.clock, device::kIdentityPauseMs);
    return block(device::kInitialise);
}

}  // namespace

IdentityResult checkIdentity(SerialLine& line, Operator& op) {
    if (auto failure = openIfClosed(line)) {
        return {IdentityOutcome::PortFailed, portFailed(std::move(failure))};
    }
    const link::QueryResult first = link::queryIdentity(line.port, line.clock);
    link::QueryResult second;
    if (!lost(first)) {
        link::delayMs(line.clock, device::kIdentityPauseMs);
        second = link::queryIdentity(line.port, line.clock);
    }
    const bool passed = link::identityMatches(first) && link::identityMatches(second);
    if (lost(first) || lost(second) || !showVerdict(line, passed)) {
        return {IdentityOutcome::LineLost, closeLostLine(line)};
    }
    if (passed) {
        line.port.close();
        return {IdentityOutcome::Passed, {}};
    }
    // The operator hears about the first answer that was wrong.
    const ui::Words words =
        ui::identityWords(link::identityMatches(first) ? second : first, namesOf(line));
    op.showAndWait(words.text, words.detail);
    line.port.close();
    return {IdentityOutcome::WrongIdentity, {}};
}

SerialResult readSerialNumber(SerialLine& line, Operator& op) {
    if (auto failure = openIfClosed(line)) {
        return {SerialOutcome::PortFailed, portFailed(std::move(failure)), {}};
    }
    const link::QueryResult serial = link::querySerialNumber(line.port, line.clock);
    if (lost(serial)) {
        return {SerialOutcome::LineLost, closeLostLine(line), {}};
    }
    const ui::Words words = ui::serialWords(serial, namesOf(line));
    op.showAndWait(words.text, words.detail);
    line.port.close();
    if (serial.outcome != QueryOutcome::Answered) {
        return {SerialOutcome::NoNumber, {}, {}};
    }
    return {SerialOutcome::Read, {}, std::string(serial.reply.begin(), serial.reply.end())};
}

}  // namespace vfd::testtool
