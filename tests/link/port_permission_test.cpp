// SPDX-License-Identifier: GPL-3.0-or-later
// A port the user may not open is reported as such, with the fix. Root may open anything, so
// under root the probe runs as the unprivileged user "nobody".
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

TEST(PortPermission, ARefusedOpenSaysSoAndNamesTheFix) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    const std::string slave = ptsname(master);
    ASSERT_EQ(::chmod(slave.c_str(), 0), 0);

    QProcess probe;
    if (::geteuid() == 0) {
        // The build folder may lie where "nobody" cannot reach; run a copy from a shared place.
        QTemporaryDir shared(QStringLiteral("/tmp/vfd-probe-XXXXXX"));
        ASSERT_TRUE(shared.isValid());
        const QString copy = shared.filePath(QStringLiteral("port_probe"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(PORT_PROBE), copy));
        ::chmod(shared.path().toLocal8Bit().constData(), 0755);
        ::chmod(copy.toLocal8Bit().constData(), 0755);
        probe.start(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups",
                                                copy, QString::fromStdString(slave)});
        ASSERT_TRUE(probe.waitForFinished(10000));
    } else {
        probe.start(QStringLiteral(PORT_PROBE), {QString::fromStdString(slave)});
        ASSERT_TRUE(probe.waitForFinished(10000));
    }
    const QString said = QString::fromLocal8Bit(probe.readAllStandardOutput()).trimmed();
    EXPECT_EQ(said, QStringLiteral("Com 1 can't be opened: permission denied (add your user to "
                                   "the dialout group, then log in again) (%1).")
                        .arg(QString::fromStdString(slave)))
        << probe.readAllStandardError().toStdString();
    ::close(master);
}

}  // namespace
