// Key records against what the keyboard holds: a record that stands for the
// key's entry, or claims none, stays; one that claims an assignment the
// keyboard does not have is put back, whatever its type.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "keymap/KeyAssignment.h"
#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "keys/KeyNameTable.h"

namespace vandrel {
namespace {

constexpr int kSlotQ = 42;
using Entry = std::array<uint8_t, 4>;

struct Case {
    const char* name;
    std::function<void(KeyRecord&)> record;
    Entry agreeing;  // an entry the record stands for
    bool claimsNothing = false;
};

std::vector<Case> cases() {
    const uint8_t usageA = keyNames().usage(0x41);
    return {
        {"single key", [](KeyRecord& r) { r.type = 0, r.length = 1, r.data[0] = 0x41; }, {0, 0, usageA, 0}},
        {"single media key",
         [](KeyRecord& r) { r.type = 0, r.length = 1, r.data[0] = 0xB3; },  // play/pause: a consumer entry
         {kEntryConsumer, 0, 0xCD, 0}},
        {"combination",
         [](KeyRecord& r) { r.type = 1, r.length = 2, r.data[0] = 0x11, r.data[1] = 0x43; },
         {0, keyNames().usage(0x11), keyNames().usage(0x43), 0}},
        {"macro", [](KeyRecord& r) { r.type = 2, r.data[0] = 4, r.data[1] = 1, r.data[2] = 5; }, {4, 1, 5, 0}},
        {"named function", [](KeyRecord& r) { r.type = 3, r.data[1] = 0xE0, r.data[2] = 0x06; }, {0, 0xE0, 0x06, 0}},
        {"launch", [](KeyRecord& r) { r.type = 5, r.data[0] = 3, r.data[2] = 0x23, r.data[3] = 2; },
         {kEntryLaunch, 0, SlotHomeVk[kSlotQ], 0}},
        // Choices that left the entry as it was claim nothing.
        {"three typed single keys", [](KeyRecord& r) { r.type = 0, r.length = 3, r.data[0] = 0x41; }, {}, true},
        {"macro key without a macro", [](KeyRecord& r) { r.type = 2, r.data[0] = 4, r.data[1] = 1, r.data[2] = 0xFF; },
         {}, true},
        {"unknown function", [](KeyRecord& r) { r.type = 3, r.data[1] = 0x77; }, {}, true},
    };
}

TEST(KeyRecordReconcile, RecordsStayOnlyWhereTheKeyboardHoldsWhatTheyClaim) {
    auto keyboard = std::make_unique<DeviceImage>();
    keyboard->clear();
    std::memcpy(keyboard->deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes);
    std::memset(keyboard->keyMask, 0xFF, kKeyMaskBytes);
    uint8_t* entry = &keyboard->deviceKeyMap[SlotCellOffset[kSlotQ]];
    const Entry factory = {entry[0], entry[1], entry[2], entry[3]};
    auto records = std::make_unique<KeyRecordTable>();
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        records->clear();
        records->restoreHomeCodes();
        c.record((*records)[kSlotQ]);
        (*records)[kSlotQ].path[0] = 'x';

        // The keyboard holds the assignment: the record stays.
        if (!c.claimsNothing) {
            std::memcpy(entry, c.agreeing.data(), 4);
            const KeyRecord before = (*records)[kSlotQ];
            EXPECT_TRUE(ReconcileKeyRecords(*keyboard, *records).empty());
            EXPECT_EQ(std::memcmp(&(*records)[kSlotQ], &before, sizeof before), 0);
        }
        // The keyboard holds its factory entry: the record goes, unless it claims nothing.
        std::memcpy(entry, factory.data(), 4);
        const std::vector<int> putBack = ReconcileKeyRecords(*keyboard, *records);
        if (c.claimsNothing) {
            EXPECT_TRUE(putBack.empty());
            continue;
        }
        EXPECT_EQ(putBack, std::vector<int>{kSlotQ});
        const KeyRecord& r = (*records)[kSlotQ];
        EXPECT_EQ(r.type, 0);
        EXPECT_EQ(r.length, 0);
        EXPECT_EQ(r.data[0] | r.data[1] | r.data[2] | r.data[3], 0);
        EXPECT_EQ(r.homeVk, SlotHomeVk[kSlotQ]);
        EXPECT_EQ(r.path[0], 'x');  // the path field keeps its bytes, as a restore does
        // An empty record then counts as no assignment.
        ReassignedFlags flags;
        flags.clear();
        DeriveReassignedFlags(*keyboard, *records, flags);
        EXPECT_EQ(flags[kSlotQ], 0);
    }

    // A record no finished assignment leaves (a launch page without a choice).
    records->clear();
    records->restoreHomeCodes();
    (*records)[kSlotQ].type = 255;
    EXPECT_EQ(ReconcileKeyRecords(*keyboard, *records), std::vector<int>{kSlotQ});
    EXPECT_TRUE(KeyRecordAgrees((*records)[kSlotQ], kSlotQ, *keyboard));
}

// A record that disagrees with the image is replaced by one that describes
// the key's entry, so that the window and the key-map dialog show what the
// key does; an empty record is filled in the same way. Each description
// applied again gives back the entry.
TEST(KeyRecordReconcile, DisagreeingAndEmptyRecordsDescribeTheImage) {
    auto image = std::make_unique<DeviceImage>();
    image->clear();
    std::memcpy(image->deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes);
    std::memset(image->keyMask, 0xFF, kKeyMaskBytes);
    const KeyNameTable& names = keyNames();
    const struct {
        const char* what;
        Entry entry;
        uint8_t type;
        std::vector<uint8_t> data;
        uint8_t length;
    } cases[] = {
        {"macro", {kEntryMacro, 1, 3, 0}, 2, {kEntryMacro, 1, 3, 0}, 0},
        {"single key", {0, 0, names.usage(0x41), 0}, 0, {0x41}, 1},
        {"combination", {0, names.usage(0xA2), names.usage(0x43), names.usage(0x56)}, 1, {0xA2, 0x43, 0x56}, 3},
        {"named function", {kEntryConsumer, 0, 0xE2, 0}, 3, {kEntryConsumer, 0, 0xE2, 0}, 0},
        {"launch without its path", {kEntryLaunch, 0, SlotHomeVk[kSlotQ], 0}, 0, {}, 0},
        {"factory entry", {0, 0, names.usage(SlotHomeVk[kSlotQ]), 0}, 0, {}, 0},
    };
    auto records = std::make_unique<KeyRecordTable>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::memcpy(&image->deviceKeyMap[SlotCellOffset[kSlotQ]], c.entry.data(), 4);
        for (bool startEmpty : {false, true}) {
            records->clear();
            records->restoreHomeCodes();
            KeyRecord& r = (*records)[kSlotQ];
            if (!startEmpty) {  // bound to macro 7, which the image does not say
                r.type = 2;
                r.data[0] = kEntryMacro, r.data[1] = 1, r.data[2] = 7;
            }
            r.path[0] = 'x';
            const std::vector<int> differed = ReconcileKeyRecords(*image, *records);
            EXPECT_EQ(differed, startEmpty ? std::vector<int>{} : std::vector<int>{kSlotQ});
            EXPECT_EQ(r.type, c.type);
            EXPECT_EQ(r.length, c.length);
            std::vector<uint8_t> want = c.data;
            want.resize(8, 0);
            EXPECT_EQ(std::vector<uint8_t>(r.data, r.data + 8), want);
            EXPECT_EQ(r.path[0], 'x');
            EXPECT_TRUE(KeyRecordAgrees(r, kSlotQ, *image));
            // Reconciling again changes nothing.
            const KeyRecord once = r;
            EXPECT_TRUE(ReconcileKeyRecords(*image, *records).empty());
            EXPECT_EQ(std::memcmp(&r, &once, sizeof once), 0);
        }
    }
    // Every other key, left at its factory entry with an empty record, stays as it was.
    for (int s = 0; s < kPhysicalSlots; ++s) {
        if (s == kSlotQ) continue;
        EXPECT_EQ((*records)[s].type, 0) << s;
        EXPECT_EQ((*records)[s].length, 0) << s;
    }
}

}  // namespace
}  // namespace vandrel
