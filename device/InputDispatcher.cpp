#include "device/InputDispatcher.h"

namespace vandrel {

InputDispatcher::InputDispatcher() : m_thread(&InputDispatcher::run, this) {}

InputDispatcher::~InputDispatcher() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void InputDispatcher::setCallback(Callback cb) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (std::this_thread::get_id() != m_thread.get_id())
        m_idle.wait(lock, [this] { return !m_delivering; });
    m_callback = std::move(cb);
}

void InputDispatcher::post(uint8_t code) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.size() >= kQueueLimit) {
            ++m_dropped;
            return;
        }
        m_queue.push_back(code);
    }
    m_cv.notify_one();
}

size_t InputDispatcher::dropped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
}

void InputDispatcher::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_quit) return;
        const uint8_t code = m_queue.front();
        m_queue.pop_front();
        Callback cb = m_callback;
        m_delivering = true;
        lock.unlock();
        if (cb) cb(code);
        cb = nullptr;  // the receiver's captures are released before it counts as done
        lock.lock();
        m_delivering = false;
        m_idle.notify_all();
    }
}

}  // namespace vandrel
