// SPDX-License-Identifier: GPL-3.0-or-later
// Saving where the user's rights decide: a read-only file is refused and left as it was, and a
// writable file in a folder the user may not write is still saved (in place). Root may write
// anything, so under root the probe runs as the unprivileged user "nobody".
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Probe {
    int exitCode = -1;
    QString said;
};

class SavePermission : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(shared.isValid());
        probe = shared.filePath(QStringLiteral("save_probe"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(SAVE_PROBE), probe));
        ::chmod(QFile::encodeName(shared.path()).constData(), 0755);
        ::chmod(QFile::encodeName(probe).constData(), 0755);
    }
    // A file of `size` bytes 0x11 with the given mode, in `folder`.
    QString place(const QString& folder, const char* name, mode_t mode, int size = 126) {
        const QString file = folder + QLatin1Char('/') + QLatin1String(name);
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, '\x11'));
        f.close();
        ::chmod(QFile::encodeName(file).constData(), mode);
        return file;
    }
    Probe run(const QString& file) {
        QProcess p;
        if (::geteuid() == 0) {
            p.start(QStringLiteral("setpriv"),
                    {"--reuid=65534", "--regid=65534", "--clear-groups", probe, file});
        } else {
            p.start(probe, {file});
        }
        EXPECT_TRUE(p.waitForFinished(10000));
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed()};
    }
    static QByteArray contentOf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir shared{QStringLiteral("/tmp/vfd-save-XXXXXX")};
    QString probe;
};

TEST_F(SavePermission, AReadOnlyFileIsRefusedAndKeepsItsBytes) {
    const QString file = place(shared.path(), "locked.vfd", 0444);
    const Probe p = run(file);
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_NE(p.said.indexOf(QStringLiteral("not writable")), -1) << p.said.toStdString();
    EXPECT_EQ(contentOf(file), QByteArray(126, '\x11'));
}

TEST_F(SavePermission, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
    const QString folder = shared.filePath(QStringLiteral("locked-folder"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString file = place(folder, "open.vfd", 0666, 200);
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    const Probe p = run(file);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(p.exitCode, 0) << p.said.toStdString();
    // The settings are new and the longer file's tail is kept.
    EXPECT_EQ(contentOf(file), QByteArray(126, '\x5A') + QByteArray(74, '\x11'));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
