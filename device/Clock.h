#pragma once
// Time for the protocol: the pauses the keyboard needs between requests and the
// bounded acknowledgement wait. The real clock sleeps; a virtual clock (sim/)
// moves time only when the code sleeps or waits, so tests run fast and can
// check every pause.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vandrel {

class Clock {
public:
    virtual ~Clock() = default;

    virtual int64_t nowUs() = 0;
    int64_t nowMs() { return nowUs() / 1000; }

    // Sleeps the calling thread; 0 gives up the rest of the time slice.
    virtual void sleepUs(int64_t us) = 0;
    void sleepMs(int64_t ms) { sleepUs(ms * 1000); }

    // Blocks until ready() is true or the clock reaches deadlineUs (absolute).
    // Returns ready()'s last value. ready() is re-tested at once after wake().
    virtual bool waitUntil(int64_t deadlineUs, const std::function<bool()>& ready) = 0;
    // Called by the thread that made a waiter's condition true.
    virtual void wake() = 0;
};

// steady_clock time, real sleeps, a condition variable for the wait.
class RealClock final : public Clock {
public:
    int64_t nowUs() override;
    void sleepUs(int64_t us) override;
    bool waitUntil(int64_t deadlineUs, const std::function<bool()>& ready) override;
    void wake() override;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

}  // namespace vandrel
