#include "device/Commands.h"

#include <cstring>
#include <mutex>

namespace vandrel {

void applyWinLock(DeviceImage& image) {
    if (image.winLock == 1)
        image.keyMask[1] &= 0x3E;
    else
        image.keyMask[1] |= 0x01;
}

void deriveWinLock(DeviceImage& image) { image.winLock = (image.keyMask[1] & 0x01) ? 0 : 1; }

IoStatus worseOf(IoStatus a, IoStatus b) {
    auto rank = [](IoStatus s) {
        switch (s) {
            case IoStatus::Ok: return 0;
            case IoStatus::Timeout: return 1;
            case IoStatus::Error: return 2;
            case IoStatus::Gone: return 3;
        }
        return 3;
    };
    return rank(a) >= rank(b) ? a : b;
}

namespace frames {
namespace {
uint8_t u8(int v) { return static_cast<uint8_t>(v); }
}  // namespace

CommandFrame getFirmwareVersion() { return CommandFrame::make(cmd::GetFirmwareVersion); }
CommandFrame getReportRate() { return CommandFrame::make(cmd::GetReportRate); }
CommandFrame setReportRate(uint8_t rate) { return CommandFrame::make(cmd::SetReportRate, {rate}); }
CommandFrame getResponseTime() { return CommandFrame::make(cmd::GetResponseTime); }
CommandFrame setResponseTime(uint8_t time) { return CommandFrame::make(cmd::SetResponseTime, {time}); }
CommandFrame getLighting() { return CommandFrame::make(cmd::GetLighting); }
CommandFrame setLighting(const DeviceImage& im, int variant) {
    const uint8_t brightness = variant == 1 ? 0 : im.ledBrightness;
    return CommandFrame::make(cmd::SetLighting, {u8(variant), im.ledEffect, speedToWire(im.ledSpeed), brightness,
                                                 im.ledColor, im.ledDirection});
}
CommandFrame getGameMode() { return CommandFrame::make(cmd::GetGameMode); }
CommandFrame setGameMode(uint8_t mode) { return CommandFrame::make(cmd::SetGameMode, {mode}); }
CommandFrame getColor(int index) { return CommandFrame::make(cmd::GetColor, {0, u8(index)}); }
CommandFrame setColor(const DeviceImage& im, int index) {
    const uint8_t* rgb = im.ledPalette[index];
    return CommandFrame::make(cmd::SetColor, {0, u8(index), rgb[0], rgb[1], rgb[2]});
}
CommandFrame factoryReset() { return CommandFrame::make(cmd::FactoryReset, {0xFF}); }
CommandFrame readKeyMap() { return CommandFrame::make(cmd::ReadKeyMap); }
CommandFrame writeKeyMap() { return CommandFrame::make(cmd::WriteKeyMap, {0, 0, 8}); }
CommandFrame readKeyMask() { return CommandFrame::make(cmd::ReadKeyMask, {0, 0, u8(kKeyMaskBytes)}); }
CommandFrame writeKeyMask() { return CommandFrame::make(cmd::WriteKeyMask, {0, 0, u8(kKeyMaskBytes)}); }
CommandFrame readMacro(int slot) { return CommandFrame::make(cmd::ReadMacro, {0, u8(slot)}); }
CommandFrame writeMacro(int slot) { return CommandFrame::make(cmd::WriteMacro, {0, u8(slot), 3}); }
CommandFrame readCustomLighting(int map) { return CommandFrame::make(cmd::ReadCustomLighting, {0, u8(map), 8}); }
CommandFrame writeCustomLighting(int map) { return CommandFrame::make(cmd::WriteCustomLighting, {0, u8(map), 8}); }
}  // namespace frames

namespace commands {
namespace {

// One command sequence under the command lock. Once the device is gone the
// remaining requests and pauses are skipped.
class Sequence {
public:
    explicit Sequence(CommandPort& port) : m_port(port), m_lock(port.mutex()), m_ch(port.channel()) {
        if (m_ch == kNoChannel) m_status = IoStatus::Gone;
    }
    bool alive() const { return m_status != IoStatus::Gone; }
    // Every request so far succeeded: only then do answers and blocks belong
    // to this command and may replace what the image holds.
    bool ok() const { return m_status == IoStatus::Ok; }
    IoStatus status() const { return m_status; }

    void send(const CommandFrame& f) {
        if (alive()) note(m_port.transport().sendFeature(m_ch, f));
    }
    // True when an answer arrived; only then may its bytes be used.
    bool get(CommandFrame& answer) {
        answer = CommandFrame{};
        if (!alive()) return false;
        IoStatus s = m_port.transport().getFeature(m_ch, answer);
        note(s);
        return s == IoStatus::Ok;
    }
    void pause(int ms) {
        if (alive()) m_port.clock().sleepMs(ms);
    }
    void yield() {
        if (alive()) m_port.clock().sleepUs(0);
    }
    void discardInput() {
        if (alive()) m_port.transport().discardInput(m_ch);
    }
    void writeBlock(const uint8_t* data, size_t n) {
        if (!alive()) return;
        DataBlock b;
        std::memcpy(b.data(), data, n);
        note(m_port.transport().writeBlock(m_ch, b));
    }
    // Copies up to n data bytes of the next block to dst when one arrives.
    bool readBlock(uint8_t* dst, size_t n) {
        if (!alive()) return false;
        DataBlock b;
        IoStatus s = m_port.transport().readBlock(m_ch, b, m_port.blockTimeoutMs);
        note(s);
        if (s != IoStatus::Ok) return false;
        std::memcpy(dst, b.data(), n);
        return true;
    }

private:
    void note(IoStatus s) { m_status = worseOf(m_status, s); }

    CommandPort& m_port;
    std::lock_guard<std::mutex> m_lock;
    ChannelId m_ch;
    IoStatus m_status = IoStatus::Ok;
};

// Commands that are answered by a get-feature: set, pause, get, pause. True
// when the answer may be used: a get after a failed set would fetch the
// answer to an earlier command.
bool query(Sequence& seq, const CommandFrame& f, int before, int after, CommandFrame& answer) {
    seq.send(f);
    seq.pause(before);
    seq.get(answer);
    if (after > 0) seq.pause(after);
    return seq.ok();
}

// Reads the blocks of a bulk section into `section` only when every request
// of the command succeeded, so that a lost block never leaves the section half
// old and half new.
template <size_t N>
bool readSection(Sequence& seq, uint8_t (&section)[N], int pauseAfterEachMs = 0) {
    constexpr size_t kBlock = DataBlock::kDataBytes;
    uint8_t got[N] = {};
    for (size_t k = 0; k * kBlock < N; ++k) {
        seq.readBlock(got + k * kBlock, N - k * kBlock < kBlock ? N - k * kBlock : kBlock);
        if (pauseAfterEachMs > 0) seq.pause(pauseAfterEachMs);
    }
    if (!seq.ok()) return false;
    std::memcpy(section, got, N);
    return true;
}

IoStatus setGameModeUnlocked(Sequence& seq, uint8_t mode) {
    seq.send(frames::setGameMode(mode));
    seq.pause(20);
    return seq.status();
}

}  // namespace

IoStatus getFirmwareVersion(CommandPort& port, FirmwareVersion& out) {
    Sequence seq(port);
    CommandFrame a;
    if (query(seq, frames::getFirmwareVersion(), 10, 10, a)) {
        out.major = a.at(2);
        out.minor = a.at(3);
        out.reserved[0] = out.reserved[1] = 0;
    }
    return seq.status();
}

IoStatus getReportRate(CommandPort& port, DeviceImage& image) {
    Sequence seq(port);
    CommandFrame a;
    if (query(seq, frames::getReportRate(), 10, 10, a)) image.reportRate = a.at(2);
    return seq.status();
}

IoStatus setReportRate(CommandPort& port, const DeviceImage& image) {
    Sequence seq(port);
    seq.send(frames::setReportRate(image.reportRate));
    seq.pause(10);
    return seq.status();
}

IoStatus getResponseTime(CommandPort& port, DeviceImage& image) {
    Sequence seq(port);
    CommandFrame a;
    if (query(seq, frames::getResponseTime(), 10, 10, a)) image.responseTime = a.at(2);
    return seq.status();
}

IoStatus setResponseTime(CommandPort& port, const DeviceImage& image) {
    Sequence seq(port);
    seq.send(frames::setResponseTime(image.responseTime));
    seq.pause(10);
    return seq.status();
}

IoStatus getLighting(CommandPort& port, DeviceImage& image) {
    Sequence seq(port);
    CommandFrame a;
    if (query(seq, frames::getLighting(), 10, 0, a)) {
        image.ledEffect = a.at(3);
        image.ledSpeed = speedFromWire(a.at(4));
        image.ledBrightness = a.at(5);
        image.ledColor = a.at(6);
        image.ledDirection = a.at(7);
    }
    return seq.status();
}

IoStatus setLighting(CommandPort& port, const DeviceImage& image, int variant) {
    Sequence seq(port);
    seq.send(frames::setLighting(image, variant));
    seq.pause(10);
    return seq.status();
}

IoStatus getGameMode(CommandPort& port, DeviceImage& image) {
    Sequence seq(port);
    CommandFrame a;
    if (query(seq, frames::getGameMode(), 5, 0, a)) image.gameMode = a.at(2);
    return seq.status();
}

IoStatus setGameMode(CommandPort& port, DeviceImage& image) {
    Sequence seq(port);
    setGameModeUnlocked(seq, image.gameMode);
    applyWinLock(image);
    return seq.status();
}

IoStatus setGameModeOn(CommandPort& port) {
    Sequence seq(port);
    return setGameModeUnlocked(seq, 1);
}

IoStatus getColor(CommandPort& port, DeviceImage& image, int index) {
    if (index < 0 || index >= static_cast<int>(kPaletteEntries)) return IoStatus::Error;
    Sequence seq(port);
    CommandFrame a;
    if (query(seq, frames::getColor(index), 1, 1, a)) {
        image.ledPalette[index][0] = a.at(4);
        image.ledPalette[index][1] = a.at(5);
        image.ledPalette[index][2] = a.at(6);
    }
    return seq.status();
}

IoStatus setColor(CommandPort& port, const DeviceImage& image, int index) {
    if (index < 0 || index >= static_cast<int>(kPaletteEntries)) return IoStatus::Error;
    Sequence seq(port);
    seq.send(frames::setColor(image, index));
    seq.pause(20);
    return seq.status();
}

IoStatus factoryReset(CommandPort& port) {
    // The keyboard needs 300 ms after the reset and after each game-mode frame.
    Sequence seq(port);
    seq.send(frames::factoryReset());
    seq.pause(300);
    setGameModeUnlocked(seq, 1);
    seq.pause(300);
    setGameModeUnlocked(seq, 1);
    seq.pause(300);
    return seq.status();
}

IoStatus readKeyMap(CommandPort& port, DeviceImage& image) {
    Sequence seq(port);
    CommandFrame a;
    seq.discardInput();
    seq.send(frames::readKeyMap());
    seq.get(a);
    readSection(seq, image.deviceKeyMap);
    return seq.status();
}

IoStatus writeKeyMap(CommandPort& port, const DeviceImage& image) {
    Sequence seq(port);
    seq.send(frames::writeKeyMap());
    seq.pause(50);
    for (size_t k = 0; k < kKeyMapBytes / DataBlock::kDataBytes; ++k)
        seq.writeBlock(image.deviceKeyMap + k * DataBlock::kDataBytes, DataBlock::kDataBytes);
    seq.pause(60);
    return seq.status();
}

IoStatus readKeyMask(CommandPort& port, DeviceImage& image) {
    Sequence seq(port);
    CommandFrame a;
    seq.discardInput();
    seq.send(frames::readKeyMask());
    seq.get(a);
    if (readSection(seq, image.keyMask)) deriveWinLock(image);
    return seq.status();
}

IoStatus writeKeyMask(CommandPort& port, const DeviceImage& image) {
    Sequence seq(port);
    seq.send(frames::writeKeyMask());
    seq.pause(10);
    seq.writeBlock(image.keyMask, kKeyMaskBytes);  // the other 43 data bytes stay 0
    return seq.status();
}

IoStatus readMacro(CommandPort& port, DeviceImage& image, int slot) {
    if (slot < 0 || slot >= static_cast<int>(kMacroSlotCount)) return IoStatus::Error;
    Sequence seq(port);
    CommandFrame a;
    seq.discardInput();
    seq.send(frames::readMacro(slot));
    seq.get(a);
    readSection(seq, image.macroSlots[slot]);
    return seq.status();
}

IoStatus writeMacro(CommandPort& port, const DeviceImage& image, int slot) {
    if (slot < 0 || slot >= static_cast<int>(kMacroSlotCount)) return IoStatus::Error;
    // The slot is copied first, so the blocks carry one consistent slot.
    uint8_t transfer[kMacroSlotBytes];
    std::memcpy(transfer, image.macroSlots[slot], sizeof(transfer));
    Sequence seq(port);
    seq.send(frames::writeMacro(slot));
    seq.pause(1);
    for (size_t k = 0; k < kMacroSlotBytes / DataBlock::kDataBytes; ++k) {
        if (k > 0) seq.yield();
        seq.writeBlock(transfer + k * DataBlock::kDataBytes, DataBlock::kDataBytes);
    }
    return seq.status();
}

IoStatus readCustomLighting(CommandPort& port, DeviceImage& image, int map) {
    if (map < 0 || map >= static_cast<int>(kDiyMapCount)) return IoStatus::Error;
    Sequence seq(port);
    CommandFrame a;
    seq.discardInput();
    seq.send(frames::readCustomLighting(map));
    seq.pause(5);
    seq.get(a);
    seq.pause(5);
    readSection(seq, image.diyMaps[map], 5);
    return seq.status();
}

IoStatus writeCustomLighting(CommandPort& port, const DeviceImage& image, int map) {
    if (map < 0 || map >= static_cast<int>(kDiyMapCount)) return IoStatus::Error;
    Sequence seq(port);
    seq.send(frames::writeCustomLighting(map));
    seq.pause(5);
    for (size_t k = 0; k < kDiyMapBytes / DataBlock::kDataBytes; ++k) {
        seq.writeBlock(image.diyMaps[map] + k * DataBlock::kDataBytes, DataBlock::kDataBytes);
        seq.pause(5);
    }
    return seq.status();
}

}  // namespace commands
}  // namespace vandrel
