#pragma once
// What the macro recorder needs from the platform: the key capture that reports
// every key press and release to the dialog while it is installed, and a
// high-resolution counter to measure the gaps between key actions.

#include <chrono>
#include <cstdint>

namespace vandrel {

class MacroKeyHook {
public:
    virtual ~MacroKeyHook() = default;
    // Starts reporting key actions to the macro dialog; false when it cannot.
    virtual bool install() = 0;
    // Ends the reports.
    virtual void remove() = 0;
};

class PerfClock {
public:
    virtual ~PerfClock() = default;
    virtual int64_t counter() = 0;    // current count
    virtual int64_t frequency() = 0;  // counts per second
};

class SteadyPerfClock : public PerfClock {
public:
    int64_t counter() override {
        return static_cast<int64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    int64_t frequency() override {
        using P = std::chrono::steady_clock::period;
        return static_cast<int64_t>(P::den / P::num);
    }
};

// Microseconds: the time the platform stamped on the key event being handled,
// or the steady clock. A stamp taken when the key was pressed is closer to the
// key action than the moment the event reaches the dialog. An event without a
// stamp after stamped ones is timed from the last stamp on, so that gaps never
// mix the two time scales.
class EventTimeClock : public PerfClock {
public:
    // The stamp of the event about to be handled, in milliseconds; 0 = none.
    void setEventTime(uint64_t stampMs) {
        m_current = stampMs != 0;
        if (!m_current) return;
        m_stampUs = static_cast<int64_t>(stampMs) * 1000;
        m_stampArrivalUs = steadyUs();
    }
    int64_t counter() override {
        if (m_current) return m_stampUs;
        if (m_stampArrivalUs != 0) return m_stampUs + (steadyUs() - m_stampArrivalUs);
        return steadyUs();
    }
    int64_t frequency() override { return 1000000; }

private:
    static int64_t steadyUs() {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    bool m_current = false;
    int64_t m_stampUs = 0;
    int64_t m_stampArrivalUs = 0;
};

}  // namespace vandrel
