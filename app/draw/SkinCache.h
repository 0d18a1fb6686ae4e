#pragma once
// Skin images by file name. Every lookup checks the file on disk, so a skin
// changed or removed while the program runs shows at the next drawing, but a
// file is decoded again only when its size or modification time changed.

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

    // The image `name` (relative to the folder, case as written), converted to
    // an opaque format; null when the file is missing or cannot be decoded.
    const QImage* image(const QString& name);

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
    QHash<QString, Entry> m_entries;
    int m_decodes = 0;
    QSet<QString> m_missing;
};

}  // namespace vandrel
