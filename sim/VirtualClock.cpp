#include "sim/VirtualClock.h"

#include <algorithm>
#include <thread>

namespace vandrel {

int64_t VirtualClock::nowUs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_now;
}

void VirtualClock::setSettleLimit(std::chrono::milliseconds limit) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settleLimit = limit;
}

void VirtualClock::schedule(int64_t atUs, std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.emplace(atUs, std::move(fn));  // equal keys keep insertion order
}

void VirtualClock::beginWork() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_work;
}

void VirtualClock::endWork() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_work > 0) --m_work;
    }
    m_cv.notify_all();
}

void VirtualClock::beginWakeWork() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_wakeWork;
}

void VirtualClock::wake() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_wakeWork > 0) --m_wakeWork;
    }
    m_cv.notify_all();
}

int VirtualClock::pendingWork() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_work + m_wakeWork;
}

void VirtualClock::settle(std::unique_lock<std::mutex>& lock) {
    m_cv.wait_for(lock, m_settleLimit, [this] { return m_work + m_wakeWork == 0; });
}

bool VirtualClock::step(std::unique_lock<std::mutex>& lock, int64_t limit) {
    settle(lock);
    auto it = m_events.begin();
    if (it == m_events.end() || it->first > limit) return false;
    m_now = std::max(m_now, it->first);
    std::function<void()> fn = std::move(it->second);
    m_events.erase(it);
    // The event may call back into the clock (schedule, beginWork).
    lock.unlock();
    fn();
    lock.lock();
    return true;
}

void VirtualClock::sleepUs(int64_t us) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const int64_t target = m_now + std::max<int64_t>(us, 0);
    while (step(lock, target)) {
    }
    m_now = std::max(m_now, target);
    settle(lock);
    if (us <= 0) {
        lock.unlock();
        std::this_thread::yield();
    }
}

bool VirtualClock::waitUntil(int64_t deadlineUs, const std::function<bool()>& ready) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto realLimit = std::chrono::steady_clock::now() + m_settleLimit;
    for (;;) {
        if (ready()) return true;
        if (m_work + m_wakeWork > 0 && std::chrono::steady_clock::now() < realLimit) {
            // Another thread is handling a report: let it finish (it wakes us).
            m_cv.wait_until(lock, realLimit);
            continue;
        }
        if (!step(lock, deadlineUs)) break;
    }
    m_now = std::max(m_now, deadlineUs);
    return ready();
}

}  // namespace vandrel
