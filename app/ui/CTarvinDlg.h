#pragma once
// The main window: a frameless window the size of main.png, composed off
// screen at every drawing and shown with one copy. Mouse input goes to the
// window's model; this class runs the dialogs a click asks for and hands
// every operation on the configuration to the configuration service, whose
// state it draws. It keeps the three sliders in step with the configuration.
//
// While the service runs a transfer the window shows its progress and the
// wait cursor and takes no input.

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/draw/MainWindowRenderer.h"
#include "theme/SkinCache.h"
#include "app/model/AppCommands.h"
#include "app/model/AppState.h"
#include "app/model/ChangeHistory.h"
#include "app/service/ConfigurationService.h"
#include "app/model/MainWindowModel.h"
#include "app/ui/AppEvents.h"
#include "app/ui/WindowHooks.h"
#include "app/ui/WindowSliders.h"
#include "app/ui/access/DrawnElementSource.h"
#include "device/ReadBack.h"
#include "keymap/KeyAssignment.h"
#include "keys/KeyNameTable.h"
#include "layout/KeyboardLayout.h"

class QTimer;

namespace vandrel {

class CBitSlider;
class DeviceSession;

struct WindowPaths {
    QString programFolder;              // skins and VER.bin
    std::filesystem::path dataFolder;   // keymap.bin and MacroDefine.bin
    // The profiles (empty: "Configure" in the data folder).
    std::filesystem::path profileFolder;
    QString skinFolder() const { return programFolder + QStringLiteral("/png"); }
    // Language folder inside png/ ("en") whose images replace the Chinese
    // ones, or empty.
    QString skinLanguage;
    QString skinOverlay() const { return skinLanguage.isEmpty() ? QString() : skinFolder() + u'/' + skinLanguage; }
};

class CTarvinDlg : public QWidget, public DrawnElementSource {
    Q_OBJECT
public:
    // The window of the program's configuration service.
    CTarvinDlg(ConfigurationService& service, WindowPaths paths, QWidget* parent = nullptr);
    // A window with a service of its own on `state` and `session`.
    CTarvinDlg(AppState& state, DeviceSession& session, WindowPaths paths, QWidget* parent = nullptr);
    ~CTarvinDlg() override;

    WindowHooks& hooks() { return m_hooks; }
    ConfigurationService& service() { return m_service; }
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
    bool connected() const { return m_service.connected(); }
    // Whether both channels are open: without the listening one no save can be
    // acknowledged, so start-up treats the keyboard as absent.
    bool bothChannelsOpen() const { return m_service.bothChannelsOpen(); }
    // Whether the keyboard connected now has been read completely, so that
    // the state's shadow copy is its configuration.
    bool configurationKnown() const { return m_service.configurationKnown(); }
    bool busy() const { return m_service.busy(); }

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
    void deviceArrived() { m_service.deviceArrived(); }
    void deviceRemoved() { m_service.deviceRemoved(); }
    // Stops the listener and closes the channels; writes no file.
    void shutDown() { m_service.shutDown(); }

    // A change from outside the window (the command-line tool): `change`
    // edits the configuration, the window shows it and saves it at once, and
    // `done` gets the write's result on the window thread. Call it only while
    // no transfer runs.
    void saveExternalChange(const std::function<void(AppState&)>& change,
                            std::function<void(const WriteResult&)> done);
    // Whether the window holds edits that were not saved to the keyboard.
    bool hasUnsavedChanges() const { return m_service.hasUnsavedChanges(); }

    // Composes the window now and returns it; with `area`, only that area
    // of it again.
    QImage composeFrame(const QRect& area = QRect());
    const MainWindowModel& model() const { return m_model; }
    MainWindowModel& model() { return m_model; }
    CBitSlider* slider(int controlId) const;
    const SkinCache& skins() const { return m_skins; }
    void redraw();

    // Undo and redo of the last change to the configuration (Ctrl+Z,
    // Ctrl+Shift+Z, Ctrl+Y, the window's context menu).
    void undo();
    void redo();
    const ChangeHistory& history() const { return m_service.history(); }
    // Whether a save reads back what it wrote (on unless the user turned it off).
    bool verifySaves() const { return m_service.verifySaves(); }
    // Switches the check after each save; the service says so when the
    // setting changes so that the application can remember it.
    void setVerifySaves(bool on) { m_service.setVerifySaves(on); }
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
    QString pendingText() const { return m_service.pendingText(); }
    // The bottom line: what is unsaved, that the lights are down for the
    // session, or that the write limit kept them up (empty: none of these).
    QString bottomLineText() const;
    static QString lightsDownText();
    static QString lightsKeptText();

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
    // What both constructors share; `service` is the window's service.
    void setUp();
    void setSlidersFromImage();
    SliderView sliderView(int controlId, bool drawn);
    void onSliderChanged(int controlId);
    void runCommand(const ClickResult& click);
    // A key that moves the focus or acts on the focused element; false when
    // it was not the window's.
    bool navigate(NavKey key);
    // The toolkit's focus follows the model's: a slider's own, or the window's.
    void followFocus();

    // What the service reports.
    void onWorkingCopyReplaced(int effectBefore, bool panelReset);
    void onBusyChanged(bool busy);
    void onRecordsReconciled(const std::vector<int>& keySlots);
    void onRefreshed(bool firmwareKnown);
    void onEnded();

    void save();
    void cancel();
    void factoryReset();
    // A warning that waits until the window shows (one raised during the
    // splash would have no window to sit on).
    void warnWhenShown(const QString& caption, const QString& text);
    void hideWindow();
    void minimise();
    void editKey(int slot);
    void pickPaletteColour(int entry);
    void paintKey(int slot);
    // The painting tools: a press the tools take, what they did, their
    // keys on the picture, and their dialogs.
    bool diyPress(QMouseEvent* event);
    void applyDiy(const DiyResult& result);
    bool diyKeyPress(QKeyEvent* event);
    void pickDiyColour(bool second);
    void importPicture();
    void exportPicture();
    // The area of the window a key's look covers, its hover frame included.
    static QRect keyArea(int slot);
    void runProfiles();
    void runMacroManager();
    // A change of the user's is complete: it becomes an undo step.
    void recordChange(bool mergeWithLast = false);
    void updateLegends();

    std::unique_ptr<ConfigurationService> m_ownService;  // the second constructor's
    ConfigurationService& m_service;
    AppState& m_state;
    WindowPaths m_paths;
    WindowHooks m_hooks;
    MainWindowModel m_model;
    SkinCache m_skins;
    MainWindowRenderer m_renderer;
    QImage m_frame;
    QString m_webAddress;

    WindowSliders m_sliders;
    SliderPlan m_plan;

    QStringList m_warningsWhenShown;  // caption and text pairs
    bool m_waitCursor = false;
    KeyboardLayout m_layout;
    bool m_legendsFollowLayout = true;
    std::array<QString, kPhysicalSlots> m_legends;
    KeyNameTable m_keyNames = keyNames();
    QTimer* m_sliderRest = nullptr;    // a slider move becomes one step once it rests
    QPoint m_dragOffset;
    bool m_manualDrag = false;
    unsigned m_uiGeneration = 0;
    int m_dialogsOpen = 0;  // dialogs running over the window that edit the configuration
    bool m_diyTookMenu = false;  // a right press went to the eyedropper: no context menu
};

}  // namespace vandrel
