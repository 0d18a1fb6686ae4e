#pragma once
// The window's text primitive: "Arial", white by default, single line, drawn
// with its top-left corner at (x, y). A height is the height of the text's
// cell (ascent plus descent), as the window's layout coordinates assume, so
// the font's em is a little smaller than the height.

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

namespace vandrel {

QFont skinFont(int cellHeight);
// The baseline's distance below the top of the cell.
int skinAscent(int cellHeight);

void drawSkinText(QPainter& painter, const QString& text, int x, int y, int cellHeight,
                  const QColor& colour = Qt::white);

}  // namespace vandrel
