#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "keymap/LaunchAssignment.h"
#include "util/Utf16.h"

using namespace vandrel;

namespace {

struct RecordingShell : Shell {
    std::vector<LaunchTarget> calls;
    void startFile(const std::u16string& folder, const std::u16string& file) override {
        calls.push_back({folder, file});
    }
};

void setLaunch(KeyRecordTable& t, int slot, uint8_t type, uint8_t homeVk, const std::u16string& path) {
    t[slot].type = type;
    t[slot].homeVk = homeVk;
    writeUtf16Field(t[slot].path, kKeyRecordPathUnits, path);
}

}  // namespace

TEST(LaunchAssignment, PathsSplitAtTheLastSeparator) {
    struct Case {
        std::u16string path, folder, file;
    };
    const Case cases[] = {
        {u"C:\\Music\\song.mp3", u"C:\\Music", u"song.mp3"},
        {u"C:\\Music", u"C:", u"Music"},
        {u"C:\\Music\\", u"C:\\Music", u""},
        {u"/home/u/文档/a.txt", u"/home/u/文档", u"a.txt"},
        {u"C:\\dir/mixed\\x.exe", u"C:\\dir/mixed", u"x.exe"},
        {u"/a.mp3", u"/", u"a.mp3"},
        {u"nofolder.exe", u"nofolder.exe", u""},
        {u"", u"", u""},
    };
    for (const Case& c : cases) {
        const LaunchTarget t = SplitLaunchPath(c.path);
        EXPECT_EQ(t.folder, c.folder) << utf16ToUtf8(c.path);
        EXPECT_EQ(t.file, c.file) << utf16ToUtf8(c.path);
    }
}

TEST(LaunchAssignment, TheFirstLaunchRecordOfTheCodeIsStarted) {
    KeyRecordTable t{};
    t.restoreHomeCodes();
    setLaunch(t, 101, 5, 0x5D, u"C:\\b\\second.exe");
    setLaunch(t, 100, 4, 0x5D, u"C:\\a\\first.mp3");
    t[63].type = 3;  // home code 0x41 but not a launch
    setLaunch(t, 230, 7, 0x42, u"/srv/share");  // record space beyond the keys is searched too

    RecordingShell shell;
    EXPECT_TRUE(RunLaunchAssignment(0x5D, t, shell));
    EXPECT_TRUE(RunLaunchAssignment(0x1242, t, shell)) << "only the low byte of the code counts";
    EXPECT_FALSE(RunLaunchAssignment(0x41, t, shell));
    EXPECT_FALSE(RunLaunchAssignment(0x00, t, shell));
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[0].folder, u"C:\\a");
    EXPECT_EQ(shell.calls[0].file, u"first.mp3");
    EXPECT_EQ(shell.calls[1].folder, u"/srv");
    EXPECT_EQ(shell.calls[1].file, u"share");

    t[100].type = 8;
    EXPECT_EQ(FindLaunchSlot(0x5D, t), 101);
}

TEST(LaunchAssignment, PathWithoutTerminatingZeroStaysInsideItsField) {
    KeyRecordTable t{};
    t[0].type = 6;
    t[0].homeVk = 0x1B;
    for (size_t i = 0; i < kKeyRecordPathUnits; ++i) {
        t[0].path[2 * i] = 'x';
        t[0].path[2 * i + 1] = 0;
    }
    t[0].path[2 * 100] = '\\';
    std::memset(&t[1], 'y', sizeof t[1]);  // what follows the field is not part of the path

    RecordingShell shell;
    ASSERT_TRUE(RunLaunchAssignment(0x1B, t, shell));
    EXPECT_EQ(shell.calls[0].folder, std::u16string(100, u'x'));
    EXPECT_EQ(shell.calls[0].file, std::u16string(kKeyRecordPathUnits - 101, u'x'));
}
