// Feeds arbitrary bytes to the report-descriptor parser: it must never read
// outside the buffer, and every collection it reports must be consistent.
#include <cstdint>
#include <cstdlib>

#include "device/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vandrel::ReportDescriptorInfo info = vandrel::parseReportDescriptor(data, size);
    for (const auto& c : info.collections) {
        for (const auto& in : c.inputs) {
            const auto* found = c.inputOfSize(in.bits / 8);
            if (in.bits % 8 == 0 && !found) std::abort();
        }
    }
    return 0;
}
