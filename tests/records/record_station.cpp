// SPDX-License-Identifier: GPL-3.0-or-later
// A station in a process of its own, for the tests that need one: a store that is killed, a
// store opened as another user, two stations sending to one server at once.
//   record_station open DB                          prints the outcome of opening DB
//   record_station add DB COUNT STATION             adds COUNT records (0: until killed)
//   record_station sync DB CONNINFO COUNT STATION   adds COUNT records, sending after each
//   record_station fill DB FILLER                   fills the disk with FILLER and reports what
//                                                   ready() and add() say, and again once it
//                                                   is removed
// Each key is printed once its add() has returned.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>

#include "records/line_sync.h"
#include "records/record_store.h"

using namespace vfd::records;

namespace {

const char* statusName(StoreStatus s) {
    switch (s) {
        case StoreStatus::Ok:
            return "ok";
        case StoreStatus::FolderNotWritable:
            return "folder-not-writable";
        case StoreStatus::DiskFull:
            return "disk-full";
        case StoreStatus::Damaged:
            return "damaged";
        case StoreStatus::Other:
            return "other";
    }
    return "?";
}

TestRecord sample(const QString& station, int n) {
    TestRecord r = beginRecord(station);
    r.modelName = QStringLiteral("Option_EPSON_QV310");
    r.modelCaption = QStringLiteral("QV310(Wexlor)");
    r.port = QStringLiteral("Com 1");
    r.lineSettings = QStringLiteral("9600,n,8,1");
    r.serialNumber = QStringLiteral("%1-%2").arg(station).arg(n, 6, 10, QLatin1Char('0'));
    r.step(Step::Identity) = {StepOutcome::Passed, {}};
    r.verdict = n % 7 == 0 ? Verdict::Failed : Verdict::Passed;
    r.ending = r.verdict == Verdict::Passed ? QStringLiteral("OK!") : QStringLiteral("Error!");
    endRecord(r, 3400);
    return r;
}

int fail(const OpenResult& opened) {
    std::printf("%s %s\n", statusName(opened.outcome.status),
                qPrintable(opened.outcome.systemWords));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: record_station open|add|sync DB ...\n");
        return 2;
    }
    const QString mode = args[1];
    RecordStore store(args[2]);
    const OpenResult opened = store.open();
    if (mode == QLatin1String("open")) {
        if (!opened.outcome.ok()) {
            return fail(opened);
        }
        const StoreOutcome added = store.add(sample(QStringLiteral("probe"), 1));
        std::printf("%s %s\n", statusName(added.status), qPrintable(added.systemWords));
        return added.ok() ? 0 : 1;
    }
    if (!opened.outcome.ok()) {
        return fail(opened);
    }
    if (mode == QLatin1String("add") && args.size() == 5) {
        const int count = args[3].toInt();
        for (int n = 1; count == 0 || n <= count; ++n) {
            const TestRecord r = sample(args[4], n);
            if (!store.add(r).ok()) {
                return 1;
            }
            std::printf("%s\n", qPrintable(r.key));
            std::fflush(stdout);
        }
        return 0;
    }
    if (mode == QLatin1String("sync") && args.size() == 6) {
        LineSync sync(store, args[3]);
        const int count = args[4].toInt();
        for (int n = 1; n <= count; ++n) {
            const TestRecord r = sample(args[5], n);
            if (!store.add(r).ok()) {
                return 1;
            }
            std::printf("%s\n", qPrintable(r.key));
            sync.syncNow();
        }
        // What could not go at once goes now; a server that stays away ends the wait.
        QElapsedTimer waited;
        waited.start();
        SyncOutcome last = sync.syncNow();
        while (!last.ok() && waited.elapsed() < 20000) {
            QThread::msleep(200);
            last = sync.syncNow();
        }
        std::printf("waiting %d\n", last.waiting);
        return last.ok() ? 0 : 1;
    }
    if (mode == QLatin1String("fill") && args.size() == 4) {
        if (!store.add(sample(QStringLiteral("fill"), 1)).ok()) {
            return 1;
        }
        QFile filler(args[3]);
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return 1;
        }
        const QByteArray block(64 * 1024, 'x');
        while (filler.write(block) > 0) {
        }
        // What is left of a block no longer fits: the last bytes go one by one.
        while (filler.write("x", 1) == 1) {
        }
        filler.close();
        std::printf("ready %s\n", statusName(store.ready().status));
        const StoreOutcome full = store.add(sample(QStringLiteral("fill"), 2));
        std::printf("add %s %s\n", statusName(full.status), qPrintable(full.systemWords));
        filler.remove();
        std::printf("after %s\n", statusName(store.add(sample(QStringLiteral("fill"), 3)).status));
        std::printf("kept %d\n", static_cast<int>(store.last(100).size()));
        return 0;
    }
    std::fprintf(stderr, "usage: record_station open|add|sync|fill DB ...\n");
    return 2;
}
