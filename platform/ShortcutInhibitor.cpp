#include "platform/ShortcutInhibitor.h"

#include <QEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#ifdef VANDREL_WAYLAND_REQUESTS
#include "platform/WaylandClient.h"
#endif

namespace vandrel {

namespace {

// How long to keep asking for the X11 keyboard grab: the window must be
// mapped first, which the window system does after show() returns.
constexpr int kGrabRetryMs = 25;
constexpr int kGrabAttempts = 40;

// An X11 program in a Wayland session runs through the compositor's X
// server, whose keyboard grab the compositor's own shortcuts do not obey.
bool x11UnderWayland() { return qEnvironmentVariableIsSet("WAYLAND_DISPLAY"); }

}  // namespace

#ifdef VANDREL_WAYLAND_REQUESTS
struct ShortcutInhibitor::Wayland {
    explicit Wayland(wl_display* display) : inhibit(display) {}
    wayland::ShortcutsInhibit inhibit;
};
#else
struct ShortcutInhibitor::Wayland {};
#endif

ShortcutInhibitor::ShortcutInhibitor(QObject* parent) : QObject(parent) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) m_backend = Backend::X11;
    if (platform == QLatin1String("wayland")) m_backend = Backend::Wayland;
    m_retry = new QTimer(this);
    m_retry->setInterval(kGrabRetryMs);
    connect(m_retry, &QTimer::timeout, this, &ShortcutInhibitor::tryGrab);
    m_answerWait = new QTimer(this);
    m_answerWait->setSingleShot(true);
    m_answerWait->setInterval(kAnswerWaitMs);
    connect(m_answerWait, &QTimer::timeout, this, [this] {
        if (m_state == State::Pending) setState(State::Unavailable);
    });
}

ShortcutInhibitor::~ShortcutInhibitor() { release(); }

void ShortcutInhibitor::activate(QWidget* window) {
    release();
    if (!window) return;
    // The window is looked up when the shortcuts are taken: a dialog drawn
    // inside the main window belongs to that window by then.
    m_window = window;
    m_window->installEventFilter(this);
    if (m_backend == Backend::None) return;  // no desktop shortcuts to take (offscreen)
    if (m_window->isVisible()) take();
    else setState(State::Pending);
}

void ShortcutInhibitor::release() {
    giveBack();
    if (m_window) m_window->removeEventFilter(this);
    m_window = nullptr;
    setState(State::Off);
}

bool ShortcutInhibitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        // Wayland drops the surface of a hidden window, and X11 the grab.
        if (event->type() == QEvent::Show) take();
        if (event->type() == QEvent::Hide) {
            giveBack();
            setState(State::Pending);
        }
        // The compositor considers (and may ask the user about) a request
        // only for the surface that has the keyboard focus.
        if (event->type() == QEvent::WindowActivate && m_backend == Backend::Wayland && m_state != State::Active)
            take();
    }
    return false;
}

void ShortcutInhibitor::take() {
    if (!m_window) return;
    if (m_backend == Backend::X11) {
        if (m_grabbed) return;
        m_attempts = 0;
        setState(State::Pending);
        tryGrab();
        return;
    }
#ifdef VANDREL_WAYLAND_REQUESTS
    if (!m_wayland) {
        wl_display* display = wayland::qtDisplay();
        if (!display) {
            setState(State::Unavailable);
            return;
        }
        m_wayland = std::make_unique<Wayland>(display);
        m_wayland->inhibit.onStateChanged = [this](wayland::ShortcutsInhibit::State s) {
            using S = wayland::ShortcutsInhibit::State;
            if (s == S::Active) {
                m_answerWait->stop();
                setState(State::Active);
            } else if (s == S::Inactive) {
                // Also sent while another window has the focus: the notice
                // follows only if the desktop does not take it up again.
                setState(State::Pending);
                m_answerWait->start();
            }
        };
    }
    QWidget* topLevel = m_window->window();
    using S = wayland::ShortcutsInhibit::State;
    const S asked = m_wayland->inhibit.state();
    if (asked == S::Unsupported) {
        setState(State::Unavailable);
        return;
    }
    // One request while the window shows: the compositor answers it, also
    // after asking the user (GNOME does, in a dialog that takes the focus for
    // a moment); asking again would ask the user again.
    if (asked == S::Requested || asked == S::Active || asked == S::Inactive) return;
    // Asked once the window has the keyboard focus (see eventFilter).
    if (!topLevel->isActiveWindow()) {
        setState(State::Pending);
        return;
    }
    if (m_wayland->inhibit.inhibit(wayland::qtSurface(topLevel->windowHandle()), wayland::qtSeat())) {
        setState(State::Pending);
        m_answerWait->start();
    } else {
        setState(State::Unavailable);
    }
#else
    // Built without the Wayland client library: no way to ask the compositor.
    setState(State::Unavailable);
#endif
}

void ShortcutInhibitor::giveBack() {
    m_retry->stop();
    m_answerWait->stop();
    if (m_grabbed) {
        m_grabbed = false;
        if (m_window)
            if (QWindow* handle = m_window->window()->windowHandle()) handle->setKeyboardGrabEnabled(false);
    }
#ifdef VANDREL_WAYLAND_REQUESTS
    if (m_wayland) m_wayland->inhibit.release();
#endif
}

void ShortcutInhibitor::tryGrab() {
    if (!m_window) {
        m_retry->stop();
        return;
    }
    QWindow* handle = m_window->window()->windowHandle();
    if (handle && handle->isExposed() && handle->setKeyboardGrabEnabled(true)) {
        m_grabbed = true;
        m_retry->stop();
        setState(x11UnderWayland() ? State::Unavailable : State::Active);
        return;
    }
    if (++m_attempts < kGrabAttempts) {
        m_retry->start();
    } else {
        m_retry->stop();
        setState(State::Unavailable);
    }
}

void ShortcutInhibitor::setState(State state) {
    if (m_state == state) return;
    m_state = state;
    refreshNotice(m_noticeRelevant);
    emit stateChanged(state);
}

QLabel* ShortcutInhibitor::makeNotice(QWidget* dialog, const QRect& area) {
    m_notice = new QLabel(dialog);
    m_notice->setGeometry(area);
    m_notice->setWordWrap(true);
    m_notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_notice->setStyleSheet(QStringLiteral("QLabel { color: rgb(192, 192, 192); background: transparent; font-size: 12px; }"));
    m_notice->setText(QCoreApplication::translate("vandrel::ShortcutInhibitor", "此桌面上无法截获桌面快捷键（如 Super、Alt+Tab）。"));
    m_notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    refreshNotice(m_noticeRelevant);
    return m_notice;
}

void ShortcutInhibitor::refreshNotice(bool relevant) {
    m_noticeRelevant = relevant;
    if (m_notice) m_notice->setVisible(relevant && cannotCapture());
}

}  // namespace vandrel
