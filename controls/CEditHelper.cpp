#include "controls/CEditHelper.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace vandrel {

CEditHelper::CEditHelper(QWidget* parent) : QLineEdit(parent) {
    setStyleSheet(QStringLiteral("QLineEdit { background: #23262C; color: white; border: 1px solid #C4161C;"
                                 " selection-background-color: #C4161C; padding: 0px 0px 0px 4px; }"));
}

void CEditHelper::tellParent(bool commit) {
    if (QWidget* parent = parentWidget()) {
        InplaceEditDoneEvent done(commit);
        QCoreApplication::sendEvent(parent, &done);
    }
}

void CEditHelper::keyPressEvent(QKeyEvent* event) {
    QLineEdit::keyPressEvent(event);
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) event->accept();
}

// The notice goes out when the key is let go, so a held Enter or Esc does not
// end the edit before its release; auto-repeat releases are not releases.
void CEditHelper::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            tellParent(true);
        else if (event->key() == Qt::Key_Escape)
            tellParent(false);
    }
    QLineEdit::keyReleaseEvent(event);
}

void CEditHelper::focusOutEvent(QFocusEvent* event) {
    tellParent(true);
    QLineEdit::focusOutEvent(event);
}

}  // namespace vandrel
