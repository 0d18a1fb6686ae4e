#pragma once
// The "insert text" dialog of the macro manager without its widgets: a text,
// the layout it is typed in (the desktop's, or another installed one), and
// the key strokes that type it there, checked against the room left in the
// macro. Characters the layout cannot type are named and left out; a text
// that does not fit is refused whole, saying how much of it would.

#include <optional>
#include <string>
#include <vector>

#include "layout/TextTyping.h"

namespace vandrel {

class InsertTextModel {
public:
    enum class State {
        Empty,           // no text yet
        Ready,           // the actions fit; some characters may be left out (plan().untypable)
        NothingTypable,  // the layout can type none of the characters
        TooLong,         // the actions need more bytes than the macro has left
        NoLayout,        // the chosen layout could not be compiled
    };

    // Row 0 of the layouts is `current`, the desktop's; the others follow.
    InsertTextModel(const KeyboardLayout& current, std::vector<LayoutName> others, DeadKeyRules rules,
                    size_t freeBytes);

    int layoutCount() const { return 1 + static_cast<int>(m_others.size()); }
    // Row 0: the current layout's description; the others: their list's.
    std::string layoutDescription(int row) const;
    int chosenLayout() const { return m_chosen; }
    void chooseLayout(int row);
    // The desktop's layout changed while the dialog is open: row 0 is the new
    // one, and a text typed in it is planned again.
    void setCurrentLayout(const KeyboardLayout& current);
    void setText(const std::u16string& text);
    const std::u32string& text() const { return m_text; }

    State state() const;
    const TextTyping& plan() const { return m_plan; }
    size_t freeBytes() const { return m_freeBytes; }
    // The key actions to insert; empty unless the state is Ready.
    std::vector<KeyAction> actions() const;

private:
    void replan();

    KeyboardLayout m_current;
    std::vector<LayoutName> m_others;
    DeadKeyRules m_rules;
    size_t m_freeBytes;
    int m_chosen = 0;
    std::optional<TypingTable> m_table;
    std::u32string m_text;
    TextTyping m_plan;
};

}  // namespace vandrel
