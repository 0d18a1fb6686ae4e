#pragma once
// What the benchmarks of the program measure against: the moment the host
// reads each of the simulated keyboard's acknowledgements (on the keyboard's
// clock and on the wall clock), and the protocol floor of a write, the same
// write alone on a virtual clock.

#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "device/Clock.h"
#include "device/DeviceSession.h"
#include "device/Transport.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"

namespace vandrel::bench {

inline int64_t wallUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The simulated keyboard as the session sees it, noting when the host reads
// each acknowledgement, on the keyboard's clock and on the wall clock.
class AckStamps final : public Transport {
public:
    AckStamps(SimKeyboard& keyboard, Clock& clock) : m_keyboard(keyboard), m_clock(clock) {}

    struct Stamp {
        int count = 0;
        int64_t keyboardUs = 0;
        int64_t wallUs = 0;
    };
    Stamp last() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_last;
    }

    std::vector<HidRecord> enumerate() override { return m_keyboard.enumerate(); }
    ChannelId open(const std::string& path) override { return m_keyboard.open(path); }
    void close(ChannelId ch) override { m_keyboard.close(ch); }
    IoStatus sendFeature(ChannelId ch, const CommandFrame& f) override { return m_keyboard.sendFeature(ch, f); }
    IoStatus getFeature(ChannelId ch, CommandFrame& a) override { return m_keyboard.getFeature(ch, a); }
    IoStatus writeBlock(ChannelId ch, const DataBlock& b) override { return m_keyboard.writeBlock(ch, b); }
    IoStatus readBlock(ChannelId ch, DataBlock& b, int timeoutMs) override {
        return m_keyboard.readBlock(ch, b, timeoutMs);
    }
    void discardInput(ChannelId ch) override { m_keyboard.discardInput(ch); }
    DeviceLockFile lockFile(const std::string& path) const override { return m_keyboard.lockFile(path); }
    IoStatus readInput(ChannelId ch, uint8_t* buf, size_t capacity, size_t& got, int timeoutMs) override {
        const IoStatus s = m_keyboard.readInput(ch, buf, capacity, got, timeoutMs);
        static const std::vector<uint8_t> ack = SimKeyboard::ackReport();
        if (s == IoStatus::Ok && got == ack.size() && std::memcmp(buf, ack.data(), got) == 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_last.count;
            m_last.keyboardUs = m_clock.nowUs();
            m_last.wallUs = wallUs();
        }
        return s;
    }

private:
    SimKeyboard& m_keyboard;
    Clock& m_clock;
    mutable std::mutex m_mutex;
    Stamp m_last;
};

struct Floor {
    double ms = 0;        // to the last acknowledgement
    double pausesMs = 0;  // the same with acknowledgements that take no time
    int acks = 0;
};

// The write from `from` to `to` alone, on a virtual clock.
inline Floor protocolFloor(const DeviceImage& from, const DeviceImage& to) {
    Floor f;
    for (const int64_t latencyUs : {SimOptions{}.ackLatencyUs, int64_t{0}}) {
        VirtualClock clock;
        SimOptions options;
        options.ackLatencyUs = latencyUs;
        SimKeyboard keyboard(clock, options);
        keyboard.setConfig(from);
        AckStamps transport(keyboard, clock);
        DeviceSession session(transport, clock);
        session.openChannels();
        DeviceImage image = to;
        ShadowImage shadow = from;
        const int64_t t0 = clock.nowUs();
        session.writeAll(image, shadow);
        const AckStamps::Stamp last = transport.last();
        (latencyUs ? f.ms : f.pausesMs) = (last.keyboardUs - t0) / 1000.0;
        f.acks = last.count;
        session.closeChannels();
    }
    return f;
}

}  // namespace vandrel::bench
