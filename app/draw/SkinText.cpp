#include "app/draw/SkinText.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

namespace vandrel {

namespace {

// Arial's cell: ascent 1854 and descent 434 font units on an em of 2048.
constexpr double kEmPerCell = 2048.0 / 2288.0;
constexpr double kAscentPerCell = 1854.0 / 2288.0;

}  // namespace

QFont skinFont(int cellHeight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(qMax(1, qRound(cellHeight * kEmPerCell)));
    font.setWeight(QFont::Light);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

int skinAscent(int cellHeight) { return qRound(cellHeight * kAscentPerCell); }

void drawSkinText(QPainter& painter, const QString& text, int x, int y, int cellHeight, const QColor& colour) {
    // Fonts are looked up once per height; the lookup is the costly part.
    static thread_local QHash<int, QFont> fonts;
    auto it = fonts.find(cellHeight);
    if (it == fonts.end()) it = fonts.insert(cellHeight, skinFont(cellHeight));
    painter.setFont(*it);
    painter.setPen(colour);
    painter.drawText(QPoint(x, y + skinAscent(cellHeight)), text);
}

int fittedCellHeight(const QString& text, int cellHeight, qreal scale, const QSize& room) {
    int cell = qMax(cellHeight, qRound(cellHeight * qMin(scale, 1.5)));
    while (cell > cellHeight &&
           (cell > room.height() || QFontMetrics(skinFont(cell)).horizontalAdvance(text) > room.width()))
        --cell;
    return cell;
}

void drawSkinTextIn(QPainter& painter, const QString& text, const QRect& box, int cellHeight, qreal scale,
                    Qt::Alignment align, const QColor& colour) {
    const int cell = fittedCellHeight(text, cellHeight, scale, box.size());
    const int width = QFontMetrics(skinFont(cell)).horizontalAdvance(text);
    const int x = (align & Qt::AlignHCenter) ? box.left() + (box.width() - width + 1) / 2 : box.left();
    drawSkinText(painter, text, x, box.top() + (box.height() - cell + 1) / 2, cell, colour);
}

qreal desktopTextScale(const QFont& desktopFont) {
    qreal points = desktopFont.pointSizeF();
    if (points <= 0 && desktopFont.pixelSize() > 0) points = desktopFont.pixelSize() * 72.0 / 96.0;
    if (points <= 0) return 1;
    return qBound<qreal>(1, points / 10.0, 1.5);
}

}  // namespace vandrel
