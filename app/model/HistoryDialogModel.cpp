#include "app/model/HistoryDialogModel.h"

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
        case Hit::Row: m_selected = row; return Action::None;
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
