// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/record_store.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QTimeZone>
#include <QUuid>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "records/csv.h"
#include "records/record_fields.h"

namespace vfd::records {

namespace {

// SQLite's primary result codes that say something about the file or the disk.
constexpr int kSqlitePerm = 3;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADatabase = 26;

// Below this a record might still fit, but the next few might not, and the write-ahead log
// needs room for its checkpoints.
constexpr qint64 kMinFreeBytes = qint64{4} * 1024 * 1024;

constexpr int kBusyTimeoutMs = 5000;

// Each step takes a file from the version before it to its own; a new file goes through all of
// them, so a new file and a migrated one end up alike.
const char* const kMigrations[] = {
    // 1: the records.
    "CREATE TABLE records ("
    " record_key TEXT PRIMARY KEY NOT NULL,"
    " started_utc TEXT NOT NULL, started_local TEXT, ended_utc TEXT, ended_local TEXT,"
    " station TEXT, model_name TEXT, model_caption TEXT,"
    " port TEXT, device TEXT, adapter_serial TEXT, line_settings TEXT,"
    " factory_download TEXT, factory_download_detail TEXT,"
    " identity TEXT, identity_detail TEXT,"
    " serial_number_step TEXT, serial_number_step_detail TEXT,"
    " visual_test TEXT, visual_test_detail TEXT,"
    " test_image TEXT, test_image_detail TEXT,"
    " default_download TEXT, default_download_detail TEXT,"
    " verdict TEXT NOT NULL, ending TEXT, serial_number TEXT, duration_ms INTEGER);"
    "CREATE INDEX records_started ON records (started_utc);"
    "CREATE INDEX records_serial ON records (serial_number);",
    // 2: the queue for the line database. Records kept before it existed have never been
    // sent, so they wait too.
    "ALTER TABLE records ADD COLUMN sent INTEGER NOT NULL DEFAULT 0;"
    "CREATE INDEX records_waiting ON records (started_utc) WHERE sent = 0;",
};
static_assert(std::size(kMigrations) == RecordStore::kSchemaVersion);

int sqliteCode(const QSqlError& error) {
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    // Extended codes carry the primary one in their low byte.
    return numeric ? code & 0xff : -1;
}

QString wordsOf(const QSqlError& error) {
    QString words = error.driverText();
    const QString database = error.databaseText();
    if (!database.isEmpty() && database != words) {
        words = words.isEmpty() ? database : words + QStringLiteral(": ") + database;
    }
    return words;
}

// Qt binds a null QString as SQL NULL; an empty text is kept as an empty text.
QVariant bound(const QString& text) {
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString selectList() {
    return fieldNames().join(QStringLiteral(", "));
}

QString utcOfLocalMidnight(const QDate& day) {
    return utcText(QDateTime(day, QTime(0, 0)));
}

QString stampNow() {
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

}  // namespace

std::optional<double> Counts::yield() const {
    if (tested == 0) {
        return std::nullopt;
    }
    return static_cast<double>(passed) / tested;
}

QString RecordStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/records.sqlite");
}

RecordStore::RecordStore(const QString& path)
    : path_(QFileInfo(path).absoluteFilePath()),
      connection_(QStringLiteral("vfd-records-") + QUuid::createUuid().toString()) {}

RecordStore::~RecordStore() {
    disconnect();
}

void RecordStore::disconnect() {
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
    open_ = false;
}

StoreOutcome RecordStore::failure(const QSqlError& error) const {
    StoreOutcome out{StoreStatus::Other, path_, wordsOf(error)};
    switch (sqliteCode(error)) {
        case kSqlitePerm:
        case kSqliteReadOnly:
        case kSqliteCantOpen:
            out.status = StoreStatus::FolderNotWritable;
            break;
        case kSqliteFull:
            out.status = StoreStatus::DiskFull;
            break;
        case kSqliteCorrupt:
        case kSqliteNotADatabase:
            out.status = StoreStatus::Damaged;
            break;
        default:
            break;
    }
    return out;
}

StoreOutcome RecordStore::ready() const {
    if (!open_) {
        return {StoreStatus::Other, path_, QStringLiteral("not open")};
    }
    return folderReady();
}

StoreOutcome RecordStore::folderReady() const {
    const QString folder = QFileInfo(path_).absolutePath();
    // SQLite needs to make its log and index files beside the database, so a writable file in
    // a folder that is not writable is no good either. Asking for permissions is not enough
    // (root passes every check; network folders lie): a file is made and removed.
    QTemporaryFile probe(folder + QStringLiteral("/.records-probe-XXXXXX"));
    if (!probe.open()) {
        return {StoreStatus::FolderNotWritable, folder, probe.errorString()};
    }
    probe.close();
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() >= 0 &&
        storage.bytesAvailable() < kMinFreeBytes) {
        return {StoreStatus::DiskFull, folder,
                QStringLiteral("%1 bytes free").arg(storage.bytesAvailable())};
    }
    return {StoreStatus::Ok, path_, {}};
}

StoreOutcome RecordStore::connect() {
    QSqlDatabase db = QSqlDatabase::contains(connection_)
                          ? QSqlDatabase::database(connection_, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid()) {
        return {StoreStatus::Other, path_,
                QStringLiteral("the SQLite driver of Qt is not installed (QSQLITE)")};
    }
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) {
        return failure(db.lastError());
    }
    return {StoreStatus::Ok, path_, {}};
}

std::optional<QString> RecordStore::damage() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("PRAGMA integrity_check"))) {
        const int code = sqliteCode(q.lastError());
        if (code == kSqliteCorrupt || code == kSqliteNotADatabase) {
            return wordsOf(q.lastError());
        }
        return std::nullopt;
    }
    QStringList problems;
    while (q.next()) {
        problems << q.value(0).toString();
    }
    if (problems == QStringList{QStringLiteral("ok")}) {
        return std::nullopt;
    }
    return problems.join(QStringLiteral("; "));
}

SetAside RecordStore::setAside(const QString& reason) {
    disconnect();
    QString target = path_ + QStringLiteral(".damaged-") + stampNow();
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = path_ + QStringLiteral(".damaged-") + stampNow() + QLatin1Char('-') +
                 QString::number(n);
    }
    QFile::rename(path_, target);
    // The log may hold the last transactions of the damaged file; it goes with it, under the
    // name SQLite would look for beside the moved file.
    for (const char* companion : {"-wal", "-shm"}) {
        const QString from = path_ + QLatin1String(companion);
        if (QFileInfo::exists(from)) {
            QFile::rename(from, target + QLatin1String(companion));
        }
    }
    return {path_, target, reason};
}

OpenResult RecordStore::open() {
    OpenResult result;
    disconnect();
    const QString folder = QFileInfo(path_).absolutePath();
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), made);
    if (made) {
        result.outcome = {StoreStatus::FolderNotWritable, folder,
                          QString::fromStdString(made.message())};
        return result;
    }
    const bool existed = QFileInfo::exists(path_);
    if (result.outcome = folderReady(); !result.outcome.ok()) {
        return result;
    }
    if (result.outcome = connect(); !result.outcome.ok()) {
        return result;
    }
    if (existed) {
        if (const auto damaged = damage()) {
            // Never written over: what is in it may still be read by hand.
            result.setAside = setAside(*damaged);
            if (QFileInfo::exists(path_)) {
                result.outcome = {StoreStatus::Damaged, path_,
                                  QStringLiteral("the damaged file could not be moved aside")};
                return result;
            }
            if (result.outcome = connect(); !result.outcome.ok()) {
                return result;
            }
        }
    }
    result.outcome = settle(result.schemaFound);
    if (!result.outcome.ok()) {
        disconnect();
        return result;
    }
    open_ = true;
    return result;
}

StoreOutcome RecordStore::settle(int& schemaFound) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    // A newer program's file is not touched at all, not even its journal mode.
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        return failure(q.lastError());
    }
    schemaFound = q.value(0).toInt();
    if (schemaFound > kSchemaVersion) {
        return {StoreStatus::Other, path_,
                QStringLiteral("written by a newer version of the program (schema %1; this one "
                               "knows %2)")
                    .arg(schemaFound)
                    .arg(kSchemaVersion)};
    }
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next()) {
        return failure(q.lastError());
    }
    if (q.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0) {
        return {StoreStatus::Other, path_,
                QStringLiteral("no write-ahead log (journal mode %1)").arg(q.value(0).toString())};
    }
    // Without it a commit in WAL mode may be lost to a power failure after it returned.
    if (!q.exec(QStringLiteral("PRAGMA synchronous=FULL"))) {
        return failure(q.lastError());
    }
    q.finish();
    return migrate(schemaFound);
}

StoreOutcome RecordStore::migrate(int found) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    // Even with nothing to migrate the version is written: a file SQLite could only open for
    // reading fails here rather than at the first record.
    if (found == kSchemaVersion) {
        if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion))) {
            return failure(q.lastError());
        }
        return {StoreStatus::Ok, path_, {}};
    }
    for (int version = found + 1; version <= kSchemaVersion; ++version) {
        if (!db.transaction()) {
            return failure(db.lastError());
        }
        const QStringList statements = QString::fromLatin1(kMigrations[version - 1])
                                           .split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& statement : statements) {
            if (!q.exec(statement)) {
                return rollBack(db, q.lastError());
            }
        }
        // The version is part of the same transaction: a step is done whole or not at all.
        if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version))) {
            return rollBack(db, q.lastError());
        }
        if (!db.commit()) {
            return rollBack(db, db.lastError());
        }
    }
    return {StoreStatus::Ok, path_, {}};
}

StoreSettings RecordStore::settings() const {
    StoreSettings s;
    if (!open_) {
        return s;
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next()) {
        s.journalMode = q.value(0).toString();
    }
    if (q.exec(QStringLiteral("PRAGMA synchronous")) && q.next()) {
        s.synchronous = q.value(0).toInt();
    }
    if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next()) {
        s.schemaVersion = q.value(0).toInt();
    }
    return s;
}

StoreOutcome RecordStore::add(const TestRecord& record) {
    if (!open_) {
        return {StoreStatus::Other, path_, QStringLiteral("not open")};
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    const QStringList& names = fieldNames();
    QStringList marks;
    for (qsizetype i = 0; i < names.size(); ++i) {
        marks << QStringLiteral("?");
    }
    q.prepare(QStringLiteral("INSERT INTO records (%1) VALUES (%2)")
                  .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    for (const QString& field : toFields(record)) {
        q.addBindValue(bound(field));
    }
    // Outside a transaction the insert is its own, committed (and synced) when exec returns.
    if (!q.exec()) {
        return failure(q.lastError());
    }
    return {StoreStatus::Ok, path_, {}};
}

std::vector<TestRecord> RecordStore::select(const QString& where, const QVariantList& values,
                                            const QString& order, int limit) const {
    std::vector<TestRecord> found;
    if (!open_) {
        return found;
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT %1 FROM records").arg(selectList());
    if (!where.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + where;
    }
    sql += QStringLiteral(" ORDER BY ") + order;
    if (limit >= 0) {
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    }
    q.prepare(sql);
    for (const QVariant& v : values) {
        q.addBindValue(v);
    }
    if (!q.exec()) {
        return found;
    }
    const auto columns = fieldNames().size();
    while (q.next()) {
        QStringList fields;
        for (qsizetype i = 0; i < columns; ++i) {
            fields << q.value(static_cast<int>(i)).toString();
        }
        if (auto record = fromFields(fields)) {
            found.push_back(std::move(*record));
        }
    }
    return found;
}

Counts RecordStore::counts(const QString& sinceUtc) const {
    Counts c;
    if (!open_) {
        return c;
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(
        QStringLiteral("SELECT count(*), total(verdict = 'passed'), total(verdict = 'failed'),"
                       " total(verdict = 'ended early') FROM records WHERE started_utc >= ?"));
    q.addBindValue(sinceUtc);
    if (q.exec() && q.next()) {
        c.tested = q.value(0).toInt();
        c.passed = q.value(1).toInt();
        c.failed = q.value(2).toInt();
        c.endedEarly = q.value(3).toInt();
    }
    return c;
}

Counts RecordStore::countsSince(const QDateTime& since) const {
    return counts(utcText(since));
}

Counts RecordStore::countsToday(const QDateTime& now) const {
    return counts(utcOfLocalMidnight(now.toLocalTime().date()));
}

std::vector<TestRecord> RecordStore::last(int count) const {
    return select({}, {}, QStringLiteral("started_utc DESC"), count);
}

std::vector<TestRecord> RecordStore::bySerialNumber(const QString& text, int limit) const {
    QString pattern = text;
    // The operator's text is matched as it stands, wildcards and all.
    pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return select(QStringLiteral("serial_number LIKE ? ESCAPE '\\'"),
                  {QStringLiteral("%") + pattern + QStringLiteral("%")},
                  QStringLiteral("started_utc DESC"), limit);
}

std::optional<TestRecord> RecordStore::passedBefore(const QString& serialNumber) const {
    if (serialNumber.isEmpty()) {
        return std::nullopt;
    }
    auto found = select(QStringLiteral("serial_number = ? AND verdict = 'passed'"), {serialNumber},
                        QStringLiteral("started_utc DESC"), 1);
    if (found.empty()) {
        return std::nullopt;
    }
    return std::move(found.front());
}

std::vector<TestRecord> RecordStore::between(const QDate& first, const QDate& last) const {
    return select(QStringLiteral("started_utc >= ? AND started_utc < ?"),
                  {utcOfLocalMidnight(first), utcOfLocalMidnight(last.addDays(1))},
                  QStringLiteral("started_utc ASC"), -1);
}

StoreOutcome RecordStore::rollBack(QSqlDatabase& db, const QSqlError& error) const {
    // The outcome is taken before the rollback, which may set an error of its own.
    StoreOutcome out = failure(error);
    db.rollback();
    return out;
}

StoreOutcome RecordStore::exportCsv(const QDate& first, const QDate& last,
                                    const QString& file) const {
    return writeFileWhole(file, recordsCsv(between(first, last)));
}

int RecordStore::waitingCount() const {
    if (!open_) {
        return 0;
    }
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (q.exec(QStringLiteral("SELECT count(*) FROM records WHERE sent = 0")) && q.next()) {
        return q.value(0).toInt();
    }
    return 0;
}

std::vector<TestRecord> RecordStore::waiting(int limit) const {
    return select(QStringLiteral("sent = 0"), {}, QStringLiteral("started_utc ASC"), limit);
}

StoreOutcome RecordStore::markSent(const QStringList& keys) {
    if (!open_) {
        return {StoreStatus::Other, path_, QStringLiteral("not open")};
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) {
        return failure(db.lastError());
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE records SET sent = 1 WHERE record_key = ?"));
    for (const QString& key : keys) {
        q.bindValue(0, key);
        if (!q.exec()) {
            return rollBack(db, q.lastError());
        }
    }
    if (!db.commit()) {
        return rollBack(db, db.lastError());
    }
    return {StoreStatus::Ok, path_, {}};
}

StoreOutcome writeFileWhole(const QString& file, const QByteArray& bytes) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        return {StoreStatus::FolderNotWritable, file, out.errorString()};
    }
    if (out.write(bytes) != bytes.size() || !out.commit()) {
        const bool full = out.error() == QFileDevice::ResourceError;
        return {full ? StoreStatus::DiskFull : StoreStatus::Other, file, out.errorString()};
    }
    return {StoreStatus::Ok, file, {}};
}

}  // namespace vfd::records
