#pragma once
// Skin images by file name. Every lookup checks the file on disk, so a skin
// changed or removed while the program runs shows at the next drawing, but a
// file is decoded again only when its size or modification time changed.
// For a device pixel ratio above 1 the cache gives the double images
// ("name@2x.png") where they exist, brought to that ratio (see SkinFile.h).

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QImage>
#include <QString>

namespace vandrel {

class SkinCache {
public:
    explicit SkinCache(QString folder = {}) : m_folder(std::move(folder)) {}

    void setFolder(const QString& folder);
    const QString& folder() const { return m_folder; }
    // A folder whose images replace those of the same name (the skins whose
    // texts read differently in the chosen language); empty for none.
    void setOverlay(const QString& folder);
    // The device pixel ratio the images are for (1 by default).
    void setDevicePixelRatio(qreal ratio);
    qreal devicePixelRatio() const { return m_ratio; }

    // The image `name` (relative to the folder, case as written), converted to
    // an opaque format and carrying its device pixel ratio; null when the
    // file is missing or cannot be decoded. In the overlay and then in the
    // folder, the double image comes before the plain one.
    const QImage* image(const QString& name);
    // The image's size in logical pixels; invalid when it is missing.
    QSize logicalSize(const QString& name);

    int decodes() const { return m_decodes; }
    // Names asked for that were missing or could not be decoded.
    const QSet<QString>& missing() const { return m_missing; }

private:
    struct Entry {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        QImage image;  // null when the file could not be decoded
    };
    QString m_folder;
    QString m_overlay;
    qreal m_ratio = 1;
    QHash<QString, Entry> m_entries;
    int m_decodes = 0;
    QSet<QString> m_missing;
};

}  // namespace vandrel
