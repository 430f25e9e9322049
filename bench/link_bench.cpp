// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the link's own cost on this machine: one settings download to the virtual display over
// a pseudo-terminal (where the line itself takes no time, so what is measured is our overhead),
// and the processor time a reply wait uses while nothing answers.
//
//   build/bench/link_bench [path to vfdsim]
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

#include "bench_display.h"
#include "device/protocol.h"
#include "link/exchanges.h"
#include "link/line_settings.h"
#include "link/port_names.h"
#include "link/qt/qt_clock.h"
#include "link/qt/qt_serial_port.h"
#include "link/transfer.h"

using namespace vfd;

namespace {

double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString simPath =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VFDSIM_PATH);
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());

    QProcess sim;
    if (!bench::startDisplay(sim, simPath, runtime.filePath("state.bin"))) {
        return 1;
    }

    const auto settings = *link::parseLineSettings("9600,n,8,1");
    const auto device = *link::resolvePortNumber(7, link::systemPortLookup());
    link::QtSerialPort port;
    link::QtClock clock;
    device::BodyBytes body{};
    body[5] = 1;

    constexpr int kRuns = 15;
    std::vector<double> wall;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (link::openPort(port, device, settings) != link::PortError::None) {
            std::fprintf(stderr, "cannot open %s\n", device.c_str());
            return 1;
        }
        const auto r = link::downloadSettings(port, clock, device::dateStamp({2026, 12, 6}), body);
        const auto end = std::chrono::steady_clock::now();
        if (r.outcome != link::DownloadOutcome::Sent) {
            std::fprintf(stderr, "download %d failed\n", i);
            return 1;
        }
        wall.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        // Let the display store and redraw before the next run.
        QThread::msleep(50);
    }
    sim.terminate();
    sim.waitForFinished(3000);

    // 137 bytes out (command, date stamp, marker, body) and the check byte in, 10 bits each.
    const double lineFloorMs = 138 * link::characterTimeUs(settings) / 1000.0;

    // A reply wait with nobody answering: a pseudo-terminal whose far end stays silent.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    const std::string silent = ptsname(master);
    const int holder = ::open(silent.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(holder, &t);
    cfmakeraw(&t);
    tcsetattr(holder, TCSANOW, &t);
    link::QtSerialPort quiet;
    link::openPort(quiet, silent, settings);
    const double cpuBefore = cpuMs();
    const auto waitStart = std::chrono::steady_clock::now();
    const auto wait = link::waitForBytes(quiet, clock, 1, device::kDownloadReplyWaitMs);
    const double waitWall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - waitStart)
            .count();
    const double waitCpu = cpuMs() - cpuBefore;
    quiet.close();
    ::close(holder);
    ::close(master);

    std::printf("Download exchange over a pseudo-terminal, %d runs:\n", kRuns);
    std::printf("  median %.1f ms, best %.1f ms, worst %.1f ms (open to close, software only)\n",
                median(wall), *std::min_element(wall.begin(), wall.end()),
                *std::max_element(wall.begin(), wall.end()));
    std::printf("  line-time floor at 9600 baud (137 bytes out, 1 in): %.1f ms\n", lineFloorMs);
    std::printf("  overhead: %.1f%% of the floor\n", 100.0 * median(wall) / lineFloorMs);
    std::printf(
        "Reply wait with no answer: %.0f ms of waiting used %.1f ms of processor time "
        "(%d bytes arrived)\n",
        waitWall, waitCpu, wait.available);
    return 0;
}
