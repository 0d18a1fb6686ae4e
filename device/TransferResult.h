#pragma once
// What a transfer with the keyboard reports to its caller.

#include <cstdint>
#include <functional>

namespace vandrel {

enum class TransferOutcome {
    Completed,
    NoAcknowledgement,  // the keyboard did not acknowledge a write step in time
    DeviceGone,         // the keyboard was unplugged during the transfer
    IoError,            // a request failed although the keyboard is still there
    NotConnected,       // a channel the transfer needs is not open (a write needs both)
    Mismatch            // the keyboard acknowledged a write but holds other bytes
};

// The numbered steps of a write, in the order they are sent.
enum class WriteStep : uint8_t {
    None,
    LightingOpen,    // SetLighting with brightness 0
    Palette,         // the seven SetColor frames
    GameMode,
    ReportRate,
    ResponseTime,
    KeyMap,
    KeyMask,
    Macro,           // index = slot 0..31
    CustomLighting,  // index = map 0..4
    LightingClose,   // SetLighting with every lighting byte
    ReadBack         // reading the written sections back to check them
};

const char* writeStepName(WriteStep step);
const char* transferOutcomeName(TransferOutcome outcome);

struct WriteResult {
    TransferOutcome outcome = TransferOutcome::Completed;
    WriteStep step = WriteStep::None;  // the step that failed, None when completed
    int index = -1;                    // its macro slot or custom map, -1 otherwise
    int stepsDone = 0;
    int stepsTotal = 0;  // 0: nothing differed, nothing was sent

    bool ok() const { return outcome == TransferOutcome::Completed; }
};

// Called on the writing thread after each step: steps done, steps in all.
using WriteProgress = std::function<void(int done, int total)>;

}  // namespace vandrel
