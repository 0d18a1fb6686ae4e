#pragma once
// The firmware side of the simulated keyboard: its configuration and what it
// does with each request. It knows nothing of time or handles; SimKeyboard
// (the endpoint) adds those.

#include <cstdint>
#include <vector>

#include "device/CommandFrame.h"
#include "device/DataBlock.h"
#include "device/DeviceImage.h"

namespace vandrel {

class SimFirmware {
public:
    SimFirmware();
    SimFirmware(const SimFirmware&) = delete;  // holds a pointer into its own config
    SimFirmware& operator=(const SimFirmware&) = delete;

    // The configuration, held in the host's image layout (speed as stored on
    // the host, not as on the wire). Bytes without device data stay zero.
    DeviceImage config;
    FirmwareVersion version{1, 0, {0, 0}};
    // A fault of the keyboard's memory: when 0 or more, every bulk section
    // written keeps byte (storeFault mod section size) with its lowest bit
    // flipped, although the write is acknowledged as usual.
    int storeFault = -1;

    void restoreFactory();

    struct Reaction {
        bool acknowledge = false;           // a write completed
        std::vector<DataBlock> blocksToHost;  // data blocks the host may now read
    };
    // A feature report from the host (a valid frame).
    Reaction onFeature(const CommandFrame& frame);
    // The answer to a get-feature request: for the last command frame.
    CommandFrame answer() const { return m_answer; }
    // A data block from the host.
    Reaction onBlock(const DataBlock& block);
    // Blocks still expected for the current write command.
    int blocksExpected() const { return m_blocksLeft; }
    uint8_t lastCommand() const { return m_lastCommand; }

private:
    void beginWrite(uint8_t* target, size_t bytes, int blocks);
    static std::vector<DataBlock> blocksOf(const uint8_t* src, size_t bytes);

    CommandFrame m_answer;
    uint8_t m_lastCommand = 0;
    // The section a write command fills, and how far it got.
    uint8_t* m_target = nullptr;
    size_t m_targetBytes = 0;
    size_t m_written = 0;
    int m_blocksLeft = 0;
    std::vector<uint8_t> m_scratch;  // a section is applied once all its blocks arrived
};

}  // namespace vandrel
