// SPDX-License-Identifier: GPL-3.0-or-later
// A full disk, for real: the station runs in a mount namespace of its own on a small tmpfs that
// it then fills. Under root the namespace is made directly; otherwise unshare maps this user to
// root inside a user namespace, where the system allows it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

TEST(StoreDiskFull, AFullDiskIsToldBeforeATestAndARecordThatDoesNotFitIsRefused) {
    QTemporaryDir scratch(QStringLiteral("/tmp/vfd-full-XXXXXX"));
    ASSERT_TRUE(scratch.isValid());
    const QString dir = scratch.path();
    // Large enough for the store to open (it wants a few MiB free), small enough to fill fast.
    const QString script = QStringLiteral(
                               "mount -t tmpfs -o size=8m vfd-records-full '%1' && exec '%2' fill "
                               "'%1/records.sqlite' '%1/filler'")
                               .arg(dir, QStringLiteral(RECORD_STATION));
    QStringList args = {"-m", "sh", "-c", script};
    if (::geteuid() != 0) {
        args.prepend(QStringLiteral("-r"));
    }
    QProcess station;
    station.start(QStringLiteral("unshare"), args);
    ASSERT_TRUE(station.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(station.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(station.readAllStandardError());
    ASSERT_EQ(station.exitCode(), 0)
        << "the full disk could not be made: " << err.toStdString() << out.toStdString();
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("ready disk-full"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("add disk-full "))) << lines[1].toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("after ok"));
    // The record that did not fit is not there; the ones before and after it are.
    EXPECT_EQ(lines[3], QStringLiteral("kept 2"));
}

}  // namespace
