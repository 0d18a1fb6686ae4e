// Writes the skin set into <folder>/png/ and VER.bin into <folder>.
//   vandrel_skingen <folder> <major> <minor>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

#include "skins/SkinSet.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <folder> <major> <minor>\n", argv[0]);
        return 2;
    }
    // Drawing needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QDir png(folder + QStringLiteral("/png"));
    if (!QDir().mkpath(png.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(png.path()));
        return 1;
    }
    for (const vandrel::SkinImage& skin : vandrel::drawSkinSet()) {
        // A dialog's skins live in a folder of their own.
        QDir().mkpath(QFileInfo(png.filePath(skin.name)).path());
        if (!skin.image.save(png.filePath(skin.name), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(png.filePath(skin.name)));
            return 1;
        }
    }
    QSaveFile ver(folder + QStringLiteral("/VER.bin"));
    if (!ver.open(QIODevice::WriteOnly) ||
        ver.write(vandrel::versionFileBytes(std::atoi(argv[2]), std::atoi(argv[3]))) != 12 || !ver.commit()) {
        std::fprintf(stderr, "cannot write VER.bin\n");
        return 1;
    }
    return 0;
}
