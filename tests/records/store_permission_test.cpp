// SPDX-License-Identifier: GPL-3.0-or-later
// A station whose records folder it may not write must be told so before a test starts. Root
// may write anything, so under root the station runs as the unprivileged user "nobody".
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr uid_t kNobody = 65534;

struct Said {
    int exitCode = -1;
    QString words;
};

class StorePermission : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(shared.isValid());
        station = shared.filePath(QStringLiteral("record_station"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(RECORD_STATION), station));
        ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
        ::chmod(QFile::encodeName(station).constData(), 0755);
    }
    // A folder of the given mode, owned by the user the station runs as when `own` is set.
    QString folder(const char* name, mode_t mode, bool own) {
        const QString f = shared.filePath(QLatin1String(name));
        EXPECT_TRUE(QDir().mkpath(f));
        if (own && ::geteuid() == 0) {
            EXPECT_EQ(::chown(QFile::encodeName(f).constData(), kNobody, kNobody), 0);
        }
        ::chmod(QFile::encodeName(f).constData(), mode);
        return f;
    }
    Said open(const QString& db) {
        QProcess p;
        if (::geteuid() == 0) {
            p.start(QStringLiteral("setpriv"),
                    {"--reuid=65534", "--regid=65534", "--clear-groups", station, "open", db});
        } else {
            p.start(station, {"open", db});
        }
        EXPECT_TRUE(p.waitForFinished(20000));
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed()};
    }
    QTemporaryDir shared{QStringLiteral("/tmp/vfd-records-XXXXXX")};
    QString station;
};

TEST_F(StorePermission, AFolderTheStationMayNotWriteIsReportedAtOpen) {
    struct Case {
        const char* name;
        mode_t mode;
        bool own;
        const char* file;  // inside the folder
        const char* said;
    };
    const Case cases[] = {
        {"read-only", 0555, true, "records.sqlite", "folder-not-writable"},
        {"someone-elses", 0755, false, "records.sqlite", "folder-not-writable"},
        {"someone-elses-below", 0755, false, "sub/records.sqlite", "folder-not-writable"},
        {"own", 0755, true, "records.sqlite", "ok"},
    };
    for (const Case& c : cases) {
        if (!c.own && ::geteuid() != 0) {
            continue;  // without root there is no other user's folder to make
        }
        const QString f = folder(c.name, c.mode, c.own);
        const Said said = open(f + QLatin1Char('/') + QLatin1String(c.file));
        EXPECT_TRUE(said.words.startsWith(QLatin1String(c.said)))
            << c.name << ": " << said.words.toStdString();
        EXPECT_EQ(said.exitCode, QLatin1String(c.said) == QLatin1String("ok") ? 0 : 1) << c.name;
    }
}

TEST_F(StorePermission, AWritableFileInAFolderThatIsNotIsRefusedToo) {
    // The write-ahead log and its index are made beside the file, so the file alone is not
    // enough; the station must hear it before a test, not at the first record.
    const QString f = folder("locked-with-file", 0755, true);
    const QString db = f + QStringLiteral("/records.sqlite");
    {
        const Said made = open(db);
        ASSERT_EQ(made.exitCode, 0) << made.words.toStdString();
    }
    for (const char* companion : {"-wal", "-shm"}) {
        QFile::remove(db + QLatin1String(companion));
    }
    ::chmod(QFile::encodeName(f).constData(), 0555);
    const Said said = open(db);
    ::chmod(QFile::encodeName(f).constData(), 0755);
    EXPECT_EQ(said.exitCode, 1);
    EXPECT_TRUE(said.words.startsWith(QLatin1String("folder-not-writable")))
        << said.words.toStdString();
}

}  // namespace
