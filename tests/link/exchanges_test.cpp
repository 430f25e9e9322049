// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <numeric>

#include "device/protocol.h"
#include "link/exchanges.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"

namespace vfd::link {
namespace {

using testing::FakeClock;
using testing::FakePort;

constexpr device::Date kDay{2026, 12, 6};  // the display must answer 0x8A
constexpr std::uint8_t kCheck = 0x8A;

device::BodyBytes countingBody() {
    device::BodyBytes body{};
    std::iota(body.begin(), body.end(), std::uint8_t{1});  // image byte i holds i
    return body;
}

// Answers the date stamp (the tenth byte written) with `reply` after `delayMs`.
void answerDateStamp(FakePort& port, int delayMs, std::vector<std::uint8_t> reply) {
    port.setResponder([delayMs, reply](FakePort& p, std::span<const std::uint8_t>) {
        if (p.writtenData().size() == 10) {
            p.feedAfter(delayMs, reply);
        }
    });
}

struct DownloadFixture : ::testing::Test {
    FakeClock clock;
    FakePort port{clock};
    void SetUp() override { ASSERT_EQ(port.open(), PortError::None); }
    DownloadResult run() {
        return downloadSettings(port, clock, device::dateStamp(kDay), countingBody());
    }
};

TEST_F(DownloadFixture, RightAnswerSendsMarkerAndExactly126BodyBytes) {
    answerDateStamp(port, 5, {kCheck, 0x99, 0x98});  // extra bytes after the check byte
    const auto r = run();
    EXPECT_EQ(r.outcome, DownloadOutcome::Sent);

    const auto& w = port.writtenData();
    const std::vector<std::uint8_t> head = {0x1B, 0xEF, 2, 0, 2, 6, 1, 2, 0, 6, 0xAA};
    ASSERT_EQ(w.size(), head.size() + 126);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), w.begin()));
    for (std::size_t i = 0; i < 126; ++i) {
        EXPECT_EQ(w[head.size() + i], i + 1) << "body byte " << i;  // image byte 0 never sent
    }
    EXPECT_EQ(w.back(), 126);                          // image byte 126 is the last on the line
    EXPECT_EQ(port.writtenBlocks().size(), w.size());  // every byte in its own write
    EXPECT_FALSE(port.isOpen());
}

TEST_F(DownloadFixture, AnswerTimingAroundTheTwoSecondLimit) {
    struct Case {
        int delayMs;
        DownloadOutcome outcome;
    };
    for (const Case c :
         {Case{1900, DownloadOutcome::Sent}, Case{2100, DownloadOutcome::NoAnswer}}) {
        FakeClock localClock;
        FakePort p(localClock);
        p.open();
        answerDateStamp(p, c.delayMs, {kCheck});
        const auto r = downloadSettings(p, localClock, device::dateStamp(kDay), countingBody());
        EXPECT_EQ(r.outcome, c.outcome) << c.delayMs;
        EXPECT_FALSE(p.isOpen());
        if (c.outcome == DownloadOutcome::NoAnswer) {
            EXPECT_EQ(p.writtenData().size(), 10u) << "nothing after the date stamp";
            EXPECT_LE(localClock.elapsed(), 2010);
        }
    }
}

TEST_F(DownloadFixture, StaleInputIsDiscardedBeforeTheCommand) {
    port.feedReceived({kCheck});  // left over from before: must not count as the answer
    const auto r = run();
    EXPECT_EQ(r.outcome, DownloadOutcome::NoAnswer);
}

TEST_F(DownloadFixture, WrongCheckByteGets55AndNoBody) {
    answerDateStamp(port, 10, {kCheck + 1});
    const auto r = run();
    EXPECT_EQ(r.outcome, DownloadOutcome::WrongCheck);
    EXPECT_EQ(r.expected, kCheck);
    EXPECT_EQ(r.answered, kCheck + 1);
    ASSERT_EQ(port.writtenData().size(), 11u);
    EXPECT_EQ(port.writtenData().back(), 0x55);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(DownloadFixture, TensDigitsZeroInJanuaryToSeptemberAndDaysOneToNine) {
    answerDateStamp(port, 1, {device::downloadCheckByte(device::dateStamp({2030, 7, 4}))});
    const auto r = downloadSettings(port, clock, device::dateStamp({2030, 7, 4}), countingBody());
    EXPECT_EQ(r.outcome, DownloadOutcome::Sent);
    const std::vector<std::uint8_t> stamp(port.writtenData().begin() + 2,
                                          port.writtenData().begin() + 10);
    EXPECT_EQ(stamp, (std::vector<std::uint8_t>{2, 0, 3, 0, 0, 7, 0, 4}));
}

TEST_F(DownloadFixture, HangUpDuringTheBodyEndsWithTheLineLost) {
    answerDateStamp(port, 1, {kCheck});
    port.hangUpAfterWritten(40);
    const auto r = run();
    EXPECT_EQ(r.outcome, DownloadOutcome::LineLost);
    EXPECT_EQ(port.writtenData().size(), 40u);
    EXPECT_FALSE(port.isOpen());
}

std::vector<std::uint8_t> fullReply(std::uint8_t marker = 0xAA) {
    std::vector<std::uint8_t> reply(127);
    std::iota(reply.begin(), reply.end(), std::uint8_t{0});
    reply[0] = marker;
    return reply;
}

struct UploadFixture : ::testing::Test {
    FakeClock clock;
    FakePort port{clock};
    void SetUp() override { ASSERT_EQ(port.open(), PortError::None); }
    void answerRequest(int delayMs, std::vector<std::uint8_t> reply, int restAfterMs = 0,
                       std::vector<std::uint8_t> rest = {}) {
        port.setResponder([=](FakePort& p, std::span<const std::uint8_t>) {
            if (p.writtenData().size() == 2) {
                p.feedAfter(delayMs, reply);
                if (!rest.empty()) {
                    p.feedAfter(delayMs + restAfterMs, rest);
                }
            }
        });
    }
};

TEST_F(UploadFixture, WholeReplyIsReceivedByteForByte) {
    auto reply = fullReply();
    reply.push_back(0x77);  // beyond the 127th: ignored
    answerRequest(30, reply);
    const auto r = uploadSettings(port, clock);
    EXPECT_EQ(r.outcome, UploadOutcome::Received);
    EXPECT_EQ(port.writtenData(), (std::vector<std::uint8_t>{0x1B, 0xEE}));
    EXPECT_EQ(r.received, 127);
    EXPECT_TRUE(std::equal(r.reply.begin(), r.reply.end(), reply.begin()));
    EXPECT_FALSE(port.isOpen());
}

TEST_F(UploadFixture, ReplyInTwoPartsIsWaitedFor) {
    const auto reply = fullReply();
    answerRequest(1500, {reply.begin(), reply.begin() + 20}, 2500,
                  {reply.begin() + 20, reply.end()});
    EXPECT_EQ(uploadSettings(port, clock).outcome, UploadOutcome::Received);
}

TEST_F(UploadFixture, FailuresAreTold) {
    struct Case {
        const char* what;
        int delayMs;
        std::vector<std::uint8_t> reply;
        UploadOutcome outcome;
        int received;
    };
    const auto full = fullReply();
    const Case cases[] = {
        {"answer after 2500 ms", 2500, full, UploadOutcome::NoAnswer, 0},
        {"short reply", 10, {full.begin(), full.begin() + 100}, UploadOutcome::Short, 100},
        {"bad marker", 10, fullReply(0xAB), UploadOutcome::BadMarker, 127},
    };
    for (const auto& c : cases) {
        FakeClock localClock;
        FakePort p(localClock);
        p.open();
        p.setResponder([&c](FakePort& fp, std::span<const std::uint8_t>) {
            if (fp.writtenData().size() == 2) {
                fp.feedAfter(c.delayMs, c.reply);
            }
        });
        const auto r = uploadSettings(p, localClock);
        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        EXPECT_EQ(r.received, c.received) << c.what;
        EXPECT_FALSE(p.isOpen()) << c.what;
        EXPECT_LE(localClock.elapsed(), 5010) << c.what;  // 2000 + 3000 at most
        // Nothing is taken from beyond what arrived.
        for (int i = c.received; i < 127; ++i) {
            EXPECT_EQ(r.reply[static_cast<std::size_t>(i)], 0) << c.what;
        }
    }
}

}  // namespace
}  // namespace vfd::link
