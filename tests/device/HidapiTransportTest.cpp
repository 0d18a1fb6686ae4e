// The production hidapi transport, linked against a stand-in hidapi that
// routes to the simulated keyboard, with the device nodes and the sysfs tree
// laid out in a temp folder: report ids, the two read lengths, failures, the
// input drain, the sysfs look-ups, and a whole session through it.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "device/Commands.h"
#include "device/HidapiTransport.h"
#include "tests/device/SimFixture.h"
#include "tests/device/fakehid/FakeHid.h"
#include "tests/support/TempFolder.h"

namespace vandrel::test {
namespace {

namespace fs = std::filesystem;

// The simulated keyboard's nodes as the kernel shows them: dev/hidrawN, and
// sys/class/hidraw/hidrawN/device linking to the HID device below its USB
// interface (".../1-2/1-2:1.<interface>/0003:04D9:A124.000N").
struct HidFixture {
    explicit HidFixture(fakehid::Options options = {}) : keyboard(clock) {
        const fs::path dev = folder.path() / "dev";
        fs::create_directories(dev);
        fs::create_directories(sysfs());
        for (const HidRecord& r : keyboard.enumerate()) {
            const std::string node = r.path.substr(r.path.rfind(':') + 1);
            if (fs::exists(dev / node)) continue;  // one node serves several collections
            writeAll(dev / node, {});
            const fs::path hidDevice = folder.path() / "sys/devices/pci0000:00/usb1/1-2" /
                                       ("1-2:1." + std::to_string(r.interfaceNumber)) /
                                       ("0003:04D9:A124.000" + node.substr(6));
            fs::create_directories(hidDevice);
            writeAll(hidDevice / "report_descriptor", r.reportDescriptor);
            fs::create_directories(sysfs() / node);
            fs::create_directory_symlink(hidDevice, sysfs() / node / "device");
        }
        fakehid::attach(keyboard, dev, options);
    }
    ~HidFixture() { fakehid::detach(); }

    fs::path sysfs() const { return folder.path() / "sys/class/hidraw"; }
    std::string node(const char* name) const { return (folder.path() / "dev" / name).string(); }
    ChannelId openCommand(HidapiTransport& t) const {
        const ChannelId ch = t.open(node("hidraw2"));
        EXPECT_NE(ch, kNoChannel);
        return ch;
    }

    TempFolder folder;
    VirtualClock clock;
    SimKeyboard keyboard;
};

TEST(HidapiTransport, EnumerationTakesDescriptorsAndTheUsbDeviceFromSysfs) {
    HidFixture f;
    const std::vector<HidRecord> simRecords = f.keyboard.enumerate();
    {
        HidapiTransport t(f.sysfs().string());
        const std::vector<HidRecord> records = t.enumerate();
        ASSERT_EQ(records.size(), simRecords.size());
        for (size_t i = 0; i < records.size(); ++i) {
            SCOPED_TRACE(records[i].path);
            EXPECT_EQ(records[i].reportDescriptor, simRecords[i].reportDescriptor);
            EXPECT_EQ(records[i].usbDevice, "1-2");
            EXPECT_EQ(records[i].interfaceNumber, simRecords[i].interfaceNumber);
            EXPECT_TRUE(records[i].canOpen);
        }
        const ChannelChoice c = chooseChannels(records, ChannelRule::InterfaceNumbers);
        EXPECT_EQ(c.commandPath, f.node("hidraw2"));
        EXPECT_EQ(c.listenPath, f.node("hidraw1"));
        EXPECT_EQ(c.listenFraming.idByte, ListenFraming::IdByte::Present);
    }

    // A node the kernel lists without its sysfs entry has no descriptor and no
    // USB device: it can never become the listen channel.
    fs::remove_all(f.sysfs() / "hidraw1");
    HidapiTransport t(f.sysfs().string());
    for (const HidRecord& r : t.enumerate()) {
        if (r.path != f.node("hidraw1")) continue;
        EXPECT_TRUE(r.reportDescriptor.empty());
        EXPECT_TRUE(r.usbDevice.empty());
    }
    EXPECT_FALSE(chooseChannels(t.enumerate(), ChannelRule::InterfaceNumbers).listenPath);
    EXPECT_EQ(fakehid::initialised(), 1);
}

TEST(HidapiTransport, FeatureReportsCarryReportIdZeroInFront) {
    HidFixture f;
    f.keyboard.setFirmwareVersion(4, 2);
    HidapiTransport t(f.sysfs().string());
    const ChannelId ch = f.openCommand(t);
    ASSERT_EQ(t.sendFeature(ch, frames::getFirmwareVersion()), IoStatus::Ok);
    // Whatever the buffer held before, the request names report 0.
    CommandFrame answer;
    answer.bytes.fill(0xAA);
    ASSERT_EQ(t.getFeature(ch, answer), IoStatus::Ok);
    EXPECT_EQ(answer.bytes[0], 0);
    EXPECT_EQ(answer.at(2), 4);
    EXPECT_EQ(answer.at(3), 2);

    const std::vector<fakehid::Call> calls = fakehid::calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const fakehid::Call& c : calls) {
        SCOPED_TRACE(c.function);
        EXPECT_EQ(c.length, 9u);
        EXPECT_EQ(c.firstByte, 0);
    }
    t.close(ch);
    EXPECT_EQ(fakehid::openDevices(), 0);
}

// hidraw hands an unnumbered data block over as 64 bytes, Windows as 65 with
// the id in front: both give the same block.
TEST(HidapiTransport, DataBlocksReadAsSixtyFourOrSixtyFiveBytes) {
    for (bool withId : {false, true}) {
        SCOPED_TRACE(withId ? "65 bytes" : "64 bytes");
        fakehid::Options o;
        o.blocksWithReportId = withId;
        HidFixture f(o);
        DeviceImage kb = f.keyboard.config();
        for (size_t i = 0; i < kKeyMapBytes; ++i) kb.deviceKeyMap[i] = static_cast<uint8_t>(i * 5 + 1);
        f.keyboard.setConfig(kb);
        HidapiTransport t(f.sysfs().string());
        const ChannelId ch = f.openCommand(t);
        ASSERT_EQ(t.sendFeature(ch, frames::readKeyMap()), IoStatus::Ok);
        for (size_t k = 0; k < kKeyMapBytes / DataBlock::kDataBytes; ++k) {
            DataBlock b;
            b.bytes.fill(0xCC);
            ASSERT_EQ(t.readBlock(ch, b, 100), IoStatus::Ok);
            EXPECT_EQ(b.bytes[0], 0);
            EXPECT_EQ(std::memcmp(b.data(), kb.deviceKeyMap + k * DataBlock::kDataBytes, DataBlock::kDataBytes), 0)
                << "block " << k;
        }
        // A block written goes out as 65 bytes with report id 0.
        fakehid::clearCalls();
        ASSERT_EQ(t.sendFeature(ch, frames::writeKeyMask()), IoStatus::Ok);
        DataBlock mask;
        mask.data()[0] = 0x7F;
        ASSERT_EQ(t.writeBlock(ch, mask), IoStatus::Ok);
        const fakehid::Call write = fakehid::calls().back();
        EXPECT_EQ(write.function, "hid_write");
        EXPECT_EQ(write.length, 65u);
        EXPECT_EQ(write.firstByte, 0);
        EXPECT_EQ(f.keyboard.config().keyMask[0], 0x7F);
    }
}

TEST(HidapiTransport, FailuresMapToGoneOnlyWhenTheKeyboardLeft) {
    const struct {
        const char* name;
        int errnoLeft;      // -1: the errno that matches the failure
        bool unplug;        // the keyboard leaves (otherwise one request fails)
        bool nodeRemoved;   // the device node disappears
        IoStatus expected;
    } cases[] = {
        {"unplugged", -1, true, false, IoStatus::Gone},
        {"request fails, keyboard still there", -1, false, false, IoStatus::Error},
        {"EIO and the node vanished", EIO, false, true, IoStatus::Gone},
        {"errno lost and the node vanished", 0, false, true, IoStatus::Gone},
        {"ESHUTDOWN", ESHUTDOWN, false, false, IoStatus::Gone},
        {"ENOENT", ENOENT, false, false, IoStatus::Gone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakehid::Options o;
        o.failureErrno = c.errnoLeft;
        HidFixture f(o);
        HidapiTransport t(f.sysfs().string());
        const ChannelId ch = f.openCommand(t);
        if (c.nodeRemoved) fs::remove(f.node("hidraw2"));
        if (c.unplug) {
            f.keyboard.unplug();
        } else {
            f.keyboard.failRequest(SimEvent::Kind::SetFeature);
            f.keyboard.failRequest(SimEvent::Kind::GetFeature);
            f.keyboard.failRequest(SimEvent::Kind::WriteBlock);
            f.keyboard.failRequest(SimEvent::Kind::ReadBlock);
        }
        CommandFrame answer;
        DataBlock block;
        EXPECT_EQ(t.sendFeature(ch, frames::getLighting()), c.expected);
        EXPECT_EQ(t.getFeature(ch, answer), c.expected);
        EXPECT_EQ(t.writeBlock(ch, block), c.expected);
        EXPECT_EQ(t.readBlock(ch, block, 10), c.expected);
    }
}

TEST(HidapiTransport, DrainDropsStaleBlocksAndNothingElse) {
    HidFixture f;
    HidapiTransport t(f.sysfs().string());
    const ChannelId ch = f.openCommand(t);
    DataBlock b;
    EXPECT_EQ(t.readBlock(ch, b, 10), IoStatus::Timeout);  // nothing queued

    // A key map request whose blocks nobody read, then a macro request.
    ASSERT_EQ(t.sendFeature(ch, frames::readKeyMap()), IoStatus::Ok);
    t.discardInput(ch);
    EXPECT_EQ(t.readBlock(ch, b, 10), IoStatus::Timeout);
    DeviceImage kb = f.keyboard.config();
    kb.macroSlots[3][0] = 0x5C;
    f.keyboard.setConfig(kb);
    ASSERT_EQ(t.sendFeature(ch, frames::readMacro(3)), IoStatus::Ok);
    ASSERT_EQ(t.readBlock(ch, b, 10), IoStatus::Ok);
    EXPECT_EQ(b.data()[0], 0x5C);
}

// The whole path of the program: discovery, the start-up read, a save that
// waits for acknowledgements read from the listen node, closing.
TEST(HidapiTransport, ASessionThroughHidapi) {
    HidFixture f;
    f.keyboard.setFirmwareVersion(1, 8);
    {
        HidapiTransport t(f.sysfs().string());
        DeviceSession session(t, f.clock);
        const OpenResult opened = session.openChannels();
        ASSERT_TRUE(opened.commandOpened && opened.listenOpened);
        DeviceImage image{};
        FirmwareVersion fw;
        ASSERT_EQ(session.initialRead(image, fw), TransferOutcome::Completed);
        EXPECT_EQ(fw.minor, 8);
        EXPECT_EQ(std::memcmp(image.deviceKeyMap, f.keyboard.config().deviceKeyMap, kKeyMapBytes), 0);

        ShadowImage shadow = image;
        image.ledBrightness = 12;
        image.macroSlots[0][1] = 0x44;
        EXPECT_TRUE(session.writeAll(image, shadow).ok());
        EXPECT_TRUE(shadow == image);
        EXPECT_EQ(f.keyboard.config().ledBrightness, 12);
        EXPECT_TRUE(f.keyboard.violations().empty());

        // Unplugged: the next save says so at once.
        f.keyboard.unplug();
        image.ledBrightness = 30;
        EXPECT_EQ(session.writeAll(image, shadow).outcome, TransferOutcome::DeviceGone);
        session.closeChannels();
        EXPECT_EQ(fakehid::openDevices(), 0);
    }
    EXPECT_EQ(fakehid::initialised(), 0);
}

}  // namespace
}  // namespace vandrel::test
