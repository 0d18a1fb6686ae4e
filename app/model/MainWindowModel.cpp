#include "app/model/MainWindowModel.h"

namespace vandrel {

namespace {

constexpr HitRect kLogoStrip{19, 32, 261, 102};

using config::kMulticolour;

int effectListRow(int x, int y) {
    if (x < 28 || x > 248 || y < kEffectListTop || y >= kEffectListBottom) return -1;
    return (y - kEffectListTop) / kListRowHeight;
}

int responseListRow(int x, int y, int top) {
    if (x < 27 || x > 247 || y < top || y >= top + kResponseRows * kListRowHeight) return -1;
    return (y - top) / kListRowHeight;
}

}  // namespace

uint8_t sliderValue(uint8_t stored, int position, int maximum) {
    const int shown = stored > maximum ? maximum : stored;
    return position == shown ? stored : static_cast<uint8_t>(position < 0 ? 0 : position > maximum ? maximum : position);
}

int diyMapIndex(uint8_t effect) {
    if (effect < kFirstDiyEffect || effect >= kFirstDiyEffect + kDiyMapCount) return -1;
    return effect - kFirstDiyEffect;
}

MainWindowModel::MainWindowModel() { m_buttons.applyLayout(layout()); }

int MainWindowModel::hitTest(int x, int y, const DeviceImage& image) {
    const PanelLayout p = layout();
    m_buttons.applyLayout(p);
    const bool lighting = !m_panel.lightingCollapsed;
    const bool gameMode = !m_panel.gameModeCollapsed;
    const bool response = !m_panel.responseCollapsed;

    for (int code : {kHitHelp, kHitMinimise, kHitClose})
        if (m_buttons.rect(code).contains(x, y)) return code;

    if (m_buttons.rect(kHitLightingHeader).contains(x, y)) return kHitLightingHeader;
    if (lighting && isDiyEffect(image.ledEffect)) {
        if (kDiyKeymapRadio.contains(x, y)) return kHitDiyKeymap;
        if (kDiyPaintRadio.contains(x, y)) return kHitDiyPaint;
    }
    if (lighting) {
        for (int code = kHitEffectBox; code <= kHitDirectionLeft; ++code)
            if (m_buttons.rect(code).contains(x, y)) return code;
    }
    if (m_buttons.rect(kHitMacroManager).contains(x, y)) return kHitMacroManager;
    if (lighting) {
        for (int k = 0; k < 8; ++k)
            if (swatchRect(k).contains(x, y)) return kHitSwatchFirst + k;
    }
    if (gameMode) {
        if (m_buttons.rect(kHitGameModeOn).contains(x, y)) return kHitGameModeOn;
        if (m_buttons.rect(kHitGameModeOff).contains(x, y)) return kHitGameModeOff;
    }
    if (m_buttons.rect(kHitGameModeHeader).contains(x, y)) return kHitGameModeHeader;
    if (gameMode) {
        if (kWinLockOn(p.gameModeY).contains(x, y)) return kHitWinLockOn;
        if (kWinLockOff(p.gameModeY).contains(x, y)) return kHitWinLockOff;
    }
    if (response && m_buttons.rect(kHitResponseBox).contains(x, y)) return kHitResponseBox;
    if (m_buttons.rect(kHitResponseHeader).contains(x, y)) return kHitResponseHeader;
    if (m_buttons.rect(kHitReportHeader).contains(x, y)) return kHitReportHeader;

    for (int code : {kHitProfiles, kHitFactoryReset, kHitCancel, kHitSave})
        if (m_buttons.rect(code).contains(x, y)) return code;
    if (kLogoStrip.contains(x, y)) return kHitLogo;
    return kHitNone;
}

int MainWindowModel::keyHitTest(int x, int y) const {
    const int px = x - kKeyboardOriginX, py = y - kKeyboardOriginY;
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        // The left Windows key and Fn take no assignment; they answer only
        // while painting colours.
        if (!m_panel.diyPaintMode && (slot == kLeftWinSlot || slot == kFnSlot)) continue;
        if (KeyGeometry[slot].rect.contains(px, py)) return slot;
    }
    return -1;
}

int MainWindowModel::feedbackCode(int x, int y, const DeviceImage& image) {
    if (anyListOpen() || m_helpOpen) return kHitNone;
    switch (const int code = hitTest(x, y, image)) {
    case kHitHelp:
    case kHitMinimise:
    case kHitClose:
    case kHitMacroManager:
    case kHitProfiles:
    case kHitFactoryReset:
    case kHitCancel:
    case kHitSave:
    case kHitLightingHeader:
    case kHitGameModeHeader:
    case kHitResponseHeader:
    case kHitReportHeader: return code;
    default: return kHitNone;
    }
}

void MainWindowModel::leftButtonDown(int x, int y, const DeviceImage& image) {
    m_buttonDown = true;
    m_pressedCode = feedbackCode(x, y, image);
}

void MainWindowModel::pointerLeft() {
    m_hoverCode = kHitNone;
    m_hoveredKey = m_lastMoveKey = kNoSlot;
}

bool MainWindowModel::diyMapShown(const DeviceImage& image) const {
    return m_panel.diyPaintMode && diyMapIndex(image.ledEffect) >= 0;
}

bool MainWindowModel::diyToolsShown(const DeviceImage& image) const {
    return diyMapShown(image) && !anyListOpen() && !m_helpOpen;
}

ClickResult MainWindowModel::diyClick(DiyCommand command) {
    switch (command) {
    case DiyCommand::PickBrush: return {WindowCommand::PickBrushColour, 0};
    case DiyCommand::PickSecond: return {WindowCommand::PickSecondColour, 0};
    case DiyCommand::ImportPicture: return {WindowCommand::ImportPicture, 0};
    case DiyCommand::ExportPicture: return {WindowCommand::ExportPicture, 0};
    case DiyCommand::None: break;
    }
    return {};
}

ClickResult MainWindowModel::leftButtonUp(int x, int y, DeviceImage& image) {
    m_pressedCode = kHitNone;
    // An open popup takes every click and closes.
    if (m_panel.effectListOpen) {
        effectListClick(x, y, image);
        return {};
    }
    if (m_panel.responseListOpen) {
        responseListClick(x, y, image);
        return {};
    }
    if (m_helpOpen) {
        m_helpOpen = false;
        if (x >= kHelpLeft && x <= kHelpRight && y >= kHelpTop && y <= kHelpBottom)
            return helpRow((y - kHelpTop) / kHelpRowHeight);
        return {};
    }

    ClickResult result = codeAction(hitTest(x, y, image), image);
    ClickResult key = keyClick(x, y, image);
    // Buttons and keys never overlap, so at most one of them asks for more.
    return result.command != WindowCommand::None ? result : key;
}

void MainWindowModel::effectListClick(int x, int y, DeviceImage& image) {
    chooseEffectRow(effectListRow(x, y), image);
}

void MainWindowModel::chooseEffectRow(int row, DeviceImage& image) {
    m_panel.effectListOpen = false;
    if (row < 0 || row >= kEffectRows) return;
    m_panel.effectHoverRow = static_cast<uint8_t>(row);
    image.ledEffect = LedEffectTable[row].code;
    m_panel.diyPaintMode = isDiyEffect(image.ledEffect);
    image.ledColor = config::colourForEffect(image.ledEffect, image.ledColor);
}

void MainWindowModel::responseListClick(int x, int y, DeviceImage& image) {
    chooseResponseRow(responseListRow(x, y, layout().responseListTop), image);
}

void MainWindowModel::chooseResponseRow(int row, DeviceImage& image) {
    m_panel.responseListOpen = false;
    if (row < 0 || row >= kResponseRows) return;
    m_panel.responseHoverRow = static_cast<uint8_t>(row);
    image.responseTime = static_cast<uint8_t>(row + 1);
}

ClickResult MainWindowModel::codeAction(int code, DeviceImage& image) {
    switch (code) {
    case kHitHelp: m_helpOpen = !m_helpOpen; break;
    case kHitMinimise: return {WindowCommand::Hide, 0};
    case kHitClose: return {WindowCommand::Close, 0};
    case kHitMacroManager: return {WindowCommand::MacroManager, 0};
    case kHitProfiles: return {WindowCommand::Profiles, 0};
    case kHitFactoryReset: return {WindowCommand::FactoryReset, 0};
    case kHitCancel: return {WindowCommand::Cancel, 0};
    case kHitSave: return {WindowCommand::Save, 0};
    case kHitLightingHeader: m_panel.lightingCollapsed = !m_panel.lightingCollapsed; break;
    case kHitGameModeHeader: m_panel.gameModeCollapsed = !m_panel.gameModeCollapsed; break;
    case kHitResponseHeader: m_panel.responseCollapsed = !m_panel.responseCollapsed; break;
    case kHitReportHeader: m_panel.reportCollapsed = !m_panel.reportCollapsed; break;
    case kHitDiyKeymap: m_panel.diyPaintMode = false; break;
    case kHitDiyPaint: m_panel.diyPaintMode = true; break;
    case kHitEffectBox: m_panel.effectListOpen = true; break;
    case kHitDirectionUp: image.ledDirection = 3; break;
    case kHitDirectionDown: image.ledDirection = 4; break;
    case kHitDirectionRight: image.ledDirection = 2; break;
    case kHitDirectionLeft: image.ledDirection = 1; break;
    case kHitGameModeOn: image.gameMode = 1; break;
    case kHitGameModeOff: image.gameMode = 0; break;
    case kHitWinLockOn: image.winLock = 1; break;
    case kHitWinLockOff: image.winLock = 0; break;
    case kHitResponseBox: m_panel.responseListOpen = true; break;
    default:
        if (code >= kHitSwatchFirst && code <= kHitSwatchLast) return swatchClick(code - kHitSwatchFirst, image);
        break;  // 8, 13, the logo strip and free space do nothing
    }
    return {};
}

ClickResult MainWindowModel::helpRow(int row) {
    m_helpOpen = false;
    if (row == 0) return {WindowCommand::OpenWebSite, 0};
    if (row == 1) return {WindowCommand::StartUpdater, 0};
    return {};
}

ClickResult MainWindowModel::swatchClick(int k, DeviceImage& image) {
    if (m_panel.lightingCollapsed || !config::takesColour(image.ledEffect)) return {};
    // Effects that have no single colour: the swatches are greyed and only
    // the multicolour choice stands.
    if (config::isMulticolourOnly(image.ledEffect)) {
        if (k == 7) image.ledColor = kMulticolour;
        return {};
    }
    if (k == 7) {
        // The steady effect has no multicolour mode.
        if (config::hasMulticolour(image.ledEffect)) image.ledColor = kMulticolour;
        return {};
    }
    if (image.ledColor == k + 1) return {WindowCommand::PickPaletteColour, k};
    image.ledColor = static_cast<uint8_t>(k + 1);
    return {};
}

ClickResult MainWindowModel::keyClick(int x, int y, const DeviceImage& image) {
    const int slot = keyHitTest(x, y);
    m_hoveredKey = slot < 0 ? kNoSlot : static_cast<uint8_t>(slot);
    return keyCommand(slot, image);
}

ClickResult MainWindowModel::keyCommand(int slot, const DeviceImage& image) const {
    if (slot < 0 || !keyTakesInput(slot)) return {};
    if (diyMapShown(image)) return {WindowCommand::PaintKey, slot};
    return {WindowCommand::EditKey, slot};
}

bool MainWindowModel::keyTakesInput(int slot) const {
    if (slot < 0 || slot >= kPhysicalSlots || isMediaSlot(slot)) return false;
    return m_panel.diyPaintMode || (slot != kLeftWinSlot && slot != kFnSlot);
}

MoveResult MainWindowModel::mouseMove(int x, int y, bool buttonHeld, const DeviceImage& image) {
    if (!buttonHeld) m_buttonDown = false;

    if (m_panel.effectListOpen) {
        const int row = effectListRow(x, y);
        m_panel.effectHoverRow = row < 0 ? kNoListRow : static_cast<uint8_t>(row);
    }
    if (m_panel.responseListOpen) {
        const int row = responseListRow(x, y, layout().responseListTop);
        m_panel.responseHoverRow = row < 0 ? kNoListRow : static_cast<uint8_t>(row);
    }

    MoveResult result;
    const int code = hitTest(x, y, image);
    const int key = keyHitTest(x, y);
    if (m_buttonDown && code == kHitNone && key < 0 && !anyListOpen()) result.startDrag = true;

    const uint8_t keySlot = key < 0 ? kNoSlot : static_cast<uint8_t>(key);
    m_hoveredKey = keySlot;
    const int hover = feedbackCode(x, y, image);
    if (hover != m_hoverCode) {
        // A button or header gains or loses its hover image.
        m_hoverCode = hover;
        result.redraw = true;
    } else if (keySlot != m_lastMoveKey) {
        result.redraw = true;
        result.keyHoverOnly = true;
        result.previousKey = m_lastMoveKey;
    } else if (keySlot != kNoSlot) {
        result.redraw = false;
    } else {
        result.redraw = !(code == kHitNone && m_panel.effectHoverRow == kNoListRow && m_panel.responseHoverRow == kNoListRow);
    }
    m_lastMoveKey = keySlot;
    return result;
}

void MainWindowModel::setPaletteColour(int entry, uint8_t r, uint8_t g, uint8_t b, DeviceImage& image) const {
    if (entry < 0 || entry >= static_cast<int>(kPaletteEntries)) return;
    image.ledPalette[entry][0] = r;
    image.ledPalette[entry][1] = g;
    image.ledPalette[entry][2] = b;
}

void MainWindowModel::setKeyColour(int slot, uint8_t r, uint8_t g, uint8_t b, DeviceImage& image) const {
    const int map = diyMapIndex(image.ledEffect);
    if (map < 0 || slot < 0 || slot >= kPhysicalSlots || isMediaSlot(slot)) return;
    uint8_t* cell = image.diyMaps[map] + SlotCellOffset[slot];
    cell[0] = 0;
    cell[1] = r;
    cell[2] = g;
    cell[3] = b;
}

SliderPlan MainWindowModel::sliderPlan(const DeviceImage& image) const {
    SliderPlan plan;
    const bool listOpen = anyListOpen();
    if (!m_panel.lightingCollapsed) {
        const uint8_t effect = image.ledEffect;
        if (effect != 1 && effect < 50) {
            plan.speedDrawn = true;
            plan.speedShown = !listOpen;
        }
        plan.brightnessShown = plan.brightnessDrawn = !listOpen;
    }
    if (!m_panel.reportCollapsed) {
        plan.reportTop = layout().reportY + kReportSliderOffset;
        plan.reportShown = plan.reportDrawn = true;
    }
    // An open list covers the lighting rows: their sliders take no input.
    if (listOpen) plan.speedShown = plan.brightnessShown = false;
    return plan;
}

SliderPlan MainWindowModel::prepareDrawing(DeviceImage& image) {
    SliderPlan plan = sliderPlan(image);
    m_buttons.applyLayout(layout());
    if (!m_panel.lightingCollapsed && config::takesColour(image.ledEffect)) {
        const uint8_t effect = image.ledEffect;
        if (image.ledColor > kMulticolour) image.ledColor = kMulticolour;
        if (image.ledColor == 0) image.ledColor = 1;
        if (config::isMulticolourOnly(effect)) image.ledColor = kMulticolour;
    }
    if (!m_panel.reportCollapsed) {
        const int yp = layout().reportY;
        if (yp != m_panel.reportSliderTop) {
            plan.reportMoved = true;
            m_panel.reportSliderTop = yp;
        }
    }
    return plan;
}

void MainWindowModel::resetPanel() {
    m_panel.diyPaintMode = false;
    m_panel.lightingCollapsed = m_panel.gameModeCollapsed = true;
    m_panel.responseCollapsed = m_panel.reportCollapsed = true;
}

}  // namespace vandrel
