// SPDX-License-Identifier: GPL-3.0-or-later
// A PostgreSQL server that a test starts itself, on a free local port, in a scratch folder.
// initdb refuses to run as root, so under root the server runs as the user "postgres" that
// Debian's package makes. Password checks are on, so the station's way of giving it is tested.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace vfd::testing {

inline const QString kPgBin = QStringLiteral("/usr/lib/postgresql/15/bin/");
inline const QString kPgUser = QStringLiteral("vfd_line");
inline const QString kPgPassword = QStringLiteral("s3cret-Line-pw");

inline int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = -1;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
    }
    ::close(s);
    return port;
}

// One server for the whole test program.
class PgServer {
public:
    // Empty when the server runs; otherwise what went wrong.
    QString start() {
        if (!scratch_.isValid()) {
            return QStringLiteral("no scratch folder");
        }
        if (!QFileInfo::exists(kPgBin + QStringLiteral("initdb"))) {
            return QStringLiteral("no %1initdb: install Debian's postgresql (scripts/setup.sh)")
                .arg(kPgBin);
        }
        ::chmod(QFile::encodeName(scratch_.path()).constData(), 0755);
        data_ = scratch_.filePath(QStringLiteral("data"));
        // The server's sockets and its log, in a folder of its own user.
        sockets_ = scratch_.filePath(QStringLiteral("run"));
        const QString pwfile = scratch_.filePath(QStringLiteral("pw"));
        QDir().mkpath(data_);
        QDir().mkpath(sockets_);
        {
            QFile pw(pwfile);
            if (!pw.open(QIODevice::WriteOnly) || pw.write(kPgPassword.toUtf8()) < 0) {
                return QStringLiteral("cannot write %1").arg(pwfile);
            }
        }
        for (const QString& path : {data_, sockets_, pwfile}) {
            if (::geteuid() == 0) {
                const passwd* pg = ::getpwnam("postgres");
                if (pg == nullptr) {
                    return QStringLiteral(
                        "running as root and there is no user postgres to run "
                        "the server as");
                }
                if (::chown(QFile::encodeName(path).constData(), pg->pw_uid, pg->pw_gid) != 0) {
                    return QStringLiteral("cannot give %1 to postgres").arg(path);
                }
            }
            ::chmod(QFile::encodeName(path).constData(), 0700);
        }
        // Password checks on, so the station's way of giving it is tested.
        QString why = run(
            kPgBin + QStringLiteral("initdb"),
            {"-D", data_, "-U", kPgUser, "--auth=scram-sha-256",
             QStringLiteral("--pwfile=") + pwfile, "-E", "UTF8", "--no-sync", "--no-instructions"});
        if (!why.isEmpty()) {
            return QStringLiteral("initdb failed: ") + why;
        }
        port_ = freePort();
        return resume();
    }
    // Starts it again after stop(), on the same port.
    QString resume() {
        QString why = run(
            kPgBin + QStringLiteral("pg_ctl"),
            {"-D", data_, "-l", sockets_ + QStringLiteral("/server.log"), "-w", "-t", "30", "-o",
             QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                 .arg(port_)
                 .arg(sockets_),
             "start"});
        running_ = why.isEmpty();
        if (!running_) {
            why += QStringLiteral("\nserver log:\n") + serverLog();
        }
        return why;
    }
    QString stop() {
        if (!running_) {
            return {};
        }
        running_ = false;
        return run(kPgBin + QStringLiteral("pg_ctl"), {"-D", data_, "-m", "fast", "-w", "stop"});
    }
    bool running() const { return running_; }
    QString conninfo() const {
        return QStringLiteral("host=127.0.0.1 port=%1 dbname=postgres user=%2")
            .arg(port_)
            .arg(kPgUser);
    }
    QString scratch(const QString& name) const { return scratch_.filePath(name); }
    QString serverLog() const {
        QFile log(sockets_ + QStringLiteral("/server.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

private:
    // Empty when the program ended well; its output otherwise.
    QString run(const QString& program, const QStringList& args) {
        QProcess p;
        // The server's user may not enter the test's own folder.
        p.setWorkingDirectory(scratch_.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (::geteuid() == 0) {
            p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", program} + args);
        } else {
            p.start(program, args);
        }
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(5000);
            return program + QStringLiteral(" did not finish: ") + p.errorString();
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            return QString::fromLocal8Bit(p.readAll());
        }
        return {};
    }

    QTemporaryDir scratch_{QStringLiteral("/tmp/vfd-pg-XXXXXX")};
    QString data_;
    QString sockets_;
    int port_ = -1;
    bool running_ = false;
};

}  // namespace vfd::testing
