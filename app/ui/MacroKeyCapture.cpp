// The recorder's key capture on the desktop: presses and releases of every
// key, taken away from the dialog's widgets and, on X11, grabbed from the
// desktop so that its shortcuts are recorded instead of acted on.

#include "app/ui/CMacroRecordDlg.h"
#include "platform/KeyCapture.h"

namespace vandrel {

namespace {

class DesktopMacroKeyHook : public MacroKeyHook {
public:
    explicit DesktopMacroKeyHook(CMacroRecordDlg& dialog)
        : m_dialog(dialog), m_capture(KeyCapture::Mode::PressesAndReleases) {
        m_capture.onKey = [this](const CapturedKey& key) { m_dialog.hookKey(key.vk, key.released, key.timestamp); };
    }
    bool install() override { return m_capture.install(&m_dialog); }
    void remove() override { m_capture.remove(); }

private:
    CMacroRecordDlg& m_dialog;
    KeyCapture m_capture;
};

}  // namespace

std::unique_ptr<MacroKeyHook> makeDesktopMacroKeyHook(CMacroRecordDlg& dialog) {
    return std::make_unique<DesktopMacroKeyHook>(dialog);
}

}  // namespace vandrel
