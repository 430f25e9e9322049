// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/operator_texts.h"

#include <gtest/gtest.h>

#include "link/port_choice.h"

namespace vfd::ui {
namespace {

using link::PortError;
using link::PortFailure;
using link::PortProblem;

const link::PortLookup kNoFolder{"/ports", [](const std::string&) { return false; }};

TEST(OperatorTexts, OpenFailuresNameThePortAndTheReason) {
    const auto open = [](const char* label, const char* device, PortError error) {
        return textFor(PortFailure{PortProblem::OpenFailed, label, device, {}, error, {}},
                       Tool::Zoravel);
    };
    EXPECT_EQ(open("Com 3", "/dev/ttyS2", PortError::NotFound),
              "Com 3 can't be opened: the port does not exist (/dev/ttyS2).");
    EXPECT_EQ(open("Com 1", "/dev/ttyS0", PortError::Busy),
              "Com 1 can't be opened: another program is using it (/dev/ttyS0).");
    EXPECT_NE(open("Com 1", "", PortError::NoPermission).find("dialout"), std::string::npos);
    EXPECT_EQ(textFor(PortFailure{PortProblem::UnsafeFolder,
                                  "Com 97",
                                  "/tmp/vfd-ports-0",
                                  {},
                                  {},
                                  "other users may write into it"},
                      Tool::Tymbrik),
              "Com 97 can't be opened: the port folder /tmp/vfd-ports-0 is not safe to use (other "
              "users may write into it). Nothing is opened through it; make it yours alone (chmod "
              "700) or remove it.");
    // A path typed as the port is not repeated in brackets.
    EXPECT_EQ(open("/dev/ttyUSB0", "/dev/ttyUSB0", PortError::Busy),
              "/dev/ttyUSB0 can't be opened: another program is using it.");
}

TEST(OperatorTexts, EachToolExplainsAPortThatCannotBeChosen) {
    struct Case {
        link::PortChoiceResult chosen;
        Tool tool;
        std::string said;
    };
    const Case cases[] = {
        {link::choosePort("  ", "9600,n,8,1", kNoFolder), Tool::Zoravel,
         "No serial port is chosen. Choose a port in the port list first."},
        {link::choosePortNumber(0, "", "9600,n,8,1", kNoFolder), Tool::Tymbrik,
         "No serial port is chosen. Press \"Auto Search Comport\" or choose a port first."},
        {link::choosePort("Com 0", "9600,n,8,1", kNoFolder), Tool::Zoravel,
         "\"Com 0\" is not a serial port. Choose Com 1 to Com 255, or type a device path such "
         "as /dev/ttyUSB0."},
        {link::choosePortNumber(300, "com 300", "9600,n,8,1", kNoFolder), Tool::Tymbrik,
         "com 300 can't be opened: there is no such port."},
        {link::choosePort("Com 2", "9600,x,8,1", kNoFolder), Tool::Zoravel,
         "Com 2 can't be opened: the line parameters \"9600,x,8,1\" are not valid. Write them "
         "as speed,parity,data bits,stop bits, for example 9600,n,8,1."},
        {link::choosePortNumber(2, "com 2", "fast", kNoFolder), Tool::Tymbrik,
         "com 2 can't be opened: the line parameters \"fast\" are not valid. Write them as "
         "speed,parity,data bits,stop bits, for example 9600,n,8,1."},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.chosen.choice) << c.said;
        EXPECT_EQ(textFor(c.chosen.failure, c.tool), c.said);
    }
    const auto good = link::choosePortNumber(2, "com 2", "9600,n,8,1", kNoFolder);
    ASSERT_TRUE(good.choice);
    EXPECT_EQ(good.choice->device, "/dev/ttyS1");
    EXPECT_FALSE(good.failure);
}

TEST(OperatorTexts, ExchangeOutcomesKeepTheDisplaysOwnWords) {
    link::DownloadResult down;
    down.outcome = link::DownloadOutcome::Sent;
    EXPECT_EQ(textFor(down, "Com 1"), "Download O.K ! Please restart !");
    down.outcome = link::DownloadOutcome::NoAnswer;
    EXPECT_EQ(textFor(down, "Com 1"), "Download Fail ! Please retry again !");
    down.outcome = link::DownloadOutcome::WrongCheck;
    EXPECT_EQ(textFor(down, "Com 1"), "IRC check error ! Please retry again !");
    down.outcome = link::DownloadOutcome::LineLost;
    down.lineError = "hung up";
    EXPECT_EQ(textFor(down, "Com 4"),
              "The connection on Com 4 was lost: hung up. Check the cable and the display, then "
              "try again.");

    link::UploadResult up;
    up.outcome = link::UploadOutcome::Received;
    EXPECT_EQ(textFor(up, "Com 1", UploadUse::Settings), "Upload O.K!");
    up.outcome = link::UploadOutcome::NoAnswer;
    EXPECT_EQ(textFor(up, "com 2", UploadUse::ReadBack), "com 2 can't be open !!");
    up.outcome = link::UploadOutcome::BadMarker;
    EXPECT_EQ(textFor(up, "Com 1", UploadUse::Settings), "Receive Check bit Error !!");
    up.outcome = link::UploadOutcome::Short;
    up.received = 90;
    EXPECT_EQ(textFor(up, "Com 1", UploadUse::Settings),
              "The display answered only 90 of 127 bytes. The settings in the window were not "
              "changed.");
    EXPECT_EQ(textFor(up, "Com 1", UploadUse::ReadBack),
              "The display answered only 90 of 127 bytes when the test image was read back.");
}

}  // namespace
}  // namespace vfd::ui
