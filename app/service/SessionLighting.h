#pragma once
// The keyboard's lights follow the desktop session: down while it is locked,
// asleep or idle, as the user chose (SessionLightingChoice), and back when
// it returns. The desktop's reports come in through setLocked(), setAsleep()
// and setIdle(); the configuration service writes the lighting, once per
// change of what the lights should show, and on the way back the lighting
// saved at that moment, so that whatever changed it meanwhile (the window,
// vandrelctl, D-Bus, a rule) wins.

#include <QObject>
#include <QPointer>
#include <optional>

#include "profile/SessionLightingChoice.h"

namespace vandrel {

class ConfigurationService;
class SessionEventSource;
struct ServiceResult;

class SessionLighting : public QObject {
    Q_OBJECT
public:
    explicit SessionLighting(ConfigurationService& service, QObject* parent = nullptr);

    const SessionLightingChoice& choice() const { return m_choice; }
    void setChoice(const SessionLightingChoice& choice);

    // Follows what `events` reports, and sets its idle watch to the choice's
    // minutes; a sleep is let go on once the lights are down.
    void listenTo(SessionEventSource& events);

    const SessionState& state() const { return m_state; }
    void setLocked(bool locked);
    void setAsleep(bool asleep);
    void setIdle(bool idle);

signals:
    // The lights are as the session's state wants them, or the write failed
    // (a sleep waits for this).
    void settled();
    // A lighting write reached the keyboard (it counts in the write budget
    // with the profile switches).
    void lightingWritten();

private:
    void follow();

    ConfigurationService& m_service;
    QPointer<SessionEventSource> m_events;
    SessionLightingChoice m_choice;
    SessionState m_state;
    // The cap last handed to the service (outer nothing: none yet).
    std::optional<std::optional<uint8_t>> m_asked;
};

}  // namespace vandrel
