#pragma once
// Where each of the 108 physical keys sits on the keyboard picture: its
// rectangle (both edges belong to the key for hit testing) and the position of
// its label, relative to the picture's top-left corner.

#include <array>

#include "keymap/KeyTables.h"

namespace vandrel {

// The keyboard picture's top-left corner in the main window.
constexpr int kKeyboardOriginX = 328;
constexpr int kKeyboardOriginY = 153;

struct KeyRect {
    int left, top, right, bottom;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct KeyGeometryRow {
    KeyRect rect;
    const char* label;  // UTF-8; empty for the four media keys
    int labelX, labelY;
};

extern const std::array<KeyGeometryRow, kPhysicalSlots> KeyGeometry;

inline bool isMediaSlot(int slot) { return slot >= kFirstMediaSlot && slot <= kLastMediaSlot; }

}  // namespace vandrel
