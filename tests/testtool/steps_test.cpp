// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <memory>

#include "device/protocol.h"
#include "support/devices.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/recording_operator.h"
#include "testtool/free_text.h"
#include "testtool/identity.h"
#include "testtool/image_download.h"
#include "testtool/range_send.h"

namespace vfd::testtool {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing::FakeClock;
using testing::FakePort;
using testing::RecordingOperator;

Bytes bytes(std::string_view text) {
    return {text.begin(), text.end()};
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const Bytes kQuery = {0x1D, 0x49, 0x02};
const Bytes kReset = {0x1B, 0x40};

// A test tool's line to a scripted display.
struct Rig {
    FakeClock clock;
    FakePort port{clock};
    RecordingOperator op;
    SerialLine line{
        port, clock,   link::PortLookup{"/ports", [](const std::string&) { return false; }},
        1,    "com 1", "9600,n,8,1",
        {}};

    // Answers each identity query with the next of `answers` ("" for silence).
    void answerIdentity(std::vector<std::string> answers, int delayMs = 50) {
        auto left = std::make_shared<std::vector<std::string>>(std::move(answers));
        port.setResponder([left, delayMs](FakePort& p, std::span<const std::uint8_t> b) {
            if (Bytes(b.begin(), b.end()) == kQuery && !left->empty()) {
                if (!left->front().empty()) {
                    p.feedAfter(delayMs, bytes(left->front()));
                }
                left->erase(left->begin());
            }
        });
    }
    // Answers the fourth byte of the serial-number query with `reply`, in two parts.
    void answerSerial(Bytes reply) {
        port.setResponder([reply](FakePort& p, std::span<const std::uint8_t>) {
            if (p.writtenData().size() == 4 && !reply.empty()) {
                p.feedAfter(100, Bytes(reply.begin(), reply.begin() + 1));
                p.feedAfter(400, Bytes(reply.begin() + 1, reply.end()));
            }
        });
    }
    int writeTime(std::size_t index) const { return static_cast<int>(port.writeTimes().at(index)); }
};

// ---- identity ----

TEST(Identity, PassesWithTwoRightAnswersAndShowsIt) {
    Rig r;
    r.answerIdentity({"PID:3524", "PID:3524"});
    EXPECT_EQ(checkIdentity(r.line, r.op).outcome, IdentityOutcome::Passed);
    const Bytes expected = kQuery + kQuery + kReset + Bytes{0x1F, 0x24, 0x01, 0x02} +
                           bytes("            PID:3524") + kReset;
    EXPECT_EQ(r.port.writtenData(), expected);
    EXPECT_TRUE(r.op.shown.empty());
    EXPECT_TRUE(r.op.messages.empty());
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_EQ(r.port.openedName(), testing::deviceOf(1));
    // 300 ms between the attempts, and the identity stays on the glass 300 ms before the reset.
    EXPECT_GE(r.writeTime(3) - r.writeTime(2), 300);
    EXPECT_GE(r.writeTime(expected.size() - 2) - r.writeTime(expected.size() - 3), 300);
    // The queries, resets and pass text are single blocks; the cursor bytes go one at a time.
    EXPECT_EQ(r.port.writtenBlocks().size(), 2u + 1u + 4u + 1u + 1u);
}

TEST(Identity, FailuresShowTheErrorOnTheDisplayAndTellTheOperator) {
    struct Case {
        const char* what;
        std::vector<std::string> answers;
        std::string seen;  // how the first wrong answer is told beneath the verdict
    };
    const std::string check =
        ". Check that it is switched on and connected, and that its line "
        "speed matches the Baud Rate (9600,n,8,1).";
    auto instead = [](const std::string& answered) {
        return "The display on com 1 answered \"" + answered +
               "\" where \"PID:3524\" is due: it is not a display this test is for, or the line "
               "speed does not match the Baud Rate (9600,n,8,1).";
    };
    const Case cases[] = {
        {"second answer differs", {"PID:3524", "PID:3525"}, instead("PID:3525")},
        {"first answer differs", {"pid:3524", "PID:3524"}, instead("pid:3524")},
        {"seven bytes",
         {"PID:352", "PID:352"},
         "com 1 opened, but the display answered only 7 of 8 bytes within 3 seconds" + check},
        {"nine bytes", {"PID:35240", "PID:3524"}, instead("PID:35240")},
        {"a control byte", {std::string("PID:352\x1b", 8), "PID:3524"}, instead("PID:352\\x1B")},
        {"no answer",
         {"", ""},
         "com 1 opened, but the display sent nothing within 3 seconds" + check},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig r;
        r.answerIdentity(c.answers);
        EXPECT_EQ(checkIdentity(r.line, r.op).outcome, IdentityOutcome::WrongIdentity);
        const Bytes& w = r.port.writtenData();
        const Bytes tail = kReset + bytes("PID error!");
        ASSERT_GE(w.size(), tail.size());
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), w.end() - static_cast<long>(tail.size())));
        EXPECT_EQ(r.op.shown, std::vector<std::string>{"VFD PID is Error."});
        EXPECT_EQ(r.op.shownDetails, std::vector<std::string>{c.seen});
        EXPECT_FALSE(r.port.isOpen());
        EXPECT_LE(r.clock.elapsed(), 2 * 3001 + 300 + 10);
    }
}

TEST(Identity, APortThatWillNotOpenIsNamed) {
    Rig r;
    r.port.setOpenResult(link::PortError::Busy);
    const IdentityResult result = checkIdentity(r.line, r.op);
    EXPECT_EQ(result.outcome, IdentityOutcome::PortFailed);
    EXPECT_EQ(wordsFor(result.line, r.line).text,
              "com 1 can't be opened: another program is using it (" + testing::deviceOf(1) + ").");
    EXPECT_TRUE(r.op.shown.empty());
    EXPECT_TRUE(r.port.writtenData().empty());
}

// ---- serial number ----

TEST(SerialNumber, EightCharactersAreShownAndKept) {
    Rig r;
    r.answerSerial(bytes("12345678"));
    const SerialResult result = readSerialNumber(r.line, r.op);
    EXPECT_EQ(result.outcome, SerialOutcome::Read);
    EXPECT_EQ(result.number, "12345678");
    EXPECT_EQ(r.port.writtenData(), (Bytes{0x1D, 0x49, 0x06, 0x01}));
    EXPECT_EQ(r.port.writtenBlocks().size(), 4u);
    EXPECT_EQ(r.op.shown, std::vector<std::string>{"S/N:\r12345678"});
    EXPECT_FALSE(r.port.isOpen());
}

TEST(SerialNumber, NoAnswerOrAShortAnswerIsNoNumber) {
    const std::string check =
        ". Check that it is switched on and connected, and that its line "
        "speed matches the Baud Rate (9600,n,8,1).";
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes{}, "com 1 opened, but the display sent nothing within 2 seconds" + check},
        {bytes("12345"),
         "com 1 opened, but the display answered only 5 of 8 bytes within 3 seconds" + check},
    };
    for (const auto& [reply, seen] : cases) {
        Rig r;
        r.answerSerial(reply);
        EXPECT_EQ(readSerialNumber(r.line, r.op).outcome, SerialOutcome::NoNumber);
        EXPECT_EQ(r.op.shown, std::vector<std::string>{"NO S/N"});
        EXPECT_EQ(r.op.shownDetails, std::vector<std::string>{seen});
        EXPECT_FALSE(r.port.isOpen());
    }
}

// ---- range files ----

class RangeFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("vfd-range-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root_ / "work");
        fs::create_directories(root_ / "program");
    }
    void TearDown() override { fs::remove_all(root_); }
    void write(const fs::path& p, const Bytes& b) {
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    std::vector<fs::path> folders() const { return {root_ / "work", root_ / "program"}; }
    static Bytes counting(int n) {
        Bytes b(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x80 + i);
        }
        return b;
    }
    fs::path root_;
};

TEST_F(RangeFiles, ShortFilesArePaddedLongOnesCutAt48) {
    struct Case {
        int length;
        int sentFromFile;
    };
    for (const Case c : {Case{40, 40}, Case{48, 48}, Case{51, 48}, Case{80, 48}}) {
        write(root_ / "work" / "A0-BF", counting(c.length));
        const auto load = loadRangeFile("A0-BF", folders());
        ASSERT_TRUE(load.bytes) << load.problem;
        Rig r;
        EXPECT_TRUE(sendRange(r.line, *load.bytes).done());
        Bytes expected = counting(c.sentFromFile);
        expected.resize(48, 0);
        EXPECT_EQ(r.port.writtenData(), expected) << c.length;
        EXPECT_EQ(r.port.writtenBlocks().size(), 48u);
        EXPECT_FALSE(r.port.isOpen());
    }
}

TEST_F(RangeFiles, TheWorkingFolderComesFirstThenBesideTheProgram) {
    write(root_ / "program" / "80-9F", Bytes{1});
    EXPECT_EQ(loadRangeFile("80-9F", folders()).path, root_ / "program" / "80-9F");
    write(root_ / "work" / "80-9F", Bytes{2});
    EXPECT_EQ((*loadRangeFile("80-9F", folders()).bytes)[0], 2);
}

TEST_F(RangeFiles, AnInstalledToolFindsThemInTheDataFolderBesideItsProgramFolder) {
    // <prefix>/bin/tymbrik with the files in <prefix>/share/vfd-tools/ranges, for any prefix.
    const fs::path bin = root_ / "prefix" / "bin";
    const fs::path data = root_ / "prefix" / "share" / "vfd-tools" / "ranges";
    fs::create_directories(bin);
    fs::create_directories(data);
    const auto folders = rangeFolders(root_ / "work", bin);
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0], root_ / "work");
    EXPECT_EQ(folders[1], bin);
    EXPECT_EQ(folders[2], data);

    write(data / "C0-DF", Bytes{3});
    EXPECT_EQ(loadRangeFile("C0-DF", folders).path, data / "C0-DF");
    // The working folder and the program's own folder still come first.
    write(bin / "C0-DF", Bytes{4});
    EXPECT_EQ(loadRangeFile("C0-DF", folders).path, bin / "C0-DF");
    write(root_ / "work" / "C0-DF", Bytes{5});
    EXPECT_EQ((*loadRangeFile("C0-DF", folders).bytes)[0], 5);
}

TEST_F(RangeFiles, AMissingFileIsNamedAndNotCreated) {
    const auto load = loadRangeFile("E0-FF", folders());
    EXPECT_FALSE(load.bytes);
    EXPECT_NE(load.problem.find("\"E0-FF\""), std::string::npos);
    EXPECT_FALSE(fs::exists(root_ / "work" / "E0-FF"));
}

TEST(RangeSend, TwicePressedOpensAndClosesEachTime) {
    Rig r;
    RangeBytes b{};
    b.fill(0x41);
    EXPECT_TRUE(sendRange(r.line, b).done());
    EXPECT_TRUE(sendRange(r.line, b).done());
    EXPECT_EQ(r.port.writtenData().size(), 96u);
    EXPECT_EQ(r.port.openCount(), 2);
    EXPECT_EQ(r.port.closeCount(), 2);
}

TEST(RangeSend, AHangUpDuringTheRangeIsToldOnceWithThePortClosed) {
    Rig r;
    r.port.hangUpAfterWritten(10);
    RangeBytes b{};
    const LineResult result = sendRange(r.line, b);
    EXPECT_EQ(result.outcome, LineOutcome::LineLost);
    const std::string problem = wordsFor(result, r.line).text;
    EXPECT_EQ(problem.rfind("The connection on com 1 was lost", 0), 0u) << problem;
    EXPECT_EQ(r.port.writtenData().size(), 10u);
    EXPECT_FALSE(r.port.isOpen());
}

// ---- free text ----

TEST(DisplayText, FirstUseInitialisesTheDisplayLaterOnesOnlyAppend) {
    Rig r;
    bool resetPending = true;
    EXPECT_TRUE(displayText(r.line, resetPending, bytes("ABC")).done());
    EXPECT_FALSE(resetPending);
    EXPECT_TRUE(displayText(r.line, resetPending, bytes("DE")).done());
    EXPECT_EQ(r.port.writtenData(), kReset + bytes("ABCDE"));
    EXPECT_EQ(r.port.writtenBlocks(), (std::vector<Bytes>{kReset, bytes("ABC"), bytes("DE")}));
    EXPECT_GE(r.writeTime(2) - r.writeTime(1), 200);
    // A closed port is opened for the text and closed again.
    EXPECT_EQ(r.port.openCount(), 2);
    EXPECT_FALSE(r.port.isOpen());
}

TEST(DisplayText, AnOpenPortIsUsedAsItIsAndAnEmptyTextSendsNothing) {
    Rig r;
    ASSERT_FALSE(openIfClosed(r.line));
    bool resetPending = true;
    EXPECT_TRUE(displayText(r.line, resetPending, {}).done());
    EXPECT_EQ(r.port.writtenData(), kReset);
    EXPECT_TRUE(r.port.isOpen());
    EXPECT_EQ(r.port.openCount(), 1);
}

TEST(DisplayText, BadLineParametersAreExplained) {
    Rig r;
    r.line.settingsText = "";
    bool resetPending = true;
    const LineResult result = displayText(r.line, resetPending, bytes("A"));
    EXPECT_EQ(result.outcome, LineOutcome::PortFailed);
    EXPECT_NE(wordsFor(result, r.line).text.find("line parameters"), std::string::npos);
    EXPECT_TRUE(resetPending);
    EXPECT_EQ(r.port.openCount(), 0);
}

// ---- image download ----

TEST(ImageDownload, ExtraByteAfterTheBodyIsReadAndIgnored) {
    Rig r;
    const auto stamp = device::dateStamp({2026, 12, 6});
    r.port.setResponder([](FakePort& p, std::span<const std::uint8_t>) {
        if (p.writtenData().size() == 10) {
            p.feedAfter(5, {0x8A});
        }
        if (p.writtenData().size() == 137) {
            p.feedReceived({0x42});
        }
    });
    device::BodyBytes body{};
    body[125] = 0x7E;
    const ImageDownloadResult result = downloadImage(r.line, stamp, body);
    EXPECT_TRUE(result.sent());
    EXPECT_TRUE(wordsFor(result, r.line).empty());
    EXPECT_EQ(r.port.writtenData().size(), 137u);
    EXPECT_EQ(r.port.writtenData().back(), 0x7E);
    EXPECT_FALSE(r.port.isOpen());
}

TEST(ImageDownload, AnOpenPortIsNotReopenedOrSetAgain) {
    Rig r;
    ASSERT_FALSE(openIfClosed(r.line));
    r.line.settingsText = "19200,n,8,1";  // would change the port if it were set again
    r.port.setResponder([](FakePort& p, std::span<const std::uint8_t>) {
        if (p.writtenData().size() == 10) {
            p.feedAfter(5, {0x8A});
        }
    });
    EXPECT_TRUE(
        downloadImage(r.line, device::dateStamp({2026, 12, 6}), device::BodyBytes{}).sent());
    EXPECT_EQ(r.port.openCount(), 1);
    EXPECT_EQ(r.port.openedSettings().baud, 9600);
}

TEST(ImageDownload, FailuresUseTheConfigurationToolsWords) {
    Rig silent;
    const auto unanswered = downloadImage(silent.line, device::dateStamp({2026, 12, 6}), {});
    EXPECT_FALSE(unanswered.sent());
    EXPECT_EQ(wordsFor(unanswered, silent.line).text, "Download Fail ! Please retry again !");
    Rig wrong;
    wrong.port.setResponder([](FakePort& p, std::span<const std::uint8_t>) {
        if (p.writtenData().size() == 10) {
            p.feedAfter(5, {0x8B});
        }
    });
    const auto refused = downloadImage(wrong.line, device::dateStamp({2026, 12, 6}), {});
    EXPECT_FALSE(refused.sent());
    EXPECT_EQ(wordsFor(refused, wrong.line).text, "IRC check error ! Please retry again !");
    EXPECT_FALSE(wrong.port.isOpen());
}

}  // namespace
}  // namespace vfd::testtool
