// The main window's model: layout, hit tests, the click dispatcher, hovering
// and dragging, and the drawing-time rules of the panel.

#include <gtest/gtest.h>

#include <set>

#include "app/model/KeyDescription.h"
#include "app/model/MainWindowModel.h"
#include "config/Settings.h"

namespace vandrel {
namespace {

DeviceImage makeImage(uint8_t effect = 2, uint8_t colour = 1) {
    DeviceImage image{};
    image.ledEffect = effect;
    image.ledColor = colour;
    return image;
}

int keyX(int slot) { return KeyGeometry[slot].rect.left + kKeyboardOriginX + 2; }
int keyY(int slot) { return KeyGeometry[slot].rect.top + kKeyboardOriginY + 2; }

TEST(PanelLayout, SectionsSlideWithTheCollapsedSections) {
    struct Row { bool lighting, response; int ym, yg, yr, yp; };
    const Row rows[] = {
        {true, true, 140, 195, 250, 290},
        {true, false, 140, 195, 250, 325},
        {false, true, 335, 390, 445, 485},
        {false, false, 335, 390, 445, 520},
    };
    for (const Row& r : rows) {
        const PanelLayout p = PanelLayout::compute(r.lighting, r.response);
        EXPECT_EQ(p.macroY, r.ym);
        EXPECT_EQ(p.gameModeY, r.yg);
        EXPECT_EQ(p.responseY, r.yr);
        EXPECT_EQ(p.reportY, r.yp);
        EXPECT_EQ(p.responseListTop, r.yr - 173);
    }
}

TEST(KeyGeometryTable, KeysDoNotOverlapAndLabelsSitOnTheirKeys) {
    for (int a = 0; a < kPhysicalSlots; ++a) {
        const KeyRect& r = KeyGeometry[a].rect;
        EXPECT_LT(r.left, r.right) << a;
        EXPECT_LT(r.top, r.bottom) << a;
        if (!isMediaSlot(a)) {
            EXPECT_TRUE(r.contains(KeyGeometry[a].labelX, KeyGeometry[a].labelY)) << a;
            EXPECT_STRNE(KeyGeometry[a].label, "") << a;
        }
        for (int b = a + 1; b < kPhysicalSlots; ++b) {
            const KeyRect& o = KeyGeometry[b].rect;
            const bool overlap = r.left <= o.right && o.left <= r.right && r.top <= o.bottom && o.top <= r.bottom;
            EXPECT_FALSE(overlap) << a << " and " << b;
        }
    }
}

struct HitCase {
    int x, y;
    bool lightingOpen, gameOpen, responseOpen;
    uint8_t effect;
    int code;
};

TEST(HitTest, CodesFollowTheLayoutAndTheirOrder) {
    const HitCase cases[] = {
        {936, 5, false, false, false, 2, kHitHelp},
        {994, 20, false, false, false, 2, kHitClose},
        {995, 20, false, false, false, 2, kHitNone},
        {19, 110, false, false, false, 2, kHitLightingHeader},
        {261, 130, false, false, false, 2, kHitLightingHeader},
        // Collapsed lighting: the effect box's place belongs to the macro button.
        {28, 158, false, false, false, 2, kHitMacroManager},
        {28, 158, true, false, false, 2, kHitEffectBox},
        // The DIY radio comes before the direction button it overlaps.
        {35, 205, true, false, false, 51, kHitDiyKeymap},
        {35, 205, true, false, false, 3, kHitDirectionUp},
        {135, 205, true, false, false, 53, kHitDiyPaint},
        // Direction buttons answer while the lighting is open, whatever the effect.
        {214, 212, true, false, false, 1, kHitDirectionLeft},
        {130, 200, true, false, false, 2, kHitDirectionRight},
        {28, 223, true, false, false, 2, kHitSwatchFirst},
        {223, 243, true, false, false, 2, kHitSwatchLast},
        {50, 230, true, false, false, 2, kHitNone},
        {28, 223, false, false, false, 2, kHitNone},
        // Game mode at y 195 with the lighting collapsed.
        {34, 228, false, true, false, 2, kHitGameModeOn},
        {115, 237, false, true, false, 2, kHitGameModeOff},
        {164, 228, false, true, false, 2, kHitWinLockOn},
        {245, 237, false, true, false, 2, kHitWinLockOff},
        {34, 228, false, false, false, 2, kHitNone},
        {200, 195, false, true, false, 2, kHitGameModeHeader},
        {28, 278, false, false, true, 2, kHitResponseBox},
        {28, 278, false, false, false, 2, kHitNone},
        {19, 290, false, false, false, 2, kHitReportHeader},
        {19, 325, false, false, true, 2, kHitReportHeader},
        {19, 605, false, false, false, 2, kHitProfiles},
        {857, 635, false, false, false, 2, kHitFactoryReset},
        {861, 605, false, false, false, 2, kHitCancel},
        {980, 635, false, false, false, 2, kHitSave},
        {19, 32, false, false, false, 2, kHitLogo},
        {261, 102, false, false, false, 2, kHitLogo},
        {262, 50, false, false, false, 2, kHitNone},
    };
    for (const HitCase& c : cases) {
        MainWindowModel m;
        m.panel().lightingCollapsed = !c.lightingOpen;
        m.panel().gameModeCollapsed = !c.gameOpen;
        m.panel().responseCollapsed = !c.responseOpen;
        const DeviceImage image = makeImage(c.effect);
        EXPECT_EQ(m.hitTest(c.x, c.y, image), c.code) << c.x << "," << c.y;
    }
}

TEST(KeyHitTest, WindowsAndFnKeysAnswerOnlyWhilePainting) {
    MainWindowModel m;
    EXPECT_EQ(m.keyHitTest(kKeyboardOriginX + 22, kKeyboardOriginY + 78), 0);
    EXPECT_EQ(m.keyHitTest(kKeyboardOriginX + 45, kKeyboardOriginY + 101), 0);
    EXPECT_EQ(m.keyHitTest(kKeyboardOriginX + 50, kKeyboardOriginY + 80), -1);
    EXPECT_EQ(m.keyHitTest(kKeyboardOriginX + 550, kKeyboardOriginY + 175), 61);
    EXPECT_EQ(m.keyHitTest(kKeyboardOriginX + 550, kKeyboardOriginY + 220), 94);
    EXPECT_EQ(m.keyHitTest(keyX(kLeftWinSlot), keyY(kLeftWinSlot)), -1);
    EXPECT_EQ(m.keyHitTest(keyX(kFnSlot), keyY(kFnSlot)), -1);
    m.panel().diyPaintMode = true;
    EXPECT_EQ(m.keyHitTest(keyX(kLeftWinSlot), keyY(kLeftWinSlot)), kLeftWinSlot);
    EXPECT_EQ(m.keyHitTest(keyX(kFnSlot), keyY(kFnSlot)), kFnSlot);
    for (int slot = 0; slot < kPhysicalSlots; ++slot) EXPECT_EQ(m.keyHitTest(keyX(slot), keyY(slot)), slot);
}

TEST(Click, HeadersToggleAndButtonsAskForTheirCommands) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    EXPECT_EQ(m.leftButtonUp(100, 115, image).command, WindowCommand::None);
    EXPECT_FALSE(m.panel().lightingCollapsed);
    const PanelLayout open = m.layout();
    m.leftButtonUp(100, open.gameModeY + 5, image);
    m.leftButtonUp(100, open.responseY + 5, image);
    EXPECT_FALSE(m.panel().gameModeCollapsed);
    EXPECT_FALSE(m.panel().responseCollapsed);
    m.leftButtonUp(100, m.layout().reportY + 5, image);
    EXPECT_FALSE(m.panel().reportCollapsed);

    struct Row { int x, y; WindowCommand command; };
    const Row rows[] = {
        {960, 10, WindowCommand::Hide},          {980, 10, WindowCommand::Close},
        {50, 620, WindowCommand::Profiles},      {820, 620, WindowCommand::FactoryReset},
        {880, 620, WindowCommand::Cancel},       {940, 620, WindowCommand::Save},
        {100, open.macroY + 15, WindowCommand::MacroManager},
    };
    for (const Row& r : rows) EXPECT_EQ(m.leftButtonUp(r.x, r.y, image).command, r.command) << r.x << "," << r.y;

    const int yg = open.gameModeY;
    m.leftButtonUp(36, yg + 35, image);
    EXPECT_EQ(image.gameMode, 1);
    m.leftButtonUp(110, yg + 35, image);
    EXPECT_EQ(image.gameMode, 0);
    m.leftButtonUp(166, yg + 35, image);
    EXPECT_EQ(image.winLock, 1);
    m.leftButtonUp(240, yg + 35, image);
    EXPECT_EQ(image.winLock, 0);

    const std::pair<int, uint8_t> directions[] = {{30, 3}, {80, 4}, {130, 2}, {180, 1}};
    for (const auto& [x, dir] : directions) {
        m.leftButtonUp(x, 200, image);
        EXPECT_EQ(image.ledDirection, dir);
    }
}

TEST(Click, LogoStripDoesNothing) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    const DeviceImage before = image;
    m.leftButtonDown();
    EXPECT_FALSE(m.mouseMove(100, 60, true, image).startDrag);
    EXPECT_EQ(m.leftButtonUp(100, 60, image).command, WindowCommand::None);
    EXPECT_EQ(image, before);
    EXPECT_TRUE(m.panel().lightingCollapsed);
}

TEST(Click, KeysAskForAssignmentOrPainting) {
    MainWindowModel m;
    DeviceImage image = makeImage(52);
    ClickResult r = m.leftButtonUp(keyX(42), keyY(42), image);
    EXPECT_EQ(r.command, WindowCommand::EditKey);
    EXPECT_EQ(r.arg, 42);
    EXPECT_EQ(m.hoveredKey(), 42);
    // Media keys never react; the Windows key takes no assignment.
    EXPECT_EQ(m.leftButtonUp(keyX(17), keyY(17), image).command, WindowCommand::None);
    EXPECT_EQ(m.leftButtonUp(keyX(kLeftWinSlot), keyY(kLeftWinSlot), image).command, WindowCommand::None);

    m.panel().diyPaintMode = true;
    r = m.leftButtonUp(keyX(kLeftWinSlot), keyY(kLeftWinSlot), image);
    EXPECT_EQ(r.command, WindowCommand::PaintKey);
    EXPECT_EQ(r.arg, kLeftWinSlot);
    EXPECT_EQ(m.leftButtonUp(keyX(18), keyY(18), image).command, WindowCommand::None);
}

TEST(Click, HelpPopupTakesTheNextClick) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    struct Row { int x, y; WindowCommand command; };
    const Row rows[] = {
        {850, 22, WindowCommand::OpenWebSite},
        {996, 71, WindowCommand::StartUpdater},
        {850, 80, WindowCommand::None},
        // Outside: closes the popup and reaches nothing else, not even a key.
        {keyX(42), keyY(42), WindowCommand::None},
        {940, 620, WindowCommand::None},
    };
    for (const Row& r : rows) {
        m.leftButtonUp(940, 10, image);
        ASSERT_TRUE(m.helpOpen());
        EXPECT_EQ(m.leftButtonUp(r.x, r.y, image).command, r.command) << r.x << "," << r.y;
        EXPECT_FALSE(m.helpOpen());
    }
}

TEST(EffectList, RowsSelectEffectsAndTheBottomEdgeSelectsNothing) {
    struct Row { int x, y; uint8_t effect; };
    const Row rows[] = {
        {28, 173, 1}, {248, 192, 1}, {100, 193, 2}, {100, 300, 8}, {100, 492, 55},
        {100, 493, 7}, {27, 200, 7}, {249, 200, 7}, {100, 172, 7},
    };
    for (const Row& r : rows) {
        MainWindowModel m;
        m.panel().lightingCollapsed = false;
        DeviceImage image = makeImage(7);
        m.leftButtonUp(100, 165, image);
        ASSERT_TRUE(m.panel().effectListOpen);
        // The open list takes every click: a save button click is swallowed.
        EXPECT_EQ(m.leftButtonUp(r.x, r.y, image).command, WindowCommand::None);
        EXPECT_FALSE(m.panel().effectListOpen);
        EXPECT_EQ(image.ledEffect, r.effect) << r.x << "," << r.y;
    }
}

TEST(EffectList, ChoosingAnEffectSetsColourModeAndPainting) {
    struct Row { int row; uint8_t colourBefore, colourAfter; bool painting; };
    const Row rows[] = {
        {0, 8, 1, false},  // steady has no multicolour mode
        {0, 4, 4, false},
        {2, 4, 8, false},  // wave and neon are multicolour only
        {6, 2, 8, false},
        {1, 8, 8, false},
        {11, 3, 3, true},  // DIY1 turns painting on
    };
    for (const Row& r : rows) {
        MainWindowModel m;
        m.panel().lightingCollapsed = false;
        m.panel().diyPaintMode = true;
        DeviceImage image = makeImage(2, r.colourBefore);
        m.leftButtonUp(100, 165, image);
        m.leftButtonUp(100, 173 + 20 * r.row + 5, image);
        EXPECT_EQ(image.ledEffect, LedEffectTable[r.row].code);
        EXPECT_EQ(image.ledColor, r.colourAfter) << r.row;
        EXPECT_EQ(m.panel().diyPaintMode, r.painting) << r.row;
        EXPECT_EQ(m.panel().effectHoverRow, r.row);
    }
}

TEST(ResponseList, RowsSetTheTimeAndTheBottomEdgeSelectsNothing) {
    MainWindowModel m;
    m.panel().responseCollapsed = false;
    DeviceImage image = makeImage();
    image.responseTime = 4;
    const int top = m.layout().responseListTop;
    const std::pair<int, uint8_t> rows[] = {{top, 1}, {top + 199, 10}, {top + 200, 10}, {top - 1, 10}};
    for (const auto& [y, expected] : rows) {
        m.leftButtonUp(100, m.layout().responseY + 30, image);
        ASSERT_TRUE(m.panel().responseListOpen);
        m.leftButtonUp(100, y, image);
        EXPECT_FALSE(m.panel().responseListOpen);
        EXPECT_EQ(image.responseTime, expected) << y;
    }
}

TEST(Swatch, RulesPerEffect) {
    struct Row { uint8_t effect, colour; int k; uint8_t after; WindowCommand command; };
    const Row rows[] = {
        {1, 3, 7, 3, WindowCommand::None},               // steady: no multicolour
        {2, 3, 7, 8, WindowCommand::None},
        {3, 8, 0, 8, WindowCommand::None},               // wave: swatches greyed
        {8, 8, 7, 8, WindowCommand::None},
        {2, 3, 0, 1, WindowCommand::None},               // another swatch only selects
        {2, 3, 2, 3, WindowCommand::PickPaletteColour},  // the chosen one opens the picker
        {1, 1, 0, 1, WindowCommand::PickPaletteColour},
        {51, 3, 0, 3, WindowCommand::None},              // custom maps have no swatches
    };
    for (const Row& r : rows) {
        MainWindowModel m;
        m.panel().lightingCollapsed = false;
        DeviceImage image = makeImage(r.effect, r.colour);
        const ClickResult c = m.leftButtonUp(30 + 25 * r.k, 230, image);
        EXPECT_EQ(image.ledColor, r.after) << int(r.effect) << " k" << r.k;
        EXPECT_EQ(c.command, r.command) << int(r.effect) << " k" << r.k;
        if (c.command == WindowCommand::PickPaletteColour) {
            EXPECT_EQ(c.arg, r.k);
        }
    }
}

TEST(MouseMove, DragStartsOnlyFromFreeSpace) {
    struct Row { int x, y; bool drag; };
    const Row rows[] = {
        {600, 130, true},                    // empty part of the stage
        {940, 620, false},                   // a button
        {keyX(42), keyY(42), false},         // a key
        {100, 60, false},                    // the logo strip
    };
    const DeviceImage image = makeImage();
    for (const Row& r : rows) {
        MainWindowModel m;
        m.leftButtonDown();
        EXPECT_EQ(m.mouseMove(r.x, r.y, true, image).startDrag, r.drag) << r.x << "," << r.y;
    }
    // A move with the button up ends the press: no drag afterwards.
    MainWindowModel m;
    m.leftButtonDown();
    m.mouseMove(600, 130, false, image);
    EXPECT_FALSE(m.mouseMove(600, 131, true, image).startDrag);
    // No drag while a list is open.
    MainWindowModel withList;
    withList.panel().lightingCollapsed = false;
    DeviceImage img = makeImage();
    withList.leftButtonUp(100, 165, img);
    withList.leftButtonDown();
    EXPECT_FALSE(withList.mouseMove(600, 130, true, img).startDrag);
}

TEST(MouseMove, RedrawsWhenTheHoverChanges) {
    MainWindowModel m;
    m.panel().lightingCollapsed = false;
    DeviceImage image = makeImage();
    EXPECT_TRUE(m.mouseMove(keyX(42), keyY(42), false, image).redraw);
    EXPECT_EQ(m.hoveredKey(), 42);
    EXPECT_FALSE(m.mouseMove(keyX(42) + 1, keyY(42), false, image).redraw);
    EXPECT_TRUE(m.mouseMove(600, 130, false, image).redraw);
    EXPECT_EQ(m.hoveredKey(), kNoSlot);
    EXPECT_FALSE(m.mouseMove(601, 130, false, image).redraw);
    EXPECT_TRUE(m.mouseMove(940, 620, false, image).redraw);

    m.leftButtonUp(100, 165, image);
    EXPECT_TRUE(m.mouseMove(100, 173 + 45, false, image).redraw);
    EXPECT_EQ(m.panel().effectHoverRow, 2);
    m.mouseMove(100, 493, false, image);
    EXPECT_EQ(m.panel().effectHoverRow, kNoListRow);
}

TEST(ButtonFeedback, HoverAndPressFollowThePointer) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    // Onto the save button and off it again: both moves redraw, so the hover
    // image comes and goes.
    EXPECT_TRUE(m.mouseMove(950, 620, false, image).redraw);
    EXPECT_TRUE(m.hovered(kHitSave));
    EXPECT_TRUE(m.mouseMove(600, 130, false, image).redraw);
    EXPECT_FALSE(m.hovered(kHitSave));

    // Headers and the macro button show hover too; swatches and list boxes do not.
    m.panel().lightingCollapsed = false;
    m.mouseMove(100, 120, false, image);
    EXPECT_TRUE(m.hovered(kHitLightingHeader));
    m.mouseMove(100, 345 + 10, false, image);
    EXPECT_TRUE(m.hovered(kHitMacroManager));
    m.mouseMove(30, 230, false, image);
    EXPECT_FALSE(m.hovered(kHitSwatchFirst));

    // Pressed shows only while the pointer stays on the button pressed.
    m.mouseMove(890, 620, false, image);
    m.leftButtonDown(890, 620, image);
    EXPECT_TRUE(m.pressed(kHitCancel));
    EXPECT_TRUE(m.mouseMove(950, 620, true, image).redraw);
    EXPECT_FALSE(m.pressed(kHitCancel) || m.pressed(kHitSave));
    m.mouseMove(890, 620, true, image);
    EXPECT_TRUE(m.pressed(kHitCancel));
    m.leftButtonUp(600, 130, image);
    EXPECT_FALSE(m.pressed(kHitCancel));

    // An open list takes every click, so nothing under it shows hover.
    m.leftButtonUp(100, 165, image);
    ASSERT_TRUE(m.panel().effectListOpen);
    m.mouseMove(950, 620, false, image);
    EXPECT_FALSE(m.hovered(kHitSave));

    // Leaving the window clears the hover.
    m.leftButtonUp(600, 130, image);
    m.mouseMove(950, 620, false, image);
    m.pointerLeft();
    EXPECT_FALSE(m.hovered(kHitSave));
}

// The lighting panel and vandrelctl set keep one set of colour rules: for
// every effect of the list and every colour before, choosing the effect gives
// the same colour either way, and a swatch click changes the colour exactly
// as the tool's colour= does, or not at all where the tool refuses it.
TEST(Swatch, ThePanelAndTheToolAgreeOnEveryEffectsColours) {
    ASSERT_EQ(LedEffectTable.size(), config::kEffects.size());
    for (int row = 0; row < kEffectRows; ++row) {
        const config::Effect& effect = config::kEffects[static_cast<size_t>(row)];
        EXPECT_EQ(LedEffectTable[static_cast<size_t>(row)].code, effect.code) << row;
        for (uint8_t before = 1; before <= config::kMulticolour; ++before) {
            SCOPED_TRACE(std::string(effect.name) + " from colour " + std::to_string(before));
            MainWindowModel m;
            m.panel().lightingCollapsed = false;
            DeviceImage panel = makeImage(2, before);
            m.leftButtonUp(100, 165, panel);
            m.leftButtonUp(100, 173 + 20 * row + 5, panel);
            DeviceImage tool = makeImage(2, before);
            std::string error;
            ASSERT_TRUE(config::applySettings({{"effect", effect.name}}, tool, error)) << error;
            EXPECT_EQ(panel.ledEffect, tool.ledEffect);
            EXPECT_EQ(panel.ledColor, tool.ledColor);
        }
        for (int k = 0; k <= 7; ++k) {
            const std::string colour = k == 7 ? "multi" : std::to_string(k + 1);
            SCOPED_TRACE(std::string(effect.name) + " colour=" + colour);
            MainWindowModel m;
            m.panel().lightingCollapsed = false;
            const uint8_t before = config::colourForEffect(effect.code, 2);
            DeviceImage panel = makeImage(effect.code, before);
            m.leftButtonUp(30 + 25 * k, 230, panel);
            if (!config::takesColour(effect.code)) {
                EXPECT_EQ(panel.ledColor, before);  // a custom map's keys have their own colours
                continue;
            }
            DeviceImage tool = makeImage(effect.code, before);
            std::string error;
            const bool taken = config::applySettings({{"colour", colour}}, tool, error);
            EXPECT_EQ(panel.ledColor, taken ? tool.ledColor : before);
        }
    }
}

TEST(PrepareDrawing, ClampsColourAndPlansSliders) {
    MainWindowModel m;
    DeviceImage image = makeImage(2, 0);
    // Collapsed lighting: nothing is clamped, no lighting slider shows.
    SliderPlan plan = m.prepareDrawing(image);
    EXPECT_EQ(image.ledColor, 0);
    EXPECT_FALSE(plan.speedDrawn || plan.brightnessDrawn || plan.reportDrawn);

    m.panel().lightingCollapsed = false;
    plan = m.prepareDrawing(image);
    EXPECT_EQ(image.ledColor, 1);
    EXPECT_TRUE(plan.speedShown && plan.speedDrawn && plan.brightnessShown);
    image.ledColor = 9;
    m.prepareDrawing(image);
    EXPECT_EQ(image.ledColor, 8);
    image.ledEffect = 3;
    image.ledColor = 2;
    m.prepareDrawing(image);
    EXPECT_EQ(image.ledColor, 8);

    for (uint8_t effect : {uint8_t(1), uint8_t(51)}) {
        image.ledEffect = effect;
        plan = m.prepareDrawing(image);
        EXPECT_FALSE(plan.speedShown || plan.speedDrawn) << int(effect);
        EXPECT_TRUE(plan.brightnessShown);
    }
    // An open list covers the lighting sliders.
    image.ledEffect = 2;
    m.leftButtonUp(100, 165, image);
    plan = m.prepareDrawing(image);
    EXPECT_TRUE(plan.speedDrawn);
    EXPECT_FALSE(plan.speedShown || plan.brightnessShown || plan.brightnessDrawn);
}

TEST(PrepareDrawing, ReportSliderFollowsItsSection) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    m.panel().reportCollapsed = false;
    SliderPlan plan = m.prepareDrawing(image);
    EXPECT_TRUE(plan.reportMoved);
    EXPECT_EQ(plan.reportTop, 290 + 23);
    EXPECT_FALSE(m.prepareDrawing(image).reportMoved);
    m.panel().responseCollapsed = false;
    plan = m.prepareDrawing(image);
    EXPECT_TRUE(plan.reportMoved);
    EXPECT_EQ(plan.reportTop, 325 + 23);
    m.panel().lightingCollapsed = false;
    EXPECT_EQ(m.prepareDrawing(image).reportTop, 520 + 23);
}

TEST(KeyColour, GoesIntoTheChosenMapOnly) {
    MainWindowModel m;
    DeviceImage image = makeImage(53);
    m.setKeyColour(42, 10, 20, 30, image);
    const uint8_t* cell = image.diyMaps[2] + SlotCellOffset[42];
    EXPECT_EQ(cell[0], 0);
    EXPECT_EQ(cell[1], 10);
    EXPECT_EQ(cell[2], 20);
    EXPECT_EQ(cell[3], 30);

    // Media keys have no colour, and effect codes past the last custom map
    // (read from a file or the keyboard) select no map at all.
    const DeviceImage before = image;
    m.setKeyColour(16, 1, 2, 3, image);
    image.ledEffect = 60;
    m.setKeyColour(42, 1, 2, 3, image);
    image.ledEffect = 53;
    EXPECT_EQ(image, before);
    EXPECT_EQ(diyMapIndex(50), -1);
    EXPECT_EQ(diyMapIndex(55), 4);
    EXPECT_EQ(diyMapIndex(56), -1);
}

TEST(SliderValue, KeepsAnOutOfRangeByteUntilTheSliderMoves) {
    struct Case {
        uint8_t stored;
        int position, maximum;
        uint8_t expected;
    };
    const Case cases[] = {
        {7, 3, 3, 7},      // the keyboard's 7 shows at the end and stays
        {7, 2, 3, 2},      // moved away: the slider's value
        {255, 50, 50, 255}, {200, 9, 9, 200}, {200, 0, 9, 0},
        {2, 2, 3, 2},      {2, 3, 3, 3},      {0, 0, 9, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sliderValue(c.stored, c.position, c.maximum), c.expected)
            << int(c.stored) << " at " << c.position << " of " << c.maximum;
}

// ---- keyboard ----------------------------------------------------------------

int slotNamed(const char* label, int nth = 0) {
    for (int s = 0; s < kPhysicalSlots; ++s)
        if (std::string(KeyGeometry[s].label) == label && nth-- == 0) return s;
    return -1;
}

NavResult press(MainWindowModel& m, NavKey key, DeviceImage& image) {
    MainWindowView view;
    view.image = &image;
    return m.navigate(key, m.elements(view), image);
}

TEST(KeyboardKeys, ArrowsGoToTheNearestKeyInTheirDirection) {
    MainWindowModel m;
    struct Case { const char* from; NavKey key; const char* to; int nth = 0; };
    const Case cases[] = {
        {"Esc", NavKey::Down, "~"},
        {"Back", NavKey::Down, "\\"},          // the key below that is best centred
        {"Space", NavKey::Up, "B"},
        {"Ent", NavKey::Right, "4", 1},         // the same row first, however far: the keypad's 4
        {"PgUp", NavKey::Right, "Num"},
        {"Up", NavKey::Down, "Down"},
        {"Ctrl", NavKey::Left, nullptr},        // nothing further left
        {"Pause", NavKey::Right, "Num"},        // the media keys take no input: the next row's
    };
    for (const Case& c : cases) {
        const int to = m.keyInDirection(slotNamed(c.from), c.key);
        EXPECT_EQ(to, c.to ? slotNamed(c.to, c.nth) : -1) << c.from;
    }
    // The Windows key and Fn are passed over except while painting.
    EXPECT_EQ(m.keyInDirection(slotNamed("Ctrl"), NavKey::Right), slotNamed("Alt"));
    m.panel().diyPaintMode = true;
    EXPECT_EQ(m.keyInDirection(slotNamed("Ctrl"), NavKey::Right), slotNamed("Win"));
}

TEST(KeyboardFocus, TabWalksTheVisibleControlsAndThePictureOnce) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    MainWindowView view;
    view.image = &image;
    std::vector<int> order;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(press(m, NavKey::Tab, image).focusMoved);
        if (!order.empty() && m.focus().id == order.front()) break;
        order.push_back(m.focus().id);
    }
    const std::vector<int> expected = {kHitLightingHeader, kHitMacroManager, kHitGameModeHeader, kHitResponseHeader,
                                       kHitReportHeader,  kElementKeyBase,  kHitProfiles,       kElementStatusLine,
                                       kHitFactoryReset,  kHitCancel,       kHitSave,           kHitHelp,
                                       kHitMinimise,      kHitClose};
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(m.focus().visible);
    // Shift+Tab goes back; the picture remembers the key last focused.
    m.setFocus(kElementKeyBase + 63);
    press(m, NavKey::Tab, image);
    EXPECT_EQ(m.focus().id, kHitProfiles);
    press(m, NavKey::BackTab, image);
    EXPECT_EQ(m.focus().id, kElementKeyBase + 63);
    // A section opened from the keyboard brings its controls into the walk.
    m.setFocus(kHitLightingHeader);
    press(m, NavKey::Activate, image);
    EXPECT_FALSE(m.panel().lightingCollapsed);
    press(m, NavKey::Tab, image);
    EXPECT_EQ(m.focus().id, kHitEffectBox);
    // After the mouse was used the first Tab only shows where the focus is.
    m.hideFocusMark();
    press(m, NavKey::Tab, image);
    EXPECT_EQ(m.focus().id, kHitEffectBox);
    EXPECT_TRUE(m.focus().visible);
}

TEST(KeyboardFocus, ActivationDoesWhatAClickDoes) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    const auto activate = [&](int id) {
        m.setFocus(id);
        return press(m, NavKey::Activate, image).click;
    };
    EXPECT_EQ(activate(kHitSave).command, WindowCommand::Save);
    EXPECT_EQ(activate(kHitProfiles).command, WindowCommand::Profiles);
    const ClickResult key = activate(kElementKeyBase + 63);
    EXPECT_EQ(key.command, WindowCommand::EditKey);
    EXPECT_EQ(key.arg, 63);
    // Keys that take no input do nothing.
    EXPECT_EQ(activate(kElementKeyBase + kFnSlot).command, WindowCommand::None);
    EXPECT_EQ(activate(kElementKeyBase + kFirstMediaSlot).command, WindowCommand::None);
    // The chosen swatch asks for the colour picker, as a second click does.
    m.setFocus(kHitLightingHeader);
    press(m, NavKey::Activate, image);
    image.ledColor = 3;
    const ClickResult picker = activate(kHitSwatchFirst + 2);
    EXPECT_EQ(picker.command, WindowCommand::PickPaletteColour);
    EXPECT_EQ(picker.arg, 2);
}

TEST(KeyboardFocus, EffectListOpensOnTheCurrentEffectAndEscapeKeepsIt) {
    MainWindowModel m;
    DeviceImage image = makeImage(2);  // breathing, row 1
    m.panel().lightingCollapsed = false;
    m.setFocus(kHitEffectBox);
    press(m, NavKey::Activate, image);
    ASSERT_TRUE(m.panel().effectListOpen);
    EXPECT_EQ(m.focus().id, kElementEffectRowBase + 1);
    press(m, NavKey::Down, image);
    press(m, NavKey::Escape, image);
    EXPECT_FALSE(m.panel().effectListOpen);
    EXPECT_EQ(image.ledEffect, 2);
    EXPECT_EQ(m.focus().id, kHitEffectBox);

    press(m, NavKey::Activate, image);
    press(m, NavKey::Down, image);
    press(m, NavKey::Down, image);
    press(m, NavKey::Activate, image);
    EXPECT_EQ(image.ledEffect, LedEffectTable[3].code);
    EXPECT_FALSE(m.panel().effectListOpen);
    EXPECT_EQ(m.focus().id, kHitEffectBox);
    // Down at the last row stays there; Tab leaves the list closed and unchanged.
    press(m, NavKey::Activate, image);
    press(m, NavKey::End, image);
    press(m, NavKey::Down, image);
    EXPECT_EQ(m.focus().id, kElementEffectRowBase + kEffectRows - 1);
    press(m, NavKey::Tab, image);
    EXPECT_FALSE(m.panel().effectListOpen);
    EXPECT_EQ(image.ledEffect, LedEffectTable[3].code);
}

TEST(KeyboardFocus, UpAndDownOnAClosedComboChangeItsChoiceAsTheListWould) {
    MainWindowModel m;
    DeviceImage image = makeImage(2);  // breathing, row 1
    image.ledColor = 8;  // multicolour
    m.panel().lightingCollapsed = false;
    m.setFocus(kHitEffectBox);
    EXPECT_TRUE(press(m, NavKey::Down, image).handled);
    EXPECT_EQ(image.ledEffect, LedEffectTable[2].code);
    EXPECT_FALSE(m.panel().effectListOpen);
    EXPECT_EQ(m.focus().id, kHitEffectBox);
    press(m, NavKey::Up, image);
    press(m, NavKey::Up, image);
    // The steady effect has no multicolour, as when it is chosen in the list.
    EXPECT_EQ(image.ledEffect, LedEffectTable[0].code);
    EXPECT_EQ(image.ledColor, 1);
    press(m, NavKey::Up, image);  // the first stays
    EXPECT_EQ(image.ledEffect, LedEffectTable[0].code);
    press(m, NavKey::End, image);
    EXPECT_EQ(image.ledEffect, LedEffectTable[kEffectRows - 1].code);
    press(m, NavKey::Home, image);
    EXPECT_EQ(image.ledEffect, LedEffectTable[0].code);

    // The response time the same way.
    m.panel().responseCollapsed = false;
    image.responseTime = 3;
    m.setFocus(kHitResponseBox);
    press(m, NavKey::Down, image);
    EXPECT_EQ(image.responseTime, 4);
    press(m, NavKey::Up, image);
    press(m, NavKey::Up, image);
    EXPECT_EQ(image.responseTime, 2);
    EXPECT_FALSE(m.panel().responseListOpen);
}

TEST(KeyDescription, KeysAreReadWithTheNamesAUserSays) {
    const struct {
        const char* label;
        int nth;
        const char* spoken;
    } cases[] = {
        {"Prnt", 0, "Print Screen"}, {"Scrl", 0, "Scroll Lock"}, {"Ins", 0, "Insert"}, {"Num", 0, "Num Lock"},
        {"~", 0, "~"},                {"1", 1, "小键盘 1"},        {"0", 1, "小键盘 0"},  {"A", 0, "A"},
        {"F5", 0, "F5"},
    };
    for (const auto& c : cases) {
        const int slot = slotNamed(c.label, c.nth);
        ASSERT_GE(slot, 0) << c.label;
        EXPECT_EQ(keyReaderName(slot), c.spoken) << c.label;
    }
    // A name that follows the desktop's layout is kept as it is.
    KeyNameTable names = keyNames();
    names.entries[0xC0].name[0] = u'^';
    EXPECT_EQ(keyReaderName(slotNamed("~"), names), "^");
}

TEST(KeyboardFocus, KeysThatCannotBeSetDoNotOfferEnter) {
    MainWindowModel m;
    DeviceImage image = makeImage();
    MainWindowView view;
    view.image = &image;
    const UiElements all = m.elements(view);
    const auto help = [&](int slot) { return findElement(all, kElementKeyBase + slot)->description; };
    const std::string settable = help(slotNamed("A"));
    EXPECT_NE(settable.find("Enter"), std::string::npos);
    for (int slot : {kFirstMediaSlot, kLastMediaSlot, kLeftWinSlot, kFnSlot}) {
        EXPECT_FALSE(help(slot).empty()) << slot;
        EXPECT_EQ(help(slot).find("Enter"), std::string::npos) << slot;
    }
}

TEST(KeyDescription, NamesAColourByHueAndNumber) {
    EXPECT_EQ(colourText(255, 0, 0), "红色（#FF0000）");
    EXPECT_EQ(colourText(0, 0, 0), "黑色（#000000）");
    EXPECT_EQ(colourText(250, 250, 250), "白色（#FAFAFA）");
    EXPECT_EQ(colourText(128, 128, 128), "灰色（#808080）");
    EXPECT_EQ(colourText(0, 0, 200), "蓝色（#0000C8）");
    EXPECT_EQ(colourText(255, 140, 0), "橙色（#FF8C00）");
    EXPECT_EQ(colourText(200, 0, 100), "粉色（#C80064）");
}

}  // namespace

// Without a keyboard the window says so and names the check that tells why.
TEST(NoKeyboardNotice, OffersTheDoctor) {
    MainWindowModel m;
    DeviceImage image{};
    MainWindowView view;
    view.image = &image;
    view.noKeyboard = true;
    const UiElements all = m.elements(view);
    const auto notice = std::find_if(all.begin(), all.end(), [](const UiElement& e) { return e.id == kElementNoKeyboard; });
    ASSERT_NE(notice, all.end());
    EXPECT_NE(notice->description.find("vandrelctl doctor"), std::string::npos) << notice->description;
    view.noKeyboard = false;
    const UiElements connected = m.elements(view);
    EXPECT_EQ(std::count_if(connected.begin(), connected.end(), [](const UiElement& e) { return e.id == kElementNoKeyboard; }),
              0);
}

}  // namespace vandrel
