#pragma once
// The transparent list box without its drawing: the rows and their values, the
// selection, scrolling and hit testing, what each row shows in the macro-event
// mode, and the in-place edit from its start to its commit or cancel, with the
// messages the list sends to its owner. The widget draws this state and turns
// the messages into events; tests drive it directly.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vandrel {

// 0 = plain text over the list's own background picture, 1 = macro events (row
// pictures and delay editing), 3 = plain text over the owner's background.
enum ListMode : int { kListPlain = 0, kListMacroEvents = 1, kListOwnerBackground = 3 };

// Messages from the list to its owner and from the edit box to the list.
enum ListMessageId : int {
    kListEditBegin = 0x6F4,     // an in-place edit opens
    kListEditEnd = 0x6F5,       // an edit was committed (see ListBoxModel::endEdit)
    kListRowRenamed = 0x8840,   // a committed edit changed a row: new row, old text
    kInplaceEditDone = 0x8841,  // edit box to list: 1 commit, 0 cancel
};

struct ListMessage {
    int id = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
    std::u16string text;  // kListRowRenamed: the row's old text
};

// Row pictures of the macro-event mode, by their bitmap numbers.
enum RowPicture : int { kNoRowPicture = 0, kPressPicture = 131, kDelayPicture = 137, kReleasePicture = 138 };

struct RowView {
    std::u16string text;
    int picture = kNoRowPicture;
};

struct ListRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    bool operator==(const ListRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

// An in-place edit about to open: the edit box's place, its text and whether
// it takes digits only.
struct EditStart {
    int row = -1;
    ListRect rect;
    std::u16string text;
    bool digitsOnly = false;
};

enum class ListKey { Up, Down, PageUp, PageDown, Home, End };

constexpr int kDefaultRowHeight = 25;
constexpr int kListMinDelay = 2;  // bounds of an edited delay, ms
constexpr int kListMaxDelay = 60000;

class ListBoxModel {
public:
    // Negative, zero or positive as a sorts before, with or after b.
    using Compare = std::function<int(const std::u16string& a, const std::u16string& b)>;

    // `sorted`: rows added go to their sorted place; `notify`: a committed
    // change of a row's text is reported with kListRowRenamed.
    ListBoxModel(bool sorted, bool notify, Compare compare = {});

    int mode() const { return m_mode; }
    void setMode(int mode) { m_mode = mode; }
    bool sorted() const { return m_sorted; }

    // Rows. Each row keeps a 32-bit value beside its text.
    int addRow(const std::u16string& text, uint32_t value = 0);
    int insertRow(int index, const std::u16string& text, uint32_t value = 0);
    bool deleteRow(int row);
    void clear();
    int count() const { return static_cast<int>(m_rows.size()); }
    const std::u16string& text(int row) const { return m_rows[static_cast<size_t>(row)].text; }
    uint32_t value(int row) const { return m_rows[static_cast<size_t>(row)].value; }
    // The first row whose text equals `text` exactly, or -1.
    int findExact(const std::u16string& text) const;

    // Geometry. The row height comes from the font the widget measures.
    void setRowHeight(int h) { m_rowHeight = h > 0 ? h : 1; }
    int rowHeight() const { return m_rowHeight; }
    void setClientSize(int width, int height);
    int clientWidth() const { return m_width; }
    int clientHeight() const { return m_height; }
    int visibleRows() const;
    // The rectangle of a row relative to the client area (the top row at 0).
    ListRect rowRect(int row) const;
    // The row under a client point, or -1.
    int rowAt(int x, int y) const;

    // Scrolling.
    int topRow() const { return m_top; }
    int maxTopRow() const;
    bool setTopRow(int row);  // true when it changed
    bool scrollBy(int rows) { return setTopRow(m_top + rows); }
    void ensureVisible(int row);

    // Selection: -1 = none. True when it changed.
    int selected() const { return m_selected; }
    bool setSelected(int row);
    // A left press selects the row under the pointer (nothing outside rows).
    bool press(int x, int y);
    bool key(ListKey k);
    int hovered() const { return m_hovered; }
    bool hover(int x, int y);  // true when the hovered row changed
    void leave() { m_hovered = -1; }

    // What a row shows: in the macro-event mode a press row loses its "dn"
    // and a release row its "up" to an arrow picture; a delay row keeps its
    // text and gets the clock picture.
    RowView rowView(int row) const;

    // In-place edit. beginEdit answers a double-click at a client point: it
    // starts an edit on the selected row when the point lies in it (and, in
    // the macro-event mode, the row is a delay row) and queues kListEditBegin.
    std::optional<EditStart> beginEdit(int x, int y);
    bool editing() const { return m_editingRow >= 0; }
    int editingRow() const { return m_editingRow; }
    int editStartRow() const { return m_editStartRow; }
    // Ends the edit with the edit box's text: a commit changes the row and
    // queues the messages to the owner; a cancel or a call without an edit
    // changes nothing.
    void endEdit(bool commit, const std::u16string& editorText);

    // Messages queued for the owner since the last call, in order.
    std::vector<ListMessage> takeMessages();

    // The number at the start of an edited delay's text, kept to 2..60000.
    static int editedDelay(const std::u16string& text);

private:
    struct Row {
        std::u16string text;
        uint32_t value = 0;
    };
    int sortedIndexFor(const std::u16string& text) const;
    void clampScroll();

    bool m_sorted;
    bool m_notify;
    Compare m_compare;
    int m_mode = kListPlain;
    std::vector<Row> m_rows;
    int m_rowHeight = kDefaultRowHeight;
    int m_width = 0;
    int m_height = 0;
    int m_top = 0;
    int m_selected = -1;
    int m_hovered = -1;
    int m_editingRow = -1;
    int m_editStartRow = -1;
    std::vector<ListMessage> m_messages;
};

}  // namespace vandrel
