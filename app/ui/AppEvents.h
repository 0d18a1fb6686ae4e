#pragma once
// The main window's private events. Their numbers are fixed; all lie in Qt's
// user range.

#include <QEvent>
#include <cstdint>

#include "controls/CBitSlider.h"
#include "device/DeviceImage.h"
#include "device/TransferResult.h"

namespace vandrel {

// Reserved for the notification-area icon and its warning balloon.
constexpr QEvent::Type kTrayNotifyEvent = static_cast<QEvent::Type>(0x405);
constexpr QEvent::Type kTrayWarningEvent = static_cast<QEvent::Type>(0x406);
// A key with a launch assignment was pressed: the keyboard's input code.
constexpr QEvent::Type kDeviceInputEvent = static_cast<QEvent::Type>(0x778);
// kSliderChangedEvent (0x779) comes with the slider control.
// The configuration was read from the keyboard, or reloaded after the profile dialog.
constexpr QEvent::Type kDeviceRefreshEvent = static_cast<QEvent::Type>(0x77B);

class DeviceInputEvent : public QEvent {
public:
    explicit DeviceInputEvent(uint8_t code) : QEvent(kDeviceInputEvent), m_code(code) {}
    uint8_t code() const { return m_code; }

private:
    uint8_t m_code;
};

class DeviceRefreshEvent : public QEvent {
public:
    enum Source { FromKeyboard = 0, FromProfiles = 1 };
    explicit DeviceRefreshEvent(Source source) : QEvent(kDeviceRefreshEvent), m_source(source) {}
    Source source() const { return m_source; }

    // The outcome of the read this refresh follows, if any.
    TransferOutcome outcome = TransferOutcome::Completed;
    // Set when the event carries the start-up read: the image as read and the
    // firmware version.
    bool carriesRead = false;
    DeviceImage read{};
    FirmwareVersion firmware;

private:
    Source m_source;
};

}  // namespace vandrel
