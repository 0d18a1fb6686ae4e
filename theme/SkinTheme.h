#pragma once
// The one dark theme every skin image is drawn in: graphite greys, a single
// crimson accent, white texts; and the small helpers the drawings share.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace vandrel::theme {

inline const QColor kBgTop(0x1E, 0x21, 0x27);
inline const QColor kBgBottom(0x15, 0x17, 0x1B);
inline const QColor kTitleBar(0x12, 0x14, 0x17);
inline const QColor kColumn(0x1A, 0x1C, 0x21);
inline const QColor kStage(0x18, 0x1A, 0x1E);
inline const QColor kPanel(0x23, 0x26, 0x2C);
inline const QColor kBorder(0x31, 0x35, 0x3D);
inline const QColor kEdge(0x2A, 0x2D, 0x33);
inline const QColor kHeaderTop(0x35, 0x39, 0x41);
inline const QColor kHeaderBottom(0x2A, 0x2D, 0x34);
inline const QColor kField(0x17, 0x19, 0x1D);
inline const QColor kAccent(0xC4, 0x16, 0x1C);
inline const QColor kAccentHover(0xE0, 0x26, 0x2D);
inline const QColor kAccentDark(0x8E, 0x10, 0x14);
inline const QColor kTextDim(192, 192, 192);
inline const QColor kTextFaint(0x8A, 0x8F, 0x98);
inline const QColor kGlyph(0xB0, 0xB4, 0xBC);

// An image of w x h logical pixels drawn for `scale` device pixels per
// logical pixel (1 for the plain skins, 2 for the double ones): painting on it
// uses logical coordinates, and every line and text lands on device pixels.
inline QImage canvas(qreal scale, int w, int h, const QColor& fill, QImage::Format format = QImage::Format_RGB32) {
    QImage img(qRound(w * scale), qRound(h * scale), format);
    img.setDevicePixelRatio(scale);
    img.fill(fill);
    return img;
}

inline QLinearGradient vertical(qreal top, qreal bottom, const QColor& a, const QColor& b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// A push button: crimson when primary, grey otherwise; `bg` is what lies
// around its rounded corners.
inline QImage bottomButton(qreal scale, bool primary, bool over, int w = 58, int h = 31, const QColor& bg = kTitleBar) {
    QImage img = canvas(scale, w, h, bg);
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
        p.setPen(QPen(over ? QColor(0x5A, 0x5F, 0x69) : QColor(0x43, 0x48, 0x51), 1));
    }
    p.drawRoundedRect(r, 3, 3);
    // A faint highlight along the top edge.
    p.setPen(QPen(QColor(255, 255, 255, primary ? 60 : 22), 1));
    p.drawLine(QPointF(3, 1.5), QPointF(w - 3, 1.5));
    return img;
}

}  // namespace vandrel::theme
