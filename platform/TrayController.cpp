#include "platform/TrayController.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace vandrel {

TrayController::TrayController(const QIcon& icon, Query keyboardConnected, QObject* parent, Query trayAvailable)
    : QObject(parent),
      m_keyboardConnected(std::move(keyboardConnected)),
      m_trayAvailable(trayAvailable ? std::move(trayAvailable) : Query(&QSystemTrayIcon::isSystemTrayAvailable)) {
    m_menu = new QMenu();
    m_about = m_menu->addAction(tr("关于 Vandrel(&A)..."));
    m_autostart = m_menu->addAction(tr("随系统启动"));
    m_autostart->setCheckable(true);
    m_menu->addSeparator();
    m_exit = m_menu->addAction(tr("退出"));
    connect(m_about, &QAction::triggered, this, &TrayController::aboutRequested);
    connect(m_exit, &QAction::triggered, this, &TrayController::exitRequested);
    connect(m_autostart, &QAction::triggered, this, &TrayController::autostartToggled);

    m_icon = new QSystemTrayIcon(icon, this);
    m_icon->setToolTip(QStringLiteral("Vandrel"));
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { activate(reason); });
}

TrayController::~TrayController() {
    // The icon leaves the notification area with the program.
    m_icon->hide();
    delete m_icon;
    delete m_menu;
}

void TrayController::setToolTip(const QString& text) { m_icon->setToolTip(text); }

void TrayController::setAutostartChecked(bool on) {
    m_autostart->setChecked(on);
}

bool TrayController::install() {
    m_available = m_trayAvailable();
    if (m_available) m_icon->show();
    return m_available;
}

bool TrayController::hideWindow(QWidget* window) {
    if (!m_available || !window) return false;
    window->hide();
    return true;
}

TrayController::Response TrayController::activate(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger) return Response::None;
    if (m_keyboardConnected && m_keyboardConnected()) {
        emit showWindowRequested();
        return Response::ShowWindow;
    }
    showNoKeyboardWarning();
    return Response::Warning;
}

void TrayController::showNoKeyboardWarning() {
    m_icon->showMessage(tr("Warning"), tr("系统没有检测到游戏键盘！"),
                        QSystemTrayIcon::Information, kBalloonMs);
}

}  // namespace vandrel
