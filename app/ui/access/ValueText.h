#pragma once
// A combo box's current choice as read-only text: a reader on this desktop
// reads a closed combo box's choice from its text, not from its value.

#include <QAccessibleTextInterface>
#include <functional>

namespace vandrel {

class ValueText : public QAccessibleTextInterface {
public:
    explicit ValueText(std::function<QString()> value) : m_value(std::move(value)) {}

    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override { return static_cast<int>(m_value().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    std::function<QString()> m_value;
};

}  // namespace vandrel
