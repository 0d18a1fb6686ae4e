// Requests that fail while the keyboard stays plugged in: which outcome the
// caller sees, what the image keeps, and that no failed transfer becomes the
// save baseline. Also the read after the keyboard came back.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>

#include "device/Commands.h"
#include "tests/device/SimFixture.h"

namespace vandrel::test {
namespace {

// Where a request sits in a transfer: the `nth` request of `kind` that follows
// the frame with command `command` (and, when `index` >= 0, that index byte),
// counted among all requests of `kind` the probe saw. -1 when there is none.
int ordinalOf(const std::vector<SimEvent>& events, SimEvent::Kind kind, uint8_t command, int index = -1,
              int nth = 0) {
    int seen = 0;
    int inFrame = 0;
    bool matching = false;
    for (const SimEvent& e : events) {
        if (e.kind == SimEvent::Kind::SetFeature) {
            matching = e.bytes[1] == command && (index < 0 || e.bytes[3] == index);
            inFrame = 0;
            if (kind == SimEvent::Kind::SetFeature && matching) return seen;
        }
        if (e.kind != kind) continue;
        if (kind != SimEvent::Kind::SetFeature && matching && inFrame++ == nth) return seen;
        ++seen;
    }
    return -1;
}

// A byte range of the image.
struct Section {
    size_t offset, size;
};
#define SECTION(field) Section{offsetof(DeviceImage, field), sizeof(DeviceImage::field)}

bool sameBytes(const DeviceImage& a, const DeviceImage& b, Section s) {
    return std::memcmp(a.bytes() + s.offset, b.bytes() + s.offset, s.size) == 0;
}

// ---- the read after the keyboard came back

// A connected session whose keyboard has moved on from the session's image:
// other settings everywhere and firmware 3.9.
struct Replugged : SimSession {
    Replugged() {
        connect();
        keyboard.setConfig(everythingChanged(keyboard.config()));
        keyboard.setFirmwareVersion(3, 9);
        keyboard.clearRecord();
    }
};

TEST(ReconnectRead, ReadsAllThenTheCustomMapsAgainThenTheFirmware) {
    Replugged s;
    FirmwareVersion fw;  // the version before the read is unknown (0.0)
    ASSERT_EQ(s.session.reconnectRead(s.image, fw), TransferOutcome::Completed);

    // Without the version the window would take 0.0 and offer an update on
    // every reconnection.
    EXPECT_EQ(fw.major, 3);
    EXPECT_EQ(fw.minor, 9);
    const std::vector<std::string> frames = framesOf(s.keyboard.events());
    ASSERT_EQ(frames.size(), 57u);  // ReadAll's 51, five custom maps, the firmware
    const std::vector<std::string> tail(frames.end() - 6, frames.end());
    const std::vector<std::string> expectedTail = {
        "00 92 00 00 08 00 00 00 65", "00 92 00 01 08 00 00 00 64", "00 92 00 02 08 00 00 00 63",
        "00 92 00 03 08 00 00 00 62", "00 92 00 04 08 00 00 00 61", "00 80 00 00 00 00 00 00 7F",
    };
    EXPECT_EQ(tail, expectedTail);
    // The host fetched every block: key map, key mask, macros, two passes of maps.
    int blocks = 0;
    for (const SimEvent& e : s.keyboard.events()) blocks += e.kind == SimEvent::Kind::ReadBlock && !e.bytes.empty();
    EXPECT_EQ(blocks, 8 + 1 + 96 + 40 + 40);

    const DeviceImage kb = s.keyboard.config();
    EXPECT_EQ(std::memcmp(s.image.diyMaps, kb.diyMaps, sizeof(kb.diyMaps)), 0);
    EXPECT_EQ(std::memcmp(s.image.macroSlots, kb.macroSlots, sizeof(kb.macroSlots)), 0);
    EXPECT_EQ(s.image.ledEffect, 51);
    EXPECT_TRUE(s.keyboard.violations().empty());
}

TEST(ReconnectRead, AFailedReadAtTheEndIsNoSuccess) {
    // The requests of a clean reconnection read, to aim the faults.
    Replugged probe;
    FirmwareVersion ignored;
    ASSERT_EQ(probe.session.reconnectRead(probe.image, ignored), TransferOutcome::Completed);
    const std::vector<SimEvent> ev = probe.keyboard.events();
    int frames = 0, gets = 0, blocks = 0;
    for (const SimEvent& e : ev) {
        frames += e.kind == SimEvent::Kind::SetFeature;
        gets += e.kind == SimEvent::Kind::GetFeature;
        blocks += e.kind == SimEvent::Kind::ReadBlock;
    }

    const struct {
        const char* name;
        std::function<void(SimKeyboard&)> fault;
        bool versionRead;
    } cases[] = {
        {"the firmware answer", [&](SimKeyboard& k) { k.failRequest(SimEvent::Kind::GetFeature, gets - 1); }, false},
        // A get after a failed frame would fetch the previous command's answer.
        {"the firmware frame", [&](SimKeyboard& k) { k.failRequest(SimEvent::Kind::SetFeature, frames - 1); }, false},
        {"the last block of the second custom-map pass", [&](SimKeyboard& k) { k.dropBlockToHost(blocks - 1); },
         true},
        {"a frame of the second custom-map pass",
         [&](SimKeyboard& k) { k.failRequest(SimEvent::Kind::SetFeature, frames - 3); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Replugged s;
        c.fault(s.keyboard);
        FirmwareVersion fw;
        fw.major = 1;
        fw.minor = 2;
        EXPECT_EQ(s.session.reconnectRead(s.image, fw), TransferOutcome::IoError);
        EXPECT_EQ(fw.major, c.versionRead ? 3 : 1);
        EXPECT_EQ(fw.minor, c.versionRead ? 9 : 2);
    }
}

// ---- failed requests of a read

using Fault = std::function<void(SimKeyboard&, const std::vector<SimEvent>& probe)>;

Fault failAnswer(uint8_t command, int index = -1) {
    return [=](SimKeyboard& k, const std::vector<SimEvent>& ev) {
        k.failRequest(SimEvent::Kind::GetFeature, ordinalOf(ev, SimEvent::Kind::GetFeature, command, index));
    };
}
Fault failFrame(uint8_t command, int index = -1) {
    return [=](SimKeyboard& k, const std::vector<SimEvent>& ev) {
        k.failRequest(SimEvent::Kind::SetFeature, ordinalOf(ev, SimEvent::Kind::SetFeature, command, index));
    };
}
Fault loseBlock(uint8_t command, int index, int nth) {
    return [=](SimKeyboard& k, const std::vector<SimEvent>& ev) {
        k.dropBlockToHost(ordinalOf(ev, SimEvent::Kind::ReadBlock, command, index, nth));
    };
}

TEST(ReadFaults, AFailedRequestLeavesItsSectionAsItWas) {
    Replugged probe;
    ASSERT_EQ(probe.session.readAll(probe.image), TransferOutcome::Completed);
    const std::vector<SimEvent> probeEvents = probe.keyboard.events();

    const Section lighting{offsetof(DeviceImage, ledEffect), 5};
    const Section keyMaskAndLock{offsetof(DeviceImage, keyMask), kKeyMaskBytes + 1};
    const struct {
        const char* name;
        Section section;
        Fault fault;
    } cases[] = {
        {"lighting answer", lighting, failAnswer(cmd::GetLighting)},
        {"lighting frame", lighting, failFrame(cmd::GetLighting)},
        {"colour 3 answer", Section{offsetof(DeviceImage, ledPalette) + 9, 3}, failAnswer(cmd::GetColor, 3)},
        {"game mode answer", SECTION(gameMode), failAnswer(cmd::GetGameMode)},
        {"report rate answer", SECTION(reportRate), failAnswer(cmd::GetReportRate)},
        {"response time answer", SECTION(responseTime), failAnswer(cmd::GetResponseTime)},
        {"key map answer", SECTION(deviceKeyMap), failAnswer(cmd::ReadKeyMap)},
        {"key map block 4 lost", SECTION(deviceKeyMap), loseBlock(cmd::ReadKeyMap, -1, 4)},
        {"key mask block lost", keyMaskAndLock, loseBlock(cmd::ReadKeyMask, -1, 0)},
        {"macro 5 block 2 lost", Section{offsetof(DeviceImage, macroSlots) + 5 * kMacroSlotBytes, kMacroSlotBytes},
         loseBlock(cmd::ReadMacro, 5, 2)},
        {"custom map 2 last block lost", Section{offsetof(DeviceImage, diyMaps) + 2 * kDiyMapBytes, kDiyMapBytes},
         loseBlock(cmd::ReadCustomLighting, 2, 7)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Replugged s;
        std::memset(s.image.bytes() + c.section.offset, 0xEE, c.section.size);
        const DeviceImage before = s.image;
        c.fault(s.keyboard, probeEvents);
        EXPECT_EQ(s.session.readAll(s.image), TransferOutcome::IoError);
        EXPECT_TRUE(sameBytes(s.image, before, c.section));

        // Every other section holds what the keyboard holds.
        DeviceImage clean = before;
        ASSERT_EQ(s.session.readAll(clean), TransferOutcome::Completed);
        EXPECT_FALSE(sameBytes(clean, before, c.section));
        std::memcpy(clean.bytes() + c.section.offset, before.bytes() + c.section.offset, c.section.size);
        EXPECT_TRUE(clean == s.image);
    }
}

TEST(ReadFaults, AFailedCheckOfAWriteKeepsTheChangeUnsaved) {
    // The write itself fetches nothing: the first answer and the first blocks
    // the keyboard sends belong to the read-back.
    const struct {
        const char* name;
        std::function<void(SimKeyboard&)> fault;
    } cases[] = {
        {"lighting answer", [](SimKeyboard& k) { k.failRequest(SimEvent::Kind::GetFeature, 0); }},
        {"second macro block", [](SimKeyboard& k) { k.dropBlockToHost(1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        s.connect();
        s.image.ledEffect = 3;
        s.image.macroSlots[4][70] = 9;
        const ShadowImage before = s.shadow;
        c.fault(s.keyboard);
        ReadBackResult check;
        const WriteResult r = s.session.writeAllVerified(s.image, s.shadow, check);
        EXPECT_EQ(r.outcome, TransferOutcome::IoError);
        EXPECT_EQ(r.step, WriteStep::ReadBack);
        EXPECT_TRUE(s.shadow == before);
    }
}

// ---- failed requests of a write

TEST(WriteFaults, AFailedFrameOrBlockIsAnIoErrorAndSavesNothing) {
    const struct {
        const char* name;
        std::function<void(DeviceImage&)> edit;
        SimEvent::Kind kind;
        int skip;  // requests of that kind that still go through
        WriteStep step;
        int index;
    } cases[] = {
        {"closing lighting frame", [](DeviceImage& im) { im.ledBrightness = 20; }, SimEvent::Kind::SetFeature, 1,
         WriteStep::LightingClose, -1},
        {"fourth colour frame", [](DeviceImage& im) { for (auto& c : im.ledPalette) c[0] ^= 1; },
         SimEvent::Kind::SetFeature, 4, WriteStep::Palette, -1},
        {"key-map block 5", [](DeviceImage& im) { im.deviceKeyMap[0] ^= 1; }, SimEvent::Kind::WriteBlock, 4,
         WriteStep::KeyMap, -1},
        {"last block of macro slot 6", [](DeviceImage& im) { im.macroSlots[6][0] = 3; }, SimEvent::Kind::WriteBlock, 2,
         WriteStep::Macro, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        s.connect();
        c.edit(s.image);
        const ShadowImage before = s.shadow;
        s.keyboard.failRequest(c.kind, c.skip);
        const WriteResult r = s.session.writeAll(s.image, s.shadow);
        EXPECT_EQ(r.outcome, TransferOutcome::IoError);
        EXPECT_EQ(r.step, c.step);
        EXPECT_EQ(r.index, c.index);
        EXPECT_LT(r.stepsDone, r.stepsTotal);
        EXPECT_TRUE(s.shadow == before);
        // After a failed step the keyboard is lit again by the closing frame.
        if (c.step != WriteStep::LightingClose) {
            EXPECT_EQ(framesOf(s.keyboard.events()).back().substr(0, 8), "00 08 02");
        }
        // The same write goes through once the fault is over.
        EXPECT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
        EXPECT_TRUE(s.shadow == s.image);
    }
}

TEST(Outcomes, ACommandKeepsTheWorstStatusOfItsRequests) {
    const IoStatus order[] = {IoStatus::Ok, IoStatus::Timeout, IoStatus::Error, IoStatus::Gone};
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(worseOf(order[a], order[b]), order[a > b ? a : b]) << a << " " << b;
        }

    // A failure in the middle of a sequence outlives the requests after it.
    SimSession s;
    s.connect();
    s.keyboard.failRequest(SimEvent::Kind::SetFeature, 1);  // the first of the two game-mode frames
    EXPECT_EQ(s.session.factoryReset(), TransferOutcome::IoError);
    EXPECT_EQ(framesOf(s.keyboard.events()).size(), 2u);  // the reset and the last game-mode frame
}

}  // namespace
}  // namespace vandrel::test
