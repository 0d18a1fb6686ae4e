#include "app/ui/DrawnDialog.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "app/ui/NavKeys.h"

namespace vandrel {

DrawnDialog::DrawnDialog(QWidget* parent, SpareKeys spare)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_spare(spare) {}

bool DrawnDialog::routeNavKey(QKeyEvent* event) {
    const std::optional<NavKey> key = navKeyFor(*event);
    if (!key || !navigate(*key)) return false;
    event->accept();
    return true;
}

void DrawnDialog::followFocus() {
    const ElementFocus focus = elementFocus();
    QWidget* control = elementControl(focus.id);
    QWidget* target = control && !control->isHidden() && control->isEnabled() ? control : this;
    if (focusWidget() != target) target->setFocus(focus.visible ? Qt::TabFocusReason : Qt::OtherFocusReason);
}

bool DrawnDialog::focusMarkAfter(const QFocusEvent& event, bool shownBefore) {
    const Qt::FocusReason why = event.reason();
    if (why == Qt::TabFocusReason || why == Qt::BacktabFocusReason) return true;
    return why != Qt::MouseFocusReason && shownBefore;
}

bool DrawnDialog::focusNextPrevChild(bool next) {
    // Nothing but the model's elements takes the focus from Tab, and the walk
    // goes round at the ends instead of leaving the dialog.
    navigate(tabNavKey(next));
    return true;
}

bool DrawnDialog::keptFromDialog(const QKeyEvent& event) const {
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    const bool escape = event.key() == Qt::Key_Escape;
    return (enter && m_spare != SpareKeys::ToDialog) || (escape && m_spare == SpareKeys::EnterAndEscapeKept);
}

void DrawnDialog::keyPressEvent(QKeyEvent* event) {
    if (routeNavKey(event)) return;
    if (keptFromDialog(*event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace vandrel
