#pragma once
// The keyboard's focus mark of the skinned windows: a two-pixel ring just
// outside the focused element, white outside and the accent red inside, so
// that it shows on the dark skin and on a key lit red alike.

#include <QRect>

class QPainter;

namespace vandrel {

void drawFocusMark(QPainter& p, const QRect& element);

}  // namespace vandrel
