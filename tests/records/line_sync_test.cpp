// SPDX-License-Identifier: GPL-3.0-or-later
// The line database against a real PostgreSQL server that the test starts itself, on a free
// local port, in a scratch folder. initdb refuses to run as root, so under root the server runs
// as the user "postgres" that Debian's package makes. A server that cannot be started fails
// every test here with the reason.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <memory>

#include "records/line_sync.h"
#include "records/record_store.h"
#include "records_fixture.h"
#include "support/pg_server.h"

namespace vfd::records {
namespace {

class LineSyncTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<vfd::testing::PgServer>();
        whyNot = server->start();
    }
    static void TearDownTestSuite() {
        server->stop();
        server.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(whyNot.isEmpty())
            << "the PostgreSQL server did not start: " << whyNot.toStdString();
        if (!server->running()) {
            const QString why = server->resume();
            ASSERT_TRUE(why.isEmpty()) << why.toStdString();
        }
        // libpq reads it when it connects; so does every station started from here.
        qputenv("PGPASSWORD", vfd::testing::kPgPassword.toUtf8());
        qunsetenv("PGPASSFILE");
    }

    // The keys the server holds, and how many rows.
    static QStringList serverKeys() {
        QStringList keys;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "check");
            db.setConnectOptions(server->conninfo());
            EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT record_key FROM %1").arg(LineSync::kTable))) {
                while (q.next()) {
                    keys << q.value(0).toString();
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("check");
        return keys;
    }

    std::vector<TestRecord> addRecords(RecordStore& store, int count, const QString& station) {
        std::vector<TestRecord> added;
        for (int i = 0; i < count; ++i) {
            added.push_back(testing::fullRecord(QStringLiteral("%1-%2").arg(station).arg(i)));
            added.back().station = station;
            EXPECT_TRUE(store.add(added.back()).ok());
        }
        return added;
    }

    static inline std::unique_ptr<vfd::testing::PgServer> server;
    static inline QString whyNot;
    QTemporaryDir dir;
};

TEST_F(LineSyncTest, TwoStationsSendingAtOnceLoseNothingAndNeverCollide) {
    // One station has its password in the environment, the other in a pgpass file.
    const QString pgpass = server->scratch(QStringLiteral("station-b.pgpass"));
    testing::writeBytes(pgpass, QStringLiteral("127.0.0.1:*:*:%1:%2\n")
                                    .arg(vfd::testing::kPgUser, vfd::testing::kPgPassword)
                                    .toUtf8());
    ::chmod(QFile::encodeName(pgpass).constData(), 0600);
    const QStringList before = serverKeys();

    constexpr int kEach = 40;
    QProcess stations[2];
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (i == 1) {
            env.remove(QStringLiteral("PGPASSWORD"));
            env.insert(QStringLiteral("PGPASSFILE"), pgpass);
        }
        stations[i].setProcessEnvironment(env);
        stations[i].start(
            QStringLiteral(RECORD_STATION),
            {"sync", dir.filePath(QStringLiteral("station-%1.sqlite").arg(i)), server->conninfo(),
             QString::number(kEach), QStringLiteral("station-%1").arg(i)});
    }
    QSet<QString> printed;
    for (QProcess& station : stations) {
        ASSERT_TRUE(station.waitForFinished(60000));
        const QString out = QString::fromLatin1(station.readAllStandardOutput());
        EXPECT_EQ(station.exitCode(), 0)
            << out.toStdString() << station.readAllStandardError().toStdString();
        QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.takeLast(), QStringLiteral("waiting 0"));
        EXPECT_EQ(lines.size(), kEach);
        for (const QString& key : lines) {
            printed.insert(key);
        }
    }
    EXPECT_EQ(printed.size(), 2 * kEach);
    const QStringList after = serverKeys();
    EXPECT_EQ(after.size(), before.size() + 2 * kEach);
    const QSet<QString> held(after.begin(), after.end());
    for (const QString& key : printed) {
        EXPECT_TRUE(held.contains(key)) << "missing on the server: " << key.toStdString();
    }
}

TEST_F(LineSyncTest, RecordsWaitWhileTheServerIsDownAndGoWhenItIsBack) {
    RecordStore store(dir.filePath(QStringLiteral("station.sqlite")));
    ASSERT_TRUE(store.open().outcome.ok());
    LineSync sync(store, server->conninfo());
    ASSERT_TRUE(sync.configurationProblem().isEmpty());

    const auto first = addRecords(store, 2, QStringLiteral("down-1"));
    SyncOutcome out = sync.syncNow();
    ASSERT_TRUE(out.ok()) << out.words.toStdString();
    EXPECT_EQ(out.sent, 2);
    EXPECT_EQ(sync.waitingCount(), 0);

    ASSERT_TRUE(server->stop().isEmpty());
    const auto during = addRecords(store, 3, QStringLiteral("down-2"));
    QElapsedTimer took;
    took.start();
    out = sync.syncNow();
    EXPECT_EQ(out.status, SyncStatus::Unreachable);
    EXPECT_EQ(out.waiting, 3);
    EXPECT_EQ(sync.waitingCount(), 3);
    EXPECT_FALSE(out.words.isEmpty());
    // A refused connection is told at once; the connect timeout bounds a silent one.
    EXPECT_LT(took.elapsed(), (LineSync::kConnectTimeoutS + 2) * 1000);

    ASSERT_TRUE(server->resume().isEmpty());
    out = sync.syncNow();
    ASSERT_TRUE(out.ok()) << out.words.toStdString();
    EXPECT_EQ(out.sent, 3);
    EXPECT_EQ(out.waiting, 0);
    const QStringList keys = serverKeys();
    for (const auto* batch : {&first, &during}) {
        for (const TestRecord& r : *batch) {
            EXPECT_TRUE(keys.contains(r.key)) << r.key.toStdString();
        }
    }
}

TEST_F(LineSyncTest, AfterAFailedTryTheTimersCallLeavesTheServerAloneForAWhile) {
    RecordStore store(dir.filePath(QStringLiteral("station.sqlite")));
    ASSERT_TRUE(store.open().outcome.ok());
    qint64 now = 0;
    LineSync sync(store, server->conninfo(), [&now] { return now; });

    ASSERT_TRUE(server->stop().isEmpty());
    addRecords(store, 1, QStringLiteral("backoff"));
    EXPECT_EQ(sync.syncDue().status, SyncStatus::Unreachable);
    ASSERT_TRUE(server->resume().isEmpty());
    // The server is back, but the wait is not over: it is not asked.
    now = LineSync::kFirstRetryMs - 1;
    SyncOutcome out = sync.syncDue();
    EXPECT_EQ(out.status, SyncStatus::Unreachable);
    EXPECT_EQ(out.waiting, 1);
    now = LineSync::kFirstRetryMs;
    out = sync.syncDue();
    ASSERT_TRUE(out.ok()) << out.words.toStdString();
    EXPECT_EQ(out.sent, 1);

    // Each failure in a row doubles the wait; a success ends it.
    ASSERT_TRUE(server->stop().isEmpty());
    addRecords(store, 2, QStringLiteral("backoff-2"));
    EXPECT_FALSE(sync.syncDue().ok());  // tried at once: the last try went well
    now += LineSync::kFirstRetryMs;
    EXPECT_FALSE(sync.syncDue().ok());  // tried again: the next wait is twice as long
    ASSERT_TRUE(server->resume().isEmpty());
    now += 2 * LineSync::kFirstRetryMs - 1;
    EXPECT_FALSE(sync.syncDue().ok());
    now += 1;
    out = sync.syncDue();
    ASSERT_TRUE(out.ok()) << out.words.toStdString();
    EXPECT_EQ(out.sent, 2);
    // syncNow() is the operator's: it always asks.
    EXPECT_TRUE(sync.syncNow().ok());
}

TEST_F(LineSyncTest, ARecordSentAgainIsTakenOnceAndTheResendSucceeds) {
    RecordStore station(dir.filePath(QStringLiteral("station.sqlite")));
    ASSERT_TRUE(station.open().outcome.ok());
    const auto records = addRecords(station, 3, QStringLiteral("resend"));
    LineSync sync(station, server->conninfo());
    ASSERT_TRUE(sync.syncNow().ok());
    const qsizetype held = serverKeys().size();

    // The same records again, as from a file restored from a backup: none of them sent.
    RecordStore restored(dir.filePath(QStringLiteral("restored.sqlite")));
    ASSERT_TRUE(restored.open().outcome.ok());
    for (const TestRecord& r : records) {
        ASSERT_TRUE(restored.add(r).ok());
    }
    LineSync again(restored, server->conninfo());
    const SyncOutcome out = again.syncNow();
    ASSERT_TRUE(out.ok()) << out.words.toStdString();
    EXPECT_EQ(out.sent, 3);
    EXPECT_EQ(restored.waitingCount(), 0);
    EXPECT_EQ(serverKeys().size(), held);
}

TEST_F(LineSyncTest, WithoutThePasswordRecordsWaitAndThePasswordIsNeverKept) {
    RecordStore store(dir.filePath(QStringLiteral("station.sqlite")));
    ASSERT_TRUE(store.open().outcome.ok());
    addRecords(store, 2, QStringLiteral("nopw"));
    LineSync sync(store, server->conninfo());

    qunsetenv("PGPASSWORD");
    qputenv("PGPASSFILE", QFile::encodeName(dir.filePath(QStringLiteral("none"))));
    SyncOutcome out = sync.syncNow();
    EXPECT_EQ(out.status, SyncStatus::Unreachable);
    EXPECT_TRUE(out.words.contains(QStringLiteral("password"))) << out.words.toStdString();
    EXPECT_EQ(out.waiting, 2);

    qputenv("PGPASSWORD", vfd::testing::kPgPassword.toUtf8());
    out = sync.syncNow();
    ASSERT_TRUE(out.ok()) << out.words.toStdString();
    EXPECT_FALSE(out.words.contains(vfd::testing::kPgPassword));
    for (const char* part : {"", "-wal"}) {
        EXPECT_FALSE(testing::bytesOf(store.path() + QLatin1String(part))
                         .contains(vfd::testing::kPgPassword.toUtf8()))
            << part;
    }

    // A password written into the connection is refused before anything is sent.
    LineSync given(store,
                   server->conninfo() + QStringLiteral(" password=") + vfd::testing::kPgPassword);
    EXPECT_FALSE(given.configurationProblem().isEmpty());
    const SyncOutcome refused = given.syncNow();
    EXPECT_EQ(refused.status, SyncStatus::BadConfiguration);
    EXPECT_FALSE(refused.words.contains(vfd::testing::kPgPassword));
}

TEST(LineConnection, ReadsLibpqKeywordsAndNamesItsTargetWithoutSecrets) {
    QString problem;
    const auto c = LineConnection::parse(
        QStringLiteral("host=db.line port = 5433 dbname='line records' user=st\\3"), &problem);
    ASSERT_TRUE(c) << problem.toStdString();
    EXPECT_EQ(c->value(QStringLiteral("dbname")), QStringLiteral("line records"));
    EXPECT_EQ(c->target(), QStringLiteral("st3@db.line:5433/line records"));
    const auto back = LineConnection::parse(c->toConninfo(), &problem);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->options, c->options);

    for (const char* bad : {"", "host", "dbname='open", "host=a password=x"}) {
        problem.clear();
        EXPECT_FALSE(LineConnection::parse(QString::fromLatin1(bad), &problem)) << bad;
        EXPECT_FALSE(problem.isEmpty()) << bad;
    }
}

}  // namespace
}  // namespace vfd::records
