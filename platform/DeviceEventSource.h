#pragma once
// A source of device events as the kernel and udev report them, behind an
// interface so that the device monitor can be fed made-up events in tests.

#include <QObject>
#include <QString>

namespace vandrel {

struct DeviceEvent {
    QString action;     // "add", "bind", "remove", "unbind", "change", ...
    QString subsystem;  // "hid" or "hidraw"
    // HID_ID of the hid device ("0003:000004D9:0000A124"); for a hidraw node the
    // HID_ID of its parent hid device. Empty when it could not be found, as for
    // a hidraw node whose parent is already gone.
    QString hidId;
};

class DeviceEventSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Starts delivering events; false when this source cannot deliver any.
    virtual bool start() = 0;

signals:
    void eventReceived(const vandrel::DeviceEvent& event);
};

}  // namespace vandrel
