#pragma once
// The simulated keyboard behind the Transport interface: the USB endpoint
// (enumeration, handles, plugging, timing, the acknowledgement reports) around
// the firmware model of SimFirmware. It records every request with the time it
// arrived and flags a request that comes before the keyboard's pause has
// passed, or a frame with a wrong checksum.
//
// On a VirtualClock the delayed acknowledgements fire as virtual time passes;
// on any other clock (taken to be steady_clock based) a worker thread
// delivers them.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/Clock.h"
#include "device/Transport.h"
#include "sim/SimFirmware.h"

namespace vandrel {

class VirtualClock;

// How the HID stack names the keyboard's interfaces.
enum class SimPathStyle {
    Windows,  // one path per collection, with "mi_NN" and "colNN" markers
    Linux     // one hidraw node per interface, listed once per collection
};

struct SimOptions {
#ifdef _WIN32
    SimPathStyle style = SimPathStyle::Windows;
#else
    SimPathStyle style = SimPathStyle::Linux;
#endif
    int64_t ackLatencyUs = 2000;
    std::string serial = "0";  // tells the paths of two simulated keyboards apart
    bool listenCollection = true;  // false: a keyboard whose listen collection is missing
};

struct SimEvent {
    enum class Kind { SetFeature, GetFeature, WriteBlock, ReadBlock };
    Kind kind;
    int64_t atUs;
    // The frame or block sent; for GetFeature and ReadBlock what was answered
    // (empty when nothing was).
    std::vector<uint8_t> bytes;
};

struct SimViolation {
    size_t eventIndex;
    int64_t atUs;
    int64_t earliestUs;  // 0 for a checksum fault
    std::string what;
};

class SimKeyboard final : public Transport {
public:
    explicit SimKeyboard(Clock& clock, SimOptions options = {});
    ~SimKeyboard() override;
    SimKeyboard(const SimKeyboard&) = delete;
    SimKeyboard& operator=(const SimKeyboard&) = delete;

    // Transport. open() aborts the process when asked for a path that is not a
    // simulated one: a test must never reach a real device.
    std::vector<HidRecord> enumerate() override;
    ChannelId open(const std::string& path) override;
    void close(ChannelId ch) override;
    IoStatus sendFeature(ChannelId ch, const CommandFrame& frame) override;
    IoStatus getFeature(ChannelId ch, CommandFrame& answer) override;
    IoStatus writeBlock(ChannelId ch, const DataBlock& block) override;
    IoStatus readBlock(ChannelId ch, DataBlock& block, int timeoutMs) override;
    void discardInput(ChannelId ch) override;
    IoStatus readInput(ChannelId ch, uint8_t* buf, size_t capacity, size_t& got, int timeoutMs) override;

    // The keyboard's state.
    DeviceImage config() const;
    void setConfig(const DeviceImage& config);
    void setFirmwareVersion(uint8_t major, uint8_t minor);
    void restoreFactory();
    // Called with the configuration after every write the keyboard completes
    // (a setting, a whole section, a factory reset), on the thread that sent
    // the request and under the keyboard's lock, so calls come in order; it
    // must not call back into the keyboard.
    using WriteObserver = std::function<void(const DeviceImage& config)>;
    void setWriteObserver(WriteObserver observer);
    // The file whose lock stands for this keyboard (made when missing), and
    // what to do when a channel is opened while none is: a keyboard whose
    // memory lives in a file reads it then, under the lock, since another
    // process may have written to the keyboard before. Without a lock file
    // the keyboard has no lock (tests).
    void setLockFile(std::string path, std::function<void()> onFirstOpen = {});
    DeviceLockFile lockFile(const std::string& channelPath) const override;

    // Behaviour.
    void setAcknowledging(bool on);
    void setAckLatencyUs(int64_t us);
    void setGarbageAnswers(bool on);  // answers and read blocks are random bytes
    // Every bulk section written keeps one byte wrong (see SimFirmware::storeFault); -1 ends it.
    void setStoreFault(int byteOffset);
    void unplug();                    // open handles die, enumeration is empty
    void plug();
    bool plugged() const;
    void unplugAfterRequests(int n);  // unplugs once n more requests arrived
    // Faults of single requests while the keyboard stays plugged in. The
    // request of `kind` that comes `skip` such requests from now fails with an
    // I/O error and never reaches the firmware; it is not recorded.
    void failRequest(SimEvent::Kind kind, int skip = 0);
    // The data block the keyboard sends `skip` blocks from now is lost on the
    // way: the host's read of it times out.
    void dropBlockToHost(int skip = 0);
    void pressLaunchKey(uint8_t code);
    void sendForeignReport();         // a report of another collection of the listen interface
    void sendListenReport(const std::vector<uint8_t>& report);  // any report of the vendor collection

    // What the host did.
    std::vector<SimEvent> events() const;
    std::vector<SimViolation> violations() const;
    void clearRecord();
    int acknowledgementsSent() const;
    int maxConcurrentListenReaders() const;
    int openHandles() const;

    static std::vector<uint8_t> ackReport();
    static std::vector<uint8_t> inputReport(uint8_t code);

private:
    enum class Role { Other, Command, Listen, ListenOther };
    struct Node {
        std::string path;
        int interfaceNumber;
        uint16_t usagePage, usage;
        Role role;
        const std::vector<uint8_t>* descriptor;
    };
    struct Handle {
        Role role;
        int epoch;
        std::vector<DataBlock> blocks;               // data blocks waiting for the host
        std::vector<std::vector<uint8_t>> input;     // input reports waiting for the host
        int readers = 0;                             // threads inside readInput
        bool unsettled = false;                      // a report was read and is being handled
        bool goneAnnounced = false;                  // the reader's last turn is counted as work
    };
    using HandlePtr = std::shared_ptr<Handle>;

    HandlePtr findLocked(ChannelId ch) const;
    bool liveLocked(const Handle& h) const { return m_plugged && h.epoch == m_epoch; }
    // Timing and bookkeeping of one request on the command handle.
    size_t recordLocked(SimEvent::Kind kind, const uint8_t* bytes, size_t n);
    void afterRequestLocked(int64_t gapMs);
    void acknowledgeLocked();
    void deliverLocked(const std::vector<uint8_t>& report, Role role);
    void dropInputLocked(Handle& h);
    void announceGoneLocked(Handle& h);
    void unplugLocked();
    void fillGarbageLocked(uint8_t* p, size_t n);
    // True when this request of `kind` is the one set to fail.
    bool failsLocked(SimEvent::Kind kind);
    void workerLoop();

    Clock& m_clock;
    VirtualClock* m_virtual;
    SimOptions m_options;
    std::vector<Node> m_nodes;

    mutable std::mutex m_mutex;
    std::condition_variable m_inputCv;
    SimFirmware m_fw;
    WriteObserver m_writeObserver;
    std::string m_lockFile;
    std::function<void()> m_onFirstOpen;
    bool m_plugged = true;
    int m_epoch = 0;
    bool m_acking = true;
    bool m_garbage = false;
    int m_unplugAfter = -1;
    int m_failIn[4] = {-1, -1, -1, -1};  // per SimEvent::Kind; -1: no fault set
    int m_dropIn = -1;
    uint32_t m_rng = 0x9E3779B9u;
    std::map<ChannelId, HandlePtr> m_handles;
    ChannelId m_next = 1;
    int64_t m_earliestUs = 0;
    std::vector<SimEvent> m_events;
    std::vector<SimViolation> m_violations;
    int m_acks = 0;
    int m_readers = 0;
    int m_maxReaders = 0;

    // Delayed reports on the real clock.
    std::multimap<int64_t, std::vector<uint8_t>> m_timed;
    std::condition_variable m_workerCv;
    bool m_quit = false;
    std::thread m_worker;
};

}  // namespace vandrel
