#include "app/draw/DiyPicture.h"

#include <QImageReader>
#include <QPainter>
#include <QSaveFile>

namespace vandrel {

std::optional<std::array<Rgb, kPhysicalSlots>> loadDiyPicture(const QString& path, QString* error) {
    QImageReader reader(path);
    QImage picture = reader.read();
    if (picture.isNull()) {
        if (error) *error = QStringLiteral("cannot read %1: %2").arg(path, reader.errorString());
        return std::nullopt;
    }
    picture = picture.scaled(kDiyPictureWidth, kDiyPictureHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB32);
    return sampleDiyPicture(reinterpret_cast<const uint32_t*>(picture.constBits()), picture.width(), picture.height(),
                            static_cast<int>(picture.bytesPerLine()));
}

QImage renderDiyMap(const DeviceImage& image, int map) {
    QImage out(650, 262, QImage::Format_RGB32);
    out.fill(QColor(0x20, 0x22, 0x26));
    QPainter p(&out);
    for (int slot : diyPaintableSlots()) {
        const KeyRect& r = KeyGeometry[static_cast<size_t>(slot)].rect;
        const Rgb c = diyKeyColour(image, map, slot);
        p.fillRect(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)),
                   c.black() ? QColor(0x40, 0x43, 0x4A) : QColor(c.r, c.g, c.b));
    }
    return out;
}

bool exportDiyPicture(const DeviceImage& image, int map, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !renderDiyMap(image, map).save(&file, "PNG") || !file.commit()) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace vandrel
