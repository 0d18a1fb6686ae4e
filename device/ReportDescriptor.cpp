#include "device/ReportDescriptor.h"

#include <algorithm>

namespace vandrel {

const InputReportInfo* TopLevelCollection::inputOfSize(uint32_t bytes) const {
    for (const InputReportInfo& in : inputs)
        if (in.bits == bytes * 8) return &in;
    return nullptr;
}

namespace {

struct GlobalState {
    uint16_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// Item tags (prefix byte with the size bits cleared).
constexpr uint8_t kInput = 0x80;
constexpr uint8_t kCollection = 0xA0;
constexpr uint8_t kEndCollection = 0xC0;
constexpr uint8_t kUsagePage = 0x04;
constexpr uint8_t kReportSize = 0x74;
constexpr uint8_t kReportId = 0x84;
constexpr uint8_t kReportCount = 0x94;
constexpr uint8_t kPush = 0xA4;
constexpr uint8_t kPop = 0xB4;
constexpr uint8_t kUsage = 0x08;
constexpr uint8_t kLongItem = 0xFE;
constexpr size_t kMaxPushDepth = 32;
constexpr uint32_t kMaxBits = 1u << 20;  // far beyond any real report

}  // namespace

ReportDescriptorInfo parseReportDescriptor(const uint8_t* data, size_t size) {
    ReportDescriptorInfo info;
    GlobalState g;
    std::vector<GlobalState> stack;
    int depth = 0;
    bool haveUsage = false;
    uint32_t usage = 0;  // first local usage since the last main item
    TopLevelCollection* current = nullptr;

    size_t i = 0;
    while (i < size) {
        const uint8_t prefix = data[i];
        if (prefix == kLongItem) {
            if (i + 2 >= size) {
                info.wellFormed = false;
                break;
            }
            const size_t len = data[i + 1];
            if (i + 3 + len > size) {
                info.wellFormed = false;
                break;
            }
            i += 3 + len;
            continue;
        }
        static const size_t kSizes[4] = {0, 1, 2, 4};
        const size_t n = kSizes[prefix & 0x03];
        if (i + 1 + n > size) {
            info.wellFormed = false;
            break;
        }
        uint32_t value = 0;
        for (size_t k = 0; k < n; ++k) value |= static_cast<uint32_t>(data[i + 1 + k]) << (8 * k);
        i += 1 + n;

        switch (prefix & 0xFC) {
            case kUsagePage: g.usagePage = static_cast<uint16_t>(value); break;
            case kReportSize: g.reportSize = value; break;
            case kReportCount: g.reportCount = value; break;
            case kReportId:
                g.reportId = static_cast<uint8_t>(value);
                info.usesReportIds = true;
                break;
            case kPush:
                if (stack.size() < kMaxPushDepth) stack.push_back(g);
                else info.wellFormed = false;
                break;
            case kPop:
                if (!stack.empty()) {
                    g = stack.back();
                    stack.pop_back();
                } else {
                    info.wellFormed = false;
                }
                break;
            case kUsage:
                if (!haveUsage) {
                    usage = n == 4 ? value : (static_cast<uint32_t>(g.usagePage) << 16) | (value & 0xFFFF);
                    haveUsage = true;
                }
                break;
            case kCollection:
                if (depth == 0) {
                    info.collections.emplace_back();
                    current = &info.collections.back();
                    if (haveUsage) {
                        current->usagePage = static_cast<uint16_t>(usage >> 16);
                        current->usage = static_cast<uint16_t>(usage & 0xFFFF);
                    } else {
                        current->usagePage = g.usagePage;
                    }
                }
                ++depth;
                break;
            case kEndCollection:
                if (depth == 0) {
                    info.wellFormed = false;
                } else if (--depth == 0) {
                    current = nullptr;
                }
                break;
            case kInput:
                if (current) {
                    const uint64_t bits = static_cast<uint64_t>(g.reportSize) * g.reportCount;
                    auto it = std::find_if(current->inputs.begin(), current->inputs.end(),
                                           [&](const InputReportInfo& in) { return in.reportId == g.reportId; });
                    if (it == current->inputs.end()) {
                        current->inputs.push_back({g.reportId, 0});
                        it = current->inputs.end() - 1;
                    }
                    it->bits = static_cast<uint32_t>(std::min<uint64_t>(kMaxBits, it->bits + bits));
                } else {
                    info.wellFormed = false;  // an input item outside any collection
                }
                break;
            default: break;
        }
        // Local items apply to the next main item only.
        if ((prefix & 0x0C) == 0x00) haveUsage = false;
    }
    if (depth != 0) info.wellFormed = false;
    return info;
}

}  // namespace vandrel
