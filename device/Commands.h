#pragma once
// The keyboard's command catalogue. Each command runs its whole sequence under
// the command lock: the frame, the answer or data blocks, and the pauses the
// keyboard needs between requests (it drops a request that comes too early).
// A command returns the worst status of its requests; after Gone it stops. A
// read changes its section of the image only when every request of the
// command succeeded, so a lost answer or data block leaves the section whole.

#include <cstdint>

#include "device/CommandFrame.h"
#include "device/CommandPort.h"
#include "device/DeviceImage.h"
#include "device/Transport.h"

namespace vandrel {

// Value transforms between the image and the wire.
inline uint8_t speedToWire(uint8_t stored) { return static_cast<uint8_t>(10 - stored); }
inline uint8_t speedFromWire(uint8_t wire) { return static_cast<uint8_t>(10 - wire); }
// The Windows-key lock lives in bit 0 of keyMask byte 1. Locking also clears
// bits 6 and 7 of that byte, which no key uses.
void applyWinLock(DeviceImage& image);
// After the key mask was read: locked when bit 0 of byte 1 is clear.
void deriveWinLock(DeviceImage& image);

// The frames, as sent.
namespace frames {
CommandFrame getFirmwareVersion();
CommandFrame getReportRate();
CommandFrame setReportRate(uint8_t rate);
CommandFrame getResponseTime();
CommandFrame setResponseTime(uint8_t time);
CommandFrame getLighting();
// variant 1 carries brightness 0, variant 2 every lighting byte.
CommandFrame setLighting(const DeviceImage& image, int variant);
CommandFrame getGameMode();
CommandFrame setGameMode(uint8_t mode);
CommandFrame getColor(int index);
CommandFrame setColor(const DeviceImage& image, int index);
CommandFrame factoryReset();
CommandFrame readKeyMap();
CommandFrame writeKeyMap();
CommandFrame readKeyMask();
CommandFrame writeKeyMask();
CommandFrame readMacro(int slot);
CommandFrame writeMacro(int slot);
CommandFrame readCustomLighting(int map);
CommandFrame writeCustomLighting(int map);
}  // namespace frames

// Worst of two statuses: Gone > Error > Timeout > Ok.
IoStatus worseOf(IoStatus a, IoStatus b);

namespace commands {
IoStatus getFirmwareVersion(CommandPort& port, FirmwareVersion& out);
IoStatus getReportRate(CommandPort& port, DeviceImage& image);
IoStatus setReportRate(CommandPort& port, const DeviceImage& image);
IoStatus getResponseTime(CommandPort& port, DeviceImage& image);
IoStatus setResponseTime(CommandPort& port, const DeviceImage& image);
IoStatus getLighting(CommandPort& port, DeviceImage& image);
IoStatus setLighting(CommandPort& port, const DeviceImage& image, int variant);
IoStatus getGameMode(CommandPort& port, DeviceImage& image);
// Sends the stored game mode, then applies the Windows-key lock to the key mask.
IoStatus setGameMode(CommandPort& port, DeviceImage& image);
// Game mode on, as at the start of every read and inside the factory reset.
IoStatus setGameModeOn(CommandPort& port);
IoStatus getColor(CommandPort& port, DeviceImage& image, int index);
IoStatus setColor(CommandPort& port, const DeviceImage& image, int index);
IoStatus factoryReset(CommandPort& port);
IoStatus readKeyMap(CommandPort& port, DeviceImage& image);
IoStatus writeKeyMap(CommandPort& port, const DeviceImage& image);
// Also sets winLock from the mask.
IoStatus readKeyMask(CommandPort& port, DeviceImage& image);
IoStatus writeKeyMask(CommandPort& port, const DeviceImage& image);
IoStatus readMacro(CommandPort& port, DeviceImage& image, int slot);
IoStatus writeMacro(CommandPort& port, const DeviceImage& image, int slot);
IoStatus readCustomLighting(CommandPort& port, DeviceImage& image, int map);
IoStatus writeCustomLighting(CommandPort& port, const DeviceImage& image, int map);
}  // namespace commands

}  // namespace vandrel
