// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/operator_texts.h"
#include "support/devices.h"

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
        return textFor(PortFailure{PortProblem::OpenFailed, label, device, {}, error, {}, {}},
                       Tool::Zoravel);
    };
    EXPECT_EQ(open("Com 3", "/dev/ttyS2", PortError::NotFound),
              "Com 3 can't be opened: the port does not exist (/dev/ttyS2).");
    EXPECT_EQ(open("Com 1", "/dev/ttyS0", PortError::Busy),
              "Com 1 can't be opened: another program is using it (/dev/ttyS0).");
    EXPECT_NE(open("Com 1", "", PortError::NoPermission).find("dialout"), std::string::npos);
    EXPECT_EQ(textFor(PortFailure{PortProblem::UnsafeFolder,
                                  "Com 97",
                                  {},
                                  {},
                                  {},
                                  "other users may write into it",
                                  "/tmp/vfd-ports-0"},
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
    EXPECT_EQ(good.choice->device, testing::deviceOf(2));
    EXPECT_FALSE(good.failure);
}

// The display's own words stay the message; what the tool saw goes beneath, naming the port and
// the line parameters the operator can compare with the display's.
TEST(OperatorTexts, ExchangeOutcomesKeepTheDisplaysOwnWordsAndSayWhatWasSeen) {
    const LineNames com3{"Com 3", "9600,n,8,1"};
    const std::string silent =
        "Com 3 opened, but the display sent nothing within 2 seconds. Check that it is switched on "
        "and connected, and that its line speed matches the Baud Rate (9600,n,8,1).";
    const std::string lost =
        "The connection on Com 3 was lost: the adapter was unplugged or the display switched off.";

    struct Case {
        Words said;
        std::string text;
        std::string detail;
    };
    auto down = [&](link::DownloadOutcome outcome) {
        link::DownloadResult r;
        r.outcome = outcome;
        r.expected = 0x5A;
        r.answered = 0x3C;
        r.lineError = outcome == link::DownloadOutcome::LineLost ? "Input/output error" : "";
        return wordsFor(r, com3);
    };
    auto up = [&](link::UploadOutcome outcome, UploadUse use) {
        link::UploadResult r;
        r.outcome = outcome;
        r.received = 90;
        r.reply[0] = 0x2E;
        return wordsFor(r, com3, use);
    };
    const Case cases[] = {
        {down(link::DownloadOutcome::Sent), "Download O.K ! Please restart !", ""},
        {down(link::DownloadOutcome::NoAnswer), "Download Fail ! Please retry again !", silent},
        {down(link::DownloadOutcome::WrongCheck), "IRC check error ! Please retry again !",
         "Com 3 opened, but the display answered 0x3C where 0x5A was due, so the settings were "
         "refused and not stored. Check that it is switched on and connected, and that its line "
         "speed matches the Baud Rate (9600,n,8,1)."},
        // A lost line keeps the download's own failure message first.
        {down(link::DownloadOutcome::LineLost), "Download Fail ! Please retry again !",
         lost + " The system said: Input/output error. Check the cable and the display, then try "
                "again."},
        {up(link::UploadOutcome::Received, UploadUse::Settings), "Upload O.K!", ""},
        {up(link::UploadOutcome::NoAnswer, UploadUse::ReadBack), "Com 3 can't be open !!", silent},
        {up(link::UploadOutcome::BadMarker, UploadUse::Settings), "Receive Check bit Error !!",
         "Com 3 opened, but the display answered with 0x2E where the settings start with 0xAA. "
         "Check that it is switched on and connected, and that its line speed matches the Baud "
         "Rate (9600,n,8,1)."},
        {up(link::UploadOutcome::Short, UploadUse::Settings),
         "The display answered only 90 of 127 bytes. The settings in the window were not changed.",
         "The rest did not come within 3 seconds on Com 3. A loose cable, or a line speed other "
         "than the Baud Rate (9600,n,8,1), cuts an answer short."},
        {up(link::UploadOutcome::Short, UploadUse::ReadBack),
         "The display answered only 90 of 127 bytes when the test image was read back.",
         "The rest did not come within 3 seconds on Com 3. A loose cable, or a line speed other "
         "than the Baud Rate (9600,n,8,1), cuts an answer short."},
        {up(link::UploadOutcome::LineLost, UploadUse::Settings), lost,
         "Check the cable and the display, then try again."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.said.text, c.text);
        EXPECT_EQ(c.said.detail, c.detail) << c.text;
    }
}

}  // namespace
}  // namespace vfd::ui
