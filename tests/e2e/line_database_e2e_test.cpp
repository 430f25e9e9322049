// SPDX-License-Identifier: GPL-3.0-or-later
// Two stations, each a Tymbrik window in a process of its own testing its own virtual display,
// send their records to one PostgreSQL server that the test starts itself. The server is stopped
// in the middle of the run: the records wait at the stations and arrive once it is back.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>

#include "records/line_sync.h"
#include "station_test.h"
#include "support/pg_server.h"
#include "support/sim_process.h"

namespace vfd {
namespace {

using testing::StationProcess;

constexpr int kRunsEach = 3;
// Long enough for the station's sync between two tests.
constexpr int kPauseMs = 5500;

TEST(LineDatabase, TwoStationsWriteAtOnceAndNothingIsLostWhileTheServerIsAway) {
    testing::PgServer server;
    const QString why = server.start();
    ASSERT_TRUE(why.isEmpty()) << "the PostgreSQL server did not start: " << why.toStdString();
    qputenv("PGPASSWORD", testing::kPgPassword.toUtf8());

    testing::usePrivatePortFolder();
    testing::SimProcess first(1);
    testing::SimProcess second(2);
    ASSERT_TRUE(first.started()) << first.output().toStdString();
    ASSERT_TRUE(second.started()) << second.output().toStdString();

    QTemporaryDir local;
    std::vector<std::unique_ptr<StationProcess>> stations;
    for (int n = 1; n <= 2; ++n) {
        stations.push_back(std::make_unique<StationProcess>(
            QStringLiteral(TYMBRIK_STATION),
            QStringList{"--records", local.filePath(QStringLiteral("station-%1.sqlite").arg(n)),
                        "--port", QString::number(n), "--station",
                        QStringLiteral("station %1").arg(n), "--runs", QString::number(kRunsEach),
                        "--pause", QString::number(kPauseMs), "--line-database", server.conninfo(),
                        "--linger", "90"}));
        // Each window searches every port by opening it: the next station starts once this
        // one's search is over, or each would find the other's display busy.
        ASSERT_TRUE(stations.back()->waitFor(QStringLiteral("ready"), 1, 30000))
            << stations.back()->everything().toStdString();
        EXPECT_EQ(stations.back()->lines(QStringLiteral("ready")),
                  QStringList{QStringLiteral("com %1").arg(n)});
    }
    // Both have tested a display before the server goes away.
    for (auto& s : stations) {
        ASSERT_TRUE(s->waitFor(QStringLiteral("shown"), 1, 30000)) << s->everything().toStdString();
    }
    ASSERT_TRUE(server.stop().isEmpty());
    // The rest of the runs happen without it; the stations say that records wait.
    for (auto& s : stations) {
        ASSERT_TRUE(s->waitFor(QStringLiteral("shown"), kRunsEach, 60000))
            << s->everything().toStdString();
    }
    // Each station tried the server while it was away, said so, and kept the records waiting.
    for (auto& s : stations) {
        const auto triedAndWaits = [&] {
            for (const QString& state : s->lines(QStringLiteral("state"))) {
                if (state.contains(QLatin1String("waiting for the line database")) &&
                    state.contains(QLatin1String("Line database"))) {
                    return true;
                }
            }
            return false;
        };
        QElapsedTimer waited;
        waited.start();
        while (!triedAndWaits() && waited.elapsed() < 30000) {
            s->waitFor(QStringLiteral("done"), 1, 500);
        }
        EXPECT_TRUE(triedAndWaits()) << s->everything().toStdString();
    }
    ASSERT_TRUE(server.resume().isEmpty());
    for (auto& s : stations) {
        ASSERT_TRUE(s->finish(120000)) << s->everything().toStdString();
        EXPECT_EQ(s->lines(QStringLiteral("done")), QStringList{QString()})
            << "records still waiting: " << s->everything().toStdString();
        EXPECT_EQ(s->lines(QStringLiteral("shown")), QStringList(kRunsEach, QStringLiteral("OK!")));
    }

    // Every record of both stations is on the server once, under its station's name, and the
    // same keys are in the stations' own files.
    const QString table = records::LineSync::kTable;
    const QStringList onServer = testing::queryColumn(
        QStringLiteral("QPSQL"), {}, QStringLiteral("SELECT record_key FROM %1").arg(table),
        server.conninfo());
    EXPECT_EQ(onServer.size(), 2 * kRunsEach) << onServer.join(' ').toStdString();
    EXPECT_EQ(QSet<QString>(onServer.begin(), onServer.end()).size(), 2 * kRunsEach);
    for (int n = 1; n <= 2; ++n) {
        const QStringList perStation = testing::queryColumn(
            QStringLiteral("QPSQL"), {},
            QStringLiteral("SELECT record_key FROM %1 WHERE station = 'station %2' ORDER BY 1")
                .arg(table)
                .arg(n),
            server.conninfo());
        QStringList kept = testing::queryColumn(
            QStringLiteral("QSQLITE"), local.filePath(QStringLiteral("station-%1.sqlite").arg(n)),
            QStringLiteral("SELECT record_key FROM records ORDER BY 1"));
        EXPECT_EQ(perStation, kept) << "station " << n;
    }
}

}  // namespace
}  // namespace vfd
