#pragma once
// The skin set of the main window, its panel, its sliders and the splash,
// drawn in code so that every image has exactly the size its place in the
// window implies and the keyboard picture matches the key geometry.

#include <QImage>
#include <QList>
#include <QString>

namespace vandrel {

struct SkinImage {
    QString name;  // file name inside png/, case as the window asks for it
    QImage image;
};

QList<SkinImage> drawSkinSet();
// The macro manager's images and the list box pictures (part of the set).
QList<SkinImage> drawMacroSkins();

// VER.bin: 12 bytes of text, "Ver: M.m" padded with blanks; the major digit is
// byte 5 and the minor digit byte 7.
QByteArray versionFileBytes(int major, int minor);

}  // namespace vandrel
