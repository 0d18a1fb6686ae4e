#pragma once
// What the device layer needs from the HID stack. Production: hidapi
// (HidapiTransport). Tests and the demo: the simulated keyboard in sim/.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/CommandFrame.h"
#include "device/DataBlock.h"
#include "device/DeviceLock.h"

namespace vandrel {

constexpr uint16_t kKeyboardVendorId = 0x04D9;
constexpr uint16_t kKeyboardProductId = 0xA124;

// One record of the HID enumeration.
struct HidRecord {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int interfaceNumber = -1;             // USB interface, -1 when unknown
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::vector<uint8_t> reportDescriptor;  // empty when unknown
    bool canOpen = true;                  // false: held exclusively or no access rights
    std::string usbDevice;                // identity of the physical USB device, empty when unknown
};

// An open handle; 0 is never a valid one.
using ChannelId = int;
constexpr ChannelId kNoChannel = 0;

enum class IoStatus {
    Ok,
    Timeout,  // nothing arrived in time
    Gone,     // the device was unplugged; the handle is dead
    Error     // any other failure of the request
};

class Transport {
public:
    virtual ~Transport() = default;

    virtual std::vector<HidRecord> enumerate() = 0;
    // kNoChannel when the path cannot be opened.
    virtual ChannelId open(const std::string& path) = 0;
    virtual void close(ChannelId ch) = 0;

    // Feature reports: 9 bytes with report id 0 in byte 0.
    virtual IoStatus sendFeature(ChannelId ch, const CommandFrame& frame) = 0;
    virtual IoStatus getFeature(ChannelId ch, CommandFrame& answer) = 0;

    // Data blocks: 65 bytes with report id 0 in byte 0. readBlock waits at most
    // timeoutMs for the block.
    virtual IoStatus writeBlock(ChannelId ch, const DataBlock& block) = 0;
    virtual IoStatus readBlock(ChannelId ch, DataBlock& block, int timeoutMs) = 0;
    // Drops input already queued on the handle, so that the next readBlock gets
    // the answer to the next command rather than a stale report.
    virtual void discardInput(ChannelId ch) = 0;

    // One input report, as the HID stack delivers it, into buf (got = its length).
    virtual IoStatus readInput(ChannelId ch, uint8_t* buf, size_t capacity, size_t& got, int timeoutMs) = 0;

    // The file whose lock stands for the keyboard behind `channelPath` (see
    // DeviceLock); none by default.
    virtual DeviceLockFile lockFile(const std::string& channelPath) const {
        (void)channelPath;
        return {};
    }
};

}  // namespace vandrel
