#include "app/service/SessionLighting.h"

#include "app/service/ConfigurationService.h"
#include "platform/SessionEventSource.h"

namespace vandrel {

SessionLighting::SessionLighting(ConfigurationService& service, QObject* parent) : QObject(parent), m_service(service) {}

void SessionLighting::setChoice(const SessionLightingChoice& choice) {
    m_choice = choice;
    if (m_events) m_events->setIdleMinutes(choice.idleMinutes);
    follow();
}

void SessionLighting::listenTo(SessionEventSource& events) {
    m_events = &events;
    events.setIdleMinutes(m_choice.idleMinutes);
    connect(&events, &SessionEventSource::lockedChanged, this, &SessionLighting::setLocked);
    connect(&events, &SessionEventSource::idleChanged, this, &SessionLighting::setIdle);
    connect(&events, &SessionEventSource::sleepingChanged, this, &SessionLighting::setAsleep);
    connect(this, &SessionLighting::settled, &events, [&events] {
        if (events.sleeping()) events.sleepReady();
    });
}

void SessionLighting::setLocked(bool locked) {
    m_state.locked = locked;
    follow();
}

void SessionLighting::setAsleep(bool asleep) {
    m_state.asleep = asleep;
    follow();
}

void SessionLighting::setIdle(bool idle) {
    m_state.idle = idle;
    follow();
}

void SessionLighting::follow() {
    const std::optional<uint8_t> cap = awayBrightness(m_choice, m_state);
    // The same report twice (the lock's signal and the screen saver's)
    // writes nothing more. Before anything was asked a session that is not
    // away asks nothing either: the lights are as saved.
    if ((m_asked && *m_asked == cap) || (!m_asked && !cap)) {
        emit settled();
        return;
    }
    m_asked = cap;
    const QPointer<SessionLighting> self(this);
    m_service.setLightsAway(cap, [self](const ServiceResult& r) {
        if (!self) return;
        if (r.saved && r.ok()) emit self->lightingWritten();
        emit self->settled();
    });
}

}  // namespace vandrel
