#include "app/model/DiyPaintModel.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "app/model/KeyDescription.h"
#include "app/model/PanelTables.h"
#include "util/TrNoop.h"

namespace vandrel {

namespace {

constexpr const char* kContext = "vandrel::DiyPaintModel";

// A row of buttons and the maps under the keyboard picture, between the
// band that says no keyboard is connected (y 440..479) and the window's note
// on the media keys (from y 560).
constexpr int kRowA = 484, kRowHeight = 19;
constexpr int kMapsTop = 510, kMapsBottom = 555, kMapPitch = 92, kMapWidth = 84, kMapCaption = 12;
constexpr int kMapButtonsX = kKeyboardOriginX + kMapPitch * static_cast<int>(kDiyMapCount) + 12;
// The picture's area, where a selection rectangle may start between the keys.
constexpr HitRect kPictureArea{kKeyboardOriginX, kKeyboardOriginY, kKeyboardOriginX + 649, kKeyboardOriginY + 261};

HitRect swatch(int k, int top) { return {28 + 25 * k, top, 48 + 25 * k, top + 20}; }
constexpr int kPaletteTop = 223, kRecentTop = 295;

std::vector<DiyTool> makeTools() {
    constexpr int b = kMapsTop, c = kMapsTop + 26, h = kRowHeight, x = kMapButtonsX;
    std::vector<DiyTool> t = {
        {kDiyFillId, {328, kRowA, 387, kRowA + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "填充")},
        {kDiyZoneId, {393, kRowA, 502, kRowA + h}, nullptr},  // shows the zone chosen
        {kDiyFillZoneId, {508, kRowA, 577, kRowA + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "填充区域")},
        {kDiyGradientHId, {583, kRowA, 662, kRowA + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "横向渐变")},
        {kDiyGradientVId, {668, kRowA, 747, kRowA + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "纵向渐变")},
        {kDiySecondId, {753, kRowA, 772, kRowA + h}, nullptr},  // a swatch
        {kDiyImportId, {784, kRowA, 878, kRowA + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "导入图片…")},
        {kDiyExportId, {884, kRowA, 977, kRowA + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "导出图片…")},
        {kDiyCopyId, {x, b, x + 78, b + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "复制到…")},
        {kDiySwapId, {x + 84, b, 977, b + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "交换…")},
        {kDiyClearMapId, {x, c, x + 78, c + h}, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "清空灯效")},
    };
    for (int m = 0; m < static_cast<int>(kDiyMapCount); ++m) {
        const int x = kKeyboardOriginX + kMapPitch * m;
        t.push_back({kDiyMapBase + m, {x, kMapsTop, x + kMapWidth - 1, kMapsBottom}, nullptr});
    }
    return t;
}

std::string text(const TextLookup& tr, const char* source) { return lookUpText(tr, kContext, source); }

std::string colourName(Rgb c, const TextLookup& tr) { return colourText(c.r, c.g, c.b, tr); }

}  // namespace

int diyMapOf(const DeviceImage& image) {
    if (!isDiyEffect(image.ledEffect)) return -1;
    const int map = image.ledEffect - kFirstDiyEffect;
    return map >= 0 && map < static_cast<int>(kDiyMapCount) ? map : -1;
}

const std::vector<DiyTool>& diyTools() {
    static const std::vector<DiyTool> tools = makeTools();
    return tools;
}

HitRect diyToolRect(int id) {
    if (id == kDiyBrushId) return swatch(0, kPaletteTop);
    if (id >= kDiyPaletteBase && id < kDiyPaletteBase + kDiyPaletteCount) return swatch(id - kDiyPaletteBase + 1, kPaletteTop);
    if (id >= kDiyRecentBase && id < kDiyRecentBase + kDiyRecentCount) return swatch(id - kDiyRecentBase, kRecentTop);
    for (const DiyTool& t : diyTools())
        if (t.id == id) return t.rect;
    return {0, 0, -1, -1};
}

HitRect diyThumbnailRect(int map) {
    const HitRect r = diyToolRect(kDiyMapBase + map);
    return {r.left, r.top + kMapCaption, r.right, r.bottom};
}

const char* diyZoneLabel(DiyZone zone) {
    switch (zone) {
    case DiyZone::Letters: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "字母");
    case DiyZone::Digits: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "数字");
    case DiyZone::FunctionRow: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "功能键");
    case DiyZone::Wasd: return "WASD";
    case DiyZone::Arrows: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "方向键");
    case DiyZone::Navigation: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "编辑键");
    case DiyZone::Numpad: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "小键盘");
    case DiyZone::Modifiers: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "修饰键");
    case DiyZone::All: return VANDREL_TR_NOOP("vandrel::DiyPaintModel", "全部");
    }
    return "";
}

bool DiyPaintModel::selected(int slot) const {
    return std::binary_search(m_selection.begin(), m_selection.end(), slot);
}

std::vector<int> DiyPaintModel::clearSelection() { return std::exchange(m_selection, {}); }

bool DiyPaintModel::band(HitRect& rect) const {
    if (m_stroke != Stroke::Band) return false;
    rect = {std::min(m_bandX, m_lastX), std::min(m_bandY, m_lastY), std::max(m_bandX, m_lastX), std::max(m_bandY, m_lastY)};
    return true;
}

int DiyPaintModel::toolAt(int x, int y, bool panelOpen) const {
    if (panelOpen) {
        for (int id = kDiyBrushId; id < kDiyPaletteBase + kDiyPaletteCount; ++id)
            if (diyToolRect(id).contains(x, y)) return id;
        // Only the colours used so far are there to click.
        for (int k = 0; k < static_cast<int>(m_recent.size()); ++k)
            if (diyToolRect(kDiyRecentBase + k).contains(x, y)) return kDiyRecentBase + k;
    }
    for (const DiyTool& t : diyTools())
        if (t.rect.contains(x, y)) return t.id;
    return -1;
}

int DiyPaintModel::keyAt(int x, int y) {
    const int px = x - kKeyboardOriginX, py = y - kKeyboardOriginY;
    for (int slot : diyPaintableSlots())
        if (KeyGeometry[static_cast<size_t>(slot)].rect.contains(px, py)) return slot;
    return -1;
}

void DiyPaintModel::used(Rgb colour) {
    m_recent.erase(std::remove(m_recent.begin(), m_recent.end(), colour), m_recent.end());
    m_recent.insert(m_recent.begin(), colour);
    if (m_recent.size() > kDiyRecentCount) m_recent.resize(kDiyRecentCount);
}

void DiyPaintModel::strokeKey(int slot, DeviceImage& image, DiyResult& r) {
    const int map = diyMapOf(image);
    if (slot < 0 || map < 0) return;
    if (setDiyKeyColour(image, map, slot, m_stroke == Stroke::Erase ? Rgb{} : m_brush)) {
        ++m_strokeChanged;
        r.keys.push_back(slot);
    }
}

DiyResult DiyPaintModel::press(int x, int y, DiyButton button, DiyModifiers mods, DeviceImage& image, bool panelOpen) {
    DiyResult r;
    if (diyMapOf(image) < 0 || active()) return r;
    const int slot = keyAt(x, y);
    if (button == DiyButton::Right) {
        // The eyedropper: the key's colour becomes the brush.
        if (slot < 0) return r;
        setBrush(diyKeyColour(image, diyMapOf(image), slot));
        r.handled = r.redraw = true;
        return r;
    }
    if (mods.alt && kPictureArea.contains(x, y)) {
        m_stroke = Stroke::Band;
        m_bandX = m_lastX = x;
        m_bandY = m_lastY = y;
        r.handled = r.redraw = true;
        return r;
    }
    if (slot >= 0) {
        // The colour dialog, as the window's own click.
        if (mods.shift || (!mods.ctrl && !m_brushOn)) return r;
        m_stroke = mods.ctrl ? Stroke::Erase : Stroke::Paint;
        m_strokeChanged = 0;
        m_lastX = x;
        m_lastY = y;
        r.handled = true;
        strokeKey(slot, image, r);
        return r;
    }
    const int tool = toolAt(x, y, panelOpen);
    if (tool < 0) return r;
    m_pressedTool = tool;
    r.handled = r.redraw = true;
    return r;
}

DiyResult DiyPaintModel::move(int x, int y, DeviceImage& image) {
    DiyResult r;
    if (m_stroke == Stroke::None) return r;
    r.handled = true;
    if (m_stroke == Stroke::Band) {
        m_lastX = x;
        m_lastY = y;
        r.redraw = true;
        return r;
    }
    // Every key on the way from the last point, however fast the pointer went.
    const int dx = x - m_lastX, dy = y - m_lastY;
    const int steps = std::max(std::abs(dx), std::abs(dy)) / 3 + 1;
    int last = -1;
    for (int i = 1; i <= steps; ++i) {
        const int slot = keyAt(m_lastX + dx * i / steps, m_lastY + dy * i / steps);
        if (slot == last) continue;
        last = slot;
        strokeKey(slot, image, r);
    }
    m_lastX = x;
    m_lastY = y;
    return r;
}

DiyResult DiyPaintModel::release(int x, int y, DeviceImage& image, bool panelOpen) {
    DiyResult r;
    if (m_pressedTool >= 0) {
        const int tool = std::exchange(m_pressedTool, -1);
        r = toolAt(x, y, panelOpen) == tool ? activate(tool, image) : DiyResult{};
        r.handled = r.redraw = true;
        return r;
    }
    if (m_stroke == Stroke::None) return r;
    r = move(x, y, image);
    const Stroke stroke = std::exchange(m_stroke, Stroke::None);
    if (stroke == Stroke::Band) {
        HitRect band{std::min(m_bandX, x), std::min(m_bandY, y), std::max(m_bandX, x), std::max(m_bandY, y)};
        r = setSelection(diySlotsInRect({band.left - kKeyboardOriginX, band.top - kKeyboardOriginY,
                                         band.right - kKeyboardOriginX, band.bottom - kKeyboardOriginY}));
        r.redraw = true;  // the rectangle goes
        return r;
    }
    r.changed = m_strokeChanged > 0;
    if (r.changed && stroke == Stroke::Paint) {
        used(m_brush);
        r.redraw = true;  // the recent colours
    }
    return r;
}

DiyResult DiyPaintModel::setSelection(std::vector<int> slots) {
    DiyResult r;
    r.handled = true;
    std::sort(slots.begin(), slots.end());
    m_anchor = -1;
    // Keys that gain or lose their mark.
    std::set_symmetric_difference(m_selection.begin(), m_selection.end(), slots.begin(), slots.end(),
                                  std::back_inserter(r.keys));
    m_selection = std::move(slots);
    return r;
}

DiyResult DiyPaintModel::selectSpan(int anchor, int slot) {
    if (!diyPaintable(anchor) || !diyPaintable(slot)) return {};
    const KeyRect& a = KeyGeometry[static_cast<size_t>(anchor)].rect;
    const KeyRect& b = KeyGeometry[static_cast<size_t>(slot)].rect;
    // The centres span the rectangle: keys of the rows between that only
    // touch it at an edge stay out.
    const int ax = (a.left + a.right) / 2, ay = (a.top + a.bottom) / 2;
    const int bx = (b.left + b.right) / 2, by = (b.top + b.bottom) / 2;
    return setSelection(diySlotsInRect({ax, ay, bx, by}));
}

DiyResult DiyPaintModel::extendSelection(int from, int to) {
    if (m_anchor < 0 || m_selection.empty()) m_anchor = from;
    const int anchor = m_anchor;
    DiyResult r = selectSpan(anchor, to);
    m_anchor = anchor;
    return r;
}

std::vector<int> DiyPaintModel::target() const { return m_selection.empty() ? diyPaintableSlots() : m_selection; }

DiyResult DiyPaintModel::fill(DeviceImage& image, const std::vector<int>& slots, Rgb colour) {
    DiyResult r;
    r.handled = true;
    const int map = diyMapOf(image);
    if (map < 0) return r;
    for (int slot : slots)
        if (setDiyKeyColour(image, map, slot, colour)) r.keys.push_back(slot);
    r.changed = !r.keys.empty();
    used(colour);
    r.redraw = true;
    return r;
}

DiyResult DiyPaintModel::paintKey(int slot, DeviceImage& image) {
    if (!diyPaintable(slot)) return {};
    return fill(image, {slot}, m_brush);
}

DiyResult DiyPaintModel::clearKey(int slot, DeviceImage& image) {
    DiyResult r;
    r.handled = true;
    const int map = diyMapOf(image);
    if (map >= 0 && setDiyKeyColour(image, map, slot, Rgb{})) {
        r.keys.push_back(slot);
        r.changed = true;
    }
    return r;
}

int DiyPaintModel::importColours(DeviceImage& image, const std::array<Rgb, kPhysicalSlots>& colours) {
    const int map = diyMapOf(image);
    return map < 0 ? 0 : importDiyColours(image, map, colours);
}

DiyResult DiyPaintModel::mapClicked(int map, DeviceImage& image) {
    DiyResult r;
    r.handled = r.redraw = true;
    const int shown = diyMapOf(image);
    const MapOperation op = std::exchange(m_pending, MapOperation::None);
    if (op == MapOperation::None || shown < 0) {
        // The map chosen is the one painted (and the effect the keyboard shows).
        image.ledEffect = static_cast<uint8_t>(kFirstDiyEffect + map);
        return r;
    }
    if (map == shown) return r;  // onto itself: nothing to do
    r.changed = (op == MapOperation::Copy ? copyDiyMap(image, shown, map) : swapDiyMaps(image, shown, map)) > 0;
    return r;
}

DiyResult DiyPaintModel::activate(int id, DeviceImage& image) {
    DiyResult r;
    r.handled = r.redraw = true;
    const int map = diyMapOf(image);
    if (map < 0) return {};
    if (id != kDiyCopyId && id != kDiySwapId && !(id >= kDiyMapBase && id <= kDiyLastId)) m_pending = MapOperation::None;
    if (id == kDiyBrushId) {
        r.command = DiyCommand::PickBrush;
    } else if (id >= kDiyPaletteBase && id < kDiyPaletteBase + kDiyPaletteCount) {
        const uint8_t* rgb = image.ledPalette[id - kDiyPaletteBase];
        setBrush({rgb[0], rgb[1], rgb[2]});
    } else if (id >= kDiyRecentBase && id < kDiyRecentBase + kDiyRecentCount) {
        const size_t k = static_cast<size_t>(id - kDiyRecentBase);
        if (k < m_recent.size()) setBrush(m_recent[k]);
    } else if (id >= kDiyMapBase && id <= kDiyLastId) {
        return mapClicked(id - kDiyMapBase, image);
    } else {
        switch (id) {
        case kDiyFillId: return fill(image, target(), m_brush);
        case kDiyZoneId: m_zone = static_cast<DiyZone>((static_cast<int>(m_zone) + 1) % kDiyZoneCount); break;
        case kDiyFillZoneId: return fill(image, diyZoneSlots(m_zone), m_brush);
        case kDiyGradientHId:
        case kDiyGradientVId: {
            const std::vector<int> slots = target();
            const int changed = gradientDiyKeys(image, map, slots, m_brush, m_second,
                                                id == kDiyGradientHId ? GradientAxis::Horizontal : GradientAxis::Vertical);
            r.changed = changed > 0;
            used(m_second);
            used(m_brush);
            break;
        }
        case kDiySecondId: r.command = DiyCommand::PickSecond; break;
        case kDiyImportId: r.command = DiyCommand::ImportPicture; break;
        case kDiyExportId: r.command = DiyCommand::ExportPicture; break;
        case kDiyCopyId: m_pending = m_pending == MapOperation::Copy ? MapOperation::None : MapOperation::Copy; break;
        case kDiySwapId: m_pending = m_pending == MapOperation::Swap ? MapOperation::None : MapOperation::Swap; break;
        case kDiyClearMapId: r.changed = clearDiyMap(image, map) > 0; break;
        default: return {};
        }
    }
    return r;
}

void DiyPaintModel::panelElements(UiElements& out, const DeviceImage& image, const TextLookup& tr) const {
    UiElement brush = uiElement(kDiyBrushId, UiRole::Button, diyToolRect(kDiyBrushId),
                                fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "画笔，%1")),
                                                 {colourName(m_brush, tr)}));
    brush.description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "选择画笔颜色"));
    out.push_back(std::move(brush));
    for (int k = 0; k < kDiyPaletteCount; ++k) {
        const uint8_t* rgb = image.ledPalette[k];
        out.push_back(uiElement(kDiyPaletteBase + k, UiRole::Button, diyToolRect(kDiyPaletteBase + k),
                                fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "调色板 %1，%2")),
                                                 {std::to_string(k + 1), colourText(rgb[0], rgb[1], rgb[2], tr)})));
        out.back().description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "用作画笔颜色"));
    }
    for (size_t k = 0; k < m_recent.size(); ++k) {
        const int id = kDiyRecentBase + static_cast<int>(k);
        out.push_back(uiElement(id, UiRole::Button, diyToolRect(id),
                                fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "最近使用 %1，%2")),
                                                 {std::to_string(k + 1), colourName(m_recent[k], tr)})));
        out.back().description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "用作画笔颜色"));
    }
}

void DiyPaintModel::stripElements(UiElements& out, const DeviceImage& image, const TextLookup& tr) const {
    const int shown = diyMapOf(image);
    for (const DiyTool& t : diyTools()) {
        std::string name = t.label ? text(tr, t.label) : std::string();
        UiRole role = UiRole::Button;
        std::string description;
        bool checked = false, checkable = false;
        switch (t.id) {
        case kDiyFillId:
            description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "用画笔颜色填充所选按键，未选择时填充全部按键"));
            break;
        case kDiyZoneId:
            name = fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "区域：%1")),
                                    {text(tr, diyZoneLabel(m_zone))});
            description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "按下选择下一个区域"));
            break;
        case kDiyFillZoneId:
            description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "用画笔颜色填充所选区域"));
            break;
        case kDiyGradientHId:
        case kDiyGradientVId:
            description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "从画笔颜色到第二颜色，用于所选按键或全部按键"));
            break;
        case kDiySecondId:
            name = fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "第二颜色，%1")),
                                    {colourName(m_second, tr)});
            break;
        case kDiyCopyId:
        case kDiySwapId:
            checkable = true;
            checked = m_pending == (t.id == kDiyCopyId ? MapOperation::Copy : MapOperation::Swap);
            description = text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "然后选择另一个灯效"));
            break;
        default:
            if (t.id >= kDiyMapBase) {
                const int map = t.id - kDiyMapBase;
                role = UiRole::RadioButton;
                name = fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "DIY 灯效 %1")),
                                        {std::to_string(map + 1)});
                checkable = true;
                checked = map == shown;
                if (m_pending != MapOperation::None)
                    description = m_pending == MapOperation::Copy
                                      ? text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "复制到这个灯效"))
                                      : text(tr, VANDREL_TR_NOOP("vandrel::DiyPaintModel", "与这个灯效交换"));
            }
            break;
        }
        UiElement e = uiElement(t.id, role, t.rect, std::move(name));
        e.description = std::move(description);
        e.checkable = checkable;
        e.checked = checked;
        out.push_back(std::move(e));
    }
}

}  // namespace vandrel
