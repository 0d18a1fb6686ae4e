// A save checked by reading back what it wrote: a keyboard that keeps one
// wrong byte is caught whatever the section and the byte, and a keyboard gone
// during the check leaves the change unsaved.

#include <gtest/gtest.h>

#include <functional>

#include "tests/device/SimFixture.h"

namespace vandrel::test {
namespace {

struct BulkCase {
    const char* name;
    std::function<void(DeviceImage&)> edit;
    std::function<bool(const ChangeFlags&)> flagged;  // the section reported as differing
    int bytes;                                        // the section's size
};

const BulkCase kBulk[] = {
    {"key map", [](DeviceImage& im) { im.deviceKeyMap[40] ^= 0x10; }, [](const ChangeFlags& f) { return f.keyMap; },
     static_cast<int>(kKeyMapBytes)},
    {"key mask", [](DeviceImage& im) { im.keyMask[9] ^= 0x04; }, [](const ChangeFlags& f) { return f.keyMask; },
     static_cast<int>(kKeyMaskBytes)},
    {"macro slot 17", [](DeviceImage& im) { im.macroSlots[17][0] = 0x33; },
     [](const ChangeFlags& f) { return f.macro[17]; }, static_cast<int>(kMacroSlotBytes)},
    {"custom map 3", [](DeviceImage& im) { im.diyMaps[3][100] = 0x80; },
     [](const ChangeFlags& f) { return f.diy[3]; }, static_cast<int>(kDiyMapBytes)},
};

TEST(VerifiedWrite, AWrongByteIsCaughtWhereverItFalls) {
    for (const BulkCase& c : kBulk) {
        for (int offset : {0, 1, c.bytes / 2, c.bytes - 1}) {
            SCOPED_TRACE(std::string(c.name) + " byte " + std::to_string(offset));
            SimSession s;
            s.connect();
            s.keyboard.setStoreFault(offset);
            c.edit(s.image);
            const ShadowImage before = s.shadow;
            ReadBackResult check;
            const WriteResult r = s.session.writeAllVerified(s.image, s.shadow, check);
            EXPECT_EQ(r.outcome, TransferOutcome::Mismatch);
            EXPECT_EQ(r.step, WriteStep::ReadBack);
            EXPECT_TRUE(c.flagged(check.differing));
            EXPECT_EQ(check.differing.stepCount(), 3);  // that section alone (plus the lighting frames)
            EXPECT_TRUE(s.shadow == before);            // nothing counts as saved
        }
    }
}

TEST(VerifiedWrite, AGoodWriteIsReadBackWithoutChangingAnything) {
    SimSession s;
    s.connect();
    s.image.ledEffect = 3;
    for (auto& c : s.image.ledPalette) c[2] ^= 0x40;
    s.image.responseTime = 7;
    s.image.macroSlots[2][5] = 9;
    ReadBackResult check;
    const WriteResult r = s.session.writeAllVerified(s.image, s.shadow, check);
    ASSERT_TRUE(r.ok()) << transferOutcomeName(r.outcome);
    EXPECT_TRUE(check.matches());
    // Lighting, seven colours, response time, one macro slot.
    EXPECT_EQ(check.requests, 10);
    EXPECT_TRUE(s.shadow == s.image);
    // The check only asks: every frame after the closing lighting frame is a get or a read.
    const std::vector<std::string> frames = framesOf(s.keyboard.events());
    const std::vector<std::string> tail(frames.end() - 10, frames.end());
    for (const std::string& f : tail) {
        const int command = std::stoi(f.substr(3, 2), nullptr, 16);
        EXPECT_GE(command, 0x80) << f;  // get and read requests only
    }
    EXPECT_TRUE(s.keyboard.violations().empty());
}

TEST(VerifiedWrite, KeyboardGoneDuringTheCheck) {
    // How many requests the write alone makes, so that the keyboard can go
    // between the write and its check.
    SimSession probe;
    probe.connect();
    probe.image.deviceKeyMap[8] ^= 1;
    ASSERT_TRUE(probe.session.writeAll(probe.image, probe.shadow).ok());
    const int writeRequests = static_cast<int>(probe.keyboard.events().size());

    for (int extra : {1, 3}) {
        SCOPED_TRACE(extra);
        SimSession s;
        s.connect();
        s.image.deviceKeyMap[8] ^= 1;
        const ShadowImage before = s.shadow;
        s.keyboard.unplugAfterRequests(writeRequests + extra);
        ReadBackResult check;
        const WriteResult r = s.session.writeAllVerified(s.image, s.shadow, check);
        EXPECT_EQ(r.outcome, TransferOutcome::DeviceGone);
        EXPECT_EQ(r.step, WriteStep::ReadBack);
        EXPECT_TRUE(s.shadow == before);
    }
}

}  // namespace
}  // namespace vandrel::test
