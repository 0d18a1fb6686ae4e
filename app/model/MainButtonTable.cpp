#include "app/model/MainButtonTable.h"

namespace vandrel {

MainButtonTable::MainButtonTable() {
    auto set = [this](int code, HitRect r, const char* normal, const char* hover = "", const char* pressed = "") {
        m_buttons[code] = MainButton{r, normal, hover, pressed, 0};
    };
    set(0, {936, 5, 952, 20}, "button-help-normal.png", "button-help-over.png");
    set(1, {957, 5, 973, 20}, "button-min-normal.png", "button-min-over.png");
    set(2, {978, 5, 994, 20}, "button-close-normal.png", "button-close-over.png");
    set(3, {28, 158, 248, 173}, "Light_Item.png");
    set(4, {29, 197, 64, 212}, "Direction-T-Disable.png", "Direction-T-Enable.png");
    set(5, {79, 197, 114, 212}, "Direction-B-Disable.png", "Direction-B-Enable.png");
    set(6, {129, 197, 164, 212}, "Direction-R-Disable.png", "Direction-R-Enable.png");
    set(7, {179, 197, 214, 212}, "Direction-L-Disable.png", "Direction-L-Enable.png");
    set(8, {28, 258, 245, 280}, "1.png");
    set(9, {28, 326, 250, 344}, "macroButton3.png");
    set(10, {34, 397, 44, 406}, "Disable.png", "Enable.png");
    set(11, {88, 397, 98, 406}, "Disable.png", "Enable.png");
    set(12, {28, 455, 247, 470}, "Light_Item.png");
    set(13, {35, 534, 247, 543}, "125Hz.png");
    set(14, {19, 605, 89, 633}, "Config.png");
    set(15, {800, 605, 857, 635}, "button-cancel-normal.png", "button-cancel-over.png");
    set(16, {861, 605, 918, 635}, "button-cancel-normal.png", "button-cancel-over.png");
    set(17, {923, 605, 980, 635}, "button-save-normal.png", "button-save-over.png");
    set(18, {19, 110, 260, 127}, "light_BK.png", "button-save-normal.png", "button-save-over.png");
    set(19, {19, 363, 260, 380}, "light_BK.png", "button-save-normal.png", "button-save-over.png");
    set(20, {19, 427, 260, 444}, "light_BK.png", "button-save-normal.png", "button-save-over.png");
    set(21, {19, 507, 260, 524}, "light_BK.png", "button-save-normal.png", "button-save-over.png");
}

void MainButtonTable::applyLayout(const PanelLayout& p) {
    m_buttons[9].rect = {19, p.macroY + 10, 259, p.macroY + 28};
    m_buttons[10].rect = {34, p.gameModeY + 33, 44, p.gameModeY + 42};
    m_buttons[11].rect = {88, p.gameModeY + 33, 115, p.gameModeY + 42};
    m_buttons[12].rect = {28, p.responseY + 28, 248, p.responseY + 44};
    m_buttons[18].rect = {19, kLightingHeaderY, 261, kLightingHeaderY + 20};
    m_buttons[19].rect = {19, p.gameModeY, 261, p.gameModeY + 20};
    m_buttons[20].rect = {19, p.responseY, 261, p.responseY + 20};
    m_buttons[21].rect = {19, p.reportY, 261, p.reportY + 20};
}

}  // namespace vandrel
