// The main window's model with whatever bytes a keyboard or keymap.bin may put
// into the configuration: layout, hit tests, clicks, moves and the drawing plan
// must stay inside their tables and the window, and the sliders' values must
// stay inside their ranges.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/model/MainWindowModel.h"
#include "app/model/PanelTables.h"

using namespace vandrel;

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 650;

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte counts the 4-byte input events that follow; the bytes
    // after them are the configuration (a short one leaves the rest zero).
    if (size < 1) return 0;
    const size_t eventBytes = std::min<size_t>(size_t{data[0]} * 4, size - 1);
    const uint8_t* events = data + 1;
    DeviceImage image{};
    std::memcpy(image.bytes(), events + eventBytes, std::min(size - 1 - eventBytes, sizeof image));
    data = events;
    size = eventBytes;

    MainWindowModel model;
    // Open every section first so that the lists and sliders are reachable.
    PanelState& panel = model.panel();
    panel.lightingCollapsed = panel.gameModeCollapsed = panel.responseCollapsed = panel.reportCollapsed = false;

    for (; size >= 4; data += 4, size -= 4) {
        const int x = (data[0] | (data[1] << 8)) % (kWindowWidth + 40) - 20;
        const int y = (data[2] | ((data[3] & 0x3F) << 8)) % (kWindowHeight + 40) - 20;
        switch (data[3] >> 6) {
        case 0: model.mouseMove(x, y, false, image); break;
        case 1: model.mouseMove(x, y, true, image); break;
        case 2:
            model.leftButtonDown();
            model.leftButtonUp(x, y, image);
            break;
        default: {
            const int hit = model.hitTest(x, y, image);
            check(hit >= kHitNone && hit <= kHitDiyPaint);
            const int key = model.keyHitTest(x, y);
            check(key >= -1 && key < kPhysicalSlots);
            break;
        }
        }
        const SliderPlan plan = model.prepareDrawing(image);
        check(plan.reportTop >= 0 && plan.reportTop < kWindowHeight);
        const PanelState& p = model.panel();
        check(p.effectHoverRow == kNoListRow || p.effectHoverRow < LedEffectTable.size());
        check(p.responseHoverRow == kNoListRow || p.responseHoverRow < ResponseTimeNames.size());
        check(model.hoveredKey() == kNoSlot || model.hoveredKey() < kPhysicalSlots);
        const int map = diyMapIndex(image.ledEffect);
        check(map >= -1 && map < static_cast<int>(kDiyMapCount));
        for (int maximum : {3, 9, 50})
            for (int position = 0; position <= maximum; ++position) {
                const uint8_t v = sliderValue(image.reportRate, position, maximum);
                check(v == image.reportRate || v <= maximum);
            }
    }
    return 0;
}
