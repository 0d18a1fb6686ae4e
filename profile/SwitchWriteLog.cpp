#include "profile/SwitchWriteLog.h"

#include <string>

#include "util/AtomicFile.h"

namespace vandrel {

namespace {

// More lines than the limit ever needs are not read.
constexpr size_t kMaxLogBytes = 4096;

}  // namespace

std::vector<int64_t> readSwitchWriteAges(const std::filesystem::path& file, int64_t wallNowMs) {
    std::vector<uint8_t> bytes;
    if (readFilePrefix(file, kMaxLogBytes, bytes) != FileResult::Ok) return {};
    std::vector<int64_t> ages;
    std::string line;
    const auto take = [&] {
        // Digits only, and few enough not to overflow.
        if (!line.empty() && line.size() <= 15 && line.find_first_not_of("0123456789") == std::string::npos)
            ages.push_back(wallNowMs - std::stoll(line));
        line.clear();
    };
    for (uint8_t b : bytes) {
        if (b == '\n') take();
        else if (b != '\r') line += static_cast<char>(b);
    }
    take();
    return ages;
}

bool writeSwitchWriteAges(const std::filesystem::path& file, const std::vector<int64_t>& agesMs, int64_t wallNowMs) {
    std::string text;
    for (int64_t age : agesMs) text += std::to_string(wallNowMs - age) + "\n";
    return writeFileAtomic(file, {{text.data(), text.size()}}) == FileResult::Ok;
}

}  // namespace vandrel
