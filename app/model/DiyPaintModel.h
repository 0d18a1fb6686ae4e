#pragma once
// The main window's painting tools while a custom colour map is shown: the
// brush with the palette and the colours used last, strokes of the mouse over
// the keys, the eyedropper, a selection of keys, fills of the selection or a
// zone, gradients, the five maps as a whole, and the keyboard's key cursor.
//
// Every change goes into the DeviceImage the window edits (its working copy);
// a result says which keys changed so that only they are drawn again, and
// whether an undo step ends there. A stroke is one step however many keys it
// crosses: it ends when the button is released.

#include <array>
#include <cstdint>
#include <vector>

#include "app/model/DiyPaint.h"
#include "app/model/MainButtonTable.h"
#include "app/model/UiElement.h"
#include "util/TextLookup.h"

namespace vandrel {

// Element ids of the tools; they are also what toolAt() answers.
constexpr int kDiyBrushId = 5000;
constexpr int kDiyPaletteBase = 5001;  // + palette entry 0..6
constexpr int kDiyRecentBase = 5010;   // + 0..7, the colour used last first
constexpr int kDiyFillId = 5020;
constexpr int kDiyZoneId = 5021;
constexpr int kDiyFillZoneId = 5022;
constexpr int kDiyGradientHId = 5023;
constexpr int kDiyGradientVId = 5024;
constexpr int kDiySecondId = 5025;
constexpr int kDiyImportId = 5030;
constexpr int kDiyExportId = 5031;
constexpr int kDiyCopyId = 5032;
constexpr int kDiySwapId = 5033;
constexpr int kDiyClearMapId = 5034;
constexpr int kDiyMapBase = 5040;  // + map 0..4
constexpr int kDiyFirstId = kDiyBrushId;
constexpr int kDiyLastId = kDiyMapBase + static_cast<int>(kDiyMapCount) - 1;
constexpr int kDiyRecentCount = 8;
constexpr int kDiyPaletteCount = 7;

// The tools under the keyboard picture: two rows of buttons and the maps.
// The brush, palette and recent colours sit in the lighting section, which
// must be open for them.
struct DiyTool {
    int id;
    HitRect rect;       // window coordinates, both edges inclusive
    const char* label;  // drawn on the button (translated in "vandrel::DiyPaintModel"); null: none
};
const std::vector<DiyTool>& diyTools();
// The tool's rectangle, the panel's swatches included; empty for an unknown id.
HitRect diyToolRect(int id);
// A map's thumbnail inside its tool rectangle.
HitRect diyThumbnailRect(int map);
// The zone's name as the window shows it (translated in "vandrel::DiyPaintModel").
const char* diyZoneLabel(DiyZone zone);

enum class DiyButton { Left, Right };
struct DiyModifiers {
    bool shift = false, ctrl = false, alt = false;
};

// What the window does beyond drawing.
enum class DiyCommand {
    None,
    PickBrush,      // the colour dialog for the brush
    PickSecond,     // the colour dialog for the gradient's second colour
    ImportPicture,  // a picture file into the map shown
    ExportPicture,  // the map shown into a picture file
};

struct DiyResult {
    bool handled = false;  // the input was the tools'; nothing else takes it
    bool changed = false;  // the map changed and an undo step ends here
    bool redraw = false;   // more than the keys below looks different
    std::vector<int> keys; // keys whose colour or mark changed
    DiyCommand command = DiyCommand::None;
};

class DiyPaintModel {
public:
    Rgb brush() const { return m_brush; }
    // Choosing a brush colour (here, from the palette, the colours used last
    // or the eyedropper) turns the brush on.
    void setBrush(Rgb colour) {
        m_brush = colour;
        m_brushOn = true;
    }
    // Until a brush colour is chosen, a plain click on a key is not the
    // tools': the window opens the colour dialog for that key, one key at a
    // time, as it always has. Ctrl+click, Alt+drag and the keyboard work
    // from the start.
    bool brushOn() const { return m_brushOn; }
    Rgb second() const { return m_second; }
    void setSecond(Rgb colour) { m_second = colour; }
    // The colours painted with last, the latest first, at most kDiyRecentCount.
    const std::vector<Rgb>& recent() const { return m_recent; }
    DiyZone zone() const { return m_zone; }

    const std::vector<int>& selection() const { return m_selection; }
    bool selected(int slot) const;
    // Drops the selection; returns the keys that lose their mark.
    std::vector<int> clearSelection();
    // The rectangle being drawn with Alt held (window coordinates); false when none.
    bool band(HitRect& rect) const;
    // Copy or swap waits for the other map to be chosen.
    enum class MapOperation { None, Copy, Swap };
    MapOperation pendingMapOperation() const { return m_pending; }
    // The tool pressed and not yet released, or -1.
    int pressedTool() const { return m_pressedTool; }

    // The tool at (x, y), or -1; the panel's swatches only while `panelOpen`.
    int toolAt(int x, int y, bool panelOpen) const;
    // The paintable key under (x, y), or -1.
    static int keyAt(int x, int y);

    // The mouse. A press on a key paints it (Ctrl: clears it; right button:
    // takes its colour as the brush; Alt: starts a selection rectangle,
    // also from between the keys); moves with the button held go on; the
    // release ends the stroke. A press on a tool acts at its release over it.
    // Shift+click is not the tools': the window opens the colour dialog.
    DiyResult press(int x, int y, DiyButton button, DiyModifiers mods, DeviceImage& image, bool panelOpen);
    DiyResult move(int x, int y, DeviceImage& image);
    DiyResult release(int x, int y, DeviceImage& image, bool panelOpen);
    // Whether a press is under way (stroke, rectangle or tool).
    bool active() const { return m_stroke != Stroke::None || m_pressedTool >= 0; }

    // A tool pressed as a click on it would (keyboard, screen reader).
    DiyResult activate(int id, DeviceImage& image);
    // The keyboard's Space and Delete on the key cursor.
    DiyResult paintKey(int slot, DeviceImage& image);
    DiyResult clearKey(int slot, DeviceImage& image);
    // Shift+arrows: the selection becomes every key of the rectangle
    // spanning `anchor` and `slot`.
    DiyResult selectSpan(int anchor, int slot);
    // Shift+arrow from the cursor `from` to `to`: the span from where the
    // selection began (the cursor, when nothing is selected) to `to`.
    DiyResult extendSelection(int from, int to);

    // The colour dialog's answers; a colour chosen for the brush is used next.
    void brushPicked(Rgb colour) { setBrush(colour); }
    // A picture's colours went into the map shown.
    int importColours(DeviceImage& image, const std::array<Rgb, kPhysicalSlots>& colours);

    // The tools as elements, for the reader and Tab: the panel's swatches
    // (only while `panelOpen`), then the ones under the picture.
    void panelElements(UiElements& out, const DeviceImage& image, const TextLookup& tr) const;
    void stripElements(UiElements& out, const DeviceImage& image, const TextLookup& tr) const;

private:
    enum class Stroke { None, Paint, Erase, Band };
    // Paints `slot` as the stroke does and notes it.
    void strokeKey(int slot, DeviceImage& image, DiyResult& r);
    void used(Rgb colour);
    // The selection, or every key when nothing is selected.
    std::vector<int> target() const;
    DiyResult fill(DeviceImage& image, const std::vector<int>& slots, Rgb colour);
    DiyResult mapClicked(int map, DeviceImage& image);
    DiyResult setSelection(std::vector<int> slots);

    Rgb m_brush{0xFF, 0, 0};
    bool m_brushOn = false;
    Rgb m_second{0, 0, 0xFF};
    std::vector<Rgb> m_recent;
    DiyZone m_zone = DiyZone::Letters;
    std::vector<int> m_selection;
    Stroke m_stroke = Stroke::None;
    int m_strokeChanged = 0;
    int m_lastX = 0, m_lastY = 0;
    int m_bandX = 0, m_bandY = 0;
    int m_pressedTool = -1;
    int m_anchor = -1;  // where the keyboard's selection began
    MapOperation m_pending = MapOperation::None;
};

// The custom map shown for `effect` (51..55), or -1.
int diyMapOf(const DeviceImage& image);

}  // namespace vandrel
