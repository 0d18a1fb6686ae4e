#include "theme/SkinCache.h"

#include <QFileInfo>
#include <QStringList>

#include "theme/SkinFile.h"

namespace vandrel {

void SkinCache::setFolder(const QString& folder) {
    if (folder == m_folder) return;
    m_folder = folder;
    m_entries.clear();
}

void SkinCache::setOverlay(const QString& folder) {
    if (folder == m_overlay) return;
    m_overlay = folder;
    m_entries.clear();
}

void SkinCache::setDevicePixelRatio(qreal ratio) {
    if (ratio <= 0) ratio = 1;
    if (qFuzzyCompare(ratio, m_ratio)) return;
    m_ratio = ratio;
    m_entries.clear();
}

const QImage* SkinCache::image(const QString& name) {
    // The file to read: the language's before the base folder's, and in
    // each the double image first where the device wants one.
    QStringList candidates;
    for (const QString& folder : {m_overlay, m_folder}) {
        if (folder.isEmpty()) continue;
        const QString path = folder + QLatin1Char('/') + name;
        if (m_ratio > 1) candidates << doubleDensityName(path);
        candidates << path;
    }
    QFileInfo info;
    for (const QString& path : candidates) {
        info.setFile(path);
        if (info.isFile()) break;
    }
    if (!info.isFile()) {
        m_entries.remove(name);
        m_missing.insert(name);
        return nullptr;
    }
    Entry& entry = m_entries[name];
    const QDateTime modified = info.lastModified();
    if (entry.path != info.filePath() || entry.size != info.size() || entry.modified != modified) {
        entry.path = info.filePath();
        entry.size = info.size();
        entry.modified = modified;
        QImage decoded = loadSkinImage(info.filePath());
        ++m_decodes;
        if (!decoded.isNull()) {
            // Skins are copied opaquely: whatever alpha a file carries is dropped.
            decoded = decoded.convertToFormat(QImage::Format_RGB32);
            if (m_ratio > 1 && entry.path.endsWith(QLatin1String("@2x.png"), Qt::CaseInsensitive))
                decoded.setDevicePixelRatio(2);
            decoded = skinImageForRatio(std::move(decoded), m_ratio);
        }
        entry.image = decoded;
    }
    if (entry.image.isNull()) {
        m_missing.insert(name);
        return nullptr;
    }
    return &entry.image;
}

QSize SkinCache::logicalSize(const QString& name) {
    const QImage* img = image(name);
    return img ? vandrel::logicalSize(*img) : QSize();
}

}  // namespace vandrel
