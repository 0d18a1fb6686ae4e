#include "app/model/ChangeHistory.h"

#include <cstring>
#include <type_traits>

namespace vandrel {

static_assert(std::is_trivially_copyable_v<DeviceImage> && std::is_trivially_copyable_v<KeyRecordTable> &&
                  std::is_trivially_copyable_v<ReassignedFlags> && std::is_trivially_copyable_v<MacroStore>,
              "the history copies and compares the parts as raw bytes");

namespace {

constexpr int kPartCount = 4;
// Equal bytes shorter than this between two changed ones stay inside one run:
// a run costs more in bookkeeping than a few bytes stored twice.
constexpr size_t kJoinGap = 16;
// Equal blocks are skipped a block at a time.
constexpr size_t kBlock = 64;

uint8_t* partOf(AppState& s, int part) {
    switch (part) {
        case 0: return reinterpret_cast<uint8_t*>(&s.image);
        case 1: return reinterpret_cast<uint8_t*>(&s.keys);
        case 2: return reinterpret_cast<uint8_t*>(&s.reassigned);
        default: return reinterpret_cast<uint8_t*>(&s.macros);
    }
}
const uint8_t* partOf(const AppState& s, int part) { return partOf(const_cast<AppState&>(s), part); }

constexpr size_t kPartSize[kPartCount] = {sizeof(DeviceImage), sizeof(KeyRecordTable), sizeof(ReassignedFlags),
                                          sizeof(MacroStore)};

}  // namespace

struct ChangeHistory::Parts {
    DeviceImage image;
    KeyRecordTable keys;
    ReassignedFlags reassigned;
    MacroStore macros;

    uint8_t* part(int i) {
        switch (i) {
            case 0: return reinterpret_cast<uint8_t*>(&image);
            case 1: return reinterpret_cast<uint8_t*>(&keys);
            case 2: return reinterpret_cast<uint8_t*>(&reassigned);
            default: return reinterpret_cast<uint8_t*>(&macros);
        }
    }
    const uint8_t* part(int i) const { return const_cast<Parts*>(this)->part(i); }
    void take(const AppState& s) {
        image = s.image;
        keys = s.keys;
        reassigned = s.reassigned;
        macros = s.macros;
    }
};

size_t ChangeHistory::Step::cost() const {
    return sizeof(Step) + runs.capacity() * sizeof(Run) + bytes.capacity();
}

ChangeHistory::ChangeHistory(size_t maxSteps, size_t maxBytes)
    : m_maxSteps(maxSteps), m_maxBytes(maxBytes), m_baseline(std::make_unique<Parts>()) {
    std::memset(static_cast<void*>(m_baseline.get()), 0, sizeof(Parts));
}

ChangeHistory::~ChangeHistory() = default;

void ChangeHistory::reset(const AppState& state) {
    m_baseline->take(state);
    m_steps.clear();
    m_cursor = 0;
    m_stepBytes = 0;
}

void ChangeHistory::rebase(const AppState& state) { m_baseline->take(state); }

ChangeHistory::Step ChangeHistory::diff(const Parts& from, const AppState& to) const {
    Step step;
    std::vector<uint8_t> after;
    for (int part = 0; part < kPartCount; ++part) {
        const uint8_t* a = from.part(part);
        const uint8_t* b = partOf(to, part);
        const size_t size = kPartSize[part];
        size_t i = 0;
        while (i < size) {
            // Skip equal blocks, then equal bytes.
            if (i % kBlock == 0 && i + kBlock <= size && std::memcmp(a + i, b + i, kBlock) == 0) {
                i += kBlock;
                continue;
            }
            if (a[i] == b[i]) {
                ++i;
                continue;
            }
            // A run: up to the first gap of kJoinGap equal bytes.
            const size_t start = i;
            size_t end = i + 1;  // one past the last changed byte
            for (size_t j = end; j < size && j < end + kJoinGap; ++j)
                if (a[j] != b[j]) end = j + 1;
            step.runs.push_back({static_cast<uint8_t>(part), static_cast<uint32_t>(start),
                                 static_cast<uint32_t>(end - start)});
            step.bytes.insert(step.bytes.end(), a + start, a + end);
            after.insert(after.end(), b + start, b + end);
            step.parts |= 1u << part;
            i = end;
        }
    }
    // Old bytes of every run first, then the new ones in the same order.
    step.bytes.insert(step.bytes.end(), after.begin(), after.end());
    step.runs.shrink_to_fit();
    step.bytes.shrink_to_fit();
    return step;
}

unsigned ChangeHistory::apply(const Step& step, bool forward, AppState& state, Parts& baseline) {
    const size_t half = step.bytes.size() / 2;
    size_t at = forward ? half : 0;
    for (const Run& r : step.runs) {
        std::memcpy(partOf(state, r.part) + r.offset, step.bytes.data() + at, r.length);
        std::memcpy(baseline.part(r.part) + r.offset, step.bytes.data() + at, r.length);
        at += r.length;
    }
    return step.parts;
}

void ChangeHistory::push(Step step) {
    while (m_steps.size() > m_cursor) {
        m_stepBytes -= m_steps.back().cost();
        m_steps.pop_back();
    }
    m_stepBytes += step.cost();
    m_steps.push_back(std::move(step));
    m_cursor = m_steps.size();
    // The oldest steps go first when the history is full; the newest one stays
    // whatever it costs.
    while (m_steps.size() > 1 && (m_steps.size() > m_maxSteps || m_stepBytes > m_maxBytes)) {
        m_stepBytes -= m_steps.front().cost();
        m_steps.pop_front();
        --m_cursor;
    }
}

unsigned ChangeHistory::record(const AppState& state, bool mergeWithLast) {
    if (mergeWithLast && canUndo() && m_cursor == m_steps.size()) {
        Step& last = m_steps.back();
        // Compare with the state before the last step: the merged step takes
        // the configuration from there to the state now.
        auto before = std::make_unique<Parts>(*m_baseline);
        size_t at = 0;
        for (const Run& r : last.runs) {
            std::memcpy(before->part(r.part) + r.offset, last.bytes.data() + at, r.length);
            at += r.length;
        }
        Step merged = diff(*before, state);
        m_stepBytes -= last.cost();
        m_steps.pop_back();
        m_cursor = m_steps.size();
        m_baseline->take(state);
        const unsigned parts = merged.parts;
        if (!merged.runs.empty()) push(std::move(merged));
        return parts;
    }
    Step step = diff(*m_baseline, state);
    if (step.runs.empty()) return 0;
    m_baseline->take(state);
    const unsigned parts = step.parts;
    push(std::move(step));
    return parts;
}

unsigned ChangeHistory::undo(AppState& state) {
    record(state);
    if (!canUndo()) return 0;
    --m_cursor;
    return apply(m_steps[m_cursor], false, state, *m_baseline);
}

unsigned ChangeHistory::redo(AppState& state) {
    // A change not yet recorded would be lost under the redone bytes: it
    // becomes a step of its own, which ends the redo tail.
    record(state);
    if (!canRedo()) return 0;
    const unsigned parts = apply(m_steps[m_cursor], true, state, *m_baseline);
    ++m_cursor;
    return parts;
}

size_t ChangeHistory::memoryBytes() const { return sizeof(*this) + sizeof(Parts) + m_stepBytes; }

}  // namespace vandrel
