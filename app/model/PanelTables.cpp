#include "app/model/PanelTables.h"

#include "util/TrNoop.h"

namespace vandrel {

// The panel's names of the settings table's effects, row by row.
const std::array<LedEffect, kEffectRows> LedEffectTable = {{
    {config::kEffects[0].code, VANDREL_TR_NOOP("PanelTables", "全亮")},
    {config::kEffects[1].code, VANDREL_TR_NOOP("PanelTables", "呼吸")},
    {config::kEffects[2].code, VANDREL_TR_NOOP("PanelTables", "波浪")},
    {config::kEffects[3].code, VANDREL_TR_NOOP("PanelTables", "随按渐灭")},
    {config::kEffects[4].code, VANDREL_TR_NOOP("PanelTables", "蛇形跑马")},
    {config::kEffects[5].code, VANDREL_TR_NOOP("PanelTables", "涟漪")},
    {config::kEffects[6].code, VANDREL_TR_NOOP("PanelTables", "霓虹")},
    {config::kEffects[7].code, VANDREL_TR_NOOP("PanelTables", "雨滴")},
    {config::kEffects[8].code, VANDREL_TR_NOOP("PanelTables", "环形跑马")},
    {config::kEffects[9].code, VANDREL_TR_NOOP("PanelTables", "对冲")},
    {config::kEffects[10].code, VANDREL_TR_NOOP("PanelTables", "雷达")},
    {config::kEffects[11].code, "DIY1"},
    {config::kEffects[12].code, "DIY2"},
    {config::kEffects[13].code, "DIY3"},
    {config::kEffects[14].code, "DIY4"},
    {config::kEffects[15].code, "DIY5"},
}};

const std::array<const char*, kResponseRows> ResponseTimeNames = {
    "2ms", "4ms", "6ms", "8ms", "10ms", "12ms", "14ms", "16ms", "18ms", "20ms",
};

const char* effectName(uint8_t code) {
    for (const LedEffect& e : LedEffectTable)
        if (e.code == code) return e.name;
    return nullptr;
}

}  // namespace vandrel
