#pragma once
// The program's folder as the tests' windows find it: the skin set the
// generator draws, at one or more pixel densities, and VER.bin. Drawing it
// takes a while, so each test program draws it once (skins()).

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <filesystem>
#include <initializer_list>

#include "skins/SkinSet.h"
#include "tests/support/TempFolder.h"
#include "theme/SkinFile.h"

namespace vandrel::test {

inline QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

class SkinFolder {
public:
    // `densities`: 1 draws the plain set; 2 adds the "@2x" files beside it.
    explicit SkinFolder(std::initializer_list<qreal> densities = {1.0}) {
        QDir().mkpath(png());
        for (qreal density : densities)
            for (const SkinImage& skin : drawSkinSet(density)) {
                const QString file = png() + "/" + (density == 1 ? skin.name : doubleDensityName(skin.name));
                QDir().mkpath(QFileInfo(file).path());
                skin.image.save(file);
            }
        test::writeAll(m_folder.path() / "VER.bin", {'V', 'e', 'r', ':', ' ', '1', '.', '1', ' ', ' ', ' ', ' '});
    }
    QString program() const { return qpath(m_folder.path()); }
    QString png() const { return program() + "/png"; }
    QImage image(const char* name) const { return QImage(png() + "/" + name).convertToFormat(QImage::Format_RGB32); }

private:
    TempFolder m_folder;
};

// The plain skin set, drawn once for every test of the program.
inline const SkinFolder& skins() {
    static const SkinFolder folder;
    return folder;
}

}  // namespace vandrel::test
