#pragma once
// Reading skin images. A skin file is read through the same checked read as the
// data files (opened without blocking, regular files only, bounded size) before
// Qt decodes it, so that a FIFO or a device put in the skin folder can never
// stall the program: it counts as a missing image.
//
// Every skin may come twice: "name.png" for screens at 100 % and
// "name@2x.png" beside it, drawn for twice the pixel density. On a screen
// whose device pixel ratio is above 1 the double one is used, scaled down
// smoothly for ratios between 1 and 2, so that the windows stay sharp at 125,
// 150 and 200 %. Positions and sizes stay in logical pixels throughout.

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>

namespace vandrel {

// Larger files are no skin of ours and are not read.
inline constexpr size_t kMaxSkinFileBytes = 32u << 20;

// "name.png" -> "name@2x.png" (the same for a path).
QString doubleDensityName(const QString& name);

// The decoded image, null when the file is missing, unreadable or no image.
QImage loadSkinImage(const QString& path);

// The image to draw on a device of `ratio` pixels per logical pixel: for a
// ratio above 1 the @2x file where there is one, brought to the ratio; the
// plain file otherwise. The result carries its device pixel ratio, so that a
// painter draws it at its logical size. Null when no file can be read.
QImage loadSkinImage(const QString& path, qreal ratio);

// `image` (drawn for its own device pixel ratio) brought to `ratio`: a double
// image scaled down smoothly for a ratio between 1 and 2; any other image as
// it is (a painter scales it when drawing).
QImage skinImageForRatio(QImage image, qreal ratio);

// The image's size as its header gives it, without decoding; invalid when the
// file is missing, unreadable or no image.
QSize skinImageSize(const QString& path);

// An icon from a skin image (with its double image where there is one); a
// null icon when the image cannot be read.
QIcon loadSkinIcon(const QString& path);

// The size of `image` in logical pixels.
QSize logicalSize(const QImage& image);

// Makes `frame` an opaque image for a window of `logical` size on a device of
// `ratio`: device-sized, with the ratio set so that painting on it uses
// logical coordinates and texts are drawn at the device's resolution.
void prepareFrame(QImage& frame, const QSize& logical, qreal ratio);

// Draws the part `source` (in the image's logical pixels) of `image` with its
// top-left corner at `at`.
void drawSkinPart(QPainter& p, const QPointF& at, const QImage& image, const QRectF& source);

// The part `area` (logical pixels) of a frame, with the frame's ratio.
QImage copyFramePart(const QImage& frame, const QRect& area);

}  // namespace vandrel
