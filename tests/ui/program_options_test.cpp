// SPDX-License-Identifier: GPL-3.0-or-later
// The window programs answer --help and --version on standard output and end, with no display
// server and no window.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

namespace {

TEST(ProgramOptions, HelpAndVersionPrintAndEndWithoutAWindow) {
    struct Case {
        const char* program;
        const char* option;
        const char* starts;
    };
    const Case cases[] = {
        {ZORAVEL_PATH, "--help", "Usage: zoravel"},
        {ZORAVEL_PATH, "-v", "zoravel " VFD_VERSION "\n"},
        {TYMBRIK_PATH, "--version", "tymbrik " VFD_VERSION "\n"},
        {TYMBRIK_PATH, "-h", "Usage: tymbrik"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.option);
        QProcess program;
        // No display server and no offscreen platform: a window could not even be made.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        program.setProcessEnvironment(environment);
        program.start(QString::fromLatin1(c.program), {QString::fromLatin1(c.option)});
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        // Windows writes its text output with CR LF.
        EXPECT_TRUE(program.readAllStandardOutput().replace("\r\n", "\n").startsWith(c.starts));
    }
}

}  // namespace
