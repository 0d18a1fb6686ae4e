#include "app/draw/SkinCache.h"

#include <QFileInfo>

#include "app/draw/SkinFile.h"

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

const QImage* SkinCache::image(const QString& name) {
    QFileInfo info(m_folder + QLatin1Char('/') + name);
    if (!m_overlay.isEmpty()) {
        const QFileInfo replacement(m_overlay + QLatin1Char('/') + name);
        if (replacement.isFile()) info = replacement;
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
        const QImage decoded = loadSkinImage(info.filePath());
        ++m_decodes;
        // Skins are copied opaquely: whatever alpha a file carries is dropped.
        entry.image = decoded.isNull() ? QImage() : decoded.convertToFormat(QImage::Format_RGB32);
    }
    if (entry.image.isNull()) {
        m_missing.insert(name);
        return nullptr;
    }
    return &entry.image;
}

}  // namespace vandrel
