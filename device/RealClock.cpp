#include <chrono>
#include <thread>

#include "device/Clock.h"

namespace vandrel {

using SteadyClock = std::chrono::steady_clock;

int64_t RealClock::nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now().time_since_epoch()).count();
}

void RealClock::sleepUs(int64_t us) {
    if (us <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

bool RealClock::waitUntil(int64_t deadlineUs, const std::function<bool()>& ready) {
    const SteadyClock::time_point deadline{std::chrono::microseconds(deadlineUs)};
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!ready()) {
        if (m_cv.wait_until(lock, deadline) == std::cv_status::timeout) return ready();
    }
    return true;
}

void RealClock::wake() {
    // Taking the mutex orders the waker's store before the waiter's next test.
    { std::lock_guard<std::mutex> lock(m_mutex); }
    m_cv.notify_all();
}

}  // namespace vandrel
