// The macro manager's elements for the screen reader and its keyboard focus.

#include "app/model/MacroRecordDlgModel.h"
#include "util/TrNoop.h"

namespace vandrel {

namespace {

constexpr const char* kDrawn = "vandrel::MacroRecordDlgRenderer";

std::string drawn(const TextLookup& tr, const char* source) { return lookUpText(tr, kDrawn, source); }

HitRect regionRect(int region) { return MacroButtonTable()[static_cast<size_t>(region)].rect; }

// A label drawn on two lines, read as one: Chinese runs on, words written
// with spaces keep a space between the lines.
std::string joinedLines(const std::string& first, const std::string& second) {
    const auto latin = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const bool spaced = !first.empty() && !second.empty() && latin(first.back()) && latin(second.front());
    return spaced ? first + ' ' + second : first + second;
}

}  // namespace

UiElements MacroRecordDlgModel::elements(bool keyboardRecording, const TextLookup& tr) const {
    UiElements out;
    const auto control = [&](int id, UiRole role, HitRect rect, std::string name) {
        UiElement e = uiElement(id, role, rect, std::move(name));
        e.control = true;
        out.push_back(std::move(e));
    };
    control(kMacroElementMacroList, UiRole::List, {20, 80, 132, 354},
            drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "选择宏")));
    control(kMacroElementEventList, UiRole::List, {150, 80, 262, 354},
            drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "按键系列")));
    out.back().description = lookUpText(tr, "vandrel::MacroRecordDlgElements",
                                        VANDREL_TR_NOOP("vandrel::MacroRecordDlgElements",
                                                        "菜单键打开插入和删除命令，F2 编辑延时"));

    const bool recording = m_manager.recording();
    UiElement record = uiElement(kMacroHitRecord, UiRole::Button, regionRect(kMacroHitRecord),
                               recording ? drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "停止录制"))
                                         : drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "开始录制")));
    if (recording && keyboardRecording)
        record.description = lookUpText(tr, "vandrel::MacroRecordDlgElements",
                                        VANDREL_TR_NOOP("vandrel::MacroRecordDlgElements", "按 Esc 停止录制"));
    out.push_back(std::move(record));
    UiElement delays = uiElement(kMacroHitDelayBox, UiRole::CheckBox, regionRect(kMacroHitDelayBox),
                               joinedLines(drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "记录按键动作")),
                                           drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "间的延迟"))));
    delays.checkable = true;
    delays.checked = m_manager.recordDelays();
    // The two boxes stand under the heading drawn over them; the lists are
    // named by theirs.
    const std::string options = drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "录制选项"));
    delays.description = options;
    out.push_back(std::move(delays));
    const std::string loops = drawn(tr, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "循环次数"));
    UiElement loop = uiElement(kMacroHitLoopBox, UiRole::CheckBox, regionRect(kMacroHitLoopBox), loops);
    loop.checkable = true;
    loop.checked = m_manager.loopEnabled();
    loop.description = options;
    out.push_back(std::move(loop));
    control(kMacroElementLoopEdit, UiRole::Field, {296, 331, 379, 348}, loops);
    out.back().enabled = m_manager.loopEnabled();
    const struct {
        int region;
        const char* name;
    } buttons[] = {{kMacroHitNew, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "新建")},
                   {kMacroHitDelete, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "删除")},
                   {kMacroHitOk, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "确定")},
                   {kMacroHitCancel, VANDREL_TR_NOOP("vandrel::MacroRecordDlgRenderer", "取消")}};
    for (const auto& b : buttons) out.push_back(uiElement(b.region, UiRole::Button, regionRect(b.region), drawn(tr, b.name)));
    return out;
}

bool MacroRecordDlgModel::focusMark(HitRect& rect) const {
    if (!m_focus.visible || m_focus.id < 0 || m_focus.id >= kMacroRegions) return false;
    rect = regionRect(m_focus.id);
    return true;
}

MacroRecordDlgModel::NavResult MacroRecordDlgModel::navigate(NavKey key, const UiElements& elements) {
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
    case NavKey::Activate:
    case NavKey::Accept:
        // Enter in a list or the loop count is theirs: it closes nothing.
        if (!focused || focused->control) return r;
        r.handled = true;
        m_focus.visible = true;
        r.activated = m_focus.id;
        return r;
    case NavKey::Escape:
        r.handled = true;
        r.close = true;
        return r;
    default: return r;
    }
}

}  // namespace vandrel
