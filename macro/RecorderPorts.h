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

}  // namespace vandrel
