#include "app/model/PanelTables.h"

#include "util/TrNoop.h"

namespace vandrel {

const std::array<LedEffect, kEffectRows> LedEffectTable = {{
    {1, VANDREL_TR_NOOP("PanelTables", "全亮")},
    {2, VANDREL_TR_NOOP("PanelTables", "呼吸")},
    {3, VANDREL_TR_NOOP("PanelTables", "波浪")},
    {4, VANDREL_TR_NOOP("PanelTables", "随按渐灭")},
    {5, VANDREL_TR_NOOP("PanelTables", "蛇形跑马")},
    {6, VANDREL_TR_NOOP("PanelTables", "涟漪")},
    {8, VANDREL_TR_NOOP("PanelTables", "霓虹")},
    {10, VANDREL_TR_NOOP("PanelTables", "雨滴")},
    {11, VANDREL_TR_NOOP("PanelTables", "环形跑马")},
    {12, VANDREL_TR_NOOP("PanelTables", "对冲")},
    {13, VANDREL_TR_NOOP("PanelTables", "雷达")},
    {51, "DIY1"},
    {52, "DIY2"},
    {53, "DIY3"},
    {54, "DIY4"},
    {55, "DIY5"},
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
