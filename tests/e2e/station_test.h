// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace vfd::testing {

// A test station (tymbrik_station) in a process of its own, read line by line.
class StationProcess {
public:
    // Starts `program` with `args`; the station itself is the last program in the chain when it
    // runs under a wrapper (setpriv, unshare).
    StationProcess(const QString& program, const QStringList& args) {
        process_.start(program, args);
    }
    ~StationProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    QProcess& process() { return process_; }

    // Waits until `count` lines starting with `prefix` came, at most `ms`.
    bool waitFor(const QString& prefix, int count, int ms) {
        QElapsedTimer waited;
        waited.start();
        while (lines(prefix).size() < count) {
            if (waited.elapsed() > ms) {
                return false;
            }
            if (!process_.waitForReadyRead(200) && process_.state() == QProcess::NotRunning) {
                read();
                return lines(prefix).size() >= count;
            }
            read();
        }
        return true;
    }
    bool finish(int ms) {
        const bool ended = process_.waitForFinished(ms);
        read();
        return ended && process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }
    // What followed `prefix` on each line that began with it.
    QStringList lines(const QString& prefix) const {
        QStringList found;
        for (const QString& line : output_) {
            if (line.startsWith(prefix + QLatin1Char(' '))) {
                found << line.mid(prefix.size() + 1);
            } else if (line == prefix) {
                found << QString();
            }
        }
        return found;
    }
    QString everything() const {
        return output_.join(QLatin1Char('\n')) + QLatin1Char('\n') +
               QString::fromLocal8Bit(errors_);
    }

private:
    void read() {
        pending_ += process_.readAllStandardOutput();
        errors_ += process_.readAllStandardError();
        qsizetype end = 0;
        while ((end = pending_.indexOf('\n')) >= 0) {
            output_ << QString::fromUtf8(pending_.left(end));
            pending_.remove(0, end + 1);
        }
    }

    QProcess process_;
    QByteArray pending_;
    QByteArray errors_;
    QStringList output_;
};

// The first column of every row a query gives, through a connection of its own.
inline QStringList queryColumn(const QString& driver, const QString& database, const QString& sql,
                               const QString& options = {}) {
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, QStringLiteral("check"));
        db.setDatabaseName(database);
        db.setConnectOptions(options);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql)) {
                while (q.next()) {
                    rows << q.value(0).toString();
                }
            } else {
                rows << QStringLiteral("query failed");
            }
        } else {
            rows << QStringLiteral("open failed");
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

}  // namespace vfd::testing
