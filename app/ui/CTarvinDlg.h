#pragma once
// The main window: a frameless window the size of main.png, composed off
// screen at every drawing and shown with one copy. Mouse input goes to the
// window's model; this class carries out what a click asks for (dialogs,
// files, transfers with the keyboard) and keeps the three sliders in step
// with the configuration.
//
// Transfers run on a worker thread so that the window keeps drawing: while
// one runs the window shows its progress and the wait cursor and takes no
// input.

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>

#include "app/draw/MainWindowRenderer.h"
#include "theme/SkinCache.h"
#include "app/model/AppCommands.h"
#include "app/model/AppState.h"
#include "app/model/ChangeHistory.h"
#include "app/model/MainWindowModel.h"
#include "app/ui/AppEvents.h"
#include "app/ui/access/DrawnElementSource.h"
#include "device/ReadBack.h"
#include "keymap/KeyAssignment.h"
#include "profile/SnapshotStore.h"
#include "keys/KeyNameTable.h"
#include "layout/KeyboardLayout.h"

class QTimer;

namespace vandrel {

class CBitSlider;
class DeviceSession;

// The answer to "save before closing?".
enum class CloseChoice { Save, Discard, Cancel };

// The key the key-map dialog edits.
struct KeyEditTarget {
    int slot = -1;
    uint8_t homeVk = 0;
    uint8_t usage = 0;
};

// Everything the window asks of the outside world, as function objects, so
// that the application can plug in the desktop's services and tests can
// answer dialogs. An empty function means the service is not there.
struct WindowHooks {
    // A colour picker: the chosen colour, or nothing when cancelled.
    std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> pickColour;
    // "确认恢复至出厂设置吗？" with OK and Cancel: true for OK.
    std::function<bool(QWidget* parent)> confirmFactoryReset;
    // A warning message box.
    std::function<void(QWidget* parent, const QString& caption, const QString& text)> warn;
    // Hides the window to the notification area; false when it cannot be
    // hidden (the minimise button then minimises it to the task bar).
    std::function<bool(QWidget* window)> hideWindow;
    // The key-map dialog: fills the request and returns true for OK.
    std::function<bool(QWidget* parent, const KeyEditTarget& key, AssignmentRequest& request)> runKeyMapDialog;
    // The macro manager: on OK, where each macro of the store went; nothing
    // on Cancel.
    std::function<std::optional<MacroRenumbering>(QWidget* parent)> runMacroManager;
    // The profile dialog: true for OK.
    std::function<bool(QWidget* parent)> runProfileDialog;
    // The help popup's rows.
    std::function<void()> openWebSite;
    std::function<void()> startUpdater;
    // A launch key's input code.
    std::function<void(uint8_t code)> launchKey;
    // Closing with unsaved changes: save them, discard them, or keep the
    // window open. `unsaved` is the bottom line's text.
    std::function<CloseChoice(QWidget* parent, const QString& unsaved)> askBeforeClose;
    // After a read of the keyboard: offers the firmware updater when due.
    std::function<void(QWidget* parent, const AppVersion& app, const FirmwareVersion& fw)> offerUpdate;
};

struct WindowPaths {
    QString programFolder;              // skins and VER.bin
    std::filesystem::path dataFolder;   // keymap.bin and MacroDefine.bin
    QString skinFolder() const { return programFolder + QStringLiteral("/png"); }
    // Language folder inside png/ ("en") whose images replace the Chinese
    // ones, or empty.
    QString skinLanguage;
    QString skinOverlay() const { return skinLanguage.isEmpty() ? QString() : skinFolder() + u'/' + skinLanguage; }
};

class CTarvinDlg : public QWidget, public DrawnElementSource {
    Q_OBJECT
public:
    CTarvinDlg(AppState& state, DeviceSession& session, WindowPaths paths, QWidget* parent = nullptr);
    ~CTarvinDlg() override;

    WindowHooks& hooks() { return m_hooks; }
    const AppState& state() const { return m_state; }
    void setWebAddress(const QString& address) { m_webAddress = address; }

    // The window's part of start-up: title, sliders, VER.bin, size from
    // main.png, MacroDefine.bin and keymap.bin, then the keyboard's channels
    // and the start-up read on a worker thread. The splash, the tray and the
    // showing of the window are the application's.
    void initialise();
    // Sets the sliders between the brightness and the report-rate slider set-up.
    std::function<void()> afterBrightnessSetUp;

    // Whether the keyboard's command channel is open.
    bool connected() const { return m_connected; }
    // Whether both channels are open: without the listening one no save can be
    // acknowledged, so start-up treats the keyboard as absent.
    bool bothChannelsOpen() const;
    // Whether the keyboard connected now has been read completely, so that
    // the state's shadow copy is its configuration.
    bool configurationKnown() const { return m_connected && m_configurationKnown; }
    bool busy() const { return m_busy; }
    // Processes events until no transfer runs (tests, shutdown).
    void waitWhileBusy();

    // The close button, the window manager's close and the tray's exit: when
    // something is unsaved, asks whether to save it first; then keymap.bin
    // gets what the keyboard holds and the program ends.
    void requestClose();
    // The end nobody can be asked about (SIGTERM, SIGINT, the session
    // ending): the keyboard is left as it is, unsaved changes are dropped and
    // keymap.bin gets what the keyboard holds, as the close button's Discard.
    // A transfer under way is finished first.
    void endWithoutAsking();
    // The program's event loop is ending, by whatever path: a transfer under
    // way is finished, and keymap.bin gets what the keyboard holds unless the
    // close already wrote it.
    void finishBeforeQuit();

    // Keyboard arrival and removal.
    void deviceArrived();
    void deviceRemoved();
    // Stops the listener and closes the channels; writes no file.
    void shutDown();

    // A change from outside the window (the command-line tool): `change`
    // edits the configuration, the window shows it and saves it at once, and
    // `done` gets the write's result on the window thread. Call it only while
    // no transfer runs.
    void saveExternalChange(const std::function<void(AppState&)>& change,
                            std::function<void(const WriteResult&)> done);
    // A profile switch that follows the focused window: the window shows the
    // configuration and saves it at once, as no edit of the user's (no undo
    // step, no history snapshot). Call it only while no transfer runs and
    // nothing is unsaved.
    void switchConfiguration(const DeviceImage& image, const KeyRecordTable& keys,
                             std::function<void(const WriteResult&)> done);
    // Whether the window holds edits that were not saved to the keyboard.
    bool hasUnsavedChanges() const;
    // The last save's result and its check (empty when the save was not
    // checked), and how many saves have finished in this run.
    const WriteResult& lastSave() const { return m_lastSave; }
    const ReadBackResult& lastSaveCheck() const { return m_lastSaveCheck; }
    int savesFinished() const { return m_savesFinished; }

    // Composes the window now and returns it.
    QImage composeFrame();
    const MainWindowModel& model() const { return m_model; }
    MainWindowModel& model() { return m_model; }
    CBitSlider* slider(int controlId) const;
    const SkinCache& skins() const { return m_skins; }
    void redraw();

    // Undo and redo of the last change to the configuration (Ctrl+Z,
    // Ctrl+Shift+Z, Ctrl+Y, the window's context menu).
    void undo();
    void redo();
    const ChangeHistory& history() const { return m_history; }
    // Whether a save reads back what it wrote (on unless the user turned it off).
    bool verifySaves() const { return m_verifySaves; }
    // Switches the check after each save; says so when the setting changes so
    // that the application can remember it.
    void setVerifySaves(bool on) {
        if (on == m_verifySaves) return;
        m_verifySaves = on;
        emit verifySavesChanged(on);
    }
    // The configuration history: snapshots taken before saves, with Restore.
    void showConfigHistory();

    // The desktop's keyboard layout: the picture shows what each key types in
    // it, unless the printed legends were chosen instead.
    void setKeyboardLayout(const KeyboardLayout& layout);
    const KeyboardLayout& keyboardLayout() const { return m_layout; }
    bool legendsFollowLayout() const { return m_legendsFollowLayout; }
    // Says so when the setting changes, so that the application can remember it.
    void setLegendsFollowLayout(bool on);
    // The legends drawn instead of the printed ones (empty: printed).
    const std::array<QString, kPhysicalSlots>& keyLegends() const { return m_legends; }
    // The key names the dialogs show: what each key types in the layout, or
    // the table's names with the printed legends.
    const KeyNameTable& dialogKeyNames() const { return m_keyNames; }
    // The text of the bottom line while something is unsaved (empty otherwise).
    QString pendingText() const;

    // Whether the keyboard is in use: its focus mark shows. Dialogs opened
    // now show theirs from the start.
    bool keyboardInUse() const { return m_model.focus().visible; }

    // The drawn elements for the screen reader and the keyboard focus.
    UiElements uiElements() const override;
    unsigned uiGeneration() const override { return m_uiGeneration; }
    int focusedElement() const override { return m_model.focus().id; }
    void focusElement(int id) override;
    void activateElement(int id) override;
    QWidget* elementControl(int id) const override;

signals:
    // The close has written its files: the program ends.
    void exitRequested();
    void verifySavesChanged(bool on);
    void legendsFollowLayoutChanged(bool on);
    // The desktop's layout or the choice of legends changed: the key names of
    // the dialogs follow (keyboardLayout(), dialogKeyNames()).
    void keyboardLayoutChanged();
    // A refresh from the keyboard's read has been handled.
    void refreshed();
    // What the program knows the keyboard holds changed: a save, a factory
    // reset, a read of a keyboard that holds something else.
    void keyboardConfigurationChanged();
    void framePainted();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void setUpSlider(CBitSlider* s, int id, int x, int y, int maximum);
    void setSlidersFromImage();
    // The configuration byte a slider edits.
    uint8_t& sliderByte(const CBitSlider* s);
    void applySliderPlan();
    SliderView sliderView(CBitSlider* s, bool drawn);
    void onSliderChanged(int controlId);
    void onDeviceRefresh(DeviceRefreshEvent& event);
    void runCommand(const ClickResult& click);
    // A key that moves the focus or acts on the focused element; false when
    // it was not the window's.
    bool navigate(NavKey key);
    // The toolkit's focus follows the model's: a slider's own, or the window's.
    void followFocus();

    void save(std::function<void(const WriteResult&)> done = {});
    void cancel();
    void factoryReset();
    // Writes what the keyboard holds to keymap.bin and ends the program.
    void endProgram();
    // Records the keyboard does not hold are put back after a read; says so.
    void reconcileKeyRecords();
    // Tries the keyboard again in a while: another process holds its lock.
    void retryWhileDeviceBusy();
    static constexpr int kDeviceBusyRetryMs = 1000;
    // A warning that waits until the window shows (one raised during the
    // splash would have no window to sit on).
    void warnWhenShown(const QString& caption, const QString& text);
    void hideWindow();
    void minimise();
    void editKey(int slot);
    void pickPaletteColour(int entry);
    void paintKey(int slot);
    void runProfiles();
    void runMacroManager();
    void startInitialRead();
    // Tells the user about a data file that could not be read or written.
    void reportFile(const FileWrite& write);
    void reportFiles(const std::vector<FileNotice>& notices);
    void startReconnectRead(bool sendRefresh);
    // A change of the user's is complete: it becomes an undo step.
    void recordChange(bool mergeWithLast = false);
    // After undo, redo or a restore wrote `parts`: sliders, paint mode and files follow.
    void afterHistoryWrite(unsigned parts, uint8_t effectBefore);
    // The configuration history: a snapshot taken before the configuration is
    // replaced; the reason when it could not be written (empty otherwise).
    std::error_code keepSnapshotBeforeSave();
    std::error_code keepSnapshot(const Snapshot& snapshot);
    // Remembers the game mode a completed save or reset left on the keyboard,
    // which the next full read switches back to when it was off.
    void rememberGameMode(uint8_t gameMode);
    // Says in the window and on stderr that a snapshot could not be kept.
    void reportHistoryNotKept(const std::error_code& why);
    void updateLegends();

    // Runs `job` on the worker thread; what it returns runs on the window
    // thread afterwards. The window takes no input meanwhile.
    using Continuation = std::function<void()>;
    void runInBackground(const QString& text, std::function<Continuation()> job);
    void finishBackground(const Continuation& then);
    void reportProgress(int done, int total);

    AppState& m_state;
    DeviceSession& m_session;
    WindowPaths m_paths;
    WindowHooks m_hooks;
    MainWindowModel m_model;
    SkinCache m_skins;
    MainWindowRenderer m_renderer;
    QImage m_frame;
    QString m_webAddress;

    CBitSlider* m_speed = nullptr;
    CBitSlider* m_brightness = nullptr;
    CBitSlider* m_report = nullptr;
    int m_lastDrawnSpeed = 0, m_lastDrawnBrightness = 0, m_lastDrawnReport = 0;
    SliderPlan m_plan;

    bool m_connected = false;
    bool m_initialReadStarted = false;
    bool m_configurationKnown = false;
    bool m_busy = false;
    bool m_arrivalPending = false;  // an arrival seen while a transfer ran
    bool m_closeAfterSave = false;  // Save was chosen on closing: end once it completed
    bool m_endWhenIdle = false;     // an end nobody could be asked about, waiting for a transfer
    bool m_ended = false;           // keymap.bin has been written for the end
    QStringList m_warningsWhenShown;  // caption and text pairs
    QString m_busyText;
    std::atomic<int> m_progressDone{0};
    std::atomic<int> m_progressTotal{0};
    std::thread m_worker;
    ChangeHistory m_history;
    bool m_verifySaves = true;
    KeyboardLayout m_layout;
    bool m_legendsFollowLayout = true;
    std::array<QString, kPhysicalSlots> m_legends;
    KeyNameTable m_keyNames = keyNames();
    WriteResult m_lastSave;
    ReadBackResult m_lastSaveCheck;
    int m_savesFinished = 0;
    bool m_switchingSave = false;  // the next save is a profile switch
    QTimer* m_sliderRest = nullptr;    // a slider move becomes one step once it rests
    QPoint m_dragOffset;
    bool m_manualDrag = false;
    unsigned m_uiGeneration = 0;
    int m_dialogsOpen = 0;  // dialogs running over the window that edit the configuration
};

}  // namespace vandrel
