#pragma once
// The profile dialog's behaviour without any toolkit: its hit areas, the
// commands of its buttons and right-click menu with their checks and
// messages, and the profile store they run on. The dialog forwards clicks,
// menu choices, the list's selection and finished renames here; message boxes
// and file dialogs are asked for through function objects, so tests can
// answer them.
//
// Commands change the configuration in memory (a load) and the profile
// files; nothing reaches the keyboard until the main window saves.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/model/DialogRect.h"
#include "app/model/UiElement.h"
#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "profile/OwnDataFiles.h"
#include "profile/ProfileStore.h"
#include "util/TextLookup.h"
#include "util/TrNoop.h"

namespace vandrel {

// The menu's commands, numbered as the menu's items; Close is the close button.
enum class ProfileCommand {
    None = 0,
    New = 32785,
    Copy = 32817,
    Save = 32786,
    Load = 32787,
    Delete = 32788,
    Close = 1,
};

// The right-click menu in its order: command and item text.
struct ProfileMenuItem {
    ProfileCommand command;
    const char16_t* text;
};
extern const ProfileMenuItem kProfileMenu[5];

// Everything the dialog asks of the user.
struct ProfileDialogPorts {
    // A message box with OK only. An empty caption means no title of its own.
    std::function<void(const std::u16string& caption, const std::u16string& text)> message;
    // A question with OK and Cancel: true for OK.
    std::function<bool(const std::u16string& caption, const std::u16string& text)> confirm;
    // The save-file dialog of an export, and the open-file dialog of a load:
    // the chosen file, or nothing when cancelled.
    std::function<std::optional<std::filesystem::path>()> chooseExportFile;
    std::function<std::optional<std::filesystem::path>()> chooseImportFile;
};

// The title of every message box of the dialog.
inline constexpr const char16_t* kProfileCaption = VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "配置管理");

// Layout, in dialog coordinates; rectangles include both edges.
inline constexpr DialogRect kProfileCloseArea{248, 11, 262, 24};
inline constexpr DialogRect kProfileNewArea{14, 576, 79, 624};
inline constexpr DialogRect kProfileDeleteArea{184, 576, 249, 624};
// The list: at (1, 34), 260 x 540.
inline constexpr DialogRect kProfileListArea{1, 34, 260, 573};
inline constexpr int kProfileListWidth = kProfileListArea.right - kProfileListArea.left + 1;
inline constexpr int kProfileListHeight = kProfileListArea.bottom - kProfileListArea.top + 1;

// Element ids of the window.
inline constexpr int kProfileElementList = 100;
inline constexpr int kProfileElementNew = 101;
inline constexpr int kProfileElementDelete = 102;
inline constexpr int kProfileElementClose = 103;

class ProfileDialogModel {
public:
    // `image` and `records` are the configuration in memory that profiles are
    // saved from and loaded into.
    ProfileDialogModel(std::filesystem::path profileFolder, DeviceImage& image, KeyRecordTable& records);

    ProfileDialogPorts& ports() { return m_ports; }
    // The program's own data files, which neither an export nor a profile
    // (a link to one) ever replaces.
    void setOwnDataFiles(OwnDataFiles files) { m_ownFiles = std::move(files); }
    // Translates the messages the model composes (with file names in them).
    void setTextLookup(TextLookup tr) { m_tr = std::move(tr); }

    // Opening: makes sure the profile folder exists, so that a new user can
    // create profiles at once, then lists it with nothing selected. "*.bin"
    // files that are not profiles are named once, when they first turn up.
    void open();

    // The rows the list shows, in order, and the selected one (kNoRow = none).
    const std::vector<ProfileEntry>& rows() const { return m_store.profiles(); }
    std::vector<std::u16string> rowNames() const;
    int selectedRow() const { return m_selected; }
    // The selected profile's name, which the file dialogs of Load and Save
    // start with; empty when no row is selected.
    std::u16string selectedProfileName() const;
    void setSelectedRow(int row);
    // Bumped whenever the rows are listed again, so the list knows to refill.
    unsigned listGeneration() const { return m_generation; }

    // A left click released at (x, y): runs New or Delete, or returns Close.
    ProfileCommand leftButtonUp(int x, int y);
    // The window's elements in reading and Tab order: the list, New, Delete
    // and the close button; their ids are kProfileElement*.
    UiElements elements(const TextLookup& tr = {}) const;
    const ElementFocus& focus() const { return m_focus; }
    void setFocus(int id, bool visible = true) { m_focus = {id, visible}; }
    bool focusMark(DialogRect& rect) const;
    // Tab between the elements, Space or Enter on a button: what a click on
    // it does (the command, or Close); None when the key was not the window's.
    struct NavResult {
        bool handled = false;
        bool focusMoved = false;
        ProfileCommand command = ProfileCommand::None;
    };
    NavResult navigate(NavKey key, const UiElements& elements);
    // Presses a button element, as a click on it does.
    ProfileCommand activate(int id);

    // Whether a right click released at (x, y) opens the menu: only over the list.
    static bool menuAt(int x, int y) { return kProfileListArea.contains(x, y); }

    // Runs a command with its checks and messages.
    void run(ProfileCommand command);
    // A new profile holds the configuration in memory, or the factory
    // configuration when memory holds none the keyboard could take.
    void newProfile();
    void copyProfile();
    void saveProfile();
    // Refuses a blank file or one with a setting the keyboard cannot take,
    // and asks before taking one that disables every key.
    void loadProfile();
    void deleteProfile();
    // The list reports a committed in-place edit: the row as it was before the
    // edit, and the text it was given.
    void renameRow(int oldRow, const std::u16string& newText);

    const ProfileStore& store() const { return m_store; }
    // The start of a copy's name in the window's language.
    void setCopyPrefix(const std::u16string& prefix) { m_store.setCopyPrefix(prefix); }

private:
    void say(const std::u16string& text) const;
    // Whether the selected profile is one of the program's own data files (a
    // link to keymap.bin, say); says so with `refusal` (%1: the profile's file).
    bool selectedIsOwnDataFile(const char* refusal) const;
    void relist(bool keepSelection = false);

    ProfileStore m_store;
    DeviceImage& m_image;
    KeyRecordTable& m_records;
    ProfileDialogPorts m_ports;
    OwnDataFiles m_ownFiles;
    TextLookup m_tr;
    std::vector<std::u16string> m_reportedLeftOut;
    int m_selected = kNoRow;
    ElementFocus m_focus;
    unsigned m_generation = 0;
};

}  // namespace vandrel
