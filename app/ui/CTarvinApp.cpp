#include "app/ui/CTarvinApp.h"

#include <QDBusConnection>
#include <QSet>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <QMenu>
#include <QMessageBox>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif
#include <cstdio>
#include <memory>

#include "theme/SkinFile.h"
#include "app/model/AppState.h"
#include "app/model/ProgramOptions.h"
#include "app/ui/CMacroRecordDlg.h"
#include "app/ui/CKeyMap.h"
#include "app/ui/CConfigureDlg.h"
#include "app/ui/CTarvinDlg.h"
#include "app/ui/DialogsOver.h"
#include "app/service/ConfigurationService.h"
#include "app/frontends/CtlCommandHandler.h"
#include "app/service/SessionLighting.h"
#include "app/ui/SessionMenu.h"
#include "app/ui/CRulesDlg.h"
#include "app/frontends/DBusBridge.h"
#include "app/draw/ModelText.h"
#include "app/frontends/ProfileSwitchController.h"
#include "platform/RuleSettings.h"
#include "app/ui/access/Accessibility.h"
#include "controls/CSplashScreen.h"
#include "device/DeviceSession.h"
#include "keymap/LaunchAssignment.h"
#include "platform/AppPaths.h"
#include "platform/Autostart.h"
#include "platform/CAboutDlg.h"
#include "platform/DBusService.h"
#include "platform/DesktopNotifier.h"
#include "platform/focus/FocusBackend.h"
#include "platform/focus/FocusBackendChoice.h"
#include "platform/focus/ReportedFocusBackend.h"
#include "platform/DesktopLauncher.h"
#include "platform/DialogPlacement.h"
#include "platform/CompositorIdle.h"
#include "platform/SessionEventSource.h"
#include "platform/DeviceMonitor.h"
#include "platform/KeyboardLayoutSource.h"
#include "platform/LauncherShell.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/TrayController.h"
#include "platform/UiTheme.h"
#include "platform/UpdateOffer.h"
#include "profile/OwnDataFiles.h"

namespace vandrel {

namespace {

// Runs before Qt picks its platform. Qt 6.4's Wayland platform loads the whole
// EGL graphics stack (about 50 MB) for one question, whether it may draw title
// bars of its own, although the program's windows only copy images and draw
// their own frames. Without those title bars it stays on shared-memory
// buffers: Qt's stock dialogs (message boxes, file choosers) then show without
// one where the compositor leaves them to the program (GNOME, weston), and
// with the compositor's own where it draws them (KDE). A value the user set
// is kept; X11 does not read it.
int& beforePlatform(int& argc) {
    if (!qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION"))
        qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    return argc;
}

// How long the program has to end after SIGTERM, SIGINT or SIGHUP before the
// watchdog ends it; the process is gone well within 2 s.
constexpr int kSignalDeadlineMs = 1500;

}  // namespace

CTarvinApp::CTarvinApp(int& argc, char** argv) : QApplication(beforePlatform(argc), argv) {
    setApplicationName(QStringLiteral("Vandrel"));
    setOrganizationName(QStringLiteral("Vandrel"));
    // Hiding the window to the notification area must not end the program.
    setQuitOnLastWindowClosed(false);
    applySkinTheme(*this);
    installTranslations(*this, currentUiLanguage());
    installAccessibility();
}

int CTarvinApp::handleCommandLine(int argc, char** argv, bool demo) {
    const ProgramOptions options = parseProgramOptions(std::vector<std::string>(argv + 1, argv + argc), demo);
    switch (options.action) {
    case ProgramOptions::Action::Run: return -1;
    case ProgramOptions::Action::Help: std::fputs(programHelpText(demo).c_str(), stdout); return 0;
    case ProgramOptions::Action::Version: std::fputs(programVersionText().c_str(), stdout); return 0;
    case ProgramOptions::Action::Refuse: break;
    }
    std::fprintf(stderr, "Vandrel: %s\nTry 'Vandrel --help'.\n", options.error.c_str());
    return kProgramExitUsage;
}

QString CTarvinApp::damagedSimulatedStateText(const QString& keptAs) {
    if (keptAs.isEmpty()) return tr("模拟键盘保存的设置已损坏，现以出厂设置启动。损坏的文件无法移走，下次保存时将被覆盖。");
    return tr("模拟键盘保存的设置已损坏，现以出厂设置启动。损坏的文件已保留为 %1。").arg(keptAs);
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
    // A later start hands its activation token to the running program, so
    // that the compositor lets that window come forward.
    instance.activationToken = [] { return SingleInstance::activationTokenForHandOff(); };
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
    windowPaths.profileFolder = std::filesystem::path(QDir::toNativeSeparators(paths.profileFolder).toStdU16String());
    // The configuration service owns what the program holds about the
    // keyboard; the window, vandrelctl's hand-off, D-Bus and the profile
    // follower are its clients.
    ConfigurationService service(*state, session, {windowPaths.dataFolder, windowPaths.profileFolder});
    CTarvinDlg window(service, windowPaths);
    window.setWebAddress(vendorWebSite().host());

    const QIcon icon = loadSkinIcon(windowPaths.skinFolder() + QStringLiteral("/icon150.png"));
    TrayController tray(icon, [&window] { return window.connected(); });
    const QString programFolder = paths.programFolder;
    WindowHooks& hooks = window.hooks();
    hooks.hideWindow = [&tray](QWidget* w) { return tray.hideWindow(w); };
    hooks.openWebSite = [&launcher] { launcher.openWebPage(vendorWebSite()); };
    hooks.startUpdater = [&launcher, programFolder] { startUpdater(launcher, programFolder); };
    hooks.launchKey = [&shell, &state](uint8_t code) { RunLaunchAssignment(code, state->keys, shell); };
    hooks.runMacroManager = [&state, &windowPaths, &window](QWidget* parent) -> std::optional<MacroRenumbering> {
        CMacroRecordDlg dialog(state->macros, windowPaths.skinFolder(), parent);
        dialog.showFocusMark(window.keyboardInUse());
        // A text is typed in the desktop's layout unless another is chosen.
        dialog.setKeyboardLayout(window.keyboardLayout());
        dialog.setKeyNames(window.dialogKeyNames());
        // A layout switched while the manager is open is followed there too.
        QObject::connect(&window, &CTarvinDlg::keyboardLayoutChanged, &dialog, [&window, &dialog] {
            dialog.setKeyboardLayout(window.keyboardLayout());
            dialog.setKeyNames(window.dialogKeyNames());
        });
        if (execOver(dialog, parent) != QDialog::Accepted) return std::nullopt;
        return dialog.renumbering();
    };
    // One key-map model for the whole run: it remembers the last chosen function.
    KeyMapDialogModel keyMapModel;
    const QString skinFolder = windowPaths.skinFolder();
    hooks.runKeyMapDialog = [&keyMapModel, &state, &window, skinFolder](QWidget* parent, const KeyEditTarget& key,
                                                                        AssignmentRequest& request) {
        // The dialog says what the chosen keys type in the desktop's layout.
        return RunKeyMapDialog(keyMapModel, skinFolder, parent, key.slot, *state, request,
                               [&window](CKeyMap& dialog) {
                                   dialog.setKeyboardLayout(window.keyboardLayout());
                                   dialog.setKeyNames(window.dialogKeyNames());
                               },
                               window.keyboardInUse());
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
    hooks.runProfileDialog = [&profiles, &window](QWidget* parent) {
        profiles.showFocusMark(window.keyboardInUse());
        // One pixel beyond the window's top-left corner, over its frame.
        if (dialogsInsideMainWindow()) {
            profiles.setMainWindowRect(QRect());
            return execOver(profiles, parent, QPoint(-1, -1)) == QDialog::Accepted;
        }
        profiles.setMainWindowRect(parent->frameGeometry());
        return profiles.exec() == QDialog::Accepted;
    };

    connect(&instance, &SingleInstance::activationRequested, &window,
            [&window](const QByteArray& token) { SingleInstance::bringToFront(&window, token); });
    // vandrelctl hands its commands to the running program.
    CtlCommandHandler commands(service, options.simulatedKeyboard);
    // The same commands over D-Bus, for other programs; without a session bus
    // the program runs as before.
    DBusBridge bridge(service, paths.profileFolder);
    DBusService dbus(bridge);
    QString noBus;
    if (!dbus.publish(QDBusConnection::sessionBus(), &noBus))
        qInfo("Vandrel: no D-Bus interface (%s)", qPrintable(noBus));
    connect(&service, &ConfigurationService::keyboardConfigurationChanged, &dbus, &DBusService::ConfigurationChanged);
    // Every profile that reaches the keyboard, by request or by a rule.
    connect(&service, &ConfigurationService::profileApplied, &dbus, &DBusService::ProfileApplied);
    // Profiles that follow the focused window, by the rules in the settings.
    ProfileSwitchController switching(service, clock, paths.profileFolder, windowPaths.dataFolder, RuleSettings());
    connect(&switching, &ProfileSwitchController::ruleProfileMissing, &dbus, &DBusService::RuleProfileMissing);
    // A switch is told by a desktop notification (unless turned off) and the tray tooltip.
    DesktopNotifier notifier(QDBusConnection::sessionBus());
    connect(&switching, &ProfileSwitchController::profileApplied, &notifier, [&switching, &notifier](const QString& name) {
        if (switching.settings().notify())
            notifier.show(QString::fromStdString(RulesDialogModel::notificationText(name.toStdString(), modelLookup())));
    });
    // A rule passed over because its profile is gone is told once per profile and run.
    QSet<QString> toldMissing;
    connect(&switching, &ProfileSwitchController::ruleProfileMissing, &notifier,
            [&switching, &notifier, &toldMissing](const QString& name) {
                if (!switching.settings().notify() || toldMissing.contains(name)) return;
                toldMissing.insert(name);
                notifier.show(QString::fromStdString(RulesDialogModel::missingProfileText(name.toStdString(), modelLookup())));
            });
    connect(&switching, &ProfileSwitchController::statusChanged, &tray, [&switching, &tray] {
        tray.setToolTip(QString::fromStdString(RulesDialogModel::trayToolTip(switching.status(), modelLookup())));
    });
    const auto openRules = [&switching, &window] {
        // Over the main window: drawn inside it where the compositor would
        // put a window of its own in a corner (and, without decorations,
        // leave it where it cannot be moved).
        CRulesDlg rules(switching, &window);
        runDialogOver(rules, &window);
    };
    profiles.openRules = openRules;
    instance.setCommandHandler([&commands](const QByteArray& request, const SingleInstance::CommandReply& reply) {
        commands.handle(request, reply);
    });
    connect(&tray, &TrayController::showWindowRequested, &window, [&window] { SingleInstance::bringToFront(&window); });
    // The tray's exit is the close button: unsaved changes are asked about.
    connect(&tray, &TrayController::exitRequested, &window, [&window] { window.requestClose(); });
    connect(&tray, &TrayController::aboutRequested, &window, [&window, &icon, &state] {
        CAboutDlg about(icon, state->appVersion, &window);
        runDialogOver(about, &window);
    });
    connect(&window, &CTarvinDlg::exitRequested, this, &QCoreApplication::quit);
    // Ends nobody can be asked about: SIGTERM (logout, a service manager),
    // SIGINT, SIGHUP, and the session ending. The keyboard keeps what it has,
    // and keymap.bin gets what the keyboard holds.
    //
    // A signal ends the program within its deadline whatever is open: the
    // window ends as the close question's Discard ends it, and every event
    // loop ends with it, the modal loops of dialogs and message boxes
    // included (each then answers as its Cancel), also those of a start-up
    // message shown before the main loop runs, which is then never entered.
    // Should the window thread not get that far (frozen, or a transfer that
    // does not end), the watchdog ends the process at the deadline.
    TerminationSignals termination(kSignalDeadlineMs);
    bool endedBySignal = false;
    connect(&termination, &TerminationSignals::received, &window, [&window, &endedBySignal](int) {
        endedBySignal = true;
        window.endWithoutAsking();
        QCoreApplication::exit(0);
    });
#if QT_CONFIG(sessionmanager)
    connect(this, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager&) { window.endWithoutAsking(); });
#endif
    // Whatever ends the event loop, the files end up as the close leaves them.
    connect(this, &QCoreApplication::aboutToQuit, &window, [&window] { window.finishBeforeQuit(); });

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
    QAction* rulesAction = new QAction(tr("自动切换规则(&R)…"), tray.menu());
    connect(rulesAction, &QAction::triggered, &window, [&window, openRules] {
        SingleInstance::bringToFront(&window);
        openRules();
    });
    // The save check is on unless the user switched it off in an earlier run.
    const QString verifyKey = QStringLiteral("verifySaves");
    window.setVerifySaves(RuleSettings().flag(verifyKey, true));
    connect(&window, &CTarvinDlg::verifySavesChanged, this,
            [verifyKey](bool on) { RuleSettings().setFlag(verifyKey, on); });
    QAction* verify = new QAction(tr("保存后校验(&V)"), tray.menu());
    verify->setCheckable(true);
    verify->setChecked(window.verifySaves());
    tray.menu()->insertAction(tray.aboutAction(), history);
    tray.menu()->insertAction(tray.aboutAction(), rulesAction);
    tray.menu()->insertAction(tray.aboutAction(), verify);
    tray.menu()->insertSeparator(tray.aboutAction());
    connect(history, &QAction::triggered, &window, [&window] {
        SingleInstance::bringToFront(&window);
        window.showConfigHistory();
    });
    connect(verify, &QAction::toggled, &window, [&window](bool on) { window.setVerifySaves(on); });
    connect(tray.menu(), &QMenu::aboutToShow, verify, [&window, verify] { verify->setChecked(window.verifySaves()); });

    // The key legends follow the desktop's keyboard layout, unless the user
    // chose the printed ones in an earlier run.
    KeyboardLayoutSource layouts;
    const QString legendsKey = QStringLiteral("legendsFollowLayout");
    window.setLegendsFollowLayout(RuleSettings().flag(legendsKey, true));
    window.setKeyboardLayout(layouts.current());
    connect(&layouts, &KeyboardLayoutSource::changed, &window,
            [&window, &layouts] { window.setKeyboardLayout(layouts.current()); });
    connect(&window, &CTarvinDlg::legendsFollowLayoutChanged, this,
            [legendsKey](bool on) { RuleSettings().setFlag(legendsKey, on); });
    QAction* legends = new QAction(tr("按键盘布局标注按键(&L)"), tray.menu());
    legends->setCheckable(true);
    legends->setChecked(window.legendsFollowLayout());
    // Beside the save check, before the separator above About.
    tray.menu()->insertAction(tray.menu()->actions().value(tray.menu()->actions().indexOf(verify) + 1), legends);
    connect(legends, &QAction::toggled, &window, [&window](bool on) { window.setLegendsFollowLayout(on); });
    connect(tray.menu(), &QMenu::aboutToShow, legends,
            [&window, legends] { legends->setChecked(window.legendsFollowLayout()); });

    // The splash shows while start-up goes on; the window appears when it has
    // closed, unless the desktop's autostart started the program (--hidden).
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
        switch (startWindow(startHidden, trayInstalled)) {
        case StartWindow::InTray: return;
        case StartWindow::Minimised: window.showMinimized(); return;
        case StartWindow::Show:
            // Also without a keyboard: the window then says that none is
            // connected, rather than the program vanishing into the tray.
            window.show();
            window.raise();
            window.activateWindow();
            return;
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
        connect(monitor.get(), &DeviceMonitor::arrived, &service, &ConfigurationService::deviceArrived);
        connect(monitor.get(), &DeviceMonitor::removed, &service, &ConfigurationService::deviceRemoved);
        connect(monitor.get(), &DeviceMonitor::arrived, &dbus, &DBusService::DeviceAdded);
        connect(monitor.get(), &DeviceMonitor::removed, &dbus, &DBusService::DeviceRemoved);
        monitor->start();
    }

    if (options.windowCreated) options.windowCreated(window);
    window.initialise();
    trayInstalled = tray.install();
    const FocusDesktop desktop = chooseFocusDesktop(DesktopEnvironment::current());
    std::unique_ptr<FocusBackend> focus = createFocusBackend(desktop, paths.programFolder);
    // The KWin script and the GNOME Shell extension report over D-Bus.
    if (auto* reported = qobject_cast<ReportedFocusBackend*>(focus.get()))
        connect(&dbus, &DBusService::windowReported, reported, &ReportedFocusBackend::report);
    switching.start(std::move(focus), focusDesktopName(desktop),
                    desktop == FocusDesktop::None ? QStringLiteral("there is no display")
                                                  : QStringLiteral("this desktop does not report the focused window"));

    // The lights follow the session: down while it is locked, asleep or
    // idle, as chosen in the settings (vandrelctl session), which are
    // followed as they change. The writes count in the profile switches'
    // write limit: while it is spent the lights stay up.
    // On Wayland the compositor tells the idle time (GNOME's monitor wins).
    // It outlives the event source, which ends its watch.
    const std::unique_ptr<CompositorIdle> compositorIdle = CompositorIdle::open();
    SessionLighting sessionLighting(service);
    SessionEventSource sessionEvents(QDBusConnection::systemBus(), QDBusConnection::sessionBus(),
                                     qEnvironmentVariable("XDG_SESSION_ID"));
    sessionLighting.listenTo(sessionEvents);
    const auto followSessionChoice = [&switching, &sessionLighting] {
        const SessionLightingChoice choice = switching.settings().sessionLighting();
        if (!(choice == sessionLighting.choice())) sessionLighting.setChoice(choice);
    };
    connect(&switching, &ProfileSwitchController::statusChanged, &sessionLighting, followSessionChoice);
    switching.countWritesOf(sessionLighting);
    if (compositorIdle) {
        compositorIdle->onIdle = [&sessionEvents](bool idle) { sessionEvents.reportIdle(idle); };
        CompositorIdle* idle = compositorIdle.get();
        sessionEvents.watchIdleWith({[idle](int64_t ms) { return idle->watch(ms); }, [idle] { idle->stop(); }});
    }
    followSessionChoice();
    sessionEvents.start();
    // The same choice in the notification area's menu, beside the other switches.
    const SessionEventSource::Offers& offers = sessionEvents.available();
    QStringList notOffered;
    if (!offers.lockOffered()) notOffered << SessionMenu::headingText(SessionMenuRow::Group::Lock);
    if (!offers.idleOffered()) notOffered << SessionMenu::headingText(SessionMenuRow::Group::Idle);
    if (!offers.sleepOffered()) notOffered << SessionMenu::headingText(SessionMenuRow::Group::Sleep);
    auto* sessionMenu = new SessionMenu(RuleSettings(), notOffered, tray.menu());
    tray.menu()->insertMenu(tray.menu()->actions().value(tray.menu()->actions().indexOf(legends) + 1), sessionMenu);

    int code = 0;
    if (endedBySignal) window.finishBeforeQuit();
    else code = exec();
    instance.setCommandHandler({});
    dbus.withdraw();
    window.shutDown();
    return code;
}

}  // namespace vandrel
