#include "platform/DialogPlacement.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace vandrel {

namespace {

// Lies over the whole main window while a dialog runs inside it: clicks and
// wheel turns meant for the window beneath end here, and so do the keys the
// dialog leaves (which would otherwise travel on to the main window, with its
// shortcuts). The dialog is its child, on top.
class Shade : public QWidget {
public:
    explicit Shade(QWidget* host) : QWidget(host) {
        setGeometry(host->rect());
        setFocusPolicy(Qt::NoFocus);
    }
    // A dialog that had a title bar as a window gets a one-pixel frame here.
    void frame(QWidget* dialog) { m_framed = dialog; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!m_framed) return;
        QPainter p(this);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(m_framed->geometry().adjusted(-1, -1, 0, 0));
    }

    bool event(QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
            event->accept();
            return true;
        default:
            return QWidget::event(event);
        }
    }

private:
    QPointer<QWidget> m_framed;
};

}  // namespace

bool dialogsInsideMainWindow() { return QGuiApplication::platformName() == QLatin1String("wayland"); }

int execOver(QDialog& dialog, QWidget* host, std::optional<QPoint> topLeft, bool inside) {
    if (!host) return dialog.exec();
    if (!inside) {
        if (topLeft) dialog.move(host->mapToGlobal(*topLeft));
        return dialog.exec();
    }
    Shade shade(host);
    // The shade holds the dialog in the main window's tree: a reader names it
    // as the dialog it holds, not as an unnamed filler.
    shade.setAccessibleName(dialog.accessibleName().isEmpty() ? dialog.windowTitle() : dialog.accessibleName());
    const bool framed = dialog.isWindow() && !(dialog.windowFlags() & Qt::FramelessWindowHint);
    dialog.setParent(&shade, Qt::Widget);
    // A window's background comes from the window system, a child's from its parent.
    if (!dialog.testAttribute(Qt::WA_OpaquePaintEvent)) dialog.setAutoFillBackground(true);
    if (framed) shade.frame(&dialog);
    // A dialog laid out by a layout gets its size when shown; it is needed now.
    if (dialog.layout()) dialog.adjustSize();
    dialog.move(topLeft ? *topLeft : host->rect().center() - dialog.rect().center());
    shade.show();
    shade.raise();
    const int result = dialog.exec();
    // It stays a hidden part of the main window: made a window of its own
    // again, it would get a surface that the next run could not take back.
    dialog.hide();
    dialog.setParent(host, Qt::Widget);
    return result;
}

}  // namespace vandrel
