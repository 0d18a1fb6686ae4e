#include "theme/SkinFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPixmap>
#include <cmath>
#include <filesystem>
#include <vector>

#include "util/AtomicFile.h"

namespace vandrel {

static bool readSkinBytes(const QString& path, QByteArray& out) {
    std::vector<uint8_t> bytes;
    const std::filesystem::path file(path.toStdU16String());
    if (readFilePrefix(file, kMaxSkinFileBytes + 1, bytes) != FileResult::Ok || bytes.size() > kMaxSkinFileBytes)
        return false;
    out = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    return true;
}

QString doubleDensityName(const QString& name) {
    if (name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return name.left(name.size() - 4) + QStringLiteral("@2x") + name.right(4);
    return name + QStringLiteral("@2x");
}

QImage loadSkinImage(const QString& path) {
    QByteArray bytes;
    if (!readSkinBytes(path, bytes)) return {};
    return QImage::fromData(bytes);
}

QImage skinImageForRatio(QImage image, qreal ratio) {
    if (image.isNull()) return image;
    const qreal own = image.devicePixelRatio();
    if (own <= 1 || ratio >= own || ratio <= 1) return image;
    // Scaled once here rather than at every drawing; an image drawn 1:1 on
    // the device stays crisp where the painter would have to filter it.
    const QSize logical = logicalSize(image);
    const QSize device(qMax(1, qRound(logical.width() * ratio)), qMax(1, qRound(logical.height() * ratio)));
    QImage scaled = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

QImage loadSkinImage(const QString& path, qreal ratio) {
    if (ratio > 1) {
        QImage doubled = loadSkinImage(doubleDensityName(path));
        if (!doubled.isNull()) {
            doubled.setDevicePixelRatio(2);
            return skinImageForRatio(std::move(doubled), ratio);
        }
    }
    return loadSkinImage(path);
}

QSize skinImageSize(const QString& path) {
    QByteArray bytes;
    if (!readSkinBytes(path, bytes)) return {};
    QBuffer buffer(&bytes);
    return QImageReader(&buffer).size();
}

QIcon loadSkinIcon(const QString& path) {
    const QImage image = loadSkinImage(path);
    if (image.isNull()) return {};
    QIcon icon(QPixmap::fromImage(image));
    QImage doubled = loadSkinImage(doubleDensityName(path));
    if (!doubled.isNull()) {
        doubled.setDevicePixelRatio(2);
        icon.addPixmap(QPixmap::fromImage(doubled));
    }
    return icon;
}

QSize logicalSize(const QImage& image) {
    const qreal r = image.devicePixelRatio();
    return {qRound(image.width() / r), qRound(image.height() / r)};
}

void prepareFrame(QImage& frame, const QSize& logical, qreal ratio) {
    if (ratio <= 0) ratio = 1;
    const QSize device(static_cast<int>(std::ceil(logical.width() * ratio - 1e-6)),
                       static_cast<int>(std::ceil(logical.height() * ratio - 1e-6)));
    if (frame.size() != device || frame.format() != QImage::Format_RGB32) frame = QImage(device, QImage::Format_RGB32);
    frame.setDevicePixelRatio(ratio);
}

void drawSkinPart(QPainter& p, const QPointF& at, const QImage& image, const QRectF& source) {
    const qreal r = image.devicePixelRatio();
    p.drawImage(QRectF(at, source.size()), image,
                QRectF(source.x() * r, source.y() * r, source.width() * r, source.height() * r));
}

QImage copyFramePart(const QImage& frame, const QRect& area) {
    const qreal r = frame.devicePixelRatio();
    const QRect device(qFloor(area.x() * r), qFloor(area.y() * r), qCeil(area.width() * r), qCeil(area.height() * r));
    QImage part = frame.copy(device);
    part.setDevicePixelRatio(r);
    return part;
}

}  // namespace vandrel
