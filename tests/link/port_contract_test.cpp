// SPDX-License-Identifier: GPL-3.0-or-later
// The same expectations for every implementation of the port operations: the scripted port the
// unit tests use, and the operating system's port over a pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "link/clock.h"
#include "link/exchanges.h"
#include "link/port_choice.h"
#include "link/qt/qt_clock.h"
#include "link/qt/qt_serial_port.h"
#include "link/transfer.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/pseudo_terminal.h"
#include "ui/operator_texts.h"

namespace vfd::link {
namespace {

// One port and the far end of its line.
class LineUnderTest {
public:
    virtual ~LineUnderTest() = default;
    virtual Port& port() = 0;
    virtual Clock& clock() = 0;
    virtual std::string device() = 0;
    virtual std::string missingDevice() = 0;
    virtual void farSend(const std::vector<std::uint8_t>& bytes) = 0;
    virtual std::vector<std::uint8_t> farReceive(std::size_t count) = 0;
    virtual void farHangUp() = 0;
};

class FakeLine : public LineUnderTest {
public:
    Port& port() override { return port_; }
    Clock& clock() override { return clock_; }
    std::string device() override { return "fake0"; }
    std::string missingDevice() override {
        port_.setOpenResult(PortError::NotFound);
        return "fake9";
    }
    void farSend(const std::vector<std::uint8_t>& bytes) override { port_.feedReceived(bytes); }
    std::vector<std::uint8_t> farReceive(std::size_t count) override {
        const auto& w = port_.writtenData();
        std::vector<std::uint8_t> out(
            w.begin() + static_cast<std::ptrdiff_t>(taken_),
            w.begin() + static_cast<std::ptrdiff_t>(std::min(w.size(), taken_ + count)));
        taken_ += out.size();
        return out;
    }
    void farHangUp() override { port_.injectError(PortError::HungUp); }

private:
    testing::FakeClock clock_;
    testing::FakePort port_{clock_};
    std::size_t taken_ = 0;
};

class PtyLine : public LineUnderTest {
public:
    ~PtyLine() override { port_.close(); }
    Port& port() override { return port_; }
    QtSerialPort& qtPort() { return port_; }
    Clock& clock() override { return clock_; }
    std::string device() override { return pty_.device(); }
    std::string missingDevice() override { return "/dev/pts/does-not-exist"; }
    void farSend(const std::vector<std::uint8_t>& bytes) override {
        ASSERT_EQ(::write(pty_.master(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    std::vector<std::uint8_t> farReceive(std::size_t count) override {
        std::vector<std::uint8_t> out;
        while (out.size() < count) {
            pollfd p{pty_.master(), POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) {
                break;
            }
            std::uint8_t buf[256];
            const auto n = ::read(pty_.master(), buf, std::min(sizeof buf, count - out.size()));
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    void farHangUp() override { pty_.hangUp(); }

private:
    testing::PseudoTerminal pty_;
    QtSerialPort port_;
    QtClock clock_;
};

using Factory = std::function<std::unique_ptr<LineUnderTest>()>;

class PortContract : public ::testing::TestWithParam<Factory> {
protected:
    void SetUp() override {
        line_ = GetParam()();
        settings_ = *parseLineSettings("9600,n,8,1");
    }
    Port& port() { return line_->port(); }
    std::unique_ptr<LineUnderTest> line_;
    LineSettings settings_;
};

TEST_P(PortContract, OpensAndClosesTheChosenDevice) {
    EXPECT_FALSE(port().isOpen());
    ASSERT_EQ(openPort(port(), line_->device(), settings_), PortError::None);
    EXPECT_TRUE(port().isOpen());
    EXPECT_EQ(port().error(), PortError::None);
    port().close();
    EXPECT_FALSE(port().isOpen());
    // A second open of the same device works: closing released it.
    EXPECT_EQ(openPort(port(), line_->device(), settings_), PortError::None);
}

TEST_P(PortContract, MissingDeviceIsNotFoundAndLeavesThePortClosed) {
    EXPECT_EQ(openPort(port(), line_->missingDevice(), settings_), PortError::NotFound);
    EXPECT_FALSE(port().isOpen());
}

TEST_P(PortContract, BytesGoOutInOrderAndUnchanged) {
    ASSERT_EQ(openPort(port(), line_->device(), settings_), PortError::None);
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) {
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    EXPECT_EQ(sendByte(port(), line_->clock(), 0x1B), LineStatus::Ok);
    EXPECT_EQ(writeBlock(port(), line_->clock(), all), LineStatus::Ok);
    EXPECT_EQ(port().bytesToWrite(), 0);
    const auto got = line_->farReceive(257);
    ASSERT_EQ(got.size(), 257u);
    EXPECT_EQ(got[0], 0x1B);
    EXPECT_TRUE(std::equal(all.begin(), all.end(), got.begin() + 1));
}

TEST_P(PortContract, ReceivedBytesAreCountedAndReadInArrivalOrder) {
    ASSERT_EQ(openPort(port(), line_->device(), settings_), PortError::None);
    EXPECT_EQ(port().bytesAvailable(), 0);
    line_->farSend({0xAA, 0x00, 0x0D, 0x0A, 0xFF, 0x11, 0x13});  // no byte is special
    const auto wait = waitForBytes(port(), line_->clock(), 7, 2000);
    EXPECT_EQ(wait.available, 7);
    EXPECT_EQ(port().readAll(),
              (std::vector<std::uint8_t>{0xAA, 0x00, 0x0D, 0x0A, 0xFF, 0x11, 0x13}));
    EXPECT_EQ(port().bytesAvailable(), 0);
}

TEST_P(PortContract, AWaitWithNothingComingEndsJustAfterItsLimit) {
    ASSERT_EQ(openPort(port(), line_->device(), settings_), PortError::None);
    Clock& clock = line_->clock();
    const auto start = clock.tickCount();
    const auto wait = waitForBytes(port(), clock, 1, 300);
    const auto took = ticksBetween(start, clock.tickCount());
    EXPECT_EQ(wait.available, 0);
    EXPECT_GT(took, 300);
    EXPECT_LT(took, 600);
}

TEST_P(PortContract, AHangUpEndsAWaitWithTheLineLost) {
    ASSERT_EQ(openPort(port(), line_->device(), settings_), PortError::None);
    line_->farHangUp();
    Clock& clock = line_->clock();
    const auto start = clock.tickCount();
    const auto wait = waitForBytes(port(), clock, 1, 2000);
    EXPECT_EQ(wait.status, LineStatus::Lost);
    EXPECT_LT(ticksBetween(start, clock.tickCount()), 1000);
    EXPECT_NE(port().error(), PortError::None);
}

TEST_P(PortContract, AHangUpFailsTheWritesAfterIt) {
    ASSERT_EQ(openPort(port(), line_->device(), settings_), PortError::None);
    EXPECT_EQ(sendByte(port(), line_->clock(), 0x41), LineStatus::Ok);
    line_->farHangUp();
    LineStatus status = LineStatus::Ok;
    for (int i = 0; i < 5 && status == LineStatus::Ok; ++i) {
        status = sendByte(port(), line_->clock(), 0x42);
    }
    EXPECT_EQ(status, LineStatus::Lost);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortContract,
                         ::testing::Values(Factory([] { return std::make_unique<FakeLine>(); }),
                                           Factory([] { return std::make_unique<PtyLine>(); })),
                         [](const ::testing::TestParamInfo<Factory>& param) {
                             return param.index == 0 ? std::string("FakePort")
                                                     : std::string("QtSerialPortOnPty");
                         });

}  // namespace
}  // namespace vfd::link

namespace vfd::link {
namespace {

TEST(QtSerialPortOnPty, APortHeldByAnotherOpenerIsBusy) {
    PtyLine line;
    QtSerialPort other;
    const auto settings = *parseLineSettings("9600,n,8,1");
    ASSERT_EQ(openPort(line.port(), line.device(), settings), PortError::None);
    EXPECT_EQ(openPort(other, line.device(), settings), PortError::Busy);
    EXPECT_FALSE(other.isOpen());
    const PortFailure busy{PortProblem::OpenFailed, "Com 1", line.device(), {}, PortError::Busy,
                           other.errorText(),       {}};
    EXPECT_EQ(ui::textFor(busy, ui::Tool::Zoravel),
              "Com 1 can't be opened: another program is using it (" + line.device() + ").");
}

TEST(QtSerialPortOnPty, ClosingDrainsEveryByteBeforeTheOldSettingsComeBack) {
    PtyLine line;
    ASSERT_EQ(openPort(line.port(), line.device(), *parseLineSettings("9600,n,8,1")),
              PortError::None);
    std::vector<std::string> steps;
    std::size_t arrivedBeforeRestore = 0;
    line.qtPort().setCloseTrace([&](const char* step) {
        steps.emplace_back(step);
        if (steps.back() == "closing") {
            arrivedBeforeRestore = line.farReceive(137).size();
        }
    });
    const std::vector<std::uint8_t> body(137, 0x5A);
    ASSERT_EQ(line.port().write(body), PortError::None);
    line.port().close();
    EXPECT_EQ(steps, (std::vector<std::string>{"drained", "closing"}));
    EXPECT_EQ(arrivedBeforeRestore, body.size());
}

// The far end never reads, so the output cannot leave: after the drain limit the unsent bytes are
// thrown away and the close goes ahead instead of waiting on the driver.
TEST(QtSerialPortOnPty, AStuckLineIsDiscardedSoThatClosingCannotHang) {
    PtyLine line;
    ASSERT_EQ(openPort(line.port(), line.device(), *parseLineSettings("9600,n,8,1")),
              PortError::None);
    std::vector<std::string> steps;
    line.qtPort().setCloseTrace([&](const char* step) { steps.emplace_back(step); });
    const std::vector<std::uint8_t> flood(std::size_t{1} << 20, 0x5A);
    ASSERT_EQ(line.port().write(flood), PortError::None);
    ASSERT_GT(line.port().bytesToWrite(), 0) << "the pseudo-terminal took the whole flood";
    QElapsedTimer timer;
    timer.start();
    line.port().close();
    EXPECT_EQ(steps, (std::vector<std::string>{"discarded", "closing"}));
    EXPECT_FALSE(line.port().isOpen());
    EXPECT_LT(timer.elapsed(), 10000) << "closing waited on the stuck output";
}

TEST(QtSerialPortOnPty, StopBitsThePlatformCannotSetAreRefusedNotChanged) {
    PtyLine line;
    const auto settings = *parseLineSettings("9600,n,8,1.5");
    EXPECT_EQ(openPort(line.port(), line.device(), settings), PortError::BadSettings);
    EXPECT_FALSE(line.port().isOpen());
    const PortFailure refused{
        PortProblem::OpenFailed, "Com 1", line.device(), "9600,n,8,1.5", PortError::BadSettings,
        line.port().errorText(), {}};
    EXPECT_EQ(
        ui::textFor(refused, ui::Tool::Zoravel),
        "Com 1 can't be opened: 1.5 stop bits are not supported here (" + line.device() + ").");
}

TEST(QtSerialPortOnPty, ALinkAndTheDeviceItNamesAreOnePort) {
    PtyLine line;
    const std::string link = "/tmp/vfd-contract-link-" + std::to_string(::getpid());
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(line.device().c_str(), link.c_str()), 0);
    QtSerialPort viaLink;
    const auto settings = *parseLineSettings("9600,n,8,1");
    ASSERT_EQ(openPort(line.port(), line.device(), settings), PortError::None);
    EXPECT_EQ(openPort(viaLink, link, settings), PortError::Busy);
    line.port().close();
    EXPECT_EQ(openPort(viaLink, link, settings), PortError::None);
    EXPECT_EQ(viaLink.portName(), link);
    viaLink.close();
    ::unlink(link.c_str());
}

}  // namespace
}  // namespace vfd::link
