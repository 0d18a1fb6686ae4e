#pragma once
// The single-line edit box a list lays over one of its rows for an in-place
// edit. Its only own behaviour: releasing Enter commits, releasing Esc
// cancels and losing the focus commits, each told to the parent widget (found
// from the box itself, not stored) with an InplaceEditDoneEvent. Enter and
// Esc end the edit only: they never reach the dialog around it.

#include <QEvent>
#include <QLineEdit>

namespace vandrel {

class InplaceEditDoneEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(0x8841);
    explicit InplaceEditDoneEvent(bool commit) : QEvent(kType), m_commit(commit) {}
    bool commit() const { return m_commit; }

private:
    bool m_commit;
};

class CEditHelper : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditHelper(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void tellParent(bool commit);
};

}  // namespace vandrel
