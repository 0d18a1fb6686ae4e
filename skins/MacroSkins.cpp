// The macro manager's skins (png/MacroManagement/) and the list pictures the
// transparent list box loads by number: its background (145) and the row
// pictures of the event list (131 press, 138 release, 137 delay).

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "skins/SkinSet.h"

namespace vandrel {

namespace {

const QColor kBgTop(0x1E, 0x21, 0x27);
const QColor kBgBottom(0x15, 0x17, 0x1B);
const QColor kTitleBar(0x12, 0x14, 0x17);
const QColor kPanel(0x23, 0x26, 0x2C);
const QColor kBorder(0x31, 0x35, 0x3D);
const QColor kHeaderTop(0x35, 0x39, 0x41);
const QColor kHeaderBottom(0x2A, 0x2D, 0x34);
// The lists' own background: the window draws the same colour under them.
const QColor kListField(0x17, 0x19, 0x1D);
const QColor kAccent(0xC4, 0x16, 0x1C);
const QColor kAccentHover(0xE0, 0x26, 0x2D);
const QColor kTextDim(192, 192, 192);

constexpr int kWidth = 410;
constexpr int kHeight = 440;

QImage canvas(int w, int h, const QColor& fill, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, format);
    img.fill(fill);
    return img;
}

QLinearGradient vertical(qreal top, qreal bottom, const QColor& a, const QColor& b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// A framed box, one-pixel border, from (x, y) to (right, bottom) inclusive.
void box(QPainter& p, int x, int y, int right, int bottom, const QColor& fill) {
    p.fillRect(x, y, right - x + 1, bottom - y + 1, kBorder);
    p.fillRect(x + 1, y + 1, right - x - 1, bottom - y - 1, fill);
}

void headerStrip(QPainter& p, int x, int y, int right) {
    p.fillRect(x, y, right - x + 1, 22, vertical(y, y + 22, kHeaderTop, kHeaderBottom));
    p.fillRect(x, y, 3, 22, kAccent);
}

QImage background() {
    QImage img = canvas(kWidth, kHeight, kBgTop);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(0, kHeight, kBgTop, kBgBottom));
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

QImage button(int w, int h, bool primary, bool over, const QColor& bg) {
    QImage img = canvas(w, h, bg);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r(0.5, 0.5, w - 1, h - 1);
    if (primary) {
        p.setBrush(vertical(0, h, over ? QColor(0xEA, 0x35, 0x3B) : QColor(0xD3, 0x20, 0x26),
                            over ? QColor(0xB8, 0x18, 0x1E) : QColor(0xA3, 0x12, 0x17)));
        p.setPen(QPen(over ? QColor(0xFF, 0x5A, 0x5F) : kAccentHover, 1));
    } else {
        p.setBrush(vertical(0, h, over ? QColor(0x3B, 0x40, 0x48) : QColor(0x30, 0x34, 0x3B),
                            over ? QColor(0x2F, 0x33, 0x3A) : QColor(0x25, 0x28, 0x2E)));
        p.setPen(QPen(over ? kAccentHover : QColor(0x43, 0x48, 0x51), 1));
    }
    p.drawRoundedRect(r, 3, 3);
    return img;
}

QImage recordButton(bool over) {
    QImage img = button(90, 25, true, over, kPanel);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(over ? Qt::white : QColor(0xF2, 0xD0, 0xD1));
    p.drawEllipse(QPointF(11, 12.5), 4, 4);
    return img;
}

QImage checkBox(bool ticked) {
    QImage img = canvas(15, 15, kPanel);
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
QImage listBackground() {
    QImage img = canvas(127, 305, kListField);
    QPainter p(&img);
    p.fillRect(0, 0, 127, 22, vertical(0, 22, kHeaderTop, kHeaderBottom));
    p.fillRect(0, 0, 127, 1, kBorder);
    p.fillRect(0, 0, 1, 305, kBorder);
    p.fillRect(126, 0, 1, 305, kBorder);
    p.fillRect(0, 304, 127, 1, kBorder);
    return img;
}

QImage arrow(bool down) {
    QImage img = canvas(10, 14, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
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

QImage clock() {
    QImage img = canvas(14, 14, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
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

QList<SkinImage> drawMacroSkins() {
    QList<SkinImage> set;
    auto add = [&set](const char* name, QImage image) { set.append({QString::fromLatin1(name), std::move(image)}); };
    add("MacroManagement/MacroManagement.png", background());
    add("MacroManagement/Record-normal.png", recordButton(false));
    add("MacroManagement/Record-over.png", recordButton(true));
    add("MacroManagement/Pane.png", checkBox(false));
    add("MacroManagement/PaneMakingTick.png", checkBox(true));
    add("MacroManagement/button-new-normal.png", button(58, 25, false, false, kBgBottom));
    add("MacroManagement/button-new-over.png", button(58, 25, false, true, kBgBottom));
    add("bmp145.png", listBackground());
    add("bmp131.png", arrow(true));
    add("bmp138.png", arrow(false));
    add("bmp137.png", clock());
    return set;
}

}  // namespace vandrel
