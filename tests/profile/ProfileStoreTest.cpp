#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include <sys/stat.h>

#include "keymap/KeyRecordReconcile.h"
#include "profile/ProfileFile.h"
#include "profile/ProfileStore.h"
#include "util/Utf16.h"
#include "tests/support/TempFolder.h"

using namespace vandrel;
namespace fs = std::filesystem;
using test::pattern;
using test::readAll;
using test::writeAll;

namespace {

class ProfileStoreTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    ProfileStore store{dir.path()};

    fs::path file(const std::u16string& name) const { return dir.path() / PathFromUtf16(name + u".bin"); }
    std::vector<std::u16string> rows() const {
        std::vector<std::u16string> out;
        for (const auto& e : store.profiles()) out.push_back(e.name);
        return out;
    }
    int row(const std::u16string& name) const { return store.findRow(name).value_or(kNoRow); }
    std::vector<std::string> filesOnDisk() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path())) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    void makeNew(int n) {
        for (int i = 0; i < n; ++i) ASSERT_EQ(store.newProfile(), ProfileResult::Done);
    }
};

using Names = std::vector<std::u16string>;

}  // namespace

TEST(ProfileNames, GeneratedNamesFollowTheirPatterns) {
    Names taken;
    EXPECT_EQ(NextProfileName(taken), u"Profile_1");
    taken = {u"Profile_1", u"Profile_3"};
    EXPECT_EQ(NextProfileName(taken), u"Profile_2");
    taken = {u"profile_1"};
    EXPECT_EQ(NextProfileName(taken), u"Profile_1") << "case-sensitive comparison";
    taken.clear();
    for (int i = 1; i <= 9; ++i) taken.push_back(u"Profile_" + utf8ToUtf16(std::to_string(i)));
    EXPECT_EQ(NextProfileName(taken), u"Profile010");
    for (int i = 10; i <= 98; ++i) taken.push_back(u"Profile0" + utf8ToUtf16(std::to_string(i)));
    EXPECT_EQ(NextProfileName(taken), u"Profile99");

    EXPECT_EQ(CopyProfileName(u"Profile_1", {u"Profile_1"}), u"复制 Profile_1");
    EXPECT_EQ(CopyProfileName(u"Profile_1", {u"Profile_1", u"复制 Profile_1"}), u"复制 Profile_1 1");
    EXPECT_EQ(CopyProfileName(u"A", {u"复制 A", u"复制 A 1", u"复制 A 2"}), u"复制 A 3");
    EXPECT_EQ(CopyProfileName(u"A", {u"Copy of A"}, u"Copy of "), u"Copy of A 1");
}

TEST_F(ProfileStoreTest, NewProfilesFillTheLowestFreeNumberUpToSix) {
    makeNew(6);
    EXPECT_EQ(rows(), (Names{u"Profile_1", u"Profile_2", u"Profile_3", u"Profile_4", u"Profile_5", u"Profile_6"}));
    // Only the image block, holding a configuration the keyboard takes.
    const DeviceImage factory = FactoryImage();
    EXPECT_EQ(readAll(file(u"Profile_1")), std::vector<uint8_t>(factory.bytes(), factory.bytes() + sizeof factory));

    EXPECT_EQ(store.newProfile(), ProfileResult::Full);
    EXPECT_EQ(store.copyProfile(0), ProfileResult::Full);
    EXPECT_EQ(filesOnDisk().size(), 6u);

    EXPECT_EQ(store.deleteProfile(row(u"Profile_2")), ProfileResult::Done);
    EXPECT_FALSE(fs::exists(file(u"Profile_2")));
    EXPECT_EQ(store.newProfile(), ProfileResult::Done);
    EXPECT_TRUE(fs::exists(file(u"Profile_2")));
}

TEST_F(ProfileStoreTest, CopiesAreFullSizeAndNamedAfterTheirSource) {
    makeNew(1);
    auto content = pattern(10060 + 772, 3);  // a short profile: what it lacks is copied as zeros
    writeAll(file(u"Profile_1"), content);
    store.scanProfiles();

    EXPECT_EQ(store.copyProfile(kNoRow), ProfileResult::NoSelection);
    EXPECT_EQ(store.copyProfile(row(u"Profile_1")), ProfileResult::Done);
    EXPECT_EQ(store.copyProfile(row(u"Profile_1")), ProfileResult::Done);
    EXPECT_EQ(rows(), (Names{u"Profile_1", u"复制 Profile_1", u"复制 Profile_1 1"}));
    content.resize(206920, 0);
    EXPECT_EQ(readAll(file(u"复制 Profile_1")), content);
    EXPECT_EQ(readAll(file(u"复制 Profile_1 1")), content);

    fs::remove(file(u"Profile_1"));  // gone behind the store's back
    const auto before = filesOnDisk();
    EXPECT_EQ(store.copyProfile(row(u"Profile_1")), ProfileResult::ReadFailed);
    EXPECT_EQ(filesOnDisk(), before) << "an unreadable source gives no empty copy";
}

// A "<name>.bin" the list leaves out (another size, a link, a folder) is
// still somebody's file: New and Copy pass its name by, as rename does.
TEST_F(ProfileStoreTest, NewAndCopyNeverReplaceAFileLeftOutOfTheList) {
    const auto notes = pattern(1234, 9);
    writeAll(file(u"Profile_1"), notes);                                  // wrong size: left out
    fs::create_symlink(dir.path() / "elsewhere.dat", file(u"Profile_2"));  // a link to nothing yet
    fs::create_directory(file(u"Profile_3"));
    writeAll(file(u"复制 Profile_4"), notes);
    store.scanProfiles();
    ASSERT_TRUE(rows().empty());

    EXPECT_EQ(store.newProfile(), ProfileResult::Done);
    EXPECT_EQ(rows(), Names{u"Profile_4"});
    EXPECT_EQ(store.copyProfile(row(u"Profile_4")), ProfileResult::Done);
    EXPECT_EQ(rows(), (Names{u"Profile_4", u"复制 Profile_4 1"}));

    EXPECT_EQ(readAll(file(u"Profile_1")), notes);
    EXPECT_EQ(readAll(file(u"复制 Profile_4")), notes);
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere.dat")) << "nothing was written through the link";
    EXPECT_TRUE(fs::is_directory(file(u"Profile_3")));
}

TEST_F(ProfileStoreTest, RenameMovesTheFileOrChangesNothing) {
    makeNew(2);
    writeAll(file(u"Profile_1"), pattern(206920, 1));
    writeAll(file(u"Profile_2"), pattern(206920, 2));
    store.scanProfiles();

    EXPECT_EQ(store.renameProfile(row(u"Profile_1"), u"射击游戏"), ProfileResult::Done);
    EXPECT_EQ(rows(), (Names{u"Profile_2", u"射击游戏"}));
    EXPECT_EQ(readAll(file(u"射击游戏")), pattern(206920, 1));
    EXPECT_FALSE(fs::exists(file(u"Profile_1")));

    // Text that already ends in .bin gets no second extension.
    EXPECT_EQ(store.renameProfile(row(u"射击游戏"), u"fps.bin"), ProfileResult::Done);
    EXPECT_EQ(rows(), (Names{u"fps", u"Profile_2"}));
    EXPECT_TRUE(fs::exists(dir.path() / "fps.bin"));
    // ".bin" inside a name is part of the name.
    EXPECT_EQ(store.renameProfile(row(u"fps"), u"a.bin b"), ProfileResult::Done);
    EXPECT_EQ(rows(), (Names{u"a.bin b", u"Profile_2"}));
    EXPECT_EQ(readAll(store.profiles()[0].path), pattern(206920, 1));

    // Onto another profile's name, or its own: no file changes.
    const auto before = filesOnDisk();
    EXPECT_EQ(store.renameProfile(row(u"a.bin b"), u"Profile_2"), ProfileResult::NameInUse);
    EXPECT_EQ(store.renameProfile(row(u"a.bin b"), u"Profile_2.bin"), ProfileResult::NameInUse);
    EXPECT_EQ(store.renameProfile(row(u"Profile_2"), u"Profile_2"), ProfileResult::Unchanged);
    EXPECT_EQ(filesOnDisk(), before);
    EXPECT_EQ(readAll(file(u"Profile_2")), pattern(206920, 2));
    EXPECT_EQ(rows(), (Names{u"a.bin b", u"Profile_2"}));
}

// A profile's name becomes its file by one rule: the file the profile list
// renames to is the one a PROFILE argument of that name and the loader of
// the tool, switching and D-Bus find, and both loaders give the same
// configuration.
TEST_F(ProfileStoreTest, TheListAndAProfileArgumentNameTheSameFile) {
    makeNew(1);
    for (const std::u16string& name : {std::u16string(u"射击游戏"), std::u16string(u"a b.c"), std::u16string(u"Ünï")}) {
        ASSERT_EQ(store.renameProfile(0, name), ProfileResult::Done);
        const std::string utf8 = utf16ToUtf8(name);
        SCOPED_TRACE(utf8);
        const fs::path stored = store.profiles()[0].path;
        EXPECT_EQ(profileFilePath(dir.path(), utf8), stored);
        EXPECT_EQ(profileFilePath(dir.path(), name), stored);
        const ProfileTarget target = profileTarget(utf8, dir.path());
        EXPECT_TRUE(target.inProfileFolder);
        EXPECT_EQ(target.file, stored);

        DeviceImage viaStore{}, viaFile{};
        KeyRecordTable storeRecords{}, fileRecords{};
        std::string error;
        ASSERT_EQ(store.loadProfile(0, stored, viaStore, storeRecords), ProfileResult::Done);
        ASSERT_TRUE(loadProfileFile(stored, viaFile, fileRecords, error)) << error;
        EXPECT_EQ(viaStore, viaFile);
        EXPECT_EQ(storeRecords, fileRecords);
    }
    const ProfileTarget refused = profileTarget("a:b", dir.path());
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.problem, ProfileTargetProblem::NotAName);
    const ProfileTarget tooLong = profileTarget(std::string(300, 'x') + ".bin", dir.path());
    EXPECT_FALSE(tooLong.ok());
    EXPECT_EQ(tooLong.problem, ProfileTargetProblem::TooLong);
}

TEST_F(ProfileStoreTest, NamesThatWouldLeaveTheFolderAreRefused) {
    makeNew(1);
    fs::create_directory(dir.path() / "sub");
    const auto before = filesOnDisk();
    const std::u16string refused[] = {u"",      u".",        u"..",       u".bin",   u"..\\evil", u"../evil",
                                      u"sub/x", u"sub\\x",   u"/tmp/x",   u"a:b",    u"a*b",      u"a?b",
                                      u"a\"b",  u"a<b",      u"a|b",      u"a\tb",   u"..bin"};
    for (const std::u16string& name : refused) {
        SCOPED_TRACE(utf16ToUtf8(name));
        EXPECT_EQ(store.renameProfile(0, name), ProfileResult::NameRefused);
        EXPECT_EQ(filesOnDisk(), before);
    }
    EXPECT_TRUE(fs::is_empty(dir.path() / "sub"));
    EXPECT_EQ(store.renameProfile(kNoRow, u"x"), ProfileResult::NoSelection);
}

TEST(ProfileNames, NamesThatOnlyLookLikeNamesAreRefused) {
    const std::u16string refused[] = {
        u" ",          u"   ",         u"...",        u". .",          u".hidden",      u" . ",
        u"abc\u202Egpj", u"a\u200Bb",   u"\u200E",     u"x\u2066y\u2069", u"\uFEFFname",   u"a\u00ADb",
        u"a\x7F",       u"tag\U000E0041"};
    for (const std::u16string& name : refused) EXPECT_FALSE(IsValidProfileName(name)) << utf16ToUtf8(name);
    for (const std::u16string name : {u"fps", u"配置 1", u"v1.2", u"a b.", u"游戏 \U0001F3AE"})
        EXPECT_TRUE(IsValidProfileName(name)) << utf16ToUtf8(name);
}

TEST_F(ProfileStoreTest, TheSeventhFileEndsTheListing) {
    const std::vector<uint8_t> profile = pattern(10060, 1);
    for (const char* n : {"g", "b", "f", "a", "h", "d", "c", "e"}) writeAll(dir.path() / (std::string(n) + ".bin"), profile);
    fs::create_directory(dir.path() / "0dir.bin");  // folders and other files are not profiles
    writeAll(dir.path() / "0notes.txt", {1});
    writeAll(dir.path() / ".bin", profile);
    store.scanProfiles();
    EXPECT_EQ(rows(), (Names{u"a", u"b", u"c", u"d", u"e", u"f"}));

    // "g" is not listed, and a rename onto it must not overwrite it.
    EXPECT_EQ(store.renameProfile(row(u"a"), u"g"), ProfileResult::NameInUse);
    EXPECT_EQ(readAll(dir.path() / "a.bin"), profile);
}

// Only a file a load would take is listed: an empty file or a 2 GiB one is
// no profile, is named among the files left out, and takes no place of the six.
TEST_F(ProfileStoreTest, OnlyFilesOfAProfilesSizeAreListed) {
    for (const char* n : {"b", "c", "d", "e", "f", "g"}) writeAll(dir.path() / (std::string(n) + ".bin"), pattern(10060, 2));
    writeAll(dir.path() / "full.bin", pattern(206920, 3));
    writeAll(dir.path() / "a-empty.bin", {});
    writeAll(dir.path() / "a-short.bin", pattern(10059, 4));
    writeAll(dir.path() / "a-between.bin", pattern(10060 + 771, 4));
    writeAll(dir.path() / "a-long.bin", pattern(206921, 4));
    {
        std::ofstream huge(dir.path() / "a-huge.bin");
    }
    fs::resize_file(dir.path() / "a-huge.bin", uintmax_t{2} << 30);  // sparse: nothing is written
    ASSERT_EQ(mkfifo((dir.path() / "a-pipe.bin").c_str(), 0600), 0);
    store.scanProfiles();
    EXPECT_EQ(rows(), (Names{u"b", u"c", u"d", u"e", u"f", u"full"}));
    EXPECT_EQ(store.leftOut(), (Names{u"a-between.bin", u"a-empty.bin", u"a-huge.bin", u"a-long.bin", u"a-pipe.bin",
                                      u"a-short.bin"}));
}

TEST_F(ProfileStoreTest, RowsAreSortedWithoutRegardToCase) {
    for (const char* n : {"beta", "Alpha", "alpha2", "Gamma"}) writeAll(dir.path() / (std::string(n) + ".bin"), pattern(10060, 1));
    store.scanProfiles();
    EXPECT_EQ(rows(), (Names{u"Alpha", u"alpha2", u"beta", u"Gamma"}));
}

TEST_F(ProfileStoreTest, DeleteKeepsTheLastProfile) {
    makeNew(1);
    EXPECT_EQ(store.deleteProfile(kNoRow), ProfileResult::OnlyOneLeft);
    EXPECT_EQ(store.deleteProfile(0), ProfileResult::OnlyOneLeft);
    EXPECT_TRUE(fs::exists(file(u"Profile_1")));

    makeNew(2);
    EXPECT_EQ(store.deleteProfile(kNoRow), ProfileResult::NoSelection);
    EXPECT_EQ(store.deleteProfile(7), ProfileResult::NoSelection);
    fs::remove(file(u"Profile_3"));  // already gone: counts as deleted
    EXPECT_EQ(store.deleteProfile(row(u"Profile_3")), ProfileResult::Done);
    EXPECT_EQ(rows(), (Names{u"Profile_1", u"Profile_2"}));
}

TEST_F(ProfileStoreTest, SaveWritesTheProfileAndTheExport) {
    makeNew(1);
    DeviceImage image{};
    KeyRecordTable records{};
    const auto content = pattern(206920, 5);
    std::memcpy(image.bytes(), content.data(), sizeof image);
    std::memcpy(records.bytes(), content.data() + sizeof image, sizeof records);

    EXPECT_EQ(store.saveProfile(kNoRow, image, records), ProfileResult::NoSelection);
    const fs::path exported = dir.path() / "export" / "mine.bin";
    fs::create_directory(exported.parent_path());
    EXPECT_EQ(store.saveProfile(0, image, records, exported), ProfileResult::Done);
    EXPECT_EQ(readAll(file(u"Profile_1")), content);
    EXPECT_EQ(readAll(exported), content);

    // An export that cannot be written is reported; the profile is still stored.
    fs::remove(file(u"Profile_1"));
    EXPECT_EQ(store.saveProfile(0, image, records, dir.path() / "missing" / "x.bin"), ProfileResult::ExportFailed);
    EXPECT_EQ(readAll(file(u"Profile_1")), content);
}

TEST_F(ProfileStoreTest, LoadingANewProfileReplacesOnlyTheImage) {
    makeNew(2);
    DeviceImage image{};
    KeyRecordTable records{};
    std::memset(image.bytes(), 0x11, sizeof image);
    std::memset(records.bytes(), 0x22, sizeof records);

    EXPECT_EQ(store.loadProfile(row(u"Profile_2"), file(u"Profile_1"), image, records), ProfileResult::Done);
    EXPECT_EQ(image, FactoryImage());
    // A record that claims what the loaded image does not hold now says what
    // the key does; the rest of the record stays.
    EXPECT_EQ(records[0].type, 0);
    EXPECT_EQ(records[0].length, 0);
    EXPECT_EQ(records[0].data[0], 0);
    EXPECT_EQ(records[0].path[0], 0x22);
    EXPECT_EQ(records[0].homeVk, 0x1B) << "home codes never come from a file";
    EXPECT_EQ(records[200].homeVk, 0x22);
    EXPECT_EQ(records[200].type, 0x22);
    const auto stored = readAll(file(u"Profile_2"));
    ASSERT_EQ(stored.size(), 206920u);
    EXPECT_EQ(std::memcmp(stored.data(), image.bytes(), sizeof image), 0);
    EXPECT_EQ(std::memcmp(stored.data() + sizeof image, records.bytes(), sizeof records), 0);
}

// Short, long, garbage and missing import files: a profile is the image
// followed by whole key records; anything else changes neither memory nor the
// profile.
TEST_F(ProfileStoreTest, BrokenImportsAreRefusedAndChangeNothing) {
    makeNew(1);
    const fs::path import = dir.path() / "import.dat";
    const struct {
        size_t size;
        bool loads;
    } cases[] = {{0, false},     {7, false},      {10059, false},         {10061, false},
                 {10060, true},  {10060 + 772, true}, {10060 + 771, false}, {206919, false},
                 {206920, true}, {206921, false}, {300000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        auto content = pattern(c.size, static_cast<uint8_t>(c.size));
        // An image the keyboard takes, where the file holds one.
        const DeviceImage valid = FactoryImage();
        std::copy(valid.bytes(), valid.bytes() + std::min(c.size, sizeof valid), content.begin());
        writeAll(import, content);
        DeviceImage image;
        KeyRecordTable records;
        std::memset(image.bytes(), 0x33, sizeof image);
        std::memset(records.bytes(), 0x44, sizeof records);
        std::vector<uint8_t> want(206920);
        std::memcpy(want.data(), image.bytes(), sizeof image);
        std::memcpy(want.data() + sizeof image, records.bytes(), sizeof records);
        if (c.loads) std::copy(content.begin(), content.end(), want.begin());
        const auto profileBefore = readAll(file(u"Profile_1"));
        ASSERT_EQ(store.loadProfile(0, import, image, records),
                  c.loads ? ProfileResult::Done : ProfileResult::NotAProfile);
        KeyRecordTable wantRecords;
        std::memcpy(wantRecords.bytes(), want.data() + 10060, sizeof wantRecords);
        if (c.loads) {
            wantRecords.restoreHomeCodes();
            // Records that claim what the loaded image does not hold give way.
            DeviceImage wantImage;
            std::memcpy(wantImage.bytes(), want.data(), sizeof wantImage);
            ReconcileKeyRecords(wantImage, wantRecords);
        }
        EXPECT_EQ(std::memcmp(image.bytes(), want.data(), sizeof image), 0);
        EXPECT_EQ(records, wantRecords);
        if (!c.loads) {
            EXPECT_EQ(readAll(file(u"Profile_1")), profileBefore);
        }
    }

    DeviceImage image{};
    KeyRecordTable records{};
    const auto profileBefore = readAll(file(u"Profile_1"));
    EXPECT_EQ(store.loadProfile(0, dir.path() / "nothing.bin", image, records), ProfileResult::ReadFailed);
    EXPECT_EQ(store.loadProfile(0, dir.path(), image, records), ProfileResult::ReadFailed);
    EXPECT_EQ(readAll(file(u"Profile_1")), profileBefore);
    EXPECT_EQ(store.loadProfile(kNoRow, import, image, records), ProfileResult::NoSelection);
}

// A file of the right size whose image the keyboard must not get: blank (an
// earlier version's "new"), a setting out of range, every key disabled. It
// is refused, unless a disabled keyboard was confirmed, and neither memory,
// the selected profile nor the file itself changes.
TEST_F(ProfileStoreTest, ImportsTheKeyboardCannotTakeAreRefused) {
    makeNew(1);
    const fs::path import = dir.path() / "import.bin";
    DeviceImage image = FactoryImage();
    image.ledBrightness = 17;
    KeyRecordTable records{};
    records.restoreHomeCodes();
    const DeviceImage imageBefore = image;
    const auto profileBefore = readAll(file(u"Profile_1"));
    auto load = [&](const DeviceImage& content, std::function<bool()> confirm = {}, BadSetting* bad = nullptr) {
        writeAll(import, std::vector<uint8_t>(content.bytes(), content.bytes() + sizeof content));
        const ProfileResult r = store.loadProfile(0, import, image, records, std::move(confirm), bad);
        EXPECT_EQ(readAll(import).size(), sizeof content) << "the chosen file is kept";
        return r;
    };
    auto unchanged = [&] {
        EXPECT_EQ(image, imageBefore);
        EXPECT_EQ(readAll(file(u"Profile_1")), profileBefore);
    };

    EXPECT_EQ(load(DeviceImage{}), ProfileResult::BlankProfile);
    unchanged();

    DeviceImage allFF;
    std::memset(allFF.bytes(), 0xFF, sizeof allFF);
    BadSetting bad{Setting::Speed, 0};
    EXPECT_EQ(load(allFF, [] { return true; }, &bad), ProfileResult::BadValue);
    EXPECT_EQ(bad.setting, Setting::Effect);
    EXPECT_EQ(bad.value, 0xFF);
    unchanged();
    DeviceImage slowRate = FactoryImage();
    slowRate.reportRate = 4;
    EXPECT_EQ(load(slowRate, {}, &bad), ProfileResult::BadValue);
    EXPECT_EQ(bad.setting, Setting::ReportRate);
    unchanged();

    DeviceImage dead = FactoryImage();
    std::memset(dead.keyMask, 0, sizeof dead.keyMask);
    int asked = 0;
    EXPECT_EQ(load(dead), ProfileResult::EveryKeyDisabled);
    EXPECT_EQ(load(dead, [&] { return ++asked, false; }), ProfileResult::EveryKeyDisabled);
    EXPECT_EQ(asked, 1);
    unchanged();
    EXPECT_EQ(load(dead, [&] { return ++asked, true; }), ProfileResult::Done);
    EXPECT_EQ(image, dead);
}

TEST(ConfigurationCheck, RangesAndTheKeysThatStillType) {
    DeviceImage image = FactoryImage();
    EXPECT_FALSE(FindBadSetting(image));
    EXPECT_FALSE(DisablesEveryKey(image));
    EXPECT_FALSE(IsBlankImage(image));
    // A keyboard that reports speed byte 0 holds speed 10: taken, as it
    // sends the keyboard its own byte back.
    image.ledSpeed = 10;
    EXPECT_FALSE(FindBadSetting(image));
    // The first bad setting in the panel's order: lighting before performance.
    image.responseTime = 0;
    image.ledDirection = 5;
    ASSERT_TRUE(FindBadSetting(image));
    EXPECT_EQ(FindBadSetting(image)->setting, Setting::Direction);
    EXPECT_STREQ(SettingName(Setting::Direction), "direction");

    // One key left is enough, but the left Windows key alone, whose bit the
    // lock decides, types nothing.
    image = FactoryImage();
    std::memset(image.keyMask, 0, sizeof image.keyMask);
    image.keyMask[20] = 0x20;  // the last column's top row
    EXPECT_FALSE(DisablesEveryKey(image));
    image.keyMask[20] = 0;
    image.keyMask[1] = 0x01;  // the left Windows key
    EXPECT_TRUE(DisablesEveryKey(image));
}

TEST(ProfileStoreFolder, MissingFolderListsNothingAndCreatesNothing) {
    test::TempFolder dir;
    const fs::path folder = dir.path() / "Configure";
    ProfileStore store(folder);
    store.scanProfiles();
    EXPECT_EQ(store.count(), 0u);
    EXPECT_EQ(store.newProfile(), ProfileResult::WriteFailed);
    EXPECT_FALSE(fs::exists(folder));
}
