// The whole-configuration transfers against the simulated keyboard on a
// virtual clock: what goes over the wire, in which order, with which pauses,
// and what a failed write leaves behind.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "device/Commands.h"
#include "keymap/KeyTables.h"
#include "tests/device/SimFixture.h"

namespace vandrel::test {
namespace {

struct TimedFrame {
    int64_t ms;
    std::string hex;
    bool operator==(const TimedFrame& o) const { return ms == o.ms && hex == o.hex; }
};
std::ostream& operator<<(std::ostream& os, const TimedFrame& f) { return os << f.ms << " ms: " << f.hex; }

std::vector<TimedFrame> timedFrames(const std::vector<SimEvent>& events, int64_t startUs) {
    std::vector<TimedFrame> out;
    for (const SimEvent& e : events)
        if (e.kind == SimEvent::Kind::SetFeature) out.push_back({(e.atUs - startUs) / 1000, hex(e.bytes)});
    return out;
}

std::string indexed(const char* prefix, int index, int checksum, const char* suffix) {
    char b[64];
    std::snprintf(b, sizeof(b), "%s%02X%s%02X", prefix, index, suffix, checksum);
    return b;
}

TEST(InitialRead, OrderAndPauses) {
    SimSession s;
    s.keyboard.setFirmwareVersion(2, 7);
    ASSERT_TRUE(s.session.openChannels().commandOpened);
    const int64_t start = s.clock.nowUs();
    ASSERT_EQ(s.session.initialRead(s.image, s.firmware), TransferOutcome::Completed);

    std::vector<TimedFrame> expected = {
        {0, "00 09 01 00 00 00 00 00 F5"},    // game mode on, 20 ms
        {20, "00 80 00 00 00 00 00 00 7F"},   // firmware: 10 ms, answer, 10 ms
        {40, "00 88 00 00 00 00 00 00 77"},   // lighting: 10 ms, answer
        {50, "00 94 00 00 00 00 00 00 6B"},   // colours: 1 ms, answer, 1 ms each
        {52, "00 94 00 01 00 00 00 00 6A"},  {54, "00 94 00 02 00 00 00 00 69"},
        {56, "00 94 00 03 00 00 00 00 68"},  {58, "00 94 00 04 00 00 00 00 67"},
        {60, "00 94 00 05 00 00 00 00 66"},  {62, "00 94 00 06 00 00 00 00 65"},
        {64, "00 89 00 00 00 00 00 00 76"},   // game mode: 5 ms, answer
        {69, "00 81 00 00 00 00 00 00 7E"},   // report rate: 10 ms, answer, 10 ms
        {89, "00 84 00 00 00 00 00 00 7B"},   // response time: 10 ms, answer, 10 ms
        {109, "00 8D 00 00 00 00 00 00 72"},  // key map, key mask and macros: no pauses
        {109, "00 8E 00 00 15 00 00 00 5C"},
    };
    for (int slot = 0; slot < 32; ++slot) expected.push_back({109, indexed("00 91 00 ", slot, 0x6E - slot, " 00 00 00 00 ")});
    // Custom maps: 5 ms, answer, 5 ms, then each block followed by 5 ms.
    for (int m = 0; m < 5; ++m) expected.push_back({109 + 50 * m, indexed("00 92 00 ", m, 0x65 - m, " 08 00 00 00 ")});

    EXPECT_EQ(timedFrames(s.keyboard.events(), start), expected);
    EXPECT_EQ(s.elapsedMsSince(start), 359);
    EXPECT_TRUE(s.keyboard.violations().empty());

    // Every section now holds the keyboard's values.
    const DeviceImage kb = s.keyboard.config();
    EXPECT_EQ(s.firmware.major, 2);
    EXPECT_EQ(s.firmware.minor, 7);
    EXPECT_EQ(s.image.gameMode, 1);
    EXPECT_EQ(std::memcmp(s.image.deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes), 0);
    EXPECT_EQ(std::memcmp(s.image.ledPalette, kb.ledPalette, sizeof(kb.ledPalette)), 0);
    EXPECT_EQ(std::memcmp(&s.image.responseTime, &kb.responseTime, 6), 0);  // response time and lighting
    EXPECT_EQ(std::memcmp(s.image.keyMask, kb.keyMask, kKeyMaskBytes), 0);
    EXPECT_EQ(s.image.reportRate, 3);
}

TEST(InitialRead, GameModeOffFollowsTheReadOnceWithItsPause) {
    SimSession s;
    ASSERT_TRUE(s.session.openChannels().commandOpened);
    const int64_t start = s.clock.nowUs();
    ASSERT_EQ(s.session.initialRead(s.image, s.firmware), TransferOutcome::Completed);
    const size_t readFrames = timedFrames(s.keyboard.events(), start).size();
    EXPECT_EQ(s.image.gameMode, 1);
    s.image.winLock = 1;
    const uint8_t lockedMaskByte = s.image.keyMask[1] & 0x3E;
    ASSERT_EQ(s.session.restoreGameModeOff(s.image), TransferOutcome::Completed);
    ChangeFlags gameModeOnly;
    gameModeOnly.gameMode = true;  // the next request waits for its 20 ms
    ASSERT_EQ(s.session.readSettings(s.image, gameModeOnly), TransferOutcome::Completed);

    const std::vector<TimedFrame> frames = timedFrames(s.keyboard.events(), start);
    ASSERT_EQ(frames.size(), readFrames + 2);
    EXPECT_EQ(frames[0], (TimedFrame{0, "00 09 01 00 00 00 00 00 F5"}));  // the read is unchanged
    EXPECT_EQ(frames[readFrames], (TimedFrame{359, "00 09 00 00 00 00 00 00 F6"}));
    EXPECT_EQ(frames[readFrames + 1], (TimedFrame{379, "00 89 00 00 00 00 00 00 76"}));
    EXPECT_TRUE(s.keyboard.violations().empty());
    EXPECT_EQ(s.keyboard.config().gameMode, 0);
    EXPECT_EQ(s.image.gameMode, 0);
    // Like every SetGameMode, it carries the Windows-key lock into the key mask.
    EXPECT_EQ(s.image.keyMask[1], lockedMaskByte);

    // A frame that fails leaves the image with what the read found.
    s.image.gameMode = 1;
    s.keyboard.failRequest(SimEvent::Kind::SetFeature);
    EXPECT_NE(s.session.restoreGameModeOff(s.image), TransferOutcome::Completed);
    EXPECT_EQ(s.image.gameMode, 1);
}

TEST(ReadAll, PausesAfterGameModeAndSkipsTheFirmware) {
    SimSession s;
    s.connect();
    const int64_t start = s.clock.nowUs();
    ASSERT_EQ(s.session.readAll(s.image), TransferOutcome::Completed);
    const std::vector<TimedFrame> frames = timedFrames(s.keyboard.events(), start);
    ASSERT_EQ(frames.size(), 51u);
    EXPECT_EQ(frames[0], (TimedFrame{0, "00 09 01 00 00 00 00 00 F5"}));
    EXPECT_EQ(frames[1], (TimedFrame{30, "00 88 00 00 00 00 00 00 77"}));
    EXPECT_EQ(s.elapsedMsSince(start), 349);
    EXPECT_TRUE(s.keyboard.violations().empty());
}

// ---- WriteAll

struct WriteCase {
    const char* name;
    std::function<void(DeviceImage&)> edit;
    std::vector<std::string> writes;  // frames in hex, "B" for each data block
};

std::vector<std::string> blocks(int n) { return std::vector<std::string>(n, "B"); }
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string kOpen = "00 08 01 01 05 00 01 01 EE";   // factory lighting, brightness 0
const std::string kClose = "00 08 02 01 05 32 01 01 BB";  // factory lighting, brightness 50

TEST(WriteAll, SendsOnlyWhatChanged) {
    const WriteCase cases[] = {
        {"nothing edited", [](DeviceImage&) {}, {}},
        {"no-device-data bytes only", [](DeviceImage& im) { im.head[0] = 1; im.gap1[5] = 2; im.tail = 3; }, {}},
        {"brightness", [](DeviceImage& im) { im.ledBrightness = 20; },
         {kOpen, "00 08 02 01 05 14 01 01 D9"}},
        {"one key entry", [](DeviceImage& im) { im.deviceKeyMap[SlotCellOffset[63] + 2] = 0x05; },
         std::vector<std::string>{kOpen, "00 0D 00 00 08 00 00 00 EA"} + blocks(8) + std::vector<std::string>{kClose}},
        {"Windows-key lock", [](DeviceImage& im) { im.winLock = 1; },
         {kOpen, "00 0E 00 00 15 00 00 00 DC", "B", kClose}},
        {"macro slot 31 and custom map 4",
         [](DeviceImage& im) {
             im.macroSlots[31][191] = 0x7F;
             im.diyMaps[4][0] = 0x11;
         },
         std::vector<std::string>{kOpen, "00 11 00 1F 03 00 00 00 CC"} + blocks(3) +
             std::vector<std::string>{"00 12 00 04 08 00 00 00 E1"} + blocks(8) + std::vector<std::string>{kClose}},
        {"game mode, report rate, response time",
         [](DeviceImage& im) {
             im.gameMode = 0;
             im.reportRate = 1;
             im.responseTime = 4;
         },
         {kOpen, "00 09 00 00 00 00 00 00 F6", "00 01 01 00 00 00 00 00 FD", "00 04 04 00 00 00 00 00 F7", kClose}},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        s.connect();
        c.edit(s.image);
        const ShadowImage before = s.shadow;
        const WriteResult r = s.session.writeAll(s.image, s.shadow);
        EXPECT_TRUE(r.ok()) << transferOutcomeName(r.outcome);
        EXPECT_EQ(writesOf(s.keyboard.events()), c.writes);
        EXPECT_TRUE(s.keyboard.violations().empty());
        if (c.writes.empty()) {
            EXPECT_EQ(r.stepsTotal, 0);
            EXPECT_TRUE(s.shadow == before);  // not even the no-device-data bytes are copied
        } else {
            EXPECT_TRUE(s.shadow == s.image);
        }
    }
}

TEST(WriteAll, BrightnessWaitsForTheAcknowledgementBetweenTheFrames) {
    SimSession s;
    s.connect();
    s.keyboard.setAckLatencyUs(30000);  // later than the 20 ms of pauses
    s.image.ledBrightness = 7;
    const int64_t start = s.clock.nowUs();
    ASSERT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
    // The wait ends the moment the acknowledgement arrives, not on a polling step.
    const std::vector<TimedFrame> frames = timedFrames(s.keyboard.events(), start);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].ms, 30);
    EXPECT_EQ(s.keyboard.config().ledBrightness, 7);
}

// Every step of a write of everything, in the order the keyboard needs: each
// frame as its command, variant and parameter bytes, "+n" for the data blocks
// that follow it. Lighting, palette, settings, key map before key mask, the
// macro slots, the custom maps, the closing lighting frame.
const std::vector<std::string> kWriteAllOrder = {
    "08 01 33", "14 00 00", "14 00 01", "14 00 02", "14 00 03", "14 00 04", "14 00 05", "14 00 06",
    "09 00 00", "01 00 00", "04 09 00", "0D 00 00 +8", "0E 00 00 +1", "11 00 00 +3", "11 00 01 +3",
    "11 00 02 +3", "11 00 03 +3", "11 00 04 +3", "11 00 05 +3", "11 00 06 +3", "11 00 07 +3", "11 00 08 +3",
    "11 00 09 +3", "11 00 0A +3", "11 00 0B +3", "11 00 0C +3", "11 00 0D +3", "11 00 0E +3", "11 00 0F +3",
    "11 00 10 +3", "11 00 11 +3", "11 00 12 +3", "11 00 13 +3", "11 00 14 +3", "11 00 15 +3", "11 00 16 +3",
    "11 00 17 +3", "11 00 18 +3", "11 00 19 +3", "11 00 1A +3", "11 00 1B +3", "11 00 1C +3", "11 00 1D +3",
    "11 00 1E +3", "11 00 1F +3", "12 00 00 +8", "12 00 01 +8", "12 00 02 +8", "12 00 03 +8", "12 00 04 +8",
    "08 02 33",
};

TEST(WriteAll, EverySectionChanged) {
    SimSession s;
    s.connect();
    s.image = everythingChanged(s.image);
    std::vector<std::pair<int, int>> progress;
    const int64_t start = s.clock.nowUs();
    const WriteResult r =
        s.session.writeAll(s.image, s.shadow, [&](int done, int total) { progress.emplace_back(done, total); });
    ASSERT_TRUE(r.ok()) << transferOutcomeName(r.outcome) << " at " << writeStepName(r.step);

    // 2 lighting + 7 colour + 3 setting frames + 39 bulk frames with 145 blocks.
    const std::vector<SimEvent> ev = s.keyboard.events();
    EXPECT_EQ(framesOf(ev).size(), 51u);
    EXPECT_EQ(writesOf(ev).size() - framesOf(ev).size(), 145u);
    EXPECT_EQ(r.stepsTotal, 45);  // 44 acknowledged steps and the closing frame
    ASSERT_EQ(progress.size(), 45u);
    EXPECT_EQ(progress.front(), std::make_pair(1, 45));
    EXPECT_EQ(progress.back(), std::make_pair(45, 45));
    // Pauses plus the acknowledgement latencies the pauses do not hide.
    EXPECT_EQ(s.elapsedMsSince(start), 653);
    EXPECT_TRUE(s.keyboard.violations().empty());

    // The keyboard now holds exactly the image.
    DeviceImage kb = s.keyboard.config();
    DeviceImage expected = s.image;
    std::memset(expected.head, 0, sizeof(expected.head));
    std::memset(expected.gap1, 0, sizeof(expected.gap1));
    expected.gap2 = expected.winLock = expected.tail = 0;
    EXPECT_TRUE(kb == expected);

    // The order of the steps: each frame as its command and parameter bytes,
    // the data blocks after it as their count.
    std::vector<std::string> order;
    int blocks = 0;
    auto endFrame = [&] {
        if (blocks) order.back() += " +" + std::to_string(blocks);
        blocks = 0;
    };
    for (const SimEvent& e : ev) {
        if (e.kind == SimEvent::Kind::SetFeature) {
            endFrame();
            order.push_back(hex(e.bytes.data() + 1, 3));
        }
        if (e.kind == SimEvent::Kind::WriteBlock) ++blocks;
    }
    endFrame();
    EXPECT_EQ(order, kWriteAllOrder);
}

// Each custom map goes to its own place on the keyboard: five different maps
// written at once come back five different maps.
TEST(WriteAll, EachCustomMapReachesItsOwnMap) {
    SimSession s;
    s.connect();
    for (size_t m = 0; m < kDiyMapCount; ++m)
        for (size_t i = 0; i < kDiyMapBytes; ++i) s.image.diyMaps[m][i] = static_cast<uint8_t>(i * 7 + m * 31 + 1);
    ASSERT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
    const DeviceImage onKeyboard = s.keyboard.config();
    for (size_t m = 0; m < kDiyMapCount; ++m)
        EXPECT_EQ(std::memcmp(onKeyboard.diyMaps[m], s.image.diyMaps[m], kDiyMapBytes), 0) << "map " << m;
}

TEST(WriteAll, KeyboardStopsAcknowledging) {
    const struct {
        const char* name;
        int acksBeforeSilence;  // steps the keyboard still acknowledges
        WriteStep failedStep;
        int index;
    } cases[] = {
        {"silent from the start", 0, WriteStep::LightingOpen, -1},
        {"silent after the key map", 2, WriteStep::Macro, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        s.connect();
        s.image.deviceKeyMap[0] ^= 1;
        s.image.macroSlots[0][0] ^= 1;
        const ShadowImage shadowBefore = s.shadow;
        // Each step's acknowledgement has gone out when its progress is
        // reported; silence the keyboard from there on.
        if (c.acksBeforeSilence == 0) s.keyboard.setAcknowledging(false);
        const int64_t start = s.clock.nowUs();
        const WriteResult r = s.session.writeAll(s.image, s.shadow, [&](int done, int) {
            if (done == c.acksBeforeSilence) s.keyboard.setAcknowledging(false);
        });
        EXPECT_EQ(r.outcome, TransferOutcome::NoAcknowledgement);
        EXPECT_EQ(r.step, c.failedStep);
        EXPECT_EQ(r.index, c.index);
        EXPECT_EQ(r.stepsDone, c.acksBeforeSilence);
        EXPECT_TRUE(s.shadow == shadowBefore);
        // The wait gave up at its deadline; the closing frame still lit the
        // keyboard again after the opening frame's dark phase.
        EXPECT_GE(s.elapsedMsSince(start), s.session.options().ackDeadlineMs);
        EXPECT_LT(s.elapsedMsSince(start), s.session.options().ackDeadlineMs + 200);
        EXPECT_EQ(framesOf(s.keyboard.events()).back(), kClose);
        EXPECT_EQ(s.keyboard.config().ledBrightness, 50);
    }
}

TEST(WriteAll, KeyboardUnpluggedInTheMiddle) {
    const struct {
        const char* name;
        int requestsBeforeUnplug;
        WriteStep failedStep;
    } cases[] = {
        {"between two data blocks", 4, WriteStep::KeyMap},               // open, key-map frame, 2 blocks
        {"after the last block, before its acknowledgement", 10, WriteStep::KeyMap},
        {"right after the opening frame", 1, WriteStep::LightingOpen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        s.connect();
        s.image.deviceKeyMap[8] ^= 1;
        s.image.diyMaps[1][9] ^= 1;
        const ShadowImage shadowBefore = s.shadow;
        s.keyboard.unplugAfterRequests(c.requestsBeforeUnplug);
        const int64_t start = s.clock.nowUs();
        const WriteResult r = s.session.writeAll(s.image, s.shadow);
        EXPECT_EQ(r.outcome, TransferOutcome::DeviceGone);
        EXPECT_EQ(r.step, c.failedStep);
        EXPECT_TRUE(s.shadow == shadowBefore);
        // Noticed at once, not at the acknowledgement deadline.
        EXPECT_LT(s.elapsedMsSince(start), 200);

        // Plugged in again, the session reopens and the write goes through.
        EXPECT_FALSE(s.session.openChannels().commandOpened);
        s.keyboard.plug();
        const OpenResult again = s.session.openChannels();
        EXPECT_TRUE(again.commandOpened && again.listenOpened);
        EXPECT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
        EXPECT_TRUE(s.shadow == s.image);
    }
}

TEST(Transfers, BytesWithoutDeviceDataSurvive) {
    SimSession s;
    s.connect();
    auto mark = [](DeviceImage& im) {
        for (size_t i = 0; i < sizeof(im.head); ++i) im.head[i] = static_cast<uint8_t>(0xA0 + i);
        for (size_t i = 0; i < sizeof(im.gap1); ++i) im.gap1[i] = static_cast<uint8_t>(i * 7);
        im.gap2 = 0x5A;
        im.tail = 0xC3;
    };
    mark(s.image);
    DeviceImage marked = s.image;
    ASSERT_EQ(s.session.readAll(s.image), TransferOutcome::Completed);
    EXPECT_EQ(std::memcmp(s.image.head, marked.head, sizeof(marked.head)), 0);
    EXPECT_EQ(std::memcmp(s.image.gap1, marked.gap1, sizeof(marked.gap1)), 0);
    EXPECT_EQ(s.image.gap2, 0x5A);
    EXPECT_EQ(s.image.tail, 0xC3);

    // A write with every section changed neither sends nor alters them.
    s.image = everythingChanged(s.image);
    marked = s.image;
    ASSERT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
    EXPECT_EQ(std::memcmp(s.image.gap1, marked.gap1, sizeof(marked.gap1)), 0);
    EXPECT_EQ(std::memcmp(s.shadow.head, marked.head, sizeof(marked.head)), 0);
    const DeviceImage kb = s.keyboard.config();
    EXPECT_EQ(kb.head[0], 0);
    EXPECT_EQ(kb.tail, 0);

    // Garbage answers fill the device sections but never these bytes.
    s.keyboard.setGarbageAnswers(true);
    s.session.readAll(s.image);
    EXPECT_EQ(std::memcmp(s.image.gap1, marked.gap1, sizeof(marked.gap1)), 0);
    EXPECT_EQ(s.image.gap2, 0x5A);
    EXPECT_EQ(s.image.tail, 0xC3);
    EXPECT_EQ(s.image.winLock, (s.image.keyMask[1] & 1) ? 0 : 1);
}

TEST(FactoryReset, SequenceAndRestoredKeyboard) {
    SimSession s;
    s.connect();
    s.image = everythingChanged(s.image);
    ASSERT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
    s.keyboard.clearRecord();

    const int64_t start = s.clock.nowUs();
    ASSERT_EQ(s.session.factoryReset(), TransferOutcome::Completed);
    const std::vector<TimedFrame> expected = {
        {0, "00 13 FF 00 00 00 00 00 ED"},
        {300, "00 09 01 00 00 00 00 00 F5"},
        {620, "00 09 01 00 00 00 00 00 F5"},
    };
    EXPECT_EQ(timedFrames(s.keyboard.events(), start), expected);
    EXPECT_EQ(s.elapsedMsSince(start), 940);

    ASSERT_EQ(s.session.readAll(s.image), TransferOutcome::Completed);
    EXPECT_EQ(std::memcmp(s.image.deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes), 0);
    EXPECT_EQ(s.image.ledBrightness, 50);
    EXPECT_EQ(s.image.macroSlots[3][0], 0);
    EXPECT_TRUE(s.keyboard.violations().empty());
}

TEST(Transfers, WithoutAKeyboard) {
    SimSession s;
    s.keyboard.unplug();
    const OpenResult r = s.session.openChannels();
    EXPECT_FALSE(r.commandOpened || r.listenOpened);
    EXPECT_EQ(s.session.initialRead(s.image, s.firmware), TransferOutcome::NotConnected);
    s.image.ledBrightness = 9;
    EXPECT_EQ(s.session.writeAll(s.image, s.shadow).outcome, TransferOutcome::NotConnected);
    EXPECT_FALSE(s.shadow == s.image);
    EXPECT_TRUE(s.keyboard.events().empty());
}

TEST(Transfers, KeyboardWithoutTheListenCollection) {
    for (SimPathStyle style : {SimPathStyle::Linux, SimPathStyle::Windows}) {
        SimOptions so;
        so.style = style;
        so.listenCollection = false;
        SessionOptions opts;
        opts.rule = style == SimPathStyle::Linux ? ChannelRule::InterfaceNumbers : ChannelRule::PathMarkers;
        SimSession s(so, opts);
        const OpenResult r = s.session.openChannels();
        EXPECT_TRUE(r.commandOpened);
        EXPECT_FALSE(r.listenOpened);
        EXPECT_EQ(s.session.initialRead(s.image, s.firmware), TransferOutcome::Completed);
        s.shadow = s.image;
        s.keyboard.clearRecord();
        // No acknowledgement could ever arrive: nothing is sent.
        s.image.ledBrightness = 4;
        EXPECT_EQ(s.session.writeAll(s.image, s.shadow).outcome, TransferOutcome::NotConnected);
        EXPECT_TRUE(s.keyboard.events().empty());
    }
}

TEST(Transfers, PathMarkersOnWindowsStylePaths) {
    SimOptions so;
    so.style = SimPathStyle::Windows;
    SessionOptions opts;
    opts.rule = ChannelRule::PathMarkers;
    SimSession s(so, opts);
    s.connect();
    s.image.ledColor = 3;
    EXPECT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
    EXPECT_EQ(s.keyboard.config().ledColor, 3);
}

// Two threads issuing commands never interleave their sequences: the keyboard
// sees every answer requested right after its own frame and every pause kept.
TEST(Transfers, CommandSequencesDoNotInterleave) {
    RealClock clock;
    SimKeyboard keyboard(clock);
    DeviceSession session(keyboard, clock);
    ASSERT_TRUE(session.openChannels().commandOpened);
    DeviceImage a{}, b{};
    std::thread reader([&] { EXPECT_EQ(session.readAll(a), TransferOutcome::Completed); });
    for (int i = 0; i < 20; ++i) EXPECT_EQ(session.getLighting(b), TransferOutcome::Completed);
    reader.join();
    session.closeChannels();

    EXPECT_TRUE(keyboard.violations().empty());
    const std::vector<SimEvent> ev = keyboard.events();
    for (size_t i = 0; i < ev.size(); ++i) {
        if (ev[i].kind != SimEvent::Kind::GetFeature) continue;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(ev[i - 1].kind, SimEvent::Kind::SetFeature) << "answer fetched after another command's request";
        EXPECT_EQ(ev[i].bytes[1], ev[i - 1].bytes[1]);
    }
    EXPECT_EQ(b.ledBrightness, 50);
    EXPECT_EQ(a.ledBrightness, 50);
}

}  // namespace
}  // namespace vandrel::test
