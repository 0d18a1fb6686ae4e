#include "app/model/PendingChanges.h"

#include <cstring>

#include "device/Commands.h"

namespace vandrel {

namespace {
// Rows 0..5 of a key column; bits 6 and 7 of the mask bytes belong to no key.
constexpr int kRowsPerColumn = 6;
constexpr size_t kCellBytes = 4;
constexpr size_t kCells = kKeyMapBytes / kCellBytes;

void count(std::string& out, const char* what, int n) {
    if (n <= 0) return;
    if (!out.empty()) out += "、";
    out += what;
    out += " " + std::to_string(n) + " 个";
}
void name(std::string& out, const char* what, bool differs) {
    if (!differs) return;
    if (!out.empty()) out += "、";
    out += what;
}
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

std::string describeChanges(const ChangeSummary& s) {
    std::string out;
    name(out, "灯光", s.lighting);
    name(out, "调色板", s.palette);
    name(out, "游戏模式", s.gameMode);
    name(out, "Win 锁定", s.winLock);
    name(out, "按键响应时间", s.responseTime);
    name(out, "USB报告率", s.reportRate);
    name(out, "按键", s.keySection && s.keys == 0);
    count(out, "按键", s.keys);
    count(out, "宏", s.macros);
    count(out, "自定义灯光", s.diyMaps);
    return out;
}

std::string pendingChangesText(const DeviceImage& image, const ShadowImage& shadow) {
    const std::string what = describeChanges(summarizeChanges(image, shadow));
    return what.empty() ? std::string() : "未保存：" + what;
}

std::string saveCheckText(const WriteResult& result, const ReadBackResult& check) {
    if (result.step != WriteStep::ReadBack) return {};
    switch (result.outcome) {
        case TransferOutcome::Mismatch:
            return "键盘中的设置与写入的不一致：" + describeChanges(summarizeFlags(check.differing)) +
                   "。设置未保存，请再次单击“保存”。";
        case TransferOutcome::DeviceGone: return "校验写入的设置时键盘已断开连接，设置未保存！";
        default: return "校验写入的设置时键盘没有响应，设置未保存！";
    }
}

}  // namespace vandrel
