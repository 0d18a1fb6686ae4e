#include "app/model/AppCommands.h"

#include "keymap/KeyAssignment.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroSlot.h"
#include "macro/MacroStoreFile.h"
#include "util/AtomicFile.h"
#include "util/TrNoop.h"

#include <cerrno>

namespace vandrel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kContext = "vandrel::AppCommands";

// The reason of a file failure in the words of the program's messages.
const char* reasonSource(const std::error_code& why) {
    if (why == make_error_code(FileError::NotRegular)) return VANDREL_TR_NOOP("vandrel::AppCommands", "不是普通文件");
    if (why == make_error_code(FileError::ReadOnly)) return VANDREL_TR_NOOP("vandrel::AppCommands", "文件为只读");
    if (why == make_error_code(FileError::NoReader)) return VANDREL_TR_NOOP("vandrel::AppCommands", "是一个没有读取方的管道");
    if (why.category() == std::generic_category() || why.category() == std::system_category()) {
        switch (why.value()) {
        case ENOSPC: return VANDREL_TR_NOOP("vandrel::AppCommands", "磁盘空间不足");
#ifdef EDQUOT
        case EDQUOT: return VANDREL_TR_NOOP("vandrel::AppCommands", "超出磁盘配额");
#endif
        case EACCES:
        case EPERM: return VANDREL_TR_NOOP("vandrel::AppCommands", "没有访问权限");
        case EROFS: return VANDREL_TR_NOOP("vandrel::AppCommands", "文件系统为只读");
        case EISDIR: return VANDREL_TR_NOOP("vandrel::AppCommands", "是一个文件夹");
        case ENOTDIR: return VANDREL_TR_NOOP("vandrel::AppCommands", "不是文件夹");
        case EIO: return VANDREL_TR_NOOP("vandrel::AppCommands", "读写错误");
        default: break;
        }
    }
    return why ? nullptr : VANDREL_TR_NOOP("vandrel::AppCommands", "未知错误");
}

std::string reasonText(const std::error_code& why, const TextLookup& tr) {
    const char* source = reasonSource(why);
    return source ? lookUpText(tr, kContext, source) : why.message();
}

FileWrite keymapWrite(bool written, const fs::path& file, const std::error_code& why) {
    FileWrite w;
    w.written = written;
    if (!written) w.notice = FileNotice{FileNotice::Kind::NotSaved, file, why};
    return w;
}

}  // namespace

std::string fileNoticeText(const FileNotice& notice, const TextLookup& tr) {
    const char* pattern = VANDREL_TR_NOOP("vandrel::AppCommands", "无法保存 %1（%2），文件保持原样！");
    switch (notice.kind) {
    case FileNotice::Kind::Unreadable:
        pattern = VANDREL_TR_NOOP("vandrel::AppCommands",
                                  "无法读取 %1（%2）。本次运行不会改写这个文件，程序使用出厂设置继续运行。");
        break;
    case FileNotice::Kind::NotCreated:
        pattern = VANDREL_TR_NOOP("vandrel::AppCommands", "无法创建 %1（%2），设置不会保存到电脑上！");
        break;
    case FileNotice::Kind::NotSaved:
        break;
    case FileNotice::Kind::HistoryNotKept:
        pattern = VANDREL_TR_NOOP("vandrel::AppCommands", "无法把原有的设置存入配置历史 %1（%2）。");
        break;
    }
    return fillPlaceholders(lookUpText(tr, kContext, pattern), {notice.file.u8string(), reasonText(notice.why, tr)});
}

FileWrite saveKeymap(const AppState& state, const fs::path& dataFolder, const DeviceImage& image,
                     const KeyRecordTable& keys) {
    if (state.keymapFileKept) return {};
    std::error_code why;
    const bool written = SaveKeymapFile(dataFolder, image, keys, &why);
    return keymapWrite(written, KeymapFilePath(dataFolder), why);
}

FileWrite saveKeymap(const AppState& state, const fs::path& dataFolder) {
    return saveKeymap(state, dataFolder, state.image, state.keys);
}

std::vector<FileNotice> loadStartupFiles(AppState& state, const fs::path& dataFolder) {
    // Saves killed part-way left their temporary files; nothing of this
    // process has been written yet, so everything of that pattern is stale.
    // Profiles live in the "Configure" folder below.
    const fs::file_time_type startedAt = fs::file_time_type::clock::now();
    removeStaleTemporaries(dataFolder, startedAt);
    removeStaleTemporaries(dataFolder / "Configure", startedAt);

    std::vector<FileNotice> notices;
    std::error_code why;
    switch (LoadMacroStore(state.macros, dataFolder, &why)) {
    case MacroLoad::ReadFailed:
        state.macroFileKept = true;
        notices.push_back({FileNotice::Kind::Unreadable, dataFolder / kMacroFileName, why});
        break;
    case MacroLoad::CreateFailed:
        notices.push_back({FileNotice::Kind::NotCreated, dataFolder / kMacroFileName, why});
        break;
    default: break;
    }
    // A killed run may have left macros the keyboard never got.
    if (!state.macroFileKept) CheckMacroBaseline(state.macros, dataFolder);
    state.savedMacros = state.macros;

    state.keys.clear();
    state.skipImageOnNextLoad = false;
    why.clear();
    switch (LoadKeymapFile(dataFolder, state.image, state.keys, state.skipImageOnNextLoad, &why)) {
    case KeymapLoadResult::Unreadable:
        state.keymapFileKept = true;
        notices.push_back({FileNotice::Kind::Unreadable, KeymapFilePath(dataFolder), why});
        break;
    case KeymapLoadResult::CreateFailed:
        notices.push_back({FileNotice::Kind::NotCreated, KeymapFilePath(dataFolder), why});
        break;
    default: break;
    }
    state.keys.restoreHomeCodes();
    state.shadow = state.image;
    state.shadowKeys = state.keys;
    return notices;
}

void acceptInitialRead(AppState& state, const DeviceImage& read, const FirmwareVersion& firmware) {
    state.image = read;
    state.shadow = read;
    state.firmware = firmware;
}

FileWrite refreshAfterReload(AppState& state, const std::filesystem::path& dataFolder) {
    DeriveReassignedFlags(state.image, state.keys, state.reassigned);
    return saveKeymap(state, dataFolder);
}

FileWrite finishSave(AppState& state, const DeviceImage& written, const WriteResult& result,
                const std::filesystem::path& dataFolder) {
    state.image = written;
    if (result.ok()) {
        state.shadow = state.image;
        state.shadowKeys = state.keys;
        // A saved copy that could not be written is removed: the next start
        // then keeps MacroDefine.bin as it is rather than an older store.
        if (macrosUnsaved(state) && !state.macroFileKept) SaveMacroBaseline(state.macros, dataFolder);
        state.savedMacros = state.macros;
    }
    return saveKeymap(state, dataFolder);
}

FileWrite restoreShadowCopies(AppState& state, const std::filesystem::path& dataFolder) {
    state.image = state.shadow;
    state.keys = state.shadowKeys;
    DeriveReassignedFlags(state.image, state.keys, state.reassigned);
    return saveKeymap(state, dataFolder);
}

FileWrite restoreShadowCopies(AppState& state, MainWindowModel& model, const std::filesystem::path& dataFolder) {
    FileWrite w = restoreShadowCopies(state, dataFolder);
    model.followEffect(state.image);
    return w;
}

FileWrite finishFactoryReset(AppState& state, MainWindowModel& model, const DeviceImage& readBack,
                             const std::filesystem::path& dataFolder) {
    model.resetPanel();
    return finishFactoryReset(state, readBack, dataFolder);
}

FileWrite finishFactoryReset(AppState& state, const DeviceImage& readBack, const std::filesystem::path& dataFolder) {
    state.image = readBack;
    ResetKeyRecordsToFactory(state.image, state.keys, state.reassigned);
    FileWrite w = saveKeymap(state, dataFolder);
    if (!w.written) return w;
    state.shadow = state.image;
    state.shadowKeys = state.keys;
    return w;
}

FileWrite saveShadowOnClose(const AppState& state, const std::filesystem::path& dataFolder) {
    return saveKeymap(state, dataFolder, state.shadow, state.shadowKeys);
}

std::optional<FileNotice> restoreSavedMacros(AppState& state, const std::filesystem::path& dataFolder) {
    if (!macrosUnsaved(state)) return std::nullopt;
    state.macros = state.savedMacros;
    std::error_code why;
    if (state.macroFileKept || SaveMacroStore(state.macros, dataFolder, &why)) return std::nullopt;
    return FileNotice{FileNotice::Kind::NotSaved, dataFolder / kMacroFileName, why};
}

void reloadRecordsForKeyEdit(AppState& state, const std::filesystem::path& dataFolder) {
    state.skipImageOnNextLoad = true;
    LoadKeymapFile(dataFolder, state.image, state.keys, state.skipImageOnNextLoad);
}

KeyEditOutcome finishKeyEdit(AppState& state, const fs::path& dataFolder, AssignmentRequest& request,
                             const KeyRecord& before) {
    KeyEditOutcome out;
    const AssignChange change =
        CommitKeyEdit(request, state.image, state.keys, state.reassigned, MacroSlotSyncFor(state.macros));
    if (change != AssignChange::Applied) {
        // The dialog's page switches may have emptied the record on the way.
        if (request.slot < kRecordSlots) state.keys[request.slot] = before;
        out.result = AssignResultAfterSave(change, false);
        return out;
    }
    out.file = saveKeymap(state, dataFolder);
    out.result = AssignResultAfterSave(change, out.file.written || !out.file.notice);
    return out;
}

int followMacroRenumbering(AppState& state, const MacroRenumbering& to) {
    return FollowMacroRenumbering(to, state.image, state.keys, state.reassigned);
}

std::vector<FileNotice> storeMacrosAfterManager(AppState& state, const std::filesystem::path& dataFolder) {
    SyncMacroSlots(state.macros, state.image);
    std::vector<FileNotice> notices;
    if (FileWrite w = saveKeymap(state, dataFolder); w.notice) notices.push_back(*w.notice);
    std::error_code why;
    if (!state.macroFileKept && !SaveMacroStore(state.macros, dataFolder, &why))
        notices.push_back({FileNotice::Kind::NotSaved, dataFolder / kMacroFileName, why});
    return notices;
}

}  // namespace vandrel
