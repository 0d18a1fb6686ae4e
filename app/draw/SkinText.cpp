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

}  // namespace vandrel
