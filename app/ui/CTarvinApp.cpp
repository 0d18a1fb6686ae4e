#include "app/ui/CTarvinApp.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <memory>

#include "theme/SkinFile.h"
#include "app/model/AppState.h"
#include "app/ui/CMacroRecordDlg.h"
#include "app/ui/CKeyMap.h"
#include "app/ui/CConfigureDlg.h"
#include "app/ui/CTarvinDlg.h"
#include "app/ui/CtlCommandHandler.h"
#include "controls/CSplashScreen.h"
#include "device/DeviceSession.h"
#include "keymap/LaunchAssignment.h"
#include "platform/AppPaths.h"
#include "platform/Autostart.h"
#include "platform/CAboutDlg.h"
#include "platform/DesktopLauncher.h"
#include "platform/DeviceMonitor.h"
#include "platform/LauncherShell.h"
#include "platform/SingleInstance.h"
#include "platform/TrayController.h"
#include "platform/UiTheme.h"
#include "platform/UpdateOffer.h"
#include "profile/OwnDataFiles.h"

namespace vandrel {

CTarvinApp::CTarvinApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Vandrel"));
    setOrganizationName(QStringLiteral("Vandrel"));
    // Hiding the window to the notification area must not end the program.
    setQuitOnLastWindowClosed(false);
    applySkinTheme(*this);
    installTranslations(*this, currentUiLanguage());
}

int CTarvinApp::runMainDialog(Transport& transport, Clock& clock, const Options& options) {
    SingleInstance instance;
    // Without a folder of the user's own for the lock and the socket, a
    // second program or vandrelctl could not see this one and would write
    // beside it: the program does not start, and says why.
    if (!instance.hasPrivateFolder()) {
        qWarning("Vandrel: %s", qPrintable(instance.privateFolderProblem()));
        QMessageBox::critical(nullptr, QStringLiteral("Vandrel"),
                              tr("Vandrel 无法启动：没有只属于当前用户的文件夹来存放它的锁和套接字，"
                                 "无法保证只有一个程序在写键盘和设置文件。\n请设置 XDG_RUNTIME_DIR，或让主文件夹可写。\n\n%1")
                                  .arg(instance.privateFolderProblem()));
        return 1;
    }
    if (!instance.tryBecomePrimary()) return 0;

    const AppPaths paths = currentAppPaths();
    auto state = std::make_unique<AppState>();
    DeviceSession session(transport, clock);
    DesktopLauncher launcher;
    LauncherShell shell(launcher);

    WindowPaths windowPaths;
    windowPaths.programFolder = paths.programFolder;
    windowPaths.dataFolder = std::filesystem::path(QDir::toNativeSeparators(paths.dataFolder).toStdU16String());
    if (currentUiLanguage() == UiLanguage::English) windowPaths.skinLanguage = QStringLiteral("en");
    CTarvinDlg window(*state, session, windowPaths);
    window.setWebAddress(vendorWebSite().host());

    const QIcon icon = loadSkinIcon(windowPaths.skinFolder() + QStringLiteral("/icon150.png"));
    TrayController tray(icon, [&window] { return window.connected(); });
    const QString programFolder = paths.programFolder;
    WindowHooks& hooks = window.hooks();
    hooks.hideWindow = [&tray](QWidget* w) { return tray.hideWindow(w); };
    hooks.openWebSite = [&launcher] { launcher.openWebPage(vendorWebSite()); };
    hooks.startUpdater = [&launcher, programFolder] { startUpdater(launcher, programFolder); };
    hooks.launchKey = [&shell, &state](uint8_t code) { RunLaunchAssignment(code, state->keys, shell); };
    hooks.runMacroManager = [&state, &windowPaths](QWidget* parent) -> std::optional<MacroRenumbering> {
        CMacroRecordDlg dialog(state->macros, windowPaths.skinFolder(), parent);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.renumbering();
    };
    // One key-map model for the whole run: it remembers the last chosen function.
    KeyMapDialogModel keyMapModel;
    const QString skinFolder = windowPaths.skinFolder();
    hooks.runKeyMapDialog = [&keyMapModel, &state, skinFolder](QWidget* parent, const KeyEditTarget& key,
                                                               AssignmentRequest& request) {
        return RunKeyMapDialog(keyMapModel, skinFolder, parent, key.slot, *state, request);
    };
    hooks.offerUpdate = [&launcher, programFolder](QWidget* parent, const AppVersion& app, const FirmwareVersion& fw) {
        offerFirmwareUpdate(parent, app, fw, launcher, programFolder);
    };

    // The profile dialog is made once and run over the window's corner each time.
    CConfigureDlg profiles(windowPaths.skinFolder(),
                           std::filesystem::path(QDir::toNativeSeparators(paths.profileFolder).toStdU16String()),
                           state->image, state->keys, &window);
    profiles.model().setOwnDataFiles(OwnDataFiles(
        {windowPaths.dataFolder}, std::filesystem::path(QDir::toNativeSeparators(paths.programFolder).toStdU16String())));
    hooks.runProfileDialog = [&profiles](QWidget* parent) {
        profiles.setMainWindowRect(parent->frameGeometry());
        return profiles.exec() == QDialog::Accepted;
    };

    connect(&instance, &SingleInstance::activationRequested, &window,
            [&window] { SingleInstance::bringToFront(&window); });
    // vandrelctl hands its commands to the running program.
    CtlCommandHandler commands(window, paths.profileFolder, options.simulatedKeyboard);
    instance.setCommandHandler([&commands](const QByteArray& request, const SingleInstance::CommandReply& reply) {
        commands.handle(request, reply);
    });
    connect(&tray, &TrayController::showWindowRequested, &window, [&window] { SingleInstance::bringToFront(&window); });
    connect(&tray, &TrayController::exitRequested, this, &QCoreApplication::quit);
    connect(&tray, &TrayController::aboutRequested, &window, [&window, &icon, &state] {
        CAboutDlg about(icon, state->appVersion, &window);
        about.exec();
    });
    connect(&window, &CTarvinDlg::exitRequested, this, &QCoreApplication::quit);

    const Autostart autostart = Autostart::forCurrentUser();
    tray.setAutostartChecked(autostart.enabled());
    connect(&tray, &TrayController::autostartToggled, &window, [&tray, &autostart](bool on) {
        autostart.setEnabled(on);
        tray.setAutostartChecked(autostart.enabled());
    });
    // Started with the desktop: no splash, and the window stays in the
    // notification area (minimised where there is none).
    const bool startHidden = arguments().contains(QLatin1String(Autostart::kHiddenFlag));
    // The configuration history and the save check, beside About in the tray menu.
    QAction* history = new QAction(tr("配置历史(&H)…"), tray.menu());
    // The save check is on unless the user switched it off in an earlier run.
    const QString verifyKey = QStringLiteral("verifySaves");
    window.setVerifySaves(QSettings().value(verifyKey, true).toBool());
    connect(&window, &CTarvinDlg::verifySavesChanged, this,
            [verifyKey](bool on) { QSettings().setValue(verifyKey, on); });
    QAction* verify = new QAction(tr("保存后校验(&V)"), tray.menu());
    verify->setCheckable(true);
    verify->setChecked(window.verifySaves());
    tray.menu()->insertAction(tray.aboutAction(), history);
    tray.menu()->insertAction(tray.aboutAction(), verify);
    tray.menu()->insertSeparator(tray.aboutAction());
    connect(history, &QAction::triggered, &window, [&window] {
        SingleInstance::bringToFront(&window);
        window.showConfigHistory();
    });
    connect(verify, &QAction::toggled, &window, [&window](bool on) { window.setVerifySaves(on); });
    connect(tray.menu(), &QMenu::aboutToShow, verify, [&window, verify] { verify->setChecked(window.verifySaves()); });

    // The splash shows while start-up goes on; the window appears when it has
    // closed, unless a keyboard channel could not be opened and the
    // notification area can keep the program instead.
    const QString englishSplash = windowPaths.skinOverlay() + QStringLiteral("/SplashScreen.png");
    CSplashScreen splash(!windowPaths.skinLanguage.isEmpty() && QFileInfo::exists(englishSplash)
                             ? englishSplash
                             : paths.programFolder + QStringLiteral("/png/SplashScreen.png"));
    bool trayInstalled = false;
    bool placed = false;
    const auto showWindow = [&] {
        // The first time it shows, the window takes the splash's place, also
        // where no window manager would place it.
        if (!placed) {
            placed = true;
            window.move(splash.centredOnScreen(window.size()));
        }
        if (startHidden) {
            if (!trayInstalled) window.showMinimized();
            return;
        }
        if (window.bothChannelsOpen() || !trayInstalled) {
            window.show();
            window.raise();
            window.activateWindow();
        }
    };
    connect(&splash, &CSplashScreen::finished, &window, showWindow);
    // Queued, so that it runs once the notification area is known.
    window.afterBrightnessSetUp = [&] {
        if (startHidden)
            QTimer::singleShot(0, &window, showWindow);
        else
            splash.start();
    };

    std::unique_ptr<DeviceMonitor> monitor;
    if (options.watchDevices) {
        monitor = std::make_unique<DeviceMonitor>();
        connect(monitor.get(), &DeviceMonitor::arrived, &window, &CTarvinDlg::deviceArrived);
        connect(monitor.get(), &DeviceMonitor::removed, &window, &CTarvinDlg::deviceRemoved);
        monitor->start();
    }

    if (options.windowCreated) options.windowCreated(window);
    window.initialise();
    trayInstalled = tray.install();

    const int code = exec();
    instance.setCommandHandler({});
    window.shutDown();
    return code;
}

}  // namespace vandrel
