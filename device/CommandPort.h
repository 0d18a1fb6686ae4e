#pragma once
// The command channel as the command layer sees it: the transport, the clock for
// the pauses, the open handle, and the one lock that keeps two command
// sequences from interleaving on the channel. Every command of Commands.h holds
// the lock for its whole sequence: frame, answer, data blocks and pauses.

#include <mutex>

#include "device/Clock.h"
#include "device/Transport.h"

namespace vandrel {

class CommandPort {
public:
    CommandPort(Transport& transport, Clock& clock) : m_transport(transport), m_clock(clock) {}
    CommandPort(const CommandPort&) = delete;
    CommandPort& operator=(const CommandPort&) = delete;

    Transport& transport() { return m_transport; }
    Clock& clock() { return m_clock; }

    // Held for a whole command sequence. channel() and set() require it.
    std::mutex& mutex() { return m_mutex; }
    ChannelId channel() const { return m_channel; }
    void set(ChannelId ch) { m_channel = ch; }

    // How long a data block read may take before it counts as lost.
    int blockTimeoutMs = 1000;

private:
    Transport& m_transport;
    Clock& m_clock;
    std::mutex m_mutex;
    ChannelId m_channel = kNoChannel;
};

}  // namespace vandrel
