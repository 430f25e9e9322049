// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "link/clock.h"
#include "link/line_settings.h"
#include "link/port_choice.h"
#include "link/port_names.h"
#include "link/transfer.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"

namespace vfd::link {
namespace {

using testing::FakeClock;
using testing::FakePort;

TEST(LineSettings, ParsesTheUsualSerialForm) {
    const auto s = parseLineSettings("19200,n,8,1");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->baud, 19200);
    EXPECT_EQ(s->parity, Parity::None);
    EXPECT_EQ(s->dataBits, 8);
    EXPECT_EQ(s->stopBits, StopBits::One);

    const auto e = parseLineSettings(" 4800 , E , 7 , 1.5 ");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->parity, Parity::Even);
    EXPECT_EQ(e->dataBits, 7);
    EXPECT_EQ(e->stopBits, StopBits::OneAndHalf);

    for (const char* p : {"o", "m", "s"}) {
        EXPECT_TRUE(parseLineSettings(std::string("9600,") + p + ",5,2")) << p;
    }
    for (const char* bad :
         {"", "9600", "9600,n,8", "9600,n,8,1,1", "fast,n,8,1", "9600,x,8,1", "9600,n,9,1",
          "9600,n,4,1", "9600,n,8,3", "9600,no,8,1", "-9600,n,8,1", "0,n,8,1"}) {
        EXPECT_FALSE(parseLineSettings(bad)) << bad;
    }
}

TEST(LineSettings, CharacterTime) {
    EXPECT_EQ(characterTimeUs(*parseLineSettings("9600,n,8,1")), 1041);    // 10 bits
    EXPECT_EQ(characterTimeUs(*parseLineSettings("9600,e,8,2")), 1250);    // 12 bits
    EXPECT_EQ(characterTimeUs(*parseLineSettings("1200,n,5,1.5")), 6250);  // 7.5 bits
}

TEST(PortNames, ComNamesAreNumbersOneTo255InAnyCase) {
    EXPECT_EQ(parseComName("Com 1"), 1);
    EXPECT_EQ(parseComName("com 3"), 3);
    EXPECT_EQ(parseComName("COM12"), 12);
    EXPECT_EQ(parseComName("  cOm  255 "), 255);
    for (const char* bad :
         {"Com 0", "Com 256", "Com", "Com x", "Com 1a", "Port 1", "/dev/ttyS0", "Com 0001", ""}) {
        EXPECT_FALSE(parseComName(bad)) << bad;
    }
}

TEST(PortNames, PortFolderFollowsTheRuntimeDirectory) {
    EXPECT_EQ(portFolderFor("/run/user/1000", 1000), "/run/user/1000/vfd-ports");
    EXPECT_EQ(portFolderFor(nullptr, 1000), "/tmp/vfd-ports-1000");
    EXPECT_EQ(portFolderFor("", 0), "/tmp/vfd-ports-0");
}

#ifndef _WIN32
TEST(PortNames, FolderLinksComeFirstThenFixedDevices) {
    const PortLookup lookup{"/run/ports", [](const std::string& path) {
                                return path == "/run/ports/COM2" || path == "/run/ports/COM200";
                            }};
    EXPECT_EQ(resolvePortText("Com 2", lookup), "/run/ports/COM2");
    EXPECT_EQ(resolvePortText("com 200", lookup), "/run/ports/COM200");
    EXPECT_EQ(resolvePortText("Com 1", lookup), "/dev/ttyS0");
    EXPECT_EQ(resolvePortText("Com 32", lookup), "/dev/ttyS31");
    EXPECT_EQ(resolvePortText("Com 33", lookup), "/dev/ttyUSB0");
    EXPECT_EQ(resolvePortText("Com 64", lookup), "/dev/ttyUSB31");
    EXPECT_EQ(resolvePortText("Com 65", lookup), "/dev/ttyACM0");
    EXPECT_EQ(resolvePortText("Com 96", lookup), "/dev/ttyACM31");
    // No fixed device and no link: the link that is missing, so that opening says so.
    EXPECT_EQ(resolvePortText("Com 97", lookup), "/run/ports/COM97");
    EXPECT_EQ(resolvePortText("/dev/pts/7", lookup), "/dev/pts/7");
    EXPECT_FALSE(resolvePortText("ttyUSB0", lookup));
}
#endif

// Windows has no port folder.
#ifndef _WIN32
TEST(PortNames, OnlyAPortFolderOfOnesOwnIsTrusted) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vfd-trust-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "mine");
    fs::permissions(root / "mine", fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(root / "open");
    fs::permissions(root / "open", fs::perms::all, fs::perm_options::replace);
    fs::create_directory_symlink(root / "mine", root / "linked");
    EXPECT_EQ(portFolderDistrust((root / "mine").string()), "");
    EXPECT_EQ(portFolderDistrust((root / "missing").string()), "");
    EXPECT_EQ(portFolderDistrust((root / "open").string()), "other users may write into it");
    EXPECT_EQ(portFolderDistrust((root / "linked").string()), "it is not a folder of its own");
    if (::geteuid() == 0) {
        fs::create_directories(root / "theirs");
        fs::permissions(root / "theirs", fs::perms::owner_all, fs::perm_options::replace);
        ASSERT_EQ(::chown((root / "theirs").c_str(), 65534, 65534), 0);
        EXPECT_EQ(portFolderDistrust((root / "theirs").string()), "it belongs to another user");
    }

    // A link in a distrusted folder is never chosen; the fixed devices are not affected.
    PortLookup lookup{(root / "open").string(), [](const std::string&) { return true; },
                      portFolderDistrust};
    const auto viaFolder = choosePort("Com 97", "9600,n,8,1", lookup);
    EXPECT_FALSE(viaFolder.choice);
    EXPECT_EQ(viaFolder.failure.problem, PortProblem::UnsafeFolder);
    EXPECT_EQ(viaFolder.failure.folder, lookup.folder);
    lookup.exists = [](const std::string&) { return false; };
    EXPECT_TRUE(choosePort("Com 1", "9600,n,8,1", lookup).choice);
    fs::remove_all(root);
}

#endif

TEST(DelayMs, WaitsAtLeastTheTimeAndRunsEvents) {
    FakeClock clock;
    int clicks = 0;
    clock.after(300, [&] { ++clicks; });
    const auto before = clock.elapsed();
    delayMs(clock, 1000);
    EXPECT_GE(clock.elapsed() - before, 1000);
    EXPECT_LT(clock.elapsed() - before, 1100);
    EXPECT_EQ(clicks, 1);  // a click during the delay ran inside it
    EXPECT_GE(clock.eventRuns(), 2);
}

TEST(DelayMs, SurvivesTheSignBoundaryAndTheWrap) {
    for (const std::uint32_t start : {0x7FFFFF00u, 0xFFFFFF00u, 0xFFFFFFFFu, 0u}) {
        FakeClock clock(start);
        delayMs(clock, 1000);
        EXPECT_GE(clock.elapsed(), 1000) << start;
        EXPECT_LT(clock.elapsed(), 1100) << start;
    }
}

TEST(DelayMs, ZeroStillLetsEventsRun) {
    FakeClock clock;
    delayMs(clock, 0);
    EXPECT_EQ(clock.eventRuns(), 1);
}

TEST(SendByte, SendsExactlyTheByteForEveryValue) {
    FakeClock clock;
    FakePort port(clock);
    ASSERT_EQ(port.open(), PortError::None);
    for (int v = 0; v < 256; ++v) {
        ASSERT_EQ(sendByte(port, clock, static_cast<std::uint8_t>(v)), LineStatus::Ok);
    }
    ASSERT_EQ(port.writtenData().size(), 256u);
    ASSERT_EQ(port.writtenBlocks().size(), 256u);  // one write per byte
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(port.writtenData()[static_cast<std::size_t>(v)], v);
    }
}

TEST(SendByte, ReportsALostOrStuckLineInsteadOfHanging) {
    FakeClock clock;
    FakePort lost(clock);
    lost.open();
    lost.hangUpAfterWritten(0);
    EXPECT_EQ(sendByte(lost, clock, 0x41), LineStatus::Lost);

    FakePort stuck(clock);
    stuck.open();
    stuck.setOutputStuck(true);
    const auto before = clock.elapsed();
    EXPECT_EQ(sendByte(stuck, clock, 0x41), LineStatus::Stuck);
    EXPECT_LE(clock.elapsed() - before, kDrainLimitMs + 10);
}

TEST(WriteBlock, ALongBlockOnASlowLineIsNotTakenForAStuckOne) {
    FakeClock clock;
    FakePort port(clock);
    port.open();
    port.setMsPerByte(1);  // about 9600 baud
    const std::vector<std::uint8_t> text(3000, 0x41);
    EXPECT_EQ(writeBlock(port, clock, text), LineStatus::Ok);
    EXPECT_GE(clock.elapsed(), 3000);
    EXPECT_EQ(port.bytesToWrite(), 0);
}

// The ports' own closes watch the computer's tick, which wraps to 0 after 49 days: a queue that
// moves across the wrap is moving, and one that stands still across it is stuck after the limit.
TEST(DrainWatch, CountsTheLimitFromTheLastTimeTheQueueGotShorterAcrossTheTickWrap) {
    using State = DrainWatch::State;
    for (const std::uint32_t start : {0u, 0xFFFFFC00u}) {
        SCOPED_TRACE(start);
        DrainWatch moving;
        EXPECT_EQ(moving.look(5, start), State::Moving);
        EXPECT_EQ(moving.look(4, start + 1900), State::Moving);
        EXPECT_EQ(moving.look(4, start + 3900), State::Moving);
        EXPECT_EQ(moving.look(4, start + 3901), State::Stuck);
        EXPECT_EQ(moving.look(0, start + 3902), State::Empty);

        DrainWatch still;
        EXPECT_EQ(still.look(5, start), State::Moving);
        EXPECT_EQ(still.look(6, start + kDrainLimitMs), State::Moving);  // more is not less
        EXPECT_EQ(still.look(6, start + kDrainLimitMs + 1), State::Stuck);
    }
}

TEST(WaitForBytes, StopsAtTheCountOrJustAfterTheLimit) {
    struct Case {
        int replyAfterMs;
        int expectAvailable;
    };
    for (const Case c : {Case{0, 1}, Case{1900, 1}, Case{2000, 1}, Case{2002, 0}, Case{2100, 0}}) {
        FakeClock clock;
        FakePort port(clock);
        port.open();
        port.feedAfter(c.replyAfterMs, {0x8A});
        const auto before = clock.elapsed();
        const WaitResult r = waitForBytes(port, clock, 1, 2000);
        EXPECT_EQ(r.available, c.expectAvailable) << c.replyAfterMs;
        EXPECT_EQ(r.status, LineStatus::Ok);
        if (c.expectAvailable == 0) {
            EXPECT_LE(clock.elapsed() - before, 2002);
        }
    }
}

TEST(WaitForBytes, WaitsForTheWholeCountNotTheFirstByte) {
    FakeClock clock;
    FakePort port(clock);
    port.open();
    port.feedAfter(10, std::vector<std::uint8_t>(60, 1));
    port.feedAfter(500, std::vector<std::uint8_t>(67, 2));
    const WaitResult r = waitForBytes(port, clock, 127, 3000);
    EXPECT_EQ(r.available, 127);
    EXPECT_EQ(clock.elapsed(), 500);
}

TEST(WaitForBytes, EndsAtOnceWhenTheLineIsLost) {
    FakeClock clock;
    FakePort port(clock);
    port.open();
    port.injectError(PortError::HungUp);
    const WaitResult r = waitForBytes(port, clock, 1, 2000);
    EXPECT_EQ(r.status, LineStatus::Lost);
    EXPECT_EQ(clock.elapsed(), 0);
}

}  // namespace
}  // namespace vfd::link
