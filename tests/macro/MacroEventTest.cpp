// Event encoding, rows and offsets, the store file and the device slots.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "macro/MacroEvent.h"
#include "macro/MacroSlot.h"
#include "macro/MacroStoreFile.h"
#include "tests/macro/MacroTestSupport.h"
#include "tests/support/TempFolder.h"
#include "util/AtomicFile.h"

namespace vandrel {
namespace {

using test::bytes;
using test::listBytes;
using test::setList;

struct EncodeCase {
    bool released;
    int delayMs;
    std::vector<uint8_t> encoded;
};

TEST(MacroEvent, EncodesAndDecodesBothForms) {
    const EncodeCase cases[] = {
        {false, 1, bytes({0x01, 0x41})},         {true, 1, bytes({0x81, 0x41})},
        {false, 50, bytes({0x32, 0x41})},        {true, 126, bytes({0xFE, 0x41})},
        {false, 127, bytes({0x7F, 0x41, 0x00, 0x7F})},
        {true, 300, bytes({0xFF, 0x41, 0x01, 0x2C})},
        {true, 60000, bytes({0xFF, 0x41, 0xEA, 0x60})},
    };
    for (const EncodeCase& c : cases) {
        uint8_t list[kMacroEventBytes] = {};
        const size_t n = encodeMacroEvent(c.released, static_cast<uint16_t>(c.delayMs), 0x41, list);
        EXPECT_EQ(std::vector<uint8_t>(list, list + n), c.encoded) << c.delayMs;
        RawEvent e;
        ASSERT_TRUE(decodeMacroEvent(list, 0, e));
        EXPECT_EQ(e.released(), c.released);
        EXPECT_EQ(e.delayMs, c.delayMs);
        EXPECT_EQ(e.size, n);
    }
}

TEST(MacroEvent, ListEndsAtZeroCodeAndNeverStraddlesItsEnd) {
    uint8_t list[kMacroEventBytes] = {};
    for (size_t i = 0; i < 188; i += 2) list[i] = 0x01, list[i + 1] = 0x41;
    list[188] = 0x7F;  // a 4-byte delay whose delay bytes would lie past the end
    list[189] = 0x41;
    EXPECT_EQ(eventListEnd(list), 188u);
    list[188] = 0x05;
    EXPECT_EQ(eventListEnd(list), 190u);
    list[3] = 0;
    EXPECT_EQ(eventListEnd(list), 2u);
}

struct ReadCase {
    const char* what;
    std::vector<uint8_t> usage, vk;
    std::vector<MacroEvent> expected;
};

TEST(MacroEvent, ReadingGarbageGivesWellFormedEvents) {
    const ReadCase cases[] = {
        {"first event loses its delay", bytes({0x7F, 0x04, 0x01, 0x2C, 0xB2, 0x04}),
         bytes({0x7F, 0x41, 0x01, 0x2C, 0xB2, 0x41}), {{false, 1, 0x04, 0x41}, {true, 50, 0x04, 0x41}}},
        {"zero delay counts as 1 ms", bytes({0x01, 0x04, 0x80, 0x04}), bytes({0x01, 0x41, 0x80, 0x41}),
         {{false, 1, 0x04, 0x41}, {true, 1, 0x04, 0x41}}},
        {"long delay capped", bytes({0x01, 0x04, 0xFF, 0x04, 0xFF, 0xFF}), bytes({0x01, 0x41, 0xFF, 0x41, 0xFF, 0xFF}),
         {{false, 1, 0x04, 0x41}, {true, 60000, 0x04, 0x41}}},
        {"display form ends first", bytes({0x01, 0x04, 0x81, 0x04}), bytes({0x01, 0x41, 0x81, 0x00}),
         {{false, 1, 0x04, 0x41}}},
        {"device form decides the lengths", bytes({0x01, 0x04, 0x81, 0x04}), bytes({0x7F, 0x41, 0x81, 0x41}),
         {{false, 1, 0x04, 0x41}, {true, 1, 0x04, 0x41}}},
    };
    for (const ReadCase& c : cases) {
        uint8_t usage[kMacroEventBytes], vk[kMacroEventBytes];
        setList(usage, c.usage);
        setList(vk, c.vk);
        EXPECT_EQ(readEventLists(usage, vk), c.expected) << c.what;
    }
}

TEST(MacroEvent, WritingRefusesWhatDoesNotFit) {
    std::vector<MacroEvent> events(95, MacroEvent{false, 1, 0x04, 0x41});
    uint8_t usage[kMacroEventBytes] = {}, vk[kMacroEventBytes] = {};
    ASSERT_TRUE(writeEventLists(events, usage, vk));
    EXPECT_EQ(eventListEnd(vk), 190u);
    events.back().delayMs = 200;  // two bytes more than the list holds
    EXPECT_FALSE(writeEventLists(events, usage, vk));
    EXPECT_EQ(vk[188], 0x01);
}

TEST(MacroEvent, RowsAndRowToOffset) {
    // A press, B press 50 ms later, B release without delay.
    const std::vector<MacroEvent> events = {{false, 1, 0x04, 0x41}, {false, 50, 0x05, 0x42}, {true, 1, 0x05, 0x42}};
    const std::vector<std::u16string> rows = {u"A  dn", u"50 ms", u"B  dn", u"B  up"};
    EXPECT_EQ(eventRows(events, keyNames()), rows);
    uint8_t usage[kMacroEventBytes], vk[kMacroEventBytes];
    ASSERT_TRUE(writeEventLists(events, usage, vk));
    EXPECT_EQ(listBytes(vk), bytes({0x01, 0x41, 0x32, 0x42, 0x81, 0x42}));
    const std::pair<int, size_t> map[] = {{0, 0}, {1, 2}, {2, 2}, {3, 4}, {4, 6}, {1000, 6}};
    for (auto [row, offset] : map) EXPECT_EQ(RowToOffset(vk, row), offset) << row;
    EXPECT_EQ(keyRowText(keyNames(), 0xF0, false), u"MsLB dn");
    EXPECT_EQ(delayRowText(60000), u"60000 ms");
}

class MacroFileTest : public ::testing::Test {
protected:
    void writeRaw(const std::vector<uint8_t>& b) {
        std::ofstream(dir / kMacroFileName, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    }
    test::TempFolder folder;
    const std::filesystem::path& dir = folder.path();
    std::unique_ptr<MacroStore> store = std::make_unique<MacroStore>();
};

TEST_F(MacroFileTest, MissingFileIsCreatedWithZeros) {
    std::memset(store.get(), 0x55, sizeof(MacroStore));
    EXPECT_EQ(LoadMacroStore(*store, dir), MacroLoad::Created);
    EXPECT_EQ(std::filesystem::file_size(dir / kMacroFileName), 169860u);
    std::vector<uint8_t> data;
    ASSERT_EQ(readFilePrefix(dir / kMacroFileName, 200000, data), FileResult::Ok);
    EXPECT_EQ(data, std::vector<uint8_t>(169860, 0));
    EXPECT_EQ(macrosInUse(*store), 0u);
}

TEST_F(MacroFileTest, RoundTripShortAndLongFiles) {
    store->clear();
    setRecordName((*store)[0], u"宏一");
    setRecordLoopCount((*store)[0], 258);
    (*store)[189].spare = 0x7E;
    ASSERT_TRUE(SaveMacroStore(*store, dir));
    auto loaded = std::make_unique<MacroStore>();
    EXPECT_EQ(LoadMacroStore(*loaded, dir), MacroLoad::Loaded);
    EXPECT_TRUE(*loaded == *store);

    writeRaw(std::vector<uint8_t>(1000, 0x41));  // short: fills what it holds
    LoadMacroStore(*loaded, dir);
    EXPECT_EQ(loaded->bytes()[999], 0x41);
    EXPECT_EQ(loaded->bytes()[1000], 0);
    EXPECT_EQ(recordName((*loaded)[0]).size(), kMaxMacroNameChars);  // no terminating zero

    std::vector<uint8_t> longFile(170000, 0x33);
    writeRaw(longFile);
    LoadMacroStore(*loaded, dir);
    EXPECT_EQ(loaded->bytes()[169859], 0x33);
}

TEST_F(MacroFileTest, FailedSaveKeepsStoreAndOldFile) {
    // A folder that is a file cannot take the temporary file.
    const std::filesystem::path notAFolder = dir / "plain";
    std::ofstream(notAFolder) << "x";
    store->clear();
    setRecordName((*store)[0], u"A");
    EXPECT_FALSE(SaveMacroStore(*store, notAFolder));
    EXPECT_EQ(recordName((*store)[0]), u"A");
    EXPECT_EQ(LoadMacroStore(*store, notAFolder), MacroLoad::CreateFailed);
    EXPECT_EQ(std::filesystem::file_size(notAFolder), 1u);
}

TEST(MacroSlot, SlotsFollowTheRecordsInUse) {
    auto store = std::make_unique<MacroStore>();
    store->clear();
    for (int n : {0, 1, 2, 4}) {
        setRecordName((*store)[n], u"M");
        setRecordLoopCount((*store)[n], 1);
        setList((*store)[n].usageEvents, bytes({0x01, 0x04, 0x81, 0x04}));
    }
    setRecordLoopCount((*store)[1], 258);
    DeviceImage image;
    std::memset(&image, 0xEE, sizeof image);
    SyncMacroSlots(*store, image);
    EXPECT_EQ(std::vector<uint8_t>(image.macroSlots[0], image.macroSlots[0] + 7),
              bytes({0x00, 0x01, 0x01, 0x04, 0x81, 0x04, 0x00}));
    EXPECT_EQ(image.macroSlots[1][0], 0x01);
    EXPECT_EQ(image.macroSlots[1][1], 0x02);
    EXPECT_EQ(image.macroSlots[2][191], 0x00);
    for (size_t n = 3; n < kMacroSlotCount; ++n) EXPECT_EQ(image.macroSlots[n][0], 0xEE) << n;
}

}  // namespace
}  // namespace vandrel
