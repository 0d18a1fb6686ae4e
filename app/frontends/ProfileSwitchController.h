#pragma once
// Profiles that follow the focused window, in the running program: the
// desktop's focus backend reports the window, the switching model decides
// when a switch is due, and the configuration service writes it like a save
// of its own.
// The rules come from the program's settings file and are followed as
// vandrelctl or the rules window change them.
//
// The configuration to return to is kept in the data folder from the moment
// a rule's profile goes onto the keyboard until it is back, so that any end
// of the program (a logout's SIGTERM, kill -9, a crash) leaves it to the next
// start, which puts it back first. The times of the switching's writes are
// kept there too, so that the write limit holds over a restart.

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>
#include <utility>

#include "app/model/RulesDialogModel.h"
#include "platform/RuleSettings.h"
#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "profile/ProfileSwitcher.h"

class QFileSystemWatcher;
class QTimer;

namespace vandrel {

class ConfigurationService;
class Clock;
class SessionLighting;
class FocusBackend;

class ProfileSwitchController : public QObject {
    Q_OBJECT
public:
    // `dataFolder` keeps the configuration to return to and the write times.
    ProfileSwitchController(ConfigurationService& service, Clock& clock, QString profileFolder, std::filesystem::path dataFolder,
                            RuleSettings settings, QObject* parent = nullptr);
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

    // The session's lighting writes count in the switches' write limit (and
    // in the writes over every run). While the limit is spent the lights do
    // not go down for the session; they always come back.
    void countWritesOf(SessionLighting& lighting);
    // Why no write may be made now (empty: one may).
    std::string writeLimitReason() const;

    // Reads the rules and switches from the settings again.
    void reload();

    // What the rules window and the tray show.
    SwitchStatus status() const;

    // The file that holds the configuration to return to while a rule's
    // profile is on the keyboard (the layout of keymap.bin).
    static std::filesystem::path returnFile(const std::filesystem::path& dataFolder);

signals:
    // A switch was written: the profile (empty for a revert) and why
    // ("rule", "default", "revert").
    void profileApplied(const QString& name, const QString& reason);
    // Something the rules window or the tray shows changed.
    void statusChanged();
    // The rules read from the settings file changed.
    void rulesChanged();
    // The profile of the rule that matches the focused window is missing or
    // unreadable: the window is treated as unmatched.
    void ruleProfileMissing(const QString& profile, const QString& why);

private:
    void focusChanged(const FocusEvent& focus);
    void poll();
    void schedule();
    void carryOut(const SwitchRequest& request);
    void keyboardConfigurationChanged();
    void watchSettings();
    // The configuration to return to, in memory and on disk.
    bool keep(const DeviceImage& image, const KeyRecordTable& keys, std::string& why);
    void forgetKept();
    void resumeFromDisk();
    void keepWriteTimes();

    ConfigurationService& m_service;
    Clock& m_clock;
    QString m_profileFolder;
    std::filesystem::path m_dataFolder;
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
