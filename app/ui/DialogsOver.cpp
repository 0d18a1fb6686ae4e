#include "app/ui/DialogsOver.h"

#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace vandrel {

namespace {

// Puts the dialog in its place once it is shown: only then does a message box
// know its size. In the coordinates of the main window when it is drawn
// there, on the screen when it is a window of its own.
class PlaceOnShow : public QObject {
public:
    PlaceOnShow(QDialog& dialog, QWidget& opener, std::optional<QPoint> topLeft)
        : m_dialog(dialog), m_opener(opener), m_topLeft(topLeft) {
        dialog.installEventFilter(this);
    }
    ~PlaceOnShow() override { m_dialog.removeEventFilter(this); }

    // Where the dialog's top-left corner goes, in the opener's window.
    QPoint place() const {
        QWidget* host = m_opener.window();
        // A window is moved by its frame's corner, and centred with its frame.
        const QRect outline(QPoint(0, 0), m_dialog.isWindow() ? m_dialog.frameGeometry().size() : m_dialog.size());
        const QPoint inOpener = m_topLeft ? *m_topLeft : m_opener.rect().center() - outline.center();
        return m_opener.mapTo(host, inOpener);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_dialog) return false;
        // A message box sets its size as it shows, after this hears of the
        // showing: it is placed again when it takes that size.
        if (event->type() == QEvent::Show) {
            m_showing = true;
            QTimer::singleShot(0, this, [this] { m_showing = false; });
        }
        if ((event->type() == QEvent::Show || event->type() == QEvent::Resize) && m_showing) {
            const QPoint at = place();
            m_dialog.move(m_dialog.isWindow() ? m_opener.window()->mapToGlobal(at) : at);
        }
        return false;
    }

private:
    QDialog& m_dialog;
    QWidget& m_opener;
    std::optional<QPoint> m_topLeft;
    bool m_showing = false;
};

}  // namespace

int runDialogOver(QDialog& dialog, QWidget* opener, std::optional<QPoint> topLeft, bool inside) {
    // A window is read out by its title, a widget inside another by its own
    // name: with the title as that name it is read the same in both places.
    if (dialog.accessibleName().isEmpty() && !dialog.windowTitle().isEmpty())
        dialog.setAccessibleName(dialog.windowTitle());
    if (!opener) return dialog.exec();
    PlaceOnShow placing(dialog, *opener, topLeft);
    if (dialog.layout()) dialog.adjustSize();
    return execOver(dialog, opener->window(), placing.place(), inside);
}

QMessageBox::StandardButton askOver(QWidget* opener, QMessageBox::Icon icon, const QString& caption,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton, bool inside) {
    QMessageBox box(icon, caption, text, buttons, opener);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(runDialogOver(box, opener, std::nullopt, inside));
}

}  // namespace vandrel
