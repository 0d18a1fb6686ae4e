#include "platform/DialogPlacement.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
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

protected:
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
    dialog.setParent(&shade, Qt::Widget);
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
