#pragma once
// Reading skin images. A skin file is read through the same checked read as the
// data files (opened without blocking, regular files only, bounded size) before
// Qt decodes it, so that a FIFO or a device put in the skin folder can never
// stall the program: it counts as a missing image.

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

namespace vandrel {

// Larger files are no skin of ours and are not read.
inline constexpr size_t kMaxSkinFileBytes = 32u << 20;

// The decoded image, null when the file is missing, unreadable or no image.
QImage loadSkinImage(const QString& path);

// The image's size as its header gives it, without decoding; invalid when the
// file is missing, unreadable or no image.
QSize skinImageSize(const QString& path);

// An icon from a skin image; a null icon when the image cannot be read.
QIcon loadSkinIcon(const QString& path);

}  // namespace vandrel
