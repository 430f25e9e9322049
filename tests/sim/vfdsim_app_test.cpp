// SPDX-License-Identifier: GPL-3.0-or-later
// The vfdsim program as scripts and the end-to-end tests use it: started headless, it names its
// port on stdout, answers on the link, prints the glass, and cleans up when it is stopped.

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProcess>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <filesystem>

#include "bytes.h"
#include "link/port_names.h"
#include "sim/settings_store.h"

namespace vfd::sim {
namespace {

namespace fs = std::filesystem;

constexpr int kLimitMs = 5000;

class Program {
public:
    explicit Program(QStringList arguments) {
        process_.setProgram(QStringLiteral(VFDSIM_PATH));
        process_.setArguments(QStringList{QStringLiteral("--headless")} + arguments);
        process_.start();
    }
    ~Program() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kLimitMs);
        }
    }

    // The next line of stdout that contains `text`, or an empty string after the time limit.
    QString waitForLine(const QString& text) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kLimitMs) {
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).trimmed();
                if (line.contains(text)) {
                    return line;
                }
            }
            if (!process_.waitForReadyRead(100) && process_.state() == QProcess::NotRunning) {
                break;
            }
        }
        return {};
    }

    void signal(int number) { ::kill(static_cast<pid_t>(process_.processId()), number); }
    void terminate() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        process_.waitForFinished(kLimitMs);
    }
    QProcess& process() { return process_; }

private:
    QProcess process_;
};

Bytes exchange(const std::string& link, const Bytes& request, std::size_t replyLength) {
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0) << link;
    if (fd < 0) {
        return {};
    }
    EXPECT_EQ(::write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    Bytes reply;
    QElapsedTimer clock;
    clock.start();
    while (reply.size() < replyLength && clock.elapsed() < kLimitMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            std::uint8_t buffer[256];
            const ssize_t n =
                ::read(fd, buffer, std::min(sizeof buffer, replyLength - reply.size()));
            if (n <= 0) {
                break;
            }
            reply.insert(reply.end(), buffer, buffer + n);
        }
    }
    ::close(fd);
    return reply;
}

class VfdsimProgram : public ::testing::Test {
protected:
    void SetUp() override {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        ASSERT_NE(runtime, nullptr);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        state_ = (fs::path(runtime) / "app-memory.vfd").string();
        fs::remove(state_);
    }
    void TearDown() override { fs::remove(state_); }

    QString state() const { return QString::fromStdString(state_); }

    std::string state_;
};

TEST_F(VfdsimProgram, NamesItsPortShowsTheGlassAndCleansUpOnSigterm) {
    Program program(
        {QStringLiteral("--port"), QStringLiteral("9"), QStringLiteral("--state"), state()});
    const QString started = program.waitForLine(QStringLiteral("Virtual display on"));
    EXPECT_TRUE(started.startsWith(QStringLiteral("Virtual display on COM9 (/dev/pts/")))
        << started.toStdString();
    const std::string link = link::portFolder() + "/COM9";
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(program.waitForLine(QStringLiteral("display |*** VFD DISPLAY  ***|")).isEmpty());

    EXPECT_EQ(exchange(link, Bytes{0x1B, 0x40} + bytesOf("HELLO"), 0), Bytes{});
    EXPECT_FALSE(program.waitForLine(QStringLiteral("display |HELLO    ")).isEmpty());

    StoredSettings body = device::factoryImage().body();
    const std::string message = "JUST STORED         ";
    std::copy(message.begin(), message.end(), body.begin() + device::image_index::kMessage1 - 1);
    EXPECT_EQ(exchange(link, {0x1B, 0xEF, 2, 0, 2, 6, 1, 2, 0, 6}, 1), Bytes{0x8A});
    exchange(link, Bytes{0xAA} + Bytes(body.begin(), body.end()), 0);
    EXPECT_FALSE(program.waitForLine(QStringLiteral("stored settings")).isEmpty());
    // Stored settings take effect at a restart, which SIGHUP gives a headless display.
    program.signal(SIGHUP);
    EXPECT_FALSE(
        program.waitForLine(QStringLiteral("restarted: EPSON emulation, 9600 baud")).isEmpty());
    EXPECT_FALSE(program.waitForLine(QStringLiteral("display |JUST STORED")).isEmpty());

    program.terminate();
    EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process().exitCode(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(loadSettings(state_).settings, body);
}

TEST_F(VfdsimProgram, OptionsReachTheFirmware) {
    struct Case {
        QStringList options;
        Bytes request;
        Bytes reply;
    };
    const Case cases[] = {
        {{QStringLiteral("--pid"), QStringLiteral("PID:0001")},
         {0x1D, 0x49, 0x02},
         bytesOf("PID:0001")},
        {{QStringLiteral("--serial"), QStringLiteral("SN123456")},
         {0x1D, 0x49, 0x06, 0x01},
         bytesOf("SN123456")},
        {{QStringLiteral("--date"), QStringLiteral("2026-12-06")},
         {0x1B, 0xEF, 2, 0, 3, 1, 0, 3, 2, 5},
         {0x8A}},
        {{QStringLiteral("--wrong-check")}, {0x1B, 0xEF, 2, 0, 3, 1, 0, 3, 2, 5}, {0x18}},
        {{QStringLiteral("--short-reply"), QStringLiteral("3"), QStringLiteral("--extra-bytes"),
          QStringLiteral("2")},
         {0x1D, 0x49, 0x02},
         bytesOf("PID")},
        {{QStringLiteral("--garble")}, {0x1D, 0x49, 0x02}, {'P' ^ 0x81, 'I' ^ 0x81}},
        {{QStringLiteral("--bad-marker"), QStringLiteral("--short-reply"), QStringLiteral("1")},
         {0x1B, 0xEE},
         {0x55}},
    };
    for (const Case& c : cases) {
        Program program(QStringList{QStringLiteral("--state"), state()} + c.options);
        const QString started = program.waitForLine(QStringLiteral("Virtual display on"));
        ASSERT_FALSE(started.isEmpty()) << c.options.join(' ').toStdString();
        const QString port = started.section(QLatin1Char(' '), 3, 3);
        const std::string link = link::portFolder() + "/" + port.toStdString();
        EXPECT_EQ(exchange(link, c.request, c.reply.size()), c.reply)
            << c.options.join(' ').toStdString();
        program.terminate();
    }
}

TEST_F(VfdsimProgram, HelpNeedsNoDisplayServer) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VFDSIM_PATH), {QStringLiteral("--help")});
    ASSERT_TRUE(process.waitForFinished(kLimitMs));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardOutput().contains("--headless"));
}

TEST_F(VfdsimProgram, RefusesBadOptionValues) {
    for (const QStringList& options :
         {QStringList{QStringLiteral("--port"), QStringLiteral("0")},
          QStringList{QStringLiteral("--date"), QStringLiteral("2026-13-01")},
          QStringList{QStringLiteral("--reply-delay"), QStringLiteral("soon")}}) {
        Program program(options);
        ASSERT_TRUE(program.process().waitForFinished(kLimitMs));
        EXPECT_EQ(program.process().exitCode(), 2) << options.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace vfd::sim
