// The macro manager's skins (png/MacroManagement/) and the list pictures the
// transparent list box loads by number: its background (145) and the row
// pictures of the event list (131 press, 138 release, 137 delay).

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "skins/SkinSet.h"
#include "theme/SkinTheme.h"

namespace vandrel {

namespace {

using namespace theme;

// The lists' own background: the window draws the same colour under them.
const QColor& kListField = kField;

constexpr int kWidth = 410;
constexpr int kHeight = 440;

// A framed box, one-pixel border, from (x, y) to (right, bottom) inclusive.
void box(QPainter& p, int x, int y, int right, int bottom, const QColor& fill) {
    p.fillRect(x, y, right - x + 1, bottom - y + 1, kBorder);
    p.fillRect(x + 1, y + 1, right - x - 1, bottom - y - 1, fill);
}

void headerStrip(QPainter& p, int x, int y, int right) {
    p.fillRect(x, y, right - x + 1, 22, vertical(y, y + 22, kHeaderTop, kHeaderBottom));
    p.fillRect(x, y, 3, 22, kAccent);
}

QImage background(qreal s) {
    QImage img = canvas(s, kWidth, kHeight, kBgTop);
    QPainter p(&img);
    p.fillRect(QRect(0, 0, kWidth, kHeight), vertical(0, kHeight, kBgTop, kBgBottom));
    p.fillRect(0, 0, kWidth, 34, kTitleBar);
    p.fillRect(0, 34, kWidth, 1, kAccent);
    // Three columns: macros, their key sequence, the recording options.
    headerStrip(p, 18, 56, 135);
    headerStrip(p, 148, 56, 265);
    headerStrip(p, 280, 56, 400);
    box(p, 19, 79, 134, 356, kListField);
    box(p, 149, 79, 264, 356, kListField);
    box(p, 280, 79, 400, 356, kPanel);
    // Separators inside the options column.
    p.fillRect(288, 150, 104, 1, kBorder);
    p.fillRect(288, 290, 104, 1, kBorder);
    p.fillRect(0, kHeight - 1, kWidth, 1, kBorder);
    p.fillRect(0, 0, 1, kHeight, kBorder);
    p.fillRect(kWidth - 1, 0, 1, kHeight, kBorder);
    return img;
}

QImage recordButton(qreal s, bool over) {
    QImage img = bottomButton(s, true, over, 90, 25, kPanel);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(over ? Qt::white : QColor(0xF2, 0xD0, 0xD1));
    p.drawEllipse(QPointF(11, 12.5), 4, 4);
    return img;
}

QImage checkBox(qreal s, bool ticked) {
    QImage img = canvas(s, 15, 15, kPanel);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(ticked ? kAccentHover : QColor(0x5A, 0x5F, 0x69), 1));
    p.setBrush(ticked ? kAccent : kListField);
    p.drawRoundedRect(QRectF(0.5, 0.5, 14, 14), 2, 2);
    if (ticked) {
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(3.5, 7.5);
        tick.lineTo(6.2, 10.5);
        tick.lineTo(11.5, 4.5);
        p.drawPath(tick);
    }
    return img;
}

// bmp145: the lists' background; the part from (7, 22) lies under the rows.
QImage listBackground(qreal s) {
    QImage img = canvas(s, 127, 305, kListField);
    QPainter p(&img);
    p.fillRect(0, 0, 127, 22, vertical(0, 22, kHeaderTop, kHeaderBottom));
    p.fillRect(0, 0, 127, 1, kBorder);
    p.fillRect(0, 0, 1, 305, kBorder);
    p.fillRect(126, 0, 1, 305, kBorder);
    p.fillRect(0, 304, 127, 1, kBorder);
    return img;
}

QImage arrow(qreal s, bool down) {
    QImage img = canvas(s, 10, 14, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor c = down ? kAccentHover : kTextDim;
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(c);
    const qreal tip = down ? 12.5 : 1.5, base = down ? 7.5 : 6.5;
    p.drawLine(QPointF(5, down ? 1.5 : 12.5), QPointF(5, base));
    QPolygonF head;
    head << QPointF(1.5, base) << QPointF(8.5, base) << QPointF(5, tip);
    p.drawPolygon(head);
    return img;
}

QImage clock(qreal s) {
    QImage img = canvas(s, 14, 14, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kTextDim, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7, 7), 5.6, 5.6);
    p.setPen(QPen(kTextDim, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(7, 3.6));
    p.drawLine(QPointF(7, 7), QPointF(9.6, 8.4));
    return img;
}

}  // namespace

QList<SkinImage> drawMacroSkins(qreal s) {
    QList<SkinImage> set;
    auto add = [&set](const char* name, QImage image) { set.append({QString::fromLatin1(name), std::move(image)}); };
    add("MacroManagement/MacroManagement.png", background(s));
    add("MacroManagement/Record-normal.png", recordButton(s, false));
    add("MacroManagement/Record-over.png", recordButton(s, true));
    add("MacroManagement/Pane.png", checkBox(s, false));
    add("MacroManagement/PaneMakingTick.png", checkBox(s, true));
    add("MacroManagement/button-new-normal.png", bottomButton(s, false, false, 58, 25, kBgBottom));
    add("MacroManagement/button-new-over.png", bottomButton(s, false, true, 58, 25, kBgBottom));
    add("bmp145.png", listBackground(s));
    add("bmp131.png", arrow(s, true));
    add("bmp138.png", arrow(s, false));
    add("bmp137.png", clock(s));
    return set;
}

}  // namespace vandrel
