// The macro manager's record operations on its working copy.

#include <gtest/gtest.h>

#include <memory>

#include "macro/MacroManager.h"
#include "macro/MacroNames.h"
#include "tests/macro/MacroTestSupport.h"

namespace vandrel {
namespace {

using test::bytes;
using test::listBytes;
using test::recordWith;

using Rows = std::vector<std::u16string>;

class MacroManagerTest : public ::testing::Test {
protected:
    MacroManagerTest() { store->clear(); }
    void add(size_t i, const std::u16string& name, std::vector<uint8_t> events = {}, uint16_t loops = 1) {
        (*store)[i] = recordWith(events);
        setRecordName((*store)[i], name);
        setRecordLoopCount((*store)[i], loops);
    }
    const MacroRecord& work(size_t i) const { return mgr->workingCopy()[i]; }

    test::FakeHook hook;
    test::FakeClock clock;
    std::unique_ptr<MacroStore> store = std::make_unique<MacroStore>();
    std::unique_ptr<MacroManager> mgr = std::make_unique<MacroManager>(hook, clock);
};

TEST_F(MacroManagerTest, NewInsertsAtItsSortedRow) {
    add(0, u"Macro_001", bytes({0x01, 0x41}));
    add(1, u"Macro_003", bytes({0x01, 0x42}), 5);
    mgr->open(*store);
    EXPECT_EQ(mgr->newMacro(), 1);
    EXPECT_EQ(mgr->macroRows(), (Rows{u"Macro_001", u"Macro_002", u"Macro_003"}));
    EXPECT_EQ(mgr->selectedMacro(), 1);
    EXPECT_EQ(recordName(work(1)), u"Macro_002");
    EXPECT_EQ(recordLoopCount(work(1)), 1);
    EXPECT_EQ(listBytes(work(1).vkEvents), bytes({}));
    EXPECT_EQ(recordName(work(2)), u"Macro_003");
    EXPECT_EQ(listBytes(work(2).vkEvents), bytes({0x01, 0x42}));
    EXPECT_EQ(recordLoopCount(work(2)), 5);
    EXPECT_FALSE(recordInUse(work(3)));
}

TEST_F(MacroManagerTest, AtMost32Macros) {
    mgr->open(*store);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(mgr->newMacro(), i);
    EXPECT_EQ(mgr->macroRows().back(), u"Macro_032");
    EXPECT_EQ(mgr->newMacro(), -1);
    mgr->selectMacro(5);
    EXPECT_EQ(mgr->deleteMacro(), DeleteResult::Deleted);
    EXPECT_EQ(mgr->newMacro(), 5);
    EXPECT_EQ(mgr->macroRows()[5], u"Macro_006");
}

TEST_F(MacroManagerTest, DeleteClosesTheGap) {
    add(0, u"A", bytes({0x01, 0x41}));
    add(1, u"B", bytes({0x01, 0x42}));
    add(2, u"C", bytes({0x01, 0x43, 0x81, 0x43}));
    const MacroRecord c = (*store)[2];
    setRecordLoopCount((*store)[3], 7);  // stray bytes in the free record after the run
    mgr->open(*store);
    mgr->selectMacro(1);
    mgr->deleteMacro();
    EXPECT_EQ(mgr->macroRows(), (Rows{u"A", u"C"}));
    EXPECT_EQ(mgr->selectedMacro(), 1);
    EXPECT_EQ(mgr->events().rows(), (Rows{u"C  dn", u"C  up"}));
    EXPECT_EQ(std::memcmp(&work(1), &c, sizeof c), 0);
    const MacroRecord zero{};
    EXPECT_EQ(std::memcmp(&work(2), &zero, sizeof zero), 0);

    mgr->deleteMacro();
    mgr->deleteMacro();
    EXPECT_TRUE(mgr->macroRows().empty());
    EXPECT_EQ(mgr->selectedMacro(), -1);
    EXPECT_TRUE(mgr->events().rows().empty());
    EXPECT_EQ(mgr->deleteMacro(), DeleteResult::NoMacroSelected);
    EXPECT_EQ(mgr->ToggleRecording(), RecordToggle::NoMacroSelected);
}

TEST_F(MacroManagerTest, SelectionSetsTogglesFromTheRecord) {
    // Opening shows the first macro's count as stored; choosing a macro in the
    // list shows a stored 0 as 1 and stores 1.
    struct Shown {
        bool loop;
        std::u16string text;
        uint16_t after;
    };
    struct {
        uint16_t stored;
        Shown opened, selected;
    } cases[] = {
        {0, {false, u"0", 0}, {false, u"1", 1}},
        {1, {false, u"1", 1}, {false, u"1", 1}},
        {258, {true, u"258", 258}, {true, u"258", 258}},
    };
    auto expectShown = [&](const Shown& s, size_t record, const char* how, uint16_t stored) {
        EXPECT_EQ(mgr->loopEnabled(), s.loop) << how << " " << stored;
        EXPECT_EQ(mgr->loopText(), s.text) << how << " " << stored;
        EXPECT_EQ(recordLoopCount(work(record)), s.after) << how << " " << stored;
        EXPECT_TRUE(mgr->recordDelays()) << how << " " << stored;
    };
    for (auto& c : cases) {
        add(0, u"M", {}, c.stored);
        add(1, u"N", {}, c.stored);
        (*store)[0].macroFlags = 1;
        (*store)[1].macroFlags = 1;
        mgr->open(*store);
        expectShown(c.opened, 0, "opened", c.stored);
        mgr->selectMacro(1);
        expectShown(c.selected, 1, "selected", c.stored);
    }
}

TEST_F(MacroManagerTest, RenameMovesTheRecordWithItsRow) {
    add(0, u"Alpha", bytes({0x01, 0x41}));
    add(1, u"beta", bytes({0x01, 0x42}));
    add(2, u"Gamma", bytes({0x01, 0x43}));
    mgr->open(*store);
    EXPECT_EQ(mgr->renameMacro(0, u"delta"), RenameResult::Renamed);
    EXPECT_EQ(mgr->macroRows(), (Rows{u"beta", u"delta", u"Gamma"}));
    EXPECT_EQ(mgr->selectedMacro(), 1);
    const std::pair<std::u16string, uint8_t> expected[] = {{u"beta", 0x42}, {u"delta", 0x41}, {u"Gamma", 0x43}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(recordName(work(i)), expected[i].first);
        EXPECT_EQ(work(i).vkEvents[1], expected[i].second);
    }
    // The next edit lands in the renamed macro's record.
    mgr->selectEventRow(0);
    mgr->InsertMouseEvent(MouseAction::Press, 0xF0);
    EXPECT_EQ(listBytes(work(1).vkEvents), bytes({0x01, 0x41, 0x01, 0xF0}));

    EXPECT_EQ(mgr->renameMacro(2, u"aardvark"), RenameResult::Renamed);
    EXPECT_EQ(mgr->macroRows().front(), u"aardvark");
    EXPECT_EQ(mgr->selectedMacro(), 2);
    EXPECT_EQ(mgr->renameMacro(0, u""), RenameResult::Refused);
    EXPECT_EQ(mgr->renameMacro(0, std::u16string(255, u'x')), RenameResult::Refused);
    EXPECT_EQ(mgr->renameMacro(0, u"aardvark"), RenameResult::Unchanged);
    EXPECT_EQ(mgr->renameMacro(0, std::u16string(254, u'x')), RenameResult::Renamed);
    EXPECT_EQ(recordName(work(2)).size(), 254u);
}

// Whichever row is renamed and wherever its new name sorts, the selection
// stays on the macro it was on, and the event list keeps showing that macro.
TEST_F(MacroManagerTest, SelectionFollowsItsMacroThroughARename) {
    const std::u16string names[] = {u"B", u"D", u"F", u"H"};
    const std::u16string newNames[] = {u"A", u"C", u"E", u"G", u"I"};
    for (int selected = 0; selected < 4; ++selected) {
        for (int renamed = 0; renamed < 4; ++renamed) {
            for (const std::u16string& name : newNames) {
                SCOPED_TRACE(std::to_string(selected) + " " + std::to_string(renamed) + " " +
                             std::string(name.begin(), name.end()));
                for (size_t i = 0; i < 4; ++i) add(i, names[i], bytes({0x01, static_cast<int>(0x41 + i)}));
                mgr->open(*store);
                mgr->selectMacro(selected);
                ASSERT_EQ(mgr->renameMacro(renamed, name), RenameResult::Renamed);
                const int now = mgr->selectedMacro();
                ASSERT_GE(now, 0);
                EXPECT_EQ(work(static_cast<size_t>(now)).vkEvents[1], 0x41 + selected);
                EXPECT_EQ(mgr->events().events().front().vk, 0x41 + selected);
                EXPECT_EQ(mgr->macroRows()[static_cast<size_t>(now)],
                          renamed == selected ? name : names[selected]);
            }
        }
    }
}

TEST_F(MacroManagerTest, EditsReachTheStoreOnlyOnOk) {
    add(0, u"M", bytes({0x01, 0x41}));
    const auto original = std::make_unique<MacroStore>(*store);
    mgr->open(*store);
    EXPECT_EQ(mgr->ToggleRecording(), RecordToggle::Started);
    EXPECT_EQ(listBytes(work(0).vkEvents), bytes({}));
    mgr->toggleRecordDelays();
    mgr->toggleLoop();
    mgr->setLoopText(u"3");
    clock.now = 0;
    mgr->OnHookKey(0x42, false);
    clock.now = 40;
    mgr->OnHookKey(0x42, true);
    EXPECT_EQ(listBytes(work(0).vkEvents), bytes({0x01, 0x42, 0xA8, 0x42}));
    EXPECT_EQ(listBytes(work(0).usageEvents), bytes({0x01, 0x05, 0xA8, 0x05}));
    EXPECT_EQ(work(0).macroFlags, 1);
    EXPECT_EQ(recordLoopCount(work(0)), 3);
    EXPECT_TRUE(*store == *original);

    mgr->cancel();
    EXPECT_FALSE(hook.installed);
    EXPECT_TRUE(*store == *original);
    mgr->accept(*store);
    EXPECT_TRUE(*store == mgr->workingCopy());
    // What was recorded is what the store now holds.
    EXPECT_EQ(listBytes((*store)[0].vkEvents), bytes({0x01, 0x42, 0xA8, 0x42}));
    EXPECT_EQ(recordLoopCount((*store)[0]), 3);
    EXPECT_EQ(recordName((*store)[0]), u"M");
}

TEST_F(MacroManagerTest, OpenClosesGapsBetweenNamedRecords) {
    add(0, u"A");
    add(2, u"C", bytes({0x01, 0x43}));
    mgr->open(*store);
    EXPECT_EQ(mgr->macroRows(), (Rows{u"A", u"C"}));
    EXPECT_EQ(work(1).vkEvents[1], 0x43);
    EXPECT_FALSE(recordInUse(work(2)));
}

// Where OK says the macros of the opened store went: the keys bound to them
// follow this.
TEST_F(MacroManagerTest, OkReportsWhereEachMacroWent) {
    add(0, u"B");
    add(2, u"D");  // record 1 free: D closes up to record 1 when the dialog opens
    add(3, u"Mb");
    add(4, u"Mc");
    const auto expect = [](const MacroRenumbering& to, std::vector<int16_t> first) {
        for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(to[i], first[i]) << "record " << i;
        for (size_t i = first.size(); i < kMacroRecords; ++i) EXPECT_EQ(to[i], kNoMacroHere) << "record " << i;
    };
    mgr->open(*store);
    expect(mgr->renumbering(), {0, kNoMacroHere, 1, 2, 3});
    // A rename that sorts B last moves it behind the others.
    ASSERT_EQ(mgr->renameMacro(0, u"Z"), RenameResult::Renamed);
    expect(mgr->renumbering(), {3, kNoMacroHere, 0, 1, 2});
    // New sorts in before Mb and Mc and pushes them on.
    ASSERT_EQ(mgr->newMacro(), 1);  // Macro_001
    EXPECT_EQ(mgr->macroRows(), (Rows{u"D", u"Macro_001", u"Mb", u"Mc", u"Z"}));
    expect(mgr->renumbering(), {4, kNoMacroHere, 0, 2, 3});
    // Deleting Mb closes the gap: Mc and Z move back, Mb is gone.
    mgr->selectMacro(2);
    ASSERT_EQ(mgr->deleteMacro(), DeleteResult::Deleted);
    expect(mgr->renumbering(), {3, kNoMacroHere, 0, kMacroDeleted, 2});
    // Undo and redo of the dialog's own steps take the moves with them.
    const MacroManagerState afterDelete = mgr->state();
    ASSERT_EQ(mgr->renameMacro(0, u"ZZ"), RenameResult::Renamed);
    mgr->restore(afterDelete);
    const MacroRenumbering onOk = mgr->accept(*store);
    expect(onOk, {3, kNoMacroHere, 0, kMacroDeleted, 2});
    EXPECT_EQ(recordName((*store)[2]), u"Mc");
    EXPECT_EQ(recordName((*store)[3]), u"Z");
}

TEST(MacroNames, OrderAndGeneratedNames) {
    EXPECT_LT(compareMacroNames(u"alpha", u"Beta"), 0);
    EXPECT_LT(compareMacroNames(u"Macro_1", u"macro_2"), 0);
    EXPECT_LT(compareMacroNames(u"ABC", u"abc"), 0);  // case only breaks ties
    EXPECT_EQ(compareMacroNames(u"宏", u"宏"), 0);
    EXPECT_LT(compareMacroNames(u"Macro", u"Macro_"), 0);
    EXPECT_LT(compareMacroNames(u"Macro_", u"宏"), 0);
    const std::pair<int, std::u16string> names[] = {
        {1, u"Macro_001"}, {9, u"Macro_009"}, {10, u"Macro_010"}, {98, u"Macro_098"}, {99, u"Macro_99"}, {100, u"Macro_100"}};
    for (const auto& [i, name] : names) EXPECT_EQ(generatedMacroName(i), name);
    EXPECT_EQ(newMacroName({u"Macro_001", u"macro_002"}), u"Macro_002");
    EXPECT_EQ(parseLoopText(u" 12x"), 12);
    EXPECT_EQ(parseLoopText(u""), 0);
}

}  // namespace
}  // namespace vandrel

namespace vandrel {
namespace {

// Gaps come from the key events' own stamps; an event without a stamp after
// stamped ones is timed on from the last stamp, never on another time scale.
TEST(EventTimeClock, StampsThenUnstampedEventsStayOnOneScale) {
    EventTimeClock clock;
    clock.setEventTime(5000);
    const int64_t first = clock.counter();
    clock.setEventTime(5300);
    EXPECT_EQ(EventListModel::gapToMs(clock.counter() - first, clock.frequency()), 300);
    clock.setEventTime(0);
    const int64_t later = clock.counter();
    EXPECT_GE(later, 5300 * 1000);
    EXPECT_LT(later - 5300 * 1000, 5 * 1000 * 1000);  // not the steady clock's epoch
}

}  // namespace
}  // namespace vandrel
