#include "app/service/ConfigurationService.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cstring>
#include <iostream>
#include <utility>

#include "app/draw/ModelText.h"
#include "app/model/ConfigHistory.h"
#include "app/model/PendingChanges.h"
#include "config/ConfigJson.h"
#include "config/Settings.h"
#include "profile/ProfileFile.h"
#include "device/Commands.h"
#include "device/DeviceSession.h"
#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroStoreFile.h"
#include "profile/ConfigurationCheck.h"
#include "profile/GameModeMemory.h"

namespace vandrel {

namespace {

// Why a transfer did not complete, in the words of the program's messages.
QString failureText(TransferOutcome outcome, const char* consequence) {
    QString why;
    switch (outcome) {
    case TransferOutcome::NoAcknowledgement: why = ConfigurationService::tr("键盘没有响应，"); break;
    case TransferOutcome::DeviceGone: why = ConfigurationService::tr("键盘已断开连接，"); break;
    case TransferOutcome::NotConnected: why = ConfigurationService::tr("系统没有检测到游戏键盘，"); break;
    default: why = ConfigurationService::tr("与键盘通信失败，"); break;
    }
    return why + ConfigurationService::tr(consequence);
}

// A profile applied by request is named by its file, without ".bin".
QString profileNameOf(const std::filesystem::path& file) {
    return QString::fromStdU16String(file.stem().u16string());
}

}  // namespace

ServiceStatus statusOf(TransferOutcome outcome) {
    switch (outcome) {
    case TransferOutcome::Completed: return ServiceStatus::Done;
    case TransferOutcome::NoAcknowledgement: return ServiceStatus::NoAck;
    case TransferOutcome::DeviceGone:
    case TransferOutcome::NotConnected: return ServiceStatus::NoKeyboard;
    default: return ServiceStatus::Refused;
    }
}

std::string keyboardConfigurationJson(const KeyboardConfiguration& keyboard) {
    auto config = std::make_unique<config::Configuration>();
    config->image = keyboard.image;
    config->records = keyboard.records;
    config->macros = keyboard.macros;
    config->firmware = keyboard.firmware;
    return config::configurationToJson(*config);
}

ConfigurationService::ConfigurationService(AppState& state, DeviceSession& session, Paths paths, QObject* parent)
    : QObject(parent), m_state(state), m_session(session), m_paths(std::move(paths)) {}

ConfigurationService::~ConfigurationService() { shutDown(); }

bool ConfigurationService::bothChannelsOpen() const { return m_session.commandOpen() && m_session.listenOpen(); }

void ConfigurationService::setVerifySaves(bool on) {
    if (on == m_verifySaves) return;
    m_verifySaves = on;
    emit verifySavesChanged(on);
}

bool ConfigurationService::hasUnsavedChanges() const {
    DeviceImage image = m_state.image;
    applyWinLock(image);
    return compareImages(image, m_state.shadow).any() || !(m_state.keys == m_state.shadowKeys) ||
           macrosUnsaved(m_state);
}

QString ConfigurationService::pendingText() const {
    // Without a complete read there is no keyboard configuration to compare
    // with, so nothing counts as unsaved (a fresh start without a keyboard
    // would otherwise list the Windows key of the empty image as a change).
    if (!configurationKnown()) return {};
    const QString text = QString::fromStdString(pendingChangesText(m_state.image, m_state.shadow, modelLookup()));
    // Macro names, loop counts and macros past the keyboard's slots change
    // no byte of the image.
    if (text.isEmpty() && macrosUnsaved(m_state)) return tr("未保存：宏");
    return text;
}

std::optional<KeyboardConfiguration> ConfigurationService::keyboardConfiguration() const {
    if (!configurationKnown()) return std::nullopt;
    // What the keyboard holds: the shadow copy and its key records, not the
    // window's unsaved edits.
    KeyboardConfiguration c;
    c.image = m_state.shadow;
    c.records = m_state.shadowKeys;
    c.macros = m_state.macros;
    c.firmware = m_state.firmware;
    return c;
}

// ---- start, arrival, removal, the end -------------------------------------

void ConfigurationService::loadFiles() {
    // The files come first: the keyboard's values, read next, must be the
    // last ones written into the image.
    reportFiles(loadStartupFiles(m_state, m_paths.dataFolder));
    m_history.reset(m_state);
}

void ConfigurationService::connectKeyboard() {
    // Input codes arrive on a thread of the session's; they reach the
    // service through the application's queue, so that a code still under
    // way when the service goes away finds it gone instead of freed memory.
    const QPointer<ConfigurationService> self(this);
    m_session.setInputCallback([self](uint8_t code) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, code] {
                if (self) emit self->launchKeyPressed(code);
            },
            Qt::QueuedConnection);
    });
    if (m_session.openChannels().deviceBusy) retryWhileDeviceBusy();
    m_connected = m_session.commandOpen();
    if (m_connected) startInitialRead();
    emit connectionChanged();
}

void ConfigurationService::retryWhileDeviceBusy() {
    // Another process talks to the keyboard (a vandrelctl this program
    // cannot hear from): the keyboard is taken once it lets go.
    QTimer::singleShot(1000, this, [this] {
        if (!m_ended && !m_connected) deviceArrived();
    });
}

void ConfigurationService::deviceArrived() {
    // The device monitor reports an arrival only after the keyboard has had
    // its two seconds to settle. One during a transfer is handled when it ends.
    if (m_busy) {
        m_arrivalPending = true;
        return;
    }
    m_arrivalPending = false;
    const OpenResult opened = m_session.openChannels();
    if (opened.deviceBusy) retryWhileDeviceBusy();
    m_connected = m_session.commandOpen();
    if (opened.commandOpened) {
        // A keyboard that was absent at start has never been read.
        if (!m_initialReadStarted) startInitialRead();
        else startReconnectRead(opened.listenOpened);
    } else if (opened.listenOpened) {
        afterRead(false, TransferOutcome::Completed, {}, {}, true);
    }
    emit connectionChanged();
}

void ConfigurationService::deviceRemoved() {
    m_session.closeChannels();
    m_connected = false;
    m_configurationKnown = false;
    emit connectionChanged();
}

void ConfigurationService::shutDown() {
    m_session.setInputCallback({});
    if (m_worker.joinable()) m_worker.join();
    m_session.closeChannels();
    m_connected = false;
}

void ConfigurationService::startInitialRead() {
    // A program ended before the keyboard was read reads nothing any more.
    if (m_initialReadStarted || m_ended) return;
    m_initialReadStarted = true;
    // The read starts from the image as keymap.bin left it, so the bytes that
    // carry no device data keep the file's contents.
    const DeviceImage seed = m_state.image;
    const bool gameModeOff = GameModeMemory(m_paths.dataFolder).savedOff();
    runInBackground(tr("正在读取键盘设置…"), [this, seed, gameModeOff]() -> Continuation {
        auto image = std::make_shared<DeviceImage>(seed);
        auto firmware = std::make_shared<FirmwareVersion>();
        const TransferOutcome outcome = m_session.initialRead(*image, *firmware);
        // The read switched game mode on; the user's saved choice was off.
        if (outcome == TransferOutcome::Completed && gameModeOff) m_session.restoreGameModeOff(*image);
        return [this, image, firmware, outcome] { afterRead(true, outcome, *image, *firmware, true); };
    });
}

void ConfigurationService::startReconnectRead(bool sendRefresh) {
    const DeviceImage seed = m_state.image;
    const bool gameModeOff = GameModeMemory(m_paths.dataFolder).savedOff();
    runInBackground(tr("正在读取键盘设置…"), [this, seed, sendRefresh, gameModeOff]() -> Continuation {
        auto image = std::make_shared<DeviceImage>(seed);
        FirmwareVersion firmware;
        const TransferOutcome outcome = m_session.reconnectRead(*image, firmware);
        if (outcome == TransferOutcome::Completed && gameModeOff) m_session.restoreGameModeOff(*image);
        return [this, image, firmware, outcome, sendRefresh]() {
            if (outcome == TransferOutcome::Completed) {
                // The keyboard's configuration is known exactly again: it is
                // also what the next save compares against.
                const int effect = m_state.image.ledEffect;
                const LightingBytes saved = lightingOf(m_state.shadow);
                const bool lightingAway = m_shownLighting || m_awayCap;
                m_state.image = *image;
                m_state.shadow = *image;
                // While the session's lights are down the keyboard shows
                // other lighting than the saved one.
                if (lightingAway) takeShownLighting(*image, saved);
                m_state.firmware = firmware;
                m_configurationKnown = true;
                reconcileKeyRecords();
                m_history.rebase(m_state);
                if (!sendRefresh) reportFile(refreshAfterReload(m_state, m_paths.dataFolder));
                emit workingCopyReplaced(effect, false);
            }
            if (sendRefresh) afterRead(false, outcome, {}, {}, true);
            if (outcome == TransferOutcome::Completed && (m_shownLighting || m_awayCap)) showLighting({});
        };
    });
}

void ConfigurationService::afterRead(bool carriesRead, TransferOutcome outcome, const DeviceImage& read,
                                     const FirmwareVersion& firmware, bool fromKeyboard) {
    const int effect = m_state.image.ledEffect;
    // After a read that broke off the firmware version is not known for this
    // connection: no update is offered on the strength of an older answer.
    const bool readOk = outcome == TransferOutcome::Completed;
    // A start-up read that broke off leaves the image with what keymap.bin held.
    if (carriesRead && readOk) {
        acceptInitialRead(m_state, read, firmware);
        reconcileKeyRecords();
    }
    if (carriesRead) m_configurationKnown = readOk;
    DeriveReassignedFlags(m_state.image, m_state.keys, m_state.reassigned);
    if (fromKeyboard && m_connected) m_session.getLighting(m_state.image);
    // The lighting the keyboard shows while the session is away is not the
    // user's: the working copy keeps the saved one.
    if (fromKeyboard && m_shownLighting) putLighting(m_state.image, lightingOf(m_state.shadow));
    // A run that ended while the session's lights were down left the saved
    // lighting on disk: it is the saved lighting, and goes back first.
    std::optional<LightingBytes> lightingToReturn;
    if (carriesRead && readOk) lightingToReturn = loadLightingReturn(lightingReturnFile(m_paths.dataFolder));
    if (lightingToReturn) {
        takeShownLighting(m_state.shadow, *lightingToReturn);
        putLighting(m_state.image, *lightingToReturn);
    }
    reportFile(saveKeymap(m_state, m_paths.dataFolder));
    // What the keyboard reports is no edit of the user's; a loaded profile is.
    if (fromKeyboard) m_history.rebase(m_state);
    else recordChange(true);
    emit workingCopyReplaced(effect, false);
    if (fromKeyboard) emit refreshed(readOk);
    if (lightingToReturn) showLighting({});
}

void ConfigurationService::reconcileKeyRecords() {
    // Records kept from a run that ended without its close (killed, a crash)
    // or of changes the keyboard came back without: the keyboard decides.
    const std::vector<int> differed = ReconcileKeyRecords(m_state.shadow, m_state.keys);
    ReconcileKeyRecords(m_state.shadow, m_state.shadowKeys);
    if (!differed.empty()) emit recordsReconciled(differed);
}

void ConfigurationService::end() {
    if (m_ended) return;
    if (m_busy) {
        m_endWhenIdle = true;
        return;
    }
    m_ended = true;
    reportFile(saveShadowOnClose(m_state, m_paths.dataFolder));
    // Macros the keyboard never got go with the other unsaved changes, so
    // the next start shows what the keyboard plays.
    if (const auto notice = restoreSavedMacros(m_state, m_paths.dataFolder)) reportFiles({*notice});
    // Requests still waiting are answered: nothing more reaches the keyboard.
    for (auto& op : std::exchange(m_queue, {})) op();
    emit endedSignal();
}

void ConfigurationService::endWhenIdle() { end(); }

// ---- work off the service's thread ----------------------------------------

void ConfigurationService::runInBackground(const QString& text, std::function<Continuation()> job) {
    if (m_worker.joinable()) m_worker.join();
    m_busy = true;
    m_busyText = text;
    m_progressDone = 0;
    m_progressTotal = 0;
    const unsigned generation = ++m_generation;
    emit busyChanged(true);
    m_worker = std::thread([this, generation, job = std::move(job)] {
        Continuation then = job();
        {
            std::lock_guard<std::mutex> lock(m_finishMutex);
            m_finish = std::move(then);
        }
        QMetaObject::invokeMethod(this, [this, generation] { finishBackground(generation); }, Qt::QueuedConnection);
    });
}

void ConfigurationService::finishBackground(unsigned generation) {
    if (generation != m_generation || !m_busy) return;
    if (m_worker.joinable()) m_worker.join();
    std::optional<Continuation> then;
    {
        std::lock_guard<std::mutex> lock(m_finishMutex);
        then = std::exchange(m_finish, std::nullopt);
    }
    // finishNow() got here first.
    if (!then) return;
    m_busy = false;
    m_busyText.clear();
    // Every change of what the keyboard holds ends a transfer: compare around it.
    const auto shadowBefore =
        std::make_unique<std::pair<ShadowImage, ShadowKeyRecords>>(m_state.shadow, m_state.shadowKeys);
    const bool knownBefore = configurationKnown();
    if (*then) (*then)();
    const bool changed = !(shadowBefore->first == m_state.shadow) || !(shadowBefore->second == m_state.shadowKeys);
    if (configurationKnown() && (changed || !knownBefore)) emit keyboardConfigurationChanged();
    emit busyChanged(m_busy);
    if (m_busy) return;
    if (m_endWhenIdle) {
        m_endWhenIdle = false;
        end();
        return;
    }
    if (m_arrivalPending) deviceArrived();
    runQueued();
}

void ConfigurationService::finishNow() {
    while (m_busy) {
        if (m_worker.joinable()) m_worker.join();
        finishBackground(m_generation);
    }
}

void ConfigurationService::reportProgress(int done, int total) {
    m_progressDone = done;
    m_progressTotal = total;
    QMetaObject::invokeMethod(this, [this] { emit progressChanged(); }, Qt::QueuedConnection);
}

void ConfigurationService::whenIdle(std::function<void()> op) {
    if (!m_busy && m_queue.empty()) {
        op();
        return;
    }
    m_queue.push_back(std::move(op));
}

void ConfigurationService::runQueued() {
    while (!m_busy && !m_queue.empty()) {
        std::function<void()> op = std::move(m_queue.front());
        m_queue.pop_front();
        op();
    }
}

// ---- saving and the other transfers ----------------------------------------

void ConfigurationService::save(Done done) { saveNow(false, std::move(done)); }

void ConfigurationService::saveThenEnd() {
    m_endAfterSave = true;
    save();
}

void ConfigurationService::saveNow(bool switching, Done done) {
    // A switch that follows the focus would fill the history with the same
    // two configurations.
    const std::error_code snapshotWhy = switching ? std::error_code() : keepSnapshotBeforeSave();
    const LightingBytes chosen = lightingOf(m_state.image);
    // While the session is away the keyboard shows the lighting capped: the
    // save sends it capped too, against the lighting the keyboard shows.
    const LightingBytes sentLighting = cappedLighting(chosen, m_awayCap);
    DeviceImage image = m_state.image;
    putLighting(image, sentLighting);
    ShadowImage shadow = m_state.shadow;
    if (m_shownLighting) putLighting(shadow, *m_shownLighting);
    const bool verify = m_verifySaves;
    runInBackground(tr("正在保存设置…"), [this, image, shadow, verify, done, snapshotWhy, chosen,
                                          sentLighting]() mutable -> Continuation {
        const WriteProgress progress = [this](int n, int total) { reportProgress(n, total); };
        ReadBackResult check;
        const WriteResult result = verify ? m_session.writeAllVerified(image, shadow, check, progress)
                                          : m_session.writeAll(image, shadow, progress);
        // What was saved carries the user's lighting; the key mask as the write left it.
        putLighting(image, chosen);
        return [this, image, result, check, done, snapshotWhy, chosen, sentLighting]() {
            const FileWrite file = finishSave(m_state, image, result, m_paths.dataFolder);
            if (result.ok()) {
                rememberGameMode(image.gameMode);
                if (chosen != sentLighting) m_shownLighting = sentLighting;
                else m_shownLighting.reset();
                keepLightingReturn();
            }
            // The lock applied to the key mask is part of the save, not an edit.
            m_history.rebase(m_state);
            m_lastSave = result;
            m_lastSaveCheck = check;
            ++m_savesFinished;
            // The answer goes out first: a warning box would hold it back.
            if (done) {
                ServiceResult r;
                r.saved = true;
                r.write = result;
                r.check = check;
                if (!result.ok()) {
                    r.status = statusOf(result.outcome);
                    r.message = std::string("the keyboard did not take the change (") +
                                transferOutcomeName(result.outcome) + ")";
                }
                done(r);
            }
            if (!result.ok()) {
                const std::string checkText = saveCheckText(result, check, modelLookup());
                emit warning(tr("保存"), checkText.empty() ? failureText(result.outcome, QT_TR_NOOP("设置未保存！"))
                                                          : QString::fromStdString(checkText));
            }
            reportFile(file);
            if (snapshotWhy) reportHistoryNotKept(snapshotWhy);
            // Save was the answer to closing: the program ends once it completed.
            if (std::exchange(m_endAfterSave, false) && result.ok()) m_endWhenIdle = true;
        };
    });
}

void ConfigurationService::cancel() {
    reportFile(restoreShadowCopies(m_state, m_paths.dataFolder));
    // The macros are part of what Cancel drops.
    if (const auto notice = restoreSavedMacros(m_state, m_paths.dataFolder)) reportFiles({*notice});
    emit workingCopyReplaced(-1, false);
}

void ConfigurationService::factoryReset(Done done) {
    // What the keyboard holds goes to the history first.
    const std::error_code snapshotWhy =
        m_connected ? keepSnapshot(*keyboardSnapshot(m_state, m_state.savedMacros)) : std::error_code();
    DeviceImage image = m_state.image;
    runInBackground(tr("正在恢复出厂设置…"), [this, image, snapshotWhy, done]() mutable -> Continuation {
        TransferOutcome outcome = m_session.factoryReset();
        if (outcome == TransferOutcome::Completed) outcome = m_session.readAll(image);
        return [this, image, outcome, snapshotWhy, done]() {
            if (snapshotWhy) reportHistoryNotKept(snapshotWhy);
            if (outcome != TransferOutcome::Completed) {
                if (done) done(ServiceResult::failure(statusOf(outcome), transferOutcomeName(outcome)));
                emit warning(tr("出厂设置"), failureText(outcome, QT_TR_NOOP("未能恢复出厂设置！")));
                return;
            }
            m_state.image = image;
            reportFile(finishFactoryReset(m_state, image, m_paths.dataFolder));
            // The factory lighting is the saved one now, and what the keyboard shows.
            m_shownLighting.reset();
            keepLightingReturn();
            rememberGameMode(image.gameMode);
            // Undoing a factory reset brings the earlier settings back as unsaved changes.
            recordChange();
            emit workingCopyReplaced(-1, true);
            if (done) done(ServiceResult());
            if (m_awayCap) showLighting({});
        };
    });
}

// ---- requests of the tool and the D-Bus interface ---------------------------

std::optional<ServiceResult> ConfigurationService::refusal() const {
    if (m_ended) return ServiceResult::failure(ServiceStatus::Refused, "the program is ending");
    if (!bothChannelsOpen()) return ServiceResult::failure(ServiceStatus::NoKeyboard, "the program has no keyboard connected");
    // A dialog of the window's works on the configuration until it closes.
    if (editorOpen()) return ServiceResult::failure(ServiceStatus::Refused, "the program has a dialog open; close it first");
    if (hasUnsavedChanges())
        return ServiceResult::failure(ServiceStatus::Refused,
                                      "the program's window has unsaved changes; save or cancel them there first");
    return std::nullopt;
}

void ConfigurationService::setSettings(const std::vector<std::string>& assignments, Done done) {
    whenIdle([this, assignments, done] {
        if (const auto refused = refusal()) return done(*refused);
        const config::SettingsParse parsed = config::parseSettings(assignments);
        if (!parsed.ok) return done(ServiceResult::failure(ServiceStatus::Usage, parsed.error));
        // Checked on a copy first: the configuration changes only when every
        // value fits.
        DeviceImage trial = m_state.image;
        std::string error;
        if (!config::applySettings(parsed.changes, trial, error))
            return done(ServiceResult::failure(ServiceStatus::Refused, error));
        applyChange([trial](AppState& state) { state.image = trial; }, done);
    });
}

void ConfigurationService::applyProfile(const std::string& profile, bool everyKeyConfirmed, Done done) {
    whenIdle([this, profile, everyKeyConfirmed, done] {
        if (const auto refused = refusal()) return done(*refused);
        const ProfileTarget target = profileTarget(profile, m_paths.profileFolder);
        if (!target.ok())
            return done(ServiceResult::failure(
                target.problem == ProfileTargetProblem::NotAName ? ServiceStatus::Usage : ServiceStatus::Refused, target.error));
        auto image = std::make_unique<DeviceImage>(m_state.image);
        auto records = std::make_unique<KeyRecordTable>(m_state.keys);
        std::string error;
        if (!loadProfileFile(target.file, *image, *records, error))
            return done(ServiceResult::failure(ServiceStatus::BadFile, error));
        // The same checks as without the program: nothing the keyboard
        // cannot take, and every key disabled only when confirmed.
        if (const ConfigurationVerdict verdict = checkConfiguration(*image, everyKeyConfirmed, SettingName, error);
            verdict != ConfigurationVerdict::Writable)
            return done(ServiceResult::failure(verdict == ConfigurationVerdict::Unwritable ? ServiceStatus::BadFile
                                                                                           : ServiceStatus::Refused,
                                               target.file.string() + ": " + error));
        const QString name = profileNameOf(target.file);
        std::shared_ptr<DeviceImage> newImage(std::move(image));
        std::shared_ptr<KeyRecordTable> newRecords(std::move(records));
        applyChange(
            [newImage, newRecords](AppState& state) {
                state.image = *newImage;
                state.keys = *newRecords;
            },
            [this, done, name](const ServiceResult& r) {
                done(r);
                if (r.ok()) emit profileApplied(name, QStringLiteral("request"));
            });
    });
}

void ConfigurationService::paintDiy(const std::function<int(DeviceImage&)>& paint, Done done) {
    whenIdle([this, paint, done] {
        if (const auto refused = refusal()) return done(*refused);
        auto painted = std::make_shared<DeviceImage>(m_state.image);
        if (paint(*painted) <= 0) return done(ServiceResult());
        applyChange([painted](AppState& state) { state.image = *painted; }, done);
    });
}

void ConfigurationService::applyChange(const std::function<void(AppState&)>& change, Done done) {
    const int effect = m_state.image.ledEffect;
    change(m_state);
    DeriveReassignedFlags(m_state.image, m_state.keys, m_state.reassigned);
    recordChange();
    emit workingCopyReplaced(effect, false);
    saveNow(false, std::move(done));
}

void ConfigurationService::readConfiguration(
    std::function<void(const ServiceResult&, const KeyboardConfiguration*)> done) {
    whenIdle([this, done] {
        const std::optional<KeyboardConfiguration> config = keyboardConfiguration();
        if (!config)
            return done(ServiceResult::failure(ServiceStatus::NoKeyboard,
                                               "the program has no keyboard connected, or has not read it"),
                        nullptr);
        done(ServiceResult(), &*config);
    });
}

void ConfigurationService::switchForRule(const DeviceImage& image, const KeyRecordTable& keys, const QString& profile,
                                         const QString& reason, Done done) {
    const int effect = m_state.image.ledEffect;
    m_state.image = image;
    m_state.keys = keys;
    DeriveReassignedFlags(m_state.image, m_state.keys, m_state.reassigned);
    m_history.rebase(m_state);
    emit workingCopyReplaced(effect, false);
    saveNow(true, [this, done, profile, reason](const ServiceResult& r) {
        if (done) done(r);
        if (r.ok()) emit profileApplied(profile, reason);
    });
}

// ---- the lights while the session is away ------------------------------------

void ConfigurationService::setLightsAway(std::optional<uint8_t> cap, Done done) {
    whenIdle([this, cap, done] {
        // Darker than what the keyboard shows now is the way down, which the
        // write limit may hold back; the lights then stay as they are, and
        // so does the cap, so that a save meanwhile does not darken them.
        const LightingBytes saved = lightingOf(m_state.shadow);
        const bool down = cappedLighting(saved, cap).brightness < m_shownLighting.value_or(saved).brightness;
        const std::string why = down && m_lightsDownGate ? m_lightsDownGate() : std::string();
        if (why != m_lightsKeptWhy) {
            m_lightsKeptWhy = why;
            if (!why.empty())
                std::cerr << "Vandrel: the lights stay as they are while the session is away: " << why << std::endl;
            emit lightsKeptChanged();
        }
        if (!why.empty()) {
            if (done) done(ServiceResult::failure(ServiceStatus::Refused, why));
            return;
        }
        m_awayCap = cap;
        showLighting(done);
    });
}

void ConfigurationService::showLighting(Done done) {
    const LightingBytes saved = lightingOf(m_state.shadow);
    const LightingBytes target = cappedLighting(saved, m_awayCap);
    const LightingBytes shown = m_shownLighting.value_or(saved);
    if (target == shown) {
        m_shownLighting.reset();
        if (target != saved) m_shownLighting = target;
        keepLightingReturn();
        if (done) done(ServiceResult());
        return;
    }
    if (m_ended) {
        if (done) done(ServiceResult::failure(ServiceStatus::Refused, "the program is ending"));
        return;
    }
    // Without the keyboard the write waits for its return: the read then
    // finds what it shows and this runs again.
    if (!configurationKnown() || !bothChannelsOpen()) {
        if (done) done(ServiceResult::failure(ServiceStatus::NoKeyboard, "the program has no keyboard connected"));
        return;
    }
    // The saved lighting is on disk before the keyboard shows another.
    if (target != saved) {
        std::error_code why;
        if (!saveLightingReturn(lightingReturnFile(m_paths.dataFolder), saved, &why)) {
            reportFiles({{FileNotice::Kind::NotSaved, lightingReturnFile(m_paths.dataFolder), why}});
            if (done) done(ServiceResult::failure(ServiceStatus::Refused, "the lighting to return to could not be kept"));
            return;
        }
    }
    DeviceImage image = m_state.shadow;
    putLighting(image, target);
    ShadowImage from = m_state.shadow;
    putLighting(from, shown);
    const bool verify = m_verifySaves;
    runInBackground(tr("正在保存设置…"), [this, image, from, verify, target, saved, done]() mutable -> Continuation {
        ReadBackResult check;
        const WriteResult result =
            verify ? m_session.writeAllVerified(image, from, check) : m_session.writeAll(image, from);
        return [this, result, check, target, saved, done] {
            ServiceResult r;
            r.saved = true;
            r.write = result;
            r.check = check;
            if (result.ok()) {
                m_shownLighting.reset();
                // A save that ran meanwhile changed the saved lighting: the
                // lighting the keyboard shows is the one just written.
                if (target != lightingOf(m_state.shadow)) m_shownLighting = target;
                keepLightingReturn();
            } else {
                r.status = statusOf(result.outcome);
                r.message = std::string("the keyboard did not take the lighting (") +
                            transferOutcomeName(result.outcome) + ")";
            }
            if (done) done(r);
        };
    });
}

void ConfigurationService::keepLightingReturn() {
    const std::filesystem::path file = lightingReturnFile(m_paths.dataFolder);
    std::error_code why;
    if (!m_shownLighting) {
        std::filesystem::remove(file, why);
        return;
    }
    if (!saveLightingReturn(file, lightingOf(m_state.shadow), &why))
        reportFiles({{FileNotice::Kind::NotSaved, file, why}});
}

void ConfigurationService::takeShownLighting(const DeviceImage& read, const LightingBytes& saved) {
    const LightingBytes shown = lightingOf(read);
    putLighting(m_state.image, saved);
    putLighting(m_state.shadow, saved);
    if (shown != saved) m_shownLighting = shown;
    else m_shownLighting.reset();
}

// ---- undo, redo and the configuration history ------------------------------

unsigned ConfigurationService::recordChange(bool mergeWithLast) { return m_history.record(m_state, mergeWithLast); }

void ConfigurationService::undo() {
    if (m_busy) return;
    const uint8_t effect = m_state.image.ledEffect;
    afterHistoryWrite(m_history.undo(m_state), effect);
}

void ConfigurationService::redo() {
    if (m_busy) return;
    const uint8_t effect = m_state.image.ledEffect;
    afterHistoryWrite(m_history.redo(m_state), effect);
}

void ConfigurationService::afterHistoryWrite(unsigned parts, uint8_t effectBefore) {
    if (parts == 0) return;
    // Through the same guarded saves as every other change: a data file that
    // could not be read at start is never written over, and a failure is told.
    if (parts & (kPartImage | kPartKeys | kPartMacros)) reportFile(saveKeymap(m_state, m_paths.dataFolder));
    std::error_code why;
    if ((parts & kPartMacros) && !m_state.macroFileKept && !SaveMacroStore(m_state.macros, m_paths.dataFolder, &why))
        reportFiles({{FileNotice::Kind::NotSaved, m_paths.dataFolder / kMacroFileName, why}});
    emit workingCopyReplaced(effectBefore, false);
}

void ConfigurationService::restoreSnapshot(const Snapshot& snapshot) {
    if (m_busy) return;
    recordChange();
    const uint8_t effect = m_state.image.ledEffect;
    applySnapshot(m_state, snapshot, m_paths.dataFolder);
    recordChange();
    afterHistoryWrite(kPartImage | kPartKeys | kPartMacros, effect);
}

std::error_code ConfigurationService::keepSnapshotBeforeSave() {
    SnapshotStore store(snapshotFolder(m_paths.dataFolder));
    std::error_code why;
    vandrel::keepSnapshotBeforeSave(m_state, m_state.savedMacros, store, QDateTime::currentMSecsSinceEpoch(), &why);
    return why;
}

std::error_code ConfigurationService::keepSnapshot(const Snapshot& snapshot) {
    SnapshotStore store(snapshotFolder(m_paths.dataFolder));
    std::error_code why;
    store.keep(snapshot, QDateTime::currentMSecsSinceEpoch(), &why);
    return why;
}

void ConfigurationService::rememberGameMode(uint8_t gameMode) {
    const GameModeMemory memory(m_paths.dataFolder);
    std::error_code why;
    if (!memory.remember(gameMode, &why)) reportFiles({{FileNotice::Kind::NotSaved, memory.file(), why}});
}

void ConfigurationService::reportHistoryNotKept(const std::error_code& why) {
    const FileNotice notice{FileNotice::Kind::HistoryNotKept, snapshotFolder(m_paths.dataFolder), why};
    std::cerr << "Vandrel: " << fileNoticeText(notice, modelLookup()) << std::endl;
    reportFiles({notice});
}

void ConfigurationService::reportFile(const FileWrite& write) {
    if (write.notice) reportFiles({*write.notice});
}

void ConfigurationService::reportFiles(const std::vector<FileNotice>& notices) {
    for (const FileNotice& n : notices) {
        const QString caption = n.kind == FileNotice::Kind::Unreadable ? tr("读取文件") : tr("保存文件");
        emit warning(caption, QString::fromStdString(fileNoticeText(n, modelLookup())));
    }
}

// ---- what the window's dialogs hand over --------------------------------------

void ConfigurationService::beginKeyEdit() { reloadRecordsForKeyEdit(m_state, m_paths.dataFolder); }

AssignResult ConfigurationService::assignKey(AssignmentRequest& request, const KeyRecord& recordBefore) {
    // keymap.bin is written once for the whole assignment.
    const KeyEditOutcome outcome = finishKeyEdit(m_state, m_paths.dataFolder, request, recordBefore);
    reportFile(outcome.file);
    // A path the record cannot hold is refused whole rather than cut: say so.
    if (outcome.result == AssignResult::PathTooLong) emit warning(tr("按键设置"), tr("路径太长，按键未改变。"));
    return outcome.result;
}

void ConfigurationService::macrosEdited(const MacroRenumbering& moved) {
    // Keys bound to a macro follow it to its new record before the records
    // go to the keyboard's slots.
    followMacroRenumbering(m_state, moved);
    reportFiles(storeMacrosAfterManager(m_state, m_paths.dataFolder));
}

void ConfigurationService::profileDialogEnded(const Snapshot& before) {
    // A loaded profile replaced the configuration being edited: that one goes
    // to the history.
    if (std::memcmp(&before.image, &m_state.image, sizeof before.image) != 0 ||
        std::memcmp(&before.keys, &m_state.keys, sizeof before.keys) != 0) {
        if (const std::error_code why = keepSnapshot(before)) reportHistoryNotKept(why);
    }
    const int effect = m_state.image.ledEffect;
    emit workingCopyReplaced(effect, false);
    // The profile dialog has changed the image and the records in memory:
    // the window reloads from them without asking the keyboard.
    QTimer::singleShot(50, this, [this] { afterRead(false, TransferOutcome::Completed, {}, {}, false); });
}

}  // namespace vandrel
