#include "controls/ListBoxModel.h"

#include <algorithm>

#include "util/Utf16.h"

namespace vandrel {

namespace {

bool contains(const std::u16string& s, const char16_t* part) { return s.find(part) != std::u16string::npos; }

// Removes the last occurrence of `part`: the marker a key row ends with.
std::u16string withoutMarker(std::u16string s, const char16_t* part) {
    const size_t at = s.rfind(part);
    if (at != std::u16string::npos) s.erase(at, std::char_traits<char16_t>::length(part));
    return s;
}

std::u16string decimal(int v) { return decimalUtf16(v < 0 ? 0u : static_cast<unsigned>(v)); }

int plainCompare(const std::u16string& a, const std::u16string& b) { return a.compare(b); }

}  // namespace

ListBoxModel::ListBoxModel(bool sorted, bool notify, Compare compare)
    : m_sorted(sorted), m_notify(notify), m_compare(compare ? std::move(compare) : Compare(plainCompare)) {}

int ListBoxModel::sortedIndexFor(const std::u16string& text) const {
    int i = 0;
    while (i < count() && m_compare(m_rows[static_cast<size_t>(i)].text, text) <= 0) ++i;
    return i;
}

int ListBoxModel::addRow(const std::u16string& text, uint32_t value) {
    return insertRow(m_sorted ? sortedIndexFor(text) : count(), text, value);
}

int ListBoxModel::insertRow(int index, const std::u16string& text, uint32_t value) {
    if (index < 0 || index > count()) index = count();
    m_rows.insert(m_rows.begin() + index, Row{text, value});
    // Rows at and after the new one move down, the selection with them.
    if (m_selected >= index) ++m_selected;
    if (m_editingRow >= index) ++m_editingRow;
    return index;
}

bool ListBoxModel::deleteRow(int row) {
    if (row < 0 || row >= count()) return false;
    m_rows.erase(m_rows.begin() + row);
    if (m_selected == row)
        m_selected = -1;
    else if (m_selected > row)
        --m_selected;
    if (m_hovered >= count()) m_hovered = -1;
    clampScroll();
    return true;
}

void ListBoxModel::clear() {
    m_rows.clear();
    m_selected = -1;
    m_hovered = -1;
    m_top = 0;
}

int ListBoxModel::findExact(const std::u16string& text) const {
    for (int i = 0; i < count(); ++i)
        if (m_rows[static_cast<size_t>(i)].text == text) return i;
    return -1;
}

void ListBoxModel::setClientSize(int width, int height) {
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    clampScroll();
}

int ListBoxModel::visibleRows() const { return std::max(1, m_height / m_rowHeight); }

ListRect ListBoxModel::rowRect(int row) const {
    return ListRect{0, (row - m_top) * m_rowHeight, m_width, m_rowHeight};
}

int ListBoxModel::rowAt(int x, int y) const {
    if (x < 0 || x >= m_width || y < 0 || y >= m_height) return -1;
    const int row = m_top + y / m_rowHeight;
    return row < count() ? row : -1;
}

int ListBoxModel::maxTopRow() const { return std::max(0, count() - visibleRows()); }

void ListBoxModel::clampScroll() { m_top = std::clamp(m_top, 0, maxTopRow()); }

bool ListBoxModel::setTopRow(int row) {
    const int before = m_top;
    m_top = std::clamp(row, 0, maxTopRow());
    return m_top != before;
}

void ListBoxModel::ensureVisible(int row) {
    if (row < 0 || row >= count()) return;
    if (row < m_top)
        setTopRow(row);
    else if (row >= m_top + visibleRows())
        setTopRow(row - visibleRows() + 1);
}

bool ListBoxModel::setSelected(int row) {
    if (row < 0 || row >= count()) row = -1;
    if (row == m_selected) return false;
    m_selected = row;
    ensureVisible(row);
    return true;
}

bool ListBoxModel::press(int x, int y) {
    const int row = rowAt(x, y);
    return row >= 0 && setSelected(row);
}

bool ListBoxModel::key(ListKey k) {
    if (count() == 0) return false;
    const int page = std::max(1, visibleRows() - 1);
    const int from = m_selected < 0 ? m_top : m_selected;
    int to = from;
    switch (k) {
    case ListKey::Up: to = m_selected < 0 ? from : from - 1; break;
    case ListKey::Down: to = m_selected < 0 ? from : from + 1; break;
    case ListKey::PageUp: to = from - page; break;
    case ListKey::PageDown: to = from + page; break;
    case ListKey::Home: to = 0; break;
    case ListKey::End: to = count() - 1; break;
    }
    return setSelected(std::clamp(to, 0, count() - 1));
}

bool ListBoxModel::hover(int x, int y) {
    const int row = rowAt(x, y);
    if (row == m_hovered) return false;
    m_hovered = row;
    return true;
}

RowView ListBoxModel::rowView(int row) const {
    RowView v;
    if (row < 0 || row >= count()) return v;
    v.text = text(row);
    if (m_mode != kListMacroEvents) return v;
    if (contains(v.text, u"dn")) {
        v.text = withoutMarker(v.text, u"dn");
        v.picture = kPressPicture;
    } else if (contains(v.text, u"up")) {
        v.text = withoutMarker(v.text, u"up");
        v.picture = kReleasePicture;
    } else if (contains(v.text, u"ms")) {
        v.picture = kDelayPicture;
    }
    return v;
}

std::optional<EditStart> ListBoxModel::beginEdit(int x, int y) {
    const int row = m_selected;
    if (row < 0 || editing()) return std::nullopt;
    const std::u16string& t = text(row);
    // Key rows of the event list are changed through the context menu only.
    if (m_mode == kListMacroEvents && (contains(t, u"up") || contains(t, u"dn"))) return std::nullopt;
    const ListRect r = rowRect(row);
    if (!r.contains(x, y)) return std::nullopt;

    m_messages.push_back({kListEditBegin, 0, 0, {}});
    EditStart e;
    e.row = row;
    e.rect = ListRect{r.x, r.y - 2, r.width, r.height + 4};
    e.text = m_mode == kListMacroEvents ? withoutMarker(t, u" ms") : t;
    e.digitsOnly = m_mode == kListMacroEvents;
    m_editingRow = m_editStartRow = row;
    return e;
}

int ListBoxModel::editedDelay(const std::u16string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    long long v = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        v = std::min<long long>(v * 10 + (text[i] - u'0'), kListMaxDelay + 1);
    return static_cast<int>(std::clamp<long long>(v, kListMinDelay, kListMaxDelay));
}

void ListBoxModel::endEdit(bool commit, const std::u16string& editorText) {
    const int row = m_editingRow;
    m_editingRow = -1;
    if (!commit || row < 0 || row >= count()) return;

    const std::u16string oldText = text(row);
    std::u16string newText = editorText;
    if (m_mode == kListMacroEvents) {
        const int v = editedDelay(editorText);
        newText = decimal(v) + u" ms";
        m_messages.push_back({kListEditEnd, row, v, {}});
    }
    if (newText == oldText) return;

    deleteRow(row);
    const int newRow = m_sorted ? addRow(newText, 0) : insertRow(row, newText, 0);
    setSelected(newRow);
    if (m_notify) m_messages.push_back({kListRowRenamed, newRow, 0, oldText});
    if (m_mode == kListOwnerBackground) m_messages.push_back({kListEditEnd, m_editStartRow, newRow, {}});
}

std::vector<ListMessage> ListBoxModel::takeMessages() {
    std::vector<ListMessage> out;
    out.swap(m_messages);
    return out;
}

}  // namespace vandrel
