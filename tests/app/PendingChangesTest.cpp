// The bottom line's account of what Save would send, and the message of a
// save whose read-back failed.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "app/model/PendingChanges.h"
#include "device/Commands.h"
#include "keymap/KeyTables.h"

namespace vandrel {
namespace {

DeviceImage baseline() {
    DeviceImage im;
    im.clear();
    std::memset(im.keyMask, 0xFF, kKeyMaskBytes);
    applyWinLock(im);
    return im;
}

TEST(PendingChanges, TextForEachSection) {
    const struct {
        const char* name;
        std::function<void(DeviceImage&)> edit;
        const char* text;
    } cases[] = {
        {"nothing", [](DeviceImage&) {}, ""},
        {"bytes without device data", [](DeviceImage& im) { im.head[3] = 9; im.tail = 1; }, ""},
        {"brightness", [](DeviceImage& im) { im.ledBrightness = 20; }, "未保存：灯光"},
        {"palette", [](DeviceImage& im) { im.ledPalette[6][2] = 1; }, "未保存：调色板"},
        {"game mode", [](DeviceImage& im) { im.gameMode = 1; }, "未保存：游戏模式"},
        {"Windows-key lock", [](DeviceImage& im) { im.winLock = 1; }, "未保存：Win 锁定"},
        {"response time", [](DeviceImage& im) { im.responseTime = 4; }, "未保存：按键响应时间"},
        {"report rate", [](DeviceImage& im) { im.reportRate = 2; }, "未保存：USB报告率"},
        {"three keys, one by its enable bit",
         [](DeviceImage& im) {
             im.deviceKeyMap[SlotCellOffset[63] + 2] = 5;
             im.deviceKeyMap[SlotCellOffset[64] + 1] = 5;
             im.deviceKeyMap[SlotCellOffset[64] + 3] = 5;  // the same key again
             im.keyMask[0] &= 0xFE;
         },
         "未保存：按键 3 个"},
        {"macros and custom maps",
         [](DeviceImage& im) {
             im.macroSlots[0][0] = 1;
             im.macroSlots[31][191] = 1;
             im.diyMaps[4][511] = 1;
         },
         "未保存：宏 2 个、自定义灯光 1 个"},
        {"everything in order",
         [](DeviceImage& im) {
             im.ledEffect = 3;
             im.ledPalette[0][0] ^= 1;
             im.keyMask[5] ^= 0x03;
             im.macroSlots[4][4] = 1;
         },
         "未保存：灯光、调色板、按键 2 个、宏 1 个"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ShadowImage shadow = baseline();
        DeviceImage image = shadow;
        c.edit(image);
        EXPECT_EQ(pendingChangesText(image, shadow), c.text);
    }
}

TEST(PendingChanges, ReadBackMessages) {
    WriteResult r;
    ReadBackResult check;
    EXPECT_EQ(saveCheckText(r, check), "");  // a save that failed before its check has its own message

    r.step = WriteStep::ReadBack;
    r.outcome = TransferOutcome::Mismatch;
    check.differing.keyMap = true;
    check.differing.macro[3] = true;
    check.differing.diy[0] = true;
    EXPECT_EQ(saveCheckText(r, check),
              "键盘中的设置与写入的不一致：按键、宏 1 个、自定义灯光 1 个。设置未保存，请再次单击“保存”。");

    r.outcome = TransferOutcome::DeviceGone;
    EXPECT_EQ(saveCheckText(r, check), "校验写入的设置时键盘已断开连接，设置未保存！");
}

}  // namespace
}  // namespace vandrel
