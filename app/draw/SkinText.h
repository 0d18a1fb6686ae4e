#pragma once
// The window's text primitive: "Arial", white by default, single line, drawn
// with its top-left corner at (x, y). A height is the height of the text's
// cell (ascent plus descent), as the window's layout coordinates assume, so
// the font's em is a little smaller than the height.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace vandrel {

QFont skinFont(int cellHeight);
// The baseline's distance below the top of the cell.
int skinAscent(int cellHeight);

void drawSkinText(QPainter& painter, const QString& text, int x, int y, int cellHeight,
                  const QColor& colour = Qt::white);

// A desktop whose font is larger than usual gets larger skin texts where
// they have room. `scale` is the desktop font's size against the usual one
// (see desktopTextScale): the cell height for `text` is cellHeight x scale,
// brought down until the text fits `room` (width and height), and never
// below cellHeight, the size the window was laid out for.
int fittedCellHeight(const QString& text, int cellHeight, qreal scale, const QSize& room);
// Draws `text` at its fitted size inside `box`, placed by `align` (left or
// centred horizontally; always centred vertically).
void drawSkinTextIn(QPainter& painter, const QString& text, const QRect& box, int cellHeight, qreal scale,
                    Qt::Alignment align = Qt::AlignCenter, const QColor& colour = Qt::white);

// The desktop font's size against the usual 10 points, between 1 and 1.5.
qreal desktopTextScale(const QFont& desktopFont);

}  // namespace vandrel
