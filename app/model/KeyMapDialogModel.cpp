#include "app/model/KeyMapDialogModel.h"

#include <algorithm>
#include <cstring>

#include "keymap/KeyState.h"
#include "keymap/KeyTables.h"
#include "keys/KeyNameTable.h"
#include "util/TrNoop.h"
#include "util/Utf16.h"

namespace vandrel {

const std::array<KeyMapButton, kKeyMapButtons> KeyMapButtonTable = {{
    {{303, 2, 318, 17}, "button-close-normal.png", "button-close-over.png", u""},
    {{0, 31, 81, 57}, "large_button.png", "large_button.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "单键/组合键")},
    {{81, 31, 162, 57}, "large_button.png", "large_button.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "宏")},
    {{162, 31, 243, 57}, "large_button.png", "large_button.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "基本功能")},
    {{243, 31, 324, 57}, "large_button.png", "large_button.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "高级功能")},
    {{0, 30, 325, 36}, "single_combine_option.png", "single_combine_option.png", u""},
    {{19, 251, 29, 260}, "Disable.png", "Enable.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "禁用按键")},
    {{156, 246, 197, 268}, "button-cancel-normal.png", "button-cancel-over.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "初始值")},
    {{210, 246, 251, 268}, "button-cancel-normal.png", "button-cancel-over.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "取消")},
    {{264, 246, 305, 268}, "button-save-normal.png", "button-save-over.png", VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "保存")},
}};

namespace {

// The switch is small: it answers within this many pixels around its picture.
constexpr int kSwitchMargin = 5;

}  // namespace

const char16_t* const kLaunchRowCaptions[kLaunchRows] = {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "播放声音"), VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "启动程序"), VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "打开文件"), VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "打开目录")};

const std::array<FunctionTreeItem, 26> kFunctionTree = {{
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "搜索"), -1, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "运行"), -1, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "多媒体"), -1, true},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "多媒体播放器"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "上一曲"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "下一曲"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "停止-播放"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "暂停"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "音量+"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "音量-"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "静音"), 2, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "快捷键"), -1, true},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "新建"), 11, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "剪切"), 11, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "复制"), 11, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "粘贴"), 11, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "保存"), 11, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "打印"), 11, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "全选"), 11, false},
    {u"Windows", -1, true},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "最大化"), 19, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "最小化"), 19, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "我的电脑"), -1, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "任务管理器"), -1, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "浏览器-主页"), -1, false},
    {VANDREL_TR_NOOP16("vandrel::KeyMapDialogModel", "关闭窗口"), -1, false},
}};

bool IsFunctionCategory(const std::u16string& label) {
    return label == u"多媒体" || label == u"快捷键" || label == u"Windows";
}

DialogRect LaunchCellRect(int row, int column) {
    static constexpr DialogRect kRow0[4] = {{15, 72, 25, 81}, {30, 69, 72, 84}, {83, 68, 243, 83}, {256, 68, 302, 83}};
    DialogRect r = kRow0[column];
    r.top += 30 * row;
    r.bottom += 30 * row;
    return r;
}

uint8_t LaunchGridHit(int x, int y) {
    for (int row = 0; row < kLaunchRows; ++row)
        for (int col = 0; col < 4; ++col)
            if (LaunchCellRect(row, col).contains(x, y)) return static_cast<uint8_t>(row * 4 + col);
    return kKeyMapNoHit;
}

std::u16string JoinKeyNames(const uint8_t* codes, size_t count, const KeyNameTable& names) {
    std::u16string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) text += u"+ ";
        text += names.name(codes[i]);
    }
    return text;
}

std::u16string DescribeKeyRecord(const KeyRecord& record, const KeyNameTable& names) {
    if (record.type == static_cast<uint8_t>(AssignType::SingleKey)) return names.name(record.data[0]);
    if (record.type != static_cast<uint8_t>(AssignType::KeyCombination)) return {};
    std::u16string text = names.name(record.data[0]);
    for (int i = 1; i < 3; ++i)
        if (record.data[i] != 0) text += u"+ " + names.name(record.data[i]);
    return text;
}

std::u16string ShortLaunchPath(const std::u16string& path) {
    if (path.size() < 14) return path;
    // The last separator that does not end the path; a folder path keeps its
    // trailing separator in the shown part.
    size_t cut = std::u16string::npos;
    for (size_t i = 0; i + 1 < path.size(); ++i)
        if (path[i] == u'\\' || path[i] == u'/') cut = i;
    if (cut == std::u16string::npos) return u".." + path;
    return u".." + path.substr(cut);
}

void KeyMapDialogModel::open(int slot, KeyRecord& record, const DeviceImage& image, const MacroStore& macros,
                             bool hookInstalled) {
    // Everything but the last chosen function name starts afresh.
    const std::u16string keptFunction = m_request.functionName;
    m_request = AssignmentRequest{};
    m_request.slot = static_cast<uint8_t>(slot);
    m_request.functionName = keptFunction;
    m_slot = slot;
    m_record = &record;
    m_recordAtOpening = record;
    m_page = kPageKeys;
    m_buttons = KeyMapButtonTable;
    m_hovered = m_hoveredCell = kKeyMapNoHit;
    m_singleText.clear();
    m_comboText.clear();
    m_selectedLabel.clear();
    m_firstFocusKeepsRecord = false;
    m_activeField = EditField::None;
    m_focus = {};
    m_capturing = false;

    if (record.type == static_cast<uint8_t>(AssignType::NamedFunction)) {
        m_request.functionName.clear();
        for (const auto& f : kNamedFunctions)
            if (std::memcmp(f.entry.data(), record.data, 4) == 0) {
                m_request.functionName = f.label;
                break;
            }
    }
    m_treeItem = -1;
    for (size_t i = 0; i < kFunctionTree.size(); ++i)
        if (m_request.functionName == kFunctionTree[i].label) m_treeItem = static_cast<int>(i);

    m_macroNames.clear();
    for (size_t i = 0; i < macrosInUse(macros); ++i) m_macroNames.push_back(recordName(macros[i]));
    m_macroRow = -1;

    clearCodes();
    resetLaunchChoice();
    m_request.assignType = record.type;
    m_request.codeCount = record.length;
    switch (record.type) {
    case static_cast<uint8_t>(AssignType::SingleKey):
    case static_cast<uint8_t>(AssignType::KeyCombination):
        (record.type == 0 ? m_singleText : m_comboText) = DescribeKeyRecord(record, m_names);
        if (record.type == 0) m_request.codeCount = 1;
        std::copy(std::begin(record.data), std::end(record.data), m_request.codes.begin());
        m_firstFocusKeepsRecord = true;
        break;
    case static_cast<uint8_t>(AssignType::MacroKey):
        if (record.data[0] == 4) {
            m_page = kPageMacro;
            m_macroRow = record.data[2] < m_macroNames.size() ? record.data[2] : -1;
        }
        break;
    case static_cast<uint8_t>(AssignType::NamedFunction):
        m_page = kPageFunction;
        break;
    case 4: case 5: case 6: case 7:
        m_page = kPageLaunch;
        m_request.launchPath = readUtf16Field(record.path, kKeyRecordPathUnits);
        m_launchKind = static_cast<uint8_t>(record.type - 4);
        break;
    default:
        break;
    }

    // The Fn position (slot 100) has no bit of its own: it shows slot 101's.
    const bool enabled = IsKeyEnabled(image, slot == 100 ? 101 : slot);
    m_disableSwitch = enabled ? 0 : 1;
    m_request.keyEnabled = enabled;
    m_buttons[kKeyMapDisable].state = m_disableSwitch;
    m_hookInstalled = hookInstalled;
}

uint8_t KeyMapDialogModel::hitTest(int x, int y) const {
    const DialogRect& s = m_buttons[kKeyMapDisable].rect;
    if (DialogRect{s.left - kSwitchMargin, s.top - kSwitchMargin, s.right + kSwitchMargin, s.bottom + kSwitchMargin}
            .contains(x, y))
        return kKeyMapDisable;
    for (int i = 0; i < kKeyMapButtons; ++i)
        if (m_buttons[i].rect.contains(x, y)) return static_cast<uint8_t>(i);
    return kKeyMapNoHit;
}

void KeyMapDialogModel::clearCodes() {
    m_request.codes.fill(0);
    m_request.codeCount = 0;
}

void KeyMapDialogModel::clearRecord(uint8_t type) {
    if (!m_record) return;
    m_record->type = type;
    if (type == 0) m_record->length = 0;
    std::memset(m_record->data, 0, sizeof m_record->data);
}

void KeyMapDialogModel::storeStroke(uint8_t vk) {
    if (m_request.assignType == static_cast<uint8_t>(AssignType::SingleKey)) {
        m_request.codes[0] = vk;
        m_request.codeCount = 1;
        m_singleText = m_names.name(vk);
    } else if (m_request.assignType == static_cast<uint8_t>(AssignType::KeyCombination)) {
        // At most three keys combine; a fourth starts a new combination.
        if (m_request.codeCount >= 3) clearCodes();
        m_request.codes[m_request.codeCount] = vk;
        ++m_request.codeCount;
        m_comboText = JoinKeyNames(m_request.codes.data(), m_request.codeCount, m_names);
    }
}

void KeyMapDialogModel::setKeyNames(const KeyNameTable& names) {
    m_names = names;
    // A field shows keys exactly when it is not empty; it shows the codes.
    if (!m_singleText.empty() && m_request.codeCount >= 1) m_singleText = m_names.name(m_request.codes[0]);
    if (!m_comboText.empty() && m_request.codeCount >= 1) {
        m_comboText = m_names.name(m_request.codes[0]);
        for (size_t i = 1; i < 3 && i < m_request.codeCount; ++i)
            if (m_request.codes[i] != 0) m_comboText += u"+ " + m_names.name(m_request.codes[i]);
    }
}

void KeyMapDialogModel::keyStroke(uint8_t vk) {
    if (m_hookInstalled) storeStroke(vk);
}

void KeyMapDialogModel::focusEdit(EditField field) {
    // The field being typed into gets the focus back after every click on
    // the dialog's picture (a free point, the switch, the current tab, a
    // drag) and whenever the window is activated again: its keys stay.
    if (field == EditField::None || field == m_activeField) return;
    m_activeField = field;
    const uint8_t type = field == EditField::Single ? 0 : 1;
    // The loaded record stays when its own field is the first to take the focus.
    const bool keep = m_firstFocusKeepsRecord && m_request.assignType == type;
    m_firstFocusKeepsRecord = false;
    if (keep) return;
    // The other field starts a new assignment; neither field may go on
    // showing codes that are gone.
    m_request.assignType = type;
    clearCodes();
    m_singleText.clear();
    m_comboText.clear();
}

void KeyMapDialogModel::deleteAllCodes() {
    m_singleText.clear();
    m_comboText.clear();
    clearCodes();
}

KeyMapClickResult KeyMapDialogModel::click(int x, int y) { return clickCode(hitTest(x, y), LaunchGridHit(x, y)); }

KeyMapClickResult KeyMapDialogModel::clickCode(uint8_t code, uint8_t launchCell) {
    KeyMapClickResult result;
    const int pageBefore = m_page;
    switch (code) {
    case kKeyMapCancel:
        clearCodes();
        [[fallthrough]];
    case kKeyMapClose:
        result.outcome = KeyMapClickResult::Outcome::Reject;
        return result;
    case kKeyMapTabKeys:
        if (m_page != kPageKeys) {
            clearCodes();
            m_singleText.clear();
            m_comboText.clear();
            clearRecord(0);
            m_request.assignType = 0;
            result.focusSingleEdit = true;
        }
        m_page = kPageKeys;
        resetLaunchChoice();
        result.redraw = true;
        break;
    case kKeyMapTabMacro:
        m_page = kPageMacro;
        m_request.assignType = 1;
        resetLaunchChoice();
        result.redraw = true;
        break;
    case kKeyMapTabFunction:
        m_page = kPageFunction;
        m_request.assignType = 2;
        resetLaunchChoice();
        result.redraw = true;
        break;
    case kKeyMapTabLaunch:
        if (m_page != kPageLaunch) {
            clearCodes();
            clearRecord(255);
            m_singleText.clear();
            m_comboText.clear();
            m_request.assignType = 255;
            m_launchKind = kNoLaunchRow;
        }
        m_markedRow = kNoLaunchRow;
        m_page = kPageLaunch;
        result.redraw = true;
        break;
    case kKeyMapDisable:
        m_disableSwitch = 1 - m_disableSwitch;
        m_buttons[kKeyMapDisable].state = m_disableSwitch;
        result.redraw = true;
        break;
    case kKeyMapInitial:
        m_request.codeCount = kRestoreCodeCount;
        result.outcome = KeyMapClickResult::Outcome::Accept;
        return result;
    case kKeyMapSave:
        result = pressOk();
        break;
    default:
        break;
    }
    // Another page ends the typing in the key fields: coming back starts afresh.
    if (m_page != pageBefore) m_activeField = EditField::None;
    if (result.askForLaunchPath) return result;
    // The launch grid answers whenever the launch page is showing after the
    // click, also for OK and for the click that opened the page: a click
    // outside the grid with no row chosen turns the choice into a restore.
    if (m_page == kPageLaunch && result.outcome != KeyMapClickResult::Outcome::Reject)
        clickLaunchCell(launchCell, result);
    return result;
}

KeyMapClickResult KeyMapDialogModel::pressOk() {
    KeyMapClickResult result;
    result.outcome = KeyMapClickResult::Outcome::Accept;
    const bool enable = m_disableSwitch == 0;
    switch (m_page) {
    case kPageKeys: {
        m_request.keyEnabled = enable;
        uint32_t n = 0;
        while (n < m_request.codes.size() && m_request.codes[n] != 0) ++n;
        m_request.codeCount = n;
        if (n == 0) m_request.assignType = static_cast<uint8_t>(AssignType::RestoreDefault);
        break;
    }
    case kPageMacro:
        m_request.assignType = static_cast<uint8_t>(AssignType::MacroKey);
        m_request.macroIndex = m_macroRow;
        if (m_macroRow < 0) {
            m_request.keyEnabled = true;
            m_request.assignType = static_cast<uint8_t>(AssignType::RestoreDefault);
        } else if (m_macroRow >= static_cast<int>(kMacroSlotCount)) {
            // A macro store read from elsewhere can list more macros than the
            // keyboard has slots; a key bound to one of those would keep its
            // old action on the keyboard while the window showed the macro.
            result.outcome = KeyMapClickResult::Outcome::Stay;
            result.askForKeyboardMacro = true;
            return result;
        } else {
            m_request.keyEnabled = enable;
        }
        break;
    case kPageFunction:
        // Nothing chosen: the key keeps its record, entry and mark as they
        // were when the dialog opened (a page switch may have emptied the
        // record since); only the disable switch applies, as on every page.
        // Storing an empty choice would mark the key as reassigned while the
        // keyboard kept its old action.
        if (m_treeItem < 0) {
            if (m_record) *m_record = m_recordAtOpening;
            m_request.assignType = kKeepAssignment;
            m_request.codeCount = 0;
            m_request.keyEnabled = enable;
            return result;
        }
        m_request.assignType = static_cast<uint8_t>(AssignType::NamedFunction);
        m_selectedLabel = m_treeItem >= 0 ? std::u16string(kFunctionTree[m_treeItem].label) : std::u16string();
        if (IsFunctionCategory(m_selectedLabel)) {
            result.outcome = KeyMapClickResult::Outcome::Stay;
            result.askForSubItem = true;
            return result;
        }
        m_request.functionName = m_selectedLabel;
        m_request.keyEnabled = enable;
        break;
    default:
        // A marked row without a path would store a launch key that launches
        // nothing and no longer types.
        if (m_launchKind != kNoLaunchRow && m_request.launchPath.empty()) {
            result.outcome = KeyMapClickResult::Outcome::Stay;
            result.askForLaunchPath = true;
            return result;
        }
        m_request.keyEnabled = enable;
        break;
    }
    return result;
}

void KeyMapDialogModel::clickLaunchCell(uint8_t cell, KeyMapClickResult& result) {
    if (cell == kKeyMapNoHit) {
        if (m_launchKind == kNoLaunchRow) {
            m_markedRow = kNoLaunchRow;
            m_request.assignType = static_cast<uint8_t>(AssignType::RestoreDefault);
        } else if (m_request.assignType > static_cast<uint8_t>(AssignType::RestoreDefault)) {
            // A row marked but nothing chosen since the page was opened: the
            // key is restored rather than stored as "no choice" while its old
            // entry stays on the keyboard.
            m_request.assignType = static_cast<uint8_t>(AssignType::RestoreDefault);
        }
        return;
    }
    const int row = cell / 4;
    const int column = cell % 4;
    if (column == kLaunchMarker) {
        m_markedRow = static_cast<uint8_t>(4 * row);
        m_launchKind = static_cast<uint8_t>(row);
        m_request.launchPath.clear();
        result.redraw = true;
    } else if (column == kLaunchBrowse) {
        m_markedRow = static_cast<uint8_t>(4 * row);
        if (chooseLaunchPath) {
            if (auto path = chooseLaunchPath(row, m_request.launchPath)) {
                m_request.launchPath = *path;
                m_launchKind = static_cast<uint8_t>(row);
                m_request.assignType = static_cast<uint8_t>(4 + row);
            }
        }
        result.redraw = true;
    }
}

bool KeyMapDialogModel::mouseMove(int x, int y) {
    bool redraw = false;
    const uint8_t hit = hitTest(x, y);
    if (hit != m_hovered) {
        for (int i = 0; i < kKeyMapButtons; ++i)
            if (i != kKeyMapDisable) m_buttons[i].state = 0;
        if (hit != kKeyMapNoHit && hit != kKeyMapDisable) m_buttons[hit].state = 1;
        m_hovered = hit;
        redraw = true;
    }
    uint8_t cell = m_page == kPageLaunch ? LaunchGridHit(x, y) : uint8_t{kKeyMapNoHit};
    if (cell != kKeyMapNoHit && cell % 4 != kLaunchBrowse) cell = kKeyMapNoHit;
    if (cell != m_hoveredCell) {
        m_hoveredCell = cell;
        redraw = true;
    }
    return redraw;
}

std::u16string KeyMapDialogModel::toolTipAt(int x, int y) const {
    if (m_page != kPageLaunch || m_launchKind == kNoLaunchRow) return {};
    if (LaunchGridHit(x, y) != m_launchKind * 4 + kLaunchField) return {};
    return m_request.launchPath;
}

bool KeyMapDialogModel::pressStartsDrag(int x, int y) const {
    if (hitTest(x, y) != kKeyMapNoHit) return false;
    return m_page != kPageLaunch || LaunchGridHit(x, y) == kKeyMapNoHit;
}

}  // namespace vandrel
