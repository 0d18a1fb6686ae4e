#include "device/Listener.h"

#include <chrono>

namespace vandrel {

bool Listener::decode(const uint8_t* buf, size_t len, const ListenFraming& framing, uint8_t& kind, uint8_t& code) {
    bool idFirst = framing.idByte == ListenFraming::IdByte::Present;
    if (framing.idByte == ListenFraming::IdByte::ByLength) idFirst = len >= 4;
    if (idFirst) {
        if (len < 3) return false;
        if (framing.reportId && buf[0] != *framing.reportId) return false;  // another collection's report
        kind = buf[1];
        code = buf[2];
    } else {
        if (len < 2) return false;
        kind = buf[0];
        code = buf[1];
    }
    return true;
}

bool Listener::start(ChannelId ch, const ListenFraming& framing) {
    std::lock_guard<std::mutex> lock(m_threadMutex);
    if (m_running.load()) return false;
    if (m_thread.joinable()) m_thread.join();  // one that ended by itself
    stopListening.store(false);
    m_gone.store(false);
    m_lost.store(false);
    m_running.store(true);
    ++m_started;
    m_thread = std::thread(&Listener::run, this, ch, framing);
    return true;
}

void Listener::stop() {
    std::lock_guard<std::mutex> lock(m_threadMutex);
    // Set before the thread ends, so that a writer never sees the listener
    // stopped without a reason.
    if (m_running.load()) m_lost.store(true);
    stopListening.store(true);
    if (m_thread.joinable()) m_thread.join();
    m_gone.store(false);  // the channel is being closed; its loss has been dealt with
}

void Listener::run(ChannelId ch, ListenFraming framing) {
    uint8_t buf[65];
    while (!stopListening.load()) {
        size_t got = 0;
        const IoStatus s = m_transport.readInput(ch, buf, sizeof(buf), got, kReadTimeoutMs);
        if (s == IoStatus::Gone) {
            m_lost.store(true);
            m_gone.store(true);
            break;
        }
        if (s == IoStatus::Error) {
            // A failed read counts as one still running; do not spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (s != IoStatus::Ok) continue;  // timeout: look at stopListening again
        uint8_t kind = 0;
        uint8_t code = 0;
        if (decode(buf, got, framing, kind, code)) {
            if (kind == kAckReportKind) {
                ackFlag.store(true);
            } else if (m_sink) {
                m_sink(code);
            }
        }
        m_clock.wake();
    }
    m_running.store(false);
    m_clock.wake();  // a writer waiting for an acknowledgement sees the end
}

}  // namespace vandrel
