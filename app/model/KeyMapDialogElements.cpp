// The key-map dialog's elements for the screen reader and its keyboard
// focus: the tabs, the page's controls, the launch rows, the switch and the
// buttons, and what Tab, the arrows, Space, Enter and Escape do among them.

#include "app/model/KeyMapDialogModel.h"
#include "util/TrNoop.h"
#include "util/Utf16.h"

namespace vandrel {

namespace {

constexpr const char* kTables = "vandrel::KeyMapDialogModel";
constexpr const char* kOwn = "vandrel::KeyMapElements";

HitRect hit(const DialogRect& r) { return {r.left, r.top, r.right, r.bottom}; }

std::string tableText(const TextLookup& tr, const char16_t* source) {
    return lookUpText(tr, kTables, utf16ToUtf8(source).c_str());
}

bool isTab(int id) { return id >= kKeyMapTabKeys && id <= kKeyMapTabLaunch; }

}  // namespace

UiElements KeyMapDialogModel::elements(const TextLookup& tr) const {
    UiElements out;
    for (int code = kKeyMapTabKeys; code <= kKeyMapTabLaunch; ++code) {
        UiElement tab = uiElement(code, UiRole::PageTab, hit(m_buttons[code].rect), tableText(tr, m_buttons[code].caption));
        tab.selected = code - kKeyMapTabKeys == m_page;
        // The tabs are one Tab stop, the page's own (or the one the arrows
        // moved to); the arrows go between them.
        tab.tabStop = tab.selected || m_focus.id == code;
        out.push_back(std::move(tab));
    }
    // The open page's heading, over the page below the tab strip: a reader
    // moving by headings lands at the top of the page.
    out.push_back(uiText(kKeyMapPageHeading, UiRole::Heading, {15, 60, 309, 66},
                         tableText(tr, m_buttons[kKeyMapTabKeys + m_page].caption)));
    const auto control = [&](int id, UiRole role, HitRect rect, std::string name) {
        UiElement e = uiElement(id, role, rect, std::move(name));
        e.control = true;
        out.push_back(std::move(e));
    };
    switch (m_page) {
    case kPageKeys: {
        const std::string hint =
            m_capturing ? lookUpText(tr, kOwn, VANDREL_TR_NOOP("vandrel::KeyMapElements", "请按下按键，松开后完成"))
                        : lookUpText(tr, kOwn, VANDREL_TR_NOOP("vandrel::KeyMapElements", "按下按键即可录入；按空格键后可录入 Tab、Enter、Esc 和空格"));
        control(kKeyMapSingleField, UiRole::Field, {20, 89, 299, 103},
                lookUpText(tr, "vandrel::KeyMapRenderer", VANDREL_TR_NOOP("vandrel::KeyMapRenderer", "单键")));
        out.back().value = utf16ToUtf8(m_singleText);
        out.back().description = hint;
        control(kKeyMapComboField, UiRole::Field, {20, 139, 299, 153},
                lookUpText(tr, "vandrel::KeyMapRenderer", VANDREL_TR_NOOP("vandrel::KeyMapRenderer", "组合键")));
        out.back().value = utf16ToUtf8(m_comboText);
        out.back().description = hint;
        break;
    }
    case kPageMacro:
        control(kKeyMapMacroList, UiRole::List, {20, 79, 299, 228}, tableText(tr, m_buttons[kKeyMapTabMacro].caption));
        break;
    case kPageFunction:
        control(kKeyMapFunctionTree, UiRole::Tree, {10, 60, 304, 219},
                tableText(tr, m_buttons[kKeyMapTabFunction].caption));
        break;
    default:
        for (int k = 0; k < kLaunchRows; ++k) {
            const std::string caption = tableText(tr, kLaunchRowCaptions[k]);
            UiElement marker = uiElement(kKeyMapLaunchMarkerBase + k, UiRole::RadioButton,
                                       hit(LaunchCellRect(k, kLaunchMarker)), caption);
            marker.checkable = true;
            marker.checked = m_markedRow == 4 * k;
            if (m_launchKind == k && !m_request.launchPath.empty()) marker.description = utf16ToUtf8(m_request.launchPath);
            out.push_back(std::move(marker));
            out.push_back(uiElement(kKeyMapLaunchBrowseBase + k, UiRole::Button, hit(LaunchCellRect(k, kLaunchBrowse)),
                                  fillPlaceholders(lookUpText(tr, kOwn, VANDREL_TR_NOOP("vandrel::KeyMapElements", "%1：浏览…")),
                                                   {caption})));
        }
        break;
    }
    UiElement toggle = uiElement(kKeyMapDisable, UiRole::CheckBox, hit(m_buttons[kKeyMapDisable].rect),
                               tableText(tr, m_buttons[kKeyMapDisable].caption));
    toggle.checkable = true;
    toggle.checked = m_disableSwitch == 1;
    out.push_back(std::move(toggle));
    for (int code : {kKeyMapInitial, kKeyMapCancel, kKeyMapSave})
        out.push_back(uiElement(code, UiRole::Button, hit(m_buttons[code].rect), tableText(tr, m_buttons[code].caption)));
    out.push_back(uiElement(kKeyMapClose, UiRole::Button, hit(m_buttons[kKeyMapClose].rect),
                          lookUpText(tr, kOwn, VANDREL_TR_NOOP("vandrel::KeyMapElements", "关闭"))));
    return out;
}

void KeyMapDialogModel::setFocus(int id, bool visible) {
    m_focus.id = id;
    m_focus.visible = visible;
}

bool KeyMapDialogModel::focusMark(DialogRect& rect) const {
    if (!m_focus.visible || m_focus.id < 0) return false;
    for (const UiElement& e : elements()) {
        if (e.id != m_focus.id) continue;
        rect = {e.rect.left, e.rect.top, e.rect.right, e.rect.bottom};
        return true;
    }
    return false;
}

KeyMapClickResult KeyMapDialogModel::activate(int id) {
    if (id >= 0 && id < kKeyMapButtons) return clickCode(static_cast<uint8_t>(id), kKeyMapNoHit);
    if (id >= kKeyMapLaunchMarkerBase && id < kKeyMapLaunchMarkerBase + kLaunchRows)
        return clickCode(kKeyMapNoHit, static_cast<uint8_t>(4 * (id - kKeyMapLaunchMarkerBase) + kLaunchMarker));
    if (id >= kKeyMapLaunchBrowseBase && id < kKeyMapLaunchBrowseBase + kLaunchRows)
        return clickCode(kKeyMapNoHit, static_cast<uint8_t>(4 * (id - kKeyMapLaunchBrowseBase) + kLaunchBrowse));
    return {};
}

KeyMapDialogModel::NavResult KeyMapDialogModel::navigate(NavKey key, const UiElements& elements) {
    NavResult r;
    const UiElement* focused = findElement(elements, m_focus.id);
    const bool drawn = focused && !focused->control;
    switch (key) {
    case NavKey::Tab:
    case NavKey::BackTab: {
        const int next = tabTarget(m_focus, elements, key == NavKey::Tab);
        if (next < 0) return r;
        setFocus(next);
        r.handled = r.focusMoved = true;
        return r;
    }
    case NavKey::Left:
    case NavKey::Right: {
        // The arrows move between the tabs and open the page they reach, as
        // on any tab strip. The focus stays on the strip (the keys page would
        // otherwise hand it to its field), so that the arrows go on walking it.
        if (!focused || !isTab(focused->id)) return r;
        const int next = focused->id + (key == NavKey::Right ? 1 : -1);
        r.handled = true;
        if (isTab(next)) {
            setFocus(next);
            r.focusMoved = true;
            r.click = activate(next);
            r.click.focusSingleEdit = false;
        }
        return r;
    }
    case NavKey::Activate:
        if (!drawn) return r;
        r.handled = true;
        r.click = activate(m_focus.id);
        m_focus.visible = true;
        return r;
    case NavKey::Accept: {
        // Enter presses the focused button or tab; anywhere else it is Save.
        const bool pressable = drawn && (focused->role == UiRole::Button || focused->role == UiRole::PageTab);
        r.handled = true;
        r.click = activate(pressable ? m_focus.id : kKeyMapSave);
        return r;
    }
    case NavKey::Escape:
        r.handled = true;
        r.click = activate(kKeyMapCancel);
        return r;
    default: return r;
    }
}

}  // namespace vandrel
