// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "records/record_store.h"

namespace vfd::records {

// A connection to the line database, in libpq's keyword form:
// "host=db.line port=5432 dbname=production user=station3". The password is never part of it:
// libpq takes it from PGPASSWORD or a pgpass file itself, so it is never kept or shown here.
struct LineConnection {
    std::vector<std::pair<QString, QString>> options;  // in the order given

    // Nothing, and the reason in `problem`, when the text cannot be read or names a password.
    static std::optional<LineConnection> parse(const QString& conninfo, QString* problem);
    QString value(const QString& key) const;
    // "user@host:port/dbname" as far as given: what messages name.
    QString target() const;
    // The options as libpq reads them, each value quoted.
    QString toConninfo() const;
};

enum class SyncStatus {
    Sent,              // nothing waits any more
    Unreachable,       // no connection to the server (down, refused, password not accepted)
    ServerError,       // connected, but the server did not take the records
    LocalError,        // the local store failed
    BadConfiguration,  // the connection text cannot be used
};

struct SyncOutcome {
    SyncStatus status = SyncStatus::Sent;
    int sent = 0;     // records sent by this call
    int waiting = 0;  // records still waiting after it
    QString words;    // the server's or the system's reason; never a password

    bool ok() const { return status == SyncStatus::Sent; }
};

// Sends the station's records on to the line database. Each record goes with its key as the
// server's primary key, so two stations never collide and a record sent twice (the server took
// it but the station never heard) is simply not inserted again. While the server cannot be
// reached the records wait in the station's store, and the next call sends them.
//
// A call blocks while it talks to the server: at most the connect timeout when the server is
// down, so it can run from a timer on the window thread between tests. syncDue() is the one for
// the timer: after a failed try it leaves the server alone for a while, so a line database that
// is away costs the window nothing most of the time.
class LineSync {
public:
    static constexpr int kConnectTimeoutS = 2;  // libpq's least; `connect_timeout=` overrides it
    static constexpr int kStatementTimeoutMs = 10000;
    static constexpr int kBatch = 200;
    // The wait after a failed try, doubled after each further one up to the longest.
    static constexpr qint64 kFirstRetryMs = 5000;
    static constexpr qint64 kLongestRetryMs = 300000;
    static inline const QString kTable = QStringLiteral("vfd_test_records");

    // Milliseconds on a monotonic clock; empty: the system's.
    using Clock = std::function<qint64()>;

    LineSync(RecordStore& store, const QString& conninfo, Clock clock = {});
    ~LineSync();
    LineSync(const LineSync&) = delete;
    LineSync& operator=(const LineSync&) = delete;

    // Empty when the connection text can be used; otherwise why not.
    const QString& configurationProblem() const { return problem_; }
    QString target() const;

    // Sends every record that waits, in batches; each batch is committed on the server before
    // it is marked sent here. Nothing waiting: returns at once without connecting.
    SyncOutcome syncNow();
    // syncNow() when the wait after a failed try is over (or nothing failed); before that, the
    // last failure again with the number waiting now, and the server is not asked.
    SyncOutcome syncDue();
    int waitingCount() const { return store_.waitingCount(); }

private:
    SyncOutcome send();
    bool connectServer(QString* words);
    void disconnectServer();
    bool sendBatch(const std::vector<TestRecord>& batch, QString* words);

    RecordStore& store_;
    QString problem_;  // before connection_: parsing it fills this in
    std::optional<LineConnection> connection_;
    QString connectionName_;
    Clock clock_;
    bool connected_ = false;
    int failures_ = 0;  // tries failed in a row
    qint64 nextTry_ = 0;
    SyncOutcome lastFailure_;
};

}  // namespace vfd::records
