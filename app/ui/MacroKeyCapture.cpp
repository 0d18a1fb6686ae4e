// The recorder's key capture on the desktop: presses and releases of every
// key, taken away from the dialog's widgets, and the desktop's shortcuts
// taken from the desktop while it records, so that they are recorded instead
// of acted on.

#include "app/ui/CMacroRecordDlg.h"
#include "platform/KeyCapture.h"
#include "platform/ShortcutInhibitor.h"

namespace vandrel {

namespace {

class DesktopMacroKeyHook : public MacroKeyHook {
public:
    explicit DesktopMacroKeyHook(CMacroRecordDlg& dialog)
        : m_dialog(dialog), m_capture(KeyCapture::Mode::PressesAndReleases) {
        m_capture.onKey = [this](const CapturedKey& key) { m_dialog.hookKey(key.vk, key.released, key.timestamp); };
        // Below the lists, beside OK and Cancel.
        m_shortcuts.makeNotice(&m_dialog, QRect(20, 398, 252, 34));
    }
    bool install() override {
        if (!m_capture.install(&m_dialog)) return false;
        m_shortcuts.activate(&m_dialog);
        return true;
    }
    void remove() override {
        m_shortcuts.release();
        m_capture.remove();
    }

private:
    CMacroRecordDlg& m_dialog;
    KeyCapture m_capture;
    ShortcutInhibitor m_shortcuts;
};

}  // namespace

std::unique_ptr<MacroKeyHook> makeDesktopMacroKeyHook(CMacroRecordDlg& dialog) {
    return std::make_unique<DesktopMacroKeyHook>(dialog);
}

}  // namespace vandrel
