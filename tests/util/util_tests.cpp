#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <chrono>
#include <future>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <iostream>

#include "util/AtomicFile.h"
#include "util/Endian.h"
#include "util/TextLookup.h"
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

TEST(Utf16, DecimalsAndFoldedNameOrder) {
    EXPECT_EQ(decimalUtf16(0), u"0");
    EXPECT_EQ(decimalUtf16(65535), u"65535");
    EXPECT_EQ(decimalUtf16(18446744073709551615ull), u"18446744073709551615");
    const std::u16string ordered[] = {u"", u"[", u"a", u"B", u"b", u"ba", u"Z", u"宏"};
    for (size_t i = 0; i + 1 < std::size(ordered); ++i) {
        EXPECT_LT(compareFoldedNames(ordered[i], ordered[i + 1]), 0) << i;
        EXPECT_GT(compareFoldedNames(ordered[i + 1], ordered[i]), 0) << i;
    }
    EXPECT_EQ(compareFoldedNames(u"Macro_001", u"Macro_001"), 0);
    EXPECT_LT(compareFoldedNames(u"ABC", u"abc"), 0);  // equal but for case: by code unit
}

TEST(Utf16, RoundTripsChineseAndAstralText) {
    const std::u16string s = u"配置 Profile_1 \U0001F3AE";
    EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(s)), s);
    EXPECT_EQ(utf16ToUtf8(u"复制"), "\xE5\xA4\x8D\xE5\x88\xB6");
}

TEST(TextLookup, PlaceholdersAreFilledOnceAndCountsWithoutALookup) {
    // A value holding "%2" (a file name) is shown as it is, not filled again.
    EXPECT_EQ(fillPlaceholders("无法保存 %1（%2）", {"/a%2b%1.bin", "x"}), "无法保存 /a%2b%1.bin（x）");
    EXPECT_EQ(fillPlaceholders("%2 before %1, %3 kept, 100%", {"a", "b"}), "b before a, %3 kept, 100%");
    EXPECT_EQ(lookUpText({}, "ctx", "按键 %n 个", 12), "按键 12 个");
    EXPECT_EQ(lookUpText({}, "ctx", "100%n", -1), "100%n");
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
    TempFolder dir;
    const fs::path p = dir.path() / "MacroDefine.bin";
    const std::vector<uint8_t> old = test::pattern(4096, 1), bigger = test::pattern(8192, 2);
    ASSERT_EQ(writeFileAtomic(p, {{old.data(), old.size()}}), FileResult::Ok);
    {
        test::FileSizeLimit limit(6000);  // as a full disk, also for root
        std::error_code why;
        EXPECT_EQ(writeFileAtomic(p, {{bigger.data(), bigger.size()}}, &why), FileResult::WriteFailed);
        EXPECT_TRUE(why);
    }
    EXPECT_EQ(readAll(p), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(AtomicFile, ReplacesTheFileALinkNamesAndKeepsItsPermissions) {
    TempFolder dir;
    fs::create_directory(dir.path() / "real");
    const fs::path target = dir.path() / "real" / "keymap.bin", link = dir.path() / "keymap.bin";
    const uint8_t a[2] = {1, 2}, b[3] = {3, 4, 5};
    ASSERT_EQ(writeFileAtomic(target, {{a, 2}}), FileResult::Ok);
    fs::create_symlink("real/keymap.bin", link);
    for (fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                           fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read}) {
        fs::permissions(target, mode);
        ASSERT_EQ(writeFileAtomic(link, {{b, 3}}), FileResult::Ok);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(readAll(target), (std::vector<uint8_t>{3, 4, 5}));
        EXPECT_EQ(fs::status(target).permissions(), mode);
    }
}

TEST(AtomicFile, ReadOnlyFileIsNotReplaced) {
    TempFolder dir;
    const fs::path p = dir.path() / "keymap.bin";
    const uint8_t a[2] = {1, 2}, b[1] = {9};
    ASSERT_EQ(writeFileAtomic(p, {{a, 2}}), FileResult::Ok);
    fs::permissions(p, fs::perms::owner_read | fs::perms::group_read);
    std::error_code why;
    EXPECT_EQ(writeFileAtomic(p, {{b, 1}}, &why), FileResult::WriteFailed);
    EXPECT_TRUE(why);
    EXPECT_EQ(readAll(p), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(fs::status(p).permissions(), fs::perms::owner_read | fs::perms::group_read);
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

// The read buffer follows the file's reported size, not the cap: a file larger
// than the first buffer, one exactly at the cap, and a file that reports no
// size (procfs, sysfs) must all come back whole.
TEST(ReadFilePrefix, WholeFileWhateverItsReportedSize) {
    TempFolder dir;
    std::vector<uint8_t> big(100000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(writeFileAtomic(dir.path() / "big", {{big.data(), big.size()}}), FileResult::Ok);
    std::vector<uint8_t> out;
    for (const size_t cap : {size_t{32} << 20, big.size(), big.size() + 1}) {
        ASSERT_EQ(readFilePrefix(dir.path() / "big", cap, out), FileResult::Ok);
        EXPECT_EQ(out, big) << cap;
    }
    ASSERT_EQ(readFilePrefix(dir.path() / "big", 4097, out), FileResult::Ok);
    EXPECT_EQ(out, std::vector<uint8_t>(big.begin(), big.begin() + 4097));

    ASSERT_EQ(fs::file_size("/proc/self/status"), 0u);
    ASSERT_EQ(readFilePrefix("/proc/self/status", 1 << 20, out), FileResult::Ok);
    const std::string text(out.begin(), out.end());
    EXPECT_GT(text.size(), 200u);
    EXPECT_NE(text.find("ctxt_switches"), std::string::npos);
}

TEST(AtomicFile, AFolderIsNeverReplacedAndNothingIsLeftBehind) {
    TempFolder dir;
    const fs::path target = dir.path() / "Configure";
    fs::create_directories(target / "inside");
    const uint8_t a[1] = {1};
    std::error_code why;
    EXPECT_EQ(writeFileAtomic(target, {{a, 1}}, &why), FileResult::WriteFailed);
    EXPECT_EQ(why, make_error_code(FileError::NotRegular));
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    int entries = 0;
    for (auto& e : fs::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
}

// What lies at a path after a write: its type, through links or not.
fs::file_type typeAt(const fs::path& p, bool followLinks) {
    std::error_code ec;
    return (followLinks ? fs::status(p, ec) : fs::symlink_status(p, ec)).type();
}

// Only a regular file is replaced. A FIFO nobody reads, a device, a socket,
// and links to any of them are refused at once and stay what they were; a
// FIFO that somebody reads gets the bytes, and stays a FIFO.
TEST(AtomicFile, OnlyRegularFilesAreReplaced) {
    TempFolder dir;
    const fs::path fifo = dir.path() / "export.json", device = dir.path() / "DemoKeyboard.bin";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, dir.path() / "fifo-link.bin");
    fs::create_symlink("loop-b", dir.path() / "loop-a");
    fs::create_symlink("loop-a", dir.path() / "loop-b");
    const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    if (haveDevice) fs::create_symlink(device, dir.path() / "device-link.bin");
    const fs::path socketPath = dir.path() / "socket.bin";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    struct Case {
        fs::path path;
        std::error_code why;
        fs::file_type itself, named;
    };
    std::vector<Case> cases = {
        {fifo, make_error_code(FileError::NoReader), fs::file_type::fifo, fs::file_type::fifo},
        {dir.path() / "fifo-link.bin", make_error_code(FileError::NoReader), fs::file_type::symlink, fs::file_type::fifo},
        {socketPath, make_error_code(FileError::NotRegular), fs::file_type::socket, fs::file_type::socket},
        {dir.path() / "loop-a", std::make_error_code(std::errc::too_many_symbolic_link_levels), fs::file_type::symlink,
         fs::file_type::unknown},
    };
    if (haveDevice) {
        cases.push_back({device, make_error_code(FileError::NotRegular), fs::file_type::character, fs::file_type::character});
        cases.push_back({dir.path() / "device-link.bin", make_error_code(FileError::NotRegular), fs::file_type::symlink,
                         fs::file_type::character});
    }
    const std::vector<uint8_t> bytes = test::pattern(300000, 4);  // more than a pipe holds
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.filename().string());
        std::error_code why;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(writeFileAtomic(c.path, {{bytes.data(), bytes.size()}}, &why), FileResult::WriteFailed);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(why, c.why) << why.message();
        EXPECT_EQ(typeAt(c.path, false), c.itself);
        if (c.named != fs::file_type::unknown) {
            EXPECT_EQ(typeAt(c.path, true), c.named);
        }
    }
    ::close(listener);
    if (!haveDevice) std::cout << "[  NOTE    ] mknod not permitted here: the device case was skipped\n";

    // A reader takes everything, through the link too; nothing is renamed.
    for (const fs::path& target : {fifo, dir.path() / "fifo-link.bin"}) {
        std::promise<void> opened;
        auto received = std::async(std::launch::async, [&fifo, &opened] {
            const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            opened.set_value();
            std::vector<uint8_t> got;
            uint8_t buf[65536];
            pollfd pfd{fd, POLLIN, 0};
            while (::poll(&pfd, 1, 3000) > 0) {
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0) break;
                got.insert(got.end(), buf, buf + n);
            }
            ::close(fd);
            return got;
        });
        opened.get_future().wait();
        EXPECT_EQ(writeFileAtomic(target, {{bytes.data(), 100000}, {bytes.data() + 100000, bytes.size() - 100000}}),
                  FileResult::Ok);
        EXPECT_EQ(received.get(), bytes);
        EXPECT_EQ(typeAt(fifo, false), fs::file_type::fifo);
    }
    EXPECT_EQ(typeAt(dir.path() / "fifo-link.bin", false), fs::file_type::symlink);
    // Nothing but what the test made: no temporaries, no replaced entries.
    int entries = 0;
    for (auto& e : fs::directory_iterator(dir.path())) entries += isAtomicTemporaryName(e.path().filename()) ? 100 : 1;
    EXPECT_EQ(entries, haveDevice ? 7 : 5);
}

// A name the file system takes is written, even when the temporary's suffix
// would not fit beside it; a longer one is refused with the system's reason.
TEST(AtomicFile, EveryNameThatFitsCanBeWritten) {
    TempFolder dir;
    const uint8_t a[2] = {1, 2};
    for (size_t length : {size_t{200}, size_t{240}, size_t{251}, kMaxFileNameBytes}) {
        const fs::path p = dir.path() / std::string(length, 'n');
        EXPECT_EQ(writeFileAtomic(p, {{a, 2}}), FileResult::Ok) << length;
        EXPECT_EQ(readAll(p), (std::vector<uint8_t>{1, 2})) << length;
        // Over an existing file too.
        EXPECT_EQ(writeFileAtomic(p, {{a, 1}}), FileResult::Ok) << length;
        fs::remove(p);
    }
    std::error_code why;
    EXPECT_EQ(writeFileAtomic(dir.path() / std::string(kMaxFileNameBytes + 1, 'n'), {{a, 2}}, &why),
              FileResult::WriteFailed);
    EXPECT_EQ(why, std::make_error_code(std::errc::filename_too_long));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(isAtomicTemporaryName(".vandrel-tmp-0a1b2c3d"));
}

TEST(ReadFilePrefix, FifoAndDeviceCountAsUnreadableWithoutWaiting) {
    TempFolder dir;
    const fs::path fifo = dir.path() / "keymap.bin";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Should the read block on the FIFO, a writer that comes and goes ends the
    // wait, so the test fails instead of hanging.
    std::promise<void> done;
    std::thread unblock([&fifo, finished = done.get_future()] {
        if (finished.wait_for(std::chrono::seconds(2)) == std::future_status::ready) return;
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    });
    std::vector<uint8_t> out;
    std::error_code why;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readFilePrefix(fifo, 100, out, &why), FileResult::ReadFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    done.set_value();
    unblock.join();
    EXPECT_EQ(why, make_error_code(FileError::NotRegular));
    EXPECT_EQ(readFilePrefix("/dev/zero", 100, out), FileResult::ReadFailed);
    EXPECT_TRUE(out.empty());
}

TEST(StaleTemporaries, OnlyOwnOldTemporariesAreRemoved) {
    TempFolder dir;
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const std::vector<std::pair<std::string, bool>> files = {
        {"keymap.bin.vandrel-tmp-0a1b2c3d", true},
        {"MacroDefine.bin.tmp1234567", true},    // earlier builds' pattern
        {"keymap.bin", false},
        {"notes.tmp1", false},
        {"keymap.bin.vandrel-tmp-0a1b2c3", false},  // not the pattern
        {"keymap.bin.vandrel-tmp-XYZ12345", false},
    };
    for (const auto& [name, removed] : files) {
        test::writeAll(dir.path() / name, {1});
        fs::last_write_time(dir.path() / name, past);
    }
    test::writeAll(dir.path() / "Profile_1.bin.vandrel-tmp-00000001", {1});  // a save running now
    EXPECT_EQ(removeStaleTemporaries(dir.path(), past + std::chrono::minutes(1)), 2);
    for (const auto& [name, removed] : files) EXPECT_EQ(fs::exists(dir.path() / name), !removed) << name;
    EXPECT_TRUE(fs::exists(dir.path() / "Profile_1.bin.vandrel-tmp-00000001"));
}
