#include "app/model/InsertTextModel.h"

#include "util/Utf16.h"

namespace vandrel {

InsertTextModel::InsertTextModel(const KeyboardLayout& current, std::vector<LayoutName> others, DeadKeyRules rules,
                                 size_t freeBytes)
    : m_current(current), m_others(std::move(others)), m_rules(std::move(rules)), m_freeBytes(freeBytes) {
    chooseLayout(0);
}

std::string InsertTextModel::layoutDescription(int row) const {
    if (row == 0) return m_current.description();
    if (row < 0 || row >= layoutCount()) return {};
    return m_others[static_cast<size_t>(row - 1)].description;
}

void InsertTextModel::chooseLayout(int row) {
    if (row < 0 || row >= layoutCount()) return;
    m_chosen = row;
    KeyboardLayout layout = m_current;
    if (row > 0) {
        const LayoutName& name = m_others[static_cast<size_t>(row - 1)];
        layout = KeyboardLayout::fromNames(name.layout, name.variant);
    }
    if (layout.valid())
        m_table.emplace(layout, m_rules);
    else
        m_table.reset();
    replan();
}

void InsertTextModel::setCurrentLayout(const KeyboardLayout& current) {
    m_current = current;
    if (m_chosen == 0) chooseLayout(0);
}

void InsertTextModel::setText(const std::u16string& text) {
    m_text = utf16ToUtf32(text);
    replan();
}

void InsertTextModel::replan() {
    m_plan = m_table ? planTyping(*m_table, m_text, m_freeBytes) : TextTyping{};
}

InsertTextModel::State InsertTextModel::state() const {
    if (!m_table) return State::NoLayout;
    if (m_text.empty()) return State::Empty;
    if (m_plan.typedCharacters == 0) return State::NothingTypable;
    if (m_plan.bytes() > m_freeBytes) return State::TooLong;
    return State::Ready;
}

std::vector<KeyAction> InsertTextModel::actions() const {
    return state() == State::Ready ? m_plan.actions : std::vector<KeyAction>{};
}

}  // namespace vandrel
