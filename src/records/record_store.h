// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "records/test_record.h"

class QSqlDatabase;
class QSqlError;

namespace vfd::records {

// Why the store could not do what it was asked.
enum class StoreStatus {
    Ok,
    FolderNotWritable,  // the folder (or the file in it) may not be written by this user
    DiskFull,
    Damaged,  // the file is not a database or fails its integrity check
    Other,    // anything else; the system's words say what
};

struct StoreOutcome {
    StoreStatus status = StoreStatus::Ok;
    QString path;         // the file or folder concerned
    QString systemWords;  // the reason as the system or SQLite gave it; empty when Ok

    bool ok() const { return status == StoreStatus::Ok; }
};

// A damaged database file that was moved out of the way; a new one took its place.
struct SetAside {
    QString damagedFile;
    QString movedTo;
    QString reason;  // what was wrong with it
};

struct OpenResult {
    StoreOutcome outcome;
    std::optional<SetAside> setAside;
    int schemaFound = 0;  // the file's schema version before it was brought up to date
};

// How many tests ended, and how.
struct Counts {
    int tested = 0;
    int passed = 0;
    int failed = 0;
    int endedEarly = 0;

    // Passed over tested; nothing before the first test.
    std::optional<double> yield() const;
    bool operator==(const Counts&) const = default;
};

// How the store's own connection keeps the file: for a look from outside.
struct StoreSettings {
    QString journalMode;   // "wal"
    int synchronous = -1;  // 2: FULL
    int schemaVersion = -1;
};

// The station's own records in one SQLite file. Every record is committed with a full sync
// before add() returns, in write-ahead-log mode, so a program killed at any moment leaves a
// sound file holding every record whose add() had returned.
//
// Not thread-safe: use it from the thread that opened it.
class RecordStore {
public:
    // The schema this program writes. Files of an older version are brought up to it at open;
    // a file of a newer version is left alone and not opened.
    static constexpr int kSchemaVersion = 2;

    // QStandardPaths::AppDataLocation/records.sqlite
    static QString defaultPath();

    explicit RecordStore(const QString& path = defaultPath());
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Makes the folder if needed, checks that it can be written, sets a damaged file aside and
    // starts a new one, and brings the schema up to date. Safe to call again after a failure
    // (when the operator has chosen another place, construct a new store instead).
    OpenResult open();
    bool isOpen() const { return open_; }
    const QString& path() const { return path_; }
    StoreSettings settings() const;

    // Whether a record could be written now: the store is open, its folder writable and the
    // disk not full. For the window to ask before each Start.
    StoreOutcome ready() const;

    // Writes the record and commits it before returning.
    StoreOutcome add(const TestRecord& record);

    Counts countsSince(const QDateTime& since) const;
    // Since the station's local midnight of `now`.
    Counts countsToday(const QDateTime& now = QDateTime::currentDateTime()) const;
    // The newest first.
    std::vector<TestRecord> last(int count) const;
    // Records whose serial number contains `text`, newest first.
    std::vector<TestRecord> bySerialNumber(const QString& text, int limit = 1000) const;
    // The latest record of this exact serial number that passed.
    std::optional<TestRecord> passedBefore(const QString& serialNumber) const;
    // Records started on the station's local days `first` to `last`, both included, oldest
    // first.
    std::vector<TestRecord> between(const QDate& first, const QDate& last) const;
    // Those records as a CSV file, written whole or not at all.
    StoreOutcome exportCsv(const QDate& first, const QDate& last, const QString& file) const;

    // The queue for the line database: records not yet sent, oldest first.
    int waitingCount() const;
    std::vector<TestRecord> waiting(int limit) const;
    StoreOutcome markSent(const QStringList& keys);

private:
    StoreOutcome folderReady() const;
    StoreOutcome connect();
    StoreOutcome settle(int& schemaFound);
    void disconnect();
    std::optional<QString> damage();
    SetAside setAside(const QString& reason);
    StoreOutcome migrate(int found);
    StoreOutcome failure(const QSqlError& error) const;
    // Ends a transaction that failed, with the failure's outcome.
    StoreOutcome rollBack(QSqlDatabase& db, const QSqlError& error) const;
    std::vector<TestRecord> select(const QString& where, const QVariantList& values,
                                   const QString& order, int limit) const;
    Counts counts(const QString& sinceUtc) const;

    QString path_;
    QString connection_;
    bool open_ = false;
};

// Writes the bytes to the file whole or not at all (the old file stays until the new one is
// complete).
StoreOutcome writeFileWhole(const QString& file, const QByteArray& bytes);

}  // namespace vfd::records
