// Writes the skin set into <folder>/png/ and VER.bin into <folder>; with the
// English translation, also the images whose texts read differently in
// English into <folder>/png/en/, which the program reads first in English.
// Every image comes twice: "name.png" and "name@2x.png", drawn for screens of
// twice the pixel density.
//   vandrel_skingen <folder> <major> <minor> [<vandrel_en.qm>]

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTranslator>
#include <cstdio>

#include "skins/SkinSet.h"
#include "theme/SkinFile.h"

namespace {

// The scales drawn, and the file name of an image at each.
constexpr qreal kScales[] = {1, 2};
QString fileName(const QString& name, qreal scale) { return scale == 1 ? name : vandrel::doubleDensityName(name); }

bool save(const QImage& image, const QString& file) {
    if (QDir().mkpath(QFileInfo(file).path()) && image.save(file, "PNG")) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s <folder> <major> <minor> [<qm>]\n", argv[0]);
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
    QList<QList<vandrel::SkinImage>> chinese;
    for (qreal scale : kScales) {
        chinese.append(vandrel::drawSkinSet(scale));
        // A dialog's skins live in a folder of their own.
        for (const vandrel::SkinImage& skin : chinese.last())
            if (!save(skin.image, png.filePath(fileName(skin.name, scale)))) return 1;
    }
    if (argc == 5) {
        QTranslator english;
        const QDir en(png.filePath(QStringLiteral("en")));
        if (!english.load(QString::fromLocal8Bit(argv[4])) || !QDir().mkpath(en.path())) {
            std::fprintf(stderr, "cannot load %s or create %s\n", argv[4], qPrintable(en.path()));
            return 1;
        }
        QCoreApplication::installTranslator(&english);
        for (int s = 0; s < chinese.size(); ++s) {
            const QList<vandrel::SkinImage> translated = vandrel::drawSkinSet(kScales[s]);
            for (int i = 0; i < translated.size(); ++i) {
                const QString file = en.filePath(fileName(translated[i].name, kScales[s]));
                if (translated[i].image == chinese[s].value(i).image) QFile::remove(file);
                else if (!save(translated[i].image, file)) return 1;
            }
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
