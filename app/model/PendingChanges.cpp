#include "app/model/PendingChanges.h"

#include <cstring>

#include "device/Commands.h"
#include "util/TrNoop.h"

namespace vandrel {

namespace {
// Rows 0..5 of a key column; bits 6 and 7 of the mask bytes belong to no key.
constexpr int kRowsPerColumn = 6;
constexpr size_t kCellBytes = 4;
constexpr size_t kCells = kKeyMapBytes / kCellBytes;

// The texts of this file in the language of `tr`.
std::string text(const TextLookup& tr, const char* source, int n = -1) {
    return lookUpText(tr, "vandrel::PendingChanges", source, n);
}

// A list of the sections that differ, in the language of `tr`.
class SectionList {
public:
    explicit SectionList(const TextLookup& tr) : m_tr(tr) {}
    void name(const char* what, bool differs) {
        if (differs) add(text(m_tr, what));
    }
    void count(const char* what, int n) {
        if (n > 0) add(text(m_tr, what, n));
    }
    const std::string& joined() const { return m_joined; }

private:
    void add(const std::string& section) {
        if (!m_joined.empty()) m_joined += text(m_tr, VANDREL_TR_NOOP("vandrel::PendingChanges", "、"));
        m_joined += section;
    }
    const TextLookup& m_tr;
    std::string m_joined;
};
}  // namespace

bool ChangeSummary::any() const {
    return lighting || palette || gameMode || winLock || responseTime || reportRate || keySection || keys > 0 ||
           macros > 0 || diyMaps > 0;
}

ChangeSummary summarizeFlags(const ChangeFlags& f) {
    ChangeSummary s;
    s.lighting = f.lighting;
    s.palette = f.palette;
    s.gameMode = f.gameMode;
    s.responseTime = f.responseTime;
    s.reportRate = f.reportRate;
    s.keySection = f.keyMap || f.keyMask;
    for (bool m : f.macro) s.macros += m;
    for (bool d : f.diy) s.diyMaps += d;
    return s;
}

ChangeSummary summarizeChanges(const DeviceImage& image, const ShadowImage& shadow) {
    DeviceImage locked = image;
    applyWinLock(locked);
    ChangeSummary s = summarizeFlags(compareImages(locked, shadow));
    s.keySection = false;
    s.winLock = locked.winLock != shadow.winLock;
    for (size_t cell = 0; cell < kCells; ++cell) {
        const size_t column = cell / kRowsPerColumn;
        const uint8_t bit = static_cast<uint8_t>(1u << (cell % kRowsPerColumn));
        // The lock travels in the left Windows key's enable bit: counted as the lock.
        const bool lockBit = column == 1 && bit == 1 && s.winLock;
        const bool entry = std::memcmp(locked.deviceKeyMap + cell * kCellBytes, shadow.deviceKeyMap + cell * kCellBytes,
                                       kCellBytes) != 0;
        const bool enable = column < kKeyMaskBytes && !lockBit &&
                            ((locked.keyMask[column] ^ shadow.keyMask[column]) & bit) != 0;
        s.keys += entry || enable;
    }
    return s;
}

std::string describeChanges(const ChangeSummary& s, const TextLookup& tr) {
    SectionList out(tr);
    out.name(VANDREL_TR_NOOP("vandrel::PendingChanges", "灯光"), s.lighting);
    out.name(VANDREL_TR_NOOP("vandrel::PendingChanges", "调色板"), s.palette);
    out.name(VANDREL_TR_NOOP("vandrel::PendingChanges", "游戏模式"), s.gameMode);
    out.name(VANDREL_TR_NOOP("vandrel::PendingChanges", "Win 锁定"), s.winLock);
    out.name(VANDREL_TR_NOOP("vandrel::PendingChanges", "按键响应时间"), s.responseTime);
    out.name(VANDREL_TR_NOOP("vandrel::PendingChanges", "USB报告率"), s.reportRate);
    out.name(VANDREL_TR_NOOP("vandrel::PendingChanges", "按键"), s.keySection && s.keys == 0);
    out.count(VANDREL_TR_N_NOOP("vandrel::PendingChanges", "按键 %n 个"), s.keys);
    out.count(VANDREL_TR_N_NOOP("vandrel::PendingChanges", "宏 %n 个"), s.macros);
    out.count(VANDREL_TR_N_NOOP("vandrel::PendingChanges", "自定义灯光 %n 个"), s.diyMaps);
    return out.joined();
}

std::string pendingChangesText(const DeviceImage& image, const ShadowImage& shadow, const TextLookup& tr) {
    const std::string what = describeChanges(summarizeChanges(image, shadow), tr);
    if (what.empty()) return {};
    return fillPlaceholders(text(tr, VANDREL_TR_NOOP("vandrel::PendingChanges", "未保存：%1")), {what});
}

std::string saveCheckText(const WriteResult& result, const ReadBackResult& check, const TextLookup& tr) {
    if (result.step != WriteStep::ReadBack) return {};
    switch (result.outcome) {
        case TransferOutcome::Mismatch:
            return fillPlaceholders(
                text(tr, VANDREL_TR_NOOP("vandrel::PendingChanges",
                                         "键盘中的设置与写入的不一致：%1。设置未保存，请再次单击“保存”。")),
                {describeChanges(summarizeFlags(check.differing), tr)});
        case TransferOutcome::DeviceGone:
            return text(tr, VANDREL_TR_NOOP("vandrel::PendingChanges", "校验写入的设置时键盘已断开连接，设置未保存！"));
        default: return text(tr, VANDREL_TR_NOOP("vandrel::PendingChanges", "校验写入的设置时键盘没有响应，设置未保存！"));
    }
}

}  // namespace vandrel
