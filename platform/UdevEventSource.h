#pragma once
// Device events from libudev's monitor, source "udev": events arrive after udev
// has applied its rules, so a new hidraw node already carries the user's
// access rights. Subsystems hid and hidraw.

#include "platform/DeviceEventSource.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace vandrel {

class UdevEventSource : public DeviceEventSource {
    Q_OBJECT
public:
    explicit UdevEventSource(QObject* parent = nullptr);
    ~UdevEventSource() override;

    bool start() override;

    // True when a udev daemon runs on this machine (it is absent in many
    // containers, where the monitor would stay silent).
    static bool daemonRunning();

private:
    void readEvents();

    struct udev* m_udev = nullptr;
    struct udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace vandrel
