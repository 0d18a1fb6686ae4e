// The profile dialog's model against a temporary profile folder: the checks
// and messages of each command, and what reaches the files and the
// configuration in memory.

#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>

#include "app/model/ProfileDialogModel.h"
#include "keymap/KeyRecordReconcile.h"
#include "profile/ConfigurationCheck.h"
#include "tests/app/TempFolder.h"
#include "util/Utf16.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::readAll;
using test::writeAll;
using Names = std::vector<std::u16string>;

std::vector<uint8_t> pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return out;
}

class ProfileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileDialogPorts& ports = model.ports();
        ports.message = [this](const std::u16string& caption, const std::u16string& text) {
            messages.push_back(caption + u"|" + text);
        };
        ports.confirm = [this](const std::u16string&, const std::u16string& text) {
            messages.push_back(u"?" + text);
            return confirmAnswer;
        };
        ports.chooseExportFile = [this] { return exportFile; };
        ports.chooseImportFile = [this] { return importFile; };
        std::memset(image.bytes(), 0x5A, sizeof image);
        std::memset(records.bytes(), 0x6B, sizeof records);
        model.open();
    }

    void select(const std::u16string& name) { model.setSelectedRow(model.store().findRow(name).value_or(kNoRow)); }
    fs::path file(const std::u16string& name) const { return folder / PathFromUtf16(name + u".bin"); }
    size_t filesOnDisk() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
    void makeNew(int n) {
        for (int i = 0; i < n; ++i) model.newProfile();
    }
    std::vector<uint8_t> memory() const {
        std::vector<uint8_t> out(image.bytes(), image.bytes() + sizeof image);
        out.insert(out.end(), records.bytes(), records.bytes() + sizeof records);
        return out;
    }

    test::TempFolder temp;
    fs::path folder = temp.path() / "Configure";
    DeviceImage image;
    KeyRecordTable records;
    ProfileDialogModel model{folder, image, records};
    std::vector<std::u16string> messages;
    bool confirmAnswer = true;
    std::optional<fs::path> exportFile, importFile;
};

TEST_F(ProfileDialogTest, OpeningCreatesTheFolderSoANewUserCanMakeProfiles) {
    EXPECT_TRUE(fs::is_directory(folder));
    model.newProfile();
    EXPECT_EQ(model.rowNames(), Names{u"Profile_1"});
    EXPECT_TRUE(messages.empty());
}

// Load and Save open their file dialogs on the selected profile, so loading
// it or saving over it takes no typing.
TEST_F(ProfileDialogTest, TheFileDialogsStartWithTheSelectedProfile) {
    makeNew(2);
    select(u"Profile_1");
    EXPECT_EQ(model.selectedProfileName(), u"Profile_1");
    model.setSelectedRow(kNoRow);
    EXPECT_EQ(model.selectedProfileName(), u"");
}

TEST_F(ProfileDialogTest, SixProfilesAtMost) {
    makeNew(6);
    EXPECT_TRUE(messages.empty());
    model.leftButtonUp(40, 600);  // the New button
    EXPECT_EQ(messages, Names{u"配置管理|最多可以存储6个配置\n"});
    EXPECT_EQ(filesOnDisk(), 6u);

    // A copy with six profiles does nothing and says nothing; without a
    // selection it asks for one.
    messages.clear();
    select(u"Profile_3");
    model.run(ProfileCommand::Copy);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(filesOnDisk(), 6u);
    model.setSelectedRow(kNoRow);
    model.run(ProfileCommand::Copy);
    EXPECT_EQ(messages, Names{u"配置管理|请选择一个配置文件拷贝"});
}

TEST_F(ProfileDialogTest, DeleteKeepsTheLastProfileAndAsksFirst) {
    makeNew(1);
    model.leftButtonUp(200, 600);  // the Delete button, nothing selected
    select(u"Profile_1");
    model.run(ProfileCommand::Delete);
    EXPECT_EQ(messages, (Names{u"配置管理|请至少保留一个配置文件", u"配置管理|请至少保留一个配置文件"}));
    EXPECT_TRUE(fs::exists(file(u"Profile_1")));

    makeNew(1);
    messages.clear();
    model.run(ProfileCommand::Delete);
    EXPECT_EQ(messages, Names{u"配置管理|请选择一个配置文件删除"});
    messages.clear();
    confirmAnswer = false;
    select(u"Profile_2");
    model.run(ProfileCommand::Delete);
    EXPECT_EQ(messages, Names{u"?删除当前配置文件吗"});
    EXPECT_EQ(filesOnDisk(), 2u);
    confirmAnswer = true;
    model.run(ProfileCommand::Delete);
    EXPECT_EQ(model.rowNames(), Names{u"Profile_1"});
}

TEST_F(ProfileDialogTest, RenameToAnotherProfilesNameChangesNothing) {
    makeNew(2);
    writeAll(file(u"Profile_1"), pattern(206920, 1));
    writeAll(file(u"Profile_2"), pattern(206920, 2));
    model.renameRow(0, u"Profile_2");
    model.renameRow(0, u"Profile_2.bin");
    EXPECT_EQ(model.rowNames(), (Names{u"Profile_1", u"Profile_2"}));
    EXPECT_EQ(readAll(file(u"Profile_1")), pattern(206920, 1));
    EXPECT_EQ(readAll(file(u"Profile_2")), pattern(206920, 2));
    EXPECT_EQ(filesOnDisk(), 2u);
    EXPECT_EQ(model.selectedRow(), kNoRow);
}

TEST_F(ProfileDialogTest, RenameWithBinTypedStoresOneExtension) {
    makeNew(1);
    model.renameRow(0, u"射击.bin");
    EXPECT_EQ(model.rowNames(), Names{u"射击"});
    EXPECT_TRUE(fs::exists(file(u"射击")));
    EXPECT_EQ(filesOnDisk(), 1u);
}

TEST_F(ProfileDialogTest, NamesThatCannotBeFilesAreRefusedNeverCut) {
    makeNew(1);
    model.renameRow(0, u"a/b");
    EXPECT_EQ(messages, Names{u"配置管理|配置名称不能作为文件名，未重命名。"});
    EXPECT_EQ(model.rowNames(), Names{u"Profile_1"});
    EXPECT_EQ(filesOnDisk(), 1u);
}

TEST_F(ProfileDialogTest, LoadingANewProfileReplacesOnlyTheImage) {
    makeNew(2);
    const KeyRecordTable recordsBefore = records;
    select(u"Profile_2");
    importFile = file(u"Profile_1");  // the image block alone
    model.run(ProfileCommand::Load);
    EXPECT_TRUE(messages.empty());
    // Memory held nothing the keyboard could take: the profile holds the factory configuration.
    EXPECT_EQ(image, FactoryImage());
    KeyRecordTable want = recordsBefore;
    want.restoreHomeCodes();
    // Records that claim what the loaded image does not hold give way.
    ReconcileKeyRecords(image, want);
    EXPECT_EQ(records, want);
    EXPECT_EQ(readAll(file(u"Profile_2")), memory());
}

TEST_F(ProfileDialogTest, FilesThatAreNotProfilesAreRefusedAndChangeNothing) {
    makeNew(1);
    const std::vector<uint8_t> before = memory();
    const std::vector<uint8_t> profileBefore = readAll(file(u"Profile_1"));
    select(u"Profile_1");
    importFile = temp.path() / "photo.bin";
    for (size_t size : {size_t{0}, size_t{5000}, size_t{150000}, size_t{206921}}) {
        SCOPED_TRACE(size);
        messages.clear();
        writeAll(*importFile, pattern(size, 9));
        select(u"Profile_1");
        model.run(ProfileCommand::Load);
        EXPECT_EQ(messages, Names{u"配置管理|所选文件不是配置文件，未加载。"});
        EXPECT_EQ(memory(), before);
        EXPECT_EQ(readAll(file(u"Profile_1")), profileBefore);
    }
    messages.clear();
    select(u"Profile_1");
    importFile = temp.path() / "gone.bin";
    model.run(ProfileCommand::Load);
    EXPECT_EQ(messages, Names{u"配置管理|无法读取所选文件，未加载。"});
    EXPECT_EQ(memory(), before);

    // Without a selection nothing is asked; a cancelled file dialog reads nothing.
    messages.clear();
    model.setSelectedRow(kNoRow);
    model.run(ProfileCommand::Load);
    model.run(ProfileCommand::Save);
    EXPECT_EQ(messages, (Names{u"配置管理|请选择一个配置文件打开", u"配置管理|请选择一个配置文件保存"}));
    select(u"Profile_1");
    importFile.reset();
    model.run(ProfileCommand::Load);
    EXPECT_EQ(memory(), before);
    EXPECT_EQ(readAll(file(u"Profile_1")), profileBefore);
}

TEST_F(ProfileDialogTest, ExportAndLoadRoundTripByteForByte) {
    makeNew(2);
    std::vector<uint8_t> saved = pattern(206920, 3);
    // Settings the keyboard takes; every other byte as it comes.
    const DeviceImage factory = FactoryImage();
    std::copy(&factory.responseTime, &factory.ledPalette[0][0], saved.begin() + 7449);
    saved[11] = factory.reportRate;
    saved[7476] = 1;  // game mode
    saved[7498] = 0;  // winLock
    std::memcpy(image.bytes(), saved.data(), sizeof image);
    std::memcpy(records.bytes(), saved.data() + sizeof image, sizeof records);
    records.restoreHomeCodes();  // what a configuration in memory always holds
    ReconcileKeyRecords(image, records);  // and records that fit its image
    const std::vector<uint8_t> want = memory();

    select(u"Profile_1");
    exportFile = temp.path() / "export.bin";
    model.run(ProfileCommand::Save);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readAll(*exportFile), want);
    EXPECT_EQ(readAll(file(u"Profile_1")), want);
    // Saving and loading write into the selected profile: it stays selected.
    EXPECT_EQ(model.selectedRow(), model.store().findRow(u"Profile_1").value_or(-2));

    std::memset(image.bytes(), 0, sizeof image);
    records.clear();
    select(u"Profile_2");
    importFile = exportFile;
    model.run(ProfileCommand::Load);
    EXPECT_EQ(memory(), want);
    EXPECT_EQ(readAll(file(u"Profile_2")), want);
    EXPECT_EQ(model.selectedRow(), model.store().findRow(u"Profile_2").value_or(-2));
}

// A profile made by New loads as a configuration the keyboard takes: the one
// in memory, or the factory one when memory holds nothing usable.
TEST_F(ProfileDialogTest, NewProfilesHoldAUsableConfiguration) {
    makeNew(1);
    image = FactoryImage();
    image.ledEffect = 13;
    image.ledBrightness = 12;
    const DeviceImage current = image;
    makeNew(1);
    EXPECT_EQ(readAll(file(u"Profile_2")), std::vector<uint8_t>(current.bytes(), current.bytes() + sizeof current));

    std::memset(image.bytes(), 0, sizeof image);  // nothing read yet
    select(u"Profile_2");
    importFile = file(u"Profile_1");
    model.run(ProfileCommand::Load);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(image, FactoryImage());
    EXPECT_FALSE(DisablesEveryKey(image));
}

// Files the keyboard must not get are refused with a message that says why;
// the chosen file, the selected profile and memory stay as they were. A file
// that disables every key is taken only when the user confirms it.
TEST_F(ProfileDialogTest, LoadRefusesWhatTheKeyboardCannotTake) {
    makeNew(1);
    image = FactoryImage();
    const std::vector<uint8_t> before = memory();
    const std::vector<uint8_t> profileBefore = readAll(file(u"Profile_1"));
    importFile = temp.path() / "chosen.bin";
    auto load = [&](const std::vector<uint8_t>& content) {
        messages.clear();
        writeAll(*importFile, content);
        select(u"Profile_1");
        model.run(ProfileCommand::Load);
        EXPECT_EQ(readAll(*importFile), content);
    };
    auto unchanged = [&] {
        EXPECT_EQ(memory(), before);
        EXPECT_EQ(readAll(file(u"Profile_1")), profileBefore);
    };

    // What New stored before: 10060 zero bytes.
    load(std::vector<uint8_t>(10060, 0));
    EXPECT_EQ(messages, Names{u"配置管理|所选配置是空白的（旧版本新建的配置），未加载。"});
    unchanged();
    // Every byte 0xFF: the effect is the first setting out of range.
    load(std::vector<uint8_t>(206920, 0xFF));
    EXPECT_EQ(messages, Names{u"配置管理|所选配置的“效果”值无效（255），未加载。"});
    unchanged();

    DeviceImage dead = FactoryImage();
    std::memset(dead.keyMask, 0, sizeof dead.keyMask);
    const std::vector<uint8_t> deadBytes(dead.bytes(), dead.bytes() + sizeof dead);
    confirmAnswer = false;
    load(deadBytes);
    EXPECT_EQ(messages, Names{u"?所选配置会禁用所有按键，键盘将无法输入。仍要加载吗？"});
    unchanged();
    confirmAnswer = true;
    load(deadBytes);
    EXPECT_EQ(image, dead);
}

// The export never replaces the program's own data files: keymap.bin, the
// macro store, the demo keyboard's memory, the remembered game mode, VER.bin
// (also the demo window's, in its data folder), the history's snapshots, also
// when reached through a link, even one to a file not made yet. Nothing at
// all is saved then.
TEST_F(ProfileDialogTest, ExportRefusesTheProgramsOwnDataFiles) {
    const fs::path data = temp.path(), program = temp.path() / "program";
    fs::create_directories(program);
    fs::create_directories(data / "History");
    const std::vector<uint8_t> macros = pattern(169860, 5), snapshot = pattern(376780, 6);
    writeAll(data / "MacroDefine.bin", macros);
    writeAll(data / "History" / "snapshot-0000001700000000000.bin", snapshot);
    fs::create_symlink(data / "MacroDefine.bin", temp.path() / "link.bin");
    fs::create_symlink(data / "keymap.bin", temp.path() / "dangling.bin");
    fs::create_symlink("dangling.bin", temp.path() / "chained.bin");
    model.setOwnDataFiles(OwnDataFiles({data}, program));
    makeNew(1);

    for (const fs::path& target : {data / "keymap.bin", data / "MacroDefine.bin", temp.path() / "link.bin",
                                   temp.path() / "dangling.bin", temp.path() / "chained.bin",
                                   folder / ".." / "DemoKeyboard.bin", data / "GameMode.txt", program / "VER.bin",
                                   data / "VER.bin",
                                   data / "History" / "snapshot-0000001700000000000.bin", data / "History" / "new.bin"}) {
        SCOPED_TRACE(target.string());
        messages.clear();
        select(u"Profile_1");
        exportFile = target;
        fs::remove(file(u"Profile_1"));
        model.run(ProfileCommand::Save);
        // Only the export is refused: the profile itself is stored, and the message says both.
        EXPECT_EQ(messages, Names{u"配置管理|配置已保存。\n“" + Utf16FromPath(target) +
                                  u"”是程序自己的数据文件，不能作为导出文件，未导出。"});
        EXPECT_EQ(readAll(file(u"Profile_1")), memory());
    }
    EXPECT_EQ(readAll(data / "MacroDefine.bin"), macros);
    EXPECT_EQ(readAll(data / "History" / "snapshot-0000001700000000000.bin"), snapshot);
    for (const char* name : {"keymap.bin", "DemoKeyboard.bin", "GameMode.txt", "VER.bin", "History/new.bin"})
        EXPECT_FALSE(fs::exists(data / name)) << name;
    EXPECT_FALSE(fs::exists(program / "VER.bin"));

    // Any other file beside them is a fine export.
    messages.clear();
    exportFile = data / "keymap-backup.bin";
    model.run(ProfileCommand::Save);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readAll(*exportFile).size(), 206920u);
}

// A profile that is a link to one of the program's own data files is neither
// saved into nor loaded into, as vandrelctl refuses it.
TEST_F(ProfileDialogTest, AProfileLinkedToAnOwnDataFileIsNeverWritten) {
    const fs::path data = temp.path() / "data";
    fs::create_directories(data);
    const std::vector<uint8_t> keymap = pattern(206920, 4);
    writeAll(data / "keymap.bin", keymap);
    fs::create_symlink(data / "keymap.bin", file(u"Linked"));
    writeAll(temp.path() / "other.bin", pattern(206920, 8));
    model.setOwnDataFiles(OwnDataFiles({data}, {}));
    model.open();
    select(u"Linked");
    ASSERT_NE(model.selectedRow(), kNoRow);

    bool exportAsked = false;
    model.ports().chooseExportFile = [&] {
        exportAsked = true;
        return std::optional<fs::path>(temp.path() / "export.bin");
    };
    model.run(ProfileCommand::Save);
    EXPECT_EQ(messages, Names{u"配置管理|配置“Linked.bin”链接到程序自己的数据文件，不能写入。配置未保存。"});
    EXPECT_FALSE(exportAsked);
    EXPECT_FALSE(fs::exists(temp.path() / "export.bin"));

    messages.clear();
    const std::vector<uint8_t> before = memory();
    importFile = temp.path() / "other.bin";
    model.run(ProfileCommand::Load);
    EXPECT_EQ(messages, Names{u"配置管理|配置“Linked.bin”链接到程序自己的数据文件，不能写入。未加载。"});
    EXPECT_EQ(memory(), before);
    EXPECT_EQ(readAll(data / "keymap.bin"), keymap);
}

// An export that fails says which file and why; the profile it stored is not
// reported as lost.
TEST_F(ProfileDialogTest, AFailedExportNamesTheStepThatFailed) {
    makeNew(1);
    select(u"Profile_1");
    const fs::path fifo = temp.path() / "pipe.bin";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // nobody reads it
    exportFile = fifo;
    model.run(ProfileCommand::Save);
    EXPECT_EQ(readAll(file(u"Profile_1")), memory());
    ASSERT_EQ(messages.size(), 1u);
    const std::u16string& text = messages[0];
    EXPECT_EQ(text.rfind(u"配置管理|配置已保存。\n导出到“" + Utf16FromPath(fifo) + u"”失败：", 0), 0u)
        << utf16ToUtf8(text);
    EXPECT_NE(text.find(u"FIFO"), std::u16string::npos) << "the reason is given";
    EXPECT_EQ(text.find(u"配置文件保存失败"), std::u16string::npos);

    // The profile itself failing is said as such, and the export still made.
    messages.clear();
    fs::remove(file(u"Profile_1"));
    fs::create_directory(file(u"Profile_1"));
    exportFile = temp.path() / "export.bin";
    model.run(ProfileCommand::Save);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(u"配置管理|配置文件“" + Utf16FromPath(file(u"Profile_1")) + u"”保存失败：", 0), 0u)
        << utf16ToUtf8(messages[0]);
    EXPECT_NE(messages[0].find(u"\n已导出到“" + Utf16FromPath(*exportFile) + u"”。"), std::u16string::npos);
    EXPECT_EQ(readAll(*exportFile), memory());
}

// Files of the profile folder that are not profiles are left out of the list
// and named once, when the dialog opens and finds them.
TEST_F(ProfileDialogTest, FilesThatAreNoProfilesAreNamedOnce) {
    makeNew(1);
    writeAll(folder / "empty.bin", {});
    writeAll(folder / "notes.bin", pattern(300, 1));
    messages.clear();
    model.open();
    EXPECT_EQ(model.rowNames(), Names{u"Profile_1"});
    const Names first{u"配置管理|以下文件不是配置文件（大小不符），未列出：\nempty.bin\nnotes.bin"};
    EXPECT_EQ(messages, first);
    model.open();
    EXPECT_EQ(messages, first);
    fs::remove(folder / "notes.bin");
    model.open();
    EXPECT_EQ(messages, (Names{first[0], u"配置管理|以下文件不是配置文件（大小不符），未列出：\nempty.bin"}));
}

}  // namespace
}  // namespace vandrel
