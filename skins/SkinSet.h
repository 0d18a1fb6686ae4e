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

// The whole set drawn for `scale` device pixels per logical pixel: 1 for the
// plain images, 2 for the double ones ("name@2x.png") that screens of higher
// density use. Every image keeps its logical size at every scale.
QList<SkinImage> drawSkinSet(qreal scale = 1);
// The macro manager's images and the list box pictures (part of the set).
QList<SkinImage> drawMacroSkins(qreal scale);

// VER.bin: 12 bytes of text, "Ver: M.m" padded with blanks; the major digit is
// byte 5 and the minor digit byte 7.
QByteArray versionFileBytes(int major, int minor);

}  // namespace vandrel
