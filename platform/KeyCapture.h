#pragma once
// Live key capture for the key-map dialog and the macro recorder: while it is
// on, every key the user presses is taken away from the widgets and handed to
// one window as a Windows virtual-key code (the desktop's own shortcuts are
// taken by ShortcutInhibitor beside it). The code comes from the physical key, not from the layout,
// because the keyboard itself is programmed in physical key usages: the key at
// the US "Y" position is 0x59 on a German layout too.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>

class QKeyEvent;
class QWidget;

namespace vandrel {

// Posted to the capturing window for every captured key.
constexpr QEvent::Type kHookKeyEvent = static_cast<QEvent::Type>(0x6F3);

// One captured key action.
struct CapturedKey {
    uint8_t vk = 0;          // Windows virtual-key code (left/right and keypad apart)
    bool released = false;   // false: pressed
    uint64_t timestamp = 0;  // the key event's time in milliseconds (QKeyEvent::timestamp)
};

class HookKeyEvent : public QEvent {
public:
    explicit HookKeyEvent(const CapturedKey& key) : QEvent(kHookKeyEvent), m_key(key) {}
    const CapturedKey& key() const { return m_key; }
    uint8_t vk() const { return m_key.vk; }
    bool released() const { return m_key.released; }
    uint64_t timestamp() const { return m_key.timestamp; }
    // The message's two parameters: the virtual-key code, and bit 31 set on release.
    uintptr_t wParam() const { return m_key.vk; }
    uint32_t lParam() const { return m_key.released ? 0x80000000u : 0u; }

private:
    CapturedKey m_key;
};

// The virtual-key code of the key with this X keycode (evdev code + 8, as X11
// and Wayland report it in QKeyEvent::nativeScanCode()); 0 for a key this
// program does not know, which is then dropped rather than guessed.
uint8_t VirtualKeyFromXKeycode(uint32_t xKeycode);
// The same for a Windows scan code as Qt reports it there (set-1 code, 0x100
// added for the extended E0 keys).
uint8_t VirtualKeyFromWindowsScanCode(uint32_t scanCode);
// The code of a key event on the running platform; 0 when unknown.
uint8_t VirtualKeyOf(const QKeyEvent& event);

class KeyCapture : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Strokes = 0,             // one report per key press (key-map dialog)
        PressesAndReleases = 1,  // presses and releases (macro recorder)
    };

    explicit KeyCapture(Mode mode, QObject* parent = nullptr);
    ~KeyCapture() override;

    // Where captured keys go. Without a handler each key is posted to the
    // target window as a HookKeyEvent.
    std::function<void(const CapturedKey&)> onKey;

    // Starts capturing for `target`'s window: key events meant for that
    // window never reach its widgets. Returns whether capture is on.
    bool install(QWidget* target);
    // Stops capturing.
    void remove();
    bool installed() const { return m_target != nullptr; }
    Mode mode() const { return m_mode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool capturing() const;
    void deliver(const QKeyEvent& event);

    Mode m_mode;
    QPointer<QWidget> m_target;
};

}  // namespace vandrel
