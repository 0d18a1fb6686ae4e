#pragma once
// What the desktop says about the user's session: whether it is locked,
// whether the computer is about to sleep, and whether the user has been idle
// for a while. Each desktop offers some of this, over D-Bus:
//
//   the login manager (system bus): the session's Lock and Unlock requests
//     and its LockedHint, and PrepareForSleep before and after a sleep; a
//     "delay" inhibitor gives the program time to act before the sleep;
//   org.freedesktop.ScreenSaver (KDE, Xfce and others) and org.gnome.ScreenSaver
//     (GNOME): ActiveChanged while the screen is locked or blanked;
//   org.gnome.Mutter.IdleMonitor (GNOME): a watch that fires after so long
//     without input, and one that fires on the next input;
//   elsewhere, the Wayland compositor's idle notice (ext-idle-notify or the
//     older KDE protocol), given by the program (watchIdleWith);
//   elsewhere on X11, the X server's idle time, asked when the idle time
//     could next be reached and every second while idle.
//
// Whatever is not offered is reported by available(); the rest still works.

#include <QDBusConnection>
#include <QTimer>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace vandrel {

class SessionEventSource : public QObject {
    Q_OBJECT
public:
    struct Offers {
        bool loginLock = false;   // the session's Lock, Unlock and LockedHint
        bool loginSleep = false;  // PrepareForSleep
        bool screenSaver = false;       // org.freedesktop.ScreenSaver
        bool gnomeScreenSaver = false;  // org.gnome.ScreenSaver
        bool idleMonitor = false;       // org.gnome.Mutter.IdleMonitor
        bool waylandIdle = false;       // the compositor's idle notice, where there is no idle monitor
        bool x11Idle = false;           // the X server's idle time, where there is neither
        // Which of the session's settings can work here (lock=, idle=,
        // sleep=): the tray menu, vandrelctl session and doctor agree on it.
        bool lockOffered() const { return loginLock || screenSaver || gnomeScreenSaver; }
        bool idleOffered() const { return idleMonitor || waylandIdle || x11Idle; }
        bool sleepOffered() const { return loginSleep; }
    };

    // `sessionId`: the login manager's session of this program (empty: the
    // caller's own, as the login manager finds it).
    SessionEventSource(QDBusConnection systemBus, QDBusConnection sessionBus, QString sessionId = {},
                       QObject* parent = nullptr);
    ~SessionEventSource() override;

    // What the desktop offers on these buses, asked without subscribing or
    // taking anything (vandrelctl doctor asks it too). `sessionPath` gets
    // the login manager's object of the session, when it has one.
    static Offers probe(const QDBusConnection& systemBus, const QDBusConnection& sessionBus, const QString& sessionId,
                        QString* sessionPath = nullptr);

    // Subscribes to whatever the desktop offers and takes the sleep delay.
    void start();
    const Offers& available() const { return m_offers; }
    // One line for each source: offered or not.
    QStringList availableText() const;

    // The idle watch: after `minutes` without input idle(true); 0: none.
    void setIdleMinutes(int minutes);
    // Where there is no idle monitor: `idleMs` answers how long there has
    // been no input; it is asked at most every `pollMs` (start() uses the X
    // server's idle time, every second). It replaces the idle source in use.
    void pollIdleTime(std::function<std::optional<int64_t>()> idleMs, int pollMs);
    // The compositor's idle notice: `watch(ms)` asks for a report after `ms`
    // without input (false: not possible), `stop()` ends it; the reports
    // come to reportIdle(). Given before start(), it is used where there is
    // no idle monitor; given after, it replaces the idle source in use.
    struct IdleNotice {
        std::function<bool(int64_t ms)> watch;
        std::function<void()> stop;
    };
    void watchIdleWith(IdleNotice notice);

    bool locked() const { return m_loginLocked || m_screenSaverActive || m_gnomeScreenSaverActive; }
    bool sleeping() const { return m_sleeping; }
    bool idle() const { return m_idle; }

public slots:
    // The program is ready for the sleep: the delay it holds is let go (and
    // taken again after the sleep).
    void sleepReady();
    // The compositor says the user is idle (true) or back (false).
    void reportIdle(bool idle);

signals:
    void lockedChanged(bool locked);
    void sleepingChanged(bool sleeping);
    void idleChanged(bool idle);

private slots:
    void onLock();
    void onUnlock();
    void onSessionProperties(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);
    void onPrepareForSleep(bool start);
    void onScreenSaverActive(bool active);
    void onGnomeScreenSaverActive(bool active);
    void onIdleWatchFired(uint id);
    void pollIdle();

private:
    void setLoginLocked(bool locked);
    void reportLocked(bool before);
    void takeSleepDelay();
    void addIdleWatch();
    void removeIdleWatches();

    QDBusConnection m_system;
    QDBusConnection m_session;
    QString m_sessionId;
    QString m_sessionPath;
    Offers m_offers;
    bool m_loginLocked = false;
    bool m_screenSaverActive = false;
    bool m_gnomeScreenSaverActive = false;
    bool m_sleeping = false;
    bool m_idle = false;
    int m_idleMinutes = 0;
    uint m_idleWatch = 0;
    uint m_activeWatch = 0;
    std::function<std::optional<int64_t>()> m_idleMs;
    IdleNotice m_notice;
    int m_pollMs = 1000;
    QTimer m_idlePoll;
    QDBusUnixFileDescriptor m_sleepDelay;
};

}  // namespace vandrel
