#pragma once
// The legends of the keyboard picture, as keyboards print them: short forms
// ("PrtSc", "PgUp", "Caps"), arrows on the arrow keys, never smaller than a
// 9-pixel font at 100 % scale. A legend too wide for its key at that size has
// its letters set closer instead of being shrunk, so it keeps its height. The skin
// generator prints them on the picture, and the window draws the same legend
// over a key painted with a custom colour.

#include <QColor>
#include <QPoint>
#include <QString>
#include <optional>

class QPainter;

namespace vandrel {

// The smallest legend: a cell height of 10, a 9-pixel font.
constexpr int kMinLegendCell = 10;

// The legends' ink on the picture's dark caps and on its lit ones.
inline const QColor kLegendInk(0xD6, 0xD8, 0xDD);
inline const QColor kLitLegendInk(0xFF, 0xFF, 0xFF);

// The printed legend of a key slot; "\n" separates two lines. Empty for the
// media keys.
QString keyLegend(int slot);

// Draws the key's legend centred on its cap, the key's rectangle offset by
// `origin`. With `shadow`, every line gets a one-pixel shadow below and to
// the right in that colour first, so that the legend stays readable on any
// key colour.
void drawKeyLegend(QPainter& p, int slot, QPoint origin, const QColor& ink,
                   const std::optional<QColor>& shadow = std::nullopt);
// The same with another legend for the key (what it types in the desktop's
// layout), set the same way on its cap.
void drawKeyLegend(QPainter& p, int slot, const QString& legend, QPoint origin, const QColor& ink,
                   const std::optional<QColor>& shadow = std::nullopt);

}  // namespace vandrel
