// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/firmware.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bytes.h"

namespace vfd::sim {
namespace {

namespace fs = std::filesystem;

const Bytes kIdentity = {0x1D, 0x49, 0x02};
const Bytes kSerial = {0x1D, 0x49, 0x06, 0x01};
const Bytes kUpload = {0x1B, 0xEE};
const Bytes kDownload = {0x1B, 0xEF};
// 6 December 2026 and 25 March 2031 as a tool sends them; a display must answer 0x8A and 0x17.
const Bytes kStamp2026 = {2, 0, 2, 6, 1, 2, 0, 6};
const Bytes kStamp2031 = {2, 0, 3, 1, 0, 3, 2, 5};

// A body that differs from the factory settings everywhere it matters.
StoredSettings sampleBody() {
    StoredSettings body{};
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const std::string message1 = "HELLO FROM THE TEST ";
    std::copy(message1.begin(), message1.end(),
              body.begin() + (device::image_index::kMessage1 - 1));
    body[device::image_index::kScrollFlags - 1] = 3;  // neither line scrolls
    return body;
}

Bytes asBytes(const StoredSettings& body) {
    return {body.begin(), body.end()};
}

Bytes repliedBytes(const FeedResult& result) {
    Bytes all;
    for (const Reply& reply : result.replies) {
        all.insert(all.end(), reply.bytes.begin(), reply.bytes.end());
    }
    return all;
}

class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                ("vfd-sim-" + std::string(info->test_suite_name()) + "-" + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

TEST(Download, AnswersTheCheckByteOfTheDateItIsSent) {
    struct Case {
        const char* what;
        Bytes stamp;
        std::optional<device::Date> clock;
        bool wrongCheck;
        std::uint8_t answer;
    };
    const Case cases[] = {
        {"clock agrees, December", kStamp2026, std::nullopt, false, 0x8A},
        {"clock agrees, March", kStamp2031, std::nullopt, false, 0x17},
        {"product capped at 255", {9, 9, 0, 0, 1, 2, 0, 1}, std::nullopt, false, 254},
        {"own clock disagrees", kStamp2031, device::Date{2026, 12, 6}, false, 0x8A},
        {"wrong-check fault", kStamp2026, std::nullopt, true, 0x8B},
    };
    for (const Case& c : cases) {
        FirmwareOptions options;
        options.clock = c.clock;
        options.faults.wrongCheck = c.wrongCheck;
        Firmware firmware(options);
        const FeedResult result = firmware.feed(kDownload + c.stamp, 0);
        EXPECT_EQ(result.replies, (std::vector<Reply>{{{c.answer}, 0}})) << c.what;
    }
}

TEST(Download, StoresTheBodyForTheNextStartAndKeepsItAcrossPowerCycles) {
    TempDir dir;
    FirmwareOptions options;
    options.stateFile = dir.path() / "memory.vfd";
    const StoredSettings body = sampleBody();
    {
        Firmware firmware(options);
        firmware.feed(Bytes{0x1B, 0x40} + bytesOf("typed before"), 0);
        firmware.feed(kDownload + kStamp2026, 10);
        const FeedResult result = firmware.feed(Bytes{0xAA} + asBytes(body), 20);
        EXPECT_EQ(result.stored, StoreOutcome::Stored);
        EXPECT_TRUE(result.replies.empty());
        EXPECT_EQ(firmware.settings(), body);
        // Stored, but the display runs on with what it started with until it is restarted.
        EXPECT_EQ(firmware.running(), device::factoryImage().body());
        EXPECT_EQ(firmware.screen().text(0), "typed before        ");
        firmware.restart(30);
        EXPECT_EQ(firmware.running(), body);
        EXPECT_TRUE(firmware.showsWelcome());
        EXPECT_EQ(firmware.screen().text(0), "HELLO FROM THE TEST ");
    }
    EXPECT_EQ(fs::file_size(options.stateFile), static_cast<std::uintmax_t>(device::kBodySize));
    Firmware again(options);
    EXPECT_EQ(again.loadOutcome(), LoadOutcome::Loaded);
    EXPECT_EQ(repliedBytes(again.feed(kUpload, 0)), Bytes{0xAA} + asBytes(body));
}

TEST(Download, RefusalStoresNothingAndTheDisplayCarriesOn) {
    Firmware firmware({});
    firmware.feed(kDownload + kStamp2026, 0);
    const FeedResult result = firmware.feed(Bytes{0x55} + bytesOf("AB"), 5);
    EXPECT_EQ(result.stored, StoreOutcome::None);
    EXPECT_EQ(firmware.settings(), device::factoryImage().body());
    EXPECT_EQ(firmware.screen().text(0), "AB                  ");
}

TEST(Download, ABodyThatStopsComingIsDroppedAfterTheTimeout) {
    struct Case {
        int pauseMs;
        bool stored;
    };
    for (const Case c : {Case{kCommandTimeoutMs - 1, true}, Case{kCommandTimeoutMs + 1, false}}) {
        Firmware firmware({});
        const Bytes body = asBytes(sampleBody());
        firmware.feed(kDownload + kStamp2026 + Bytes{0xAA}, 0);
        firmware.feed(Bytes(body.begin(), body.begin() + 60), 0);
        const FeedResult rest = firmware.feed(Bytes(body.begin() + 60, body.end()), c.pauseMs);
        EXPECT_EQ(rest.stored != StoreOutcome::None, c.stored) << c.pauseMs;
        EXPECT_EQ(firmware.settings() == sampleBody(), c.stored) << c.pauseMs;
        if (!c.stored) {
            // The rest went to the glass as text.
            EXPECT_FALSE(firmware.showsWelcome());
        }
    }
}

TEST(Download, AnUndecidedToolLeavesTheDisplayReadyForText) {
    Firmware firmware({});
    firmware.feed(kDownload + kStamp2026, 0);
    firmware.feed(bytesOf("Z"), 100);
    EXPECT_EQ(firmware.screen().text(0), "Z                   ");
    EXPECT_EQ(repliedBytes(firmware.feed(kIdentity, 200)), bytesOf("PID:3524"));
}

TEST(Download, TheTimeoutCountsFromWhenASlowCheckByteLeaves) {
    FirmwareOptions options;
    options.faults.replyDelayMs = 1900;
    Firmware firmware(options);
    firmware.feed(kDownload + kStamp2026, 0);
    const FeedResult result =
        firmware.feed(Bytes{0xAA} + asBytes(sampleBody()), 1900 + kCommandTimeoutMs - 1);
    EXPECT_EQ(result.stored, StoreOutcome::Stored);
}

TEST(Download, AMemoryFileThatCannotBeWrittenStillChangesTheDisplay) {
    TempDir dir;
    std::ofstream(dir.path() / "plain-file") << "x";
    FirmwareOptions options;
    options.stateFile = dir.path() / "plain-file" / "memory.vfd";
    Firmware firmware(options);
    const FeedResult result =
        firmware.feed(kDownload + kStamp2026 + Bytes{0xAA} + asBytes(sampleBody()), 0);
    EXPECT_EQ(result.stored, StoreOutcome::FileFailed);
    EXPECT_EQ(firmware.settings(), sampleBody());
    // What could not be written is kept for this run: a restart starts with it.
    firmware.restart(10);
    EXPECT_EQ(firmware.running(), sampleBody());
}

TEST(Restart, ReadsTheStateFileAfresh) {
    TempDir dir;
    FirmwareOptions options;
    options.stateFile = dir.path() / "memory.vfd";
    Firmware firmware(options);
    EXPECT_EQ(firmware.loadOutcome(), LoadOutcome::Missing);
    // Someone drops a settings file in as the display's memory.
    StoredSettings dropped = device::factoryImage().body();
    device::setBodyByte(dropped, device::image_index::kCommand, 7);
    ASSERT_TRUE(saveSettings(options.stateFile, dropped));
    EXPECT_EQ(firmware.emulation(), device::Emulation::Epson);
    firmware.restart(0);
    EXPECT_EQ(firmware.loadOutcome(), LoadOutcome::Loaded);
    EXPECT_EQ(firmware.emulation(), device::Emulation::Cd5220);
}

TEST(Upload, RepliesTheMarkerAndTheStoredBytes) {
    Firmware firmware({});
    const Bytes reply = repliedBytes(firmware.feed(kUpload, 0));
    ASSERT_EQ(reply.size(), static_cast<std::size_t>(device::kImageSize));
    EXPECT_EQ(reply[0], 0xAA);
    EXPECT_EQ(reply[device::image_index::kCommand], 1);
    EXPECT_EQ(std::string(reply.begin() + device::image_index::kMessage1,
                          reply.begin() + device::image_index::kMessage1 + device::kMessage1Length),
              "*** VFD DISPLAY  ***");
    EXPECT_EQ(std::string(reply.begin() + device::image_index::kMessage2,
                          reply.begin() + device::image_index::kMessage2 + 33),
              "**HAVE A NICE DAY AND THANK YOU**");
    EXPECT_EQ(reply[device::image_index::kMessage2 + 33], 0);
    EXPECT_EQ(reply[device::image_index::kPassthru], 0);
}

// The memory file is read as the tools read a settings file: its first 126 bytes, a longer
// file's rest left alone, and something that is not a regular file refused unopened.
TEST(Memory, ReadsItsFileAsTheToolsReadASettingsFile) {
    enum class Kind { None, Bytes, Folder, Pipe };
    struct Case {
        const char* what;
        Kind kind;
        std::size_t fileBytes;
        LoadOutcome outcome;
    };
    const Case cases[] = {
        {"no file", Kind::None, 0, LoadOutcome::Missing},
        {"empty", Kind::Bytes, 0, LoadOutcome::Damaged},
        {"short", Kind::Bytes, 125, LoadOutcome::Damaged},
        {"whole", Kind::Bytes, 126, LoadOutcome::Loaded},
        {"long", Kind::Bytes, 127, LoadOutcome::Loaded},
        {"a folder in its place", Kind::Folder, 0, LoadOutcome::Damaged},
#ifndef _WIN32  // Windows has no named pipes among its files
        {"a named pipe in its place", Kind::Pipe, 0, LoadOutcome::Damaged},
#endif
    };
    TempDir dir;
    for (const Case& c : cases) {
        const fs::path file = dir.path() / c.what;
        switch (c.kind) {
            case Kind::None:
                break;
            case Kind::Bytes:
                std::ofstream(file, std::ios::binary) << std::string(c.fileBytes, '\x41');
                break;
            case Kind::Folder:
                fs::create_directories(file);
                break;
            case Kind::Pipe:
#ifndef _WIN32
                ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0) << std::strerror(errno);
#endif
                break;
        }
        FirmwareOptions options;
        options.stateFile = file;
        Firmware firmware(options);
        EXPECT_EQ(firmware.loadOutcome(), c.outcome) << c.what;
        device::BodyBytes expected = device::factoryImage().body();
        if (c.outcome == LoadOutcome::Loaded) {
            expected.fill(0x41);
        }
        EXPECT_EQ(firmware.settings(), expected) << c.what;
    }
}

TEST(Identity, AnswersItsProductIdentityAndSerialNumber) {
    struct Case {
        const char* what;
        std::string pid;
        std::string serial;
        Bytes query;
        Bytes reply;
    };
    const Case cases[] = {
        {"identity", "PID:3524", "VD000001", kIdentity, bytesOf("PID:3524")},
        {"another identity", "PID:9999", "VD000001", kIdentity, bytesOf("PID:9999")},
        {"serial", "PID:3524", "VD000001", kSerial, bytesOf("VD000001")},
        {"configured serial", "PID:3524", "12345678", kSerial, bytesOf("12345678")},
        {"GS I 6 with another sub-kind", "PID:3524", "VD000001", {0x1D, 0x49, 0x06, 0x02}, {}},
        {"unknown GS I kind", "PID:3524", "VD000001", {0x1D, 0x49, 0x03}, {}},
    };
    for (const Case& c : cases) {
        FirmwareOptions options;
        options.pid = c.pid;
        options.serial = c.serial;
        Firmware firmware(options);
        EXPECT_EQ(repliedBytes(firmware.feed(c.query, 0)), c.reply) << c.what;
    }
}

TEST(Faults, EachSwitchChangesTheRepliesAsItSays) {
    auto xored = [](Bytes b) {
        for (std::uint8_t& x : b) {
            x ^= kGarbleMask;
        }
        return b;
    };
    const Bytes upload = repliedBytes(Firmware({}).feed(kUpload, 0));
    Bytes badUpload = upload;
    badUpload[0] = kBadMarker;

    struct Case {
        const char* what;
        Faults faults;
        Bytes request;
        std::vector<Reply> replies;
    };
    const Case cases[] = {
        {"healthy", {}, kIdentity, {{bytesOf("PID:3524"), 0}}},
        {"reply delay", {.replyDelayMs = 2500}, kIdentity, {{bytesOf("PID:3524"), 2500}}},
        {"no reply", {.noReply = true}, kIdentity, {}},
        {"no reply to a download", {.noReply = true}, kDownload + kStamp2026, {}},
        {"short reply", {.shortReply = 7}, kIdentity, {{bytesOf("PID:352"), 0}}},
        {"short upload",
         {.shortReply = 100},
         kUpload,
         {{Bytes(upload.begin(), upload.begin() + 100), 0}}},
        {"garbled", {.garble = true}, kIdentity, {{xored(bytesOf("PID:3524")), 0}}},
        {"extra bytes", {.extraBytes = 2}, kIdentity, {{bytesOf("PID:3524\xFF\xFF"), 0}}},
        {"extra bytes after a check",
         {.extraBytes = 1},
         kDownload + kStamp2026,
         {{{0x8A, 0xFF}, 0}}},
        {"bad marker", {.badMarker = true}, kUpload, {{badUpload, 0}}},
        {"no serial", {.noSerial = true}, kSerial, {}},
        {"no serial, identity still answered",
         {.noSerial = true},
         kIdentity,
         {{bytesOf("PID:3524"), 0}}},
        {"wrong check", {.wrongCheck = true}, kDownload + kStamp2031, {{{0x18}, 0}}},
        {"faults kept to uploads leave identity alone",
         {.noReply = true, .only = ReplyKind::Upload},
         kIdentity,
         {{bytesOf("PID:3524"), 0}}},
        {"faults kept to uploads reach the upload",
         {.shortReply = 10, .only = ReplyKind::Upload},
         kUpload,
         {{Bytes(upload.begin(), upload.begin() + 10), 0}}},
        {"faults kept to serial numbers leave the check byte alone",
         {.replyDelayMs = 2500, .only = ReplyKind::Serial},
         kDownload + kStamp2026,
         {{{0x8A}, 0}}},
        {"faults kept to check bytes",
         {.garble = true, .only = ReplyKind::Check},
         kDownload + kStamp2026,
         {{{0x8A ^ kGarbleMask}, 0}}},
    };
    for (const Case& c : cases) {
        FirmwareOptions options;
        options.faults = c.faults;
        Firmware firmware(options);
        EXPECT_EQ(firmware.feed(c.request, 0).replies, c.replies) << c.what;
    }
}

TEST(Faults, HangUpDropsTheLineAfterTheGivenByteCount) {
    struct Case {
        int after;
        bool answered;  // the identity query lies within the bytes read before the drop
    };
    for (const Case c : {Case{0, false}, Case{2, false}, Case{3, true}}) {
        FirmwareOptions options;
        options.faults.hangUpAfter = c.after;
        Firmware firmware(options);
        const FeedResult result = firmware.feed(kIdentity + bytesOf("text"), 0);
        EXPECT_TRUE(result.hangUp) << c.after;
        EXPECT_TRUE(firmware.isHungUp());
        EXPECT_EQ(!result.replies.empty(), c.answered) << c.after;
        EXPECT_TRUE(firmware.showsWelcome()) << "nothing after the drop reaches the glass";
        EXPECT_TRUE(firmware.feed(kIdentity, 10).replies.empty());
    }
}

}  // namespace
}  // namespace vfd::sim
