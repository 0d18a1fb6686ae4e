#pragma once
// The main window's button table: one entry per hit code 0..21, each a
// rectangle (both edges inclusive) and the names of its normal, hover and
// pressed images. The window draws its images itself; the names document the
// skin set. The rectangles of the panel entries (9..12, 18..21) follow the
// panel layout and are recomputed before every hit test.

#include <array>
#include <cstdint>
#include <string>

#include "app/model/PanelTables.h"

namespace vandrel {

struct HitRect {
    int left, top, right, bottom;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct MainButton {
    HitRect rect;
    std::string normal, hover, pressed;
    uint32_t state = 0;
};

constexpr int kMainButtons = 22;

class MainButtonTable {
public:
    MainButtonTable();
    void applyLayout(const PanelLayout& layout);
    const MainButton& operator[](int code) const { return m_buttons[code]; }
    const HitRect& rect(int code) const { return m_buttons[code].rect; }

private:
    std::array<MainButton, kMainButtons> m_buttons;
};

}  // namespace vandrel
