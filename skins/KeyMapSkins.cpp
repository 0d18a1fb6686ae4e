#include "skins/KeyMapSkins.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "theme/SkinTheme.h"

namespace vandrel {

namespace {

using namespace theme;

const QColor kPane(0x1E, 0x1E, 0x1E);  // the tree's flat (30, 30, 30)

// The dialog is 325 x 276: tabs end at x 324, buttons at y 268.
constexpr int kWidth = 325;
constexpr int kHeight = 276;

// A one-pixel outline just inside `r`, sharp at every scale.
void frame(QPainter& p, const QRect& r, const QColor& c) {
    p.fillRect(r.left(), r.top(), r.width(), 1, c);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, c);
    p.fillRect(r.left(), r.top(), 1, r.height(), c);
    p.fillRect(r.right(), r.top(), 1, r.height(), c);
}

QImage blank(qreal s, int w, int h, const QColor& fill) { return canvas(s, w, h, fill, QImage::Format_ARGB32_Premultiplied); }

QImage background(qreal s) {
    QImage img = blank(s, kWidth, kHeight, kField);
    QPainter p(&img);
    p.fillRect(QRect(0, 0, kWidth, kHeight), vertical(0, kHeight, kPanel, kField));
    p.fillRect(0, 0, kWidth, 22, kTitleBar);  // title strip
    p.fillRect(0, 21, kWidth, 1, kAccent);
    p.fillRect(10, 60, 295, 178, kColumn);  // page well
    frame(p, QRect(9, 59, 297, 180), kBorder);
    frame(p, QRect(0, 0, kWidth, kHeight), kBorder);
    return img;
}

// A tab: dark face, lighter top rule; the caption is drawn by the dialog.
QImage tab(qreal s) {
    QImage img = blank(s, 82, 27, kTitleBar);
    QPainter p(&img);
    p.fillRect(1, 0, 80, 27, vertical(0, 27, QColor(0x2E, 0x32, 0x39), QColor(0x22, 0x25, 0x2B)));
    p.fillRect(0, 0, 1, 27, kBorder);
    p.fillRect(81, 0, 1, 27, QColor(0x14, 0x16, 0x19));
    p.fillRect(0, 26, 82, 1, kBorder);
    return img;
}

// The rule over the tabs.
QImage tabStrip(qreal s) {
    QImage img = blank(s, 326, 7, kTitleBar);
    QPainter p(&img);
    p.fillRect(0, 5, 326, 1, kBorder);
    p.fillRect(0, 6, 326, 1, QColor(0x2E, 0x32, 0x39));
    return img;
}

// Under the active tab.
QImage cursor(qreal s) {
    QImage img = blank(s, 12, 7, kTitleBar);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccentHover);
    QPainterPath tri;
    tri.moveTo(0, 0);
    tri.lineTo(12, 0);
    tri.lineTo(6, 6);
    tri.closeSubpath();
    p.drawPath(tri);
    return img;
}

QImage closeButton(qreal s, bool over) {
    QImage img = blank(s, 16, 16, kTitleBar);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (over) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
    }
    p.setPen(QPen(over ? QColor(Qt::white) : kGlyph, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
    return img;
}

// The dialog's small buttons (42 x 23): grey, or crimson for save.
QImage smallButton(qreal s, bool save, bool over) {
    QImage img = blank(s, 42, 23, kField);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor top = save ? (over ? kAccentHover : kAccent) : (over ? QColor(0x3B, 0x40, 0x48) : QColor(0x30, 0x34, 0x3B));
    const QColor bottom = save ? kAccentDark : kPanel;
    p.setBrush(vertical(0, 23, top, bottom));
    p.setPen(QPen(save ? QColor(0xFF, 0x4A, 0x50) : QColor(0x4A, 0x4F, 0x58), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 41, 22), 3, 3);
    return img;
}

// The disable switch and the launch rows' markers (11 x 10).
QImage marker(qreal s, bool on) {
    QImage img = blank(s, 11, 10, kField);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(kField);
    p.setPen(QPen(on ? kAccentHover : QColor(0x6A, 0x6F, 0x79), 1.2));
    p.drawRoundedRect(QRectF(0.6, 0.6, 9.8, 8.8), 2, 2);
    if (on) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccentHover);
        p.drawRoundedRect(QRectF(3, 2.8, 5, 4.4), 1, 1);
    }
    return img;
}

// The launch page's panel behind its four rows.
QImage launchPanel(qreal s) {
    QImage img = blank(s, 290, 120, kColumn);
    QPainter p(&img);
    for (int k = 1; k < 4; ++k) p.fillRect(4, 30 * k - 2, 282, 1, QColor(0x26, 0x29, 0x2F));
    return img;
}

QImage pathField(qreal s) {
    QImage img = blank(s, 158, 16, kField);
    QPainter p(&img);
    p.fillRect(0, 15, 158, 1, kAccent);
    p.fillRect(0, 0, 158, 1, QColor(0x0E, 0x0F, 0x12));
    return img;
}

// The browse button: three dots.
QImage browseButton(qreal s, bool over) {
    QImage img = blank(s, 47, 16, kColumn);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(vertical(0, 16, over ? kAccentHover : QColor(0x30, 0x34, 0x3B), over ? kAccent : QColor(0x25, 0x28, 0x2E)));
    p.setPen(QPen(over ? QColor(0xFF, 0x4A, 0x50) : QColor(0x4A, 0x4F, 0x58), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 46, 15), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = -1; i <= 1; ++i) p.drawEllipse(QPointF(23.5 + 6 * i, 8), 1.3, 1.3);
    return img;
}

// The tree's plus and minus boxes (9 x 9) and its picture background.
QImage treeBox(qreal s, bool expanded) {
    QImage img = blank(s, 9, 9, kPane);
    QPainter p(&img);
    // The frame as filled lines, so that it stays one logical pixel wide at every scale.
    const QColor frame(0x6A, 0x6F, 0x79);
    p.fillRect(0, 0, 9, 1, frame);
    p.fillRect(0, 8, 9, 1, frame);
    p.fillRect(0, 0, 1, 9, frame);
    p.fillRect(8, 0, 1, 9, frame);
    p.fillRect(2, 4, 5, 1, Qt::white);
    if (!expanded) p.fillRect(4, 2, 1, 5, Qt::white);
    return img;
}

}  // namespace

QList<SkinImage> drawKeyMapSkins(qreal s) {
    QList<SkinImage> set;
    auto add = [&set](const char* name, QImage image) {
        set.append({QStringLiteral("Custom/") + QString::fromLatin1(name), std::move(image)});
    };
    add("Custom_BK.png", background(s));
    add("large_button.png", tab(s));
    add("single_combine_option.png", tabStrip(s));
    add("cursor.png", cursor(s));
    add("button-close-normal.png", closeButton(s, false));
    add("button-close-over.png", closeButton(s, true));
    add("button-cancel-normal.png", smallButton(s, false, false));
    add("button-cancel-over.png", smallButton(s, false, true));
    add("button-save-normal.png", smallButton(s, true, false));
    add("button-save-over.png", smallButton(s, true, true));
    add("Disable.png", marker(s, false));
    add("Enable.png", marker(s, true));
    add("enable.png", marker(s, true));
    add("Macro_BK.png", launchPanel(s));
    add("Advanced.png", pathField(s));
    add("view.png", browseButton(s, false));
    add("view02.png", browseButton(s, true));
    // The tree's boxes, by resource number; its picture background (bmp131)
    // is the macro list's arrow, which the tree never shows: it is drawn flat.
    set.append({QStringLiteral("bmp133.png"), treeBox(s, false)});
    set.append({QStringLiteral("bmp134.png"), treeBox(s, true)});
    return set;
}

}  // namespace vandrel
