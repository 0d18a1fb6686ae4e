// Undo and redo across the whole configuration: panel edits, a dialog's
// result that touches several parts at once, a save in between, and the
// history's limits.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "app/model/ChangeHistory.h"

namespace vandrel {
namespace {

bool same(const AppState& a, const AppState& b) {
    return std::memcmp(&a.image, &b.image, sizeof a.image) == 0 && std::memcmp(&a.keys, &b.keys, sizeof a.keys) == 0 &&
           std::memcmp(&a.reassigned, &b.reassigned, sizeof a.reassigned) == 0 &&
           std::memcmp(&a.macros, &b.macros, sizeof a.macros) == 0;
}

// What a macro manager or a loaded profile leaves: every part changed at once.
void dialogResult(AppState& s) {
    s.image.deviceKeyMap[100] = 0x2C;
    s.image.macroSlots[3][0] = 0x81;
    s.keys.records[40].type = 7;
    s.keys.records[40].path[440] = 9;
    s.reassigned[40] = 1;
    s.macros.records[2].macroName[10] = 'a';
}

TEST(ChangeHistory, UndoAndRedoAcrossADialogResult) {
    auto s = std::make_unique<AppState>();
    ChangeHistory h;
    h.reset(*s);
    s->image.ledEffect = 4;  // a panel click
    h.record(*s);
    const auto afterPanel = std::make_unique<AppState>(*s);
    dialogResult(*s);
    EXPECT_EQ(h.record(*s), kPartImage | kPartKeys | kPartReassigned | kPartMacros);
    const auto afterDialog = std::make_unique<AppState>(*s);

    EXPECT_EQ(h.undo(*s), kPartImage | kPartKeys | kPartReassigned | kPartMacros);
    EXPECT_TRUE(same(*s, *afterPanel));
    EXPECT_EQ(h.undo(*s), unsigned{kPartImage});
    EXPECT_EQ(s->image.ledEffect, 0);
    EXPECT_EQ(h.undo(*s), 0u);  // nothing left

    h.redo(*s);
    h.redo(*s);
    EXPECT_TRUE(same(*s, *afterDialog));
    EXPECT_FALSE(h.canRedo());
}

TEST(ChangeHistory, AChangeNotYetRecordedIsUndoneFirstAndEndsTheRedoTail) {
    auto s = std::make_unique<AppState>();
    ChangeHistory h;
    h.reset(*s);
    s->image.ledSpeed = 3;
    h.record(*s);
    h.undo(*s);
    s->image.ledBrightness = 9;  // a slider still moving: not recorded yet
    h.undo(*s);
    EXPECT_EQ(s->image.ledBrightness, 0);
    EXPECT_EQ(h.redo(*s), unsigned{kPartImage});
    EXPECT_EQ(s->image.ledBrightness, 9);
    EXPECT_EQ(s->image.ledSpeed, 0);  // the older redo was dropped by the new change
    EXPECT_FALSE(h.canRedo());
}

TEST(ChangeHistory, UndoAfterSaveBringsTheOldValueBackAsAPendingChange) {
    auto s = std::make_unique<AppState>();
    ChangeHistory h;
    h.reset(*s);
    s->image.diyMaps[2][17] = 0xAA;
    h.record(*s);
    // Save: the keyboard now holds the edit; the history is kept.
    s->shadow = s->image;
    h.rebase(*s);
    h.undo(*s);
    EXPECT_EQ(s->image.diyMaps[2][17], 0);
    EXPECT_NE(std::memcmp(&s->image, &s->shadow, sizeof s->image), 0);
    h.redo(*s);
    EXPECT_EQ(std::memcmp(&s->image, &s->shadow, sizeof s->image), 0);
}

TEST(ChangeHistory, ARebasedReadIsNoStepAndUndoPutsBackOnlyItsOwnBytes) {
    auto s = std::make_unique<AppState>();
    ChangeHistory h;
    h.reset(*s);
    s->image.ledColor = 5;
    h.record(*s);
    s->image.reportRate = 2;  // read from the keyboard
    h.rebase(*s);
    EXPECT_EQ(h.record(*s), 0u);
    h.undo(*s);
    EXPECT_EQ(s->image.ledColor, 0);
    EXPECT_EQ(s->image.reportRate, 2);
}

TEST(ChangeHistory, MergedChangeIsOneStep) {
    auto s = std::make_unique<AppState>();
    ChangeHistory h;
    h.reset(*s);
    s->image.deviceKeyMap[4] = 1;  // the profile's image
    h.record(*s);
    s->reassigned[3] = 1;          // the flags derived afterwards
    h.record(*s, true);
    EXPECT_EQ(h.stepCount(), 1u);
    h.undo(*s);
    EXPECT_EQ(s->image.deviceKeyMap[4], 0);
    EXPECT_EQ(s->reassigned[3], 0);
}

TEST(ChangeHistory, KeepsAHundredStepsWithinItsBudget) {
    auto s = std::make_unique<AppState>();
    ChangeHistory h;
    h.reset(*s);
    for (int i = 0; i < 130; ++i) {
        s->image.diyMaps[i % 5][(i * 4) % 512] ^= 0x11;
        s->keys.records[i % 100].data[i] ^= 1;
        h.record(*s);
    }
    EXPECT_EQ(h.stepCount(), ChangeHistory::kDefaultSteps);
    EXPECT_LT(h.memoryBytes(), ChangeHistory::kDefaultBudget);
    int undone = 0;
    while (h.undo(*s) != 0) ++undone;
    EXPECT_EQ(undone, 100);

    // Steps as large as a whole macro store: the budget wins, the newest stays.
    ChangeHistory tight(100, 1024 * 1024);
    tight.reset(*s);
    for (int i = 0; i < 20; ++i) {
        std::memset(&s->macros, i + 1, sizeof s->macros);
        tight.record(*s);
    }
    EXPECT_LT(tight.memoryBytes(), 1024u * 1024 + sizeof(AppState));
    EXPECT_GE(tight.stepCount(), 1u);
}

}  // namespace
}  // namespace vandrel
