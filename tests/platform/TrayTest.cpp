#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>

#include "platform/TrayController.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

TEST(Tray, WithoutANotificationAreaTheWindowIsNeverHidden) {
    test::app();
    // The offscreen platform, like a desktop without a notification area, has no tray.
    TrayController tray(QIcon(), [] { return false; });
    EXPECT_FALSE(tray.install());
    EXPECT_FALSE(tray.available());
    QWidget window;
    window.show();
    EXPECT_FALSE(tray.hideWindow(&window));
    EXPECT_TRUE(window.isVisible());
}

TEST(Tray, HidesTheWindowWhenThereIsOne) {
    test::app();
    TrayController tray(QIcon(), [] { return true; }, nullptr, [] { return true; });
    EXPECT_TRUE(tray.install());
    QWidget window;
    window.show();
    EXPECT_TRUE(tray.hideWindow(&window));
    EXPECT_FALSE(window.isVisible());
}

TEST(Tray, ClicksShowTheWindowOnlyWithAKeyboard) {
    test::app();
    bool connected = false;
    TrayController tray(QIcon(), [&connected] { return connected; }, nullptr, [] { return true; });
    tray.install();
    QSignalSpy shows(&tray, &TrayController::showWindowRequested);
    using R = TrayController::Response;

    EXPECT_EQ(tray.activate(QSystemTrayIcon::DoubleClick), R::Warning);
    EXPECT_EQ(tray.activate(QSystemTrayIcon::Trigger), R::Warning);
    EXPECT_EQ(shows.count(), 0);

    connected = true;
    EXPECT_EQ(tray.activate(QSystemTrayIcon::DoubleClick), R::ShowWindow);
    EXPECT_EQ(tray.activate(QSystemTrayIcon::Trigger), R::ShowWindow);
    EXPECT_EQ(shows.count(), 2);

    // The context menu and the middle button do not show the window.
    EXPECT_EQ(tray.activate(QSystemTrayIcon::Context), R::None);
    EXPECT_EQ(tray.activate(QSystemTrayIcon::MiddleClick), R::None);
    EXPECT_EQ(shows.count(), 2);
}

TEST(Tray, MenuOffersAboutStartWithTheDesktopAndExit) {
    test::app();
    TrayController tray(QIcon(), [] { return true; });
    QSignalSpy exits(&tray, &TrayController::exitRequested);
    QSignalSpy abouts(&tray, &TrayController::aboutRequested);
    QSignalSpy autostart(&tray, &TrayController::autostartToggled);
    QStringList texts;
    for (QAction* a : tray.menu()->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, QStringList({QStringLiteral("关于 Vandrel(&A)..."), QStringLiteral("随系统启动"),
                                  QStringLiteral("退出")}));
    tray.exitAction()->trigger();
    tray.aboutAction()->trigger();
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(abouts.count(), 1);

    // The item shows the entry's state and asks for the opposite.
    tray.setAutostartChecked(true);
    tray.autostartAction()->trigger();
    tray.setAutostartChecked(false);
    tray.autostartAction()->trigger();
    ASSERT_EQ(autostart.count(), 2);
    EXPECT_FALSE(autostart.at(0).at(0).toBool());
    EXPECT_TRUE(autostart.at(1).at(0).toBool());
}

}  // namespace
