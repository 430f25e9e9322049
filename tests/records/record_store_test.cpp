// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <functional>

#include "records/record_fields.h"
#include "records/record_store.h"
#include "records_fixture.h"

namespace vfd::records {
namespace {

using testing::bytesOf;
using testing::fullRecord;
using testing::recordAt;
using testing::writeBytes;

// A connection of the test's own to a database file, as another program would have one.
class RawFile {
public:
    explicit RawFile(const QString& path)
        : name_(QStringLiteral("raw-") + QUuid::createUuid().toString()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawFile() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    // Runs the statements; the first row's first value of the last one.
    QVariant run(const QStringList& statements) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        for (const QString& s : statements) {
            EXPECT_TRUE(q.exec(s)) << s.toStdString() << ": " << q.lastError().text().toStdString();
        }
        return q.next() ? q.value(0) : QVariant();
    }

private:
    QString name_;
};

class RecordStoreTest : public ::testing::Test {
protected:
    QString file(const QString& name = QStringLiteral("records.sqlite")) const {
        return dir.filePath(name);
    }
    QTemporaryDir dir;
};

TEST_F(RecordStoreTest, RecordsComeBackAsTheyWereAddedInAFolderItMade) {
    RecordStore store(dir.filePath(QStringLiteral("new/folder/records.sqlite")));
    const OpenResult opened = store.open();
    ASSERT_TRUE(opened.outcome.ok()) << opened.outcome.systemWords.toStdString();
    EXPECT_FALSE(opened.setAside);

    const TestRecord full = fullRecord();
    const TestRecord later = recordAt(full.started.addSecs(60), Verdict::Passed, "VD000002");
    const TestRecord early = recordAt(full.started.addSecs(-60), Verdict::EndedEarly);
    for (const TestRecord& r : {full, later, early}) {
        ASSERT_TRUE(store.add(r).ok());
    }
    EXPECT_EQ(store.last(10), (std::vector<TestRecord>{later, full, early}));
    EXPECT_EQ(store.last(1), (std::vector<TestRecord>{later}));

    // And so they do for the next program that opens the file.
    RecordStore again(store.path());
    ASSERT_TRUE(again.open().outcome.ok());
    EXPECT_EQ(again.last(10), (std::vector<TestRecord>{later, full, early}));
}

TEST_F(RecordStoreTest, KeepsAWriteAheadLogAndSyncsFully) {
    RecordStore store(file());
    ASSERT_TRUE(store.open().outcome.ok());
    const StoreSettings s = store.settings();
    EXPECT_EQ(s.journalMode, QStringLiteral("wal"));
    EXPECT_EQ(s.synchronous, 2);  // FULL
    EXPECT_EQ(s.schemaVersion, RecordStore::kSchemaVersion);
    // The log mode is the file's: another program sees it too.
    RawFile raw(file());
    EXPECT_EQ(raw.run({QStringLiteral("PRAGMA journal_mode")}).toString(), QStringLiteral("wal"));
}

TEST_F(RecordStoreTest, AFileOfTheFirstSchemaIsMigratedAndItsRecordsWaitForTheLine) {
    const TestRecord old = fullRecord();
    {
        // The first schema as that version of the program wrote it: no queue for the line.
        RawFile raw(file());
        QStringList values;
        for (const QString& field : toFields(old)) {
            values << QLatin1Char('\'') + QString(field).replace(u'\'', QStringLiteral("''")) +
                          QLatin1Char('\'');
        }
        raw.run(
            {QStringLiteral("CREATE TABLE records (record_key TEXT PRIMARY KEY NOT NULL,"
                            " started_utc TEXT NOT NULL, started_local TEXT, ended_utc TEXT,"
                            " ended_local TEXT, station TEXT, model_name TEXT, model_caption TEXT,"
                            " port TEXT, device TEXT, adapter_serial TEXT, line_settings TEXT,"
                            " factory_download TEXT, factory_download_detail TEXT, identity TEXT,"
                            " identity_detail TEXT, serial_number_step TEXT,"
                            " serial_number_step_detail TEXT, visual_test TEXT,"
                            " visual_test_detail TEXT, test_image TEXT, test_image_detail TEXT,"
                            " default_download TEXT, default_download_detail TEXT,"
                            " verdict TEXT NOT NULL, ending TEXT, serial_number TEXT,"
                            " duration_ms INTEGER)"),
             QStringLiteral("CREATE INDEX records_started ON records (started_utc)"),
             QStringLiteral("CREATE INDEX records_serial ON records (serial_number)"),
             QStringLiteral("INSERT INTO records (%1) VALUES (%2)")
                 .arg(fieldNames().join(u','), values.join(u',')),
             QStringLiteral("PRAGMA user_version = 1")});
    }
    RecordStore store(file());
    const OpenResult opened = store.open();
    ASSERT_TRUE(opened.outcome.ok()) << opened.outcome.systemWords.toStdString();
    EXPECT_EQ(opened.schemaFound, 1);
    EXPECT_EQ(store.settings().schemaVersion, RecordStore::kSchemaVersion);
    EXPECT_EQ(store.last(5), std::vector<TestRecord>{old});
    EXPECT_EQ(store.waitingCount(), 1);
    const TestRecord next = recordAt(old.started.addSecs(5), Verdict::Passed);
    EXPECT_TRUE(store.add(next).ok());
    EXPECT_EQ(store.waiting(5), (std::vector<TestRecord>{old, next}));
}

TEST_F(RecordStoreTest, AFileOfANewerProgramIsLeftAsItIs) {
    {
        RawFile raw(file());
        raw.run({QStringLiteral("CREATE TABLE later_things (x)"),
                 QStringLiteral("PRAGMA user_version = 99")});
    }
    const QByteArray before = bytesOf(file());
    RecordStore store(file());
    const OpenResult opened = store.open();
    EXPECT_EQ(opened.outcome.status, StoreStatus::Other);
    EXPECT_TRUE(opened.outcome.systemWords.contains(QStringLiteral("newer")))
        << opened.outcome.systemWords.toStdString();
    EXPECT_FALSE(store.isOpen());
    EXPECT_FALSE(store.add(fullRecord()).ok());
    EXPECT_EQ(bytesOf(file()), before);
}

struct Damage {
    const char* name;
    std::function<void(const QString& file)> make;
};

class DamagedFile : public RecordStoreTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedFile, IsSetAsideUntouchedAndANewOneStarted) {
    GetParam().make(file());
    const QByteArray damaged = bytesOf(file());
    ASSERT_FALSE(damaged.isEmpty());

    RecordStore store(file());
    const OpenResult opened = store.open();
    ASSERT_TRUE(opened.outcome.ok()) << opened.outcome.systemWords.toStdString();
    ASSERT_TRUE(opened.setAside);
    EXPECT_EQ(opened.setAside->damagedFile, file());
    EXPECT_FALSE(opened.setAside->reason.isEmpty());
    const QRegularExpression named(QRegularExpression::escape(file()) +
                                   QStringLiteral("\\.damaged-\\d{8}T\\d{6}Z$"));
    EXPECT_TRUE(named.match(opened.setAside->movedTo).hasMatch())
        << opened.setAside->movedTo.toStdString();
    EXPECT_EQ(bytesOf(opened.setAside->movedTo), damaged);

    EXPECT_TRUE(store.last(10).empty());
    const TestRecord r = fullRecord();
    EXPECT_TRUE(store.add(r).ok());
    EXPECT_EQ(store.last(10), std::vector<TestRecord>{r});
}

INSTANTIATE_TEST_SUITE_P(
    Records, DamagedFile,
    ::testing::Values(Damage{"NotADatabase",
                             [](const QString& f) {
                                 writeBytes(f, QByteArray("VD000001,passed\r\n", 17));
                             }},
                      Damage{"TornPages",
                             [](const QString& f) {
                                 {
                                     RecordStore s(f);
                                     s.open();
                                     for (int i = 0; i < 40; ++i) {
                                         s.add(fullRecord(QStringLiteral("VD%1").arg(i)));
                                     }
                                 }
                                 // The header stays sound; the pages of the records are
                                 // overwritten.
                                 QByteArray bytes = bytesOf(f);
                                 for (qsizetype i = 4096; i < bytes.size(); ++i) {
                                     bytes[i] = static_cast<char>(i * 7);
                                 }
                                 writeBytes(f, bytes);
                             }}),
    [](const ::testing::TestParamInfo<Damage>& p) { return std::string(p.param.name); });

TEST_F(RecordStoreTest, CountsTestsAndYieldSinceATimeAndForTheLocalDay) {
    RecordStore store(file());
    ASSERT_TRUE(store.open().outcome.ok());
    const QDateTime noon(QDate(2026, 12, 11), QTime(12, 0));
    EXPECT_EQ(store.countsToday(noon), Counts{});
    EXPECT_FALSE(store.countsToday(noon).yield());

    const QDateTime midnight(noon.date(), QTime(0, 0));
    for (const TestRecord& r : {
             recordAt(midnight.addMSecs(-1), Verdict::Passed),  // yesterday
             recordAt(midnight, Verdict::Passed),
             recordAt(noon.addSecs(-3600), Verdict::Failed),
             recordAt(noon.addSecs(-600), Verdict::EndedEarly),
             recordAt(noon.addSecs(-300), Verdict::Passed),
             recordAt(noon.addSecs(-60), Verdict::Passed),
         }) {
        ASSERT_TRUE(store.add(r).ok());
    }
    const Counts today = store.countsToday(noon);
    EXPECT_EQ(today, (Counts{5, 3, 1, 1}));
    ASSERT_TRUE(today.yield());
    EXPECT_DOUBLE_EQ(*today.yield(), 0.6);
    // Since the program started, say ten minutes ago.
    EXPECT_EQ(store.countsSince(noon.addSecs(-600)), (Counts{3, 2, 0, 1}));
    EXPECT_EQ(store.countsSince(midnight.addDays(-1)), (Counts{6, 4, 1, 1}));
}

TEST_F(RecordStoreTest, TellsWhenAndWhereASerialNumberPassedLast) {
    RecordStore store(file());
    ASSERT_TRUE(store.open().outcome.ok());
    const QDateTime t0(QDate(2026, 12, 10), QTime(9, 14));
    const TestRecord failed = recordAt(t0, Verdict::Failed, "VD000001", "Station 1");
    const TestRecord first = recordAt(t0.addSecs(60), Verdict::Passed, "VD000001", "Station 1");
    const TestRecord second = recordAt(t0.addDays(1), Verdict::Passed, "VD000001", "Station 3");
    const TestRecord failedAgain =
        recordAt(t0.addDays(1).addSecs(60), Verdict::Failed, "VD000001", "Station 3");
    const TestRecord other = recordAt(t0.addDays(2), Verdict::Passed, "VD0000012", "Station 3");
    for (const TestRecord& r : {failed, first, second, failedAgain, other}) {
        ASSERT_TRUE(store.add(r).ok());
    }
    const auto before = store.passedBefore(QStringLiteral("VD000001"));
    ASSERT_TRUE(before);
    EXPECT_EQ(*before, second);
    EXPECT_FALSE(store.passedBefore(QStringLiteral("VD000002")));
    EXPECT_FALSE(store.passedBefore(QString()));
}

TEST_F(RecordStoreTest, SearchesSerialNumbersByWhatTheyContainTakingWildcardsLiterally) {
    RecordStore store(file());
    ASSERT_TRUE(store.open().outcome.ok());
    const QDateTime t0(QDate(2026, 12, 10), QTime(9, 0));
    const TestRecord a = recordAt(t0, Verdict::Passed, "VD000017");
    const TestRecord b = recordAt(t0.addSecs(1), Verdict::Failed, "VD100017");
    const TestRecord c = recordAt(t0.addSecs(2), Verdict::Passed, "AB%_9");
    for (const TestRecord& r : {a, b, c}) {
        ASSERT_TRUE(store.add(r).ok());
    }
    struct Case {
        const char* text;
        std::vector<TestRecord> found;
    };
    for (const Case& k : {Case{"0017", {b, a}}, Case{"VD1", {b}}, Case{"%", {c}}, Case{"_", {c}},
                          Case{"B%_", {c}}, Case{"XYZ", {}}}) {
        EXPECT_EQ(store.bySerialNumber(QString::fromLatin1(k.text)), k.found) << k.text;
    }
}

TEST_F(RecordStoreTest, GivesTheRecordsOfLocalDaysOldestFirst) {
    RecordStore store(file());
    ASSERT_TRUE(store.open().outcome.ok());
    const QDate day(2026, 12, 9);
    std::vector<TestRecord> all;
    for (int d = 0; d < 4; ++d) {
        for (const QTime t : {QTime(0, 0), QTime(23, 59, 59, 999)}) {
            all.push_back(recordAt(QDateTime(day.addDays(d), t), Verdict::Passed));
            ASSERT_TRUE(store.add(all.back()).ok());
        }
    }
    EXPECT_EQ(store.between(day.addDays(1), day.addDays(2)),
              (std::vector<TestRecord>(all.begin() + 2, all.begin() + 6)));
    EXPECT_EQ(store.between(day.addDays(3), day.addDays(3)),
              (std::vector<TestRecord>(all.begin() + 6, all.end())));
    EXPECT_TRUE(store.between(day.addDays(5), day.addDays(9)).empty());
}

TEST_F(RecordStoreTest, RecordsWaitForTheLineUntilMarkedSent) {
    RecordStore store(file());
    ASSERT_TRUE(store.open().outcome.ok());
    const QDateTime t0(QDate(2026, 12, 10), QTime(9, 0));
    std::vector<TestRecord> all;
    for (int i = 0; i < 4; ++i) {
        all.push_back(recordAt(t0.addSecs(i), Verdict::Passed));
        ASSERT_TRUE(store.add(all.back()).ok());
    }
    EXPECT_EQ(store.waitingCount(), 4);
    ASSERT_TRUE(store.markSent({all[0].key, all[2].key}).ok());
    EXPECT_EQ(store.waitingCount(), 2);
    EXPECT_EQ(store.waiting(10), (std::vector<TestRecord>{all[1], all[3]}));
    EXPECT_EQ(store.waiting(1), std::vector<TestRecord>{all[1]});
}

TEST_F(RecordStoreTest, AStoreThatIsNotOpenRefusesRecordsWithAReason) {
    RecordStore store(file());
    const StoreOutcome added = store.add(fullRecord());
    EXPECT_EQ(added.status, StoreStatus::Other);
    EXPECT_FALSE(added.systemWords.isEmpty());
    EXPECT_FALSE(store.ready().ok());
    ASSERT_TRUE(store.open().outcome.ok());
    EXPECT_TRUE(store.ready().ok());
}

}  // namespace
}  // namespace vfd::records
