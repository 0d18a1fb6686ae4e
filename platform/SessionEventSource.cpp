#include "platform/SessionEventSource.h"

#include <algorithm>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>

#include "platform/WaylandGlobals.h"
#include "platform/X11IdleTime.h"

namespace vandrel {

namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kLoginManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kLoginSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kGnomeScreenSaver = QStringLiteral("org.gnome.ScreenSaver");
const QString kIdleMonitor = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kIdleMonitorPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
// A desktop service that does not answer within this long is taken as absent.
constexpr int kCallTimeoutMs = 2000;

bool registered(const QDBusConnection& bus, const QString& name) {
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(name).value();
}

QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, kCallTimeoutMs);
}

bool answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

}  // namespace

SessionEventSource::SessionEventSource(QDBusConnection systemBus, QDBusConnection sessionBus, QString sessionId,
                                       QObject* parent)
    : QObject(parent), m_system(std::move(systemBus)), m_session(std::move(sessionBus)), m_sessionId(std::move(sessionId)) {}

SessionEventSource::~SessionEventSource() { removeIdleWatches(); }

SessionEventSource::Offers SessionEventSource::probe(const QDBusConnection& systemBus, const QDBusConnection& sessionBus,
                                                     const QString& sessionId, QString* sessionPath) {
    Offers o;
    if (registered(systemBus, kLogin)) {
        // "auto" is the caller's own session, or its user's graphical one.
        const QDBusMessage reply = call(systemBus, kLogin, kLoginPath, kLoginManager, QStringLiteral("GetSession"),
                                        {sessionId.isEmpty() ? QStringLiteral("auto") : sessionId});
        o.loginLock = answered(reply);
        if (o.loginLock && sessionPath) *sessionPath = qvariant_cast<QDBusObjectPath>(reply.arguments().at(0)).path();
        o.loginSleep = true;
    }
    o.screenSaver = registered(sessionBus, kScreenSaver);
    o.gnomeScreenSaver = registered(sessionBus, kGnomeScreenSaver);
    o.idleMonitor = registered(sessionBus, kIdleMonitor);
    o.waylandIdle = !o.idleMonitor && waylandOffersAnyOf({"ext_idle_notifier_v1", "org_kde_kwin_idle"});
    o.x11Idle = !o.idleMonitor && !o.waylandIdle && X11IdleTime::open() != nullptr;
    return o;
}

void SessionEventSource::start() {
    const Offers offered = probe(m_system, m_session, m_sessionId, &m_sessionPath);
    if (offered.loginLock) {
        m_offers.loginLock =
            m_system.connect(kLogin, m_sessionPath, kLoginSession, QStringLiteral("Lock"), this, SLOT(onLock())) &&
            m_system.connect(kLogin, m_sessionPath, kLoginSession, QStringLiteral("Unlock"), this, SLOT(onUnlock())) &&
            m_system.connect(kLogin, m_sessionPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                             SLOT(onSessionProperties(QString, QVariantMap, QStringList)));
        const QDBusMessage hint = call(m_system, kLogin, m_sessionPath, kProperties, QStringLiteral("Get"),
                                       {kLoginSession, QStringLiteral("LockedHint")});
        if (answered(hint)) m_loginLocked = qvariant_cast<QDBusVariant>(hint.arguments().at(0)).variant().toBool();
    }
    if (offered.loginSleep) {
        m_offers.loginSleep = m_system.connect(kLogin, kLoginPath, kLoginManager, QStringLiteral("PrepareForSleep"), this,
                                               SLOT(onPrepareForSleep(bool)));
        if (m_offers.loginSleep) takeSleepDelay();
    }
    if (offered.screenSaver) {
        // KDE answers on /ScreenSaver, the others on the longer path too.
        for (const QString& path : {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")})
            m_offers.screenSaver |= m_session.connect(kScreenSaver, path, kScreenSaver, QStringLiteral("ActiveChanged"),
                                                      this, SLOT(onScreenSaverActive(bool)));
    }
    if (offered.gnomeScreenSaver)
        m_offers.gnomeScreenSaver =
            m_session.connect(kGnomeScreenSaver, QStringLiteral("/org/gnome/ScreenSaver"), kGnomeScreenSaver,
                              QStringLiteral("ActiveChanged"), this, SLOT(onGnomeScreenSaverActive(bool)));
    if (offered.idleMonitor) {
        // GNOME's monitor is the one used there, whatever else was given.
        removeIdleWatches();
        m_notice = {};
        m_offers.waylandIdle = false;
        m_offers.idleMonitor = m_session.connect(kIdleMonitor, kIdleMonitorPath, kIdleMonitor,
                                                 QStringLiteral("WatchFired"), this, SLOT(onIdleWatchFired(uint)));
        addIdleWatch();
    } else if (m_notice.watch) {
        m_offers.waylandIdle = true;
        addIdleWatch();
    } else if (offered.x11Idle) {
        std::shared_ptr<X11IdleTime> x11 = X11IdleTime::open();
        if (x11) pollIdleTime([x11] { return x11->idleMs(); }, 1000);
    }
    if (locked()) emit lockedChanged(true);
}

QStringList SessionEventSource::availableText() const {
    const auto line = [](bool on, const char* what) {
        return QString::fromLatin1(what) + (on ? QStringLiteral(": yes") : QStringLiteral(": not offered"));
    };
    return {line(m_offers.loginLock, "login manager lock"), line(m_offers.loginSleep, "login manager sleep"),
            line(m_offers.screenSaver, "org.freedesktop.ScreenSaver"),
            line(m_offers.gnomeScreenSaver, "org.gnome.ScreenSaver"), line(m_offers.idleMonitor, "idle monitor"),
            line(m_offers.waylandIdle, "compositor idle notice"), line(m_offers.x11Idle, "X11 idle time")};
}

void SessionEventSource::setIdleMinutes(int minutes) {
    if (minutes == m_idleMinutes) return;
    m_idleMinutes = minutes;
    removeIdleWatches();
    if (m_idle) {
        m_idle = false;
        emit idleChanged(false);
    }
    addIdleWatch();
}

void SessionEventSource::pollIdleTime(std::function<std::optional<int64_t>()> idleMs, int pollMs) {
    removeIdleWatches();
    m_idleMs = std::move(idleMs);
    m_pollMs = std::max(1, pollMs);
    m_offers.x11Idle = static_cast<bool>(m_idleMs);
    m_offers.idleMonitor = m_offers.idleMonitor && !m_offers.x11Idle;
    m_idlePoll.setSingleShot(true);
    connect(&m_idlePoll, &QTimer::timeout, this, &SessionEventSource::pollIdle, Qt::UniqueConnection);
    addIdleWatch();
}

void SessionEventSource::watchIdleWith(IdleNotice notice) {
    removeIdleWatches();
    m_notice = std::move(notice);
    m_offers.waylandIdle = static_cast<bool>(m_notice.watch);
    m_offers.idleMonitor = m_offers.idleMonitor && !m_offers.waylandIdle;
    addIdleWatch();
}

void SessionEventSource::reportIdle(bool idle) {
    if (!m_notice.watch || m_idleMinutes <= 0 || idle == m_idle) return;
    m_idle = idle;
    emit idleChanged(idle);
}

void SessionEventSource::pollIdle() {
    if (!m_idleMs || m_idleMinutes <= 0) return;
    const int64_t threshold = int64_t(m_idleMinutes) * 60000;
    const std::optional<int64_t> ms = m_idleMs();
    if (ms && !m_idle && *ms >= threshold) {
        m_idle = true;
        emit idleChanged(true);
    } else if (ms && m_idle && *ms < threshold) {
        m_idle = false;
        emit idleChanged(false);
    }
    // While idle every poll may be the input that ends it; before, nothing
    // can happen until the threshold could be reached (at most a minute on).
    int64_t next = m_pollMs;
    if (!m_idle && ms) next = std::clamp<int64_t>(threshold - *ms, m_pollMs, 60000);
    m_idlePoll.start(static_cast<int>(next));
}

void SessionEventSource::sleepReady() { m_sleepDelay = QDBusUnixFileDescriptor(); }

void SessionEventSource::onLock() { setLoginLocked(true); }

void SessionEventSource::onUnlock() { setLoginLocked(false); }

void SessionEventSource::onSessionProperties(const QString& interface, const QVariantMap& changed, const QStringList&) {
    if (interface != kLoginSession) return;
    const auto hint = changed.constFind(QStringLiteral("LockedHint"));
    if (hint != changed.constEnd()) setLoginLocked(hint->toBool());
}

void SessionEventSource::setLoginLocked(bool locked) {
    const bool before = this->locked();
    m_loginLocked = locked;
    reportLocked(before);
}

void SessionEventSource::onScreenSaverActive(bool active) {
    const bool before = locked();
    m_screenSaverActive = active;
    reportLocked(before);
}

void SessionEventSource::onGnomeScreenSaverActive(bool active) {
    const bool before = locked();
    m_gnomeScreenSaverActive = active;
    reportLocked(before);
}

void SessionEventSource::reportLocked(bool before) {
    // The lock comes by several ways at once (Lock, LockedHint, the screen
    // saver): it is reported once.
    if (locked() != before) emit lockedChanged(locked());
}

void SessionEventSource::onPrepareForSleep(bool start) {
    if (start == m_sleeping) return;
    m_sleeping = start;
    // After the sleep the delay is taken again for the next one.
    if (!start) takeSleepDelay();
    emit sleepingChanged(start);
}

void SessionEventSource::takeSleepDelay() {
    if (m_sleepDelay.isValid()) return;
    const QDBusMessage reply =
        call(m_system, kLogin, kLoginPath, kLoginManager, QStringLiteral("Inhibit"),
             {QStringLiteral("sleep"), QStringLiteral("Vandrel"), QStringLiteral("The keyboard's lights go off first"),
              QStringLiteral("delay")});
    if (answered(reply)) m_sleepDelay = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().at(0));
}

void SessionEventSource::addIdleWatch() {
    if (m_idleMinutes <= 0) return;
    if (!m_offers.idleMonitor && m_notice.watch) {
        m_notice.watch(int64_t(m_idleMinutes) * 60000);
        return;
    }
    if (!m_offers.idleMonitor) {
        // The first answer comes from the event loop, not from inside the
        // caller that changed the minutes.
        if (m_idleMs) m_idlePoll.start(0);
        return;
    }
    const QDBusMessage reply = call(m_session, kIdleMonitor, kIdleMonitorPath, kIdleMonitor,
                                    QStringLiteral("AddIdleWatch"), {QVariant::fromValue(qulonglong(m_idleMinutes) * 60000)});
    if (answered(reply)) m_idleWatch = reply.arguments().at(0).toUInt();
}

void SessionEventSource::removeIdleWatches() {
    m_idlePoll.stop();
    if (m_notice.stop) m_notice.stop();
    for (uint* watch : {&m_idleWatch, &m_activeWatch}) {
        if (*watch)
            m_session.asyncCall(QDBusMessage::createMethodCall(kIdleMonitor, kIdleMonitorPath, kIdleMonitor,
                                                               QStringLiteral("RemoveWatch"))
                                    << *watch);
        *watch = 0;
    }
}

void SessionEventSource::onIdleWatchFired(uint id) {
    if (id == 0) return;
    if (id == m_idleWatch && !m_idle) {
        m_idle = true;
        // The next input ends the idle time: a watch that fires once.
        const QDBusMessage reply =
            call(m_session, kIdleMonitor, kIdleMonitorPath, kIdleMonitor, QStringLiteral("AddUserActiveWatch"));
        if (answered(reply)) m_activeWatch = reply.arguments().at(0).toUInt();
        emit idleChanged(true);
    } else if (id == m_activeWatch) {
        m_activeWatch = 0;
        if (m_idle) {
            m_idle = false;
            emit idleChanged(false);
        }
    }
}

}  // namespace vandrel
