// The key-map dialog's rules without a window: what opening shows, the focus
// rules of the two key fields, the page switches and what OK leaves for the
// main window.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "app/model/KeyMapDialogModel.h"
#include "keymap/KeyState.h"
#include "util/Utf16.h"

namespace vandrel {
namespace {

// Points inside the dialog's buttons and cells.
constexpr int kTabX[4] = {40, 121, 202, 283};
constexpr int kTabY = 45;
const std::pair<int, int> kOk{285, 257}, kInitial{176, 257}, kSwitch{24, 255};
std::pair<int, int> marker(int row) { return {20, 76 + 30 * row}; }
std::pair<int, int> browse(int row) { return {279, 75 + 30 * row}; }

constexpr uint8_t kLCtrl = 0xA2, kC = 0x43, kV = 0x56, kA = 0x41, kX = 0x58;

class KeyMapModelTest : public ::testing::Test {
protected:
    KeyMapModelTest() {
        image.clear();
        std::memset(image.keyMask, 0xFF, sizeof image.keyMask);
        records.clear();
        records.restoreHomeCodes();
        macros.clear();
    }
    void open(int slot = 42) { model.open(slot, records[slot], image, macros, true); }
    KeyMapClickResult click(std::pair<int, int> p) { return model.click(p.first, p.second); }
    KeyMapClickResult tab(int page) { return model.click(kTabX[page], kTabY); }

    DeviceImage image;
    KeyRecordTable records;
    MacroStore macros;
    KeyMapDialogModel model;
};

TEST_F(KeyMapModelTest, CombinationRecordIsShownAndKeptOnFirstFocus) {
    KeyRecord& r = records[42];
    r.type = 1;
    r.length = 2;
    r.data[0] = kLCtrl;
    r.data[1] = kC;
    open();
    EXPECT_EQ(model.combinationText(), u"LCtrl + C ");
    EXPECT_TRUE(model.firstFocusKeepsRecord());

    model.focusEdit(EditField::Combination);
    model.keyStroke(kV);  // a third key joins the kept two
    EXPECT_EQ(model.combinationText(), u"LCtrl + C + V ");
    EXPECT_EQ(model.request().codeCount, 3u);
    model.keyStroke(kA);  // a fourth starts a new combination with itself
    EXPECT_EQ(model.combinationText(), u"A ");
    EXPECT_EQ(model.request().codeCount, 1u);
    EXPECT_EQ(model.request().codes[1], 0);
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, 1);
    EXPECT_EQ(model.request().codeCount, 1u);

    // Focusing the single-key field first starts a new single key instead.
    open();
    model.focusEdit(EditField::Single);
    EXPECT_TRUE(model.combinationText().empty());
    EXPECT_EQ(model.request().codeCount, 0u);
    model.keyStroke(kX);
    model.keyStroke(kA);
    EXPECT_EQ(model.singleText(), u"A ");
    click(kOk);
    EXPECT_EQ(model.request().assignType, 0);
    EXPECT_EQ(model.request().codeCount, 1u);
    EXPECT_EQ(model.request().codes[0], kA);
}

// Clicks on the dialog's picture take the focus from a key field; the field
// getting it back must keep what it shows, and only a switch to the other
// field (or another page) starts a new assignment.
TEST_F(KeyMapModelTest, RefocusingTheActiveFieldKeepsItsKeys) {
    constexpr uint8_t kB = 0x42;
    open();
    model.focusEdit(EditField::Single);
    model.keyStroke(kB);
    click({150, 200});  // free space
    click(kSwitch);
    click(kSwitch);
    tab(kPageKeys);     // the page already showing
    model.focusEdit(EditField::Single);
    EXPECT_EQ(model.singleText(), u"B ");
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, 0);
    EXPECT_EQ(model.request().codeCount, 1u);
    EXPECT_EQ(model.request().codes[0], kB);

    // A combination kept through a re-focus; the single-key field then starts
    // afresh, and whatever the codes, the texts say the same.
    open();
    model.focusEdit(EditField::Combination);
    model.keyStroke(kLCtrl);
    model.focusEdit(EditField::Combination);
    model.keyStroke(kC);
    EXPECT_EQ(model.combinationText(), u"LCtrl + C ");
    EXPECT_EQ(model.request().codeCount, 2u);
    model.focusEdit(EditField::Single);
    EXPECT_TRUE(model.combinationText().empty());
    EXPECT_TRUE(model.singleText().empty());
    EXPECT_EQ(model.request().codeCount, 0u);
    model.keyStroke(kB);
    model.focusEdit(EditField::Combination);
    EXPECT_TRUE(model.singleText().empty());
    EXPECT_EQ(model.request().codes[0], 0);

    // Another page and back: both fields empty, and the first focus starts afresh.
    model.keyStroke(kV);
    tab(kPageMacro);
    tab(kPageKeys);
    model.focusEdit(EditField::Combination);
    EXPECT_TRUE(model.combinationText().empty());
    EXPECT_EQ(model.request().codeCount, 0u);
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, static_cast<uint8_t>(AssignType::RestoreDefault));
}

TEST_F(KeyMapModelTest, KeysWithoutCaptureChangeNothingAndOkRestores) {
    model.open(42, records[42], image, macros, /*hookInstalled=*/false);
    model.keyStroke(kA);
    EXPECT_TRUE(model.singleText().empty());
    click(kOk);
    EXPECT_EQ(model.request().assignType, static_cast<uint8_t>(AssignType::RestoreDefault));
}

TEST_F(KeyMapModelTest, LaunchRows) {
    std::vector<int> asked;
    model.chooseLaunchPath = [&](int row, const std::u16string&) -> std::optional<std::u16string> {
        asked.push_back(row);
        if (row == 2) return std::nullopt;  // cancelled
        return u"/home/user/Music/a very long file name.mp3";
    };
    open();
    records[42].type = 1;
    tab(kPageLaunch);
    EXPECT_EQ(records[42].type, 255);  // the launch page clears the record at once
    click(browse(0));
    EXPECT_EQ(model.request().assignType, 4);
    EXPECT_EQ(model.launchKind(), 0);
    EXPECT_EQ(ShortLaunchPath(model.request().launchPath), u"../a very long file name.mp3");
    click(browse(2));  // cancelled: the earlier choice stands
    EXPECT_EQ(model.request().assignType, 4);
    EXPECT_EQ(model.markedRow(), 8);

    // Marking another row empties the path: OK waits for a path of that row.
    click(marker(1));
    EXPECT_EQ(model.launchKind(), 1);
    EXPECT_EQ(model.markedRow(), 4);
    EXPECT_TRUE(model.request().launchPath.empty());
    const KeyMapClickResult refused = click(kOk);
    EXPECT_EQ(refused.outcome, KeyMapClickResult::Outcome::Stay);
    EXPECT_TRUE(refused.askForLaunchPath);
    click(browse(1));
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, 5);
    EXPECT_FALSE(model.request().launchPath.empty());
    EXPECT_EQ(asked, (std::vector<int>{0, 2, 1}));

    // OK with no row marked on the launch page restores the key.
    open();
    tab(kPageLaunch);
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, static_cast<uint8_t>(AssignType::RestoreDefault));
}

// However the launch page was reached, OK never leaves a launch type with an
// empty path: the key would stop typing and launch nothing.
TEST_F(KeyMapModelTest, LaunchOkIsRefusedWhileTheMarkedRowHasNoPath) {
    model.chooseLaunchPath = [](int, const std::u16string&) -> std::optional<std::u16string> { return std::nullopt; };
    auto launchRecord = [&](const std::u16string& path) {
        KeyRecord& r = records[42];
        r.type = 5;
        std::memset(r.path, 0, sizeof r.path);
        for (size_t i = 0; i < path.size(); ++i) r.path[2 * i] = static_cast<uint8_t>(path[i]);
    };
    struct Case {
        const char* what;
        std::u16string storedPath;  // empty: no launch record
        std::function<void()> how;
    };
    const Case cases[] = {
        {"a fresh page with a row marked", u"", [&] { tab(kPageLaunch); click(marker(3)); }},
        {"a launch key, another row marked", u"/usr/bin/env", [&] { click(marker(2)); }},
        {"a launch key, its own row marked again", u"/usr/bin/env", [&] { click(marker(1)); }},
        {"a cancelled browse after marking", u"/usr/bin/env", [&] { click(marker(0)); click(browse(0)); }},
        {"a launch record without a path", u"", [&] { launchRecord(u""); open(); }},
    };
    for (const auto& c : cases) {
        records.clear();
        records.restoreHomeCodes();
        if (!c.storedPath.empty()) launchRecord(c.storedPath);
        open();
        c.how();
        const KeyMapClickResult r = click(kOk);
        EXPECT_EQ(r.outcome, KeyMapClickResult::Outcome::Stay) << c.what;
        EXPECT_TRUE(r.askForLaunchPath) << c.what;
        // "初始值" still restores from here.
        EXPECT_EQ(click(kInitial).outcome, KeyMapClickResult::Outcome::Accept) << c.what;
        EXPECT_EQ(model.request().codeCount, kRestoreCodeCount) << c.what;
    }
    // A reopened launch key with its path is accepted as it is, and the path
    // field tells the whole path that it shows shortened.
    launchRecord(u"/usr/local/bin/some-long-program-name");
    open();
    EXPECT_EQ(model.toolTipAt(100, 106), u"/usr/local/bin/some-long-program-name");
    EXPECT_TRUE(model.toolTipAt(100, 76).empty());
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, 5);
}

TEST_F(KeyMapModelTest, DisableSwitchOnEveryPageExceptInitialValueAndEmptyMacroPage) {
    setRecordName(macros[0], u"combo");
    struct Case {
        const char* what;
        int page;
        bool pickSomething;
        bool wantEnabled;
        uint8_t wantType;
    };
    const Case cases[] = {
        {"single key", kPageKeys, true, false, 0},
        {"keys page without codes", kPageKeys, false, false, 8},
        {"macro", kPageMacro, true, false, 2},
        {"macro page without a selection", kPageMacro, false, true, 8},
        {"function", kPageFunction, true, false, 3},
    };
    for (const auto& c : cases) {
        open();
        tab(c.page);
        if (c.pickSomething) {
            if (c.page == kPageKeys) {
                model.focusEdit(EditField::Single);
                model.keyStroke(kA);
            }
            if (c.page == kPageMacro) model.selectMacroRow(0);
            if (c.page == kPageFunction) model.selectTreeItem(1);  // 运行
        }
        click(kSwitch);
        EXPECT_EQ(model.disableSwitch(), 1) << c.what;
        EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept) << c.what;
        EXPECT_EQ(model.request().keyEnabled, c.wantEnabled) << c.what;
        EXPECT_EQ(model.request().assignType, c.wantType) << c.what;
    }
    // "初始值" asks for a restore, which enables the key.
    open();
    click(kSwitch);
    EXPECT_EQ(click(kInitial).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().codeCount, kRestoreCodeCount);

    // A disabled key opens with the switch on; the Fn position reads slot 101's bit.
    SetKeyEnabled(image, 101, false);
    open(100);
    EXPECT_EQ(model.disableSwitch(), 1);
    open(42);
    EXPECT_EQ(model.disableSwitch(), 0);
}

TEST_F(KeyMapModelTest, FunctionTreeKeepsTheLastChoiceAndRefusesCategories) {
    open();
    tab(kPageFunction);
    // Nothing chosen: OK keeps the key as it was, rather than marking it
    // reassigned while the keyboard keeps its action.
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, kKeepAssignment);
    open();
    tab(kPageFunction);
    model.selectTreeItem(2);  // 多媒体
    const KeyMapClickResult refused = click(kOk);
    EXPECT_EQ(refused.outcome, KeyMapClickResult::Outcome::Stay);
    EXPECT_TRUE(refused.askForSubItem);
    model.selectTreeItem(18);  // 全选
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().functionName, u"全选");

    // Another key without a function record preselects the last choice.
    open(43);
    EXPECT_EQ(model.treeItem(), 18);
    EXPECT_EQ(model.currentPage(), kPageKeys);
    // A function record opens its own page and label.
    KeyRecord& r = records[44];
    r.type = 3;
    const uint8_t copy[4] = {0, 0xE0, 0x06, 0};
    std::memcpy(r.data, copy, 4);
    open(44);
    EXPECT_EQ(model.currentPage(), kPageFunction);
    EXPECT_EQ(model.request().functionName, u"复制");
}

// OK on the function page with nothing chosen: the key keeps its record
// (even after a page switch emptied it), its entry and its mark, and the
// disable switch applies as on the other pages.
TEST_F(KeyMapModelTest, FunctionPageWithoutAChoiceKeepsTheKeyButAppliesTheSwitch) {
    ReassignedFlags flags;
    flags.clear();
    std::memcpy(image.deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes);
    const KeymapSaver noFile = [](const DeviceImage&, const KeyRecordTable&) { return true; };
    // Q bound to macro 3, marked.
    KeyRecord& r = records[42];
    r.type = 2;
    r.data[0] = 4, r.data[1] = 1, r.data[2] = 3;
    const uint8_t macroEntry[4] = {4, 1, 3, 0};
    std::memcpy(&image.deviceKeyMap[SlotCellOffset[42]], macroEntry, 4);
    flags[42] = 1;
    const KeyRecord before = r;
    for (bool disable : {true, false}) {
        SCOPED_TRACE(disable ? "switched off" : "switched back on");
        open();
        tab(kPageLaunch);  // empties the record on the way
        tab(kPageFunction);
        if (model.disableSwitch() != (disable ? 1 : 0)) click(kSwitch);
        ASSERT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
        AssignmentRequest request = model.request();
        CommitKeyAssignment(request, image, records, flags, noFile, {});
        EXPECT_EQ(std::memcmp(&records[42], &before, sizeof before), 0);
        EXPECT_EQ(std::memcmp(&image.deviceKeyMap[SlotCellOffset[42]], macroEntry, 4), 0);
        EXPECT_EQ(IsKeyEnabled(image, 42), !disable);
        EXPECT_EQ(flags[42], 1);
    }
    // A key with no assignment that is switched back on loses its mark.
    SetKeyEnabled(image, 43, false);
    flags[43] = 1;
    open(43);
    EXPECT_EQ(model.disableSwitch(), 1);
    tab(kPageFunction);
    click(kSwitch);
    ASSERT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    AssignmentRequest request = model.request();
    CommitKeyAssignment(request, image, records, flags, noFile, {});
    EXPECT_TRUE(IsKeyEnabled(image, 43));
    EXPECT_EQ(flags[43], 0);
    EXPECT_EQ(records[43].type, 0);
}

TEST_F(KeyMapModelTest, KeysTabClearsTheRecordWhenComingFromAnotherPage) {
    KeyRecord& r = records[42];
    r.type = 2;
    r.data[0] = 4;
    r.data[1] = 1;
    r.data[2] = 0;
    setRecordName(macros[0], u"m");
    open();
    EXPECT_EQ(model.currentPage(), kPageMacro);
    EXPECT_EQ(model.macroRow(), 0);
    const KeyMapClickResult res = tab(kPageKeys);
    EXPECT_TRUE(res.focusSingleEdit);
    EXPECT_EQ(r.type, 0);
    EXPECT_EQ(r.data[0], 0);
    EXPECT_EQ(model.request().assignType, 0);
}

// A store from another program can list more macros than the keyboard holds;
// choosing one past the keyboard's slots must not end as a binding the
// keyboard never gets.
TEST_F(KeyMapModelTest, OkRefusesAMacroPastTheKeyboardsSlots) {
    for (int i = 0; i < 40; ++i) setRecordName(macros[i], u"m" + std::u16string(1, char16_t(u'A' + i)));
    open();
    tab(kPageMacro);
    ASSERT_EQ(model.macroNames().size(), 40u);
    model.selectMacroRow(32);
    const KeyMapClickResult refused = click(kOk);
    EXPECT_EQ(refused.outcome, KeyMapClickResult::Outcome::Stay);
    EXPECT_TRUE(refused.askForKeyboardMacro);
    model.selectMacroRow(31);
    EXPECT_EQ(click(kOk).outcome, KeyMapClickResult::Outcome::Accept);
    EXPECT_EQ(model.request().assignType, 2);
    EXPECT_EQ(model.request().macroIndex, 31);
}

}  // namespace
TEST_F(KeyMapModelTest, KeyboardOnTheLaunchPageEndsAsTheMouseDoes) {
    open();
    const auto keys = [&](std::initializer_list<NavKey> ks) {
        KeyMapClickResult last;
        for (NavKey k : ks) last = model.navigate(k, model.elements()).click;
        return last;
    };
    // Space on the launch tab opens the page; Tab reaches the first row's
    // choice, Space marks it; Enter there is Save, as the mouse's Save is.
    model.setFocus(kKeyMapTabLaunch);
    keys({NavKey::Activate});
    EXPECT_EQ(model.currentPage(), kPageLaunch);
    keys({NavKey::Tab, NavKey::Activate});
    EXPECT_EQ(model.focus().id, kKeyMapLaunchMarkerBase);
    EXPECT_EQ(model.markedRow(), 0);
    EXPECT_EQ(model.launchKind(), 0);
    // Marked but without a path: Save is refused with its message, as a
    // click on Save is.
    const KeyMapClickResult ok = keys({NavKey::Accept});
    EXPECT_EQ(ok.outcome, KeyMapClickResult::Outcome::Stay);
    EXPECT_TRUE(ok.askForLaunchPath);
    // Escape is Cancel wherever the focus is.
    EXPECT_EQ(keys({NavKey::Escape}).outcome, KeyMapClickResult::Outcome::Reject);
}

TEST_F(KeyMapModelTest, TheArrowsOnTheTabStripOpenThePagesAndKeepTheFocusThere) {
    open();
    const auto arrow = [&](NavKey k) { return model.navigate(k, model.elements()); };
    model.setFocus(kKeyMapTabKeys);
    struct Step {
        NavKey key;
        int tab;
        int page;
    };
    for (const Step& s : {Step{NavKey::Right, kKeyMapTabMacro, kPageMacro},
                          Step{NavKey::Right, kKeyMapTabFunction, kPageFunction},
                          Step{NavKey::Right, kKeyMapTabLaunch, kPageLaunch},
                          Step{NavKey::Right, kKeyMapTabLaunch, kPageLaunch},  // the strip ends there
                          Step{NavKey::Left, kKeyMapTabFunction, kPageFunction}}) {
        const KeyMapDialogModel::NavResult r = arrow(s.key);
        EXPECT_TRUE(r.handled);
        EXPECT_EQ(model.focus().id, s.tab);
        EXPECT_EQ(model.currentPage(), s.page);
        EXPECT_EQ(r.click.outcome, KeyMapClickResult::Outcome::Stay);
    }
    // Back on the keys page the focus stays on its tab rather than jumping
    // into the key field, so that the arrows go on walking the strip.
    arrow(NavKey::Left);
    const KeyMapDialogModel::NavResult r = arrow(NavKey::Left);
    EXPECT_EQ(model.currentPage(), kPageKeys);
    EXPECT_EQ(model.focus().id, kKeyMapTabKeys);
    EXPECT_FALSE(r.click.focusSingleEdit);
    EXPECT_EQ(model.request().assignType, static_cast<uint8_t>(AssignType::SingleKey));
}

}  // namespace vandrel
