#include "app/draw/FocusMark.h"

#include <QPainter>

namespace vandrel {

void drawFocusMark(QPainter& p, const QRect& element) {
    if (element.isEmpty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    // QPainter draws a one-pixel rectangle's right and bottom edges one pixel
    // further out than its width says; hence the -1s.
    const QRect outer = element.adjusted(-2, -2, 1, 1);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(outer);
    p.setPen(QPen(QColor(0xE0, 0x26, 0x2D), 1));
    p.drawRect(outer.adjusted(1, 1, -1, -1));
    p.restore();
}

}  // namespace vandrel
