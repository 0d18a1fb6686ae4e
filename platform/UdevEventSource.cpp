#include "platform/UdevEventSource.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <libudev.h>

namespace vandrel {

UdevEventSource::UdevEventSource(QObject* parent) : DeviceEventSource(parent) {}

UdevEventSource::~UdevEventSource() {
    delete m_notifier;
    if (m_monitor) udev_monitor_unref(m_monitor);
    if (m_udev) udev_unref(m_udev);
}

bool UdevEventSource::daemonRunning() { return QFileInfo::exists(QStringLiteral("/run/udev/control")); }

bool UdevEventSource::start() {
    if (m_notifier) return true;
    m_udev = udev_new();
    if (!m_udev) return false;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor) return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hid", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0)
        return false;
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0) return false;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevEventSource::readEvents);
    return true;
}

static QString text(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

void UdevEventSource::readEvents() {
    // The monitor socket is non-blocking: drain everything that is queued.
    while (struct udev_device* dev = udev_monitor_receive_device(m_monitor)) {
        DeviceEvent ev;
        ev.action = text(udev_device_get_action(dev));
        ev.subsystem = text(udev_device_get_subsystem(dev));
        if (ev.subsystem == QLatin1String("hidraw")) {
            // The parent is looked up in sysfs, which is already gone on removal;
            // the hid device's own removal event carries the id then.
            struct udev_device* parent = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
            if (parent) ev.hidId = text(udev_device_get_property_value(parent, "HID_ID"));
        } else {
            ev.hidId = text(udev_device_get_property_value(dev, "HID_ID"));
        }
        udev_device_unref(dev);  // also releases the parent
        emit eventReceived(ev);
    }
}

}  // namespace vandrel
