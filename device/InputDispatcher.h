#pragma once
// Carries input codes from the listener to the user interface on a thread of
// its own, so that a slow or blocked receiver never holds up the listener (and
// with it the acknowledgements a write is waiting for).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vandrel {

class InputDispatcher {
public:
    using Callback = std::function<void(uint8_t code)>;
    // Codes beyond this many undelivered ones are dropped.
    static constexpr size_t kQueueLimit = 256;

    InputDispatcher();
    ~InputDispatcher();
    InputDispatcher(const InputDispatcher&) = delete;
    InputDispatcher& operator=(const InputDispatcher&) = delete;

    // Replaces the receiver. Once it returns, the old receiver is not running
    // and will not be called again (unless called from within the receiver
    // itself, which cannot wait for its own return).
    void setCallback(Callback cb);
    // Never blocks beyond a short queue lock.
    void post(uint8_t code);
    size_t dropped() const;

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::condition_variable m_idle;  // signalled when a delivery ends
    bool m_delivering = false;
    std::deque<uint8_t> m_queue;
    Callback m_callback;
    size_t m_dropped = 0;
    bool m_quit = false;
    std::thread m_thread;  // last: starts after the members it uses
};

}  // namespace vandrel
