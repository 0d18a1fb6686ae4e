#include "app/model/PanelTables.h"

namespace vandrel {

const std::array<LedEffect, kEffectRows> LedEffectTable = {{
    {1, "全亮"},
    {2, "呼吸"},
    {3, "波浪"},
    {4, "随按渐灭"},
    {5, "蛇形跑马"},
    {6, "涟漪"},
    {8, "霓虹"},
    {10, "雨滴"},
    {11, "环形跑马"},
    {12, "对冲"},
    {13, "雷达"},
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
