// Report descriptors and the choice of the two channels among enumeration
// records, on made-up devices.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "device/Discovery.h"
#include "device/ReportDescriptor.h"

namespace vandrel {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An application collection with `inputBytes` of input under report id `id`
// (none when 0).
Bytes collection(uint16_t page, uint8_t usage, uint8_t id, uint8_t inputBytes) {
    Bytes d = {0x06, static_cast<uint8_t>(page), static_cast<uint8_t>(page >> 8), 0x09, usage, 0xA1, 0x01};
    if (id) d = d + Bytes{0x85, id};
    return d + Bytes{0x75, 0x08, 0x95, inputBytes, 0x81, 0x02, 0xC0};
}

// The keyboard's second interface: keyboard, consumer, system, vendor.
Bytes listenInterface(uint8_t vendorId = 4, uint8_t vendorBytes = 3) {
    return collection(0x01, 0x06, 1, 8) + collection(0x0C, 0x01, 2, 2) + collection(0x01, 0x80, 3, 1) +
           collection(0xFF00, 0x01, vendorId, vendorBytes);
}

const Bytes kCommandInterface = {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08, 0xB1, 0x02,
                                 0x95, 0x40, 0x81, 0x02, 0x95, 0x40, 0x91, 0x02, 0xC0};

TEST(ReportDescriptor, TopLevelCollectionsWithTheirInputReports) {
    const ReportDescriptorInfo info = parseReportDescriptor(listenInterface());
    EXPECT_TRUE(info.wellFormed);
    EXPECT_TRUE(info.usesReportIds);
    ASSERT_EQ(info.collections.size(), 4u);
    EXPECT_EQ(info.collections[1].usagePage, 0x0C);
    EXPECT_EQ(info.collections[3].usagePage, 0xFF00);
    EXPECT_EQ(info.collections[3].usage, 0x01);
    ASSERT_EQ(info.collections[3].inputs.size(), 1u);
    EXPECT_EQ(info.collections[3].inputs[0].reportId, 4);
    EXPECT_EQ(info.collections[3].inputs[0].bits, 24u);
    ASSERT_NE(info.collections[0].inputOfSize(8), nullptr);
    EXPECT_EQ(info.collections[0].inputOfSize(3), nullptr);
}

TEST(ReportDescriptor, UnnumberedNestedAndOutputOnlyParts) {
    // Output and feature items add no input; the nested collection belongs to its parent.
    const ReportDescriptorInfo cmd = parseReportDescriptor(kCommandInterface);
    ASSERT_EQ(cmd.collections.size(), 1u);
    EXPECT_FALSE(cmd.usesReportIds);
    ASSERT_NE(cmd.collections[0].inputOfSize(64), nullptr);
    EXPECT_EQ(cmd.collections[0].inputs[0].reportId, 0);

    const Bytes nested = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x75, 0x08, 0x95, 0x02,
                          0x81, 0x02, 0xC0, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0};
    const ReportDescriptorInfo n = parseReportDescriptor(nested);
    ASSERT_EQ(n.collections.size(), 1u);
    EXPECT_EQ(n.collections[0].usage, 0x02);
    EXPECT_NE(n.collections[0].inputOfSize(3), nullptr);
}

TEST(ReportDescriptor, LongItemsPushPopAndExtendedUsages) {
    const Bytes d = {
        0xFE, 0x02, 0x10, 0xAA, 0xBB,                    // long item, skipped
        0x0B, 0x01, 0x00, 0x00, 0xFF,                    // usage 0xFF000001 (page in the high half)
        0xA1, 0x01, 0x85, 0x07, 0x75, 0x08, 0x95, 0x03,  //
        0xA4, 0x75, 0x10, 0x95, 0x01, 0xB1, 0x02, 0xB4,  // push, a 16-bit feature, pop
        0x81, 0x02, 0xC0};
    const ReportDescriptorInfo info = parseReportDescriptor(d);
    EXPECT_TRUE(info.wellFormed);
    ASSERT_EQ(info.collections.size(), 1u);
    EXPECT_EQ(info.collections[0].usagePage, 0xFF00);
    EXPECT_EQ(info.collections[0].usage, 0x0001);
    ASSERT_NE(info.collections[0].inputOfSize(3), nullptr);
    EXPECT_EQ(info.collections[0].inputOfSize(3)->reportId, 7);
}

TEST(ReportDescriptor, BrokenDescriptorsAreFlaggedNotOverread) {
    const Bytes full = listenInterface();
    // Cut between a report-id prefix and its data byte.
    const Bytes cut(full.begin(), full.end() - 8);
    const ReportDescriptorInfo info = parseReportDescriptor(cut);
    EXPECT_FALSE(info.wellFormed);
    EXPECT_EQ(info.collections.size(), 4u);
    EXPECT_TRUE(info.collections[3].inputs.empty());

    EXPECT_FALSE(parseReportDescriptor(Bytes{0xC0}).wellFormed);                    // end without begin
    EXPECT_FALSE(parseReportDescriptor(Bytes{0xA1, 0x01}).wellFormed);              // never closed
    EXPECT_FALSE(parseReportDescriptor(Bytes{0x27, 0xFF, 0xFF}).wellFormed);        // 4-byte item, 2 bytes left
    EXPECT_FALSE(parseReportDescriptor(Bytes{0xFE, 0x10, 0x00, 0x01}).wellFormed);  // long item cut short
    EXPECT_TRUE(parseReportDescriptor(Bytes{}).collections.empty());

    // Random bytes: runs under the sanitizers to catch any read past the end.
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        Bytes junk(rng() % 64);
        for (uint8_t& b : junk) b = static_cast<uint8_t>(rng());
        const ReportDescriptorInfo info = parseReportDescriptor(junk.data(), junk.size());
        // A collection takes at least a two-byte item, a report id a two-byte
        // item of its own: junk never yields more than its bytes can hold.
        EXPECT_LE(info.collections.size(), junk.size() / 2);
        size_t inputs = 0;
        for (const TopLevelCollection& c : info.collections) {
            inputs += c.inputs.size();
            for (const InputReportInfo& r : c.inputs) {
                if (!info.usesReportIds) {
                    EXPECT_EQ(r.reportId, 0);
                }
            }
        }
        EXPECT_LE(inputs, junk.size());
        // Report ids only come from a Report ID item (prefix 0x84..0x87).
        if (info.usesReportIds) {
            EXPECT_TRUE(std::any_of(junk.begin(), junk.end(), [](uint8_t b) { return (b & 0xFC) == 0x84; }));
        }
    }
}

// ---- channel choice

HidRecord rec(std::string path, int iface = -1, Bytes descriptor = {}, std::string usb = "") {
    HidRecord r;
    r.path = std::move(path);
    r.vendorId = kKeyboardVendorId;
    r.productId = kKeyboardProductId;
    r.interfaceNumber = iface;
    r.reportDescriptor = std::move(descriptor);
    r.usbDevice = std::move(usb);
    return r;
}

HidRecord foreign(HidRecord r) {
    r.vendorId = 0x046D;
    r.productId = 0xC31C;
    return r;
}

HidRecord locked(HidRecord r) {
    r.canOpen = false;
    return r;
}

std::string winPath(const char* marker, const char* instance) {
    return std::string("\\\\?\\hid#vid_04d9&pid_a124&") + marker + "#" + instance + "#{4d1e55b2}";
}

TEST(ChannelsOnWindows, FirstMatchInEnumerationOrderForEachChannel) {
    const std::vector<HidRecord> records = {
        foreign(rec(winPath("mi_03", "logi"))),       // another maker's device with the marker
        locked(rec(winPath("mi_03", "kbA-held"))),    // held exclusively elsewhere
        rec(winPath("mi_00", "kbA")),
        rec(winPath("MI_03", "kbA-upper")),           // the test is case-sensitive
        rec(winPath("mi_03", "kbB")),
        rec(winPath("mi_01&col04", "kbA")),
        rec(winPath("mi_03", "kbA")),
        rec(winPath("mi_01&col04", "kbB")),
    };
    const ChannelChoice c = chooseChannels(records, ChannelRule::PathMarkers);
    ASSERT_TRUE(c.commandPath && c.listenPath);
    // Two keyboards: each channel takes the first that matches, even if they differ.
    EXPECT_EQ(*c.commandPath, winPath("mi_03", "kbB"));
    EXPECT_EQ(*c.listenPath, winPath("mi_01&col04", "kbA"));
    EXPECT_EQ(c.listenFraming.idByte, ListenFraming::IdByte::ByLength);
}

TEST(ChannelsOnWindows, KeyboardWithoutTheListenCollection) {
    const ChannelChoice c = chooseChannels(
        {rec(winPath("mi_01&col03", "kb")), rec(winPath("mi_03", "kb"))}, ChannelRule::PathMarkers);
    EXPECT_TRUE(c.commandPath);
    EXPECT_FALSE(c.listenPath);
    EXPECT_FALSE(chooseChannels({}, ChannelRule::PathMarkers).commandPath);
}

TEST(ChannelsOnLinux, InterfaceThreeAndTheFourthCollection) {
    // hidapi lists the listen node once per collection, with the same path.
    const std::vector<HidRecord> records = {
        rec("/dev/hidraw4", 0, collection(0x01, 0x06, 0, 8), "1-2"),
        rec("/dev/hidraw5", 1, listenInterface(), "1-2"),
        rec("/dev/hidraw5", 1, listenInterface(), "1-2"),
        rec("/dev/hidraw6", 3, kCommandInterface, "1-2"),
    };
    const ChannelChoice c = chooseChannels(records, ChannelRule::InterfaceNumbers);
    ASSERT_TRUE(c.commandPath && c.listenPath);
    EXPECT_EQ(*c.commandPath, "/dev/hidraw6");
    EXPECT_EQ(*c.listenPath, "/dev/hidraw5");
    EXPECT_EQ(c.listenFraming.idByte, ListenFraming::IdByte::Present);
    ASSERT_TRUE(c.listenFraming.reportId);
    EXPECT_EQ(*c.listenFraming.reportId, 4);
}

TEST(ChannelsOnLinux, TwoKeyboardsStayApart) {
    const std::vector<HidRecord> records = {
        rec("/dev/hidraw1", 1, listenInterface(9), "3-1"),  // the other keyboard's listen interface comes first
        foreign(rec("/dev/hidraw0", 3, kCommandInterface, "2-1")),
        locked(rec("/dev/hidraw2", 3, kCommandInterface, "1-4")),
        rec("/dev/hidraw3", 3, kCommandInterface, "1-5"),
        rec("/dev/hidraw4", 1, listenInterface(4), "1-5"),
        rec("/dev/hidraw5", 3, kCommandInterface, "3-1"),
    };
    const ChannelChoice c = chooseChannels(records, ChannelRule::InterfaceNumbers);
    ASSERT_TRUE(c.commandPath && c.listenPath);
    EXPECT_EQ(*c.commandPath, "/dev/hidraw3");
    EXPECT_EQ(*c.listenPath, "/dev/hidraw4");
    EXPECT_EQ(*c.listenFraming.reportId, 4);
}

TEST(ChannelsOnLinux, NoListenCollection) {
    const struct {
        const char* name;
        Bytes descriptor;
    } cases[] = {
        {"three collections", collection(0x01, 0x06, 1, 8) + collection(0x0C, 0x01, 2, 2) + collection(0xFF00, 1, 3, 3)},
        {"fourth collection with 4-byte reports", listenInterface(4, 4)},
        {"no descriptor", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChannelChoice choice = chooseChannels(
            {rec("/dev/hidraw1", 1, c.descriptor, "1-1"), rec("/dev/hidraw2", 3, kCommandInterface, "1-1")},
            ChannelRule::InterfaceNumbers);
        EXPECT_TRUE(choice.commandPath);
        EXPECT_FALSE(choice.listenPath);
    }
}

TEST(ChannelsOnLinux, UnnumberedListenInterfaceHasNoIdByte) {
    // A fourth collection on an interface without report ids (malformed but seen).
    const Bytes d = collection(1, 6, 0, 8) + collection(0xC, 1, 0, 2) + collection(1, 0x80, 0, 1) +
                    collection(0xFF00, 1, 0, 3);
    const ChannelChoice c = chooseChannels({rec("/dev/hidraw1", 1, d)}, ChannelRule::InterfaceNumbers);
    ASSERT_TRUE(c.listenPath);
    EXPECT_EQ(c.listenFraming.idByte, ListenFraming::IdByte::Absent);
    EXPECT_FALSE(c.listenFraming.reportId);
}

}  // namespace
}  // namespace vandrel
