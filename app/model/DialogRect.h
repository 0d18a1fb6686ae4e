#pragma once
// A rectangle of a dialog's hit table, in dialog coordinates; it includes both
// edges, as every hit area of the skinned windows does.

namespace vandrel {

struct DialogRect {
    int left, top, right, bottom;
    constexpr bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    constexpr int width() const { return right - left + 1; }
    constexpr int height() const { return bottom - top + 1; }
};

}  // namespace vandrel
