#include "platform/DeviceMonitor.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_LINUX
#include "platform/UdevEventSource.h"
#else
#include <hidapi.h>
#endif

namespace vandrel {

namespace {

std::unique_ptr<DeviceEventSource> platformSource() {
#ifdef Q_OS_LINUX
    if (UdevEventSource::daemonRunning()) return std::make_unique<UdevEventSource>();
#endif
    return nullptr;
}

bool platformPresence() {
#ifdef Q_OS_LINUX
    return DeviceMonitor::keyboardPresentInSysfs();
#else
    hid_device_info* list = hid_enumerate(DeviceMonitor::kVendorId, DeviceMonitor::kProductId);
    const bool present = list != nullptr;
    hid_free_enumeration(list);
    return present;
#endif
}

}  // namespace

DeviceMonitor::DeviceMonitor(QObject* parent)
    : DeviceMonitor(platformSource(), platformPresence, Timing{}, parent) {}

DeviceMonitor::DeviceMonitor(std::unique_ptr<DeviceEventSource> source, PresenceProbe probe, Timing timing,
                             QObject* parent)
    : QObject(parent), m_source(std::move(source)), m_probe(std::move(probe)), m_timing(timing) {
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(m_timing.settleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &DeviceMonitor::settle);
    m_pollTimer.setInterval(m_timing.pollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &DeviceMonitor::poll);
    m_arrivalTimer.setSingleShot(true);
    m_arrivalTimer.setInterval(m_timing.arrivalDelayMs);
    connect(&m_arrivalTimer, &QTimer::timeout, this, &DeviceMonitor::arrived);
}

DeviceMonitor::~DeviceMonitor() = default;

DeviceMonitor::Mode DeviceMonitor::start() {
    if (m_mode != Mode::Stopped) return m_mode;
    if (m_source && m_source->start()) {
        connect(m_source.get(), &DeviceEventSource::eventReceived, this, &DeviceMonitor::onEvent);
        m_mode = Mode::Events;
    } else if (m_probe) {
        m_present = m_probe();
        m_pollTimer.start();
        m_mode = Mode::Polling;
    }
    return m_mode;
}

bool DeviceMonitor::isKeyboardHidId(QStringView hidId) {
    const auto parts = hidId.trimmed().split(u':');
    if (parts.size() != 3) return false;
    bool okVendor = false, okProduct = false;
    const qulonglong vendor = parts[1].toULongLong(&okVendor, 16);
    const qulonglong product = parts[2].toULongLong(&okProduct, 16);
    return okVendor && okProduct && vendor == kVendorId && product == kProductId;
}

DeviceMonitor::Change DeviceMonitor::classify(const DeviceEvent& event) {
    if (event.subsystem != QLatin1String("hid") && event.subsystem != QLatin1String("hidraw")) return Change::None;
    if (!isKeyboardHidId(event.hidId)) return Change::None;
    if (event.action == QLatin1String("add") || event.action == QLatin1String("bind")) return Change::Arrival;
    if (event.action == QLatin1String("remove") || event.action == QLatin1String("unbind")) return Change::Removal;
    return Change::None;
}

void DeviceMonitor::onEvent(const DeviceEvent& event) {
    const Change change = classify(event);
    if (change == Change::None) return;
    if (change == Change::Removal) m_burstHadRemoval = true;
    m_burstLast = change;
    m_arrivalTimer.stop();  // the new burst decides
    m_settleTimer.start();  // restarts the quiet period
}

void DeviceMonitor::settle() {
    const bool removal = m_burstHadRemoval;
    const bool arrival = m_burstLast == Change::Arrival;
    m_burstHadRemoval = false;
    m_burstLast = Change::None;
    if (removal) emit removed();
    if (arrival) m_arrivalTimer.start();
}

void DeviceMonitor::poll() {
    const bool present = m_probe();
    if (present == m_present) return;
    m_present = present;
    if (present) {
        m_arrivalTimer.start();
    } else if (m_arrivalTimer.isActive()) {
        m_arrivalTimer.stop();  // gone again before it was reported
    } else {
        emit removed();
    }
}

bool DeviceMonitor::keyboardPresentInSysfs(const QString& hidrawClassDir) {
    const QDir dir(hidrawClassDir);
    const QStringList nodes = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& node : nodes) {
        QFile uevent(dir.filePath(node + QStringLiteral("/device/uevent")));
        if (!uevent.open(QIODevice::ReadOnly)) continue;
        // A uevent file is a few hundred bytes of KEY=value lines.
        const QByteArray content = uevent.read(8192);
        for (const QByteArray& line : content.split('\n')) {
            if (line.startsWith("HID_ID=") && isKeyboardHidId(QString::fromLatin1(line.mid(7)))) return true;
        }
    }
    return false;
}

}  // namespace vandrel
