// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual display on a real pseudo-terminal, talked to the way any program talks to a serial
// port: open, write and read on the COMn link.

#include "sim/pty_host.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "link/port_names.h"

#include "bytes.h"

namespace vfd::sim {
namespace {

namespace fs = std::filesystem;

constexpr int kReplyLimitMs = 3000;

const Bytes kIdentity = {0x1D, 0x49, 0x02};

// A serial port opened as a tool opens one: no terminal settings of its own.
class Client {
public:
    explicit Client(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Client() { close(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    void write(const Bytes& bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads until `count` bytes have come or the line has hung up or the limit has passed,
    // running the host's events meanwhile.
    Bytes read(std::size_t count, int limitMs = kReplyLimitMs) {
        Bytes got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count && !hungUp_ && clock.elapsed() < limitMs) {
            QCoreApplication::processEvents();
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 5) <= 0) {
                continue;
            }
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            } else if ((p.revents & POLLHUP) != 0 || (n < 0 && errno == EIO) || n == 0) {
                hungUp_ = true;
            }
        }
        return got;
    }
    bool hungUp() const { return hungUp_; }

private:
    int fd_;
    bool hungUp_ = false;
};

// The port folder's own rules, on a computer that has no serial port of its own.
HostOptions withoutDevices() {
    HostOptions options;
    options.deviceExists = [](const std::string&) { return false; };
    return options;
}

class PtyHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Each test program gets a runtime folder of its own, which does not exist at first.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        ASSERT_NE(runtime, nullptr);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        folder_ = link::portFolder();
        fs::remove_all(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string folder_;
};

TEST_F(PtyHostTest, LinksTheFirstFreeNumberInAPrivateFolder) {
    struct Entry {
        const char* name;
        const char* target;  // null: a plain file
    };
    struct Case {
        const char* what;
        std::vector<Entry> present;
        int expected;
    };
    const Case cases[] = {
        {"empty folder", {}, 1},
        {"COM1 in use", {{"COM1", "/dev/null"}}, 2},
        {"COM1 left over by a display that died", {{"COM1", "/dev/pts/no-such-terminal"}}, 1},
        {"COM1 left over, its terminal number since reused", {{"COM1", "/dev/pts/ptmx"}}, 1},
        {"in use, not a link, left over",
         {{"COM1", "/dev/null"}, {"COM2", nullptr}, {"COM3", "/nonexistent"}},
         3},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder_);
        if (!c.present.empty()) {
            fs::create_directories(folder_);
        }
        for (const Entry& e : c.present) {
            const fs::path path = fs::path(folder_) / e.name;
            if (e.target != nullptr) {
                fs::create_symlink(e.target, path);
            } else {
                std::ofstream(path) << "not a port";
            }
        }
        PtyHost host({});
        ASSERT_TRUE(host.start(withoutDevices()).ok()) << c.what;
        EXPECT_EQ(host.portNumber(), c.expected) << c.what;
        EXPECT_EQ(host.linkPath(), folder_ + "/COM" + std::to_string(c.expected)) << c.what;
        EXPECT_EQ(fs::read_symlink(host.linkPath()).string(), host.devicePath()) << c.what;
        if (c.present.empty()) {
            EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all);
        }
    }
}

// The tools look in the port folder before the fixed device of a number, so a display on a
// number whose device is there would hide a real port from them.
TEST_F(PtyHostTest, LeavesTheNumbersOfTheComputersOwnPortsToThem) {
    std::vector<std::string> ttyS;
    for (int n = 0; n < 32; ++n) {
        ttyS.push_back("/dev/ttyS" + std::to_string(n));
    }
    struct Case {
        const char* what;
        std::vector<std::string> devices;
        int expected;
    };
    const Case cases[] = {
        {"no serial port", {}, 1},
        {"ttyS0", {"/dev/ttyS0"}, 2},
        {"ttyS0 and ttyS2", {"/dev/ttyS0", "/dev/ttyS2"}, 2},
        {"every ttyS", ttyS, 33},
        {"every ttyS and ttyUSB0",
         [&] {
             auto all = ttyS;
             all.push_back("/dev/ttyUSB0");
             return all;
         }(),
         34},
    };
    for (const Case& c : cases) {
        HostOptions options;
        options.deviceExists = [&c](const std::string& path) {
            return std::find(c.devices.begin(), c.devices.end(), path) != c.devices.end();
        };
        std::string lockFile;
        {
            PtyHost host({});
            ASSERT_TRUE(host.start(options).ok()) << c.what;
            EXPECT_EQ(host.portNumber(), c.expected) << c.what;
            lockFile = folder_ + "/.COM" + std::to_string(c.expected) + ".lock";
            EXPECT_TRUE(fs::exists(lockFile)) << c.what;
            // What both tools find behind "Com 1" and the display's number while it runs.
            const link::PortLookup lookup{folder_, [](const std::string& path) {
                                              return fs::exists(fs::symlink_status(path));
                                          }};
            EXPECT_EQ(link::resolvePortNumber(c.expected, lookup), host.linkPath()) << c.what;
            if (c.expected != 1) {
                EXPECT_EQ(link::resolvePortNumber(1, lookup), "/dev/ttyS0") << c.what;
                EXPECT_EQ(host.numbersLeftToDevices().front(), 1) << c.what;
            }
        }
        EXPECT_FALSE(fs::exists(lockFile)) << c.what << ": the lock file stays behind";
    }
    // Asked for by number, a display takes it all the same: the person asking knows the port.
    HostOptions one;
    one.portNumber = 1;
    one.deviceExists = [](const std::string&) { return true; };
    PtyHost host({});
    ASSERT_TRUE(host.start(one).ok());
    EXPECT_EQ(host.portNumber(), 1);
}

TEST_F(PtyHostTest, TakesAGivenNumberOnlyWhenItIsFree) {
    fs::create_directories(folder_);
    fs::create_symlink("/dev/null", fs::path(folder_) / "COM4");
    fs::create_symlink("/nonexistent", fs::path(folder_) / "COM5");
    struct Case {
        int number;
        HostError error;
    };
    for (const Case c :
         {Case{7, HostError::None}, Case{5, HostError::None}, Case{4, HostError::PortTaken},
          Case{0, HostError::BadPortNumber}, Case{256, HostError::BadPortNumber}}) {
        PtyHost host({});
        HostOptions options;
        options.portNumber = c.number;
        const HostStart started = host.start(options);
        EXPECT_EQ(started.error, c.error) << c.number << ": " << started.message;
        if (started.ok()) {
            EXPECT_EQ(host.portNumber(), c.number);
        }
    }
    EXPECT_EQ(fs::read_symlink(fs::path(folder_) / "COM4"), "/dev/null");
}

TEST_F(PtyHostTest, TwoDisplaysNeverHoldTheSameNumber) {
    PtyHost first({});
    ASSERT_TRUE(first.start(withoutDevices()).ok());
    ASSERT_EQ(first.portNumber(), 1);
    // Even with its link gone, the number stays the first display's while it runs.
    fs::remove(first.linkPath());
    PtyHost second({});
    HostOptions one;
    one.portNumber = 1;
    EXPECT_EQ(second.start(one).error, HostError::PortTaken);
    PtyHost third({});
    ASSERT_TRUE(third.start(withoutDevices()).ok());
    EXPECT_EQ(third.portNumber(), 2);
}

TEST_F(PtyHostTest, AToolAtAnotherLineSpeedGetsNoAnswer) {
    FirmwareOptions options;
    options.stateFile = fs::path(folder_).parent_path() / "speed-memory.vfd";
    StoredSettings settings = device::factoryImage().body();
    device::setBodyByte(settings, device::image_index::kLineSpeed, 1);  // 19200
    ASSERT_TRUE(saveSettings(options.stateFile, settings));
    PtyHost host(options);
    ASSERT_TRUE(host.start().ok());
    EXPECT_EQ(host.displayLine().baud, 19200);
    struct Case {
        speed_t speed;
        bool answered;
    };
    // Sets the client's end of the line up as a tool does: raw, at one speed.
    auto setSpeed = [](const Client& client, speed_t speed) {
        termios t{};
        ASSERT_EQ(tcgetattr(client.fd(), &t), 0);
        cfmakeraw(&t);
        cfsetspeed(&t, speed);
        ASSERT_EQ(tcsetattr(client.fd(), TCSANOW, &t), 0);
    };
    for (const Case c : {Case{B9600, false}, Case{B19200, true}}) {
        Client client(host.linkPath());
        ASSERT_TRUE(client.isOpen());
        setSpeed(client, c.speed);
        client.write(kIdentity);
        const Bytes reply = client.read(8, c.answered ? kReplyLimitMs : 300);
        EXPECT_EQ(reply == bytesOf("PID:3524"), c.answered) << c.speed;
    }
    // A display that restarts at another speed leaves the tool's port as the tool set it.
    Client client(host.linkPath());
    ASSERT_TRUE(client.isOpen());
    ASSERT_TRUE(saveSettings(options.stateFile, device::factoryImage().body()));  // 9600
    host.restart();
    ASSERT_EQ(host.displayLine().baud, 9600);
    EXPECT_EQ(host.toolLine().baud, 19200);
    client.write(kIdentity);
    EXPECT_TRUE(client.read(8, 300).empty());
    setSpeed(client, B9600);
    client.write(kIdentity);
    EXPECT_EQ(client.read(8), bytesOf("PID:3524"));
    fs::remove(options.stateFile);
}

TEST_F(PtyHostTest, AnswersOverTheLinkAndStoresADownload) {
    FirmwareOptions options;
    options.stateFile = fs::path(folder_).parent_path() / "pty-memory.vfd";
    fs::remove(options.stateFile);
    PtyHost host(options);
    ASSERT_TRUE(host.start().ok());
    std::vector<StoreOutcome> stored;
    QObject::connect(&host, &PtyHost::settingsStored, &host,
                     [&stored](StoreOutcome outcome) { stored.push_back(outcome); });

    Client client(host.linkPath());
    ASSERT_TRUE(client.isOpen());
    client.write(kIdentity);
    EXPECT_EQ(client.read(8), bytesOf("PID:3524"));

    // The bytes a cooked terminal would change or act on: CR, LF, XON, XOFF, interrupt, erase.
    StoredSettings body = device::factoryImage().body();
    const Bytes touchy = {0x0D, 0x0A, 0x11, 0x13, 0x03, 0x7F, 0x04, 0x1A};
    std::copy(touchy.begin(), touchy.end(), body.begin() + 80);
    client.write({0x1B, 0xEF, 2, 0, 2, 6, 1, 2, 0, 6});
    ASSERT_EQ(client.read(1), Bytes{0x8A});
    client.write(Bytes{0xAA} + Bytes(body.begin(), body.end()));
    client.write({0x1B, 0xEE});
    EXPECT_EQ(client.read(127), Bytes{0xAA} + Bytes(body.begin(), body.end()));
    EXPECT_EQ(stored, std::vector<StoreOutcome>{StoreOutcome::Stored});
    EXPECT_EQ(loadSettings(options.stateFile).settings, body);
    fs::remove(options.stateFile);
}

TEST_F(PtyHostTest, AToolClosingThePortDoesNotHangUpTheLine) {
    PtyHost host({});
    ASSERT_TRUE(host.start().ok());
    for (int round = 0; round < 3; ++round) {
        Client client(host.linkPath());
        ASSERT_TRUE(client.isOpen()) << round;
        client.write(bytesOf("R") + kIdentity);
        EXPECT_EQ(client.read(8), bytesOf("PID:3524")) << round;
        EXPECT_FALSE(client.hungUp()) << round;
    }
    EXPECT_FALSE(host.isHungUp());
    EXPECT_EQ(host.firmware().screen().text(0), "RRR" + std::string(17, ' '));
}

TEST_F(PtyHostTest, RemovesItsLinkWhenItGoes) {
    std::string link;
    {
        PtyHost host({});
        ASSERT_TRUE(host.start().ok());
        link = host.linkPath();
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(PtyHostTest, TheHangUpFaultDropsTheLineUnderTheTool) {
    FirmwareOptions options;
    options.faults.hangUpAfter = 2;
    PtyHost host(options);
    ASSERT_TRUE(host.start().ok());
    int hungUp = 0;
    QObject::connect(&host, &PtyHost::hungUp, &host, [&hungUp] { ++hungUp; });
    const std::string link = host.linkPath();
    Client client(link);
    client.write(kIdentity);
    EXPECT_TRUE(client.read(8).empty());
    EXPECT_TRUE(client.hungUp());
    EXPECT_EQ(hungUp, 1);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(PtyHostTest, ADelayedReplyLeavesNoEarlierThanItsDelay) {
    FirmwareOptions options;
    options.faults.replyDelayMs = 300;
    PtyHost host(options);
    ASSERT_TRUE(host.start().ok());
    Client client(host.linkPath());
    QElapsedTimer clock;
    clock.start();
    client.write(kIdentity);
    EXPECT_EQ(client.read(8), bytesOf("PID:3524"));
    EXPECT_GE(clock.elapsed(), 300);
}

}  // namespace
}  // namespace vfd::sim
