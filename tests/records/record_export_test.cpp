// SPDX-License-Identifier: GPL-3.0-or-later
// The station's records exported from the command line: the program run as a script would, with
// no display server.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "records/csv.h"
#include "records/record_store.h"
#include "records_fixture.h"

namespace vfd::records {
namespace {

struct Ran {
    int code = -1;
    QString out;
    QString err;
};

Ran tymbrik(const QStringList& arguments) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TYMBRIK_PATH), arguments);
    if (!program.waitForFinished(20000)) {
        return {};
    }
    return {program.exitCode(), QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(RecordExport, TheCommandLineWritesTheDaysAskedForAndSaysWhatWentWrong) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("records.sqlite"));
    std::vector<TestRecord> kept;
    {
        RecordStore store(path);
        ASSERT_TRUE(store.open().outcome.ok());
        for (const char* serial : {"VD000001", "VD000002"}) {
            kept.push_back(testing::fullRecord(QString::fromLatin1(serial)));
            ASSERT_TRUE(store.add(kept.back()).ok());
        }
        TestRecord later = testing::fullRecord(QStringLiteral("VD000003"));
        later.started = later.started.addDays(3);
        later.ended = later.ended.addDays(3);
        ASSERT_TRUE(store.add(later).ok());
    }
    const QString csv = dir.filePath(QStringLiteral("day.csv"));
    const Ran ran = tymbrik({"--export-csv", csv, "--from", "2026-12-11", "--records", path});
    ASSERT_EQ(ran.code, 0) << ran.err.toStdString();
    EXPECT_TRUE(ran.out.startsWith(QStringLiteral("2 records of 2026-12-11 to 2026-12-11")))
        << ran.out.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto back = recordsFromCsv(file.readAll());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, kept);

    struct Failure {
        QStringList arguments;
        int code;
        const char* says;
    };
    const Failure failures[] = {
        {{"--export-csv", csv, "--from", "11.12.2026", "--records", path}, 2, "YYYY-MM-DD"},
        {{"--export-csv", csv, "--from", "2026-12-11", "--to", "2026-12-01", "--records", path},
         2,
         "comes before"},
        {{"--export-csv", dir.filePath(QStringLiteral("no/such/folder/x.csv")), "--records", path},
         1,
         ""},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.arguments.join(' ').toStdString());
        const Ran failed = tymbrik(f.arguments);
        EXPECT_EQ(failed.code, f.code) << failed.err.toStdString();
        EXPECT_FALSE(failed.err.isEmpty());
        EXPECT_TRUE(failed.err.contains(QString::fromLatin1(f.says))) << failed.err.toStdString();
    }
}

}  // namespace
}  // namespace vfd::records
