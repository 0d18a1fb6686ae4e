#pragma once
// The keyboard picture: the case, the plate and every key drawn inside its
// rectangle of the key geometry, so that the picture matches the hit tests.
// The skin set writes it as kb_BK.png (and its lit and blank-cap twins), and
// the custom maps' pictures are drawn on it.

#include <QImage>

namespace vandrel {

constexpr int kKeyboardPictureWidth = 652;
constexpr int kKeyboardPictureHeight = 262;

// The picture for `scale` device pixels per logical pixel. `lit`: every key
// in the red of a reassigned key; `legends`: the printed legends (without
// them, blank caps for the legends of the desktop's layout).
QImage drawKeyboardPicture(qreal scale = 1, bool lit = false, bool legends = true);

}  // namespace vandrel
