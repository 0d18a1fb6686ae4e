#include "profile/GameModeMemory.h"

#include <string>
#include <vector>

#include "util/AtomicFile.h"

namespace vandrel {

namespace {
const std::string kOff = "off\n";
const std::string kOn = "on\n";
}  // namespace

bool GameModeMemory::savedOff() const {
    std::vector<uint8_t> bytes;
    if (readFilePrefix(m_file, kOff.size() + 1, bytes) != FileResult::Ok) return false;
    return std::string(bytes.begin(), bytes.end()) == kOff;
}

bool GameModeMemory::remember(uint8_t gameMode, std::error_code* why) const {
    const bool off = gameMode == 0;
    if (off == savedOff()) return true;
    // Without a file the choice reads as on: only "off" needs one.
    std::error_code ec;
    if (!off && !std::filesystem::exists(m_file, ec)) return true;
    const std::string& text = off ? kOff : kOn;
    return writeFileAtomic(m_file, {{text.data(), text.size()}}, why) == FileResult::Ok;
}

}  // namespace vandrel
