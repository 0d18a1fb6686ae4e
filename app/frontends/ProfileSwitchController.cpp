#include "app/frontends/ProfileSwitchController.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "app/service/ConfigurationService.h"
#include "app/service/SessionLighting.h"
#include "profile/ProfileFile.h"
#include "device/Clock.h"
#include "keymap/KeymapFile.h"
#include "platform/focus/FocusBackend.h"
#include "profile/ConfigurationCheck.h"
#include "profile/SwitchWriteLog.h"

#include <iostream>

namespace vandrel {

namespace {

QString reasonName(SwitchReason r) {
    switch (r) {
    case SwitchReason::Rule: return QStringLiteral("rule");
    case SwitchReason::Default: return QStringLiteral("default");
    case SwitchReason::Revert: break;
    }
    return QStringLiteral("revert");
}

}  // namespace

ProfileSwitchController::ProfileSwitchController(ConfigurationService& service, Clock& clock, QString profileFolder,
                                                 std::filesystem::path dataFolder, RuleSettings settings,
                                                 QObject* parent)
    : QObject(parent),
      m_service(service),
      m_clock(clock),
      m_profileFolder(std::move(profileFolder)),
      m_dataFolder(std::move(dataFolder)),
      m_settings(std::move(settings)),
      m_switcher(clock) {
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &ProfileSwitchController::poll);
    // The settings file is rewritten as a whole: a burst of changes is read once.
    m_settingsSettle = new QTimer(this);
    m_settingsSettle->setSingleShot(true);
    m_settingsSettle->setInterval(100);
    connect(m_settingsSettle, &QTimer::timeout, this, [this] {
        watchSettings();
        reload();
    });
    connect(&m_service, &ConfigurationService::keyboardConfigurationChanged, this,
            &ProfileSwitchController::keyboardConfigurationChanged);
}

ProfileSwitchController::~ProfileSwitchController() { m_service.setLightsDownGate({}); }

void ProfileSwitchController::start(std::unique_ptr<FocusBackend> backend, const QString& desktopName,
                                    QString unavailableWhy) {
    m_desktopName = desktopName;
    m_unavailable = std::move(unavailableWhy);
    // A keyboard read before this start is where switching starts from.
    m_configurationSeen = m_service.configurationKnown();
    m_switcher.restoreWriteAges(
        readSwitchWriteAges(m_dataFolder / kSwitchWriteLogName, QDateTime::currentMSecsSinceEpoch()));
    resumeFromDisk();
    reload();
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_settingsSettle, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settingsSettle, qOverload<>(&QTimer::start));
    watchSettings();
    if (!backend) {
        emit statusChanged();
        return;
    }
    m_backend = std::move(backend);
    connect(m_backend.get(), &FocusBackend::focusChanged, this, &ProfileSwitchController::focusChanged);
    connect(m_backend.get(), &FocusBackend::stopped, this, [this](const QString& why) {
        m_following = false;
        m_unavailable = why;
        emit statusChanged();
    });
    QString why;
    m_following = m_backend->start(&why);
    if (!m_following) m_unavailable = why;
    emit statusChanged();
}

void ProfileSwitchController::watchSettings() {
    // The file may not exist yet; its folder is watched for it to appear.
    const QFileInfo file(m_settings.file());
    QDir().mkpath(file.absolutePath());
    if (!m_watcher->directories().contains(file.absolutePath())) m_watcher->addPath(file.absolutePath());
    if (file.exists() && !m_watcher->files().contains(file.absoluteFilePath()))
        m_watcher->addPath(file.absoluteFilePath());
}

std::filesystem::path ProfileSwitchController::returnFile(const std::filesystem::path& dataFolder) {
    return dataFolder / kSwitchReturnFileName;
}

void ProfileSwitchController::resumeFromDisk() {
    // An earlier run ended while a rule's profile was on the keyboard.
    const std::filesystem::path file = returnFile(m_dataFolder);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return;
    auto kept = std::make_unique<std::pair<DeviceImage, KeyRecordTable>>();
    std::string error;
    if (!loadProfileFile(file, kept->first, kept->second, error) ||
        std::filesystem::file_size(file, ec) != kKeymapFileBytes) {
        // Nothing usable to go back to; the file is left for the user to look at.
        std::cerr << "Vandrel: the configuration to return to after a profile switch cannot be read ("
                  << (error.empty() ? file.string() + " has the wrong size" : error) << ")" << std::endl;
        return;
    }
    m_kept = std::move(kept);
    m_switcher.resumeSwitched();
}

bool ProfileSwitchController::keep(const DeviceImage& image, const KeyRecordTable& keys, std::string& why) {
    m_kept = std::make_unique<std::pair<DeviceImage, KeyRecordTable>>(image, keys);
    if (WriteConfigurationFile(returnFile(m_dataFolder), image, keys)) return true;
    why = "the configuration to return to could not be kept in " + returnFile(m_dataFolder).string();
    m_kept.reset();
    return false;
}

void ProfileSwitchController::forgetKept() {
    m_kept.reset();
    std::error_code ec;
    std::filesystem::remove(returnFile(m_dataFolder), ec);
}

void ProfileSwitchController::keepWriteTimes() {
    if (!writeSwitchWriteAges(m_dataFolder / kSwitchWriteLogName, m_switcher.recentWriteAgesMs(),
                              QDateTime::currentMSecsSinceEpoch()))
        std::cerr << "Vandrel: the times of profile switches could not be kept in "
                  << (m_dataFolder / kSwitchWriteLogName).string() << std::endl;
}

void ProfileSwitchController::countWritesOf(SessionLighting& lighting) {
    m_service.setLightsDownGate([this] { return writeLimitReason(); });
    connect(&lighting, &SessionLighting::lightingWritten, this, [this] {
        m_switcher.noteWrite();
        m_settings.addWrites(1);
        keepWriteTimes();
        // A switch held by the limit waits longer now.
        schedule();
        emit statusChanged();
    });
}

std::string ProfileSwitchController::writeLimitReason() const {
    const int64_t ends = m_switcher.writeLimitEndsMs();
    const int64_t left = ends - m_clock.nowMs();
    if (ends < 0 || left <= 0) return {};
    const ProfileSwitcher::Limits& limits = m_switcher.limits();
    return "the keyboard's write limit is spent (" + std::to_string(limits.writesPerWindow) + " writes in " +
           std::to_string(limits.writeWindowMs / 60000) + " minutes); the next may be made in " +
           std::to_string((left + 999) / 1000) + " s";
}

void ProfileSwitchController::reload() {
    const RuleSet before = m_switcher.rules();
    m_switcher.setRules(m_settings.rules());
    if (!(before == m_switcher.rules())) emit rulesChanged();
    m_switcher.setEnabled(m_settings.enabled());
    schedule();
    emit statusChanged();
}

SwitchStatus ProfileSwitchController::status() const {
    SwitchStatus s;
    s.desktop = m_desktopName.toStdString();
    s.following = m_following;
    s.unavailable = m_unavailable.toStdString();
    s.enabled = m_switcher.enabled();
    s.switched = m_switcher.switched();
    s.activeProfile = m_switcher.activeProfile();
    s.hold = m_switcher.hold();
    s.failure = m_switcher.failure();
    s.writes = m_settings.writes();
    for (const auto& [profile, why] : m_switcher.missingProfiles()) s.missingProfiles.push_back({profile, why});
    if (!m_switcher.focus().isDesktop) {
        s.focusClass = m_switcher.focus().windowClass;
        s.focusInstance = m_switcher.focus().instance;
        s.focusTitle = m_switcher.focus().title;
    }
    return s;
}

void ProfileSwitchController::focusChanged(const FocusEvent& focus) {
    // A desktop script that reports after all (an extension enabled late) works.
    if (!m_following) {
        m_following = true;
        m_unavailable.clear();
    }
    m_switcher.focusChanged(focus);
    schedule();
    emit statusChanged();
}

void ProfileSwitchController::keyboardConfigurationChanged() {
    if (m_applying) {
        m_configurationSeen = true;
        return;
    }
    // The first read of the keyboard is where switching starts from; any
    // later change not made by a switch is the user's own choice.
    if (m_configurationSeen) {
        m_switcher.configurationChangedElsewhere();
        forgetKept();
        emit statusChanged();
    }
    m_configurationSeen = true;
    schedule();
}

void ProfileSwitchController::schedule() {
    const int64_t next = m_switcher.nextPollMs();
    if (next < 0) {
        m_timer->stop();
        return;
    }
    m_timer->start(static_cast<int>(std::max<int64_t>(0, next - m_clock.nowMs())));
}

void ProfileSwitchController::poll() {
    SwitchConditions c;
    c.ready = m_service.configurationKnown();
    c.busy = m_applying || m_service.busy() || m_service.editorOpen();
    c.unsaved = c.ready && m_service.hasUnsavedChanges();
    c.keys = m_backend ? m_backend->keyState() : KeyState::Unknown;
    const std::optional<SwitchRequest> request = m_switcher.poll(c);
    if (m_switcher.hold() != m_lastHold) {
        m_lastHold = m_switcher.hold();
        emit statusChanged();
    }
    if (request) carryOut(*request);
    schedule();
}

void ProfileSwitchController::carryOut(const SwitchRequest& r) {
    const AppState& state = m_service.state();
    auto next = std::make_unique<std::pair<DeviceImage, KeyRecordTable>>(state.image, state.keys);
    if (r.revert) {
        if (!m_kept) {
            m_switcher.finished(SwitchOutcome::Failed, "the configuration to go back to is not known");
            emit statusChanged();
            return;
        }
        *next = *m_kept;
    } else {
        const std::filesystem::path file =
            profileFilePath(std::filesystem::path(m_profileFolder.toStdU16String()), r.profile);
        std::string error;
        // A profile deleted or renamed since the rule was made: the window
        // counts as one no rule matches, and the user is told.
        if (!loadProfileFile(file, next->first, next->second, error)) {
            m_switcher.finished(SwitchOutcome::ProfileMissing, error);
            emit ruleProfileMissing(QString::fromStdString(r.profile), QString::fromStdString(error));
            emit statusChanged();
            return;
        }
        // Nobody is asked during a switch: a profile the keyboard cannot take
        // (an old blank one, an impossible value) or one that disables every
        // key is not written at all.
        if (checkConfiguration(next->first, false, SettingName, error) != ConfigurationVerdict::Writable) {
            if (error.find(file.string()) == std::string::npos) error = file.string() + ": " + error;
            m_switcher.finished(SwitchOutcome::Failed, error);
            emit statusChanged();
            return;
        }
        // The way back is on disk before the profile goes onto the keyboard.
        std::string why;
        if (r.keepConfiguration && !keep(state.shadow, state.shadowKeys, why)) {
            m_switcher.finished(SwitchOutcome::Failed, why);
            emit statusChanged();
            return;
        }
    }
    m_applying = true;
    const QString profile = r.revert ? QString() : QString::fromStdString(r.profile);
    m_service.switchForRule(next->first, next->second, profile, reasonName(r.reason), [this, r, profile](const ServiceResult& result) {
        const WriteResult& w = result.write;
        SwitchOutcome outcome = SwitchOutcome::Failed;
        if (w.ok()) outcome = w.stepsTotal > 0 ? SwitchOutcome::Written : SwitchOutcome::NothingToWrite;
        m_switcher.finished(outcome, w.ok() ? std::string() : std::string("the keyboard did not take it (") +
                                                                  transferOutcomeName(w.outcome) + ")");
        if (outcome == SwitchOutcome::Written) {
            m_settings.addWrites(1);
            keepWriteTimes();
        }
        if (w.ok()) {
            if (r.revert) forgetKept();
            emit profileApplied(profile, reasonName(r.reason));
        }
        // The service announces the new configuration right after this: it is
        // the switch's own, not a change made elsewhere.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_applying = false;
                schedule();
            },
            Qt::QueuedConnection);
        emit statusChanged();
    });
}

}  // namespace vandrel
