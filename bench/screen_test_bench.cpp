// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the screen test as Tymbrik runs it against the virtual display, its record included:
//  - the time from Start until the verdict window shows, against the waits the test itself
//    prescribes (two identity pauses, all dots on, all dots off), median of 15 QV310 runs;
//  - a soak of screen tests in a row with those waits skipped, watching the process's open file
//    descriptors, its resident memory and the size of the records file.
//
//   QT_QPA_PLATFORM=offscreen build/bench/screen_test_bench [--soak N] [path to vfdsim]
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <vector>

#include "bench_display.h"
#include "device/protocol.h"
#include "link/qt/qt_clock.h"
#include "testtool/message_window.h"
#include "testtool/production_run/screen_run.h"
#include "testtool/tymbrik_window.h"

using namespace vfd;

namespace {

// The real clock, counting the time spent in the waits it is asked for.
class CountingClock : public link::QtClock {
public:
    void runEvents(int maxWaitMs) override {
        QElapsedTimer t;
        t.start();
        QtClock::runEvents(maxWaitMs);
        waitedNs += t.nsecsElapsed();
    }
    qint64 waitedNs = 0;
};

// A clock whose waits end at once: tick time jumps by what each wait asked for. Reply waits
// still take real time, since they wait on the port.
class SkippingClock : public link::Clock {
public:
    SkippingClock() { timer_.start(); }
    std::uint32_t tickCount() override {
        return static_cast<std::uint32_t>(timer_.elapsed() + skipped_);
    }
    void runEvents(int maxWaitMs) override {
        QCoreApplication::processEvents();
        skipped_ += maxWaitMs;
    }

private:
    QElapsedTimer timer_;
    qint64 skipped_ = 0;
};

long openDescriptors() {
    return static_cast<long>(QDir(QStringLiteral("/proc/self/fd"))
                                 .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                                 .size());
}

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

qint64 bytesOf(const QString& file) {
    return QFileInfo(file).size();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One screen test from Start until the verdict window showed, in milliseconds; the operator
// presses OK at once. Negative when the verdict was not "OK!". `shown` runs as it shows.
double screenTest(testtool::TymbrikWindow& window, const std::function<void()>& shown = {}) {
    QElapsedTimer run;
    double shownAfter = -1;
    QTimer hand;
    QObject::connect(&hand, &QTimer::timeout, [&] {
        testtool::MessageWindow& box = window.messageWindow();
        if (!box.isVisible() || box.waitValue() != 1) {
            return;
        }
        if (box.message() == QStringLiteral("OK!")) {
            shownAfter = static_cast<double>(run.nsecsElapsed()) / 1e6;
            if (shown) {
                shown();
            }
        }
        box.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    });
    hand.start(1);
    run.start();
    window.findChild<QPushButton*>(QStringLiteral("ScreenTest"))->click();
    return shownAfter;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int soak = 1000;
    QString simPath = QStringLiteral(VFDSIM_PATH);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--soak") == 0 && i + 1 < argc) {
            soak = std::atoi(argv[++i]);
        } else {
            simPath = QString::fromLocal8Bit(argv[i]);
        }
    }
    QTemporaryDir scratch;
    qputenv("XDG_RUNTIME_DIR", scratch.filePath(QStringLiteral("run")).toLocal8Bit());
    QDir().mkpath(scratch.filePath(QStringLiteral("run")));

    QProcess sim;
    if (!bench::startDisplay(sim, simPath, scratch.filePath(QStringLiteral("state.bin")))) {
        return 1;
    }
    // The display prints every screen; nobody reads it here.
    QObject::connect(&sim, &QProcess::readyRead, [&] { sim.readAll(); });

    const int prescribedMs =
        2 * device::kIdentityPauseMs + testtool::kAllOnMs + testtool::kAllOffMs;
    {
        CountingClock clock;
        testtool::TymbrikWindowServices services;
        services.clock = &clock;
        services.recordsPath = scratch.filePath(QStringLiteral("timed.sqlite"));
        testtool::TymbrikWindow window(services);
        window.findChild<QComboBox*>(QStringLiteral("Comm"))->setCurrentIndex(6);
        constexpr int kRuns = 15;
        std::vector<double> total;
        std::vector<double> outside;
        for (int i = 0; i < kRuns; ++i) {
            clock.waitedNs = 0;
            qint64 waitedNs = 0;
            const double ms = screenTest(window, [&] { waitedNs = clock.waitedNs; });
            if (ms < 0) {
                std::fprintf(stderr, "screen test %d did not end OK\n", i);
                return 1;
            }
            total.push_back(ms);
            outside.push_back(ms - static_cast<double>(waitedNs) / 1e6);
        }
        std::printf(
            "QV310 screen test, Start until the verdict shows, median of %d: %.1f ms "
            "(best %.1f, worst %.1f)\n",
            kRuns, median(total), *std::min_element(total.begin(), total.end()),
            *std::max_element(total.begin(), total.end()));
        std::printf("  prescribed waits: %d ms; over them: %.1f ms\n", prescribedMs,
                    median(total) - prescribedMs);
        std::printf("  outside the waits (exchanges, record, window), median: %.1f ms\n",
                    median(outside));
    }

    if (soak > 0) {
        SkippingClock clock;
        testtool::TymbrikWindowServices services;
        services.clock = &clock;
        const QString records = scratch.filePath(QStringLiteral("soak.sqlite"));
        services.recordsPath = records;
        testtool::TymbrikWindow window(services);
        window.findChild<QComboBox*>(QStringLiteral("Comm"))->setCurrentIndex(6);
        std::printf("\nsoak: %d screen tests in a row, waits skipped\n", soak);
        std::printf("%8s %8s %12s %12s %12s %10s\n", "tests", "open fds", "resident KiB",
                    "file bytes", "log bytes", "ms/test");
        QElapsedTimer stretch;
        stretch.start();
        const int every = std::max(1, soak / 10);
        for (int i = 1; i <= soak; ++i) {
            if (screenTest(window) < 0) {
                std::fprintf(stderr, "soak test %d did not end OK\n", i);
                return 1;
            }
            if (i == 1 || i % every == 0) {
                std::printf("%8d %8ld %12ld %12lld %12lld %10.1f\n", i, openDescriptors(),
                            residentKiB(), static_cast<long long>(bytesOf(records)),
                            static_cast<long long>(bytesOf(records + QStringLiteral("-wal"))),
                            static_cast<double>(stretch.elapsed()) / (i == 1 ? 1 : every));
                std::fflush(stdout);
                stretch.restart();
            }
        }
    }
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
