#pragma once
// The main window's behaviour without any toolkit: the hit tests, the click
// dispatcher, hovering and dragging, the lighting and performance panel's state
// and the changes its clicks make to the DeviceImage. The window forwards mouse
// input here and carries out the command a click asks for (dialogs, files,
// transfers); the renderer reads the state to compose the window.

#include <cstdint>

#include "app/model/DiyPaintModel.h"
#include "app/model/KeyGeometry.h"
#include "app/model/MainButtonTable.h"
#include "app/model/PanelTables.h"
#include "app/model/UiElement.h"
#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "keys/KeyNameTable.h"
#include "macro/MacroRecord.h"
#include "util/TextLookup.h"

namespace vandrel {

// Hit codes of the window; the numbers are the button table's indexes.
enum HitCode : int {
    kHitNone = -1,
    kHitHelp = 0,
    kHitMinimise = 1,
    kHitClose = 2,
    kHitEffectBox = 3,
    kHitDirectionUp = 4,
    kHitDirectionDown = 5,
    kHitDirectionRight = 6,
    kHitDirectionLeft = 7,
    kHitMacroManager = 9,
    kHitGameModeOn = 10,
    kHitGameModeOff = 11,
    kHitResponseBox = 12,
    kHitProfiles = 14,
    kHitFactoryReset = 15,
    kHitCancel = 16,
    kHitSave = 17,
    kHitLightingHeader = 18,
    kHitGameModeHeader = 19,
    kHitResponseHeader = 20,
    kHitReportHeader = 21,
    kHitSwatchFirst = 22,  // swatch k = code - 22, k = 0..7 (7 = multicolour)
    kHitSwatchLast = 29,
    kHitLogo = 30,
    kHitWinLockOn = 31,
    kHitWinLockOff = 32,
    kHitDiyKeymap = 33,
    kHitDiyPaint = 34,
};

// What a click asks the window to do beyond the state changes made here.
enum class WindowCommand {
    None,
    OpenWebSite,        // help row 0
    StartUpdater,       // help row 1
    Hide,               // code 1
    Close,              // code 2
    MacroManager,       // code 9
    Profiles,           // code 14
    FactoryReset,       // code 15
    Cancel,             // code 16
    Save,               // code 17
    EditKey,            // key-assignment mode: arg = slot
    PickPaletteColour,  // the chosen swatch clicked again: arg = palette entry 0..6
    PaintKey,           // DIY painting, the colour dialog for a key: arg = slot
    PickBrushColour,    // the painting tools' brush swatch
    PickSecondColour,   // the gradient's second colour
    ImportPicture,      // a picture's colours into the map shown
    ExportPicture,      // the map shown as a picture file
};

struct ClickResult {
    WindowCommand command = WindowCommand::None;
    int arg = -1;
};

struct MoveResult {
    bool redraw = false;
    bool startDrag = false;  // the press began on free space: move the window
    // Only the key under the pointer changed: the keys `previousKey` and
    // hoveredKey() are all that looks different.
    bool keyHoverOnly = false;
    uint8_t previousKey = kNoSlot;
};

struct PanelState {
    bool lightingCollapsed = true;
    bool gameModeCollapsed = true;
    bool responseCollapsed = true;
    bool reportCollapsed = true;
    bool effectListOpen = false;
    bool responseListOpen = false;
    uint8_t effectHoverRow = kNoListRow;
    uint8_t responseHoverRow = kNoListRow;
    bool diyPaintMode = false;
    int reportSliderTop = -1;  // y_p at which the report slider was last placed
};

// What the next composition shows of the three sliders. "shown" controls
// whether the slider takes input; "drawn" whether its track is painted.
struct SliderPlan {
    bool speedShown = false, speedDrawn = false;
    bool brightnessShown = false, brightnessDrawn = false;
    bool reportShown = false, reportDrawn = false;
    bool reportMoved = false;  // the report slider must move to (28, reportTop)
    int reportTop = 0;
};

// Slider placement inside the panel.
constexpr int kSliderX = 28;
constexpr int kBrightnessSliderY = 260;
constexpr int kSpeedSliderY = 303;
constexpr int kReportSliderInitialY = 530;
constexpr int kReportSliderOffset = 23;  // below the report-rate header
constexpr int kSliderWidth = 220;        // the track skin's size
constexpr int kSliderHeight = 17;

// Panel rectangles that are not in the button table (both edges inclusive).
constexpr HitRect kDiyKeymapRadio{28, 200, 42, 214};
constexpr HitRect kDiyPaintRadio{130, 200, 144, 214};
constexpr HitRect kWinLockOn(int gy) { return {164, gy + 33, 174, gy + 42}; }
constexpr HitRect kWinLockOff(int gy) { return {218, gy + 33, 245, gy + 42}; }
constexpr HitRect swatchRect(int k) { return {28 + 25 * k, 223, 48 + 25 * k, 243}; }

// The help popup's rows: web site, updater, version line.
constexpr int kHelpLeft = 830, kHelpRight = 996, kHelpTop = 22, kHelpBottom = 99, kHelpRowHeight = 25;
constexpr int kHelpRows = 3;

// Control ids of the three sliders; they are also their element ids.
constexpr int kSpeedSliderId = 1007;
constexpr int kBrightnessSliderId = 1017;
constexpr int kReportSliderId = 1010;

// Element ids of the window beyond its hit codes (0..34) and sliders.
constexpr int kElementKeyBase = 2000;          // + key slot
constexpr int kElementEffectRowBase = 3000;    // + row of the open effect list
constexpr int kElementResponseRowBase = 3100;  // + row of the open response list
constexpr int kElementHelpRowBase = 3200;      // + row of the open help popup
constexpr int kElementStatusLine = 4000;       // the bottom line: unsaved changes or the hint
constexpr int kElementNoKeyboard = 4001;
constexpr int kElementBusy = 4002;
constexpr int kElementHeadingBase = 4100;       // + the header's hit code: an open section's heading

// What the window's elements are made of besides the model's own state.
struct MainWindowView {
    const DeviceImage* image = nullptr;
    const KeyRecordTable* keys = nullptr;
    const ReassignedFlags* reassigned = nullptr;
    const MacroStore* macros = nullptr;
    const KeyNameTable* names = nullptr;  // the keys' names (the table's own when null)
    std::string pendingText;  // the bottom line while something is unsaved
    bool noKeyboard = false;
    bool busy = false;
    std::string busyText;
    std::string webAddress;   // the help popup's rows
    std::string versionText;
};

// What a key of the keyboard did beyond moving the focus.
struct NavResult {
    bool handled = false;     // the key was the window's; nothing else takes it
    bool focusMoved = false;
    ClickResult click;        // what the activated element asks for, as a click would
};

class MainWindowModel {
public:
    MainWindowModel();

    // Hit tests. hitTest recomputes the layout-dependent button rectangles.
    int hitTest(int x, int y, const DeviceImage& image);
    int keyHitTest(int x, int y) const;
    PanelLayout layout() const { return PanelLayout::compute(m_panel.lightingCollapsed, m_panel.responseCollapsed); }
    const MainButtonTable& buttons() const { return m_buttons; }

    // Mouse input. A release runs the click dispatcher; after it the whole
    // window is redrawn. A press at a point also marks the button there as
    // pressed until the release; the hover follows the pointer's moves.
    void leftButtonDown() { m_buttonDown = true; }
    void leftButtonDown(int x, int y, const DeviceImage& image);
    ClickResult leftButtonUp(int x, int y, DeviceImage& image);
    // `buttonHeld` is whether the left button is physically down at this move.
    MoveResult mouseMove(int x, int y, bool buttonHeld, const DeviceImage& image);

    // Results of the colour picker; a cancelled picker calls neither.
    void setPaletteColour(int entry, uint8_t r, uint8_t g, uint8_t b, DeviceImage& image) const;
    void setKeyColour(int slot, uint8_t r, uint8_t g, uint8_t b, DeviceImage& image) const;

    // Drawing-time rules: clamps the colour choice, forces multicolour for the
    // effects that have no single colour, decides which sliders show and where
    // the report slider sits. Called before every composition.
    SliderPlan prepareDrawing(DeviceImage& image);

    // The slider part of prepareDrawing, without its changes.
    SliderPlan sliderPlan(const DeviceImage& image) const;

    // The window's elements in reading and Tab order: the panel from top to
    // bottom, the keys of the picture, the bottom row, the window buttons.
    // While a popup is open, only its rows can take the focus.
    UiElements elements(const MainWindowView& view, const TextLookup& tr = {}) const;

    // Keyboard focus. The picture's keys are one Tab stop, the last key
    // focused; the arrow keys move over them.
    const ElementFocus& focus() const { return m_focus; }
    void setFocus(int id, bool visible = true);
    // The mouse was used: the focus mark goes until the keyboard moves it.
    void hideFocusMark() { m_focus.visible = false; }
    int focusKey() const { return m_focusKey; }
    // Where the focus mark is drawn, when it is shown.
    bool focusMark(HitRect& rect) const;
    // Tab, the arrows, Space or Enter, Escape on the focused element. An
    // activated element does what a click on it does; Up and Down on a
    // closed combo box change its choice.
    NavResult navigate(NavKey key, const UiElements& elements, DeviceImage& image);
    // Presses an element as a click would (keyboard and screen reader).
    ClickResult activate(int id, DeviceImage& image);
    // The nearest key that takes input in the direction of `key` (an arrow)
    // from `slot`, or -1.
    int keyInDirection(int slot, NavKey key) const;
    // Whether a key answers a click now.
    bool keyTakesInput(int slot) const;

    // After a factory reset: DIY painting off, every section collapsed.
    void resetPanel();
    // After the shadow copies were restored: paint mode follows the effect.
    void followEffect(const DeviceImage& image) { m_panel.diyPaintMode = isDiyEffect(image.ledEffect); }

    // Feedback of the buttons and section headers: the one under the pointer
    // shows its hover image, and the one pressed shows it is pressed while the
    // pointer stays on it. Popups take every click, so nothing under them
    // shows hover.
    bool hovered(int code) const { return code != kHitNone && code == m_hoverCode; }
    bool pressed(int code) const { return code != kHitNone && code == m_pressedCode && code == m_hoverCode; }
    // The pointer left the window, or the window lost the focus: no hover.
    void pointerLeft();

    const PanelState& panel() const { return m_panel; }
    PanelState& panel() { return m_panel; }
    bool helpOpen() const { return m_helpOpen; }
    bool buttonDown() const { return m_buttonDown; }
    uint8_t hoveredKey() const { return m_hoveredKey; }
    bool anyListOpen() const { return m_panel.effectListOpen || m_panel.responseListOpen; }
    // Whether key colours are drawn: painting mode with a custom map selected.
    bool diyMapShown(const DeviceImage& image) const;
    // Whether the painting tools take input: a map is shown and no popup is open.
    bool diyToolsShown(const DeviceImage& image) const;
    DiyPaintModel& diy() { return m_diy; }
    const DiyPaintModel& diy() const { return m_diy; }
    // What a tool asks the window to do, as a click's command.
    static ClickResult diyClick(DiyCommand command);

private:
    void effectListClick(int x, int y, DeviceImage& image);
    void responseListClick(int x, int y, DeviceImage& image);
    ClickResult codeAction(int code, DeviceImage& image);
    ClickResult swatchClick(int k, DeviceImage& image);
    ClickResult keyClick(int x, int y, const DeviceImage& image);
    ClickResult keyCommand(int slot, const DeviceImage& image) const;
    void chooseEffectRow(int row, DeviceImage& image);
    void chooseResponseRow(int row, DeviceImage& image);
    ClickResult helpRow(int row);
    NavResult navigatePopup(NavKey key, DeviceImage& image);
    // Up, Down, Home or End on the closed combo box `box`: its choice moves
    // to the row the key picks. False when `box` is no combo box.
    bool stepClosedList(int box, NavKey key, DeviceImage& image);
    HitRect elementRect(int id) const;
    // The code at (x, y) if it is a button or header that shows feedback.
    int feedbackCode(int x, int y, const DeviceImage& image);

    MainButtonTable m_buttons;
    PanelState m_panel;
    bool m_helpOpen = false;
    bool m_buttonDown = false;
    uint8_t m_hoveredKey = kNoSlot;
    uint8_t m_lastMoveKey = kNoSlot;
    int m_hoverCode = kHitNone;
    int m_pressedCode = kHitNone;
    ElementFocus m_focus;
    int m_focusKey = 0;       // the picture's Tab stop
    int m_helpRow = 0;        // the help popup's highlighted row (keyboard)
    DiyPaintModel m_diy;
};

// The custom map a DIY effect code selects, or -1 (codes outside 51..55 have none).
int diyMapIndex(uint8_t effect);

// What a slider at `position` (its range 0..maximum) leaves in the byte it
// edits, which holds `stored`. A value the keyboard reported beyond the
// slider's range shows at the slider's end and is kept as it is until the
// slider is moved away from there.
uint8_t sliderValue(uint8_t stored, int position, int maximum);

}  // namespace vandrel
