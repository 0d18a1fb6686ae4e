// The main window's painting tools on their model: strokes, the eyedropper,
// selections, fills, zones, gradients, whole maps and the keyboard's cursor.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/model/DiyPaintModel.h"

namespace vandrel {
namespace {

constexpr Rgb kRed{0xFF, 0, 0}, kGreen{0, 0xFF, 0}, kBlue{0, 0, 0xFF};

DeviceImage imageShowing(int map) {
    DeviceImage im;
    im.clear();
    im.ledEffect = static_cast<uint8_t>(kFirstDiyEffect + map);
    return im;
}

int slotOf(const char* name) { return *diySlotByName(name); }
int centreX(int slot) { return kKeyboardOriginX + (KeyGeometry[slot].rect.left + KeyGeometry[slot].rect.right) / 2; }
int centreY(int slot) { return kKeyboardOriginY + (KeyGeometry[slot].rect.top + KeyGeometry[slot].rect.bottom) / 2; }

std::vector<int> paintedKeys(const DeviceImage& im, int map) {
    std::vector<int> out;
    for (int s : diyPaintableSlots())
        if (!diyKeyColour(im, map, s).black()) out.push_back(s);
    return out;
}

// A model whose brush was chosen: a click on a key paints with it.
DiyPaintModel painting() {
    DiyPaintModel m;
    m.setBrush(kRed);
    return m;
}

DiyResult clickTool(DiyPaintModel& m, int id, DeviceImage& im) {
    const HitRect r = diyToolRect(id);
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    m.press(x, y, DiyButton::Left, {}, im, true);
    return m.release(x, y, im, true);
}

TEST(DiyPaintModel, APlainClickIsTheColourDialogsUntilABrushIsChosen) {
    DiyPaintModel m;
    DeviceImage im = imageShowing(2);
    const int q = slotOf("Q");
    EXPECT_FALSE(m.press(centreX(q), centreY(q), DiyButton::Left, {}, im, true).handled);
    EXPECT_TRUE(paintedKeys(im, 2).empty());
    // Ctrl+click clears from the start; a palette colour turns the brush on.
    EXPECT_TRUE(m.press(centreX(q), centreY(q), DiyButton::Left, {false, true, false}, im, true).handled);
    m.release(centreX(q), centreY(q), im, true);
    im.ledPalette[0][0] = 0x10;
    clickTool(m, kDiyPaletteBase, im);
    EXPECT_TRUE(m.brushOn());
    EXPECT_TRUE(m.press(centreX(q), centreY(q), DiyButton::Left, {}, im, true).handled);
}

TEST(DiyPaintModel, AStrokePaintsEveryKeyItCrossesAndEndsOnceAtRelease) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(2);
    const int q = slotOf("Q"), y = slotOf("Y");
    DiyResult r = m.press(centreX(q), centreY(q), DiyButton::Left, {}, im, true);
    EXPECT_TRUE(r.handled);
    EXPECT_FALSE(r.changed);  // the step ends at the release
    EXPECT_EQ(r.keys, std::vector<int>{q});
    // One fast move from Q to Y crosses W, E, R and T.
    r = m.move(centreX(y), centreY(y), im);
    EXPECT_EQ(r.keys.size(), 5u);
    r = m.release(centreX(y), centreY(y), im, true);
    EXPECT_TRUE(r.changed);
    for (const char* k : {"Q", "W", "E", "R", "T", "Y"}) EXPECT_EQ(diyKeyColour(im, 2, slotOf(k)), kRed) << k;
    EXPECT_EQ(paintedKeys(im, 2).size(), 6u);
    EXPECT_TRUE(paintedKeys(im, 0).empty());  // only the map shown
    EXPECT_EQ(m.recent(), std::vector<Rgb>{kRed});

    // The same stroke again changes nothing: no undo step.
    m.press(centreX(q), centreY(q), DiyButton::Left, {}, im, true);
    EXPECT_FALSE(m.release(centreX(q), centreY(q), im, true).changed);
}

TEST(DiyPaintModel, CtrlClearsRightTakesTheColourShiftIsTheDialogs) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(0);
    const int w = slotOf("W"), a = slotOf("A");
    setDiyKeyColour(im, 0, w, kGreen);
    setDiyKeyColour(im, 0, a, kBlue);

    DiyResult r = m.press(centreX(w), centreY(w), DiyButton::Right, {}, im, true);
    EXPECT_TRUE(r.handled);
    EXPECT_EQ(m.brush(), kGreen);
    EXPECT_EQ(diyKeyColour(im, 0, w), kGreen);
    EXPECT_FALSE(m.active());

    DiyModifiers ctrl;
    ctrl.ctrl = true;
    m.press(centreX(a), centreY(a), DiyButton::Left, ctrl, im, true);
    EXPECT_TRUE(m.release(centreX(a), centreY(a), im, true).changed);
    EXPECT_TRUE(diyKeyColour(im, 0, a).black());
    EXPECT_TRUE(m.recent().empty());  // clearing uses no colour

    DiyModifiers shift;
    shift.shift = true;
    EXPECT_FALSE(m.press(centreX(a), centreY(a), DiyButton::Left, shift, im, true).handled);
    // Media keys and free space are no strokes; nothing without a map.
    EXPECT_FALSE(m.press(centreX(kFirstMediaSlot), centreY(kFirstMediaSlot), DiyButton::Left, {}, im, true).handled);
    DeviceImage builtIn = imageShowing(0);
    builtIn.ledEffect = 2;
    EXPECT_FALSE(m.press(centreX(w), centreY(w), DiyButton::Left, {}, builtIn, true).handled);
}

TEST(DiyPaintModel, SelectionRectangleBoundsFillsAndGradients) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(1);
    const int q = slotOf("Q"), r4 = slotOf("R");
    DiyModifiers alt;
    alt.alt = true;
    m.press(centreX(q), centreY(q), DiyButton::Left, alt, im, true);
    m.move(centreX(r4), centreY(r4), im);
    HitRect band;
    EXPECT_TRUE(m.band(band));
    m.release(centreX(r4), centreY(r4), im, true);
    EXPECT_FALSE(m.band(band));
    const std::vector<int> qwer = {slotOf("Q"), slotOf("W"), slotOf("E"), slotOf("R")};
    EXPECT_EQ(m.selection(), qwer);
    EXPECT_TRUE(paintedKeys(im, 1).empty());  // selecting paints nothing

    EXPECT_TRUE(clickTool(m, kDiyFillId, im).changed);
    EXPECT_EQ(paintedKeys(im, 1), qwer);

    // A horizontal gradient runs from the brush on Q to the second colour on R.
    m.setBrush(kGreen);
    m.setSecond(kBlue);
    EXPECT_TRUE(clickTool(m, kDiyGradientHId, im).changed);
    EXPECT_EQ(diyKeyColour(im, 1, slotOf("Q")), kGreen);
    EXPECT_EQ(diyKeyColour(im, 1, slotOf("R")), kBlue);
    const Rgb mid = diyKeyColour(im, 1, slotOf("W"));
    EXPECT_TRUE(mid.g > 0 && mid.b > 0 && mid.r == 0);
    EXPECT_EQ(m.recent().front(), kGreen);

    // Without a selection a fill takes the whole map, media keys aside.
    m.clearSelection();
    clickTool(m, kDiyFillId, im);
    EXPECT_EQ(paintedKeys(im, 1).size(), diyPaintableSlots().size());
    EXPECT_TRUE(diyKeyColour(im, 1, kFirstMediaSlot).black());
    // Filling again with the same colour is no step.
    EXPECT_FALSE(clickTool(m, kDiyFillId, im).changed);

    // Alt+click between the keys drops the selection.
    m.press(centreX(q), centreY(q), DiyButton::Left, alt, im, true);
    m.release(centreX(q), centreY(q), im, true);
    EXPECT_EQ(m.selection(), std::vector<int>{q});
    m.press(kKeyboardOriginX + 2, kKeyboardOriginY + 2, DiyButton::Left, alt, im, true);
    m.release(kKeyboardOriginX + 2, kKeyboardOriginY + 2, im, true);
    EXPECT_TRUE(m.selection().empty());
}

TEST(DiyPaintModel, ZoneChooserAndZoneFill) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(0);
    EXPECT_EQ(m.zone(), DiyZone::Letters);
    for (int i = 0; i < 3; ++i) clickTool(m, kDiyZoneId, im);
    EXPECT_EQ(m.zone(), DiyZone::Wasd);
    m.setBrush(kBlue);
    EXPECT_TRUE(clickTool(m, kDiyFillZoneId, im).changed);
    EXPECT_EQ(paintedKeys(im, 0), diyZoneSlots(DiyZone::Wasd));
    EXPECT_EQ(diyKeyColour(im, 0, slotOf("S")), kBlue);
    // The chooser goes round.
    for (int i = 0; i < kDiyZoneCount; ++i) clickTool(m, kDiyZoneId, im);
    EXPECT_EQ(m.zone(), DiyZone::Wasd);
}

TEST(DiyPaintModel, BrushColoursFromPaletteRecentAndDialogs) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(0);
    im.ledPalette[3][0] = 1, im.ledPalette[3][1] = 2, im.ledPalette[3][2] = 3;
    clickTool(m, kDiyPaletteBase + 3, im);
    EXPECT_EQ(m.brush(), (Rgb{1, 2, 3}));
    EXPECT_EQ(clickTool(m, kDiyBrushId, im).command, DiyCommand::PickBrush);
    EXPECT_EQ(clickTool(m, kDiySecondId, im).command, DiyCommand::PickSecond);
    EXPECT_EQ(clickTool(m, kDiyImportId, im).command, DiyCommand::ImportPicture);
    EXPECT_EQ(clickTool(m, kDiyExportId, im).command, DiyCommand::ExportPicture);

    // Nine colours used: the last eight stay, the latest first, no repeats.
    for (uint8_t i = 1; i <= 9; ++i) {
        m.setBrush({i, 0, 0});
        m.paintKey(slotOf("A"), im);
    }
    m.setBrush({5, 0, 0});
    m.paintKey(slotOf("A"), im);
    ASSERT_EQ(m.recent().size(), 8u);
    EXPECT_EQ(m.recent()[0], (Rgb{5, 0, 0}));
    EXPECT_EQ(m.recent()[1], (Rgb{9, 0, 0}));
    EXPECT_EQ(m.recent()[7], (Rgb{2, 0, 0}));
    clickTool(m, kDiyRecentBase + 1, im);
    EXPECT_EQ(m.brush(), (Rgb{9, 0, 0}));
    // Recent places not yet filled are no tools.
    DiyPaintModel fresh;
    const HitRect r = diyToolRect(kDiyRecentBase);
    EXPECT_EQ(fresh.toolAt(r.left + 2, r.top + 2, true), -1);
    // The panel's swatches only while the lighting section is open.
    const HitRect b = diyToolRect(kDiyBrushId);
    EXPECT_EQ(m.toolAt(b.left + 2, b.top + 2, false), -1);
}

TEST(DiyPaintModel, WholeMapsCopySwapClearAndChoose) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(0);
    setDiyKeyColour(im, 0, slotOf("Q"), kRed);
    setDiyKeyColour(im, 3, slotOf("P"), kBlue);

    // Copy: the button waits for the map to copy onto.
    EXPECT_FALSE(clickTool(m, kDiyCopyId, im).changed);
    EXPECT_EQ(m.pendingMapOperation(), DiyPaintModel::MapOperation::Copy);
    EXPECT_TRUE(clickTool(m, kDiyMapBase + 2, im).changed);
    EXPECT_EQ(m.pendingMapOperation(), DiyPaintModel::MapOperation::None);
    EXPECT_EQ(paintedKeys(im, 2), std::vector<int>{slotOf("Q")});
    EXPECT_EQ(im.ledEffect, kFirstDiyEffect);  // still painting map 1

    clickTool(m, kDiySwapId, im);
    EXPECT_TRUE(clickTool(m, kDiyMapBase + 3, im).changed);
    EXPECT_EQ(paintedKeys(im, 0), std::vector<int>{slotOf("P")});
    EXPECT_EQ(paintedKeys(im, 3), std::vector<int>{slotOf("Q")});

    // Onto itself, or pressed twice: nothing.
    clickTool(m, kDiyCopyId, im);
    EXPECT_FALSE(clickTool(m, kDiyMapBase, im).changed);
    clickTool(m, kDiyCopyId, im);
    clickTool(m, kDiyCopyId, im);
    EXPECT_EQ(m.pendingMapOperation(), DiyPaintModel::MapOperation::None);

    EXPECT_TRUE(clickTool(m, kDiyClearMapId, im).changed);
    EXPECT_TRUE(paintedKeys(im, 0).empty());
    EXPECT_FALSE(clickTool(m, kDiyClearMapId, im).changed);

    // A map clicked with nothing pending is the one painted.
    clickTool(m, kDiyMapBase + 4, im);
    EXPECT_EQ(im.ledEffect, kFirstDiyEffect + 4);

    // A press on a tool released elsewhere does nothing.
    const HitRect r = diyToolRect(kDiyClearMapId);
    setDiyKeyColour(im, 4, slotOf("Q"), kRed);
    m.press(r.left + 2, r.top + 2, DiyButton::Left, {}, im, true);
    EXPECT_FALSE(m.release(r.left - 30, r.top + 2, im, true).changed);
    EXPECT_EQ(paintedKeys(im, 4).size(), 1u);
}

TEST(DiyPaintModel, KeyboardCursorPaintsClearsAndExtendsTheSelection) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(0);
    const int q = slotOf("Q"), w = slotOf("W"), e = slotOf("E"), a = slotOf("A"), s = slotOf("S");
    EXPECT_TRUE(m.paintKey(q, im).changed);
    EXPECT_FALSE(m.paintKey(q, im).changed);
    EXPECT_FALSE(m.paintKey(kFirstMediaSlot, im).changed);
    EXPECT_TRUE(m.clearKey(q, im).changed);
    EXPECT_TRUE(paintedKeys(im, 0).empty());

    // Shift+Right twice from Q, then Shift+Down: the block Q..E over A..D.
    m.extendSelection(q, w);
    EXPECT_EQ(m.selection(), (std::vector<int>{q, w}));
    m.extendSelection(w, e);
    EXPECT_EQ(m.selection(), (std::vector<int>{q, w, e}));
    m.extendSelection(e, slotOf("D"));
    std::vector<int> block = {q, w, e, a, s, slotOf("D")};
    std::sort(block.begin(), block.end());
    EXPECT_EQ(m.selection(), block);
    // A new selection starts at the cursor once the old one is gone.
    m.clearSelection();
    m.extendSelection(a, s);
    EXPECT_EQ(m.selection(), (std::vector<int>{a, s}));
}

TEST(DiyPaintModel, ToolsAreNamedForTheReader) {
    DiyPaintModel m = painting();
    DeviceImage im = imageShowing(1);
    UiElements panel, strip;
    m.panelElements(panel, im, {});
    m.stripElements(strip, im, {});
    ASSERT_FALSE(panel.empty());
    EXPECT_EQ(panel.front().id, kDiyBrushId);
    EXPECT_NE(panel.front().name.find("#FF0000"), std::string::npos);
    EXPECT_EQ(panel.size(), 1u + kDiyPaletteCount);  // no recent colours yet
    const UiElement* map2 = findElement(strip, kDiyMapBase + 1);
    ASSERT_NE(map2, nullptr);
    EXPECT_TRUE(map2->checked);
    EXPECT_FALSE(findElement(strip, kDiyMapBase)->checked);
    for (const UiElement& e : strip) EXPECT_FALSE(e.name.empty()) << e.id;
    // Every tool rectangle is distinct, below the picture and the band that
    // says no keyboard is there, above the note at the window's foot.
    for (const DiyTool& t : diyTools()) {
        EXPECT_GE(t.rect.top, 480);
        EXPECT_LE(t.rect.bottom, 556);
        EXPECT_LE(t.rect.right, 977);
        for (const DiyTool& u : diyTools()) {
            if (u.id == t.id) continue;
            EXPECT_TRUE(t.rect.right < u.rect.left || u.rect.right < t.rect.left || t.rect.bottom < u.rect.top ||
                        u.rect.bottom < t.rect.top)
                << t.id << " " << u.id;
        }
    }
}

}  // namespace
}  // namespace vandrel
