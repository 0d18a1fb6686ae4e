#pragma once
// Pictures and the custom colour maps: a picture file gives each key the mean
// colour under it, and a map is drawn onto the keyboard picture, as the
// window shows it, for a PNG file or a thumbnail.

#include <QImage>
#include <QString>
#include <array>
#include <optional>

#include "app/model/DiyPaint.h"
#include "device/DeviceImage.h"

namespace vandrel {

// A picture larger than this is refused before it is decoded: 64 megapixels
// already take 256 MB once decoded, and a key covers a few hundred of them.
constexpr qint64 kMaxDiyPicturePixels = 64LL * 1024 * 1024;

// Key colours from a PNG/JPEG: the picture is scaled (ignoring aspect) to
// 650x220 and each key takes the mean colour under it. Nothing and a message
// ("cannot read ...: ...") on failure.
std::optional<std::array<Rgb, kPhysicalSlots>> loadDiyPicture(const QString& path, QString* error);

// The keyboard picture with `map`'s colours drawn on its keys (as the window
// draws them), as a QImage (also used for thumbnails: scale it down). An
// unknown map gives the bare picture.
QImage renderDiyMap(const DeviceImage& image, int map);

// renderDiyMap saved as PNG; false and a message on failure. The file is
// written whole or not at all (a temporary file beside it, then renamed).
bool exportDiyPicture(const DeviceImage& image, int map, const QString& path, QString* error);

}  // namespace vandrel
