#include "app/draw/SkinFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPixmap>
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

QImage loadSkinImage(const QString& path) {
    QByteArray bytes;
    if (!readSkinBytes(path, bytes)) return {};
    return QImage::fromData(bytes);
}

QSize skinImageSize(const QString& path) {
    QByteArray bytes;
    if (!readSkinBytes(path, bytes)) return {};
    QBuffer buffer(&bytes);
    return QImageReader(&buffer).size();
}

QIcon loadSkinIcon(const QString& path) {
    const QImage image = loadSkinImage(path);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace vandrel
