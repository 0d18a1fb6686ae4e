#pragma once
// The configuration service: the one place that owns what the program holds
// about the keyboard (the working copy, the key records, the macro store, the
// shadow copies), the keyboard session and its worker thread, the undo
// history and the data files. Every front end is a client of it: the main
// window and its dialogs, vandrelctl's hand-off over the local socket, the
// D-Bus interface and the profile follower. The same operation therefore
// runs the same code whichever front end asks for it.
//
// Transfers with the keyboard run one at a time on a worker thread. A request
// that arrives while one runs waits in a queue and runs when it has ended;
// nothing polls. Every signal and every `done` callback comes on the thread
// the service lives on.

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/model/AppCommands.h"
#include "app/model/AppState.h"
#include "app/model/ChangeHistory.h"
#include "device/ReadBack.h"
#include "device/TransferResult.h"
#include "keymap/KeyAssignment.h"
#include "macro/MacroManager.h"
#include "profile/SessionLightingChoice.h"
#include "profile/SnapshotStore.h"

namespace vandrel {

class DeviceSession;
struct Snapshot;

// How a request of a front end ended. The kinds are those the tool reports as
// its exit codes and the D-Bus interface as its error names.
enum class ServiceStatus {
    Done,
    Refused,     // not carried out: the program's state does not allow it now
    Usage,       // the request itself is wrong
    NoKeyboard,  // no keyboard, or it went away
    NoAccess,    // the keyboard is there but cannot be opened
    NoAck,       // the keyboard did not acknowledge a write
    BadFile,     // a profile or file is missing, unreadable or malformed
};

struct ServiceResult {
    ServiceStatus status = ServiceStatus::Done;
    std::string message;  // for the user; empty when done
    // Set when a save to the keyboard ran for the request.
    bool saved = false;
    WriteResult write;
    ReadBackResult check;  // empty when the save was not checked
    bool ok() const { return status == ServiceStatus::Done; }
    static ServiceResult failure(ServiceStatus status, std::string message) {
        ServiceResult r;
        r.status = status;
        r.message = std::move(message);
        return r;
    }
};

// The status a transfer that did not complete is reported with.
ServiceStatus statusOf(TransferOutcome outcome);

// What the keyboard holds, as the tool prints and exports it.
struct KeyboardConfiguration {
    ShadowImage image;
    ShadowKeyRecords records;
    MacroStore macros;
    FirmwareVersion firmware;
};

// What the keyboard holds in the tool's JSON format (show, export, D-Bus State).
std::string keyboardConfigurationJson(const KeyboardConfiguration& configuration);

class ConfigurationService : public QObject {
    Q_OBJECT
public:
    struct Paths {
        std::filesystem::path dataFolder;     // keymap.bin, MacroDefine.bin, the history
        std::filesystem::path profileFolder;  // the profiles
    };
    using Done = std::function<void(const ServiceResult&)>;

    ConfigurationService(AppState& state, DeviceSession& session, Paths paths, QObject* parent = nullptr);
    ~ConfigurationService() override;

    // ---- what the program holds ------------------------------------------
    // The working copy is edited in place by the window's panel and sliders;
    // recordChange() then makes the edit an undo step.
    AppState& state() { return m_state; }
    const AppState& state() const { return m_state; }
    const Paths& paths() const { return m_paths; }
    DeviceSession& session() { return m_session; }

    // Whether the keyboard's command channel is open.
    bool connected() const { return m_connected; }
    // Whether both channels are open: without the listening one no save can
    // be acknowledged.
    bool bothChannelsOpen() const;
    // Whether the keyboard connected now has been read completely, so that
    // the shadow copy is its configuration.
    bool configurationKnown() const { return m_connected && m_configurationKnown; }
    // Whether a transfer runs (the window takes no input meanwhile).
    bool busy() const { return m_busy; }
    const QString& busyText() const { return m_busyText; }
    int progressDone() const { return m_progressDone.load(); }
    int progressTotal() const { return m_progressTotal.load(); }
    // Whether the working copy holds edits the keyboard does not have.
    bool hasUnsavedChanges() const;
    // The bottom line's text while something is unsaved (empty otherwise).
    QString pendingText() const;
    // What the keyboard holds (nothing before a complete read).
    std::optional<KeyboardConfiguration> keyboardConfiguration() const;
    // A front end that edits the configuration has a dialog open over it
    // (the window's modal dialogs): requests from elsewhere are refused then.
    void setEditorOpenCheck(std::function<bool()> check) { m_editorOpen = std::move(check); }
    bool editorOpen() const { return m_editorOpen && m_editorOpen(); }

    // The last save's result, its check, and how many saves finished.
    const WriteResult& lastSave() const { return m_lastSave; }
    const ReadBackResult& lastSaveCheck() const { return m_lastSaveCheck; }
    int savesFinished() const { return m_savesFinished; }

    bool verifySaves() const { return m_verifySaves; }
    void setVerifySaves(bool on);

    // ---- start, the keyboard's arrival and removal, the end ----------------
    // The data files, before the keyboard is read (its values come last).
    void loadFiles();
    // Opens the keyboard's channels and reads it on the worker thread.
    void connectKeyboard();
    void deviceArrived();
    void deviceRemoved();
    // Stops the listener and closes the channels; writes no file.
    void shutDown();
    // Runs the transfer under way and everything queued behind it to the end
    // on this thread, without an event loop (the end of the program, tests).
    void finishNow();

    // keymap.bin gets what the keyboard holds, macros the keyboard never got
    // are dropped, and ended() is emitted; once. During a transfer it waits
    // for the transfer's end.
    void end();
    void endWhenIdle();
    bool ended() const { return m_ended; }

    // ---- operations ----------------------------------------------------------
    // Writes the working copy to the keyboard (with the check unless it is
    // off), after keeping the keyboard's configuration in the history.
    void save(Done done = {});
    // Save, then end() once the save completed.
    void saveThenEnd();
    // The keyboard's configuration replaces the edits, the macros included.
    void cancel();
    // Resets the keyboard and reads it back.
    void factoryReset(Done done = {});
    // Undo and redo of the last change.
    void undo();
    void redo();
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    // A change of the working copy is complete: it becomes an undo step.
    // Returns the parts it touched (0: nothing changed).
    unsigned recordChange(bool mergeWithLast = false);
    const ChangeHistory& history() const { return m_history; }
    // A snapshot of the configuration history replaces the working copy.
    void restoreSnapshot(const Snapshot& snapshot);

    // The requests of the tool and the D-Bus interface. They wait for a
    // transfer under way, are refused while the program cannot take them
    // (no keyboard, a dialog open, unsaved edits), change the working copy
    // only when every value fits, and save it at once.
    // `assignments`: "effect=breathing", "brightness=3", ...
    void setSettings(const std::vector<std::string>& assignments, Done done);
    // `profile`: a profile name of the profile folder or a file path.
    // `everyKeyConfirmed`: a profile that disables every key may be written.
    void applyProfile(const std::string& profile, bool everyKeyConfirmed, Done done);
    // What the keyboard holds, once a transfer under way has ended.
    void readConfiguration(std::function<void(const ServiceResult&, const KeyboardConfiguration*)> done);
    // A profile switch that follows the focused window: the configuration
    // goes onto the keyboard as no edit of the user's (no undo step, no
    // history snapshot). `profile` empty: back to the configuration before.
    // Only while nothing is unsaved and no transfer runs.
    void switchForRule(const DeviceImage& image, const KeyRecordTable& keys, const QString& profile,
                       const QString& reason, Done done);
    // A paint operation on the custom maps from the tool or D-Bus. It waits
    // for a transfer under way and is refused as setSettings is (no
    // keyboard, a dialog open, unsaved edits). `paint` works on a copy of
    // the working copy and returns how many keys it changed: when it changed
    // some, the copy becomes the working copy as ONE undo step and is saved
    // at once (only the maps that changed are sent); when it changed none,
    // nothing is written and `done` gets success.
    void paintDiy(const std::function<int(DeviceImage&)>& paint, Done done);
    // A change made to the configuration by a front end as a whole (not an
    // edit in the window's panel): it becomes an undo step, the window shows
    // it, and it is saved at once.
    void applyChange(const std::function<void(AppState&)>& change, Done done);

    // ---- the lights while the desktop session is away -------------------------
    // `cap`: the brightness the keyboard may show while the session is away
    // (0: dark); nothing: the saved lighting again. The keyboard gets only
    // its lighting, through the queue, with the check; the working copy and
    // what counts as saved stay as they are. Until the cap is lifted every
    // save sends its lighting capped the same way. The saved lighting is
    // kept in the data folder while the keyboard shows another, and put back
    // by the next start's read if the program ends before.
    // `done` gets saved=true when a write ran.
    void setLightsAway(std::optional<uint8_t> cap, Done done);
    // Asked before the lights go down for the session (a write that shows
    // them darker than the keyboard shows now): an answer other than empty
    // keeps them as they are, for that reason (the keyboard's write limit is
    // spent). The way back is never asked: the keyboard is not left dark.
    void setLightsDownGate(std::function<std::string()> gate) { m_lightsDownGate = std::move(gate); }
    // Why the lights stayed as they were when the session went away (empty:
    // they did not, or the session is back).
    const std::string& lightsKeptWhy() const { return m_lightsKeptWhy; }
    // The lighting the keyboard shows when it is not the saved one.
    const std::optional<LightingBytes>& shownLighting() const { return m_shownLighting; }
    static std::filesystem::path lightingReturnFile(const std::filesystem::path& dataFolder) {
        return dataFolder / kLightingReturnFileName;
    }

    // ---- what the window's dialogs hand over ---------------------------------
    // Before the key-map dialog opens: the records as keymap.bin holds them.
    void beginKeyEdit();
    // The key-map dialog ended with OK. keymap.bin is written once.
    AssignResult assignKey(AssignmentRequest& request, const KeyRecord& recordBefore);
    // The macro manager ended with OK: keys follow their macros.
    void macrosEdited(const MacroRenumbering& moved);
    // The profile dialog ended; `before` is the configuration it started
    // from (kept in the history when the dialog replaced it).
    void profileDialogEnded(const Snapshot& before);

signals:
    // The working copy was replaced from outside the panel (a read, undo, a
    // profile, a switch): the sliders and the panel follow it. `effectBefore`
    // is the effect it had (-1: the panel follows the effect whatever it was);
    // `panelReset`: a factory reset, the panel starts over.
    void workingCopyReplaced(int effectBefore, bool panelReset);
    // A transfer started or ended, or its progress moved.
    void busyChanged(bool busy);
    void progressChanged();
    void connectionChanged();
    // What the program knows the keyboard holds changed.
    void keyboardConfigurationChanged();
    // A read of the keyboard has been handled; `firmwareKnown` when it
    // completed (an update may be offered).
    void refreshed(bool firmwareKnown);
    // Something the user must be told.
    void warning(const QString& caption, const QString& text);
    // Keys whose records disagreed with the keyboard after a read.
    void recordsReconciled(const std::vector<int>& keySlots);
    // A code of a launch key arrived from the keyboard.
    void launchKeyPressed(uint8_t code);
    // A profile went onto the keyboard: by request ("request"), by a rule
    // ("rule", "default") or back ("revert", empty name).
    void profileApplied(const QString& name, const QString& reason);
    void verifySavesChanged(bool on);
    // The lights stayed up for the session, or no longer do (lightsKeptWhy()).
    void lightsKeptChanged();
    // end() has written its files.
    void endedSignal();

private:
    using Continuation = std::function<void()>;
    void runInBackground(const QString& text, std::function<Continuation()> job);
    // `generation`: the transfer the call is for; a call for one that
    // finishNow() already finished does nothing.
    void finishBackground(unsigned generation);
    void reportProgress(int done, int total);
    // Runs `op` now when no transfer runs, else once the queue reaches it.
    void whenIdle(std::function<void()> op);
    void runQueued();

    void startInitialRead();
    void startReconnectRead(bool sendRefresh);
    void retryWhileDeviceBusy();
    void afterRead(bool carriesRead, TransferOutcome outcome, const DeviceImage& read, const FirmwareVersion& fw,
                   bool fromKeyboard);
    void reconcileKeyRecords();
    void afterHistoryWrite(unsigned parts, uint8_t effectBefore);
    void saveNow(bool switching, Done done);
    // Writes the lighting the keyboard should show (the saved lighting under
    // the cap) when it shows another.
    void showLighting(Done done);
    // The saved lighting on disk while the keyboard shows another; the file
    // gone once it shows the saved one.
    void keepLightingReturn();
    // After a read: the lighting read is what the keyboard shows; the saved
    // lighting is `saved` (the one before the read, or the one kept on disk).
    void takeShownLighting(const DeviceImage& read, const LightingBytes& saved);
    // The checks every request from outside makes before it changes anything.
    std::optional<ServiceResult> refusal() const;

    void reportFile(const FileWrite& write);
    void reportFiles(const std::vector<FileNotice>& notices);
    std::error_code keepSnapshot(const Snapshot& snapshot);
    std::error_code keepSnapshotBeforeSave();
    void reportHistoryNotKept(const std::error_code& why);
    void rememberGameMode(uint8_t gameMode);

    AppState& m_state;
    DeviceSession& m_session;
    Paths m_paths;
    ChangeHistory m_history;
    std::function<bool()> m_editorOpen;

    bool m_connected = false;
    bool m_initialReadStarted = false;
    bool m_configurationKnown = false;
    bool m_busy = false;
    bool m_arrivalPending = false;
    bool m_endAfterSave = false;
    bool m_endWhenIdle = false;
    bool m_ended = false;
    bool m_verifySaves = true;
    QString m_busyText;
    std::atomic<int> m_progressDone{0};
    std::atomic<int> m_progressTotal{0};

    std::thread m_worker;
    // What the worker's job left to do on this thread; taken by whoever
    // finishes the transfer first (the queued call or finishNow()).
    std::mutex m_finishMutex;
    std::optional<Continuation> m_finish;
    unsigned m_generation = 0;
    std::deque<std::function<void()>> m_queue;

    std::optional<uint8_t> m_awayCap;
    std::optional<LightingBytes> m_shownLighting;
    std::function<std::string()> m_lightsDownGate;
    std::string m_lightsKeptWhy;

    WriteResult m_lastSave;
    ReadBackResult m_lastSaveCheck;
    int m_savesFinished = 0;
};

}  // namespace vandrel
