#include "app/model/HistoryDialogModel.h"

#include "util/TrNoop.h"

namespace vandrel {

namespace {
bool inside(int x, int y, int left, int top, int width, int height) {
    return x >= left && x < left + width && y >= top && y < top + height;
}
}  // namespace

HistoryDialogModel::HistoryDialogModel(std::vector<HistoryDialogRow> rows) : m_rows(std::move(rows)) {
    if (m_rows.size() > static_cast<size_t>(kVisibleRows)) m_rows.resize(kVisibleRows);
    m_selected = m_rows.empty() ? -1 : 0;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].restorable) {
            m_selected = static_cast<int>(i);
            break;
        }
}

bool HistoryDialogModel::canRestore() const {
    return m_selected >= 0 && m_rows[static_cast<size_t>(m_selected)].restorable;
}

HistoryDialogModel::Hit HistoryDialogModel::hitTest(int x, int y, int* row) const {
    if (inside(x, y, kCloseLeft, kCloseTop, 17, 16)) return Hit::Close;
    if (inside(x, y, kRestoreLeft, kButtonsTop, 58, 31)) return Hit::Restore;
    if (inside(x, y, kCancelLeft, kButtonsTop, 58, 31)) return Hit::Cancel;
    if (inside(x, y, kListLeft, kListTop, kListWidth, kRowHeight * static_cast<int>(m_rows.size()))) {
        if (row) *row = (y - kListTop) / kRowHeight;
        return Hit::Row;
    }
    if (y < kTitleHeight) return Hit::Title;
    return Hit::None;
}

HistoryDialogModel::Action HistoryDialogModel::click(int x, int y) {
    int row = -1;
    switch (hitTest(x, y, &row)) {
        case Hit::Close:
        case Hit::Cancel: return Action::Close;
        case Hit::Restore: return canRestore() ? Action::Restore : Action::None;
        case Hit::Row:
            m_selected = row;
            // The keyboard's focus on the rows is on the row chosen.
            if (m_focus.id >= kRowElementBase) m_focus.id = kRowElementBase + row;
            return Action::None;
        default: return Action::None;
    }
}

HistoryDialogModel::Action HistoryDialogModel::doubleClick(int x, int y) {
    int row = -1;
    if (hitTest(x, y, &row) != Hit::Row) return Action::None;
    m_selected = row;
    return canRestore() ? Action::Restore : Action::None;
}

bool HistoryDialogModel::move(int x, int y) {
    int row = -1;
    const int now = hitTest(x, y, &row) == Hit::Row ? row : -1;
    if (now == m_hovered) return false;
    m_hovered = now;
    return true;
}

}  // namespace vandrel

// ---- elements and keyboard focus -------------------------------------------

namespace vandrel {

namespace {

}  // namespace

UiElements HistoryDialogModel::elements(const TextLookup& tr) const {
    const auto drawn = [&](const char* source) { return lookUpText(tr, "vandrel::HistoryDialogRenderer", source); };
    UiElements out;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const int row = static_cast<int>(i);
        const int y = kListTop + row * kRowHeight;
        UiElement e = uiElement(
            kRowElementBase + row, UiRole::ListItem, {kListLeft, y, kListLeft + kListWidth - 1, y + kRowHeight - 1},
            fillPlaceholders(lookUpText(tr, "vandrel::HistoryDialogElements",
                                        VANDREL_TR_NOOP("vandrel::HistoryDialogElements", "%1，%2")),
                             {m_rows[i].when, m_rows[i].differs}));
        e.selected = row == m_selected;
        e.tabStop = e.selected;
        out.push_back(std::move(e));
    }
    // The lines the dialog draws to explain itself are read after the rows:
    // the one over the list, and, when there is nothing yet, the one in its place.
    out.push_back(uiText(kExplanationElement, UiRole::StaticText, {kListLeft, 38, kListLeft + kListWidth - 1, 54},
                         drawn(VANDREL_TR_NOOP("vandrel::HistoryDialogRenderer",
                                               "保存、恢复出厂设置或载入配置前的设置都保留在这里（最近 20 份）。"))));
    if (m_rows.empty())
        out.push_back(uiText(kEmptyElement, UiRole::StaticText,
                             {kListLeft, kListTop, kListLeft + kListWidth - 1, kListTop + kRowHeight - 1},
                             drawn(VANDREL_TR_NOOP("vandrel::HistoryDialogRenderer",
                                                   "还没有保存过：第一次保存后，这里会列出保存前的设置。"))));
    UiElement restore = uiElement(kRestoreElement, UiRole::Button,
                                       {kRestoreLeft, kButtonsTop, kRestoreLeft + 57, kButtonsTop + 30},
                                       drawn(VANDREL_TR_NOOP("vandrel::HistoryDialogRenderer", "恢复")));
    restore.enabled = canRestore();
    // The line drawn beside the buttons says what a restore leads to.
    restore.description =
        drawn(VANDREL_TR_NOOP("vandrel::HistoryDialogRenderer", "恢复后单击“保存”写入键盘；Ctrl+Z 可撤销。"));
    out.push_back(std::move(restore));
    const std::string close = drawn(VANDREL_TR_NOOP("vandrel::HistoryDialogRenderer", "关闭"));
    out.push_back(uiElement(kCancelElement, UiRole::Button,
                                 {kCancelLeft, kButtonsTop, kCancelLeft + 57, kButtonsTop + 30}, close));
    out.push_back(uiElement(kCloseElement, UiRole::Button, {kCloseLeft, kCloseTop, kCloseLeft + 16, kCloseTop + 15},
                                 close));
    return out;
}

bool HistoryDialogModel::focusMark(int& left, int& top, int& right, int& bottom) const {
    if (!m_focus.visible) return false;
    for (const UiElement& e : elements()) {
        if (e.id != m_focus.id) continue;
        left = e.rect.left, top = e.rect.top, right = e.rect.right, bottom = e.rect.bottom;
        return true;
    }
    return false;
}

HistoryDialogModel::Action HistoryDialogModel::activate(int id) {
    switch (id) {
    case kCloseElement:
    case kCancelElement: return Action::Close;
    case kRestoreElement: return canRestore() ? Action::Restore : Action::None;
    default:
        // A row: Enter on it restores it, as a double-click does.
        if (id >= kRowElementBase && id - kRowElementBase < static_cast<int>(m_rows.size())) {
            m_selected = id - kRowElementBase;
            return canRestore() ? Action::Restore : Action::None;
        }
        return Action::None;
    }
}

HistoryDialogModel::NavResult HistoryDialogModel::navigate(NavKey key, const UiElements& elements) {
    NavResult r;
    const UiElement* focused = findElement(elements, m_focus.id);
    const bool onRow = focused && focused->role == UiRole::ListItem;
    const int rows = static_cast<int>(m_rows.size());
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
    case NavKey::End: {
        if (!onRow) return r;
        int row = m_focus.id - kRowElementBase;
        if (key == NavKey::Up) row = row > 0 ? row - 1 : 0;
        else if (key == NavKey::Down) row = row + 1 < rows ? row + 1 : rows - 1;
        else row = key == NavKey::Home ? 0 : rows - 1;
        m_selected = row;
        setFocus(kRowElementBase + row);
        r.handled = r.focusMoved = true;
        return r;
    }
    case NavKey::Activate:
        if (!focused) return r;
        r.handled = true;
        m_focus.visible = true;
        if (onRow) m_selected = m_focus.id - kRowElementBase;  // Space chooses the row
        else r.action = activate(m_focus.id);
        return r;
    case NavKey::Accept:
        if (!focused) return r;
        r.handled = true;
        r.action = activate(m_focus.id);
        return r;
    case NavKey::Escape:
        r.handled = true;
        r.action = Action::Close;
        return r;
    default: return r;
    }
}

}  // namespace vandrel
