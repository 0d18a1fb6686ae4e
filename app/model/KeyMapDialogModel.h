#pragma once
// The key-map dialog's behaviour without any toolkit: its four pages (keys,
// macro, named function, launch), the disable switch, the button table and
// the launch grid with their hit tests, what each click and each captured key
// stroke does, and the AssignmentRequest it leaves for the main window. The
// dialog widget forwards input here and mirrors the state into its controls;
// the renderer reads it to compose the picture.
//
// One model lives for the whole run, so the last chosen function name carries
// over from one opening to the next.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/model/DialogRect.h"
#include "app/model/UiElement.h"
#include "device/DeviceImage.h"
#include "keymap/KeyAssignment.h"
#include "keymap/KeyRecord.h"
#include "keys/KeyNameTable.h"
#include "macro/MacroRecord.h"
#include "util/TextLookup.h"

namespace vandrel {

enum KeyMapHit : uint8_t {
    kKeyMapClose = 0,
    kKeyMapTabKeys = 1,
    kKeyMapTabMacro = 2,
    kKeyMapTabFunction = 3,
    kKeyMapTabLaunch = 4,
    kKeyMapTabStrip = 5,
    kKeyMapDisable = 6,
    kKeyMapInitial = 7,
    kKeyMapCancel = 8,
    kKeyMapSave = 9,
    kKeyMapNoHit = 255,
};

enum KeyMapPage : int { kPageKeys = 0, kPageMacro = 1, kPageFunction = 2, kPageLaunch = 3 };

struct KeyMapButton {
    DialogRect rect;
    const char* normalImage;
    const char* hoverImage;
    const char16_t* caption;  // empty: drawn by the button's image alone
    int state = 0;            // 0 normal, 1 hover; the switch: disableSwitch
};

constexpr int kKeyMapButtons = 10;
// The dialog's ten buttons, indexed by hit code, all in their normal state.
extern const std::array<KeyMapButton, kKeyMapButtons> KeyMapButtonTable;
constexpr int kLaunchRows = 4;
constexpr uint8_t kNoLaunchRow = 255;
// Launch grid cell columns.
constexpr int kLaunchMarker = 0, kLaunchCaption = 1, kLaunchField = 2, kLaunchBrowse = 3;

// The launch grid's cell (row * 4 + column) at (x, y), or kKeyMapNoHit.
uint8_t LaunchGridHit(int x, int y);
DialogRect LaunchCellRect(int row, int column);
extern const char16_t* const kLaunchRowCaptions[kLaunchRows];

// The text of the edited slot's record: the name of its single key, or the
// names of its combination joined with "+ "; empty for other types.
std::u16string DescribeKeyRecord(const KeyRecord& record, const KeyNameTable& names = keyNames());
// Names of the codes joined with "+ ".
std::u16string JoinKeyNames(const uint8_t* codes, size_t count, const KeyNameTable& names = keyNames());
// A launch path as the launch page shows it: whole when shorter than 14
// characters, otherwise ".." and its last component.
std::u16string ShortLaunchPath(const std::u16string& path);

// One item of the function tree, in fill order.
struct FunctionTreeItem {
    const char16_t* label;
    int parent;        // index of the category, -1 at the top level
    bool hasChildren;
};
extern const std::array<FunctionTreeItem, 26> kFunctionTree;
// Whether the label is one of the three categories, which OK refuses.
bool IsFunctionCategory(const std::u16string& label);

enum class EditField { None, Single, Combination };

// Element ids of the dialog beyond its button codes (0..9): its controls and
// the launch page's rows.
constexpr int kKeyMapSingleField = 100;
constexpr int kKeyMapComboField = 101;
constexpr int kKeyMapMacroList = 102;
constexpr int kKeyMapFunctionTree = 103;
constexpr int kKeyMapPageHeading = 104;
constexpr int kKeyMapLaunchMarkerBase = 200;  // + row
constexpr int kKeyMapLaunchBrowseBase = 220;  // + row

// What a click asks the widget to do after the model has changed.
struct KeyMapClickResult {
    enum class Outcome { Stay, Accept, Reject } outcome = Outcome::Stay;
    bool redraw = false;
    bool focusSingleEdit = false;  // put the focus on the single-key edit
    bool askForSubItem = false;    // show "请选择子项" and stay open
    bool askForLaunchPath = false; // a launch row is marked without a path: say so and stay open
    bool askForKeyboardMacro = false; // the macro chosen lies past the keyboard's slots: say so and stay open
};

class KeyMapDialogModel {
public:
    // A launch row's chooser: the chosen path, or nothing when cancelled.
    using LaunchChooser = std::function<std::optional<std::u16string>(int row, const std::u16string& current)>;
    LaunchChooser chooseLaunchPath;

    // Starts an opening for `slot`, whose record the page switches may clear
    // in memory. `hookInstalled` is whether live key capture is on.
    void open(int slot, KeyRecord& record, const DeviceImage& image, const MacroStore& macros, bool hookInstalled);

    // Input from the widget.
    KeyMapClickResult click(int x, int y);
    // Returns whether the picture must be drawn again.
    bool mouseMove(int x, int y);
    // Whether a press at (x, y) starts dragging the window (free space only).
    bool pressStartsDrag(int x, int y) const;
    // A captured key stroke (virtual-key code).
    void keyStroke(uint8_t vk);
    void focusEdit(EditField field);
    void selectMacroRow(int row) { m_macroRow = row; }
    void selectTreeItem(int index) { m_treeItem = index; }
    // "Delete All" of the combination field's menu.
    void deleteAllCodes();
    // The names the key fields and the title show (the key-name table's, or
    // names that follow the desktop's keyboard layout); the fields showing
    // keys are named anew.
    void setKeyNames(const KeyNameTable& names);
    const KeyNameTable& names() const { return m_names; }

    // The dialog's elements in reading and Tab order: the tabs, the page's
    // controls, the switch, the buttons, the close button.
    UiElements elements(const TextLookup& tr = {}) const;
    // Keyboard focus; the widget says which control has it.
    const ElementFocus& focus() const { return m_focus; }
    void setFocus(int id, bool visible = true);
    // Where the focus mark is drawn, when it is shown.
    bool focusMark(DialogRect& rect) const;
    // Tab, the arrows between the tabs (each opening its page), Space or
    // Enter on a button, tab, switch or launch row; elsewhere Enter presses
    // Save and Escape Cancel. The key fields' capture keys are the widget's.
    struct NavResult {
        bool handled = false;
        bool focusMoved = false;
        KeyMapClickResult click;
    };
    NavResult navigate(NavKey key, const UiElements& elements);
    // Presses a button, tab, switch or launch-row element, as a click does.
    KeyMapClickResult activate(int id);
    // Whether a key capture is armed in a key field (the widget says so), for
    // what the fields tell the screen reader.
    void setCapturing(bool on) { m_capturing = on; }
    bool capturing() const { return m_capturing; }

    // The result the main window applies after OK; slot set.
    const AssignmentRequest& request() const { return m_request; }
    AssignmentRequest& request() { return m_request; }

    // State for drawing and for the controls.
    int slot() const { return m_slot; }
    int currentPage() const { return m_page; }
    bool hookInstalled() const { return m_hookInstalled; }
    int disableSwitch() const { return m_disableSwitch; }
    bool firstFocusKeepsRecord() const { return m_firstFocusKeepsRecord; }
    uint8_t launchKind() const { return m_launchKind; }
    uint8_t markedRow() const { return m_markedRow; }
    uint8_t hoveredButton() const { return m_hovered; }
    uint8_t hoveredLaunchCell() const { return m_hoveredCell; }
    const std::u16string& selectedLabel() const { return m_selectedLabel; }
    const std::u16string& singleText() const { return m_singleText; }
    const std::u16string& combinationText() const { return m_comboText; }
    const std::vector<std::u16string>& macroNames() const { return m_macroNames; }
    int macroRow() const { return m_macroRow; }
    int treeItem() const { return m_treeItem; }
    const std::array<KeyMapButton, kKeyMapButtons>& buttons() const { return m_buttons; }
    uint8_t hitTest(int x, int y) const;
    // The tooltip at (x, y): the whole launch path over the field that shows
    // it shortened; empty elsewhere.
    std::u16string toolTipAt(int x, int y) const;

private:
    void clearCodes();
    void resetLaunchChoice() { m_launchKind = m_markedRow = kNoLaunchRow; }
    void clearRecord(uint8_t type);
    void storeStroke(uint8_t vk);
    KeyMapClickResult pressOk();
    KeyMapClickResult clickCode(uint8_t code, uint8_t launchCell);
    void clickLaunchCell(uint8_t cell, KeyMapClickResult& result);

    std::array<KeyMapButton, kKeyMapButtons> m_buttons{};
    KeyNameTable m_names = keyNames();
    AssignmentRequest m_request;
    KeyRecord* m_record = nullptr;
    KeyRecord m_recordAtOpening{};  // what OK keeps when nothing is chosen
    int m_slot = -1;
    int m_page = kPageKeys;
    bool m_hookInstalled = false;
    int m_disableSwitch = 0;
    bool m_firstFocusKeepsRecord = false;
    EditField m_activeField = EditField::None;  // the key field being typed into
    uint8_t m_launchKind = kNoLaunchRow;
    uint8_t m_markedRow = kNoLaunchRow;
    uint8_t m_hovered = kKeyMapNoHit;
    uint8_t m_hoveredCell = kKeyMapNoHit;
    std::u16string m_selectedLabel;
    std::u16string m_singleText;
    std::u16string m_comboText;
    std::vector<std::u16string> m_macroNames;
    int m_macroRow = -1;
    int m_treeItem = -1;
    ElementFocus m_focus;
    bool m_capturing = false;
};

}  // namespace vandrel
