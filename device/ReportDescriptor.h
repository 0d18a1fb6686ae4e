#pragma once
// A small HID report-descriptor parser: the top-level collections, and for each
// the report ids and sizes of its input reports. Enough to tell the keyboard's
// interfaces apart; it never reads outside the given bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vandrel {

struct InputReportInfo {
    uint8_t reportId = 0;  // 0: the interface numbers no reports
    uint32_t bits = 0;     // payload size, the report id byte not counted
};

struct TopLevelCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::vector<InputReportInfo> inputs;  // one entry per report id, in order of appearance

    // The input report of this collection whose payload is `bytes` long, or nullptr.
    const InputReportInfo* inputOfSize(uint32_t bytes) const;
};

struct ReportDescriptorInfo {
    std::vector<TopLevelCollection> collections;
    bool usesReportIds = false;
    bool wellFormed = true;  // false: truncated item, unbalanced collections
};

ReportDescriptorInfo parseReportDescriptor(const uint8_t* data, size_t size);
inline ReportDescriptorInfo parseReportDescriptor(const std::vector<uint8_t>& d) {
    return parseReportDescriptor(d.data(), d.size());
}

}  // namespace vandrel
