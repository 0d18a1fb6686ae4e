// Undo and redo of the configuration: the median time of one undo and one
// redo over a history of 100 steps of the kinds users make (panel settings,
// painted keys, key assignments, macro edits, a loaded profile), and the
// memory the history holds at 100 steps.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/model/ChangeHistory.h"

using namespace vandrel;

namespace {

// Step i of a working session.
void edit(AppState& s, int i) {
    switch (i % 5) {
        case 0: s.image.ledBrightness = static_cast<uint8_t>(i % 50 + 1); break;             // a slider
        case 1: s.image.diyMaps[i % 5][(i * 4) % 512 + 1] ^= 0x5A; break;                     // a painted key
        case 2:                                                                                // a key assignment
            s.image.deviceKeyMap[(i * 4) % 512] ^= 0x21;
            s.keys.records[i % 108].type = 4;
            std::memset(s.keys.records[i % 108].path, 'a' + i % 26, 120);
            s.reassigned[i % 108] ^= 1;
            break;
        case 3:                                                                                // a macro edit
            std::memset(s.macros.records[i % 32].usageEvents, i, 300);
            std::memset(s.image.macroSlots[i % 32], i, 192);
            break;
        default:                                                                               // a loaded profile
            for (auto& r : s.keys.records) r.data[3] ^= static_cast<uint8_t>(i);
            std::memset(s.image.deviceKeyMap, i, sizeof s.image.deviceKeyMap);
            s.image.ledEffect = static_cast<uint8_t>(i % 20);
            break;
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    auto state = std::make_unique<AppState>();
    ChangeHistory history;
    history.reset(*state);
    for (int i = 0; i < 100; ++i) {
        edit(*state, i);
        history.record(*state);
    }
    std::vector<double> undos, redos;
    using Clock = std::chrono::steady_clock;
    for (int round = 0; round < 3; ++round) {
        while (history.canUndo()) {
            const auto t0 = Clock::now();
            history.undo(*state);
            undos.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        while (history.canRedo()) {
            const auto t0 = Clock::now();
            history.redo(*state);
            redos.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
    }
    std::printf("undo:  median %.3f ms, worst %.3f ms (target: median < 5 ms)\n", median(undos),
                *std::max_element(undos.begin(), undos.end()));
    std::printf("redo:  median %.3f ms, worst %.3f ms (target: median < 5 ms)\n", median(redos),
                *std::max_element(redos.begin(), redos.end()));
    std::printf("history at %zu steps: %.2f MB, the baseline copy included (target <= 5 MB)\n", history.stepCount(),
                history.memoryBytes() / 1048576.0);
    return 0;
}
