#include "app/draw/KeyboardPicture.h"

#include <QLinearGradient>
#include <QPainter>

#include "app/draw/KeyLegend.h"
#include "app/draw/SkinText.h"
#include "app/model/KeyGeometry.h"
#include "theme/SkinTheme.h"

namespace vandrel {

namespace {

using namespace theme;

void mediaGlyph(QPainter& p, int index, const QPointF& c, const QColor& col) {
    p.setPen(QPen(col, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(col);
    auto speaker = [&](qreal dx) {
        QPolygonF s;
        s << QPointF(c.x() + dx - 4, c.y() - 1.5) << QPointF(c.x() + dx - 2, c.y() - 1.5)
          << QPointF(c.x() + dx + 1, c.y() - 4) << QPointF(c.x() + dx + 1, c.y() + 4)
          << QPointF(c.x() + dx - 2, c.y() + 1.5) << QPointF(c.x() + dx - 4, c.y() + 1.5);
        p.drawPolygon(s);
    };
    switch (index) {
    case 0:  // volume down
        speaker(-1.5);
        p.drawLine(QPointF(c.x() + 2.5, c.y()), QPointF(c.x() + 5.5, c.y()));
        break;
    case 1:  // media player: a note
        p.drawEllipse(QPointF(c.x() - 1.5, c.y() + 3), 2, 1.6);
        p.drawLine(QPointF(c.x() + 0.4, c.y() + 3), QPointF(c.x() + 0.4, c.y() - 4));
        p.drawLine(QPointF(c.x() + 0.4, c.y() - 4), QPointF(c.x() + 3.5, c.y() - 2.5));
        break;
    case 2: {  // play / pause
        QPolygonF tri;
        tri << QPointF(c.x() - 4.5, c.y() - 3.5) << QPointF(c.x() - 0.5, c.y()) << QPointF(c.x() - 4.5, c.y() + 3.5);
        p.drawPolygon(tri);
        p.drawLine(QPointF(c.x() + 1.5, c.y() - 3.5), QPointF(c.x() + 1.5, c.y() + 3.5));
        p.drawLine(QPointF(c.x() + 4, c.y() - 3.5), QPointF(c.x() + 4, c.y() + 3.5));
        break;
    }
    default:  // volume up
        speaker(-2);
        p.drawLine(QPointF(c.x() + 2, c.y()), QPointF(c.x() + 6, c.y()));
        p.drawLine(QPointF(c.x() + 4, c.y() - 2), QPointF(c.x() + 4, c.y() + 2));
        break;
    }
}

// Draws one key inside its rectangle (right and bottom edges excluded, which
// leaves a one-pixel gap between neighbours); nothing falls outside it, so
// the lit twin can be copied key by key. Without its legend for the blank
// caps on which the window writes what a key types in the desktop's layout.
void drawKey(QPainter& p, int slot, bool lit, bool legend) {
    const KeyGeometryRow& key = KeyGeometry[slot];
    const QRect r(key.rect.left, key.rect.top, key.rect.right - key.rect.left, key.rect.bottom - key.rect.top);
    p.save();
    p.setClipRect(r);
    p.setPen(Qt::NoPen);
    if (isMediaSlot(slot)) {
        const QPointF c(r.left() + r.width() / 2.0, r.top() + r.height() / 2.0);
        p.setBrush(lit ? kAccentHover : QColor(0x0B, 0x0C, 0x0E));
        p.drawEllipse(c, 10.5, 10.5);
        p.setBrush(lit ? vertical(r.top(), r.bottom(), QColor(0xD7, 0x23, 0x29), kAccentDark)
                       : vertical(r.top(), r.bottom(), QColor(0x33, 0x37, 0x3E), QColor(0x22, 0x25, 0x2A)));
        p.drawEllipse(c, 9.2, 9.2);
        mediaGlyph(p, slot - kFirstMediaSlot, c, lit ? Qt::white : kGlyph);
        p.restore();
        return;
    }
    const QRectF outer(r);
    p.setBrush(lit ? kAccentHover : QColor(0x0B, 0x0C, 0x0E));
    p.drawRoundedRect(outer, 3, 3);
    p.setBrush(lit ? vertical(r.top(), r.bottom(), QColor(0xA8, 0x14, 0x19), QColor(0x6A, 0x0B, 0x0F))
                   : vertical(r.top(), r.bottom(), QColor(0x33, 0x37, 0x3E), QColor(0x1C, 0x1E, 0x22)));
    p.drawRoundedRect(outer.adjusted(1, 1, -1, -1), 2.5, 2.5);
    p.setBrush(lit ? vertical(r.top(), r.bottom(), QColor(0xE0, 0x2A, 0x30), QColor(0xB4, 0x16, 0x1C))
                   : vertical(r.top(), r.bottom(), QColor(0x32, 0x36, 0x3D), QColor(0x29, 0x2C, 0x32)));
    p.drawRoundedRect(outer.adjusted(3, 2, -3, -4), 2, 2);
    if (legend) drawKeyLegend(p, slot, QPoint(0, 0), lit ? kLitLegendInk : kLegendInk);
    p.restore();
}

}  // namespace

QImage drawKeyboardPicture(qreal s, bool lit, bool legends) {
    QImage img = canvas(s, kKeyboardPictureWidth, kKeyboardPictureHeight, kStage);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // Soft shadow under the case.
    for (int i = 0; i < 6; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 26));
        p.drawRoundedRect(QRectF(6 - i * 0.5, 46 + i, 640 + i, 210), 16, 16);
    }
    // The case, its top bezel and the plate the keys sit in.
    const QRectF caseRect(4.5, 40.5, 643, 213);
    p.setBrush(vertical(40, 254, QColor(0x2A, 0x2D, 0x33), QColor(0x1B, 0x1D, 0x21)));
    p.setPen(QPen(QColor(0x0C, 0x0D, 0x10), 1));
    p.drawRoundedRect(caseRect, 14, 14);
    p.setPen(QPen(QColor(0x40, 0x44, 0x4C), 1));
    p.drawLine(QPointF(20, 42), QPointF(632, 42));
    QLinearGradient strip(60, 0, 592, 0);
    strip.setColorAt(0, QColor(196, 22, 28, 0));
    strip.setColorAt(0.5, kAccentHover);
    strip.setColorAt(1, QColor(196, 22, 28, 0));
    p.fillRect(QRectF(60, 43, 532, 1.5), strip);

    QFont brand(QStringLiteral("Arial"));
    brand.setPixelSize(11);
    brand.setBold(true);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(brand);
    p.setPen(QColor(0x78, 0x7D, 0x86));
    p.drawText(QPointF(26, 63), QStringLiteral("VANDREL"));

    // Lock indicators above the keypad: Num, Caps, Scroll.
    const char* locks[] = {"1", "A", "S"};
    for (int i = 0; i < 3; ++i) {
        const qreal x = 478 + i * 14;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x3A, 0x3E, 0x46));
        p.drawEllipse(QPointF(x, 58), 2.2, 2.2);
        drawSkinText(p, QString::fromLatin1(locks[i]), static_cast<int>(x) - 2, 60, kMinLegendCell,
                     QColor(0x6A, 0x6F, 0x79));
    }

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0F, 0x10, 0x13));
    p.drawRoundedRect(QRectF(15, 72, 618, 163), 6, 6);
    p.setPen(QPen(QColor(0x05, 0x06, 0x07), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(15.5, 72.5, 617, 162), 6, 6);

    for (int slot = 0; slot < kPhysicalSlots; ++slot) drawKey(p, slot, lit, legends);
    return img;
}

}  // namespace vandrel
