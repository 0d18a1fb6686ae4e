#pragma once
// Undo and redo across the whole configuration the user edits: the image, the
// key records, the reassigned-key flags and the macro store. Each step keeps
// only the byte runs that changed (their old and new contents), measured
// against a baseline copy of those parts, so a step costs what it changed,
// not the 380 KB of the parts.
//
// The window records after every change a user makes (a click, a dialog's
// OK, a slider that came to rest); changes that do not come from the user (a
// read of the keyboard) are taken into the baseline without a step. Undo and
// redo write the recorded bytes back, so a step undone after other changes
// still puts back exactly the bytes it changed.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "app/model/AppState.h"

namespace vandrel {

// Parts a step touched, as bits.
enum ChangedPart : unsigned {
    kPartImage = 1u << 0,
    kPartKeys = 1u << 1,
    kPartReassigned = 1u << 2,
    kPartMacros = 1u << 3,
};

class ChangeHistory {
public:
    static constexpr size_t kDefaultSteps = 100;
    static constexpr size_t kDefaultBudget = 5u * 1024 * 1024;

    explicit ChangeHistory(size_t maxSteps = kDefaultSteps, size_t maxBytes = kDefaultBudget);
    ~ChangeHistory();
    ChangeHistory(const ChangeHistory&) = delete;
    ChangeHistory& operator=(const ChangeHistory&) = delete;

    // Takes the state as the baseline and forgets every step.
    void reset(const AppState& state);
    // Takes the state as the baseline, keeping the steps: for changes that are
    // not the user's (a read of the keyboard).
    void rebase(const AppState& state);
    // Records what changed since the baseline as one step (nothing when
    // nothing changed); a redo tail is dropped. With `mergeWithLast` the
    // change joins the last step instead, when there is one to join.
    // Returns the parts that changed.
    unsigned record(const AppState& state, bool mergeWithLast = false);

    bool canUndo() const { return m_cursor > 0; }
    bool canRedo() const { return m_cursor < m_steps.size(); }
    // Records any change still open, then undoes the last step. Returns the
    // parts written, 0 when there was nothing to undo.
    unsigned undo(AppState& state);
    unsigned redo(AppState& state);

    size_t stepCount() const { return m_steps.size(); }
    size_t position() const { return m_cursor; }
    // The heap and object bytes the history holds: baseline and steps.
    size_t memoryBytes() const;

private:
    struct Run {
        uint8_t part;
        uint32_t offset;
        uint32_t length;
    };
    struct Step {
        std::vector<Run> runs;
        std::vector<uint8_t> bytes;  // per run: old bytes, then new bytes
        unsigned parts = 0;
        size_t cost() const;
    };
    struct Parts;

    Step diff(const Parts& from, const AppState& to) const;
    static unsigned apply(const Step& step, bool forward, AppState& state, Parts& baseline);
    void push(Step step);

    size_t m_maxSteps;
    size_t m_maxBytes;
    std::unique_ptr<Parts> m_baseline;
    std::deque<Step> m_steps;
    size_t m_cursor = 0;  // steps before it are done, the rest can be redone
    size_t m_stepBytes = 0;
};

}  // namespace vandrel
