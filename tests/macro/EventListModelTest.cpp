// The recorder and the editing commands of the event list.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "macro/EventListModel.h"
#include "tests/macro/MacroTestSupport.h"

namespace vandrel {
namespace {

using test::bytes;
using test::listBytes;
using test::recordWith;

constexpr uint8_t A = 0x41, B = 0x42, C = 0x43, LShift = 0xA0;

class EventListTest : public ::testing::Test {
protected:
    void SetUp() override { m.open(); }
    void load(const std::vector<uint8_t>& vkList) {
        rec = recordWith(vkList);
        m.FillEventList(rec);
    }
    std::vector<uint8_t> vk() const { return listBytes(m.buffers().vk); }
    // The device form must be the display form with usages for codes.
    void expectFormsAgree() const {
        const MacroRecord expected = recordWith(vk());
        EXPECT_EQ(listBytes(m.buffers().usage), listBytes(expected.usageEvents));
    }
    CaptureResult key(uint8_t code, bool released, int64_t at) {
        clock.now = at;
        return m.OnHookKey(code, released);
    }

    test::FakeHook hook;
    test::FakeClock clock;
    EventListModel m{hook, clock, keyNames()};
    MacroRecord rec{};
};

TEST_F(EventListTest, RecordingKeepsFirstPressOfAHeldKey) {
    ASSERT_TRUE(m.ToggleRecording());
    EXPECT_TRUE(hook.installed);
    EXPECT_EQ(key(A, false, 0), CaptureResult::Added);
    for (int t : {500, 530, 560}) EXPECT_EQ(key(A, false, t), CaptureResult::Dropped);
    EXPECT_EQ(key(0x10, false, 600), CaptureResult::Ignored);  // generic Shift has no usage
    EXPECT_EQ(key(A, true, 700), CaptureResult::Added);
    EXPECT_EQ(vk(), bytes({0x01, A, 0x81, A}));
    EXPECT_EQ(listBytes(m.buffers().usage), bytes({0x01, 0x04, 0x81, 0x04}));
    EXPECT_EQ(m.rows(), (std::vector<std::u16string>{u"A  dn", u"A  up"}));
    EXPECT_EQ(m.selectedRow(), 1);
    EXPECT_FALSE(m.ToggleRecording());
    EXPECT_FALSE(hook.installed);
}

struct GapCase {
    int64_t frequency, gap;
    std::vector<uint8_t> second;  // the B press after the gap
    size_t rows;
};

TEST_F(EventListTest, RecordedGapsBecomeDelays) {
    const GapCase cases[] = {
        {1000, 126, bytes({0x7E, B}), 3},
        {1000, 127, bytes({0x7F, B, 0x00, 0x7F}), 3},
        {1000, 70000, bytes({0x7F, B, 0xEA, 0x60}), 3},
        {1000, 1, bytes({0x01, B}), 2},
        {1000000, 500, bytes({0x01, B}), 2},  // under 1 ms: stored as 1 ms, no delay row
    };
    for (const GapCase& c : cases) {
        clock.freq = c.frequency;
        m.open();
        m.setRecordDelays(true);
        m.ToggleRecording();
        key(A, false, 60000000);  // the first event never carries a delay
        key(B, false, 60000000 + c.gap);
        std::vector<uint8_t> expected = bytes({0x01, A});
        expected.insert(expected.end(), c.second.begin(), c.second.end());
        EXPECT_EQ(vk(), expected) << c.gap;
        EXPECT_EQ(m.rows().size(), c.rows) << c.gap;
        EXPECT_EQ(RowToOffset(m.buffers().vk, static_cast<int>(c.rows)), expected.size());
    }
    EXPECT_EQ(EventListModel::gapToMs(86400LL * 1000000000, 1000000000), 60000);
}

TEST_F(EventListTest, RepeatedReleaseIsDroppedButRestartsTheMeasure) {
    m.setRecordDelays(true);
    m.ToggleRecording();
    key(A, false, 0);
    key(A, true, 10);
    EXPECT_EQ(key(A, true, 100), CaptureResult::Dropped);
    key(B, false, 150);
    EXPECT_EQ(vk(), bytes({0x01, A, 0x8A, A, 0x32, B}));
}

TEST_F(EventListTest, FullRecordingStopsAndReleasesHeldKeys) {
    m.ToggleRecording();
    key(LShift, false, 0);
    int presses = 0;
    CaptureResult r = CaptureResult::Added;
    for (int t = 1; r != CaptureResult::MacroFull && t < 1000; t += 2) {
        r = key(A, false, t);
        if (r == CaptureResult::Added) ++presses, r = key(A, true, t + 1);
    }
    EXPECT_EQ(r, CaptureResult::MacroFull);
    EXPECT_EQ(presses, 46);
    EXPECT_FALSE(m.recording());
    EXPECT_FALSE(hook.installed);
    EXPECT_EQ(eventListEnd(m.buffers().vk), 188u);
    EXPECT_EQ(m.buffers().vk[186], 0x81);
    EXPECT_EQ(m.buffers().vk[187], LShift);
    EXPECT_EQ(m.rows().back(), u"LShift  up");
    expectFormsAgree();
}

TEST_F(EventListTest, SingleCaptureGoesInFrontOfTheDelayRow) {
    load(bytes({0x01, A, 0x7F, B, 0x01, 0x2C}));  // A dn, 300 ms, B dn
    m.selectRow(2);
    ASSERT_TRUE(m.ArmCaptureBefore());
    EXPECT_EQ(m.insertRow(), 1);
    EXPECT_EQ(key(C, false, 0), CaptureResult::Added);
    EXPECT_EQ(key(C, true, 0), CaptureResult::CaptureDone);
    EXPECT_FALSE(hook.installed);
    EXPECT_FALSE(m.singleInsertPending());
    EXPECT_EQ(vk(), bytes({0x01, A, 0x01, C, 0x81, C, 0x7F, B, 0x01, 0x2C}));
    EXPECT_EQ(m.rows(), (std::vector<std::u16string>{u"A  dn", u"C  dn", u"C  up", u"300 ms", u"B  dn"}));
    expectFormsAgree();
}

TEST_F(EventListTest, CaptureRowsBeforeAndAfterTheSelection) {
    // Rows: A dn, 300 ms, A up, B dn.
    const int before[] = {0, 1, 1, 3};
    const int after[] = {1, 3, 3, 4};
    for (int s = 0; s < 4; ++s) {
        load(bytes({0x01, A, 0xFF, A, 0x01, 0x2C, 0x01, B}));
        m.selectRow(s);
        m.ArmCaptureBefore();
        EXPECT_EQ(m.insertRow(), before[s]) << s;
        m.selectRow(s);
        m.ArmCaptureAfter();
        EXPECT_EQ(m.insertRow(), after[s]) << s;
    }
    key(C, false, 0);
    key(C, true, 0);
    EXPECT_EQ(vk(), bytes({0x01, A, 0xFF, A, 0x01, 0x2C, 0x01, B, 0x01, C, 0x81, C}));
}

TEST_F(EventListTest, CaptureStateAndFailures) {
    // Stopping a recording also ends a capture armed during it.
    m.ToggleRecording();
    key(A, false, 0);
    m.selectRow(0);
    ASSERT_TRUE(m.ArmCaptureAfter());
    m.ToggleRecording();
    EXPECT_FALSE(m.singleInsertPending());
    EXPECT_FALSE(hook.installed);

    // A capture armed during a recording takes the next stroke and removes the
    // key capture; the recording stays on until its button is clicked, and that
    // click stops it rather than starting over on an emptied macro.
    m.ToggleRecording();
    key(A, false, 0);
    m.selectRow(0);
    ASSERT_TRUE(m.ArmCaptureBefore());
    key(B, false, 1);
    EXPECT_EQ(key(B, true, 2), CaptureResult::CaptureDone);
    EXPECT_TRUE(m.recording());
    EXPECT_FALSE(hook.installed);
    EXPECT_EQ(key(C, false, 3), CaptureResult::Ignored);
    EXPECT_FALSE(m.ToggleRecording());
    EXPECT_EQ(vk(), bytes({0x01, B, 0x81, B, 0x01, A}));

    std::vector<uint8_t> full;
    for (int i = 0; i < 95; ++i) full.insert(full.end(), {static_cast<uint8_t>(i % 2 ? 0x81 : 0x01), A});
    load(full);
    m.selectRow(0);
    ASSERT_TRUE(m.ArmCaptureAfter());
    EXPECT_EQ(key(B, false, 0), CaptureResult::MacroFull);
    EXPECT_EQ(vk(), full);
    EXPECT_FALSE(hook.installed);

    // An edit command cancels an armed capture and its key capture.
    m.selectRow(0);
    m.ArmCaptureBefore();
    m.selectRow(1);
    m.DeleteEventRow();
    EXPECT_FALSE(m.singleInsertPending());
    EXPECT_FALSE(hook.installed);
    EXPECT_EQ(key(B, false, 0), CaptureResult::Ignored);

    hook.installResult = false;
    m.selectRow(0);
    EXPECT_FALSE(m.ArmCaptureBefore());
    EXPECT_TRUE(m.ToggleRecording());
    EXPECT_FALSE(m.hookInstalled());
    EXPECT_EQ(key(B, false, 0), CaptureResult::Ignored);
}

// A full recording leaves no key down: room for the releases of the keys still
// held is kept, and when the macro fills they are appended, the key whose
// release did not fit first, then the others, last pressed first.
TEST_F(EventListTest, AFullRecordingReleasesEveryHeldKey) {
    constexpr uint8_t LCtrl = 0xA2;
    const struct {
        const char* name;
        std::vector<uint8_t> held;    // pressed first, in this order
        int64_t firstHeldGapMs;       // gap before the second held key (4-byte delay from 127)
        bool endWithLongRelease;      // end by releasing the last held key 500 ms later
        int pairs;                    // A press and release pairs recorded
        std::vector<uint8_t> tail;    // the list's last bytes
    } cases[] = {
        {"three keys held, full on a press", {LShift, LCtrl, B}, 1, false, 44,
         bytes({0x81, B, 0x81, LCtrl, 0x81, LShift})},
        {"two keys held, full on a long release", {LShift, LCtrl}, 200, true, 45,
         bytes({0x01, A, 0x81, A, 0x81, LCtrl, 0x81, LShift})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m.open();
        m.setRecordDelays(true);
        m.ToggleRecording();
        int64_t t = 0;
        for (size_t i = 0; i < c.held.size(); ++i) key(c.held[i], false, t += (i == 1 ? c.firstHeldGapMs : 1));
        int pairs = 0;
        CaptureResult r = CaptureResult::Added;
        for (; pairs < c.pairs && r == CaptureResult::Added; ++pairs) {
            r = key(A, false, ++t);
            if (r == CaptureResult::Added) r = key(A, true, ++t);
        }
        ASSERT_EQ(r, CaptureResult::Added) << "pair " << pairs;
        r = c.endWithLongRelease ? key(c.held.back(), true, t + 500) : key(A, false, t + 1);
        EXPECT_EQ(r, CaptureResult::MacroFull);
        EXPECT_FALSE(m.recording());
        EXPECT_FALSE(hook.installed);

        // Played back, the macro releases every key it pressed.
        std::vector<uint8_t> down;
        const std::vector<MacroEvent>& events = m.events();
        for (const MacroEvent& e : events) {
            if (!e.released) down.push_back(e.vk);
            else down.erase(std::remove(down.begin(), down.end(), e.vk), down.end());
        }
        EXPECT_TRUE(down.empty());
        const std::vector<uint8_t> list = vk();
        EXPECT_LE(list.size(), kMacroEventBytes);
        ASSERT_GE(list.size(), c.tail.size());
        EXPECT_EQ(std::vector<uint8_t>(list.end() - c.tail.size(), list.end()), c.tail);
        EXPECT_EQ(m.rows().size(), events.size() + (c.firstHeldGapMs > 1 ? 1 : 0));
        expectFormsAgree();
    }
}

// The selected row stays on the event it showed while a single capture inserts
// its press and its release in front of it.
TEST_F(EventListTest, SelectionStaysOnItsEventDuringASingleCapture) {
    // Rows: A dn, B dn, 300 ms, C dn.
    const std::vector<uint8_t> list = bytes({0x01, A, 0x01, B, 0x7F, C, 0x01, 0x2C});
    const struct {
        int selected;
        bool before;
        std::u16string selectedText;  // the selected row before the capture
    } cases[] = {
        {1, true, u"B  dn"}, {3, true, u"C  dn"}, {2, true, u"300 ms"}, {0, false, u"A  dn"}, {3, false, u"C  dn"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.selected) + (c.before ? " before" : " after"));
        load(list);
        m.selectRow(c.selected);
        ASSERT_TRUE(c.before ? m.ArmCaptureBefore() : m.ArmCaptureAfter());
        ASSERT_EQ(key(LShift, false, 0), CaptureResult::Added);
        ASSERT_GE(m.selectedRow(), 0);
        EXPECT_EQ(m.rows()[m.selectedRow()], c.selectedText);
        ASSERT_EQ(key(LShift, true, 0), CaptureResult::CaptureDone);
        ASSERT_GE(m.selectedRow(), 0);
        EXPECT_EQ(m.rows()[m.selectedRow()], c.selectedText);
        EXPECT_EQ(m.rows().size(), 6u);
    }
}

// An edit cancels a capture armed during a recording, but the recording goes
// on: its key capture stays installed and keys keep arriving at the end.
TEST_F(EventListTest, AnEditDuringARecordingKeepsItsKeyCapture) {
    const std::function<EditResult(EventListModel&)> edits[] = {
        [](EventListModel& e) { return e.DeleteEventRow(); },
        [](EventListModel& e) { return e.InsertDelay(); },
        [](EventListModel& e) { return e.InsertMouseEvent(MouseAction::Click, 0xF0); },
    };
    for (const auto& edit : edits) {
        m.open();
        ASSERT_TRUE(m.ToggleRecording());
        key(A, false, 0);
        key(A, true, 1);
        m.selectRow(0);
        ASSERT_TRUE(m.ArmCaptureAfter());
        m.selectRow(0);
        EXPECT_EQ(edit(m), EditResult::Done);
        EXPECT_FALSE(m.singleInsertPending());
        EXPECT_TRUE(m.recording());
        EXPECT_TRUE(hook.installed);
        const size_t before = m.events().size();
        EXPECT_EQ(key(C, false, 2), CaptureResult::Added);
        ASSERT_EQ(m.events().size(), before + 1);
        EXPECT_EQ(m.events().back().vk, C);

        // Stopping the recording then removes it.
        EXPECT_FALSE(m.ToggleRecording());
        EXPECT_FALSE(hook.installed);
    }
}

TEST_F(EventListTest, AppendFollowsTheWholeListAfterASelection) {
    m.ToggleRecording();
    load(bytes({0x01, A, 0xFF, A, 0x01, 0x00}));  // 256 ms: a zero byte inside the list
    EXPECT_EQ(m.writePos(), 6u);
    key(B, false, 0);
    EXPECT_EQ(vk(), bytes({0x01, A, 0xFF, A, 0x01, 0x00, 0x01, B}));
}

struct EditCase {
    const char* what;
    std::vector<uint8_t> before;
    int selected;
    std::function<EditResult(EventListModel&)> op;
    EditResult result;
    std::vector<uint8_t> after;  // empty: unchanged
};

TEST_F(EventListTest, EditingCommands) {
    std::vector<uint8_t> full;
    for (int i = 0; i < 94; ++i) full.insert(full.end(), {static_cast<uint8_t>(i % 2 ? 0x81 : 0x01), A});
    full.insert(full.end(), {0xB2, A});
    auto InsertDelay = [](EventListModel& e) { return e.InsertDelay(); };
    auto del = [](EventListModel& e) { return e.DeleteEventRow(); };
    auto delay = [](int row, int64_t ms) { return [=](EventListModel& e) { return e.SetEventDelay(row, ms); }; };
    auto mouse = [](MouseAction a, uint8_t c) { return [=](EventListModel& e) { return e.InsertMouseEvent(a, c); }; };
    auto keys = [](std::vector<KeyAction> a) { return [=](EventListModel& e) { return e.InsertKeyActions(a); }; };
    const std::vector<KeyAction> tapB = {{B, false}, {B, true}};
    std::vector<uint8_t> almostFull(full.begin(), full.end() - 4);  // 186 bytes
    using R = EditResult;
    const EditCase cases[] = {
        {"insert delay", bytes({0x01, A, 0x81, A}), 0, InsertDelay, R::Done, bytes({0x01, A, 0xB2, A})},
        {"insert delay over a 4-byte delay", bytes({0x01, A, 0x7F, B, 0x01, 0x2C, 0x81, B}), 0, InsertDelay, R::Done,
         bytes({0x01, A, 0x32, B, 0x81, B})},
        {"insert delay on a delay row", bytes({0x01, A, 0xB2, A}), 1, InsertDelay, R::EditCurrentDelay, {}},
        {"insert delay on the last row", bytes({0x01, A, 0x81, A}), 1, InsertDelay, R::Ignored, {}},
        {"delay 50 to 300", bytes({0x01, A, 0xB2, A}), -1, delay(1, 300), R::Done, bytes({0x01, A, 0xFF, A, 0x01, 0x2C})},
        {"delay 300 to 20", bytes({0x01, A, 0xFF, A, 0x01, 0x2C}), -1, delay(1, 20), R::Done, bytes({0x01, A, 0x94, A})},
        {"delay 1 gives 2", bytes({0x01, A, 0xB2, A}), -1, delay(1, 1), R::Done, bytes({0x01, A, 0x82, A})},
        {"delay 0 gives 2", bytes({0x01, A, 0xB2, A}), -1, delay(1, 0), R::Done, bytes({0x01, A, 0x82, A})},
        {"delay 70000 gives 60000", bytes({0x01, A, 0xB2, A}), -1, delay(1, 70000), R::Done,
         bytes({0x01, A, 0xFF, A, 0xEA, 0x60})},
        {"delay on a key row", bytes({0x01, A, 0xB2, A}), -1, delay(0, 300), R::Ignored, {}},
        {"delay that no longer fits", full, -1, delay(94, 300), R::MacroFull, {}},
        {"delete a 300 ms delay row", bytes({0x01, A, 0xFF, A, 0x01, 0x2C}), 1, del, R::Done, bytes({0x01, A, 0x81, A})},
        {"delete a key row with its delay", bytes({0x01, A, 0xFF, A, 0x01, 0x2C, 0x01, B}), 2, del, R::Done,
         bytes({0x01, A, 0x01, B})},
        {"delete the first event", bytes({0x01, A, 0xFF, A, 0x01, 0x2C, 0x01, B}), 0, del, R::Done,
         bytes({0x81, A, 0x01, B})},
        {"left click after row 0", bytes({0x01, A, 0x81, A}), 0, mouse(MouseAction::Click, 0xF0), R::Done,
         bytes({0x01, A, 0x01, 0xF0, 0x81, 0xF0, 0x81, A})},
        {"release after a delay row's event", bytes({0x01, A, 0xFF, A, 0x01, 0x2C}), 1,
         mouse(MouseAction::Release, 0xF1), R::Done, bytes({0x01, A, 0xFF, A, 0x01, 0x2C, 0x81, 0xF1})},
        {"middle press", bytes({0x01, A}), 0, mouse(MouseAction::Press, 0xF2), R::Done, bytes({0x01, A, 0x01, 0xF2})},
        {"mouse into a full list", full, 0, mouse(MouseAction::Press, 0xF0), R::MacroFull, {}},
        {"nothing selected", bytes({0x01, A, 0x81, A}), -1, del, R::Ignored, {}},
        {"keys after a delay row's event", bytes({0x01, A, 0xFF, A, 0x01, 0x2C, 0x01, C}), 1, keys(tapB), R::Done,
         bytes({0x01, A, 0xFF, A, 0x01, 0x2C, 0x01, B, 0x81, B, 0x01, C})},
        {"keys with nothing selected go at the end", bytes({0x01, A, 0x81, A}), -1, keys(tapB), R::Done,
         bytes({0x01, A, 0x81, A, 0x01, B, 0x81, B})},
        {"keys into an empty macro", {}, -1, keys(tapB), R::Done, bytes({0x01, B, 0x81, B})},
        {"keys that just fit", almostFull, 0, keys(tapB), R::Done, {}},
        {"keys that do not fit, refused whole", almostFull, 0, keys({{B, false}, {B, true}, {C, false}}),
         R::MacroFull, {}},
        {"a key without a usage", bytes({0x01, A}), 0, keys({{0x10, false}}), R::Ignored, {}},
    };
    for (const EditCase& c : cases) {
        load(c.before);
        m.selectRow(c.selected);
        const size_t freeBefore = m.freeBytes();
        EXPECT_EQ(c.op(m), c.result) << c.what;
        if (c.result == R::Done && c.after.empty()) {
            EXPECT_EQ(vk().size(), c.before.size() + 4) << c.what;
            EXPECT_EQ(m.freeBytes(), 0u) << c.what;
        } else {
            EXPECT_EQ(vk(), c.after.empty() ? c.before : c.after) << c.what;
        }
        if (c.result != R::Done) {
            EXPECT_EQ(m.freeBytes(), freeBefore) << c.what;
        }
        expectFormsAgree();
    }
}

TEST_F(EventListTest, EditedRowsFollowTheBytes) {
    load(bytes({0x01, A, 0x81, A}));
    m.selectRow(0);
    m.InsertDelay();
    EXPECT_EQ(m.rows(), (std::vector<std::u16string>{u"A  dn", u"50 ms", u"A  up"}));
    m.selectRow(0);
    m.InsertMouseEvent(MouseAction::Click, 0xF0);
    EXPECT_EQ(m.rows(), (std::vector<std::u16string>{u"A  dn", u"MsLB dn", u"MsLB up", u"50 ms", u"A  up"}));
    EXPECT_EQ(listBytes(m.buffers().usage), bytes({0x01, 0x04, 0x01, 0xF0, 0x81, 0xF0, 0xB2, 0x04}));
}

}  // namespace
}  // namespace vandrel
