#pragma once
// The keyboard's whole configuration as one fixed 10060-byte record. Its byte
// layout is also the first block of keymap.bin and of every profile file, so it
// is binding byte for byte. Every field is a byte or a byte array: the record has
// alignment 1 and no padding.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vandrel {

constexpr size_t kKeyMapBytes = 512;     // 128 cells of 4 bytes
constexpr size_t kMacroSlotBytes = 192;  // loop count (big-endian) + 190 event bytes
constexpr size_t kMacroSlotCount = 32;
constexpr size_t kPaletteEntries = 7;
constexpr size_t kKeyMaskBytes = 21;     // one byte per key column, bit r = row r
constexpr size_t kDiyMapBytes = 512;     // 128 cells of 0, R, G, B
constexpr size_t kDiyMapCount = 5;

struct DeviceImage {
    uint8_t head[11];                                    // no device data
    uint8_t reportRate;                                  // 0..3
    uint8_t gap1[780];                                   // no device data
    uint8_t deviceKeyMap[kKeyMapBytes];                  // 4-byte entry per matrix cell
    uint8_t macroSlots[kMacroSlotCount][kMacroSlotBytes];
    uint8_t gap2;                                        // no device data
    uint8_t responseTime;                                // 1..10 (x 2 ms)
    uint8_t ledEffect;                                   // effect code; 51..55 = custom map 0..4
    uint8_t ledSpeed;                                    // 0..9; on the wire as 10 - value
    uint8_t ledBrightness;                               // 0..50
    uint8_t ledColor;                                    // 1..7 palette entry, 8 multicolour
    uint8_t ledDirection;                                // 1 left, 2 right, 3 up, 4 down
    uint8_t ledPalette[kPaletteEntries][3];              // R, G, B
    uint8_t gameMode;                                    // 0 or 1
    uint8_t keyMask[kKeyMaskBytes];                      // set bit = key enabled
    uint8_t winLock;                                     // travels as bit 0 of keyMask[1]
    uint8_t diyMaps[kDiyMapCount][kDiyMapBytes];
    uint8_t tail;                                        // no device data

    void clear() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const DeviceImage& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
    bool operator!=(const DeviceImage& o) const { return !(*this == o); }
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this); }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this); }
};

static_assert(sizeof(DeviceImage) == 10060, "DeviceImage is 10060 bytes");
static_assert(alignof(DeviceImage) == 1, "DeviceImage has no padding");
static_assert(offsetof(DeviceImage, reportRate) == 11);
static_assert(offsetof(DeviceImage, gap1) == 12);
static_assert(offsetof(DeviceImage, deviceKeyMap) == 792);
static_assert(offsetof(DeviceImage, macroSlots) == 1304);
static_assert(offsetof(DeviceImage, gap2) == 7448);
static_assert(offsetof(DeviceImage, responseTime) == 7449);
static_assert(offsetof(DeviceImage, ledEffect) == 7450);
static_assert(offsetof(DeviceImage, ledSpeed) == 7451);
static_assert(offsetof(DeviceImage, ledBrightness) == 7452);
static_assert(offsetof(DeviceImage, ledColor) == 7453);
static_assert(offsetof(DeviceImage, ledDirection) == 7454);
static_assert(offsetof(DeviceImage, ledPalette) == 7455);
static_assert(offsetof(DeviceImage, gameMode) == 7476);
static_assert(offsetof(DeviceImage, keyMask) == 7477);
static_assert(offsetof(DeviceImage, winLock) == 7498);
static_assert(offsetof(DeviceImage, diyMaps) == 7499);
static_assert(offsetof(DeviceImage, tail) == 10059);

// The configuration as last read from or written to the keyboard; same layout.
using ShadowImage = DeviceImage;

// Keyboard firmware version: major, minor, 0, 0. Not part of the DeviceImage.
struct FirmwareVersion {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t reserved[2] = {0, 0};
};
static_assert(sizeof(FirmwareVersion) == 4);

}  // namespace vandrel
