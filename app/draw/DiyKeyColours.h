#pragma once
// The keys of a custom colour map as the keyboard picture shows them: each
// key with a colour is filled with it and carries its legend in the opposite
// colour, over a shadow that keeps it readable. Black keys and the media keys
// are left as the picture has them. The window draws its keyboard with it,
// and so does the picture a map is exported as.

#include <QPoint>
#include <QString>
#include <array>

#include "device/DeviceImage.h"
#include "keymap/KeyTables.h"

class QPainter;

namespace vandrel {

// Draws map `map` (0..4) of `image` onto the keyboard picture whose top-left
// corner is at `origin`. `legends`: what each key types in the desktop's
// layout where it differs from the printed legend (empty entries, or none,
// keep the printed one).
void drawDiyKeyColours(QPainter& p, const DeviceImage& image, int map, QPoint origin,
                       const std::array<QString, kPhysicalSlots>* legends = nullptr);

}  // namespace vandrel
