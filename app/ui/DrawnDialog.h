#pragma once
// What every drawn dialog shares: a frameless dialog whose picture a renderer
// composes over a model, walked by the keyboard as the model says. Tab and
// Shift+Tab go round the model's elements, the arrows, Home, End, Space,
// Enter and Escape go to the model first, and the toolkit's focus follows the
// model's (the focused element's own control, or else the dialog itself).
// A dialog built on it supplies navigate(), which hands a key to its model
// and carries out the answer, and the model's focus.

#include <QDialog>

#include "app/model/UiElement.h"
#include "app/ui/access/DrawnElementSource.h"

class QFocusEvent;
class QKeyEvent;

namespace vandrel {

class DrawnDialog : public QDialog, public DrawnElementSource {
    Q_OBJECT
public:
    // Enter and Escape that the model left alone: on to QDialog (Escape
    // rejects), or kept from it, so that Enter never closes the dialog.
    enum class SpareKeys { ToDialog, EnterKept, EnterAndEscapeKept };

    explicit DrawnDialog(QWidget* parent, SpareKeys spare = SpareKeys::ToDialog);

    // The model's keyboard focus.
    virtual ElementFocus elementFocus() const = 0;
    int focusedElement() const override { return elementFocus().id; }
    unsigned uiGeneration() const override { return m_uiGeneration; }

protected:
    // Hands a navigation key to the model and does what it answers; false
    // when the key is not the model's.
    virtual bool navigate(NavKey key) = 0;

    // Passes the event's navigation key to navigate(); true when taken.
    bool routeNavKey(QKeyEvent* event);
    // The toolkit's focus goes where the model's is: to the focused
    // element's control where it is shown and enabled, else to the dialog.
    void followFocus();
    // A control got the toolkit's focus: whether the model's focus mark shows
    // on its element now. It shows after Tab, goes after a click, and stays
    // as it was when the dialog moved the focus.
    static bool focusMarkAfter(const QFocusEvent& event, bool shownBefore);

    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Changes with every change of the elements (see DrawnElementSource).
    unsigned m_uiGeneration = 0;

private:
    bool keptFromDialog(const QKeyEvent& event) const;

    SpareKeys m_spare;
};

}  // namespace vandrel
