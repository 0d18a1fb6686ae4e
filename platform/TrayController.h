#pragma once
// The program's icon in the notification area: its tip "Vandrel", its menu
// (About, start with the desktop, exit), and a double-click that shows the window when the keyboard is
// connected, or otherwise a balloon saying the keyboard was not detected.
//
// The window is only ever hidden through hideWindow(): where the desktop has no
// notification area nothing could bring a hidden window back, so the window
// stays visible and shows that no keyboard is connected instead.

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace vandrel {

class TrayController : public QObject {
    Q_OBJECT
public:
    using Query = std::function<bool()>;

    static constexpr int kBalloonMs = 10000;

    // `keyboardConnected` tells whether the command channel is open.
    // `trayAvailable` defaults to asking the desktop.
    TrayController(const QIcon& icon, Query keyboardConnected, QObject* parent = nullptr, Query trayAvailable = {});
    ~TrayController() override;

    // Adds the icon; false when the desktop has no notification area.
    bool install();
    bool available() const { return m_available; }

    // Hides the window to the notification area; returns false, leaving the
    // window as it is, when there is none.
    bool hideWindow(QWidget* window);

    enum class Response { None, ShowWindow, Warning };
    // What a click on the icon does. A double-click, and also a single click,
    // which is all that many Linux notification areas report, shows the window
    // when the keyboard is connected and warns otherwise.
    Response activate(QSystemTrayIcon::ActivationReason reason);

    // The balloon "系统没有检测到游戏键盘！" titled "Warning".
    void showNoKeyboardWarning();

    QMenu* menu() const { return m_menu; }
    QAction* aboutAction() const { return m_about; }
    QAction* exitAction() const { return m_exit; }
    QAction* autostartAction() const { return m_autostart; }

    // The icon's tooltip ("Vandrel" unless the program has more to say).
    void setToolTip(const QString& text);

    // Shows whether the program starts with the desktop; the menu item then
    // asks for the change through autostartToggled().
    void setAutostartChecked(bool on);

signals:
    void showWindowRequested();
    void exitRequested();
    void aboutRequested();
    void autostartToggled(bool on);

private:
    Query m_keyboardConnected;
    Query m_trayAvailable;
    bool m_available = false;
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_about = nullptr;
    QAction* m_exit = nullptr;
    QAction* m_autostart = nullptr;
};

}  // namespace vandrel
