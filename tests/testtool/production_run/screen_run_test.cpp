// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "device/protocol.h"
#include "support/devices.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/firmware_responder.h"
#include "support/recording_operator.h"
#include "testtool/production_run/screen_run.h"

namespace vfd::testtool {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FakeClock;
using testing::FakePort;
using testing::FirmwareResponder;
using testing::RecordingOperator;

constexpr device::Date kDay{2026, 12, 6};

Bytes text(std::string_view t) {
    return {t.begin(), t.end()};
}
Bytes repeat(std::uint8_t b, int n) {
    return Bytes(static_cast<std::size_t>(n), b);
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes downloadOf(const device::ImageBytes& image) {
    const auto stamp = device::dateStamp(kDay);
    return Bytes{0x1B, 0xEF} + Bytes(stamp.begin(), stamp.end()) + Bytes{0xAA} +
           Bytes(image.begin() + 1, image.end());
}
const Bytes kReset = {0x1B, 0x40};
const Bytes kIdentityPass = Bytes{0x1D, 0x49, 0x02} + Bytes{0x1D, 0x49, 0x02} + kReset +
                            Bytes{0x1F, 0x24, 0x01, 0x02} + text("            PID:3524") + kReset;
const Bytes kEscPosVisual = kReset + repeat(0xDB, 40) + kReset + repeat(0x20, 40);
Bytes cd5220Line(std::uint8_t which, std::uint8_t fill) {
    return Bytes{0x1B, 0x51, which} + repeat(fill, 20) + Bytes{0x0D};
}
const Bytes kCd5220Visual = cd5220Line(0x41, 0xDB) + cd5220Line(0x42, 0xDB) +
                            cd5220Line(0x41, 0x20) + cd5220Line(0x42, 0x20);

// A screen test against the virtual display's firmware on a scripted port.
struct ScreenRig {
    FakeClock clock;
    FakePort port{clock};
    RecordingOperator op;
    FirmwareResponder display{port, clock};
    SerialLine line{
        port, clock,   link::PortLookup{"/ports", [](const std::string&) { return false; }},
        2,    "com 2", "9600,n,8,1",
        {}};
    ScreenRun test{op, [] { return kDay; }};
    ScreenRunEnd go(const ScreenRunChoice& choice) { return test.run(line, choice); }
};

TEST(ScreenRun, StartUpChoiceRunsIdentityVisualTestImageAndDefaults) {
    ScreenRig r;
    ScreenRunChoice choice;  // QV310, only PID ticked: the window's start-up state
    EXPECT_EQ(r.go(choice), ScreenRunEnd::Passed);

    const device::ImageBytes defaults = ScreenRun::defaultImage(choice);
    EXPECT_EQ(Bytes(defaults.begin() + 7, defaults.begin() + 27), text("*VFD DISPLAY QV310 *"));
    EXPECT_EQ(defaults[6], 1);
    const Bytes expected = kIdentityPass + kEscPosVisual + downloadOf(ScreenRun::testImage()) +
                           Bytes{0x1B, 0xEE} + downloadOf(defaults);
    EXPECT_EQ(r.port.writtenData(), expected);
    EXPECT_EQ(r.op.shown, std::vector<std::string>{"OK!"});
    EXPECT_TRUE(r.op.messages.empty());
    EXPECT_EQ(r.port.openedName(), testing::deviceOf(2));
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_FALSE(r.test.busy());
    // The display ends with the model's defaults stored.
    EXPECT_EQ(r.display.firmware().settings()[5], 1);
    EXPECT_EQ(r.display.firmware().settings()[6], '*');
}

TEST(ScreenRun, TheTestImageIsTheKnownPattern) {
    const device::ImageBytes t = ScreenRun::testImage();
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[4], 1);
    EXPECT_EQ(t[6], 1);
    EXPECT_EQ(Bytes(t.begin() + 7, t.begin() + 27), text("***ABCD***") + repeat(' ', 10));
    EXPECT_EQ(Bytes(t.begin() + 27, t.begin() + 67), text("**ABCD**") + repeat(' ', 32));
    EXPECT_EQ(Bytes(t.begin() + 67, t.end()), repeat(0, 60));
}

TEST(ScreenRun, RussianCd5220ModelLoadsFactorySettingsAndUsesLineCommands) {
    ScreenRig r;
    ScreenRunChoice choice;
    choice.model = Model::Cd5220Nr400Cd5220Russia;
    choice.pid = false;       // as the option leaves the boxes: only Default ticked...
    choice.defaults = false;  // ...and the factory download runs even without it
    EXPECT_EQ(r.go(choice), ScreenRunEnd::Passed);

    const device::ImageBytes factory = ScreenRun::factoryImage(choice);
    const device::ImageBytes defaults = ScreenRun::defaultImage(choice);
    EXPECT_EQ(factory[6], 7);
    EXPECT_EQ(Bytes(factory.begin() + 7, factory.begin() + 27), text("*VFD DISPLAY NR-400*"));
    EXPECT_EQ(defaults[6], 7);
    EXPECT_EQ(defaults[4], 12);
    EXPECT_EQ(Bytes(defaults.begin() + 7, defaults.begin() + 27), text("*VFD DISPLAY NR-400*"));
    const Bytes expected = downloadOf(factory) + kCd5220Visual +
                           downloadOf(ScreenRun::testImage()) + Bytes{0x1B, 0xEE} +
                           downloadOf(defaults);
    EXPECT_EQ(r.port.writtenData(), expected);
    EXPECT_EQ(r.op.shown, (std::vector<std::string>{"Download O.K ! Please restart VFD!", "OK!"}));
}

TEST(ScreenRun, DefaultImagesFollowTheModelTable) {
    struct Case {
        Model model;
        const char* message1;
        std::uint8_t charSet;
        std::uint8_t command;
    };
    const Case cases[] = {
        {Model::EpsonQv310, "*VFD DISPLAY QV310 *", 0, 1},
        {Model::EpsonQv330, "*VFD DISPLAY QV330 *", 0, 1},
        {Model::EpsonVfd, "*** VFD DISPLAY  ***", 0, 1},
        {Model::EpsonNr400, "*VFD DISPLAY NR-400*", 0, 1},
        {Model::EpsonZtk900, "VFD DISPLAY ZTK-900 ", 0, 1},
        {Model::EpsonQv310v68ac, "*** VFD DISPLAY  ***", 0, 7},
        {Model::EpsonNr400Cd5220Russia, "*VFD DISPLAY NR-400*", 12, 7},
        {Model::Cd5220Qv310v68ac, "*** VFD DISPLAY  ***", 0, 7},
        {Model::Cd5220Nr400Cd5220Russia, "*VFD DISPLAY NR-400*", 12, 7},
    };
    for (const auto& c : cases) {
        ScreenRunChoice choice;
        choice.model = c.model;
        const device::ImageBytes d = ScreenRun::defaultImage(choice);
        EXPECT_EQ(Bytes(d.begin() + 7, d.begin() + 27), text(c.message1)) << c.message1;
        EXPECT_EQ(d[4], c.charSet) << c.message1;
        EXPECT_EQ(d[6], c.command) << c.message1;
        EXPECT_EQ(Bytes(d.begin() + 27, d.begin() + 60), text("**HAVE A NICE DAY AND THANK YOU**"));
        EXPECT_EQ(Bytes(d.begin() + 60, d.end()), repeat(0, 67));
    }
    // A file option sends the file as it is.
    ScreenRunChoice file;
    file.model = Model::Cd5220File;
    device::BodyBytes body{};
    body.fill(0x33);
    file.fileImage = body;
    const device::ImageBytes f = ScreenRun::defaultImage(file);
    EXPECT_EQ(Bytes(f.begin() + 1, f.end()), repeat(0x33, 126));
    // With Default ticked the CD5220 file option's factory image asks for the line commands.
    file.defaults = true;
    EXPECT_EQ(ScreenRun::factoryImage(file)[6], 7);
    file.model = Model::EpsonFile;
    EXPECT_EQ(ScreenRun::factoryImage(file)[6], 1);
}

TEST(ScreenRun, AFileOptionWithoutAFileEndsAtOnce) {
    ScreenRig r;
    ScreenRunChoice choice;
    choice.model = Model::EpsonFile;
    EXPECT_EQ(r.go(choice), ScreenRunEnd::NoFile);
    EXPECT_EQ(r.port.openCount(), 0);
    EXPECT_TRUE(r.op.shown.empty());
    EXPECT_TRUE(r.op.messages.empty());
    EXPECT_FALSE(r.test.busy());
}

TEST(ScreenRun, AFileOptionWithDefaultTickedDownloadsFactoryThenTheFile) {
    ScreenRig r;
    ScreenRunChoice choice;
    choice.model = Model::EpsonFile;
    choice.pid = false;
    choice.defaults = true;
    device::BodyBytes body{};
    body[5] = 1;
    body[6] = 'F';
    choice.fileImage = body;
    EXPECT_EQ(r.go(choice), ScreenRunEnd::Passed);
    EXPECT_EQ(r.op.shown, (std::vector<std::string>{"Download O.K ! Please restart VFD!", "OK!"}));
    EXPECT_EQ(r.display.firmware().settings()[6], 'F');
}

TEST(ScreenRun, ABadMarkerStopsBeforeTheDefaultDownload) {
    ScreenRig r;
    r.display.transformReplies([](Bytes& reply) {
        if (reply.size() == 127) {
            reply[0] = 0xAB;
        }
    });
    EXPECT_EQ(r.go(ScreenRunChoice{}), ScreenRunEnd::ReadBackFailed);
    EXPECT_EQ(r.op.messages, std::vector<std::string>{"Receive Check bit Error !!"});
    EXPECT_TRUE(r.op.shown.empty());
    // The test image is the last thing the display stored.
    EXPECT_EQ(r.display.firmware().settings()[6], '*');
    EXPECT_EQ(r.display.firmware().settings()[7], '*');
    EXPECT_EQ(r.display.firmware().settings()[9], 'A');
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_FALSE(r.test.busy());
}

TEST(ScreenRun, OnlyIndexesOneTo69AreCompared) {
    struct Case {
        int index;
        ScreenRunEnd end;
        const char* verdict;
    };
    for (const Case c :
         {Case{70, ScreenRunEnd::Passed, "OK!"}, Case{126, ScreenRunEnd::Passed, "OK!"},
          Case{69, ScreenRunEnd::Mismatch, "Error!"}, Case{1, ScreenRunEnd::Mismatch, "Error!"}}) {
        ScreenRig r;
        r.display.transformReplies([index = c.index](Bytes& reply) {
            if (reply.size() == 127) {
                reply[static_cast<std::size_t>(index)] ^= 0x01;
            }
        });
        EXPECT_EQ(r.go(ScreenRunChoice{}), c.end) << c.index;
        EXPECT_EQ(r.op.shown, std::vector<std::string>{c.verdict}) << c.index;
        // The default download happens before the verdict either way.
        EXPECT_EQ(r.display.firmware().settings()[6], '*') << c.index;
    }
}

TEST(ScreenRun, AShortReadBackIsToldWithTheCount) {
    ScreenRig r;
    r.display.transformReplies([](Bytes& reply) {
        if (reply.size() == 127) {
            reply.resize(90);
        }
    });
    EXPECT_EQ(r.go(ScreenRunChoice{}), ScreenRunEnd::ReadBackFailed);
    EXPECT_EQ(r.op.messages,
              std::vector<std::string>{
                  "The display answered only 90 of 127 bytes when the test image was read back."});
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_FALSE(r.test.busy());
}

TEST(ScreenRun, NoReadBackNamesThePortEntry) {
    ScreenRig r;
    r.display.transformReplies([](Bytes& reply) {
        if (reply.size() == 127) {
            reply.clear();
        }
    });
    EXPECT_EQ(r.go(ScreenRunChoice{}), ScreenRunEnd::ReadBackFailed);
    EXPECT_EQ(r.op.messages, std::vector<std::string>{"com 2 can't be open !!"});
}

// A screen test on com 1 against a display with faults switched on.
struct FaultyRig {
    explicit FaultyRig(const sim::Faults& faults) : display{port, clock, withFaults(faults)} {}
    static sim::FirmwareOptions withFaults(const sim::Faults& faults) {
        sim::FirmwareOptions options;
        options.faults = faults;
        return options;
    }
    FakeClock clock;
    FakePort port{clock};
    RecordingOperator op;
    FirmwareResponder display;
    SerialLine line{port, clock,   link::PortLookup{"/p", [](const std::string&) { return false; }},
                    1,    "com 1", "9600,n,8,1",
                    {}};
    ScreenRun test{op, [] { return kDay; }};
};

TEST(ScreenRun, FailedStepsEndTheRunWithThePortClosedAndTheToolReady) {
    struct Case {
        const char* what;
        sim::Faults faults;
        ScreenRunChoice choice;
        ScreenRunEnd end;
    };
    ScreenRunChoice withSn;
    withSn.sn = true;
    ScreenRunChoice russia;
    russia.model = Model::Cd5220Nr400Cd5220Russia;
    russia.pid = false;
    const Case cases[] = {
        {"no reply at all", {.noReply = true}, {}, ScreenRunEnd::IdentityFailed},
        {"no serial number", {.noSerial = true}, withSn, ScreenRunEnd::NoSerialNumber},
        {"wrong check byte", {.wrongCheck = true}, russia, ScreenRunEnd::FactoryDownloadFailed},
        {"hang-up in the visual test", {.hangUpAfter = 40}, {}, ScreenRunEnd::VisualTestFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FaultyRig r(c.faults);
        EXPECT_EQ(r.test.run(r.line, c.choice), c.end);
        EXPECT_FALSE(r.port.isOpen());
        EXPECT_FALSE(r.test.busy());
        EXPECT_EQ(r.op.shown.size() + r.op.messages.size(), 1u);
    }
}

// Keeps each report with how many messages the operator had seen when it came.
struct ReportKeeper : RunListener {
    explicit ReportKeeper(const RecordingOperator& op) : op_(op) {}
    void serialNumberRead(const std::string& number) override { numbers.push_back(number); }
    void concluded(const RunReport& report) override {
        reports.push_back(report);
        seenBefore.push_back(op_.shown.size() + op_.messages.size());
    }
    const RecordingOperator& op_;
    std::vector<std::string> numbers;
    std::vector<RunReport> reports;
    std::vector<std::size_t> seenBefore;
};

TEST(ScreenRun, EveryRunIsReportedOnceBeforeItsVerdictIsShown) {
    using S = StepEnd;
    struct Case {
        const char* what;
        sim::Faults faults;
        bool sn;
        ScreenRunEnd end;
        std::array<StepEnd, kRunSteps> steps;  // factory, PID, SN, visual, image, defaults
        std::string told;
    };
    const Case cases[] = {
        {"a pass",
         {},
         true,
         ScreenRunEnd::Passed,
         {S::NotRun, S::Passed, S::Passed, S::Passed, S::Passed, S::Passed},
         "OK!"},
        {"a wrong identity",
         {.noReply = true},
         false,
         ScreenRunEnd::IdentityFailed,
         {S::NotRun, S::Failed, S::NotRun, S::NotRun, S::NotRun, S::NotRun},
         "VFD PID is Error."},
        {"no serial number",
         {.noSerial = true},
         true,
         ScreenRunEnd::NoSerialNumber,
         {S::NotRun, S::Passed, S::Failed, S::NotRun, S::NotRun, S::NotRun},
         "NO S/N"},
        {"a lost line",
         {.hangUpAfter = 40},
         false,
         ScreenRunEnd::VisualTestFailed,
         {S::NotRun, S::Passed, S::NotRun, S::EndedEarly, S::NotRun, S::NotRun},
         "Test not finished!"},
        {"a bad marker",
         {.badMarker = true},
         false,
         ScreenRunEnd::ReadBackFailed,
         {S::NotRun, S::Passed, S::NotRun, S::Passed, S::Failed, S::NotRun},
         "Receive Check bit Error !!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FaultyRig r(c.faults);
        ReportKeeper keeper(r.op);
        r.test.setListener(&keeper);
        ScreenRunChoice choice;
        choice.sn = c.sn;
        EXPECT_EQ(r.test.run(r.line, choice), c.end);
        ASSERT_EQ(keeper.reports.size(), 1u);
        const RunReport& report = keeper.reports.front();
        EXPECT_EQ(report.end, c.end);
        EXPECT_EQ(report.steps, c.steps);
        EXPECT_EQ(report.told.text, c.told);
        EXPECT_EQ(report.device, testing::deviceOf(1));
        // Only the serial number's own message came before the verdict.
        EXPECT_EQ(keeper.seenBefore.front(),
                  c.sn && c.end != ScreenRunEnd::NoSerialNumber ? 1u : 0u);
        if (c.end == ScreenRunEnd::Passed) {
            EXPECT_EQ(keeper.numbers, std::vector<std::string>{report.serialNumber});
            EXPECT_EQ(report.serialNumber.size(), 8u);
        }
    }
}

TEST(ScreenRun, ASecondStartDuringARunChangesNothing) {
    ScreenRig r;
    ScreenRunEnd second = ScreenRunEnd::Passed;
    std::size_t writtenBefore = 0;
    std::size_t writtenAfter = 0;
    // During the all-dots-on pause the operator presses Start again.
    r.clock.after(1200, [&] {
        writtenBefore = r.port.writtenData().size();
        second = r.test.run(r.line, ScreenRunChoice{});
        writtenAfter = r.port.writtenData().size();
    });
    EXPECT_EQ(r.go(ScreenRunChoice{}), ScreenRunEnd::Passed);
    EXPECT_EQ(second, ScreenRunEnd::AlreadyRunning);
    EXPECT_GT(writtenBefore, 0u);
    EXPECT_EQ(writtenAfter, writtenBefore);
    EXPECT_EQ(r.op.shown, std::vector<std::string>{"OK!"});
}

}  // namespace
}  // namespace vfd::testtool
