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
#include <set>

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

// A capture is armed while it takes the keys. It is armed until it is
// removed (a recording), or until every key pressed since it was armed is
// released again (the key-map dialog's fields: a stroke or a combination is
// captured, and then Tab, Enter and Escape do their usual work again).
class KeyCapture : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Strokes = 0,             // one report per key press (key-map dialog)
        PressesAndReleases = 1,  // presses and releases (macro recorder)
    };
    enum class Arming {
        None,                    // installed, taking no key until armed
        UntilRemoved,            // every key, until disarm() or remove()
        UntilReleased,           // every key, until the keys pressed are all up
        // The same, but a Tab, Shift+Tab, Enter or Escape pressed first ends
        // it and does its usual work: the capture the window armed on its own
        // gives way to a user who wants to move on rather than type a key.
        UntilReleasedGivingWay,
    };

    explicit KeyCapture(Mode mode, QObject* parent = nullptr);
    ~KeyCapture() override;

    // Where captured keys go. Without a handler each key is posted to the
    // target window as a HookKeyEvent.
    std::function<void(const CapturedKey&)> onKey;
    // Asked for a key press meant for the target window while no capture is
    // armed: true arms a capture until release, which takes this key too.
    std::function<bool(const QKeyEvent&)> armOnKey;

    // Starts capturing for `target`'s window: while armed, key events meant
    // for that window never reach its widgets (nor open a context menu).
    // Returns whether capture is installed.
    bool install(QWidget* target, Arming arming = Arming::UntilRemoved);
    // Stops capturing.
    void remove();
    bool installed() const { return m_target != nullptr; }
    // Arms (once installed) or ends a capture.
    void arm(Arming arming);
    void disarm();
    bool armed() const { return m_arming != Arming::None; }
    Mode mode() const { return m_mode; }

signals:
    // A capture was armed (true) or ended (false). This is the one place
    // where capturing starts and stops: what must follow it (taking the
    // desktop's shortcuts, ShortcutInhibitor) hooks in here.
    void armedChanged(bool armed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool capturing() const;
    bool forTarget(QObject* watched) const;
    // A key press while armed: whether the capture takes it.
    bool takePress(const QKeyEvent& event);
    bool takeRelease(const QKeyEvent& event);
    void deliver(const QKeyEvent& event);
    void setArming(Arming arming);

    Mode m_mode;
    QPointer<QWidget> m_target;
    Arming m_arming = Arming::None;
    std::set<uint32_t> m_held;  // keys pressed since arming and not yet released
    bool m_tookKey = false;     // the armed capture has taken a key
};

}  // namespace vandrel
