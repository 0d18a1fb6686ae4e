#include "app/model/ProfileDialogModel.h"

#include <system_error>

#include "profile/ConfigurationCheck.h"
#include "util/TrNoop.h"
#include "util/Utf16.h"

namespace vandrel {

namespace fs = std::filesystem;

const ProfileMenuItem kProfileMenu[5] = {
    {ProfileCommand::New, VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "新建")},  {ProfileCommand::Copy, VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "复制")},   {ProfileCommand::Save, VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "保存")},
    {ProfileCommand::Load, VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "加载")}, {ProfileCommand::Delete, VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "删除")},
};

namespace {

constexpr const char* kContext = "vandrel::ProfileDialogModel";

// A setting as the lighting and performance panel names it.
const char* settingLabel(Setting setting) {
    switch (setting) {
    case Setting::Effect: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "效果");
    case Setting::Speed: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "频率");
    case Setting::Brightness: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "亮度");
    case Setting::Colour: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "颜色");
    case Setting::Direction: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "方向");
    case Setting::GameMode: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "游戏模式");
    case Setting::WinLock: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "Win Lock模式");
    case Setting::ReportRate: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "USB报告率");
    case Setting::ResponseTime: return VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "按键响应时间");
    }
    return "";
}

bool keyboardTakes(const DeviceImage& image) {
    return !IsBlankImage(image) && !FindBadSetting(image) && !DisablesEveryKey(image);
}

}  // namespace

ProfileDialogModel::ProfileDialogModel(fs::path profileFolder, DeviceImage& image, KeyRecordTable& records)
    : m_store(std::move(profileFolder)), m_image(image), m_records(records) {}

void ProfileDialogModel::open() {
    std::error_code ec;
    fs::create_directories(m_store.folder(), ec);  // without it, New could create nothing
    relist();
    // An empty or a huge file is no profile: say which files the list leaves
    // out, so that a missing row is not a mystery.
    const std::vector<std::u16string>& leftOut = m_store.leftOut();
    if (!leftOut.empty() && leftOut != m_reportedLeftOut) {
        std::string names;
        for (const std::u16string& n : leftOut) names += "\n" + utf16ToUtf8(n);
        const char* pattern =
            VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "以下文件不是配置文件（大小不符），未列出：%1");
        say(utf8ToUtf16(fillPlaceholders(lookUpText(m_tr, "vandrel::ProfileDialogModel", pattern), {names})));
    }
    m_reportedLeftOut = leftOut;
}

std::u16string ProfileDialogModel::selectedProfileName() const {
    const std::vector<std::u16string> names = rowNames();
    if (m_selected < 0 || m_selected >= static_cast<int>(names.size())) return {};
    return names[static_cast<size_t>(m_selected)];
}

std::vector<std::u16string> ProfileDialogModel::rowNames() const {
    std::vector<std::u16string> out;
    for (const ProfileEntry& e : rows()) out.push_back(e.name);
    return out;
}

void ProfileDialogModel::setSelectedRow(int row) {
    m_selected = (row >= 0 && static_cast<size_t>(row) < rows().size()) ? row : kNoRow;
}

void ProfileDialogModel::relist(bool keepSelection) {
    // The list is filled again from the folder; the selection goes with the
    // old rows unless the command only wrote into the selected profile.
    const std::u16string selected = keepSelection && m_selected != kNoRow ? rows()[m_selected].name : u"";
    m_store.scanProfiles();
    m_selected = kNoRow;
    if (!selected.empty())
        if (const std::optional<int> row = m_store.findRow(selected)) m_selected = *row;
    ++m_generation;
}

void ProfileDialogModel::say(const std::u16string& text) const {
    if (m_ports.message) m_ports.message(kProfileCaption, text);
}

ProfileCommand ProfileDialogModel::leftButtonUp(int x, int y) {
    if (kProfileCloseArea.contains(x, y)) return ProfileCommand::Close;
    if (kProfileNewArea.contains(x, y)) {
        newProfile();
        return ProfileCommand::New;
    }
    if (kProfileDeleteArea.contains(x, y)) {
        deleteProfile();
        return ProfileCommand::Delete;
    }
    return ProfileCommand::None;
}

void ProfileDialogModel::run(ProfileCommand command) {
    switch (command) {
    case ProfileCommand::New: newProfile(); break;
    case ProfileCommand::Copy: copyProfile(); break;
    case ProfileCommand::Save: saveProfile(); break;
    case ProfileCommand::Load: loadProfile(); break;
    case ProfileCommand::Delete: deleteProfile(); break;
    case ProfileCommand::None:
    case ProfileCommand::Close: break;
    }
}

void ProfileDialogModel::newProfile() {
    if (rows().size() >= kMaxProfiles) {
        say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "最多可以存储6个配置\n"));
        return;
    }
    const ProfileResult r = m_store.newProfile(keyboardTakes(m_image) ? m_image : FactoryImage());
    relist();
    if (r == ProfileResult::WriteFailed) say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "无法创建配置文件！"));
}

void ProfileDialogModel::copyProfile() {
    if (m_selected == kNoRow) {
        say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "请选择一个配置文件拷贝"));
        return;
    }
    if (rows().size() >= kMaxProfiles) return;  // a full list takes no copy, and says nothing
    const ProfileResult r = m_store.copyProfile(m_selected);
    relist();
    if (r == ProfileResult::ReadFailed) say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "无法读取所选配置文件，未复制。"));
    else if (r == ProfileResult::WriteFailed) say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "无法创建配置文件！"));
}

bool ProfileDialogModel::selectedIsOwnDataFile(const char* refusal) const {
    // A profile that is a link to keymap.bin or the macro store would carry
    // the profile into that file, which comes back as garbage at the next start.
    const fs::path& profile = rows()[m_selected].path;
    if (!m_ownFiles.contains(profile)) return false;
    say(utf8ToUtf16(fillPlaceholders(lookUpText(m_tr, kContext, refusal), {profile.filename().string()})));
    return true;
}

void ProfileDialogModel::saveProfile() {
    if (m_selected == kNoRow) {
        say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "请选择一个配置文件保存"));
        return;
    }
    if (selectedIsOwnDataFile(VANDREL_TR_NOOP("vandrel::ProfileDialogModel",
                                              "配置“%1”链接到程序自己的数据文件，不能写入。配置未保存。")))
        return;
    // The export is optional: cancelling the file dialog still stores the profile.
    std::optional<fs::path> exportPath = m_ports.chooseExportFile ? m_ports.chooseExportFile() : std::nullopt;
    // Written over by a profile, keymap.bin or the macro store would come back
    // as garbage at the next start: that export is refused, the profile itself
    // is still stored.
    const bool exportRefused = exportPath && m_ownFiles.contains(*exportPath);
    const std::optional<fs::path> refusedPath = exportRefused ? exportPath : std::nullopt;
    if (exportRefused) exportPath.reset();
    const fs::path profile = rows()[m_selected].path;
    ProfileStore::SaveErrors why;
    const ProfileResult r = m_store.saveProfile(m_selected, m_image, m_records, exportPath, &why);
    relist(true);

    // Each step that did not happen, with its file and reason.
    std::vector<std::string> lines;
    const auto line = [&](const char* pattern, const fs::path& file, const std::error_code& reason) {
        lines.push_back(fillPlaceholders(lookUpText(m_tr, kContext, pattern),
                                         {file.string(), reason ? reason.message() : std::string()}));
    };
    if (r == ProfileResult::WriteFailed)
        line(VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "配置文件“%1”保存失败：%2"), profile, why.profile);
    else if (refusedPath || r == ProfileResult::ExportFailed)
        lines.push_back(lookUpText(m_tr, kContext, VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "配置已保存。")));
    if (refusedPath)
        line(VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "“%1”是程序自己的数据文件，不能作为导出文件，未导出。"),
             *refusedPath, {});
    else if (exportPath && why.exported)
        line(VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "导出到“%1”失败：%2"), *exportPath, why.exported);
    else if (exportPath && r == ProfileResult::WriteFailed)
        line(VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "已导出到“%1”。"), *exportPath, {});
    if (lines.empty()) return;
    std::string text = lines.front();
    for (size_t i = 1; i < lines.size(); ++i) text += "\n" + lines[i];
    say(utf8ToUtf16(text));
}

void ProfileDialogModel::loadProfile() {
    if (m_selected == kNoRow) {
        say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "请选择一个配置文件打开"));
        return;
    }
    if (selectedIsOwnDataFile(VANDREL_TR_NOOP("vandrel::ProfileDialogModel",
                                              "配置“%1”链接到程序自己的数据文件，不能写入。未加载。")))
        return;
    const std::optional<fs::path> importPath = m_ports.chooseImportFile ? m_ports.chooseImportFile() : std::nullopt;
    if (!importPath) return;
    auto confirmEveryKeyDisabled = [this] {
        return m_ports.confirm &&
               m_ports.confirm(kProfileCaption, VANDREL_TR_NOOP16("vandrel::ProfileDialogModel",
                                                                  "所选配置会禁用所有按键，键盘将无法输入。仍要加载吗？"));
    };
    BadSetting bad{};
    const ProfileResult r = m_store.loadProfile(m_selected, *importPath, m_image, m_records, confirmEveryKeyDisabled, &bad);
    relist(true);
    switch (r) {
    case ProfileResult::BlankProfile:
        say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "所选配置是空白的（旧版本新建的配置），未加载。"));
        break;
    case ProfileResult::BadValue: {
        const std::string text = fillPlaceholders(
            lookUpText(m_tr, kContext, VANDREL_TR_NOOP("vandrel::ProfileDialogModel", "所选配置的“%1”值无效（%2），未加载。")),
            {lookUpText(m_tr, kContext, settingLabel(bad.setting)), std::to_string(bad.value)});
        say(utf8ToUtf16(text));
        break;
    }
    case ProfileResult::NotAProfile: say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "所选文件不是配置文件，未加载。")); break;
    case ProfileResult::ReadFailed: say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "无法读取所选文件，未加载。")); break;
    case ProfileResult::WriteFailed: say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "配置已加载，但无法写入所选配置文件！")); break;
    default: break;
    }
}

void ProfileDialogModel::deleteProfile() {
    // The last profile is kept whatever is selected.
    if (rows().size() == 1) {
        say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "请至少保留一个配置文件"));
        return;
    }
    if (m_selected == kNoRow) {
        say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "请选择一个配置文件删除"));
        return;
    }
    if (!m_ports.confirm || !m_ports.confirm(kProfileCaption, VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "删除当前配置文件吗"))) return;
    const ProfileResult r = m_store.deleteProfile(m_selected);
    relist();
    if (r == ProfileResult::DeleteFailed) say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "无法删除配置文件！"));
}

void ProfileDialogModel::renameRow(int oldRow, const std::u16string& newText) {
    const ProfileResult r = m_store.renameProfile(oldRow, newText);
    // The list shows the folder again, so a refused name goes back to the old one.
    relist();
    if (r == ProfileResult::NameRefused) say(VANDREL_TR_NOOP16("vandrel::ProfileDialogModel", "配置名称不能作为文件名，未重命名。"));
    else if (r == ProfileResult::RenameFailed && m_ports.message) m_ports.message(u"", u"Fail");
}

}  // namespace vandrel

// ---- elements and keyboard focus -------------------------------------------

namespace vandrel {

namespace {

HitRect hit(const DialogRect& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

UiElements ProfileDialogModel::elements(const TextLookup& tr) const {
    const auto drawn = [&](const char* source) { return lookUpText(tr, "vandrel::ProfileDialogRenderer", source); };
    UiElements out;
    UiElement list = uiElement(kProfileElementList, UiRole::List, hit(kProfileListArea),
                                    drawn(VANDREL_TR_NOOP("vandrel::ProfileDialogRenderer", "配置")));
    list.control = true;
    list.description = lookUpText(tr, "vandrel::ProfileDialogElements",
                                  VANDREL_TR_NOOP("vandrel::ProfileDialogElements",
                                                  "菜单键打开保存、加载和复制命令，F2 重命名"));
    out.push_back(std::move(list));
    out.push_back(uiElement(kProfileElementNew, UiRole::Button, hit(kProfileNewArea),
                                 drawn(VANDREL_TR_NOOP("vandrel::ProfileDialogRenderer", "新建"))));
    out.push_back(uiElement(kProfileElementDelete, UiRole::Button, hit(kProfileDeleteArea),
                                 drawn(VANDREL_TR_NOOP("vandrel::ProfileDialogRenderer", "删除"))));
    out.push_back(uiElement(kProfileElementClose, UiRole::Button, hit(kProfileCloseArea),
                                 lookUpText(tr, "vandrel::ProfileDialogElements",
                                            VANDREL_TR_NOOP("vandrel::ProfileDialogElements", "关闭"))));
    return out;
}

bool ProfileDialogModel::focusMark(DialogRect& rect) const {
    if (!m_focus.visible) return false;
    switch (m_focus.id) {
    case kProfileElementNew: rect = kProfileNewArea; return true;
    case kProfileElementDelete: rect = kProfileDeleteArea; return true;
    case kProfileElementClose: rect = kProfileCloseArea; return true;
    default: return false;  // the list marks itself
    }
}

ProfileCommand ProfileDialogModel::activate(int id) {
    switch (id) {
    case kProfileElementNew: newProfile(); return ProfileCommand::New;
    case kProfileElementDelete: deleteProfile(); return ProfileCommand::Delete;
    case kProfileElementClose: return ProfileCommand::Close;
    default: return ProfileCommand::None;
    }
}

ProfileDialogModel::NavResult ProfileDialogModel::navigate(NavKey key, const UiElements& elements) {
    NavResult r;
    const UiElement* focused = findElement(elements, m_focus.id);
    switch (key) {
    case NavKey::Tab:
    case NavKey::BackTab: {
        const int next = tabTarget(m_focus, elements, key == NavKey::Tab);
        if (next < 0) return r;
        setFocus(next);
        r.handled = r.focusMoved = true;
        return r;
    }
    case NavKey::Activate:
    case NavKey::Accept:
        if (!focused || focused->control) return r;
        r.handled = true;
        m_focus.visible = true;
        r.command = activate(m_focus.id);
        return r;
    default: return r;
    }
}

}  // namespace vandrel
