#include "platform/KeyboardLayoutSource.h"

#include <QGuiApplication>
#include <QTimer>

#include "layout/KeyLegends.h"
#ifdef VANDREL_WAYLAND_REQUESTS
#include "platform/WaylandClient.h"
#endif

namespace vandrel {

KeyboardLayoutSource::KeyboardLayoutSource(QObject* parent) : QObject(parent) {
    const QString platform = QGuiApplication::platformName();
    std::unique_ptr<LayoutWatcher> watcher;
#ifdef Q_OS_LINUX
    if (platform == QLatin1String("xcb")) {
        watcher = makeX11LayoutWatcher();
        if (watcher) m_origin = "x11";
    } else if (platform.startsWith(QLatin1String("wayland"))) {
#ifdef VANDREL_WAYLAND_REQUESTS
        watcher = makeWaylandLayoutWatcher(wayland::qtDisplay());
#else
        watcher = makeWaylandLayoutWatcher(nullptr);
#endif
        if (watcher) m_origin = "wayland";
    }
#endif
    watch(std::move(watcher));
}

KeyboardLayoutSource::KeyboardLayoutSource(std::unique_ptr<LayoutWatcher> watcher, QObject* parent)
    : QObject(parent) {
    if (watcher) m_origin = "test";
    watch(std::move(watcher));
}

KeyboardLayoutSource::~KeyboardLayoutSource() = default;

void KeyboardLayoutSource::watch(std::unique_ptr<LayoutWatcher> watcher) {
    m_watcher = std::move(watcher);
    if (m_watcher) {
        // One change of layout comes as several notices (a new keyboard, its
        // map, its state): they are read once, after the last.
        auto* settle = new QTimer(this);
        settle->setSingleShot(true);
        settle->setInterval(50);
        connect(settle, &QTimer::timeout, this, &KeyboardLayoutSource::refresh);
        m_watcher->changed = [settle] { settle->start(); };
        m_current = m_watcher->layout();
    }
    if (!m_current.valid()) m_current = usLayout();
}

void KeyboardLayoutSource::refresh() {
    KeyboardLayout now = m_watcher ? m_watcher->layout() : KeyboardLayout();
    if (!now.valid()) now = usLayout();
    if (now.sameAs(m_current)) return;
    m_current = now;
    emit changed();
}

}  // namespace vandrel
