#include "app/draw/DiyKeyColours.h"

#include <QPainter>

#include "app/draw/KeyLegend.h"
#include "app/model/KeyGeometry.h"
#include "keymap/KeyTables.h"

namespace vandrel {

namespace {

// The shadow that keeps a legend readable on a custom key colour: black under
// light ink, white under dark ink.
QColor shadowFor(const QColor& ink) { return qGray(ink.rgb()) >= 128 ? QColor(Qt::black) : QColor(Qt::white); }

}  // namespace

void drawDiyKeyColours(QPainter& p, const DeviceImage& image, int map, QPoint origin,
                       const std::array<QString, kPhysicalSlots>* legends) {
    if (map < 0 || map >= static_cast<int>(kDiyMapCount)) return;
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        if (isMediaSlot(slot)) continue;
        const uint8_t* cell = image.diyMaps[map] + SlotCellOffset[slot];
        const int r = cell[1], g = cell[2], b = cell[3];
        if (r == 0 && g == 0 && b == 0) continue;  // black keys show the picture
        const KeyRect& key = KeyGeometry[slot].rect;
        p.fillRect(key.left + origin.x(), key.top + origin.y(), key.right - key.left, key.bottom - key.top,
                   QColor(r, g, b));
        const QColor ink(255 - r, 255 - g, 255 - b);
        const QString* layout = legends ? &(*legends)[static_cast<size_t>(slot)] : nullptr;
        drawKeyLegend(p, slot, layout && !layout->isEmpty() ? *layout : keyLegend(slot), origin, ink, shadowFor(ink));
    }
}

}  // namespace vandrel
