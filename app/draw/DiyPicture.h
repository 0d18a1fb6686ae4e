#pragma once
// Pictures and the custom colour maps: a picture file read key by key into
// colours, and a map drawn on the keyboard picture, as an image or a PNG file.

#include <QImage>
#include <QString>
#include <array>
#include <optional>

#include "app/model/DiyPaint.h"

namespace vandrel {

// Key colours from a PNG/JPEG: the picture is scaled (ignoring aspect) to
// 650x220 and each key takes the mean colour under it. Nothing and a message
// ("cannot read ...: ...") on failure.
std::optional<std::array<Rgb, kPhysicalSlots>> loadDiyPicture(const QString& path, QString* error);
// The keyboard picture with `map`'s colours drawn on its keys (as the window
// draws them), as a QImage (also used for thumbnails: scale it down).
QImage renderDiyMap(const DeviceImage& image, int map);
// renderDiyMap saved as PNG; false and a message on failure. The file is
// written whole or not at all.
bool exportDiyPicture(const DeviceImage& image, int map, const QString& path, QString* error);

}  // namespace vandrel
