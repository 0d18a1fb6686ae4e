// The rules window's model: what it accepts as a rule, the order of the
// rules, and what the status box, the tray tooltip and the notification say.

#include <gtest/gtest.h>

#include "app/model/RulesDialogModel.h"

namespace vandrel {
namespace {

TEST(RulesDialogModel, RulesAreCheckedAndKeptInOrder) {
    RulesDialogModel m({}, {"FPS", "夜间"});
    EXPECT_NE(m.add({"", "", "", "FPS"}), "");
    EXPECT_NE(m.add({"game", "", "", "Gone"}), "");  // a profile the folder does not hold
    EXPECT_NE(m.add({"game", "([", "", "FPS"}), "");
    EXPECT_EQ(m.add({"game", "", "", "FPS"}), "");
    EXPECT_EQ(m.add({"game", "", "", "FPS"}), "");  // the same rule again is kept once
    EXPECT_EQ(m.add({"browser", "Twitch", "", "夜间"}), "");
    ASSERT_EQ(m.rules().rules.size(), 2u);
    // The first match wins, so the order is the user's to set.
    EXPECT_TRUE(m.move(1, -1));
    EXPECT_EQ(m.rules().rules[0].windowClass, "browser");
    EXPECT_FALSE(m.move(0, -1));
    EXPECT_FALSE(m.move(1, 1));
    EXPECT_FALSE(m.remove(2));
    EXPECT_TRUE(m.remove(0));
    EXPECT_EQ(m.rules().rules[0].windowClass, "game");
}

TEST(RulesDialogModel, TheStatusSaysWhatHappensAndWhy) {
    SwitchStatus s;
    s.desktop = "Wayland (wlroots)";
    s.unavailable = "this compositor does not offer zwlr_foreign_toplevel_manager_v1";
    std::vector<std::string> lines = RulesDialogModel::statusLines(s);
    EXPECT_EQ(lines[0], "此桌面（Wayland (wlroots)）上无法按前台窗口切换配置：this compositor does not offer "
                        "zwlr_foreign_toplevel_manager_v1");

    s.following = true;
    s.desktop = "X11";
    s.switched = true;
    s.activeProfile = "FPS";
    s.hold = SwitchHold::UnsavedChanges;
    s.writes = 7;
    lines = RulesDialogModel::statusLines(s);
    EXPECT_EQ(lines, (std::vector<std::string>{"桌面：X11，按前台窗口切换配置。", "键盘当前使用配置“FPS”。",
                                               "暂不切换：主窗口中有未保存的更改，请先保存或取消。",
                                               "自动切换共写入键盘 7 次。"}));
    EXPECT_EQ(RulesDialogModel::trayToolTip(s), "Vandrel\n配置：FPS\n未自动切换：有未保存的更改");
    s.switched = false;
    s.hold = SwitchHold::None;
    EXPECT_EQ(RulesDialogModel::trayToolTip(s), "Vandrel");
    EXPECT_EQ(RulesDialogModel::notificationText("FPS"), "键盘已切换到配置“FPS”");
    EXPECT_EQ(RulesDialogModel::notificationText(""), "键盘已恢复切换前的配置");
}

TEST(RulesDialogModel, TheLastReportedWindowIsShownForWritingARule) {
    SwitchStatus s;
    s.following = true;
    s.desktop = "GNOME Shell";
    s.focusClass = "steam_app_730";
    s.focusInstance = "steam_app_730";
    s.focusTitle = "Counter-Strike 2";
    EXPECT_EQ(RulesDialogModel::statusLines(s)[1],
              "前台窗口：类“steam_app_730”，实例“steam_app_730”，标题“Counter-Strike 2”");
    // Nothing reported yet (or the desktop): no line.
    s.focusClass.clear();
    s.focusInstance.clear();
    s.focusTitle.clear();
    EXPECT_EQ(RulesDialogModel::statusLines(s)[1], "键盘当前使用切换前的配置。");
}

}  // namespace
}  // namespace vandrel
