#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <unistd.h>

#include "util/AtomicFile.h"
#include "util/Endian.h"
#include "util/Utf16.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using namespace vandrel;

using test::TempFolder;
using test::readAll;

TEST(Endian, ReadsAndWritesBothOrders) {
    uint8_t b[2];
    writeLe16(b, 0x1234);
    EXPECT_EQ(b[0], 0x34);
    EXPECT_EQ(readLe16(b), 0x1234);
    writeBe16(b, 60000);
    EXPECT_EQ(b[0], 0xEA);
    EXPECT_EQ(b[1], 0x60);
    EXPECT_EQ(readBe16(b), 60000);
}

TEST(Utf16Field, StopsAtZeroOrAtTheFieldEnd) {
    uint8_t field[8] = {'A', 0, 'B', 0, 0, 0, 'C', 0};
    EXPECT_EQ(readUtf16Field(field, 4), u"AB");
    uint8_t full[6] = {'x', 0, 'y', 0, 'z', 0};  // no terminating zero
    EXPECT_EQ(readUtf16Field(full, 3), u"xyz");
}

TEST(Utf16Field, WriteAlwaysTerminatesAndReportsTruncation) {
    uint8_t field[6];
    std::memset(field, 0xEE, sizeof field);
    EXPECT_TRUE(writeUtf16Field(field, 3, u"ab"));
    EXPECT_EQ(field[4], 0);
    EXPECT_FALSE(writeUtf16Field(field, 3, u"abc"));
    EXPECT_EQ(readUtf16Field(field, 3), u"ab");
}

TEST(Utf16, RoundTripsChineseAndAstralText) {
    const std::u16string s = u"配置 Profile_1 \U0001F3AE";
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(s)), s);
    EXPECT_EQ(utf16ToUtf8(u"复制"), "\xE5\xA4\x8D\xE5\x88\xB6");
}

TEST(AtomicFile, ReplacesWholeFileAndLeavesNoTemporary) {
    TempFolder dir;
    const fs::path p = dir.path() / "keymap.bin";
    const uint8_t a[3] = {1, 2, 3}, b[2] = {4, 5};
    ASSERT_EQ(writeFileAtomic(p, {{a, 3}, {b, 2}}), FileResult::Ok);
    EXPECT_EQ(readAll(p), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    ASSERT_EQ(writeFileAtomic(p, {{b, 2}}), FileResult::Ok);
    EXPECT_EQ(readAll(p), (std::vector<uint8_t>{4, 5}));
    int files = 0;
    for (auto& e : fs::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1);
}

TEST(AtomicFile, FailedWriteKeepsTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    TempFolder dir;
    const fs::path p = dir.path() / "MacroDefine.bin";
    const uint8_t a[2] = {7, 7};
    ASSERT_EQ(writeFileAtomic(p, {{a, 2}}), FileResult::Ok);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const uint8_t b[1] = {9};
    EXPECT_EQ(writeFileAtomic(p, {{b, 1}}), FileResult::WriteFailed);
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(readAll(p), (std::vector<uint8_t>{7, 7}));
}

TEST(AtomicFile, WriteIntoMissingFolderFails) {
    TempFolder dir;
    const uint8_t a[1] = {1};
    EXPECT_EQ(writeFileAtomic(dir.path() / "nope" / "x.bin", {{a, 1}}), FileResult::WriteFailed);
}

TEST(ReadFilePrefix, ReadsAtMostTheLimitAndTellsMissingFromUnreadable) {
    TempFolder dir;
    std::vector<uint8_t> out;
    EXPECT_EQ(readFilePrefix(dir.path() / "none", 10, out), FileResult::Missing);
    EXPECT_EQ(readFilePrefix(dir.path(), 10, out), FileResult::ReadFailed);
    const uint8_t a[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(writeFileAtomic(dir.path() / "f", {{a, 5}}), FileResult::Ok);
    ASSERT_EQ(readFilePrefix(dir.path() / "f", 3, out), FileResult::Ok);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
    ASSERT_EQ(readFilePrefix(dir.path() / "f", 100, out), FileResult::Ok);
    EXPECT_EQ(out.size(), 5u);
}

TEST(AtomicFile, FailedRenameRemovesTheTemporary) {
    TempFolder dir;
    const fs::path target = dir.path() / "Configure";
    fs::create_directories(target / "inside");  // a non-empty folder cannot be replaced by a file
    const uint8_t a[1] = {1};
    EXPECT_EQ(writeFileAtomic(target, {{a, 1}}), FileResult::RenameFailed);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    int entries = 0;
    for (auto& e : fs::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
}
