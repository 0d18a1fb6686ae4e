// The macro manager's window model: undo and redo over every kind of change,
// a capture as one step, and the held-key check at OK.

#include <gtest/gtest.h>

#include <functional>

#include "app/model/MacroRecordDlgModel.h"
#include "tests/macro/MacroTestSupport.h"

namespace vandrel {
namespace {

using test::bytes;
using test::listBytes;
using test::recordWith;

constexpr uint8_t kA = 0x41, kB = 0x42, kLShift = 0xA0;

// Region centres.
constexpr int kRecordX = 300, kRecordY = 110;
constexpr int kNewX = 40, kNewY = 380;
constexpr int kLoopBoxX = 300, kLoopBoxY = 320;

struct Dialog {
    test::FakeHook hook;
    test::FakeClock clock;
    MacroRecordDlgModel model{hook, clock};
    MacroStore store{};

    // Two macros: Macro_001 = A press, A release; Macro_002 = B press, B
    // release 50 ms later.
    Dialog() {
        store[0] = recordWith(bytes({0x01, kA, 0x81, kA}));
        setRecordName(store[0], u"Macro_001");
        setRecordLoopCount(store[0], 1);
        store[1] = recordWith(bytes({0x01, kB, 0xB2, kB}));
        setRecordName(store[1], u"Macro_002");
        setRecordLoopCount(store[1], 1);
        model.open(store);
    }
    MacroRecord work(int i) const { return model.manager().workingCopy()[static_cast<size_t>(i)]; }
    void key(uint8_t vk, bool released, int64_t atMs) {
        clock.now = atMs;
        model.OnHookKey(vk, released);
    }
};

bool sameStore(const MacroStore& a, const MacroStore& b) { return a == b; }

struct UndoCase {
    const char* name;
    std::function<void(Dialog&)> change;
};

class UndoEachChange : public ::testing::TestWithParam<UndoCase> {};

TEST_P(UndoEachChange, UndoRestoresAndRedoReapplies) {
    Dialog d;
    const MacroStore before = d.model.manager().workingCopy();
    GetParam().change(d);
    const MacroStore after = d.model.manager().workingCopy();
    ASSERT_FALSE(sameStore(before, after)) << "the change changed nothing";
    ASSERT_TRUE(d.model.undo());
    EXPECT_TRUE(sameStore(d.model.manager().workingCopy(), before));
    EXPECT_FALSE(d.model.canUndo());  // exactly one step
    ASSERT_TRUE(d.model.redo());
    EXPECT_TRUE(sameStore(d.model.manager().workingCopy(), after));
    // Cancel after undo and redo still leaves the store as it was.
    d.model.cancel();
    EXPECT_FALSE(d.hook.installed);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, UndoEachChange,
    ::testing::Values(
        UndoCase{"new", [](Dialog& d) { d.model.leftButtonUp(kNewX, kNewY); }},
        UndoCase{"delete", [](Dialog& d) { d.model.deleteConfirmed(); }},
        UndoCase{"rename", [](Dialog& d) { d.model.renameMacro(0, u"Zulu"); }},
        UndoCase{"InsertDelay",
                 [](Dialog& d) {
                     d.model.selectEventRow(0);
                     d.model.InsertDelay();
                 }},
        UndoCase{"deleteRow",
                 [](Dialog& d) {
                     d.model.selectEventRow(0);
                     d.model.DeleteEventRow();
                 }},
        UndoCase{"mouseClick",
                 [](Dialog& d) {
                     d.model.selectEventRow(0);
                     d.model.InsertMouseEvent(MouseAction::Click, kVkMouseLeft);
                 }},
        UndoCase{"delayEdit",
                 [](Dialog& d) {
                     d.model.selectMacro(1);
                     d.model.SetEventDelay(1, 300);
                 }},
        UndoCase{"loopCount",
                 [](Dialog& d) {
                     d.model.leftButtonUp(kLoopBoxX, kLoopBoxY);
                     d.model.setLoopText(u"1");
                     d.model.setLoopText(u"12");  // typing two digits is one step
                 }},
        UndoCase{"recording",
                 [](Dialog& d) {
                     d.model.leftButtonUp(kRecordX, kRecordY);
                     d.key(kB, false, 0);
                     d.key(kB, true, 80);
                     d.key(kA, false, 200);
                     d.key(kA, true, 300);
                     d.model.leftButtonUp(kRecordX, kRecordY);
                 }},
        UndoCase{"capture",
                 [](Dialog& d) {
                     d.model.selectEventRow(1);
                     ASSERT_TRUE(d.model.ArmCaptureAfter());
                     EXPECT_FALSE(d.model.canUndo());  // not while a capture runs
                     d.key(kB, false, 0);
                     d.key(kB, true, 10);
                 }}),
    [](const ::testing::TestParamInfo<UndoCase>& info) { return std::string(info.param.name); });

TEST(MacroDialogUndo, KeepsAtLeastAHundredSteps) {
    Dialog d;
    d.model.selectEventRow(0);
    for (int i = 0; i < 150; ++i) {
        d.model.selectEventRow(0);
        d.model.InsertMouseEvent(MouseAction::Press, kVkMouseLeft);
        d.model.selectEventRow(0);
        d.model.DeleteEventRow();
    }
    int steps = 0;
    while (d.model.undo()) ++steps;
    EXPECT_GE(steps, 100);
}

// The delay box's label is drawn on two lines; the reader hears it as one,
// with the space a language that has spaces needs between them.
TEST(MacroDialogElements, TheTwoLineLabelIsReadAsOneName) {
    Dialog d;
    const TextLookup english = [](const char*, const char* source, int) -> std::string {
        if (std::string(source) == "记录按键动作") return "Delays";
        if (std::string(source) == "间的延迟") return "between keys";
        return source;
    };
    for (const auto& [tr, name] : {std::pair<TextLookup, std::string>{english, "Delays between keys"},
                                   {TextLookup(), "记录按键动作间的延迟"}}) {
        const UiElements elements = d.model.elements(false, tr);
        const UiElement* box = findElement(elements, kMacroHitDelayBox);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->name, name);
    }
}

TEST(MacroDialogHeldKeys, FlagsKeysLeftDownAndAddsTheirReleases) {
    Dialog d;
    d.model.leftButtonUp(kRecordX, kRecordY);
    d.key(kLShift, false, 0);
    d.key(kA, false, 10);
    d.key(kA, true, 20);
    d.key(kB, false, 30);
    // Focus lost: LShift and B never come back up.
    d.model.onListEditBegin();
    const std::vector<HeldKeysReport> held = d.model.heldKeys();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].row, 0);
    EXPECT_EQ(held[0].vks, (std::vector<uint8_t>{kLShift, kB}));
    EXPECT_TRUE(held[0].releasesFit);
    d.model.addReleases(held);
    // Released last pressed first, without delays.
    EXPECT_EQ(listBytes(d.work(0).vkEvents),
              bytes({0x01, kLShift, 0x01, kA, 0x81, kA, 0x01, kB, 0x81, kB, 0x81, kLShift}));
    EXPECT_EQ(listBytes(d.work(0).usageEvents),
              bytes({0x01, 0xE1, 0x01, 0x04, 0x81, 0x04, 0x01, 0x05, 0x81, 0x05, 0x81, 0xE1}));
    EXPECT_TRUE(d.model.heldKeys().empty());
}

TEST(MacroDialogHeldKeys, AFullMacroIsReportedWithoutRoom) {
    Dialog d;
    // 95 two-byte events: presses of 95 keys the table knows would be too
    // many; alternate A presses and releases, then end on a press.
    std::vector<uint8_t> list;
    for (int i = 0; i < 47; ++i) list.insert(list.end(), {0x01, kA, 0x81, kA});
    list.insert(list.end(), {0x01, kB});
    d.store[0] = recordWith(list);
    setRecordName(d.store[0], u"Macro_001");
    d.model.open(d.store);
    const std::vector<HeldKeysReport> held = d.model.heldKeys();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_FALSE(held[0].releasesFit);
    d.model.addReleases(held);
    EXPECT_EQ(listBytes(d.work(0).vkEvents), list);  // nothing split or cut
}

}  // namespace
}  // namespace vandrel
