#pragma once
// The effect list and the response-time list of the lighting and performance
// panel, and the panel's section layout.

#include <array>
#include <cstdint>

namespace vandrel {

struct LedEffect {
    uint8_t code;      // what the keyboard receives
    const char* name;  // UTF-8
};

constexpr int kEffectRows = 16;
constexpr int kResponseRows = 10;
constexpr uint8_t kFirstDiyEffect = 51;  // codes 51..55 use custom map code - 51
constexpr uint8_t kNoListRow = 255;

extern const std::array<LedEffect, kEffectRows> LedEffectTable;
extern const std::array<const char*, kResponseRows> ResponseTimeNames;

// The name of the effect whose code is `code`, or nullptr.
const char* effectName(uint8_t code);

inline bool isDiyEffect(uint8_t code) { return code > 50; }

// Section positions of the left panel. The lighting header never moves; each
// section below starts kSectionGap pixels below what the one above it shows
// (its bar when collapsed, its box when open), so the gaps are even however
// the sections are opened.
struct PanelLayout {
    int macroY;         // y_m
    int gameModeY;      // y_g
    int responseY;      // y_r
    int reportY;        // y_p
    int responseListTop;

    static constexpr int kSectionGap = 4;
    // What each section shows, from its top: the lighting section's bar and
    // box, the macro block, the game-mode and response-time boxes when open.
    static constexpr int kBarHeight = 20;
    static constexpr int kLightingOpenHeight = 225;
    static constexpr int kMacroBlockHeight = 51;
    static constexpr int kGameModeOpenHeight = 52;
    static constexpr int kResponseOpenHeight = 71;

    static PanelLayout compute(bool lightingCollapsed, bool gameModeCollapsed, bool responseCollapsed) {
        PanelLayout p{};
        p.macroY = 110 + (lightingCollapsed ? kBarHeight : kLightingOpenHeight) + kSectionGap;
        p.gameModeY = p.macroY + kMacroBlockHeight + kSectionGap;
        p.responseY = p.gameModeY + (gameModeCollapsed ? kBarHeight : kGameModeOpenHeight) + kSectionGap;
        p.reportY = p.responseY + (responseCollapsed ? kBarHeight : kResponseOpenHeight) + kSectionGap;
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
