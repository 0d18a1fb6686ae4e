#include "app/draw/DiyPicture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <filesystem>
#include <system_error>

#include "app/draw/DiyKeyColours.h"
#include "app/draw/KeyboardPicture.h"
#include "util/AtomicFile.h"

namespace vandrel {

namespace {

void fail(QString* error, const QString& text) {
    if (error) *error = text;
}

QString cannotRead(const QString& path, const QString& why) {
    return QStringLiteral("cannot read %1: %2").arg(path, why);
}

}  // namespace

std::optional<std::array<Rgb, kPhysicalSlots>> loadDiyPicture(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        fail(error, cannotRead(path, QStringLiteral("no such file")));
        return std::nullopt;
    }
    if (!info.isFile()) {
        fail(error, cannotRead(path, QStringLiteral("not a regular file")));
        return std::nullopt;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The size comes from the header; a picture that is too large is never
    // decoded. A format that does not tell its size is held by the
    // allocation limit instead.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxDiyPicturePixels) {
        fail(error, cannotRead(path, QStringLiteral("the picture is %1 x %2 pixels; at most %3 megapixels are taken")
                                         .arg(size.width())
                                         .arg(size.height())
                                         .arg(kMaxDiyPicturePixels / (1024 * 1024))));
        return std::nullopt;
    }
    reader.setAllocationLimit(static_cast<int>(kMaxDiyPicturePixels * 4 / (1024 * 1024)));
    QImage picture = reader.read();
    if (picture.isNull()) {
        fail(error, cannotRead(path, reader.errorString().isEmpty() ? QStringLiteral("not a picture")
                                                                    : reader.errorString()));
        return std::nullopt;
    }
    const QImage scaled = picture.convertToFormat(QImage::Format_RGB32)
                              .scaled(kDiyPictureWidth, kDiyPictureHeight, Qt::IgnoreAspectRatio,
                                      Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    return sampleDiyPicture(reinterpret_cast<const uint32_t*>(scaled.constBits()), scaled.width(), scaled.height(),
                            static_cast<int>(scaled.bytesPerLine()));
}

QImage renderDiyMap(const DeviceImage& image, int map) {
    // Drawn once: the picture depends on nothing but the legends' font.
    static const QImage keyboard = drawKeyboardPicture(1).convertToFormat(QImage::Format_RGB32);
    QImage picture = keyboard.copy();
    QPainter p(&picture);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawDiyKeyColours(p, image, map, QPoint(0, 0));
    p.end();
    return picture;
}

bool exportDiyPicture(const DeviceImage& image, int map, const QString& path, QString* error) {
    if (map < 0 || map >= static_cast<int>(kDiyMapCount)) {
        fail(error, QStringLiteral("there is no custom map %1").arg(map + 1));
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!renderDiyMap(image, map).save(&buffer, "PNG")) {
        fail(error, QStringLiteral("cannot write %1: the picture could not be encoded").arg(path));
        return false;
    }
    std::error_code why;
    const FileResult written = writeFileAtomic(std::filesystem::path(path.toStdU16String()),
                                               {{reinterpret_cast<const uint8_t*>(png.constData()),
                                                 static_cast<size_t>(png.size())}},
                                               &why);
    if (written != FileResult::Ok) {
        fail(error, QStringLiteral("cannot write %1: %2")
                        .arg(path, QString::fromStdString(why ? why.message() : std::string("unknown error"))));
        return false;
    }
    return true;
}

}  // namespace vandrel
