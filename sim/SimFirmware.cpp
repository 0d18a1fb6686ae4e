#include "sim/SimFirmware.h"

#include <algorithm>
#include <cstring>

#include "profile/ConfigurationCheck.h"

namespace vandrel {

SimFirmware::SimFirmware() { restoreFactory(); }

void SimFirmware::restoreFactory() {
    config = FactoryImage();
    m_blocksLeft = 0;
    m_target = nullptr;
}

std::vector<DataBlock> SimFirmware::blocksOf(const uint8_t* src, size_t bytes) {
    std::vector<DataBlock> out;
    for (size_t off = 0; off < bytes; off += DataBlock::kDataBytes) {
        DataBlock b;
        std::memcpy(b.data(), src + off, std::min(DataBlock::kDataBytes, bytes - off));
        out.push_back(b);
    }
    return out;
}

void SimFirmware::beginWrite(uint8_t* target, size_t bytes, int blocks) {
    m_target = target;
    m_targetBytes = bytes;
    m_written = 0;
    m_blocksLeft = blocks;
    m_scratch.assign(static_cast<size_t>(blocks) * DataBlock::kDataBytes, 0);
}

SimFirmware::Reaction SimFirmware::onFeature(const CommandFrame& f) {
    Reaction r;
    const uint8_t c = f.command();
    m_lastCommand = c;
    m_blocksLeft = 0;  // a new command abandons an unfinished write
    m_target = nullptr;
    m_answer = CommandFrame::make(c, {f.at(2), f.at(3), f.at(4), f.at(5), f.at(6), f.at(7)});
    auto answerWith = [&](std::initializer_list<uint8_t> payload) { m_answer = CommandFrame::make(c, payload); };
    const uint8_t a2 = f.at(2), a3 = f.at(3), a4 = f.at(4), a5 = f.at(5), a6 = f.at(6), a7 = f.at(7);

    switch (c) {
        case cmd::GetFirmwareVersion: answerWith({version.major, version.minor}); break;
        case cmd::GetReportRate: answerWith({config.reportRate}); break;
        case cmd::GetResponseTime: answerWith({config.responseTime}); break;
        case cmd::GetGameMode: answerWith({config.gameMode}); break;
        case cmd::GetLighting:
            answerWith({0, config.ledEffect, static_cast<uint8_t>(10 - config.ledSpeed), config.ledBrightness,
                        config.ledColor, config.ledDirection});
            break;
        case cmd::GetColor:
            if (a3 < kPaletteEntries)
                answerWith({0, a3, config.ledPalette[a3][0], config.ledPalette[a3][1], config.ledPalette[a3][2]});
            break;
        case cmd::SetReportRate:
            config.reportRate = a2;
            r.acknowledge = true;
            break;
        case cmd::SetResponseTime:
            config.responseTime = a2;
            r.acknowledge = true;
            break;
        case cmd::SetGameMode:
            config.gameMode = a2;
            r.acknowledge = true;
            break;
        case cmd::SetLighting:
            config.ledEffect = a3;
            config.ledSpeed = static_cast<uint8_t>(10 - a4);
            config.ledBrightness = a5;  // the opening frame of a write carries 0: dark while writing
            config.ledColor = a6;
            config.ledDirection = a7;
            r.acknowledge = true;
            break;
        case cmd::SetColor:
            if (a3 < kPaletteEntries) {
                config.ledPalette[a3][0] = a4;
                config.ledPalette[a3][1] = a5;
                config.ledPalette[a3][2] = a6;
            }
            r.acknowledge = true;
            break;
        case cmd::FactoryReset:
            if (a2 == 0xFF) restoreFactory();
            r.acknowledge = true;
            break;
        case cmd::ReadKeyMap: r.blocksToHost = blocksOf(config.deviceKeyMap, kKeyMapBytes); break;
        case cmd::ReadKeyMask: r.blocksToHost = blocksOf(config.keyMask, kKeyMaskBytes); break;
        case cmd::ReadMacro:
            if (a3 < kMacroSlotCount) r.blocksToHost = blocksOf(config.macroSlots[a3], kMacroSlotBytes);
            break;
        case cmd::ReadCustomLighting:
            if (a3 < kDiyMapCount) r.blocksToHost = blocksOf(config.diyMaps[a3], kDiyMapBytes);
            break;
        case cmd::WriteKeyMap: beginWrite(config.deviceKeyMap, kKeyMapBytes, 8); break;
        case cmd::WriteKeyMask: beginWrite(config.keyMask, kKeyMaskBytes, 1); break;
        case cmd::WriteMacro: beginWrite(a3 < kMacroSlotCount ? config.macroSlots[a3] : nullptr, kMacroSlotBytes, 3); break;
        case cmd::WriteCustomLighting:
            beginWrite(a3 < kDiyMapCount ? config.diyMaps[a3] : nullptr, kDiyMapBytes, 8);
            break;
        default: break;  // unknown commands are ignored
    }
    return r;
}

SimFirmware::Reaction SimFirmware::onBlock(const DataBlock& b) {
    Reaction r;
    if (m_blocksLeft <= 0) return r;
    std::memcpy(m_scratch.data() + m_written, b.data(), DataBlock::kDataBytes);
    m_written += DataBlock::kDataBytes;
    if (--m_blocksLeft == 0) {
        if (m_target) {
            std::memcpy(m_target, m_scratch.data(), m_targetBytes);
            if (storeFault >= 0) m_target[static_cast<size_t>(storeFault) % m_targetBytes] ^= 0x01;
        }
        m_target = nullptr;
        r.acknowledge = true;
    }
    return r;
}

}  // namespace vandrel
