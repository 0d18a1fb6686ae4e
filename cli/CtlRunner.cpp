#include "cli/CtlRunner.h"

#include <QCoreApplication>
#include <QTranslator>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/draw/DiyPicture.h"
#include "app/model/DiyCommand.h"
#include "cli/CtlDoctor.h"
#include "cli/CtlRules.h"
#include "cli/CtlSession.h"
#include "cli/CtlWatch.h"
#include "config/ConfigJson.h"
#include "config/Settings.h"
#include "device/Clock.h"
#include "device/Commands.h"
#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroEvent.h"
#include "macro/MacroStoreFile.h"
#include "platform/RuleSettings.h"
#include "profile/GameModeMemory.h"
#include "profile/ProfileStore.h"
#include "profile/ProfileSwitcher.h"
#include "profile/SnapshotStore.h"
#include "profile/SessionLightingChoice.h"
#include "profile/SwitchWriteLog.h"
#include "util/AtomicFile.h"
#include "util/Utf16.h"

namespace vandrel::ctl {

namespace {

constexpr const char* kUdevHint =
    "The keyboard is connected, but its hidraw nodes cannot be opened by this user.\n"
    "Install the udev rules 70-vandrel.rules and 70-vandrel-plugdev.rules (see the README), then unplug and\n"
    "replug the keyboard; 'vandrelctl doctor' says what is missing.\n";

std::string u8(const std::u16string& s) { return utf16ToUtf8(s); }

// Why a file could not be written, for the message.
std::string reason(const std::error_code& why) { return why ? why.message() : std::string("unknown error"); }

// Whether a command may write `file`: never over one of the program's own
// data files. Says why on `err` when not.
bool mayWrite(const Environment& env, const std::filesystem::path& file) {
    if (!env.ownFiles.contains(file)) return true;
    env.err << "vandrelctl: " << file.string()
            << " is one of the program's own data files; choose another file.\n";
    return false;
}

// keymap.bin and MacroDefine.bin as they are, without creating them.
void loadDataFiles(const Environment& env, config::Configuration& c) {
    std::vector<uint8_t> bytes;
    if (readFilePrefix(KeymapFilePath(env.dataFolder), kKeymapFileBytes, bytes) == FileResult::Ok)
        ApplyConfigurationBytes(bytes.data(), bytes.size(), &c.image, c.records);
    c.records.restoreHomeCodes();
    if (readFilePrefix(env.dataFolder / kMacroFileName, sizeof(MacroStore), bytes) == FileResult::Ok)
        loadMacroStoreBytes(c.macros, bytes.data(), bytes.size());
}

// Why the keyboard could not be opened: not there, or there without access.
int diagnoseOpen(Environment& env) {
    bool present = false, inaccessible = false;
    for (const HidRecord& r : env.transport.enumerate()) {
        if (r.vendorId != kKeyboardVendorId || r.productId != kKeyboardProductId) continue;
        present = true;
        if (!r.canOpen) inaccessible = true;
    }
    if (present && inaccessible) {
        env.err << "vandrelctl: " << kUdevHint;
        return kExitNoAccess;
    }
    if (present) {
        env.err << "vandrelctl: the keyboard is connected, but its channels could not be opened "
                   "(another program may hold them).\n";
        return kExitNoAccess;
    }
    env.err << "vandrelctl: no keyboard found (vendor 04D9, product A124).\n";
    return kExitNoKeyboard;
}

// Why another process keeps this one from the keyboard.
void tellDeviceBusy(const Environment& env, const std::string& lockPath) {
    env.err << "vandrelctl: another program is talking to the keyboard (it holds the keyboard's lock, " << lockPath
            << ") and this vandrelctl cannot reach it to hand the command over; nothing was sent to the keyboard.\n"
               "If the Vandrel program runs in a desktop session, run vandrelctl in that session or with its "
               "XDG_RUNTIME_DIR (/run/user/<uid>); otherwise wait for the other vandrelctl to finish.\n";
}

// Opens the keyboard; a write also needs the listen channel for the
// keyboard's acknowledgements.
int reportOutcome(Environment& env, TransferOutcome outcome, const char* what);
int writeChanges(DeviceSession& session, Environment& env, DeviceImage& image, ShadowImage& shadow);

// A program that ended while a rule's profile was on the keyboard left the
// user's own configuration in SwitchReturn.bin, for its next start to put
// back. A change made now is the user's, so it goes on top of that
// configuration: it is put back first, or the next start would undo the
// change along with the rule's profile.
int returnFromSwitch(DeviceSession& session, Environment& env) {
    const std::filesystem::path file = env.dataFolder / kSwitchReturnFileName;
    std::error_code ec;
    if (env.dataFolder.empty() || !std::filesystem::exists(file, ec)) return kExitDone;
    auto kept = std::make_unique<config::Configuration>();
    loadDataFiles(env, *kept);
    std::string error;
    if (!loadProfileFile(file, kept->image, kept->records, error)) {
        env.err << "vandrelctl: the configuration to return to after a profile switch cannot be read (" << error
                << "); nothing was written. Start Vandrel, or remove " << file.string() << ".\n";
        return kExitBadFile;
    }
    ShadowImage shadow = kept->image;
    if (int rc = reportOutcome(env, session.readAll(shadow), "read")) return rc;
    if (int rc = writeChanges(session, env, kept->image, shadow)) return rc;
    std::filesystem::remove(file, ec);
    env.err << "vandrelctl: the configuration a profile switch had replaced is back on the keyboard.\n";
    return kExitDone;
}

// A program that ended while the session's lights were down left the saved
// lighting in LightingReturn.bin. A change made now goes on top of the saved
// lighting, so it is put back first; the configuration a profile switch had
// replaced already carries it.
int returnLighting(DeviceSession& session, Environment& env, bool returnedFromSwitch) {
    const std::filesystem::path file = env.dataFolder / kLightingReturnFileName;
    std::error_code ec;
    if (env.dataFolder.empty() || !std::filesystem::exists(file, ec)) return kExitDone;
    if (const std::optional<LightingBytes> lighting = loadLightingReturn(file); lighting && !returnedFromSwitch) {
        auto image = std::make_unique<DeviceImage>();
        image->clear();
        if (int rc = reportOutcome(env, session.readAll(*image), "read")) return rc;
        ShadowImage shadow = *image;
        putLighting(*image, *lighting);
        if (int rc = writeChanges(session, env, *image, shadow)) return rc;
        env.err << "vandrelctl: the lighting dimmed while the session was away is back on the keyboard.\n";
    }
    std::filesystem::remove(file, ec);
    return kExitDone;
}

int openKeyboard(DeviceSession& session, Environment& env, bool forWriting) {
    const OpenResult opened = session.openChannels();
    if (opened.deviceBusy) {
        tellDeviceBusy(env, opened.lockPath);
        return kExitNoAnswer;
    }
    // A vandrelctl or a program killed while saving left its temporary
    // files; with the instance lock and the keyboard's lock held nobody else
    // is saving now, so every one older than this command is stale.
    if (env.exclusive && !env.configurationSource && !env.staleRemoved) {
        env.staleRemoved = true;
        removeStaleTemporaries(env.dataFolder, env.startedAt);
        removeStaleTemporaries(env.profileFolder, env.startedAt);
    }
    if (!session.commandOpen() || (forWriting && !session.listenOpen())) return diagnoseOpen(env);
    if (forWriting && env.exclusive && !env.configurationSource) {
        std::error_code ec;
        const bool switched = !env.dataFolder.empty() && std::filesystem::exists(env.dataFolder / kSwitchReturnFileName, ec);
        if (int rc = returnFromSwitch(session, env)) return rc;
        return returnLighting(session, env, switched);
    }
    return kExitDone;
}

int reportOutcome(Environment& env, TransferOutcome outcome, const char* what) {
    if (outcome == TransferOutcome::Completed) return kExitDone;
    const char* why = "the keyboard did not answer";
    switch (outcome) {
    case TransferOutcome::NoAcknowledgement: why = "the keyboard did not acknowledge a write"; break;
    case TransferOutcome::DeviceGone: why = "the keyboard was unplugged"; break;
    case TransferOutcome::NotConnected: why = "the keyboard is not connected"; break;
    default: why = "a request to the keyboard failed"; break;
    }
    env.err << "vandrelctl: " << what << ": " << why << ".\n";
    return exitCodeOf(outcome);
}

// Before `written`, `records` and (when given) `macros` replace what the
// keyboard holds (`keyboard`, read just now) and what the data files hold,
// that configuration goes to the history, as the program keeps it before a
// save. A snapshot that cannot be written is reported; the command goes on.
void keepSnapshotBefore(Environment& env, const ShadowImage& keyboard, const DeviceImage& written,
                        const KeyRecordTable& records, const MacroStore* macros) {
    auto files = std::make_unique<config::Configuration>();
    loadDataFiles(env, *files);
    DeviceImage locked = written;
    applyWinLock(locked);
    const bool changes = compareImages(locked, keyboard).any() || !(records == files->records) ||
                         (macros && std::memcmp(macros, &files->macros, sizeof *macros) != 0);
    if (!changes) return;
    auto snapshot = std::make_unique<Snapshot>();
    snapshot->image = keyboard;
    snapshot->keys = files->records;
    snapshot->macros = files->macros;
    SnapshotStore store(env.dataFolder / kSnapshotFolderName);
    const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    std::error_code why;
    if (!store.keep(*snapshot, nowMs, &why))
        env.err << "vandrelctl: the configuration before this change could not be kept in the history "
                << store.folder().string() << " (" << why.message() << ").\n";
}

// Sends what differs from `shadow`, with progress on a terminal.
int writeChanges(DeviceSession& session, Environment& env, DeviceImage& image, ShadowImage& shadow) {
    WriteProgress progress;
    bool shown = false;
    if (env.progress)
        progress = [&env, &shown](int done, int total) {
            env.err << "\rWriting to the keyboard: " << done << "/" << total << std::flush;
            shown = true;
        };
    const WriteResult r = session.writeAll(image, shadow, progress);
    if (shown) env.err << "\n";
    if (r.ok()) return kExitDone;
    std::string step = writeStepName(r.step);
    if (r.index >= 0) step += " " + std::to_string(r.index);
    env.err << "vandrelctl: writing stopped at " << step << " (" << r.stepsDone << " of " << r.stepsTotal
            << " steps done).\n";
    return reportOutcome(env, r.outcome, "write");
}

// The keyboard's whole configuration on top of the data files, or what the
// running program holds.
int readConfiguration(Environment& env, config::Configuration& c) {
    if (env.configurationSource) return env.configurationSource(c);
    DeviceSession& session = env.deviceSession();
    if (int rc = openKeyboard(session, env, false)) return rc;
    loadDataFiles(env, c);
    if (int rc = reportOutcome(env, session.initialRead(c.image, c.firmware), "read")) return rc;
    // The read switched game mode on; the last saved choice was off.
    if (GameModeMemory(env.dataFolder).savedOff()) session.restoreGameModeOff(c.image);
    // A record of keymap.bin that claims an assignment the key does not have
    // (written before a save that never came) is no part of what the keyboard
    // holds; the running program answers without it too.
    ReconcileKeyRecords(c.image, c.records);
    return kExitDone;
}

// Remembers the game mode a completed write left on the keyboard, for the
// next full read (here or in the program) to restore.
void rememberGameMode(Environment& env, uint8_t gameMode) {
    const GameModeMemory memory(env.dataFolder);
    std::error_code why;
    if (!memory.remember(gameMode, &why))
        env.err << "vandrelctl: " << memory.file().string() << " could not be written (" << why.message()
                << "); the next start may show game mode on.\n";
}

// Refuses a configuration from `source` that the keyboard must not get, with
// the reason on `err`; returns the exit code.
int vetConfiguration(Environment& env, const DeviceImage& image, bool everyKeyConfirmed, const std::string& source,
                     const std::function<std::string(Setting)>& fieldName) {
    std::string error;
    const int rc = exitCodeOf(checkConfiguration(image, everyKeyConfirmed, fieldName, error));
    if (rc != kExitDone) env.err << "vandrelctl: " << source << ": " << error << "\n";
    return rc;
}

// An exported configuration is about 20 kB; anything past this is not one.
constexpr size_t kMaxJsonBytes = 16u << 20;

// Whether an export may replace what is at `file`: nothing, an empty file, or
// an earlier export. Anything else that is no regular file is left to the
// writer, which refuses what it must not replace.
bool mayReplaceWithExport(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::status(file, ec))) return true;
    std::vector<uint8_t> bytes;
    if (readFilePrefix(file, kMaxJsonBytes + 1, bytes) != FileResult::Ok || bytes.size() > kMaxJsonBytes) return false;
    return bytes.empty() || config::isConfigurationJson(std::string(bytes.begin(), bytes.end()));
}

// ---- the commands ----------------------------------------------------------

int cmdList(Environment& env) {
    const std::vector<HidRecord> records = env.transport.enumerate();
    bool present = false, inaccessible = false;
    for (const HidRecord& r : records)
        if (r.vendorId == kKeyboardVendorId && r.productId == kKeyboardProductId) {
            present = true;
            inaccessible |= !r.canOpen;
        }
    if (!present) {
        env.err << "vandrelctl: no keyboard found (vendor 04D9, product A124).\n";
        return kExitNoKeyboard;
    }
    // The channel choice sees only records that can be opened; the paths of
    // the others are still worth showing.
    const ChannelChoice choice = chooseChannels(records, env.session.rule);
    DeviceSession& session = env.deviceSession();
    const OpenResult opened = session.openChannels();
    if (opened.deviceBusy) {
        tellDeviceBusy(env, opened.lockPath);
        return kExitNoAnswer;
    }
    env.out << "Keyboard 04D9:A124\n";
    env.out << "  command channel  " << (choice.commandPath ? *choice.commandPath : std::string("-")) << "  "
            << (session.commandOpen() ? "open" : "cannot be opened") << "\n";
    env.out << "  listen channel   " << (choice.listenPath ? *choice.listenPath : std::string("-")) << "  "
            << (session.listenOpen() ? "open" : "cannot be opened") << "\n";
    FirmwareVersion fw;
    if (session.commandOpen() && session.getFirmwareVersion(fw) == TransferOutcome::Completed)
        env.out << "  firmware         " << int(fw.major) << "." << int(fw.minor) << "\n";
    // hidapi lists a node once per collection: each path once.
    std::vector<std::string> shown;
    for (const HidRecord& r : records) {
        if (r.vendorId != kKeyboardVendorId || r.productId != kKeyboardProductId || r.canOpen) continue;
        if (std::find(shown.begin(), shown.end(), r.path) != shown.end()) continue;
        shown.push_back(r.path);
        env.out << "  no access        " << r.path << "\n";
    }
    if (inaccessible || !session.commandOpen() || !session.listenOpen()) {
        if (inaccessible) env.err << kUdevHint;
        return kExitNoAccess;
    }
    return kExitDone;
}

void printShow(const config::Configuration& c, std::ostream& out, const TextLookup& functionNames) {
    const DeviceImage& im = c.image;
    auto orRaw = [](const std::string& name, uint8_t raw) { return name.empty() ? std::to_string(raw) : name; };
    out << "Firmware      " << int(c.firmware.major) << "." << int(c.firmware.minor) << "\n";
    out << "Lighting\n";
    out << "  effect      " << orRaw(config::effectName(im.ledEffect), im.ledEffect) << "\n";
    out << "  speed       " << int(im.ledSpeed) << "\n";
    out << "  brightness  " << int(im.ledBrightness) << "\n";
    out << "  colour      " << orRaw(config::colourName(im.ledColor), im.ledColor) << "\n";
    out << "  direction   " << orRaw(config::directionName(im.ledDirection), im.ledDirection) << "\n";
    out << "  palette    ";
    for (size_t i = 0; i < kPaletteEntries; ++i) out << " " << i + 1 << ":" << config::rgbText(im.ledPalette[i]);
    out << "\nPerformance\n";
    out << "  gamemode    " << config::onOff(im.gameMode) << "\n";
    out << "  winlock     " << config::onOff(im.winLock) << "\n";
    const int hz = config::reportRateHz(im.reportRate);
    out << "  rate        " << (hz ? std::to_string(hz) + " Hz" : std::to_string(im.reportRate)) << "\n";
    out << "  response    " << im.responseTime * 2 << " ms\n";
    out << "Keys (all others have their factory function)\n";
    int changed = 0;
    for (int s = 0; s < kPhysicalSlots; ++s) {
        const uint8_t* e = im.deviceKeyMap + SlotCellOffset[s];
        const bool factory = std::equal(e, e + 4, FactoryKeyTable.begin() + SlotCellOffset[s]);
        if (factory && IsKeyEnabled(im, s)) continue;
        out << "  " << config::slotName(s) << " -> " << config::describeKey(c, s, functionNames) << "\n";
        ++changed;
    }
    if (!changed) out << "  (none reassigned)\n";
    out << "Macros\n";
    const size_t n = macrosInUse(c.macros);
    for (size_t i = 0; i < n; ++i) {
        const MacroRecord& r = c.macros[i];
        out << "  " << i << " " << u8(recordName(r)) << ", loop " << recordLoopCount(r) << ": " << config::describeMacro(r)
            << "\n";
    }
    if (!n) out << "  (none)\n";
    out << "DIY maps\n";
    for (size_t m = 0; m < kDiyMapCount; ++m) {
        out << "  diy" << m + 1 << ":";
        int lit = 0;
        for (int s = 0; s < kPhysicalSlots; ++s) {
            const uint8_t* cell = im.diyMaps[m] + SlotCellOffset[s];
            if (cell[1] | cell[2] | cell[3]) {
                out << " " << config::slotName(s) << "=" << config::rgbText(cell + 1);
                ++lit;
            }
        }
        out << (lit ? "\n" : " all keys dark\n");
    }
}

}  // namespace

TextLookup installOutputTranslations(UiLanguage language) {
    if (language != UiLanguage::English || !QCoreApplication::instance()) return {};
    auto* english = new QTranslator(QCoreApplication::instance());
    if (!english->load(QStringLiteral(":/i18n/vandrel_en.qm"))) {
        delete english;
        return {};
    }
    QCoreApplication::installTranslator(english);
    return [](const char* context, const char* source, int n) {
        return QCoreApplication::translate(context, source, nullptr, n).toStdString();
    };
}

namespace {

int cmdShow(const Options& o, Environment& env) {
    config::Configuration c;
    if (int rc = readConfiguration(env, c)) return rc;
    if (o.json) {
        env.out << config::configurationToJson(c);
        return kExitDone;
    }
    printShow(c, env.out, env.texts);
    // While the session is away the keyboard shows less than its saved
    // lighting: say so, and what comes back.
    if (const auto back = loadLightingReturn(env.dataFolder / kLightingReturnFileName)) {
        const std::string effect = config::effectName(back->effect);
        env.out << "Session       the lights are down while the session is locked, asleep or idle; coming back: "
                << (effect.empty() ? std::to_string(back->effect) : effect) << ", brightness " << int(back->brightness)
                << "\n";
    }
    // Profile switches and the session's lighting share one write limit;
    // while it is spent switches wait and the lights stay up for the session.
    RealClock clock;
    ProfileSwitcher switcher(clock);
    const int64_t wallMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    switcher.restoreWriteAges(readSwitchWriteAges(env.dataFolder / kSwitchWriteLogName, wallMs));
    const int64_t left = switcher.writeLimitEndsMs() - clock.nowMs();
    if (switcher.writeLimitEndsMs() >= 0 && left > 0)
        env.out << "Writes        the write limit is spent (" << switcher.limits().writesPerWindow << " in "
                << switcher.limits().writeWindowMs / 60000 << " minutes) for another " << (left + 999) / 1000
                << " s: profile switches wait and the lights stay up while the session is away\n";
    return kExitDone;
}

// What a change of settings replaces goes to the history first, as the
// program keeps the keyboard's configuration before it saves one. The whole
// configuration is read for it, which switches game mode on; it is switched
// off again when it was off: as `settingsRead` found it when that read it,
// otherwise as the user last saved it.
int keepSnapshotBeforeSet(Environment& env, DeviceSession& session, const std::vector<config::SettingChange>& changes,
                          const ShadowImage& settingsRead, bool gameModeRead) {
    auto files = std::make_unique<config::Configuration>();
    loadDataFiles(env, *files);
    ShadowImage keyboard = files->image;
    if (int rc = reportOutcome(env, session.readAll(keyboard), "read")) return rc;
    const bool wasOff = gameModeRead ? settingsRead.gameMode == 0 : GameModeMemory(env.dataFolder).savedOff();
    if (wasOff)
        if (int rc = reportOutcome(env, session.restoreGameModeOff(keyboard), "read")) return rc;
    DeviceImage written = keyboard;
    std::string error;
    if (!config::applySettings(changes, written, error)) return kExitDone;  // checked already on the settings read
    keepSnapshotBefore(env, keyboard, written, files->records, nullptr);
    return kExitDone;
}

int cmdSet(const Options& o, Environment& env) {
    const config::SettingsParse parsed = config::parseSettings(o.args);
    if (!parsed.ok) {
        env.err << "vandrelctl: " << parsed.error << "\n";
        return kExitUsage;
    }
    DeviceSession& session = env.deviceSession();
    if (int rc = openKeyboard(session, env, true)) return rc;
    // Only the settings that change are read, and the lighting: every write
    // opens and ends with lighting frames that carry all its bytes, so
    // without them a change of the report rate would turn the lighting off.
    DeviceImage image;
    image.clear();
    ChangeFlags sections = config::sectionsOf(parsed.changes);
    sections.lighting = true;
    if (int rc = reportOutcome(env, session.readSettings(image, sections), "read")) return rc;
    ShadowImage shadow = image;
    // Without a read key mask both copies get the same lock bits, so the mask
    // is written only when winlock itself changes.
    applyWinLock(shadow);
    std::string error;
    // A value the current effect does not allow: a refusal, not a wrong command line.
    if (!config::applySettings(parsed.changes, image, error)) {
        env.err << "vandrelctl: " << error << "\n";
        return kExitFailed;
    }
    DeviceImage locked = image;
    applyWinLock(locked);
    if (compareImages(locked, shadow).any())
        if (int rc = keepSnapshotBeforeSet(env, session, parsed.changes, shadow, sections.gameMode)) return rc;
    if (int rc = writeChanges(session, env, image, shadow)) return rc;
    if (sections.gameMode) rememberGameMode(env, image.gameMode);
    return kExitDone;
}

int cmdApply(const Options& o, Environment& env) {
    const ProfileTarget target = profileTarget(o.args[0], env.profileFolder);
    if (!target.ok()) {
        env.err << "vandrelctl: " << target.error << "\n";
        return exitCodeOf(target.problem);
    }
    const std::filesystem::path& file = target.file;
    config::Configuration c;
    loadDataFiles(env, c);
    DeviceImage fromFile = c.image;
    std::string error;
    if (!loadProfileFile(file, fromFile, c.records, error)) {
        env.err << "vandrelctl: " << error << "\n";
        return kExitBadFile;
    }
    if (int rc = vetConfiguration(env, fromFile, o.yes, file.string(), SettingName)) return rc;
    DeviceSession& session = env.deviceSession();
    if (int rc = openKeyboard(session, env, true)) return rc;
    ShadowImage shadow = c.image;
    if (int rc = reportOutcome(env, session.readAll(shadow), "read")) return rc;
    DeviceImage image = fromFile;
    keepSnapshotBefore(env, shadow, image, c.records, nullptr);
    if (int rc = writeChanges(session, env, image, shadow)) return rc;
    rememberGameMode(env, image.gameMode);
    // The program's launch keys and key dialog work from the records.
    if (!SaveKeymapFile(env.dataFolder, image, c.records)) {
        env.err << "vandrelctl: the keyboard has the profile, but " << KeymapFilePath(env.dataFolder).string()
                << " could not be written.\n";
        return kExitFailed;
    }
    return kExitDone;
}

int cmdSave(const Options& o, Environment& env) {
    const ProfileTarget target = profileTarget(o.args[0], env.profileFolder);
    if (!target.ok()) {
        env.err << "vandrelctl: " << target.error << "\n";
        return exitCodeOf(target.problem);
    }
    const std::filesystem::path& file = target.file;
    if (!mayWrite(env, file)) return kExitFailed;
    std::error_code ec;
    const std::filesystem::file_status existing = std::filesystem::status(file, ec);
    // A file of another size is not a profile: a note, a document, a data
    // file of some other program. It is replaced only when asked for.
    if (std::filesystem::is_regular_file(existing) && !o.force) {
        const uintmax_t size = std::filesystem::file_size(file, ec);
        if (ec || !IsProfileFileSize(static_cast<size_t>(size))) {
            env.err << "vandrelctl: " << file.string()
                    << " exists and is not a profile; it is not replaced (add --force to replace it).\n";
            return kExitFailed;
        }
    }
    if (target.inProfileFolder && !std::filesystem::exists(existing)) {
        ProfileStore store(env.profileFolder);
        store.scanProfiles();
        if (store.count() >= kMaxProfiles) {
            env.err << "vandrelctl: the profile folder already holds " << kMaxProfiles
                    << " profiles; delete one first or save to a file path.\n";
            return kExitFailed;
        }
        std::filesystem::create_directories(env.profileFolder, ec);
    }
    config::Configuration c;
    if (int rc = readConfiguration(env, c)) return rc;
    std::error_code why;
    if (!WriteConfigurationFile(file, c.image, c.records, &why)) {
        env.err << "vandrelctl: " << file.string() << " could not be written: " << reason(why) << ".\n";
        return kExitFailed;
    }
    env.out << "Saved " << file.string() << "\n";
    return kExitDone;
}

int cmdReset(const Options& o, Environment& env) {
    if (!o.yes) {
        if (!env.confirmReset) {
            env.err << "vandrelctl: reset restores the factory settings; add --yes to do it without asking.\n";
            return kExitUsage;
        }
        if (!env.confirmReset()) {
            env.err << "vandrelctl: nothing was changed.\n";
            return kExitFailed;
        }
    }
    DeviceSession& session = env.deviceSession();
    if (int rc = openKeyboard(session, env, true)) return rc;
    config::Configuration c;
    loadDataFiles(env, c);
    {
        // What the reset replaces goes to the history first, as in the program.
        ShadowImage before = c.image;
        if (int rc = reportOutcome(env, session.readAll(before), "read")) return rc;
        auto factory = std::make_unique<config::Configuration>();
        factory->image = FactoryImage();
        factory->records = c.records;
        ReassignedFlags flags;
        flags.clear();
        ResetKeyRecordsToFactory(factory->image, factory->records, flags);
        keepSnapshotBefore(env, before, factory->image, factory->records, nullptr);
    }
    if (int rc = reportOutcome(env, session.factoryReset(), "factory reset")) return rc;
    if (int rc = reportOutcome(env, session.readAll(c.image), "read after the reset")) return rc;
    rememberGameMode(env, c.image.gameMode);
    // Every key enabled and unassigned, as after the reset in the program.
    ReassignedFlags flags;
    flags.clear();
    ResetKeyRecordsToFactory(c.image, c.records, flags);
    if (!SaveKeymapFile(env.dataFolder, c.image, c.records)) {
        env.err << "vandrelctl: the keyboard was reset, but keymap.bin could not be written.\n";
        return kExitFailed;
    }
    return kExitDone;
}

int cmdExport(const Options& o, Environment& env) {
    config::Configuration c;
    if (int rc = readConfiguration(env, c)) return rc;
    const std::string json = config::configurationToJson(c);
    if (o.args[0] == "-") {
        env.out << json;
        return kExitDone;
    }
    const std::filesystem::path file(o.args[0]);
    if (!mayWrite(env, file)) return kExitFailed;
    // A file that is not an earlier export (a profile, a document) is replaced
    // only when asked for, as save treats a file that is not a profile.
    if (!o.force && !mayReplaceWithExport(file)) {
        env.err << "vandrelctl: " << o.args[0]
                << " exists and is not an earlier export; it is not replaced (add --force to replace it).\n";
        return kExitFailed;
    }
    std::error_code why;
    if (writeFileAtomic(file, {{json.data(), json.size()}}, &why) != FileResult::Ok) {
        env.err << "vandrelctl: " << o.args[0] << " could not be written: " << reason(why) << ".\n";
        return kExitFailed;
    }
    return kExitDone;
}

int cmdImport(const Options& o, Environment& env) {
    std::vector<uint8_t> bytes;
    const FileResult read = readFilePrefix(o.args[0], kMaxJsonBytes + 1, bytes);
    if (read != FileResult::Ok || bytes.size() > kMaxJsonBytes) {
        env.err << "vandrelctl: " << o.args[0]
                << (read == FileResult::Missing ? " does not exist.\n"
                    : read != FileResult::Ok    ? " cannot be read.\n"
                                                : " is far too large for a configuration.\n");
        return kExitBadFile;
    }
    const std::string text(bytes.begin(), bytes.end());
    config::Configuration c;
    std::string error;
    if (!config::configurationFromJson(text, c, error)) {
        env.err << "vandrelctl: " << o.args[0] << ": " << error << "\n";
        return kExitBadFile;
    }
    if (int rc = vetConfiguration(env, c.image, o.yes, o.args[0], config::jsonPathOf)) return rc;
    ReconcileKeyRecords(c.image, c.records);
    DeviceSession& session = env.deviceSession();
    if (int rc = openKeyboard(session, env, true)) return rc;
    ShadowImage shadow = c.image;
    if (int rc = reportOutcome(env, session.readAll(shadow), "read")) return rc;
    keepSnapshotBefore(env, shadow, c.image, c.records, &c.macros);
    if (int rc = writeChanges(session, env, c.image, shadow)) return rc;
    rememberGameMode(env, c.image.gameMode);
    const bool keymapSaved = SaveKeymapFile(env.dataFolder, c.image, c.records);
    const bool macrosSaved = SaveMacroStoreAsSaved(c.macros, env.dataFolder);
    if (!keymapSaved || !macrosSaved) {
        env.err << "vandrelctl: the keyboard has the configuration, but "
                << (keymapSaved ? "MacroDefine.bin" : "keymap.bin") << " could not be written in "
                << env.dataFolder.string() << ".\n";
        return kExitFailed;
    }
    return kExitDone;
}

// Whether `diy export` may replace what is at `file`: nothing, an empty file
// or a PNG picture. Anything else that is no regular file is left to the
// writer, which refuses what it must not replace.
bool mayReplaceWithPicture(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::status(file, ec))) return true;
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> bytes;
    if (readFilePrefix(file, sizeof kPngSignature, bytes) != FileResult::Ok) return false;
    return bytes.empty() || std::equal(bytes.begin(), bytes.end(), kPngSignature, kPngSignature + sizeof kPngSignature);
}

int diyExport(const Options& o, const DiyRequest& q, Environment& env) {
    const std::filesystem::path file(q.path);
    if (!mayWrite(env, file)) return kExitFailed;
    if (!o.force && !mayReplaceWithPicture(file)) {
        env.err << "vandrelctl: " << q.path
                << " exists and is not a PNG picture; it is not replaced (add --force to replace it).\n";
        return kExitFailed;
    }
    auto c = std::make_unique<config::Configuration>();
    if (int rc = readConfiguration(env, *c)) return rc;
    QString error;
    if (!exportDiyPicture(c->image, q.map, QString::fromStdString(q.path), &error)) {
        env.err << "vandrelctl: " << error.toStdString() << ".\n";
        return kExitFailed;
    }
    env.out << "Wrote DIY" << q.map + 1 << " to " << q.path << "\n";
    return kExitDone;
}

// set, fill, import and copy: the keyboard's maps are read, painted, and what
// changed is written; nothing is written when no key changed.
int diyPaint(const DiyRequest& q, Environment& env) {
    std::optional<std::array<Rgb, kPhysicalSlots>> picture;
    if (q.action == DiyAction::Import) {
        QString error;
        picture = loadDiyPicture(QString::fromStdString(q.path), &error);
        if (!picture) {
            env.err << "vandrelctl: " << error.toStdString() << "\n";
            return kExitBadFile;
        }
    }
    DeviceSession& session = env.deviceSession();
    if (int rc = openKeyboard(session, env, true)) return rc;
    auto files = std::make_unique<config::Configuration>();
    loadDataFiles(env, *files);
    ShadowImage shadow = files->image;
    if (int rc = reportOutcome(env, session.readAll(shadow), "read")) return rc;
    // The full read switched game mode on; the last saved choice was off.
    if (GameModeMemory(env.dataFolder).savedOff())
        if (int rc = reportOutcome(env, session.restoreGameModeOff(shadow), "read")) return rc;
    auto image = std::make_unique<DeviceImage>(shadow);
    const int changed = paintDiyRequest(*image, q, picture ? &*picture : nullptr);
    if (changed > 0) {
        keepSnapshotBefore(env, shadow, *image, files->records, nullptr);
        if (int rc = writeChanges(session, env, *image, shadow)) return rc;
    }
    env.out << diyChangeSummary(q, changed) << "\n";
    return kExitDone;
}

int cmdDiy(const Options& o, Environment& env) {
    const DiyParse parsed = parseDiyCommand(o.args);
    if (!parsed.ok()) {
        env.err << "vandrelctl: " << parsed.error << "\n";
        return kExitUsage;
    }
    const DiyRequest& q = parsed.request;
    if (q.action == DiyAction::Export) return diyExport(o, q, env);
    if (q.action != DiyAction::Show) return diyPaint(q, env);
    auto c = std::make_unique<config::Configuration>();
    if (int rc = readConfiguration(env, *c)) return rc;
    env.out << (o.json ? diyMapJson(c->image, q.map) : diyMapText(c->image, q.map));
    return kExitDone;
}

}  // namespace

DeviceSession& Environment::deviceSession() {
    if (!m_session) m_session = std::make_unique<DeviceSession>(transport, clock, session);
    return *m_session;
}

Environment::~Environment() = default;

int runCommand(const Options& o, Environment& env) {
    // Stale temporary files go once the keyboard is opened (openKeyboard).
    env.startedAt = std::filesystem::file_time_type::clock::now();
    switch (o.command) {
    case Command::Help: env.out << helpText(); return kExitDone;
    case Command::Version: env.out << versionText(); return kExitDone;
    case Command::List: return cmdList(env);
    case Command::Show: return cmdShow(o, env);
    case Command::Set: return cmdSet(o, env);
    case Command::Apply: return cmdApply(o, env);
    case Command::Save: return cmdSave(o, env);
    case Command::Reset: return cmdReset(o, env);
    case Command::Export: return cmdExport(o, env);
    case Command::Import: return cmdImport(o, env);
    case Command::Diy: return cmdDiy(o, env);
    case Command::Watch: return runWatch(QDBusConnection::sessionBus(), env.out, env.err);
    case Command::Rule: {
        RuleSettings settings;
        return runRuleCommand(o, settings, env.profileFolder, env.out, env.err);
    }
    case Command::Session: {
        RuleSettings settings;
        return runSessionCommand(o, settings, env.out, env.err);
    }
    case Command::Doctor:
        // main() runs it with the program's folders; here the data folder alone.
        return printDoctorReport(runDoctorChecks(DoctorSetup::forCurrentUser({}, env.dataFolder, false)), env.out);
    case Command::None: break;
    }
    env.err << helpText();
    return kExitUsage;
}

}  // namespace vandrel::ctl
