#pragma once
// Tells the window when the keyboard arrives or leaves. Events come from udev
// where a udev daemon runs; elsewhere (containers, other systems) the presence
// of the keyboard is polled once a second and compared with the last poll.
//
// Plugging the keyboard in produces a burst of events (one hid and one hidraw
// device per USB interface, plus bind events). Events that concern the
// keyboard restart a short single-shot timer; when the burst is over the
// monitor emits one removed() if the burst held a removal, then one arrived()
// if its last event was an arrival. Events of other devices are ignored.
//
// A keyboard that has just enumerated is not ready to answer at once: arrived()
// comes two seconds after the arrival was seen, so the window never has to
// sleep. A removal, or a new burst, within that time cancels the arrival.

#include <QObject>
#include <QStringView>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/DeviceEventSource.h"

namespace vandrel {

class DeviceMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr unsigned kVendorId = 0x04D9;
    static constexpr unsigned kProductId = 0xA124;

    enum class Mode { Stopped, Events, Polling };
    enum class Change { None, Arrival, Removal };
    using PresenceProbe = std::function<bool()>;

    struct Timing {
        int settleMs = 300;   // quiet time that ends a burst of events
        int pollMs = 1000;    // presence polling period
        int arrivalDelayMs = 2000;  // from the arrival to arrived()
    };

    // The platform's own event source and presence probe.
    explicit DeviceMonitor(QObject* parent = nullptr);
    // `source` may be null: then the monitor polls `probe`.
    DeviceMonitor(std::unique_ptr<DeviceEventSource> source, PresenceProbe probe, Timing timing,
                  QObject* parent = nullptr);
    ~DeviceMonitor() override;

    // Starts listening for events, or polling when the source cannot start.
    Mode start();
    Mode mode() const { return m_mode; }

    // "BUS:VENDOR:PRODUCT" in hex, as in "0003:000004D9:0000A124", any bus.
    static bool isKeyboardHidId(QStringView hidId);
    // What an event means for the keyboard.
    static Change classify(const DeviceEvent& event);
    // Whether a hidraw node of the keyboard exists, from the hid devices'
    // uevent files under `hidrawClassDir`.
    static bool keyboardPresentInSysfs(const QString& hidrawClassDir = QStringLiteral("/sys/class/hidraw"));

signals:
    void arrived();
    void removed();

private:
    void onEvent(const DeviceEvent& event);
    void settle();
    void poll();

    std::unique_ptr<DeviceEventSource> m_source;
    PresenceProbe m_probe;
    Timing m_timing;
    Mode m_mode = Mode::Stopped;
    QTimer m_settleTimer;
    QTimer m_pollTimer;
    QTimer m_arrivalTimer;
    bool m_burstHadRemoval = false;
    Change m_burstLast = Change::None;
    bool m_present = false;
};

}  // namespace vandrel
