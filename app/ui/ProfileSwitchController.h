#pragma once
// Profiles that follow the focused window, in the running program: the
// desktop's focus backend reports the window, the switching model decides
// when a switch is due, and the window writes it like a save of its own.
// The rules come from the program's settings file and are followed as
// vandrelctl or the rules window change them.

#include <QObject>
#include <QString>
#include <memory>
#include <utility>

#include "app/model/RulesDialogModel.h"
#include "cli/RuleSettings.h"
#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "profile/ProfileSwitcher.h"

class QFileSystemWatcher;
class QTimer;

namespace vandrel {

class CTarvinDlg;
class Clock;
class FocusBackend;

class ProfileSwitchController : public QObject {
    Q_OBJECT
public:
    ProfileSwitchController(CTarvinDlg& window, Clock& clock, QString profileFolder, RuleSettings settings,
                            QObject* parent = nullptr);
    ~ProfileSwitchController() override;

    // Starts following the focus with `backend`; without one (or when it
    // cannot start) switching is unavailable, for the reason given.
    void start(std::unique_ptr<FocusBackend> backend, const QString& desktopName, QString unavailableWhy = {});

    // The desktop and whether the focus can be followed there.
    const QString& desktopName() const { return m_desktopName; }
    bool following() const { return m_following; }
    const QString& unavailableReason() const { return m_unavailable; }
    FocusBackend* backend() const { return m_backend.get(); }

    const ProfileSwitcher& switcher() const { return m_switcher; }
    RuleSettings& settings() { return m_settings; }
    const QString& profileFolder() const { return m_profileFolder; }
    // Writes made by switching, over every run.
    long long totalWrites() const { return m_settings.writes(); }

    // Reads the rules and switches from the settings again.
    void reload();

    // What the rules window and the tray show.
    SwitchStatus status() const;

signals:
    // A switch was written: the profile (empty for a revert) and why
    // ("rule", "default", "revert").
    void profileApplied(const QString& name, const QString& reason);
    // Something the rules window or the tray shows changed.
    void statusChanged();

private:
    void focusChanged(const FocusEvent& focus);
    void poll();
    void schedule();
    void carryOut(const SwitchRequest& request);
    void keyboardConfigurationChanged();
    void watchSettings();

    CTarvinDlg& m_window;
    Clock& m_clock;
    QString m_profileFolder;
    RuleSettings m_settings;
    ProfileSwitcher m_switcher;
    std::unique_ptr<FocusBackend> m_backend;
    QString m_desktopName;
    QString m_unavailable;
    bool m_following = false;
    QTimer* m_timer = nullptr;
    QTimer* m_settingsSettle = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    // The keyboard's configuration before the first switch, to go back to.
    std::unique_ptr<std::pair<DeviceImage, KeyRecordTable>> m_kept;
    bool m_applying = false;
    bool m_configurationSeen = false;
    SwitchHold m_lastHold = SwitchHold::None;
};

}  // namespace vandrel
