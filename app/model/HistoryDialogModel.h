#pragma once
// The configuration-history window without any toolkit: its layout, the hit
// test, the selected row and what each click does. The rows are the
// snapshots, newest first, each with when it was taken and what it differs in
// from the configuration being edited; the newest that can be restored is
// selected when the window opens, so that Restore brings back the
// configuration of the last save. A row that cannot be restored (its file is
// unreadable or damaged) can be selected but not restored.

#include <string>
#include <vector>

#include "app/model/UiElement.h"
#include "util/TextLookup.h"

namespace vandrel {

struct HistoryDialogRow {
    std::string when;     // the time it was taken, as the window shows it (UTF-8)
    std::string differs;  // what it differs in, or why it cannot be restored (UTF-8)
    bool restorable = true;
};

class HistoryDialogModel {
public:
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 600;
    static constexpr int kTitleHeight = 30;
    static constexpr int kListLeft = 16;
    static constexpr int kListTop = 64;
    static constexpr int kListWidth = kWidth - 2 * kListLeft;
    static constexpr int kRowHeight = 23;
    static constexpr int kVisibleRows = 20;
    // Window button and bottom buttons, inclusive rectangles (skin sizes 17 x 16, 58 x 31).
    static constexpr int kCloseLeft = kWidth - 22, kCloseTop = 7;
    static constexpr int kRestoreLeft = kWidth - 140, kButtonsTop = kHeight - 45;
    static constexpr int kCancelLeft = kWidth - 76;

    enum class Hit { None, Close, Restore, Cancel, Row, Title };
    enum class Action { None, Restore, Close };

    explicit HistoryDialogModel(std::vector<HistoryDialogRow> rows);

    const std::vector<HistoryDialogRow>& rows() const { return m_rows; }
    int selected() const { return m_selected; }  // -1 with no rows
    // Whether the selected row can be restored.
    bool canRestore() const;
    int hovered() const { return m_hovered; }

    // The hit at (x, y); a row's index goes to `row`.
    Hit hitTest(int x, int y, int* row = nullptr) const;
    // A click (button released) at (x, y).
    Action click(int x, int y);
    Action doubleClick(int x, int y);
    // Returns whether what is shown changed.
    bool move(int x, int y);

    // Element ids: the rows are kRowElementBase + row.
    static constexpr int kCloseElement = 1, kRestoreElement = 2, kCancelElement = 3, kExplanationElement = 4,
                         kEmptyElement = 5, kRowElementBase = 1000;
    // The window's elements in reading and Tab order: the rows (one Tab
    // stop, the selected row), Restore, Close and the close button.
    UiElements elements(const TextLookup& tr = {}) const;
    const ElementFocus& focus() const { return m_focus; }
    void setFocus(int id, bool visible = true) { m_focus = {id, visible}; }
    bool focusMark(int& left, int& top, int& right, int& bottom) const;
    // Tab, Up and Down over the rows, Enter (Restore on a row), Space,
    // Escape (Close).
    struct NavResult {
        bool handled = false;
        bool focusMoved = false;
        Action action = Action::None;
    };
    NavResult navigate(NavKey key, const UiElements& elements);
    Action activate(int id);

private:
    std::vector<HistoryDialogRow> m_rows;
    int m_selected = -1;
    int m_hovered = -1;
    ElementFocus m_focus;
};

}  // namespace vandrel
