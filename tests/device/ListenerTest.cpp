// The listener thread: acknowledgements, input codes, and its life across
// closing, unplugging and reopening.

#include <gtest/gtest.h>

#include <cstring>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <mutex>
#include <vector>

#include "device/InputDispatcher.h"
#include "device/Listener.h"
#include "tests/device/SimFixture.h"

namespace vandrel::test {
namespace {

TEST(ListenerDecode, FramingsAndFilters) {
    using IdByte = ListenFraming::IdByte;
    const ListenFraming numbered{IdByte::Present, uint8_t{4}};
    const ListenFraming unnumbered{IdByte::Absent, std::nullopt};
    const ListenFraming byLength{IdByte::ByLength, std::nullopt};
    const struct {
        const char* name;
        ListenFraming framing;
        std::vector<uint8_t> report;
        bool accepted;
        uint8_t kind, code;
    } cases[] = {
        {"acknowledgement", numbered, {4, 4, 0x42, 0}, true, 4, 0x42},
        {"input code", numbered, {4, 1, 0x23, 0}, true, 1, 0x23},
        {"keyboard collection on the same node", numbered, {1, 0, 0, 4, 0, 0, 0, 0, 0}, false, 0, 0},
        {"too short", numbered, {4, 4}, false, 0, 0},
        {"unnumbered", unnumbered, {4, 0x23, 0}, true, 4, 0x23},
        {"4 bytes: id in front", byLength, {0, 1, 0x23, 0}, true, 1, 0x23},
        {"3 bytes: no id", byLength, {1, 0x23, 0}, true, 1, 0x23},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t kind = 0, code = 0;
        ASSERT_EQ(Listener::decode(c.report.data(), c.report.size(), c.framing, kind, code), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(kind, c.kind);
            EXPECT_EQ(code, c.code);
        }
    }
}

// Collects codes on the receiving thread.
struct Codes {
    std::mutex mutex;
    std::vector<uint8_t> codes;
    void add(uint8_t c) {
        std::lock_guard<std::mutex> lock(mutex);
        codes.push_back(c);
    }
    std::vector<uint8_t> get() {
        std::lock_guard<std::mutex> lock(mutex);
        return codes;
    }
};

TEST(Listener, AcknowledgementsNeverBecomeInputCodes) {
    VirtualClock clock;
    SimKeyboard keyboard(clock);
    const ChannelChoice choice = chooseChannels(keyboard.enumerate(), ChannelRule::InterfaceNumbers);
    ASSERT_TRUE(choice.listenPath);
    const ChannelId ch = keyboard.open(*choice.listenPath);
    Codes codes;
    Listener listener(keyboard, clock);
    listener.setInputSink([&](uint8_t c) { codes.add(c); });
    ASSERT_TRUE(listener.start(ch, choice.listenFraming));
    EXPECT_FALSE(listener.start(ch, choice.listenFraming));  // one runs already

    keyboard.sendListenReport({4, 4, 0x42, 0});  // an acknowledgement with a code byte
    EXPECT_TRUE(eventually([&] { return listener.ackFlag.load(); }));
    keyboard.sendForeignReport();               // a key press of the keyboard collection
    keyboard.pressLaunchKey(0x23);
    keyboard.sendListenReport({4, 7, 0x24, 0});  // any kind but 4 is an input code
    EXPECT_TRUE(eventually([&] { return codes.get().size() == 2; }));
    EXPECT_EQ(codes.get(), (std::vector<uint8_t>{0x23, 0x24}));
    listener.stop();
    keyboard.close(ch);
}

TEST(Listener, BlockedReceiverDoesNotHoldUpAcknowledgements) {
    SimSession s;
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    Codes codes;
    s.session.setInputCallback([&](uint8_t c) {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return release; });
        codes.add(c);
    });
    s.connect();

    s.keyboard.pressLaunchKey(0x30);
    s.keyboard.pressLaunchKey(0x31);
    s.image.ledBrightness = 1;
    s.image.reportRate = 2;
    const WriteResult r = s.session.writeAll(s.image, s.shadow);
    EXPECT_TRUE(r.ok()) << transferOutcomeName(r.outcome);
    s.keyboard.pressLaunchKey(0x32);

    {
        std::lock_guard<std::mutex> lock(m);
        release = true;
    }
    cv.notify_all();
    EXPECT_TRUE(eventually([&] { return codes.get().size() == 3; }));
    EXPECT_EQ(codes.get(), (std::vector<uint8_t>{0x30, 0x31, 0x32}));
}

TEST(InputDispatcher, ReplacingTheReceiverWaitsForARunningDelivery) {
    // A window that removes its receiver before it is destroyed must be sure
    // the receiver is neither running nor called afterwards.
    InputDispatcher d;
    std::mutex m;
    std::condition_variable cv;
    bool entered = false, release = false;
    std::atomic<int> calls{0};
    d.setCallback([&](uint8_t) {
        std::unique_lock<std::mutex> lock(m);
        entered = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
        ++calls;
    });
    d.post(0x10);
    {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return entered; });
    }
    std::atomic<bool> replaced{false};
    std::thread t([&] {
        d.setCallback({});
        replaced = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(replaced.load());
    {
        std::lock_guard<std::mutex> lock(m);
        release = true;
    }
    cv.notify_all();
    t.join();
    EXPECT_EQ(calls.load(), 1);
    d.post(0x11);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls.load(), 1);
}

TEST(Listener, UnrelatedReportsDoNotExtendTheAcknowledgementDeadline) {
    SimSession s;
    s.connect();
    s.keyboard.setAcknowledging(false);
    const int64_t start = s.clock.nowUs();
    for (int t = 50; t < 3000; t += 50) s.clock.schedule(start + t * 1000, [&] { s.keyboard.pressLaunchKey(0x10); });
    s.image.ledBrightness = 3;
    const WriteResult r = s.session.writeAll(s.image, s.shadow);
    EXPECT_EQ(r.outcome, TransferOutcome::NoAcknowledgement);
    // 20 ms of pauses, the deadline counted from the start of the wait, and
    // the 10 ms of the closing frame that lights the keyboard again.
    EXPECT_EQ(s.elapsedMsSince(start), 20 + s.session.options().ackDeadlineMs + 10);
}

TEST(Listener, ExactlyOneListenerAcrossCloseUnplugAndReopen) {
    SimSession s;
    s.connect();
    EXPECT_TRUE(s.session.listenerRunning());
    EXPECT_EQ(s.session.listenerThreadsStarted(), 1);

    // A second arrival while both channels are open does nothing.
    const OpenResult again = s.session.openChannels();
    EXPECT_FALSE(again.commandOpened || again.listenOpened);
    EXPECT_EQ(s.session.listenerThreadsStarted(), 1);

    // Closed and opened again: the old thread is gone before the new one starts.
    s.session.closeChannels();
    EXPECT_FALSE(s.session.listenerRunning());
    EXPECT_FALSE(s.session.commandOpen() || s.session.listenOpen());
    EXPECT_TRUE(s.session.openChannels().listenOpened);
    EXPECT_EQ(s.session.listenerThreadsStarted(), 2);

    // Unplugged: the listener ends by itself; nothing opens until it is back.
    s.keyboard.unplug();
    EXPECT_TRUE(eventually([&] { return !s.session.listenerRunning(); }));
    EXPECT_FALSE(s.session.openChannels().listenOpened);
    s.keyboard.plug();
    const OpenResult back = s.session.openChannels();
    EXPECT_TRUE(back.commandOpened && back.listenOpened);
    EXPECT_EQ(s.session.listenerThreadsStarted(), 3);
    EXPECT_FALSE(s.session.openChannels().listenOpened);
    EXPECT_EQ(s.session.listenerThreadsStarted(), 3);

    // The usual path: removal closes, arrival reopens.
    s.keyboard.unplug();
    s.session.closeChannels();
    s.keyboard.plug();
    EXPECT_TRUE(s.session.openChannels().listenOpened);
    EXPECT_EQ(s.session.listenerThreadsStarted(), 4);
    EXPECT_EQ(s.keyboard.maxConcurrentListenReaders(), 1);

    // And the reopened link works end to end.
    FirmwareVersion fw;
    EXPECT_EQ(s.session.reconnectRead(s.image, fw), TransferOutcome::Completed);
    s.image.ledDirection = 2;
    EXPECT_TRUE(s.session.writeAll(s.image, s.shadow).ok());
    s.session.closeChannels();
    EXPECT_EQ(s.keyboard.openHandles(), 0);
}

// The keyboard vanishes while a write waits for its acknowledgement, and the
// removal closes the channels at once, as the window does: whichever of the
// listener's end and the closing comes first, the write ends as "keyboard gone".
TEST(Listener, RemovalDuringAWaitIsAlwaysKeyboardGone) {
    for (int run = 0; run < 150; ++run) {
        SCOPED_TRACE(run);
        SimSession s;
        s.connect();
        s.keyboard.unplugAfterRequests(1 + run % 6);
        s.image.ledEffect = 5;
        std::memset(s.image.diyMaps[2], 0x24, 32);
        WriteResult result;
        std::thread writer([&] { result = s.session.writeAll(s.image, s.shadow); });
        const bool unplugged = eventually([&] { return !s.keyboard.plugged(); });
        s.session.closeChannels();
        writer.join();
        ASSERT_TRUE(unplugged);
        EXPECT_EQ(result.outcome, TransferOutcome::DeviceGone);
    }
}

TEST(SimKeyboardDeathTest, RefusesToOpenARealDevice) {
    VirtualClock clock;
    SimKeyboard keyboard(clock);
    EXPECT_DEATH(keyboard.open("/dev/hidraw0"), "never touch a real device");
}

}  // namespace
}  // namespace vandrel::test
