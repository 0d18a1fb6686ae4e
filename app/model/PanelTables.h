#pragma once
// The effect list and the response-time list of the lighting and performance
// panel, and the panel's section layout.

#include <array>
#include <cstdint>

#include "config/Settings.h"

namespace vandrel {

struct LedEffect {
    uint8_t code;      // what the keyboard receives
    const char* name;  // UTF-8
};

// One row for each effect of the settings table, in its order, and one for
// each response time.
constexpr int kEffectRows = static_cast<int>(config::kEffects.size());
constexpr int kResponseRows = config::kResponseSteps;
constexpr uint8_t kFirstDiyEffect = config::kFirstDiyEffect;  // codes 51..55 use custom map code - 51
constexpr uint8_t kNoListRow = 255;

extern const std::array<LedEffect, kEffectRows> LedEffectTable;
extern const std::array<const char*, kResponseRows> ResponseTimeNames;

// The name of the effect whose code is `code`, or nullptr.
const char* effectName(uint8_t code);

inline bool isDiyEffect(uint8_t code) { return config::isDiyEffect(code); }

// Section positions of the left panel. The lighting header never moves; the
// sections below it slide up by 195 pixels while the lighting section is
// collapsed, and the report-rate section by another 35 while the
// response-time section is collapsed.
struct PanelLayout {
    int macroY;         // y_m
    int gameModeY;      // y_g
    int responseY;      // y_r
    int reportY;        // y_p
    int responseListTop;

    static PanelLayout compute(bool lightingCollapsed, bool responseCollapsed) {
        const int a = lightingCollapsed ? 30 : 225;
        PanelLayout p{};
        p.macroY = a + 110;
        p.gameModeY = a + 165;
        p.responseY = a + 220;
        p.reportY = p.responseY + (responseCollapsed ? 40 : 75);
        p.responseListTop = p.responseY - 173;
        return p;
    }
};

constexpr int kPanelX = 19;
constexpr int kLightingHeaderY = 110;
constexpr int kEffectListTop = 173;
constexpr int kListRowHeight = 20;
// One past the last y of the effect list (16 rows of 20 pixels).
constexpr int kEffectListBottom = kEffectListTop + kEffectRows * kListRowHeight;  // 493

}  // namespace vandrel
