// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/line_sync.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>
#include <chrono>

#include "records/record_fields.h"

namespace vfd::records {

namespace {

QString wordsOf(const QSqlError& error) {
    QString words = error.databaseText().trimmed();
    if (words.isEmpty()) {
        words = error.driverText().trimmed();
    }
    return words;
}

QString columnType(const QString& name) {
    if (name == QLatin1String("record_key")) {
        return QStringLiteral("uuid PRIMARY KEY");
    }
    if (name.endsWith(QLatin1String("_utc"))) {
        return QStringLiteral("timestamptz");
    }
    if (name == QLatin1String("duration_ms")) {
        return QStringLiteral("bigint");
    }
    return QStringLiteral("text");
}

QString quoted(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

}  // namespace

std::optional<LineConnection> LineConnection::parse(const QString& conninfo, QString* problem) {
    LineConnection c;
    const qsizetype n = conninfo.size();
    qsizetype i = 0;
    auto fail = [&](const QString& why) {
        if (problem != nullptr) {
            *problem = why;
        }
        return std::nullopt;
    };
    while (true) {
        while (i < n && conninfo[i].isSpace()) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const qsizetype keyStart = i;
        while (i < n && conninfo[i] != u'=' && !conninfo[i].isSpace()) {
            ++i;
        }
        const QString key = conninfo.mid(keyStart, i - keyStart);
        while (i < n && conninfo[i].isSpace()) {
            ++i;
        }
        if (key.isEmpty() || i >= n || conninfo[i] != u'=') {
            return fail(QStringLiteral("\"%1\" is not written key=value").arg(key));
        }
        ++i;
        while (i < n && conninfo[i].isSpace()) {
            ++i;
        }
        QString value;
        if (i < n && conninfo[i] == u'\'') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (conninfo[i] == u'\\' && i + 1 < n) {
                    value += conninfo[i + 1];
                    i += 2;
                } else if (conninfo[i] == u'\'') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    value += conninfo[i++];
                }
            }
            if (!closed) {
                return fail(QStringLiteral("the value of %1 has no closing quote").arg(key));
            }
        } else {
            // As libpq reads it: a backslash takes the next character as it is, here too.
            while (i < n && !conninfo[i].isSpace()) {
                if (conninfo[i] == u'\\' && i + 1 < n) {
                    ++i;
                }
                value += conninfo[i++];
            }
        }
        if (key == QLatin1String("password")) {
            return fail(QStringLiteral(
                "the connection must not hold the password: give it in PGPASSWORD or a pgpass "
                "file"));
        }
        c.options.emplace_back(key, value);
    }
    if (c.options.empty()) {
        return fail(QStringLiteral("no connection given"));
    }
    return c;
}

QString LineConnection::value(const QString& key) const {
    for (const auto& [k, v] : options) {
        if (k == key) {
            return v;
        }
    }
    return {};
}

QString LineConnection::target() const {
    QString t;
    if (const QString user = value(QStringLiteral("user")); !user.isEmpty()) {
        t += user + QLatin1Char('@');
    }
    const QString host = value(QStringLiteral("host"));
    t += host.isEmpty() ? QStringLiteral("localhost") : host;
    if (const QString port = value(QStringLiteral("port")); !port.isEmpty()) {
        t += QLatin1Char(':') + port;
    }
    if (const QString db = value(QStringLiteral("dbname")); !db.isEmpty()) {
        t += QLatin1Char('/') + db;
    }
    return t;
}

QString LineConnection::toConninfo() const {
    QStringList parts;
    for (const auto& [k, v] : options) {
        parts << k + QLatin1Char('=') + quoted(v);
    }
    return parts.join(QLatin1Char(' '));
}

LineSync::LineSync(RecordStore& store, const QString& conninfo, Clock clock)
    : store_(store),
      connection_(LineConnection::parse(conninfo, &problem_)),
      connectionName_(QStringLiteral("vfd-line-") + QUuid::createUuid().toString()),
      clock_(std::move(clock)) {
    if (!clock_) {
        clock_ = [] {
            return static_cast<qint64>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch())
                                           .count());
        };
    }
    if (connection_) {
        // A server that has gone without a word (a pulled cable) must not hold the window for
        // minutes: the connect and every unanswered send give up after a few seconds.
        if (connection_->value(QStringLiteral("connect_timeout")).isEmpty()) {
            connection_->options.emplace_back(QStringLiteral("connect_timeout"),
                                              QString::number(kConnectTimeoutS));
        }
        if (connection_->value(QStringLiteral("tcp_user_timeout")).isEmpty()) {
            connection_->options.emplace_back(QStringLiteral("tcp_user_timeout"),
                                              QString::number(kStatementTimeoutMs));
        }
    }
}

LineSync::~LineSync() {
    disconnectServer();
}

QString LineSync::target() const {
    return connection_ ? connection_->target() : QString();
}

void LineSync::disconnectServer() {
    if (QSqlDatabase::contains(connectionName_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connectionName_);
    }
    connected_ = false;
}

bool LineSync::connectServer(QString* words) {
    disconnectServer();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
    if (!db.isValid()) {
        *words = QStringLiteral("the PostgreSQL driver of Qt is not installed (QPSQL)");
        return false;
    }
    db.setConnectOptions(connection_->toConninfo());
    if (!db.open()) {
        *words = wordsOf(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    QStringList columns;
    for (const QString& name : fieldNames()) {
        columns << name + QLatin1Char(' ') + columnType(name);
    }
    columns << QStringLiteral("received_at timestamptz NOT NULL DEFAULT now()");
    const QString create = QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
                               .arg(kTable, columns.join(QStringLiteral(", ")));
    // The server's notices ("already exists, skipping") would go to the program's error output.
    for (const QString& setting :
         {QStringLiteral("SET statement_timeout = %1").arg(kStatementTimeoutMs),
          QStringLiteral("SET client_min_messages = warning")}) {
        if (!q.exec(setting)) {
            *words = wordsOf(q.lastError());
            return false;
        }
    }
    if (!q.exec(create)) {
        // Two stations creating the table at the same moment: one of them loses with a
        // duplicate type name, and the table is there all the same.
        *words = wordsOf(q.lastError());
        if (!q.exec(QStringLiteral("SELECT to_regclass('%1') IS NOT NULL").arg(kTable)) ||
            !q.next() || !q.value(0).toBool()) {
            return false;
        }
    }
    q.exec(
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_serial ON %1 (serial_number)").arg(kTable));
    connected_ = true;
    return true;
}

bool LineSync::sendBatch(const std::vector<TestRecord>& batch, QString* words) {
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.transaction()) {
        *words = wordsOf(db.lastError());
        return false;
    }
    QStringList marks;
    for (qsizetype i = 0; i < fieldNames().size(); ++i) {
        marks << QStringLiteral("?");
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (record_key) DO NOTHING")
                  .arg(kTable, fieldNames().join(QStringLiteral(", ")),
                       marks.join(QStringLiteral(", "))));
    for (const TestRecord& record : batch) {
        const QStringList fields = toFields(record);
        for (qsizetype i = 0; i < fields.size(); ++i) {
            q.bindValue(static_cast<int>(i),
                        fields[i].isNull() ? QVariant(QStringLiteral("")) : QVariant(fields[i]));
        }
        if (!q.exec()) {
            *words = wordsOf(q.lastError());
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        *words = wordsOf(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

SyncOutcome LineSync::syncDue() {
    if (failures_ > 0 && clock_() < nextTry_) {
        SyncOutcome again = lastFailure_;
        again.sent = 0;
        again.waiting = store_.waitingCount();
        return again;
    }
    return syncNow();
}

SyncOutcome LineSync::syncNow() {
    SyncOutcome out = send();
    if (out.status == SyncStatus::Unreachable || out.status == SyncStatus::ServerError) {
        const qint64 wait = kFirstRetryMs << std::min(failures_, 16);
        ++failures_;
        nextTry_ = clock_() + std::min(wait, kLongestRetryMs);
        lastFailure_ = out;
    } else if (out.ok()) {
        failures_ = 0;
    }
    return out;
}

SyncOutcome LineSync::send() {
    if (!connection_) {
        return {SyncStatus::BadConfiguration, 0, store_.waitingCount(), problem_};
    }
    SyncOutcome out;
    // Bounded: every round either marks its batch sent or returns.
    const int rounds = store_.waitingCount() / kBatch + 1;
    for (int round = 0; round < rounds; ++round) {
        const std::vector<TestRecord> batch = store_.waiting(kBatch);
        if (batch.empty()) {
            break;
        }
        QString words;
        const bool reused = connected_;
        if (!connected_ && !connectServer(&words)) {
            disconnectServer();
            return {SyncStatus::Unreachable, out.sent, store_.waitingCount(), words};
        }
        bool sent = sendBatch(batch, &words);
        if (!sent && reused) {
            // A connection kept from an earlier call may have died with a server restart; one
            // fresh try tells a dead connection from a server that refuses the records.
            if (!connectServer(&words)) {
                disconnectServer();
                return {SyncStatus::Unreachable, out.sent, store_.waitingCount(), words};
            }
            sent = sendBatch(batch, &words);
        }
        if (!sent) {
            disconnectServer();
            return {SyncStatus::ServerError, out.sent, store_.waitingCount(), words};
        }
        QStringList keys;
        for (const TestRecord& record : batch) {
            keys << record.key;
        }
        if (const StoreOutcome marked = store_.markSent(keys); !marked.ok()) {
            // The server has them; they will be sent again and ignored there.
            return {SyncStatus::LocalError, out.sent, store_.waitingCount(), marked.systemWords};
        }
        out.sent += static_cast<int>(batch.size());
    }
    out.waiting = store_.waitingCount();
    return out;
}

}  // namespace vfd::records
