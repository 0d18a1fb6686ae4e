#pragma once
// The 9-byte feature report that starts every exchange with the keyboard:
// report id 0, command byte, six payload bytes, checksum.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vandrel {

// Command bytes. Every read command is its write partner with bit 7 set.
namespace cmd {
constexpr uint8_t SetReportRate = 0x01;
constexpr uint8_t SetResponseTime = 0x04;
constexpr uint8_t SetLighting = 0x08;
constexpr uint8_t SetGameMode = 0x09;
constexpr uint8_t WriteKeyMap = 0x0D;
constexpr uint8_t WriteKeyMask = 0x0E;
constexpr uint8_t WriteMacro = 0x11;
constexpr uint8_t WriteCustomLighting = 0x12;
constexpr uint8_t FactoryReset = 0x13;
constexpr uint8_t SetColor = 0x14;
constexpr uint8_t GetFirmwareVersion = 0x80;
constexpr uint8_t GetReportRate = 0x81;
constexpr uint8_t GetResponseTime = 0x84;
constexpr uint8_t GetLighting = 0x88;
constexpr uint8_t GetGameMode = 0x89;
constexpr uint8_t ReadKeyMap = 0x8D;
constexpr uint8_t ReadKeyMask = 0x8E;
constexpr uint8_t ReadMacro = 0x91;
constexpr uint8_t ReadCustomLighting = 0x92;
constexpr uint8_t GetColor = 0x94;
}  // namespace cmd

struct CommandFrame {
    static constexpr size_t kSize = 9;
    std::array<uint8_t, kSize> bytes{};  // [0] report id, [1] command, [2..7] payload, [8] checksum

    CommandFrame() = default;
    // A frame with the command and payload bytes 2..7 (missing ones are 0), checksum filled in.
    static CommandFrame make(uint8_t command, std::initializer_list<uint8_t> payload = {});

    uint8_t command() const { return bytes[1]; }
    // payload(2) .. payload(7) address the frame bytes of the same number.
    uint8_t at(size_t i) const { return bytes[i]; }
    uint8_t& at(size_t i) { return bytes[i]; }

    // 0xFF minus the sum of bytes 1..7, modulo 256. The report id is not summed.
    static uint8_t checksumOf(const uint8_t* frame9);
    uint8_t expectedChecksum() const { return checksumOf(bytes.data()); }
    void seal() { bytes[8] = expectedChecksum(); }
    bool checksumValid() const { return bytes[8] == expectedChecksum(); }

    bool operator==(const CommandFrame& o) const { return bytes == o.bytes; }
    bool operator!=(const CommandFrame& o) const { return bytes != o.bytes; }
};

}  // namespace vandrel
