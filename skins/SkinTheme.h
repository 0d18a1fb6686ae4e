#pragma once
// The colours of the skin set: one dark theme of graphite greys with a single
// crimson accent and white texts, shared by every window's images.

#include <QColor>

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

}  // namespace vandrel::theme
