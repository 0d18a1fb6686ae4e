#include "device/TransferResult.h"

namespace vandrel {

const char* writeStepName(WriteStep step) {
    switch (step) {
        case WriteStep::None: return "none";
        case WriteStep::LightingOpen: return "lighting (opening frame)";
        case WriteStep::Palette: return "palette";
        case WriteStep::GameMode: return "game mode";
        case WriteStep::ReportRate: return "report rate";
        case WriteStep::ResponseTime: return "response time";
        case WriteStep::KeyMap: return "key map";
        case WriteStep::KeyMask: return "key mask";
        case WriteStep::Macro: return "macro slot";
        case WriteStep::CustomLighting: return "custom lighting map";
        case WriteStep::LightingClose: return "lighting (closing frame)";
        case WriteStep::ReadBack: return "read-back";
    }
    return "?";
}

const char* transferOutcomeName(TransferOutcome outcome) {
    switch (outcome) {
        case TransferOutcome::Completed: return "completed";
        case TransferOutcome::NoAcknowledgement: return "no acknowledgement";
        case TransferOutcome::DeviceGone: return "device gone";
        case TransferOutcome::IoError: return "I/O error";
        case TransferOutcome::NotConnected: return "not connected";
        case TransferOutcome::Mismatch: return "keyboard holds other bytes";
    }
    return "?";
}

}  // namespace vandrel
