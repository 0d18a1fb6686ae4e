#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "platform/DeviceMonitor.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

const QString kKeyboardId = QStringLiteral("0003:000004D9:0000A124");
const QString kOtherId = QStringLiteral("0003:0000046D:0000C52B");

struct ClassifyCase {
    const char* action;
    const char* subsystem;
    const char* hidId;
    DeviceMonitor::Change expected;
};

class Classify : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(Classify, OnlyTheKeyboardsHidDevicesCount) {
    const ClassifyCase c = GetParam();
    const DeviceEvent ev{QString::fromLatin1(c.action), QString::fromLatin1(c.subsystem), QString::fromLatin1(c.hidId)};
    EXPECT_EQ(DeviceMonitor::classify(ev), c.expected) << c.action << " " << c.subsystem << " " << c.hidId;
}

using C = DeviceMonitor::Change;
INSTANTIATE_TEST_SUITE_P(
    Events, Classify,
    ::testing::Values(ClassifyCase{"add", "hid", "0003:000004D9:0000A124", C::Arrival},
                      ClassifyCase{"bind", "hid", "0003:000004D9:0000A124", C::Arrival},
                      ClassifyCase{"add", "hidraw", "0003:000004D9:0000A124", C::Arrival},
                      ClassifyCase{"remove", "hid", "0003:000004D9:0000A124", C::Removal},
                      ClassifyCase{"unbind", "hid", "0003:000004D9:0000A124", C::Removal},
                      ClassifyCase{"change", "hid", "0003:000004D9:0000A124", C::None},
                      ClassifyCase{"add", "hid", "0003:000004d9:0000a124", C::Arrival},   // case
                      ClassifyCase{"add", "hid", "0005:000004D9:0000A124", C::Arrival},   // other bus
                      ClassifyCase{"add", "hid", "0003:0000046D:0000C52B", C::None},      // other device
                      ClassifyCase{"add", "hid", "0003:000004D9:0000A125", C::None},      // same vendor
                      ClassifyCase{"add", "usb", "0003:000004D9:0000A124", C::None},      // other subsystem
                      ClassifyCase{"remove", "hidraw", "", C::None},                      // parent gone
                      ClassifyCase{"add", "hid", "000004D9:0000A124", C::None},
                      ClassifyCase{"add", "hid", "0003:04D9:A124:0", C::None},
                      ClassifyCase{"add", "hid", "0003:zz:0000A124", C::None}));

class FakeSource : public DeviceEventSource {
public:
    explicit FakeSource(bool starts = true) : m_starts(starts) {}
    bool start() override { return m_starts; }
    void push(const char* action, const char* subsystem, const QString& hidId) {
        emit eventReceived(DeviceEvent{QString::fromLatin1(action), QString::fromLatin1(subsystem), hidId});
    }

private:
    bool m_starts;
};

// Records the order of the monitor's signals.
struct Recorder {
    explicit Recorder(DeviceMonitor& m) {
        QObject::connect(&m, &DeviceMonitor::arrived, [this] { seen += 'A'; });
        QObject::connect(&m, &DeviceMonitor::removed, [this] { seen += 'R'; });
    }
    std::string seen;
};

class Settling : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        auto src = std::make_unique<FakeSource>();
        source = src.get();
        monitor = std::make_unique<DeviceMonitor>(std::move(src), [] { return false; },
                                                  DeviceMonitor::Timing{200, 1000, 400});
        ASSERT_EQ(monitor->start(), DeviceMonitor::Mode::Events);
        recorder = std::make_unique<Recorder>(*monitor);
    }
    // Lets the event loop run for a while, past any settling.
    void settle(int ms = 1000) { QTest::qWait(ms); }

    FakeSource* source = nullptr;
    std::unique_ptr<DeviceMonitor> monitor;
    std::unique_ptr<Recorder> recorder;
};

TEST_F(Settling, OnePlugGivesOneArrival) {
    // Two interfaces, each a hid device with a bind and a hidraw node, arriving
    // over more time than the settling period in total.
    for (int i = 0; i < 2; ++i) {
        source->push("add", "hid", kKeyboardId);
        QTest::qWait(20);
        source->push("add", "hidraw", kKeyboardId);
        source->push("add", "hid", kOtherId);
        QTest::qWait(20);
        source->push("bind", "hid", kKeyboardId);
        QTest::qWait(20);
    }
    EXPECT_EQ(recorder->seen, "");  // not before the burst is over
    settle();
    EXPECT_EQ(recorder->seen, "A");
}

TEST_F(Settling, OneUnplugGivesOneRemoval) {
    source->push("remove", "hidraw", QString());  // parent already gone
    source->push("unbind", "hid", kKeyboardId);
    source->push("remove", "hid", kKeyboardId);
    source->push("remove", "hidraw", QString());
    source->push("remove", "hid", kKeyboardId);
    settle();
    EXPECT_EQ(recorder->seen, "R");
}

TEST_F(Settling, QuickReplugReportsRemovalThenArrival) {
    source->push("remove", "hid", kKeyboardId);
    source->push("add", "hid", kKeyboardId);
    settle();
    EXPECT_EQ(recorder->seen, "RA");
}

TEST_F(Settling, PlugAndPullInOneBurstEndsRemoved) {
    source->push("add", "hid", kKeyboardId);
    source->push("remove", "hid", kKeyboardId);
    settle();
    EXPECT_EQ(recorder->seen, "R");
}

TEST_F(Settling, ArrivalIsReportedOnlyAfterTheKeyboardHadTimeToStart) {
    source->push("add", "hid", kKeyboardId);
    QTest::qWait(200 + 50);  // burst over, delay running
    EXPECT_EQ(recorder->seen, "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder->seen.empty(); }, 3000));
    EXPECT_EQ(recorder->seen, "A");
}

TEST_F(Settling, RemovalDuringTheDelayCancelsTheArrival) {
    source->push("add", "hid", kKeyboardId);
    QTest::qWait(200 + 50);
    source->push("remove", "hid", kKeyboardId);
    settle();
    EXPECT_EQ(recorder->seen, "R");
}

TEST_F(Settling, OtherDevicesAreIgnored) {
    source->push("add", "hid", kOtherId);
    source->push("remove", "hidraw", kOtherId);
    source->push("change", "hid", kKeyboardId);
    settle();
    EXPECT_EQ(recorder->seen, "");
}

TEST_F(Settling, SeparateBurstsAreReportedSeparately) {
    source->push("add", "hid", kKeyboardId);
    settle();
    source->push("remove", "hid", kKeyboardId);
    settle();
    source->push("add", "hidraw", kKeyboardId);
    settle();
    EXPECT_EQ(recorder->seen, "ARA");
}

TEST(Polling, UsedWhenTheSourceCannotStartAndReportsChanges) {
    test::app();
    bool present = true;
    DeviceMonitor monitor(std::make_unique<FakeSource>(false), [&present] { return present; },
                          DeviceMonitor::Timing{60, 20, 500});
    Recorder recorder(monitor);
    ASSERT_EQ(monitor.start(), DeviceMonitor::Mode::Polling);
    QTest::qWait(100);
    EXPECT_EQ(recorder.seen, "");  // present at start: the window opened it itself
    present = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.seen.empty(); }, 3000));
    QTest::qWait(100);
    EXPECT_EQ(recorder.seen, "R");
    present = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.seen.size() > 1; }, 3000));
    QTest::qWait(100);
    EXPECT_EQ(recorder.seen, "RA");
    // Seen and gone again within the start-up delay: neither is reported.
    present = false;
    QTest::qWait(100);
    EXPECT_EQ(recorder.seen, "RAR");
    present = true;
    QTest::qWait(60);
    present = false;
    QTest::qWait(700);
    EXPECT_EQ(recorder.seen, "RAR");
}

TEST(Polling, UsedWithoutAnySource) {
    test::app();
    DeviceMonitor monitor(nullptr, [] { return false; }, DeviceMonitor::Timing{});
    EXPECT_EQ(monitor.start(), DeviceMonitor::Mode::Polling);
}

class SysfsTree : public ::testing::Test {
protected:
    void node(const QString& name, const QByteArray& uevent) {
        const QString dev = dir.filePath(name + QStringLiteral("/device"));
        ASSERT_TRUE(QDir().mkpath(dev));
        if (uevent.isNull()) return;
        QFile f(dev + QStringLiteral("/uevent"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(uevent);
    }
    QTemporaryDir dir;
};

TEST_F(SysfsTree, FindsTheKeyboardAmongOtherNodes) {
    node(QStringLiteral("hidraw0"), "DRIVER=hid-generic\nHID_ID=0003:0000046D:0000C52B\nHID_NAME=Mouse\n");
    node(QStringLiteral("hidraw1"), QByteArray());  // no uevent file
    EXPECT_FALSE(DeviceMonitor::keyboardPresentInSysfs(dir.path()));
    node(QStringLiteral("hidraw2"), "DRIVER=hid-generic\nHID_ID=0003:000004D9:0000A124\nHID_NAME=Keyboard\n");
    EXPECT_TRUE(DeviceMonitor::keyboardPresentInSysfs(dir.path()));
}

TEST_F(SysfsTree, MissingClassFolderMeansAbsent) {
    EXPECT_FALSE(DeviceMonitor::keyboardPresentInSysfs(dir.filePath(QStringLiteral("none"))));
    // An id only in another key does not count.
    node(QStringLiteral("hidraw0"), "HID_NAME=0003:000004D9:0000A124\n");
    EXPECT_FALSE(DeviceMonitor::keyboardPresentInSysfs(dir.path()));
}

}  // namespace
