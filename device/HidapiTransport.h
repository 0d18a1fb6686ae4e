#pragma once
// The production transport on hidapi. Only the application links it; tests
// and the demo use the simulated keyboard.

#include <map>
#include <mutex>
#include <string>

#include "device/Transport.h"

struct hid_device_;

namespace vandrel {

class HidapiTransport final : public Transport {
public:
    // sysfsHidraw: where the kernel lists the hidraw nodes (their report
    // descriptors and USB parents); another folder only for tests.
    explicit HidapiTransport(std::string sysfsHidraw = "/sys/class/hidraw");
    ~HidapiTransport() override;
    HidapiTransport(const HidapiTransport&) = delete;
    HidapiTransport& operator=(const HidapiTransport&) = delete;

    std::vector<HidRecord> enumerate() override;
    ChannelId open(const std::string& path) override;
    void close(ChannelId ch) override;
    IoStatus sendFeature(ChannelId ch, const CommandFrame& frame) override;
    IoStatus getFeature(ChannelId ch, CommandFrame& answer) override;
    IoStatus writeBlock(ChannelId ch, const DataBlock& block) override;
    IoStatus readBlock(ChannelId ch, DataBlock& block, int timeoutMs) override;
    void discardInput(ChannelId ch) override;
    IoStatus readInput(ChannelId ch, uint8_t* buf, size_t capacity, size_t& got, int timeoutMs) override;
    // The hidraw node itself: every process that talks to the keyboard
    // locks the same node, whatever its environment.
    DeviceLockFile lockFile(const std::string& channelPath) const override;

private:
    struct Handle {
        hid_device_* dev = nullptr;
        std::string path;
    };
    // The handle of ch, or nullptr. The map lock is not held during I/O; a
    // handle is only closed when no other thread uses it.
    Handle* find(ChannelId ch);
    IoStatus failure(const Handle& h, int savedErrno) const;

    std::string m_sysfsHidraw;
    std::mutex m_mutex;
    std::map<ChannelId, Handle> m_handles;
    ChannelId m_next = 1;
};

}  // namespace vandrel
