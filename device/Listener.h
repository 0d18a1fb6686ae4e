#pragma once
// The listener thread: reads the keyboard's input reports on the listen
// channel. A report of kind 4 acknowledges a write (sets ackFlag and wakes the
// writer); any other report carries an input code, handed to a sink that must
// not block.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "device/Clock.h"
#include "device/Discovery.h"
#include "device/Transport.h"

namespace vandrel {

constexpr uint8_t kAckReportKind = 4;

class Listener {
public:
    using InputSink = std::function<void(uint8_t code)>;
    // The read timeout that lets the thread see stopListening.
    static constexpr int kReadTimeoutMs = 200;

    Listener(Transport& transport, Clock& clock) : m_transport(transport), m_clock(clock) {}
    ~Listener() { stop(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Set before start(); called on the listener thread.
    void setInputSink(InputSink sink) { m_sink = std::move(sink); }

    // Starts the thread on `ch` unless one is running; false when one was.
    // A thread that has ended by itself (device gone) is joined first.
    bool start(ChannelId ch, const ListenFraming& framing);
    // Sets stopListening, joins the thread and forgets a device-gone end.
    void stop();

    bool running() const { return m_running.load(); }
    // The last thread ended because the channel reported the device gone.
    bool deviceGone() const { return m_gone.load(); }
    // The channel was lost under the last thread: it reported the device gone,
    // or the channel was closed while the thread ran (the keyboard's removal).
    // Unlike deviceGone() this outlives stop(), so that a writer waiting for
    // an acknowledgement learns why the listener ended even when the removal
    // has already closed the channel. Cleared by start().
    bool channelLost() const { return m_lost.load(); }
    // Threads started over the object's life.
    int threadsStarted() const { return m_started.load(); }

    std::atomic<bool> ackFlag{false};
    std::atomic<bool> stopListening{false};

    // Interprets one report as read from the channel: true with the kind and
    // code when it belongs to the listen collection.
    static bool decode(const uint8_t* buf, size_t len, const ListenFraming& framing, uint8_t& kind, uint8_t& code);

private:
    void run(ChannelId ch, ListenFraming framing);

    Transport& m_transport;
    Clock& m_clock;
    InputSink m_sink;
    std::mutex m_threadMutex;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_gone{false};
    std::atomic<bool> m_lost{false};
    std::atomic<int> m_started{0};
};

}  // namespace vandrel
