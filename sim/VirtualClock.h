#pragma once
// A clock whose time moves only when code sleeps or waits on it, so that tests
// run at full speed and see every pause exactly. Events scheduled for a time
// (the simulated keyboard's delayed acknowledgements) fire on the thread that
// moves time past them.
//
// Another thread may still have to finish what an event started (the listener
// handling the report the event queued). Such work is announced with
// beginWork() and ended with endWork(); work that the other thread ends by
// calling wake() (its last act before it stops) is announced with
// beginWakeWork(). Time does not move on while any is pending, so a report is
// handled at the moment it was sent.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "device/Clock.h"

namespace vandrel {

class VirtualClock final : public Clock {
public:
    int64_t nowUs() override;
    void sleepUs(int64_t us) override;
    bool waitUntil(int64_t deadlineUs, const std::function<bool()>& ready) override;
    void wake() override;

    // Runs fn once time reaches atUs (events at the same time in order of scheduling).
    void schedule(int64_t atUs, std::function<void()> fn);
    void beginWork();
    void endWork();
    void beginWakeWork();
    int pendingWork();

    // Real time allowed for pending work before time moves on regardless (a
    // report nobody reads must not hang a test).
    void setSettleLimit(std::chrono::milliseconds limit);

private:
    // With the lock held: waits for pending work, then fires the next event due
    // at or before `limit`. False when there is none.
    bool step(std::unique_lock<std::mutex>& lock, int64_t limit);
    void settle(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    int64_t m_now = 0;
    int m_work = 0;
    int m_wakeWork = 0;
    std::multimap<int64_t, std::function<void()>> m_events;
    std::chrono::milliseconds m_settleLimit{2000};
};

}  // namespace vandrel
