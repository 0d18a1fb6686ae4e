#include <gtest/gtest.h>

#include <cstring>

#include "keys/KeyNameTable.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "tests/support/TempFolder.h"

using namespace vandrel;
using vandrel::test::pattern;
using vandrel::test::readAll;
using vandrel::test::writeAll;

namespace {

class KeymapFileTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    DeviceImage image{};
    KeyRecordTable records{};
    bool skip = false;

    std::filesystem::path file() const { return dir.path() / "keymap.bin"; }

    void fill(uint8_t seed) {
        auto a = pattern(sizeof image, seed);
        auto b = pattern(sizeof records, static_cast<uint8_t>(seed + 1));
        std::memcpy(image.bytes(), a.data(), a.size());
        std::memcpy(records.bytes(), b.data(), b.size());
    }
    std::vector<uint8_t> fileBytes(uint8_t seed) const {
        auto v = pattern(kKeymapFileBytes, seed);
        return v;
    }
};

void expectHomeCodes(const KeyRecordTable& records) {
    for (int s = 0; s < kPhysicalSlots; ++s) ASSERT_EQ(records[s].homeVk, SlotHomeVk[s]) << "slot " << s;
}

}  // namespace

TEST_F(KeymapFileTest, SaveThenLoadRestoresEverythingButTheHomeCodes) {
    fill(1);
    ASSERT_TRUE(SaveKeymapFile(dir.path(), image, records));
    const auto bytes = readAll(file());
    ASSERT_EQ(bytes.size(), 206920u);
    EXPECT_EQ(std::memcmp(bytes.data(), image.bytes(), sizeof image), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 10060, records.bytes(), sizeof records), 0);

    DeviceImage loadedImage{};
    KeyRecordTable loaded{};
    EXPECT_EQ(LoadKeymapFile(dir.path(), loadedImage, loaded, skip), KeymapLoadResult::Loaded);
    EXPECT_EQ(loadedImage, image);
    expectHomeCodes(loaded);
    // Apart from the home codes every byte, slots 108..254 included, comes back.
    KeyRecordTable expected = records;
    expected.restoreHomeCodes();
    EXPECT_EQ(loaded, expected);
}

TEST_F(KeymapFileTest, SkipFlagKeepsTheImageAndIsUsedOnce) {
    writeAll(file(), fileBytes(7));
    fill(3);
    const DeviceImage before = image;
    skip = true;
    EXPECT_EQ(LoadKeymapFile(dir.path(), image, records, skip), KeymapLoadResult::Loaded);
    EXPECT_FALSE(skip);
    EXPECT_EQ(image, before);
    EXPECT_EQ(std::memcmp(records[200].data, fileBytes(7).data() + 10060 + 200 * 772 + 2, 255), 0);

    EXPECT_EQ(LoadKeymapFile(dir.path(), image, records, skip), KeymapLoadResult::Loaded);
    EXPECT_EQ(std::memcmp(image.bytes(), fileBytes(7).data(), sizeof image), 0);
}

// Short, long and garbage files: what the file holds is used, the rest of the
// buffers stays as it was, nothing is read past the two blocks.
TEST_F(KeymapFileTest, BrokenFilesLoadAsFarAsTheyGo) {
    const size_t sizes[] = {0, 1, 10059, 10060, 10061, 10060 + 772 + 5, 206919, 206920, 206921, 400000};
    for (bool skipImage : {false, true}) {
        for (size_t size : sizes) {
            SCOPED_TRACE(testing::Message() << "size " << size << " skip " << skipImage);
            const auto content = pattern(size, static_cast<uint8_t>(size));
            writeAll(file(), content);
            fill(9);
            const DeviceImage oldImage = image;
            const KeyRecordTable oldRecords = records;
            skip = skipImage;
            ASSERT_EQ(LoadKeymapFile(dir.path(), image, records, skip), KeymapLoadResult::Loaded);

            const size_t imageBytes = std::min(size, sizeof image);
            const size_t recordBytes = size > sizeof image ? std::min(size - sizeof image, sizeof records) : 0;
            DeviceImage wantImage = oldImage;
            if (!skipImage) std::copy_n(content.begin(), imageBytes, wantImage.bytes());
            KeyRecordTable wantRecords = oldRecords;
            if (recordBytes) std::copy_n(content.begin() + sizeof image, recordBytes, wantRecords.bytes());
            wantRecords.restoreHomeCodes();
            EXPECT_EQ(image, wantImage);
            EXPECT_EQ(records, wantRecords);
            EXPECT_EQ(readAll(file()), content) << "loading never rewrites the file";
        }
    }
}

TEST_F(KeymapFileTest, MissingFileIsCreatedWithEmptyRecords) {
    fill(4);
    const DeviceImage current = image;
    skip = true;
    EXPECT_EQ(LoadKeymapFile(dir.path(), image, records, skip), KeymapLoadResult::Created);
    EXPECT_FALSE(skip);
    EXPECT_EQ(image, current);
    expectHomeCodes(records);
    for (int s = 0; s < kRecordSlots; ++s) {
        KeyRecord empty{};
        empty.homeVk = s < kPhysicalSlots ? SlotHomeVk[s] : 0;
        ASSERT_EQ(std::memcmp(&records[s], &empty, sizeof empty), 0) << "slot " << s;
    }
    const auto bytes = readAll(file());
    ASSERT_EQ(bytes.size(), 206920u);
    EXPECT_EQ(std::memcmp(bytes.data(), current.bytes(), sizeof current), 0);
    EXPECT_TRUE(std::all_of(bytes.begin() + 10060, bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(KeymapFileTest, FolderThatCannotHoldTheFile) {
    const auto notAFolder = dir.path() / "plain";
    writeAll(notAFolder, {1, 2, 3});
    fill(5);
    EXPECT_EQ(LoadKeymapFile(notAFolder, image, records, skip), KeymapLoadResult::CreateFailed);
    expectHomeCodes(records);
    EXPECT_EQ(records[0].type, 0);
    EXPECT_FALSE(SaveKeymapFile(notAFolder, image, records));
    EXPECT_EQ(readAll(notAFolder), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(KeymapFileTest, UnreadableFileIsNeitherReplacedNorWipesMemory) {
    std::filesystem::create_directory(file());
    writeAll(file() / "inside", {42});
    fill(6);
    const DeviceImage oldImage = image;
    KeyRecordTable oldRecords = records;
    EXPECT_EQ(LoadKeymapFile(dir.path(), image, records, skip), KeymapLoadResult::Unreadable);
    EXPECT_EQ(image, oldImage);
    oldRecords.restoreHomeCodes();
    EXPECT_EQ(records, oldRecords);
    EXPECT_EQ(readAll(file() / "inside"), std::vector<uint8_t>{42});
}

TEST_F(KeymapFileTest, FailedSaveReportsAndKeepsTheOldFile) {
    fill(1);
    ASSERT_TRUE(SaveKeymapFile(dir.path(), image, records));
    const auto old = readAll(file());
    fill(2);
    const DeviceImage edited = image;
    {
        test::FileSizeLimit full(4096);  // the disk fills up in the middle of the write
        EXPECT_FALSE(SaveKeymapFile(dir.path(), image, records));
    }
    EXPECT_EQ(readAll(file()), old);
    EXPECT_EQ(image, edited);
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}

namespace {

// An image and records as after a factory reset of the keyboard.
struct FactoryState {
    DeviceImage image{};
    KeyRecordTable records{};
    ReassignedFlags flags{};
    FactoryState() {
        std::memcpy(image.deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes);
        ResetKeyRecordsToFactory(image, records, flags);
    }
    uint8_t* entry(int slot) { return &image.deviceKeyMap[SlotCellOffset[slot]]; }
};

}  // namespace

TEST(DeriveReassignedFlags, MarksKeysThatDifferFromTheirFactoryFunction) {
    struct Case {
        const char* what;
        int slot;
        void (*change)(FactoryState&, int);
        uint8_t expected;
    };
    const Case cases[] = {
        {"untouched", 63, [](FactoryState&, int) {}, 0},
        {"untouched media key with its consumer entry", 17, [](FactoryState&, int) {}, 0},
        {"entry sends another usage", 63, [](FactoryState& f, int s) { f.entry(s)[2] = 0x05; }, 1},
        {"entry differs only outside byte 2", 63, [](FactoryState& f, int s) { f.entry(s)[0] = 3; }, 0},
        {"record holds a combination", 63, [](FactoryState& f, int s) { f.records[s].type = 1; }, 1},
        {"record holds one other code",
         63, [](FactoryState& f, int s) { f.records[s].data[0] = 0x42, f.records[s].length = 1; }, 1},
        {"record holds its own code",
         63, [](FactoryState& f, int s) { f.records[s].data[0] = 0x41, f.records[s].length = 1; }, 0},
        {"record holds two codes of type 0",
         63, [](FactoryState& f, int s) { f.records[s].data[0] = 0x42, f.records[s].length = 2; }, 0},
        {"disabled key with an empty record", 63, [](FactoryState& f, int s) { SetKeyEnabled(f.image, s, false); }, 1},
        {"backslash restored from the name table",
         54, [](FactoryState& f, int s) { f.entry(s)[2] = keyNames().usage(0xDC); }, 1},
        {"Fn disabled and reassigned",
         100, [](FactoryState& f, int s) { SetKeyEnabled(f.image, s, false), f.records[s].type = 3; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FactoryState f;
        c.change(f, c.slot);
        std::memset(f.flags.flags, 1, sizeof f.flags.flags);
        DeriveReassignedFlags(f.image, f.records, f.flags);
        for (int s = 0; s < kPhysicalSlots; ++s)
            ASSERT_EQ(f.flags[s], s == c.slot ? c.expected : 0) << "slot " << s;
        EXPECT_EQ(f.flags[200], 1) << "slots beyond the keyboard are left alone";
    }
}

TEST(KeyState, MaskBitsAndFactoryReset) {
    DeviceImage image{};
    SetKeyEnabled(image, 96, true);  // left Windows: column 1, row 0
    EXPECT_EQ(image.keyMask[1], 0x01);
    EXPECT_TRUE(IsKeyEnabled(image, 96));
    EXPECT_FALSE(IsKeyEnabled(image, 95));
    SetKeyEnabled(image, 200, false);  // no such key: ignored
    EXPECT_TRUE(IsKeyEnabled(image, 200));

    KeyRecordTable records;
    std::memset(records.bytes(), 0xAB, sizeof records);
    ReassignedFlags flags;
    std::memset(flags.flags, 1, sizeof flags.flags);
    ResetKeyRecordsToFactory(image, records, flags);
    for (uint8_t b : image.keyMask) EXPECT_EQ(b, 0xFF);
    for (int s = 0; s < kRecordSlots; ++s) {
        EXPECT_EQ(flags[s], 0);
        EXPECT_EQ(records[s].homeVk, s < kPhysicalSlots ? SlotHomeVk[s] : 0);
        EXPECT_EQ(records[s].type, 0);
        EXPECT_EQ(records[s].path[0], 0);
    }
}
