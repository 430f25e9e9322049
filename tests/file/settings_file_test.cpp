// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

#include "file/settings_file.h"

namespace vfd::file {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("vfd-file-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    static std::vector<char> bytesOf(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const fs::path& p, const std::vector<char>& bytes) {
        std::ofstream(p, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    static device::BodyBytes sampleBody() {
        device::BodyBytes b{};
        std::iota(b.begin(), b.end(), std::uint8_t{0x80});
        b[1] = 1;   // image byte 2: line speed
        b[3] = 15;  // image byte 4: character set
        b[5] = 9;   // image byte 6: command
        b[67] = 2;  // image byte 68: pass-through
        return b;
    }
    fs::path dir_;
};

TEST_F(SettingsFileTest, NewFileIsExactly126BytesAndReadsBack) {
    const auto path = dir_ / "shop.vfd";
    ASSERT_EQ(writeSettingsFile(path, sampleBody()), "");
    EXPECT_EQ(fs::file_size(path), 126u);
    const auto r = readSettingsFile(path);
    ASSERT_TRUE(r.body) << r.error;
    EXPECT_EQ(*r.body, sampleBody());
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsFileTest, LongerFileKeepsItsTailWhenSavedOverAndLoadsFromItsStart) {
    const auto path = dir_ / "long.vfd";
    std::vector<char> old(200, 'x');
    writeBytes(path, old);
    ASSERT_EQ(writeSettingsFile(path, sampleBody()), "");
    const auto now = bytesOf(path);
    ASSERT_EQ(now.size(), 200u);
    const auto body = sampleBody();
    EXPECT_TRUE(
        std::equal(body.begin(), body.end(), reinterpret_cast<const std::uint8_t*>(now.data())));
    EXPECT_TRUE(std::all_of(now.begin() + 126, now.end(), [](char c) { return c == 'x'; }));
    EXPECT_EQ(*readSettingsFile(path).body, body);
}

TEST_F(SettingsFileTest, ShortMissingOrFolderPathsAreErrors) {
    writeBytes(dir_ / "short.vfd", std::vector<char>(125, 0));
    EXPECT_FALSE(readSettingsFile(dir_ / "short.vfd").body);
    EXPECT_NE(readSettingsFile(dir_ / "short.vfd").error.find("125"), std::string::npos);
    EXPECT_FALSE(readSettingsFile(dir_ / "missing.vfd").body);
    EXPECT_FALSE(readSettingsFile(dir_).body);
    EXPECT_FALSE(readSettingsFile(dir_ / "missing.vfd").error.empty());
}

TEST(SettingsBytes, TakeTheFirst126AndNameAShortCount) {
    std::vector<std::uint8_t> bytes(200);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    const auto longer = device::parseSettingsBytes(bytes);
    ASSERT_TRUE(longer.body) << longer.error;
    EXPECT_TRUE(std::equal(longer.body->begin(), longer.body->end(), bytes.begin()));
    EXPECT_TRUE(device::parseSettingsBytes(std::span(bytes).first(126)).body);
    const auto shorter = device::parseSettingsBytes(std::span(bytes).first(125));
    EXPECT_FALSE(shorter.body);
    EXPECT_NE(shorter.error.find("125"), std::string::npos);
    EXPECT_FALSE(device::parseSettingsBytes({}).body);
}

TEST_F(SettingsFileTest, WritingIntoAMissingFolderFails) {
    EXPECT_NE(writeSettingsFile(dir_ / "no-such-folder" / "a.vfd", sampleBody()), "");
    EXPECT_NE(writeSettingsFile(dir_, sampleBody()), "");  // a folder is not a file
}

TEST(ListBytes, PositionsOutsideTheirListsAreFound) {
    device::BodyBytes ok{};
    ok[5] = 1;
    EXPECT_EQ(device::firstBadListByte(ok), std::nullopt);
    struct Case {
        int imageIndex;
        std::uint8_t value;
    };
    for (const Case c : {Case{1, 11}, Case{2, 2}, Case{4, 16}, Case{6, 10}, Case{68, 3}}) {
        device::BodyBytes b = ok;
        b[static_cast<std::size_t>(c.imageIndex - 1)] = c.value;
        EXPECT_EQ(device::firstBadListByte(b), c.imageIndex);
    }
    device::BodyBytes edge = ok;  // the last position of each list is fine
    edge[1] = 1;
    edge[3] = 15;
    edge[5] = 9;
    edge[67] = 2;
    edge[0] = 10;
    EXPECT_EQ(device::firstBadListByte(edge), std::nullopt);
}

}  // namespace
}  // namespace vfd::file
