// The main window's elements (what a screen reader is told about each thing
// the window draws) and its keyboard focus: Tab order, the arrows over the
// keys of the picture, the popups, and activation, which does what a click
// on the element does.

#include <algorithm>
#include <cstdlib>

#include "app/model/KeyDescription.h"
#include "app/model/MainWindowModel.h"
#include "util/TrNoop.h"

namespace vandrel {

namespace {

constexpr const char* kDrawn = "vandrel::MainWindowRenderer";
constexpr const char* kOwn = "vandrel::MainWindowElements";

constexpr HitRect kStatusLine{96, 606, 790, 633};

HitRect keyRect(int slot) {
    const KeyRect& r = KeyGeometry[static_cast<size_t>(slot)].rect;
    return {r.left + kKeyboardOriginX, r.top + kKeyboardOriginY, r.right + kKeyboardOriginX,
            r.bottom + kKeyboardOriginY};
}

HitRect sliderRect(int top) { return {kSliderX, top, kSliderX + kSliderWidth - 1, top + kSliderHeight - 1}; }

std::string drawn(const TextLookup& tr, const char* source) { return lookUpText(tr, kDrawn, source); }
std::string own(const TextLookup& tr, const char* source) { return lookUpText(tr, kOwn, source); }

// "游戏模式：开启": a choice named with its group.
std::string inGroup(const TextLookup& tr, const std::string& group, const std::string& choice) {
    return fillPlaceholders(own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "%1：%2")), {group, choice});
}

// The centre of a key, for measuring directions between keys.
int centreX(const KeyRect& r) { return r.left + r.right; }
int centreY(const KeyRect& r) { return r.top + r.bottom; }

}  // namespace

UiElements MainWindowModel::elements(const MainWindowView& view, const TextLookup& tr) const {
    const DeviceImage& image = *view.image;
    const PanelLayout l = layout();
    MainButtonTable buttons = m_buttons;
    buttons.applyLayout(l);
    const SliderPlan plan = sliderPlan(image);
    const bool popup = anyListOpen() || m_helpOpen;
    const uint8_t effect = image.ledEffect;
    UiElements out;
    out.reserve(160);
    const auto add = [&](UiElement e) {
        // Under an open popup nothing but its rows takes the focus.
        if (popup) e.focusable = false;
        out.push_back(std::move(e));
    };
    const auto header = [&](int code, std::string name, bool collapsed) {
        UiElement e = uiElement(code, UiRole::Header, buttons.rect(code), std::move(name));
        e.expandable = true;
        e.expanded = !collapsed;
        // An open section starts with its heading, for a reader moving by headings.
        UiElement heading = uiText(kElementHeadingBase + code, UiRole::Heading, e.rect, e.name);
        add(std::move(e));
        if (!collapsed) out.push_back(std::move(heading));
    };
    const auto radio = [&](int code, HitRect rect, std::string name, bool checked) {
        UiElement e = uiElement(code, UiRole::RadioButton, rect, std::move(name));
        e.checkable = true;
        e.checked = checked;
        add(std::move(e));
    };
    const auto slider = [&](int id, int top, const char* name) {
        UiElement e = uiElement(id, UiRole::Slider, sliderRect(top), drawn(tr, name));
        e.control = true;
        add(std::move(e));
    };
    const auto listRows = [&](int base, int count, int top, int left, const PanelState& panel, bool effects) {
        const int hover = effects ? panel.effectHoverRow : panel.responseHoverRow;
        for (int i = 0; i < count; ++i) {
            const int y = top + i * kListRowHeight;
            UiElement e = uiElement(base + i, UiRole::ListItem, {left, y, left + 219, y + kListRowHeight - 1},
                                  effects ? lookUpText(tr, "PanelTables", LedEffectTable[static_cast<size_t>(i)].name)
                                          : std::string(ResponseTimeNames[static_cast<size_t>(i)]));
            e.selected = i == hover;
            out.push_back(std::move(e));
        }
    };

    // The lighting section.
    header(kHitLightingHeader, drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "灯光")),
           m_panel.lightingCollapsed);
    if (!m_panel.lightingCollapsed) {
        UiElement box = uiElement(kHitEffectBox, UiRole::ComboBox, buttons.rect(kHitEffectBox),
                                drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "效果")));
        if (const char* name = effectName(effect)) box.value = lookUpText(tr, "PanelTables", name);
        box.expandable = true;
        box.expanded = m_panel.effectListOpen;
        add(std::move(box));
        if (m_panel.effectListOpen) listRows(kElementEffectRowBase, kEffectRows, kEffectListTop, 28, m_panel, true);

        if (effect == 3 || effect == 13) {
            const std::string group = drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "方向"));
            // In the order drawn: up, down, right, left.
            const struct {
                int code;
                const char* name;
                uint8_t value;
            } directions[] = {{kHitDirectionUp, VANDREL_TR_NOOP("vandrel::MainWindowElements", "上"), 3},
                              {kHitDirectionDown, VANDREL_TR_NOOP("vandrel::MainWindowElements", "下"), 4},
                              {kHitDirectionRight, VANDREL_TR_NOOP("vandrel::MainWindowElements", "右"), 2},
                              {kHitDirectionLeft, VANDREL_TR_NOOP("vandrel::MainWindowElements", "左"), 1}};
            for (const auto& d : directions)
                radio(d.code, buttons.rect(d.code), inGroup(tr, group, own(tr, d.name)), image.ledDirection == d.value);
        }
        if (isDiyEffect(effect)) {
            radio(kHitDiyKeymap, kDiyKeymapRadio, "Keymap", !m_panel.diyPaintMode);
            out.back().description = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "按键用于设置按键功能"));
            radio(kHitDiyPaint, kDiyPaintRadio, "DIY", m_panel.diyPaintMode);
            out.back().description = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "按键用于设置按键颜色"));
            if (diyMapShown(image)) {
                const size_t first = out.size();
                m_diy.panelElements(out, image, tr);
                if (popup)
                    for (size_t i = first; i < out.size(); ++i) out[i].focusable = false;
            }
        }
        if (effect <= 50) {
            const bool grey = effect == 3 || effect == 8;
            const int chosen = image.ledColor == 0 ? 1 : image.ledColor > 8 ? 8 : image.ledColor;
            for (int k = 0; k < 8; ++k) {
                if (k == 7 && effect == 1) break;  // the steady effect has no multicolour
                std::string name;
                if (k == 7) {
                    name = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "多彩"));
                } else {
                    const uint8_t* rgb = image.ledPalette[k];
                    name = fillPlaceholders(own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "颜色 %1，%2")),
                                            {std::to_string(k + 1), colourText(rgb[0], rgb[1], rgb[2], tr)});
                }
                UiElement e = uiElement(kHitSwatchFirst + k, UiRole::RadioButton, swatchRect(k), std::move(name));
                e.checkable = true;
                e.checked = chosen == k + 1;
                e.enabled = !(grey && k < 7);
                if (e.checked && k < 7)
                    e.description = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "再按一次可更改颜色"));
                add(std::move(e));
            }
        }
        if (plan.brightnessShown)
            slider(kBrightnessSliderId, kBrightnessSliderY, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "亮度"));
        if (plan.speedShown)
            slider(kSpeedSliderId, kSpeedSliderY, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "频率"));
    }

    add(uiElement(kHitMacroManager, UiRole::Button, buttons.rect(kHitMacroManager),
                drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "宏管理器"))));

    const std::string gameMode = drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "游戏模式"));
    const std::string winLock = drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "Win Lock模式"));
    header(kHitGameModeHeader, gameMode + " / " + winLock, m_panel.gameModeCollapsed);
    if (!m_panel.gameModeCollapsed) {
        const std::string on = drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "开启"));
        const std::string off = drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "关闭"));
        radio(kHitGameModeOn, buttons.rect(kHitGameModeOn), inGroup(tr, gameMode, on), image.gameMode == 1);
        radio(kHitGameModeOff, buttons.rect(kHitGameModeOff), inGroup(tr, gameMode, off), image.gameMode != 1);
        radio(kHitWinLockOn, kWinLockOn(l.gameModeY), inGroup(tr, winLock, on), image.winLock == 1);
        radio(kHitWinLockOff, kWinLockOff(l.gameModeY), inGroup(tr, winLock, off), image.winLock != 1);
    }

    header(kHitResponseHeader, drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "按键响应时间")),
           m_panel.responseCollapsed);
    if (!m_panel.responseCollapsed) {
        UiElement box = uiElement(kHitResponseBox, UiRole::ComboBox, buttons.rect(kHitResponseBox),
                                drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "按键响应时间")));
        box.value = std::to_string(image.responseTime * 2) + " ms";
        box.expandable = true;
        box.expanded = m_panel.responseListOpen;
        add(std::move(box));
        if (m_panel.responseListOpen) listRows(kElementResponseRowBase, kResponseRows, l.responseListTop, 27, m_panel, false);
    }
    header(kHitReportHeader, drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "USB报告率")),
           m_panel.reportCollapsed);
    if (plan.reportShown)
        slider(kReportSliderId, plan.reportTop, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "USB报告率"));

    // The keys of the picture; one Tab stop, the arrows move between them.
    const int diyMap = diyMapShown(image) ? diyMapIndex(effect) : -1;
    const std::string keyHelp =
        diyMap >= 0 ? own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "方向键选择按键，空格用画笔上色，Enter 选择颜色，Delete 清除，Shift+方向键选择多个按键"))
                    : own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "方向键选择按键，Enter 设置按键功能"));
    const std::string fixedKeyHelp =
        own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "方向键选择按键；此键不能设置"));
    const KeyNameTable& names = view.names ? *view.names : keyNames();
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        const bool reassigned = view.reassigned && slot != kLeftWinSlot && (*view.reassigned)[slot];
        UiElement e = uiElement(kElementKeyBase + slot, UiRole::Key, keyRect(slot),
                              view.keys && view.macros
                                  ? keyReaderText(slot, image, *view.keys, reassigned, *view.macros, diyMap, names, tr)
                                  : keyReaderName(slot, names, tr));
        e.enabled = keyTakesInput(slot);
        e.tabStop = slot == m_focusKey;
        // Keys that take nothing now (the media keys, and Win and Fn outside
        // painting) offer no Enter.
        e.description = e.enabled ? keyHelp : fixedKeyHelp;
        add(std::move(e));
    }
    if (diyMap >= 0) {
        const size_t first = out.size();
        m_diy.stripElements(out, image, tr);
        if (popup)
            for (size_t i = first; i < out.size(); ++i) out[i].focusable = false;
    }
    if (view.noKeyboard) {
        UiElement e = uiElement(kElementNoKeyboard, UiRole::StaticText, {kKeyboardOriginX, 440, 980, 479},
                              drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "系统没有检测到游戏键盘！请连接键盘。")));
        e.description = drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "运行 vandrelctl doctor 查看原因。"));
        e.focusable = false;
        out.push_back(std::move(e));
    }

    // The bottom row, with the line that tells what is unsaved.
    add(uiElement(kHitProfiles, UiRole::Button, buttons.rect(kHitProfiles),
                drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "配置"))));
    out.back().description = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "保存和加载配置文件"));
    {
        UiElement e = uiElement(kElementStatusLine, UiRole::StatusLine, kStatusLine,
                              view.pendingText.empty()
                                  ? own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "没有未保存的更改"))
                                  : view.pendingText);
        add(std::move(e));
    }
    if (view.busy && !view.busyText.empty()) {
        UiElement e = uiElement(kElementBusy, UiRole::StaticText, {560, 612, 790, 630}, view.busyText);
        e.focusable = false;
        out.push_back(std::move(e));
    }
    add(uiElement(kHitFactoryReset, UiRole::Button, buttons.rect(kHitFactoryReset),
                drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "恢复"))));
    out.back().description = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "恢复出厂设置"));
    add(uiElement(kHitCancel, UiRole::Button, buttons.rect(kHitCancel),
                drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "取消"))));
    out.back().description = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "放弃未保存的更改"));
    add(uiElement(kHitSave, UiRole::Button, buttons.rect(kHitSave),
                drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "保存"))));
    out.back().description = own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "将更改写入键盘"));

    // The window buttons, and the help popup's rows while it is open.
    {
        UiElement help = uiElement(kHitHelp, UiRole::Button, buttons.rect(kHitHelp),
                                 own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "帮助")));
        help.expandable = true;
        help.expanded = m_helpOpen;
        add(std::move(help));
    }
    if (m_helpOpen) {
        const std::string rows[kHelpRows] = {view.webAddress,
                                             drawn(tr, VANDREL_TR_NOOP("vandrel::MainWindowRenderer", "驱动更新")),
                                             view.versionText};
        for (int i = 0; i < kHelpRows; ++i) {
            const int y = kHelpTop + i * kHelpRowHeight;
            UiElement e = uiElement(kElementHelpRowBase + i, i < 2 ? UiRole::Button : UiRole::StaticText,
                                  {kHelpLeft, y, kHelpRight, y + kHelpRowHeight - 1}, rows[i]);
            e.focusable = i < 2;
            e.selected = i == m_helpRow;
            out.push_back(std::move(e));
        }
    }
    add(uiElement(kHitMinimise, UiRole::Button, buttons.rect(kHitMinimise),
                own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "最小化"))));
    add(uiElement(kHitClose, UiRole::Button, buttons.rect(kHitClose),
                own(tr, VANDREL_TR_NOOP("vandrel::MainWindowElements", "关闭"))));
    return out;
}

// ---- keyboard focus ---------------------------------------------------------

void MainWindowModel::setFocus(int id, bool visible) {
    m_focus.id = id;
    m_focus.visible = visible;
    if (id >= kElementKeyBase && id < kElementKeyBase + kPhysicalSlots) m_focusKey = id - kElementKeyBase;
}

HitRect MainWindowModel::elementRect(int id) const {
    if (id >= kElementKeyBase && id < kElementKeyBase + kPhysicalSlots) return keyRect(id - kElementKeyBase);
    if (id >= kElementEffectRowBase && id < kElementEffectRowBase + kEffectRows) {
        const int y = kEffectListTop + (id - kElementEffectRowBase) * kListRowHeight;
        return {28, y, 247, y + kListRowHeight - 1};
    }
    if (id >= kElementResponseRowBase && id < kElementResponseRowBase + kResponseRows) {
        const int y = layout().responseListTop + (id - kElementResponseRowBase) * kListRowHeight;
        return {27, y, 246, y + kListRowHeight - 1};
    }
    if (id >= kElementHelpRowBase && id < kElementHelpRowBase + kHelpRows) {
        const int y = kHelpTop + (id - kElementHelpRowBase) * kHelpRowHeight;
        return {kHelpLeft, y, kHelpRight, y + kHelpRowHeight - 1};
    }
    if (id >= kHitSwatchFirst && id <= kHitSwatchLast) return swatchRect(id - kHitSwatchFirst);
    if (id >= kDiyFirstId && id <= kDiyLastId) return diyToolRect(id);
    const PanelLayout l = layout();
    switch (id) {
    case kHitDiyKeymap: return kDiyKeymapRadio;
    case kHitDiyPaint: return kDiyPaintRadio;
    case kHitWinLockOn: return kWinLockOn(l.gameModeY);
    case kHitWinLockOff: return kWinLockOff(l.gameModeY);
    case kElementStatusLine: return kStatusLine;
    case kBrightnessSliderId: return sliderRect(kBrightnessSliderY);
    case kSpeedSliderId: return sliderRect(kSpeedSliderY);
    case kReportSliderId: return sliderRect(l.reportY + kReportSliderOffset);
    default: break;
    }
    if (id >= 0 && id < kMainButtons) {
        MainButtonTable buttons = m_buttons;
        buttons.applyLayout(l);
        return buttons.rect(id);
    }
    return {0, 0, -1, -1};
}

bool MainWindowModel::focusMark(HitRect& rect) const {
    if (!m_focus.visible || m_focus.id < 0) return false;
    rect = elementRect(m_focus.id);
    return rect.right >= rect.left;
}

int MainWindowModel::keyInDirection(int slot, NavKey key) const {
    if (slot < 0 || slot >= kPhysicalSlots) return -1;
    const KeyRect& from = KeyGeometry[static_cast<size_t>(slot)].rect;
    const bool horizontal = key == NavKey::Left || key == NavKey::Right;
    int best = -1;
    bool bestAligned = false;
    long bestScore = 0;
    for (int s = 0; s < kPhysicalSlots; ++s) {
        if (s == slot || !keyTakesInput(s)) continue;
        const KeyRect& to = KeyGeometry[static_cast<size_t>(s)].rect;
        int gap;  // how far the key lies in the direction asked
        switch (key) {
        case NavKey::Right: gap = to.left - from.right; break;
        case NavKey::Left: gap = from.left - to.right; break;
        case NavKey::Down: gap = to.top - from.bottom; break;
        case NavKey::Up: gap = from.top - to.bottom; break;
        default: return -1;
        }
        if (gap <= 0) continue;
        // Keys in the same row (or column) come first; among them the
        // nearest, then the one best centred on the key left.
        const int across = horizontal ? std::max({0, to.top - from.bottom, from.top - to.bottom})
                                      : std::max({0, to.left - from.right, from.left - to.right});
        const bool aligned = across == 0;
        const int offset = horizontal ? std::abs(centreY(to) - centreY(from)) : std::abs(centreX(to) - centreX(from));
        const long score = aligned ? static_cast<long>(gap) * 1000 + offset : static_cast<long>(gap + 2 * across) * 1000 + offset;
        if (best < 0 || (aligned && !bestAligned) || (aligned == bestAligned && score < bestScore)) {
            best = s;
            bestAligned = aligned;
            bestScore = score;
        }
    }
    return best;
}

ClickResult MainWindowModel::activate(int id, DeviceImage& image) {
    m_pressedCode = kHitNone;
    if (id >= kElementKeyBase && id < kElementKeyBase + kPhysicalSlots) return keyCommand(id - kElementKeyBase, image);
    if (id >= kElementEffectRowBase && id < kElementEffectRowBase + kEffectRows) {
        chooseEffectRow(id - kElementEffectRowBase, image);
        return {};
    }
    if (id >= kElementResponseRowBase && id < kElementResponseRowBase + kResponseRows) {
        chooseResponseRow(id - kElementResponseRowBase, image);
        return {};
    }
    if (id >= kElementHelpRowBase && id < kElementHelpRowBase + kHelpRows) return helpRow(id - kElementHelpRowBase);
    if (id >= kDiyFirstId && id <= kDiyLastId) return diyClick(m_diy.activate(id, image).command);
    if (id < 0 || id > kHitDiyPaint) return {};
    const ClickResult r = codeAction(id, image);
    // A list opened from the keyboard starts on the current choice.
    if (id == kHitEffectBox && m_panel.effectListOpen) {
        for (int i = 0; i < kEffectRows; ++i)
            if (LedEffectTable[static_cast<size_t>(i)].code == image.ledEffect) m_panel.effectHoverRow = static_cast<uint8_t>(i);
    }
    if (id == kHitResponseBox && m_panel.responseListOpen && image.responseTime >= 1 && image.responseTime <= kResponseRows)
        m_panel.responseHoverRow = static_cast<uint8_t>(image.responseTime - 1);
    if (id == kHitHelp) m_helpRow = 0;
    return r;
}

bool MainWindowModel::stepClosedList(int box, NavKey key, DeviceImage& image) {
    int count, row = -1;
    if (box == kHitEffectBox) {
        count = kEffectRows;
        for (int i = 0; i < kEffectRows; ++i)
            if (LedEffectTable[static_cast<size_t>(i)].code == image.ledEffect) row = i;
    } else if (box == kHitResponseBox) {
        count = kResponseRows;
        if (image.responseTime >= 1 && image.responseTime <= kResponseRows) row = image.responseTime - 1;
    } else {
        return false;
    }
    switch (key) {
    case NavKey::Up: row = row <= 0 ? 0 : row - 1; break;
    case NavKey::Down: row = row < 0 ? 0 : std::min(row + 1, count - 1); break;
    case NavKey::Home: row = 0; break;
    default: row = count - 1; break;
    }
    if (box == kHitEffectBox) chooseEffectRow(row, image);
    else chooseResponseRow(row, image);
    return true;
}

NavResult MainWindowModel::navigatePopup(NavKey key, DeviceImage& image) {
    NavResult r;
    r.handled = true;
    int count, base, owner;
    uint8_t* hover = nullptr;
    if (m_panel.effectListOpen) {
        count = kEffectRows, base = kElementEffectRowBase, owner = kHitEffectBox, hover = &m_panel.effectHoverRow;
    } else if (m_panel.responseListOpen) {
        count = kResponseRows, base = kElementResponseRowBase, owner = kHitResponseBox, hover = &m_panel.responseHoverRow;
    } else {
        count = 2, base = kElementHelpRowBase, owner = kHitHelp;
    }
    int row = hover ? (*hover == kNoListRow ? -1 : *hover) : m_helpRow;
    const auto close = [&] {
        m_panel.effectListOpen = m_panel.responseListOpen = false;
        m_helpOpen = false;
        setFocus(owner);
        r.focusMoved = true;
    };
    switch (key) {
    case NavKey::Up: row = row <= 0 ? 0 : row - 1; break;
    case NavKey::Down: row = row < 0 ? 0 : row + 1 < count ? row + 1 : count - 1; break;
    case NavKey::Home: row = 0; break;
    case NavKey::End: row = count - 1; break;
    case NavKey::Activate:
        if (row < 0) {
            close();
            return r;
        }
        r.click = activate(base + row, image);
        close();
        return r;
    case NavKey::Escape:
    case NavKey::Tab:
    case NavKey::BackTab:
        close();
        // Tab goes on from the popup's owner.
        r.handled = key == NavKey::Escape;
        return r;
    default: return r;
    }
    if (hover) *hover = static_cast<uint8_t>(row);
    else m_helpRow = row;
    setFocus(base + row);
    r.focusMoved = true;
    return r;
}

NavResult MainWindowModel::navigate(NavKey key, const UiElements& elements, DeviceImage& image) {
    if (anyListOpen() || m_helpOpen) {
        NavResult r = navigatePopup(key, image);
        if (r.handled) return r;
    }
    NavResult r;
    const UiElement* focused = findElement(elements, m_focus.id);
    switch (key) {
    case NavKey::Tab:
    case NavKey::BackTab: {
        const int next = tabTarget(m_focus, elements, key == NavKey::Tab);
        if (next < 0) return r;
        setFocus(next);
        r.handled = r.focusMoved = true;
        return r;
    }
    case NavKey::Up:
    case NavKey::Down:
    case NavKey::Home:
    case NavKey::End:
        // A closed combo box steps through its choices as its list would.
        if (focused && focused->role == UiRole::ComboBox && focused->enabled) {
            r.handled = stepClosedList(m_focus.id, key, image);
            m_focus.visible = true;
            return r;
        }
        if (key == NavKey::Home || key == NavKey::End) return r;
        [[fallthrough]];
    case NavKey::Left:
    case NavKey::Right: {
        if (!focused || focused->role != UiRole::Key) return r;
        r.handled = true;
        const int next = keyInDirection(m_focus.id - kElementKeyBase, key);
        if (next >= 0) {
            setFocus(kElementKeyBase + next);
            r.focusMoved = true;
        } else if (!m_focus.visible) {
            m_focus.visible = true;
            r.focusMoved = true;
        }
        return r;
    }
    case NavKey::Activate:
        if (!focused || !focused->enabled || focused->control) return r;
        r.handled = true;
        m_focus.visible = true;
        r.click = activate(m_focus.id, image);
        // A popup opened from the keyboard takes the focus to its current row.
        if (m_panel.effectListOpen && m_panel.effectHoverRow != kNoListRow)
            setFocus(kElementEffectRowBase + m_panel.effectHoverRow);
        else if (m_panel.responseListOpen && m_panel.responseHoverRow != kNoListRow)
            setFocus(kElementResponseRowBase + m_panel.responseHoverRow);
        else if (m_helpOpen)
            setFocus(kElementHelpRowBase + m_helpRow);
        r.focusMoved = true;
        return r;
    default: return r;
    }
}

}  // namespace vandrel
