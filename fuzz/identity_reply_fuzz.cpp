// SPDX-License-Identifier: GPL-3.0-or-later
// The test tool's identity check ("PID") and serial-number read ("SN") against a display whose
// answers come from the fuzz input. Each query written takes the next answer from the input;
// an answer arrives in two parts at times the input chooses.
//
// Input: flags, hang-up count, then per answer a header (first delay, second delay, length,
// where to split) and the answer's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/settings_image.h"
#include "fuzz_check.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/recording_operator.h"
#include "testtool/identity.h"
#include "ui/operator_texts.h"

namespace {

using namespace vfd;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kStepsMask = 0x03;  // 0 identity, 1 serial number, 2 and 3 both
constexpr std::uint8_t kFlagHangUp = 0x04;
constexpr std::uint8_t kFlagStuck = 0x08;
constexpr std::uint8_t kFlagNoOpen = 0x10;  // the port cannot be opened
constexpr int kDelayUnitMs = 20;

struct Answer {
    int firstMs = 0;
    int secondMs = 0;  // after the first part
    Bytes first;
    Bytes second;
    Bytes whole() const {
        Bytes all = first;
        all.insert(all.end(), second.begin(), second.end());
        return all;
    }
};

std::vector<Answer> readAnswers(fuzz::InputReader& in) {
    std::vector<Answer> answers;
    while (in.remaining() > 0) {
        Answer a;
        a.firstMs = in.byte() * kDelayUnitMs;
        a.secondMs = in.byte() * kDelayUnitMs;
        const std::size_t length = in.byte();
        const std::size_t split = in.byte();
        const auto bytes = in.take(length);
        const std::size_t cut = std::min(split, bytes.size());
        a.first.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        a.second.assign(bytes.begin() + static_cast<std::ptrdiff_t>(cut), bytes.end());
        answers.push_back(std::move(a));
    }
    return answers;
}

bool endsWith(const Bytes& data, std::span<const std::uint8_t> tail) {
    return data.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(),
                      data.end() - static_cast<std::ptrdiff_t>(tail.size()));
}

Bytes bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

struct Rig {
    testing::FakeClock clock;
    testing::FakePort port{clock};
    testing::RecordingOperator op;
    testtool::SerialLine line{
        port, clock,   link::PortLookup{"/ports", [](const std::string&) { return false; }},
        1,    "com 1", "9600,n,8,1",
        {}};
};

// An answer that the display gives completely within `limitMs` of the query.
bool answeredWithin(const Answer& a, int limitMs) {
    return a.firstMs + (a.second.empty() ? 0 : a.secondMs) <= limitMs;
}

void identityStep(Rig& rig, bool lineCanFail, const std::vector<Answer>& answers,
                  std::size_t firstAnswer) {
    const std::size_t shownBefore = rig.op.shown.size();
    const std::size_t messagesBefore = rig.op.messages.size();
    const std::size_t writtenBefore = rig.port.writtenData().size();
    const auto result = testtool::checkIdentity(rig.line, rig.op);
    const bool passed = result.outcome == testtool::IdentityOutcome::Passed;
    // A step tells the operator nothing by message box itself; its outcome says whether the line
    // failed, which the window then tells.
    FUZZ_CHECK(rig.op.messages.size() == messagesBefore);
    FUZZ_CHECK(!rig.port.isOpen());
    const Bytes written(rig.port.writtenData().begin() + static_cast<std::ptrdiff_t>(writtenBefore),
                        rig.port.writtenData().end());
    const std::size_t shown = rig.op.shown.size() - shownBefore;
    const std::size_t messages = result.line.done() ? 0 : 1;
    if (passed) {
        FUZZ_CHECK(shown == 0 && messages == 0);
        Bytes expected;
        for (int i = 0; i < 2; ++i) {
            expected.insert(expected.end(), device::kIdentityQuery.begin(),
                            device::kIdentityQuery.end());
        }
        expected.insert(expected.end(), device::kInitialise.begin(), device::kInitialise.end());
        expected.insert(expected.end(), {device::kUs, device::kCursorCommand, 1, 2});
        const Bytes pass = bytesOf(testtool::kPidPassOnDisplay);
        expected.insert(expected.end(), pass.begin(), pass.end());
        expected.insert(expected.end(), device::kInitialise.begin(), device::kInitialise.end());
        FUZZ_CHECK(written == expected);
        return;
    }
    if (messages == 0) {
        // A plain failure: the display shows it and the operator is told once.
        FUZZ_CHECK(shown == 1 && rig.op.shown.back() == ui::kPidErrorText);
        FUZZ_CHECK(endsWith(written, bytesOf(testtool::kPidErrorOnDisplay)));
    } else {
        FUZZ_CHECK(messages == 1 && shown == 0 && lineCanFail);
    }
    // Two exact identities, each complete within the wait, on a sound line always pass.
    if (!lineCanFail && answers.size() >= firstAnswer + 2) {
        const Answer& a = answers[firstAnswer];
        const Answer& b = answers[firstAnswer + 1];
        const Bytes pid = bytesOf(device::kExpectedPid);
        const bool good = a.whole() == pid && b.whole() == pid &&
                          answeredWithin(a, device::kIdentityReplyWaitMs) &&
                          answeredWithin(b, device::kIdentityReplyWaitMs);
        FUZZ_CHECK(!good);
    }
}

// The port is opened afresh for the serial number (closing it dropped whatever was still on its
// way), so the number is always the first eight bytes of its own answer.
void serialStep(Rig& rig, bool lineCanFail, const std::vector<Answer>& answers,
                std::size_t answerIndex) {
    const std::size_t shownBefore = rig.op.shown.size();
    const std::size_t messagesBefore = rig.op.messages.size();
    const auto result = testtool::readSerialNumber(rig.line, rig.op);
    const bool read = result.outcome == testtool::SerialOutcome::Read;
    FUZZ_CHECK(!rig.port.isOpen());
    FUZZ_CHECK(rig.op.messages.size() == messagesBefore);
    const std::size_t shown = rig.op.shown.size() - shownBefore;
    const std::size_t messages = result.line.done() ? 0 : 1;
    if (read) {
        FUZZ_CHECK(shown == 1 && messages == 0);
        FUZZ_CHECK(result.number.size() == static_cast<std::size_t>(device::kSerialLength));
        FUZZ_CHECK(rig.op.shown.back() == "S/N:\r" + result.number);
        if (answerIndex < answers.size()) {
            const Bytes whole = answers[answerIndex].whole();
            FUZZ_CHECK(whole.size() >= static_cast<std::size_t>(device::kSerialLength));
            FUZZ_CHECK(std::equal(
                result.number.begin(), result.number.end(), whole.begin(),
                [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }));
        }
        return;
    }
    FUZZ_CHECK(result.number.empty());
    if (messages == 0) {
        FUZZ_CHECK(shown == 1 && rig.op.shown.back() == ui::kNoSerialText);
    } else {
        FUZZ_CHECK(messages == 1 && shown == 0 && lineCanFail);
    }
    // Eight bytes or more, all there within both waits, on a sound line are always a number.
    if (!lineCanFail && answerIndex < answers.size()) {
        const Answer& a = answers[answerIndex];
        const bool good = a.whole().size() >= static_cast<std::size_t>(device::kSerialLength) &&
                          a.firstMs <= device::kSerialFirstByteWaitMs && !a.first.empty() &&
                          (a.second.empty() || a.secondMs <= device::kSerialRestWaitMs);
        FUZZ_CHECK(!good);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader in(data, size);
    const std::uint8_t flags = in.byte();
    const std::size_t hangUpAfter = in.byte();
    const auto answers = readAnswers(in);

    Rig rig;
    const bool lineCanFail = (flags & (kFlagHangUp | kFlagStuck | kFlagNoOpen)) != 0;
    if ((flags & kFlagHangUp) != 0) {
        rig.port.hangUpAfterWritten(hangUpAfter);
    }
    rig.port.setOutputStuck((flags & kFlagStuck) != 0);
    if ((flags & kFlagNoOpen) != 0) {
        rig.port.setOpenResult(link::PortError::Busy);
    }
    // Every query the display hears takes the next answer.
    auto next = std::make_shared<std::size_t>(0);
    rig.port.setResponder([&answers, next](testing::FakePort& p, std::span<const std::uint8_t>) {
        const Bytes& written = p.writtenData();
        if (!endsWith(written, device::kIdentityQuery) &&
            !endsWith(written, device::kSerialQuery)) {
            return;
        }
        if (*next >= answers.size()) {
            return;
        }
        const Answer& a = answers[(*next)++];
        if (!a.first.empty()) {
            p.feedAfter(a.firstMs, a.first);
        }
        if (!a.second.empty()) {
            p.feedAfter(a.firstMs + a.secondMs, a.second);
        }
    });

    switch (flags & kStepsMask) {
        case 0:
            identityStep(rig, lineCanFail, answers, 0);
            break;
        case 1:
            serialStep(rig, lineCanFail, answers, 0);
            break;
        default:
            // As the screen test runs them: identity, then serial number on the same line.
            identityStep(rig, lineCanFail, answers, 0);
            serialStep(rig, lineCanFail, answers, *next);
            break;
    }
    return 0;
}
