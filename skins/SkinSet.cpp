#include "skins/SkinSet.h"
#include "skins/KeyMapSkins.h"

#include <QConicalGradient>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "app/draw/KeyboardPicture.h"
#include "app/draw/KeyLegend.h"
#include "app/draw/SkinText.h"
#include "app/model/KeyGeometry.h"
#include "app/model/PanelTables.h"
#include "theme/SkinTheme.h"
#include "skins/ProfileSkins.h"

namespace vandrel {

// The texts drawn into the images: the generator draws the set once in
// Chinese and again with the English translation installed.
struct SkinSet {
    Q_DECLARE_TR_FUNCTIONS(vandrel::SkinSet)
};

namespace {

using namespace theme;



void beginPaint(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

QFont boldFont(int px, qreal spacing = 0) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    f.setBold(true);
    if (spacing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

QFont plainFont(int px, qreal spacing = 0) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    if (spacing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

void hline(QPainter& p, int x0, int x1, int y, const QColor& c) { p.fillRect(x0, y, x1 - x0 + 1, 1, c); }
void vline(QPainter& p, int x, int y0, int y1, const QColor& c) { p.fillRect(x, y0, 1, y1 - y0 + 1, c); }

// ---- small glyphs -------------------------------------------------------

void chevron(QPainter& p, qreal cx, qreal cy, bool down, const QColor& c) {
    QPainterPath path;
    if (down) {
        path.moveTo(cx - 4, cy - 2);
        path.lineTo(cx, cy + 2);
        path.lineTo(cx + 4, cy - 2);
    } else {
        path.moveTo(cx - 2, cy - 4);
        path.lineTo(cx + 2, cy);
        path.lineTo(cx - 2, cy + 4);
    }
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void arrow(QPainter& p, qreal cx, qreal cy, char dir, const QColor& c) {
    QPolygonF tri;
    switch (dir) {
    case 'T': tri << QPointF(cx, cy - 4) << QPointF(cx + 5, cy + 3) << QPointF(cx - 5, cy + 3); break;
    case 'B': tri << QPointF(cx, cy + 4) << QPointF(cx + 5, cy - 3) << QPointF(cx - 5, cy - 3); break;
    case 'R': tri << QPointF(cx + 5, cy) << QPointF(cx - 3, cy - 5) << QPointF(cx - 3, cy + 5); break;
    default: tri << QPointF(cx - 5, cy) << QPointF(cx + 3, cy - 5) << QPointF(cx + 3, cy + 5); break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(tri);
}

void emblem(QPainter& p, const QRectF& r) {
    // A stylised "V" of two slanted blades.
    const qreal w = r.width(), h = r.height();
    QPainterPath left, right;
    left.moveTo(r.left(), r.top());
    left.lineTo(r.left() + w * 0.30, r.top());
    left.lineTo(r.left() + w * 0.55, r.top() + h * 0.62);
    left.lineTo(r.left() + w * 0.42, r.bottom());
    left.closeSubpath();
    right.moveTo(r.right(), r.top());
    right.lineTo(r.right() - w * 0.30, r.top());
    right.lineTo(r.left() + w * 0.47, r.bottom() - h * 0.06);
    right.lineTo(r.left() + w * 0.56, r.bottom());
    right.closeSubpath();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, kAccentHover);
    g.setColorAt(1, kAccentDark);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(left);
    p.setBrush(QColor(0xF2, 0xF3, 0xF5));
    p.drawPath(right);
}

// ---- buttons and sections ---------------------------------------------

// A button's look: as drawn, under the pointer, held down.
enum class Look { Normal, Over, Down };

QImage windowButton(qreal s, char kind, Look look) {
    const bool close = kind == 'x';
    QImage img = canvas(s, 17, 16, kTitleBar);
    QPainter p(&img);
    beginPaint(p);
    if (look != Look::Normal) {
        p.setPen(Qt::NoPen);
        if (look == Look::Over) p.setBrush(close ? kAccent : QColor(0x2E, 0x32, 0x39));
        else p.setBrush(close ? kAccentDark : QColor(0x22, 0x25, 0x2A));
        p.drawRoundedRect(QRectF(0, 0, 17, 16), 3, 3);
    }
    const QColor c = look == Look::Normal ? kGlyph : Qt::white;
    // Held down, the glyph sinks by a pixel.
    p.translate(0, look == Look::Down ? 1 : 0);
    p.setPen(QPen(c, 1.5, Qt::SolidLine, Qt::RoundCap));
    if (kind == '?') {
        p.setFont(boldFont(12));
        p.drawText(QRect(0, 0, 17, 16), Qt::AlignCenter, QStringLiteral("?"));
    } else if (kind == '-') {
        p.drawLine(QPointF(4.5, 10.5), QPointF(12.5, 10.5));
    } else {
        p.drawLine(QPointF(5, 4.5), QPointF(12, 11.5));
        p.drawLine(QPointF(12, 4.5), QPointF(5, 11.5));
    }
    return img;
}

// Secondary (grey), primary (filled crimson) and destructive (dark with a
// crimson rim, so that it never looks like the harmless button beside it).
enum class Role { Secondary, Primary, Destructive };

QImage bottomButton(qreal s, Role role, Look look, int w = 58, int h = 31, const QColor& bg = kTitleBar) {
    QImage img = canvas(s, w, h, bg);
    QPainter p(&img);
    beginPaint(p);
    const QRectF r(0.5, 0.5, w - 1, h - 1);
    const bool over = look == Look::Over, down = look == Look::Down;
    switch (role) {
    case Role::Primary:
        p.setBrush(down ? vertical(0, h, QColor(0x96, 0x10, 0x15), QColor(0xB4, 0x17, 0x1D))
                        : vertical(0, h, over ? QColor(0xEA, 0x35, 0x3B) : QColor(0xD3, 0x20, 0x26),
                                   over ? QColor(0xB8, 0x18, 0x1E) : QColor(0xA3, 0x12, 0x17)));
        p.setPen(QPen(over ? QColor(0xFF, 0x5A, 0x5F) : kAccentHover, 1));
        break;
    case Role::Destructive:
        p.setBrush(down ? vertical(0, h, QColor(0x1C, 0x12, 0x14), QColor(0x2A, 0x18, 0x1B))
                        : vertical(0, h, over ? QColor(0x4A, 0x22, 0x27) : QColor(0x35, 0x1E, 0x22),
                                   over ? QColor(0x36, 0x18, 0x1C) : QColor(0x26, 0x17, 0x1A)));
        p.setPen(QPen(over ? kAccentHover : kAccent, 1));
        break;
    case Role::Secondary:
        p.setBrush(down ? vertical(0, h, QColor(0x1D, 0x20, 0x24), QColor(0x29, 0x2C, 0x32))
                        : vertical(0, h, over ? QColor(0x3B, 0x40, 0x48) : QColor(0x30, 0x34, 0x3B),
                                   over ? QColor(0x2F, 0x33, 0x3A) : QColor(0x25, 0x28, 0x2E)));
        p.setPen(QPen(over ? QColor(0x5A, 0x5F, 0x69) : QColor(0x43, 0x48, 0x51), 1));
        break;
    }
    p.drawRoundedRect(r, 3, 3);
    if (down) {
        // Pressed in: a shadow along the top edge instead of the highlight.
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.drawLine(QPointF(3, 1.5), QPointF(w - 3, 1.5));
    } else {
        p.setPen(QPen(QColor(255, 255, 255, role == Role::Primary ? 60 : 22), 1));
        p.drawLine(QPointF(3, 1.5), QPointF(w - 3, 1.5));
    }
    if (role == Role::Destructive) {
        // A small warning corner: this one discards every setting.
        p.setPen(Qt::NoPen);
        p.setBrush(over ? kAccentHover : kAccent);
        QPolygonF corner;
        corner << QPointF(w - 9, 1) << QPointF(w - 2, 1) << QPointF(w - 2, 8);
        p.drawPolygon(corner);
    }
    return img;
}

QImage configButton(qreal s, Look look) {
    QImage img = bottomButton(s, Role::Secondary, look, 74, 32);
    QPainter p(&img);
    beginPaint(p);
    p.translate(0, look == Look::Down ? 1 : 0);
    // Three stacked layers: the stored profiles.
    p.setPen(QPen(look == Look::Normal ? kGlyph : QColor(Qt::white), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int i = 2; i >= 0; --i) {
        const qreal y = 10 + i * 3.5;
        QPolygonF layer;
        layer << QPointF(17, y) << QPointF(24, y + 3.5) << QPointF(17, y + 7) << QPointF(10, y + 3.5);
        p.setBrush(i == 0 ? (look == Look::Normal ? kAccent : kAccentHover) : QColor(0x30, 0x34, 0x3B));
        p.drawPolygon(layer);
    }
    return img;
}

// Header bar of a collapsible section; texts are drawn by the window at its
// left edge.
void header(QPainter& p, int w, bool open, bool split, char icon = 0, bool over = false) {
    if (over) {
        // Under the pointer: a lighter bar with the accent along its left edge.
        p.fillRect(0, 0, w, 20, vertical(0, 20, QColor(0x44, 0x49, 0x53), QColor(0x36, 0x3A, 0x42)));
        hline(p, 0, w - 1, 0, QColor(0x55, 0x5B, 0x66));
        p.fillRect(0, 0, 2, 20, kAccentHover);
    } else {
        p.fillRect(0, 0, w, 20, vertical(0, 20, kHeaderTop, kHeaderBottom));
        hline(p, 0, w - 1, 0, QColor(0x42, 0x47, 0x50));
    }
    hline(p, 0, w - 1, 19, QColor(0x14, 0x16, 0x19));
    if (split) {
        vline(p, 124, 3, 16, QColor(0x1C, 0x1E, 0x23));
        vline(p, 125, 3, 16, QColor(0x42, 0x47, 0x50));
    }
    if (icon == 'L') {
        // A small lit dot with rays: the lighting section.
        p.setPen(Qt::NoPen);
        p.setBrush(kAccentHover);
        p.drawEllipse(QPointF(w - 15.5, 10), 3, 3);
        p.setPen(QPen(kGlyph, 1.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            const qreal a = i * 3.14159265 / 4;
            p.drawLine(QPointF(w - 15.5 + 5 * std::cos(a), 10 + 5 * std::sin(a)),
                       QPointF(w - 15.5 + 7 * std::cos(a), 10 + 7 * std::sin(a)));
        }
    } else {
        chevron(p, w - 15.5, 10, open, open || over ? kAccentHover : kGlyph);
    }
}

void panelBody(QPainter& p, int w, int top, int bottom) {
    p.fillRect(0, top, w, bottom - top + 1, kPanel);
    vline(p, 0, top, bottom, kBorder);
    vline(p, w - 1, top, bottom, kBorder);
    hline(p, 0, w - 1, bottom, kBorder);
}

QImage sectionHeader(qreal s, bool open, bool split, char icon = 0, bool over = false) {
    QImage img = canvas(s, 243, 20, kColumn);
    QPainter p(&img);
    beginPaint(p);
    header(p, 243, open, split, icon, over);
    return img;
}

QImage lightingBody(qreal s) {
    QImage img = canvas(s, 243, 205, kColumn);
    QPainter p(&img);
    beginPaint(p);
    panelBody(p, 243, 0, 204);
    return img;
}

QImage speedRowBackground(qreal s) {
    QImage img = canvas(s, 243, 90, kPanel);
    QPainter p(&img);
    vline(p, 0, 0, 89, kBorder);
    vline(p, 242, 0, 89, kBorder);
    return img;
}

QImage dropBox(qreal s) {
    QImage img = canvas(s, 221, 16, kPanel);
    QPainter p(&img);
    beginPaint(p);
    p.fillRect(0, 0, 221, 15, kField);
    hline(p, 0, 220, 15, kAccent);
    hline(p, 0, 220, 0, QColor(0x1F, 0x22, 0x27));
    arrow(p, 211, 7.5, 'B', kAccentHover);
    return img;
}

QImage directionButton(qreal s, char dir, bool enabled) {
    QImage img = canvas(s, 36, 16, kPanel);
    QPainter p(&img);
    beginPaint(p);
    if (enabled) {
        p.setBrush(vertical(0, 16, kAccentHover, kAccentDark));
        p.setPen(QPen(QColor(0xFF, 0x4A, 0x50), 1));
    } else {
        p.setBrush(vertical(0, 16, QColor(0x32, 0x36, 0x3D), QColor(0x28, 0x2B, 0x31)));
        p.setPen(QPen(QColor(0x43, 0x48, 0x51), 1));
    }
    p.drawRoundedRect(QRectF(0.5, 0.5, 35, 15), 3, 3);
    arrow(p, 18, 8, dir, enabled ? Qt::white : kGlyph);
    return img;
}

QImage radio(qreal s, bool on) {
    QImage img = canvas(s, 13, 13, kPanel);
    QPainter p(&img);
    beginPaint(p);
    p.setBrush(kField);
    p.setPen(QPen(on ? kAccentHover : QColor(0x6A, 0x6F, 0x79), 1.4));
    p.drawEllipse(QPointF(6.5, 6.5), 5.3, 5.3);
    if (on) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccentHover);
        p.drawEllipse(QPointF(6.5, 6.5), 2.8, 2.8);
    }
    return img;
}

QImage multicolourSwatch(qreal s) {
    QImage img = canvas(s, 20, 20, kPanel);
    QPainter p(&img);
    beginPaint(p);
    QConicalGradient g(10, 10, 90);
    const QColor stops[] = {QColor(255, 40, 40), QColor(255, 200, 0), QColor(60, 220, 60),
                            QColor(0, 200, 255), QColor(60, 80, 255), QColor(220, 0, 220), QColor(255, 40, 40)};
    for (int i = 0; i < 7; ++i) g.setColorAt(i / 6.0, stops[i]);
    p.fillRect(0, 0, 20, 20, g);
    QRadialGradient shine(10, 10, 10);
    shine.setColorAt(0, QColor(255, 255, 255, 120));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(0, 0, 20, 20, shine);
    return img;
}

QImage macroBlock(qreal s) {
    QImage img = canvas(s, 243, 55, kColumn);
    QPainter p(&img);
    beginPaint(p);
    panelBody(p, 243, 0, 50);
    hline(p, 0, 242, 0, kBorder);
    drawSkinText(p, SkinSet::tr("录制、编辑宏并分配给按键"), 9, 33, 13, kTextFaint);
    return img;
}

QImage macroButton(qreal s, Look look) {
    QImage img = canvas(s, 241, 19, kPanel);
    QPainter p(&img);
    beginPaint(p);
    const QColor top = look == Look::Over ? QColor(0x3E, 0x43, 0x4B) : look == Look::Down ? QColor(0x20, 0x23, 0x28)
                                                                                          : QColor(0x31, 0x35, 0x3C);
    const QColor bottom = look == Look::Over ? QColor(0x31, 0x35, 0x3C) : look == Look::Down ? QColor(0x29, 0x2C, 0x32)
                                                                                             : QColor(0x27, 0x2A, 0x30);
    p.fillRect(0, 0, 241, 19, vertical(0, 19, top, bottom));
    hline(p, 0, 240, 0, look == Look::Down ? QColor(0x14, 0x16, 0x19) : QColor(0x42, 0x47, 0x50));
    hline(p, 0, 240, 18, look == Look::Down ? QColor(0x42, 0x47, 0x50) : QColor(0x14, 0x16, 0x19));
    p.fillRect(0, 0, look == Look::Normal ? 2 : 3, 19, look == Look::Normal ? kAccent : kAccentHover);
    chevron(p, look == Look::Over ? 230 : 228, 9.5 + (look == Look::Down ? 1 : 0), false,
            look == Look::Normal ? kAccentHover : QColor(Qt::white));
    return img;
}

QImage gameModeSection(qreal s, bool open) {
    QImage img = canvas(s, 243, open ? 55 : 20, kColumn);
    QPainter p(&img);
    beginPaint(p);
    if (open) {
        panelBody(p, 243, 20, 51);
        vline(p, 124, 25, 46, QColor(0x1C, 0x1E, 0x23));
        vline(p, 125, 25, 46, QColor(0x3A, 0x3E, 0x46));
    }
    header(p, 243, open, true);
    return img;
}

QImage responseSection(qreal s, bool open) {
    QImage img = canvas(s, 243, open ? 75 : 20, kColumn);
    QPainter p(&img);
    beginPaint(p);
    if (open) {
        panelBody(p, 243, 20, 70);
        drawSkinText(p, SkinSet::tr("数值越小，按键响应越快"), 9, 50, 13, kTextFaint);
    }
    header(p, 243, open, false);
    return img;
}

// Thumb centres of the report-rate slider's four positions, inside the image.
QImage reportSection(qreal s, bool open) {
    QImage img = canvas(s, 243, open ? 60 : 20, kColumn);
    QPainter p(&img);
    beginPaint(p);
    if (open) {
        panelBody(p, 243, 20, 56);
        const char* rates[] = {"125Hz", "250Hz", "500Hz", "1000Hz"};
        const QFont f = skinFont(11);
        const QFontMetrics fm(f);
        for (int i = 0; i < 4; ++i) {
            const int centre = 9 + 10 + (200 * i + 1) / 3;
            const int w = fm.horizontalAdvance(QString::fromLatin1(rates[i]));
            const int x = qBound(4, centre - w / 2, 238 - w);
            drawSkinText(p, QString::fromLatin1(rates[i]), x, 42, 11, kTextDim);
        }
    }
    header(p, 243, open, false);
    return img;
}

// ---- sliders -------------------------------------------------------------

QImage track(qreal s, bool filled) {
    QImage img = canvas(s, 220, 17, kPanel);
    QPainter p(&img);
    beginPaint(p);
    const QRectF groove(4.5, 5.5, 211, 5);
    if (filled) {
        QLinearGradient g(0, 0, 220, 0);
        g.setColorAt(0, kAccentDark);
        g.setColorAt(1, kAccentHover);
        p.setBrush(g);
        p.setPen(QPen(kAccentHover, 1));
    } else {
        p.setBrush(QColor(0x10, 0x11, 0x14));
        p.setPen(QPen(QColor(0x3A, 0x3E, 0x46), 1));
    }
    p.drawRoundedRect(groove, 2.5, 2.5);
    return img;
}

QImage thumb(qreal s) {
    QImage img = canvas(s, 15, 14, kPanel);
    QPainter p(&img);
    beginPaint(p);
    QRadialGradient g(6, 5, 8);
    g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    g.setColorAt(1, QColor(0xB9, 0xBD, 0xC4));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x0C, 0x0D, 0x10), 1));
    p.drawEllipse(QPointF(7.5, 7), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(7.5, 7), 2.2, 2.2);
    return img;
}

// ---- window background, logo, help, footer --------------------------------

QImage mainBackground(qreal s) {
    QImage img = canvas(s, 1000, 640, kBgBottom);
    QPainter p(&img);
    beginPaint(p);
    p.fillRect(QRect(0, 0, 1000, 640), vertical(0, 640, kBgTop, kBgBottom));

    // Title bar.
    p.fillRect(0, 0, 1000, 28, kTitleBar);
    hline(p, 0, 999, 28, kEdge);
    p.fillRect(0, 28, 268, 1, kAccent);
    drawSkinText(p, SkinSet::tr("VANDREL  游戏键盘驱动程序"), 14, 7, 14, kTextFaint);

    // Left column.
    p.fillRect(12, 29, 257, 569, kColumn);
    vline(p, 268, 29, 597, kEdge);

    // The keyboard's stage.
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kStage);
    p.drawRoundedRect(QRectF(280.5, 38.5, 709, 551), 6, 6);
    drawSkinText(p, SkinSet::tr("按键与灯光"), 304, 54, 22, Qt::white);
    drawSkinText(p, SkinSet::tr("单击键盘上的按键可重新分配功能；选择 DIY 灯效并切换到 DIY 后，可为每个按键着色。"), 304, 86,
                 14, kTextFaint);
    hline(p, 304, 966, 112, kEdge);

    // Legend under the keyboard: what a lit key means.
    const int ly = 452;
    p.setPen(Qt::NoPen);
    p.setBrush(kAccentHover);
    p.drawRoundedRect(QRectF(328, ly, 20, 18), 3, 3);
    p.setBrush(vertical(ly, ly + 18, QColor(0xE0, 0x2A, 0x30), QColor(0xB4, 0x16, 0x1C)));
    p.drawRoundedRect(QRectF(331, ly + 2, 14, 12), 2, 2);
    drawSkinText(p, SkinSet::tr("已重新分配功能或已禁用的按键"), 358, ly + 1, 15, kTextDim);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(588.5, ly + 0.5, 20, 17));
    drawSkinText(p, SkinSet::tr("DIY 着色时鼠标所在的按键"), 618, ly + 1, 15, kTextDim);
    hline(p, 304, 966, 560, kEdge);
    drawSkinText(p, SkinSet::tr("媒体键（右上角四个圆键）的功能固定，不可重新分配。"), 304, 568, 13, kTextFaint);

    // Bottom bar.
    p.fillRect(0, 598, 1000, 42, kTitleBar);
    hline(p, 0, 999, 598, kEdge);

    p.setPen(QPen(kEdge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 999, 639));
    return img;
}

QImage logo(qreal s) {
    QImage img = canvas(s, 243, 66, kColumn);
    QPainter p(&img);
    beginPaint(p);
    emblem(p, QRectF(4, 10, 40, 44));
    p.setFont(boldFont(30, 1));
    p.setPen(Qt::white);
    p.drawText(QPointF(52, 40), QStringLiteral("VANDREL"));
    p.setFont(plainFont(10, 3.2));
    p.setPen(kTextFaint);
    p.drawText(QPointF(54, 56), QStringLiteral("GAMING KEYBOARD"));
    return img;
}

QImage helpWindow(qreal s) {
    QImage img = canvas(s, 167, 78, kTitleBar);
    QPainter p(&img);
    beginPaint(p);
    p.fillRect(0, 0, 167, 78, kPanel);
    p.setPen(QPen(kBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 166, 77));
    p.fillRect(0, 0, 167, 2, kAccent);
    hline(p, 6, 160, 25, QColor(0x2F, 0x33, 0x3A));
    hline(p, 6, 160, 50, QColor(0x2F, 0x33, 0x3A));
    p.setPen(QPen(kGlyph, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // Row 0: the web site (a globe).
    p.drawEllipse(QPointF(10, 12.5), 5, 5);
    p.drawEllipse(QPointF(10, 12.5), 2, 5);
    p.drawLine(QPointF(5, 12.5), QPointF(15, 12.5));
    // Row 1: the updater (a download arrow).
    p.drawLine(QPointF(10, 32), QPointF(10, 41));
    p.drawLine(QPointF(6.5, 37.5), QPointF(10, 41));
    p.drawLine(QPointF(13.5, 37.5), QPointF(10, 41));
    p.drawLine(QPointF(5.5, 44), QPointF(14.5, 44));
    // Row 2: the version (an "i").
    p.drawEllipse(QPointF(10, 63), 5, 5);
    p.drawLine(QPointF(10, 62), QPointF(10, 65.5));
    p.drawPoint(QPointF(10, 60));
    return img;
}

QImage footerText(qreal s) {
    QImage img = canvas(s, 360, 20, kTitleBar);
    QPainter p(&img);
    beginPaint(p);
    drawSkinText(p, SkinSet::tr("更改在单击“保存”后写入键盘；“取消”恢复键盘中的设置。"), 0, 3, 14, kTextFaint);
    return img;
}

QImage appIcon(qreal s) {
    QImage img = canvas(s, 128, 128, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    beginPaint(p);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(0, 128, QColor(0x2E, 0x32, 0x39), QColor(0x15, 0x17, 0x1B)));
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 26, 26);
    p.setPen(QPen(kAccentHover, 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(6, 6, 116, 116), 24, 24);
    emblem(p, QRectF(26, 28, 76, 76));
    return img;
}

QImage splash(qreal s) {
    const int w = 520, h = 300;
    QImage img = canvas(s, w, h, QColor(0x12, 0x14, 0x17));
    QPainter p(&img);
    beginPaint(p);
    p.fillRect(QRect(0, 0, w, h), vertical(0, h, QColor(0x22, 0x25, 0x2B), QColor(0x12, 0x14, 0x17)));
    // A crimson sweep across the top right.
    QPainterPath sweep;
    sweep.moveTo(300, 0);
    sweep.lineTo(w, 0);
    sweep.lineTo(w, 110);
    sweep.closeSubpath();
    QLinearGradient sg(300, 0, w, 110);
    sg.setColorAt(0, QColor(196, 22, 28, 0));
    sg.setColorAt(1, QColor(196, 22, 28, 150));
    p.fillPath(sweep, sg);

    emblem(p, QRectF(36, 38, 58, 62));
    p.setFont(boldFont(46, 2));
    p.setPen(Qt::white);
    p.drawText(QPointF(108, 88), QStringLiteral("VANDREL"));
    p.setFont(plainFont(12, 4.5));
    p.setPen(kTextFaint);
    p.drawText(QPointF(112, 110), QStringLiteral("GAMING KEYBOARD"));

    // The keyboard in miniature, WASD lit.
    const qreal mini = 0.66;
    const QPointF o(48, 98);
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        const KeyRect& r = KeyGeometry[slot].rect;
        const QRectF kr(o.x() + r.left * mini, o.y() + r.top * mini, (r.right - r.left) * mini - 0.6,
                        (r.bottom - r.top) * mini - 0.6);
        const bool wasd = slot == 43 || slot == 63 || slot == 64 || slot == 65;
        p.setPen(Qt::NoPen);
        p.setBrush(wasd ? kAccentHover : QColor(0x33, 0x37, 0x3E));
        if (isMediaSlot(slot)) p.drawEllipse(kr.center(), 6, 6);
        else p.drawRoundedRect(kr, 2, 2);
    }
    drawSkinText(p, SkinSet::tr("游戏键盘驱动程序"), 36, 262, 18, kTextDim);
    drawSkinText(p, SkinSet::tr("正在连接键盘…"), 388, 266, 14, kTextFaint);
    return img;
}

}  // namespace

QByteArray versionFileBytes(int major, int minor) {
    QByteArray bytes = QStringLiteral("Ver: %1.%2").arg(major % 10).arg(minor % 10).toLatin1();
    bytes.append(QByteArray(12 - bytes.size(), ' '));
    return bytes;
}

QList<SkinImage> drawSkinSet(qreal s) {
    QList<SkinImage> set;
    auto add = [&set](const char* name, QImage image) { set.append({QString::fromLatin1(name), std::move(image)}); };

    add("main.png", mainBackground(s));
    add("logo.png", logo(s));
    // Every button in its three looks: "-normal", "-over" (under the
    // pointer) and "-down" (held down).
    const std::pair<const char*, Look> looks[] = {{"normal", Look::Normal}, {"over", Look::Over}, {"down", Look::Down}};
    for (const auto& [suffix, look] : looks) {
        auto name = [suffix = suffix](const char* stem) { return QStringLiteral("%1-%2.png").arg(stem, suffix); };
        set.append({name("button-help"), windowButton(s, '?', look)});
        set.append({name("button-min"), windowButton(s, '-', look)});
        set.append({name("button-close"), windowButton(s, 'x', look)});
        set.append({name("button-cancel"), bottomButton(s, Role::Secondary, look)});
        set.append({name("button-save"), bottomButton(s, Role::Primary, look)});
        set.append({name("button-reset"), bottomButton(s, Role::Destructive, look)});
    }
    add("Config.png", configButton(s, Look::Normal));
    add("Config-over.png", configButton(s, Look::Over));
    add("Config-down.png", configButton(s, Look::Down));
    add("text.png", footerText(s));
    add("HelpWindow.png", helpWindow(s));
    add("kb_BK.png", drawKeyboardPicture(s, false));
    add("kb_hl.png", drawKeyboardPicture(s, true));
    // The same caps without their legends.
    add("kb_BK_caps.png", drawKeyboardPicture(s, false, false));
    add("kb_hl_caps.png", drawKeyboardPicture(s, true, false));

    add("itemBK.png", sectionHeader(s, true, false, 'L'));
    add("LEDEffect_open.png", lightingBody(s));
    add("freq.png", speedRowBackground(s));
    add("Light_Item.png", dropBox(s));
    add("8.png", multicolourSwatch(s));
    for (char d : {'T', 'B', 'R', 'L'}) {
        add(QStringLiteral("Direction-%1-Enable.png").arg(QLatin1Char(d)).toLatin1().constData(), directionButton(s, d, true));
        add(QStringLiteral("Direction-%1-Disable.png").arg(QLatin1Char(d)).toLatin1().constData(),
            directionButton(s, d, false));
    }
    add("Enable.png", radio(s, true));
    add("Disable.png", radio(s, false));
    add("MacroManagementBK.png", macroBlock(s));
    add("MacroButton3.png", macroButton(s, Look::Normal));
    add("MacroButton3-over.png", macroButton(s, Look::Over));
    add("MacroButton3-down.png", macroButton(s, Look::Down));
    add("gamemode_Close.png", gameModeSection(s, false));
    add("gamemode_open.png", gameModeSection(s, true));
    add("responsetime_close.png", responseSection(s, false));
    add("responsetime_open.png", responseSection(s, true));
    add("reportrate_Close.png", reportSection(s, false));
    add("reportrate_Open.png", reportSection(s, true));
    // The section bars under the pointer, drawn over the top of the section's image.
    add("itemBK-over.png", sectionHeader(s, true, false, 'L', true));
    add("gamemode_Close-over.png", sectionHeader(s, false, true, 0, true));
    add("gamemode_open-over.png", sectionHeader(s, true, true, 0, true));
    add("responsetime_close-over.png", sectionHeader(s, false, false, 0, true));
    add("responsetime_open-over.png", sectionHeader(s, true, false, 0, true));
    add("reportrate_Close-over.png", sectionHeader(s, false, false, 0, true));
    add("reportrate_Open-over.png", sectionHeader(s, true, false, 0, true));

    // The slider skins and the icon, loaded by resource number.
    add("bmp139.png", track(s, false));
    add("bmp140.png", track(s, true));
    add("bmp141.png", thumb(s));
    add("Thumb.png", thumb(s));
    add("icon150.png", appIcon(s));
    add("SplashScreen.png", splash(s));
    set.append(drawKeyMapSkins(s));
    addProfileSkins(set, s);
    set.append(drawMacroSkins(s));
    return set;
}

}  // namespace vandrel
