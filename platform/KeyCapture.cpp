#include "platform/KeyCapture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <array>
#include <utility>

#include "keys/EvdevCodes.h"

namespace vandrel {

namespace {

using CodePair = std::pair<uint16_t, uint8_t>;

// Windows set-1 scan codes, 0x100 marking the E0-prefixed keys.
constexpr CodePair kWindowsKeys[] = {
    {0x01, 0x1B},
    {0x02, 0x31}, {0x03, 0x32}, {0x04, 0x33}, {0x05, 0x34}, {0x06, 0x35},
    {0x07, 0x36}, {0x08, 0x37}, {0x09, 0x38}, {0x0A, 0x39}, {0x0B, 0x30},
    {0x0C, 0xBD}, {0x0D, 0xBB}, {0x0E, 0x08}, {0x0F, 0x09},
    {0x10, 'Q'}, {0x11, 'W'}, {0x12, 'E'}, {0x13, 'R'}, {0x14, 'T'},
    {0x15, 'Y'}, {0x16, 'U'}, {0x17, 'I'}, {0x18, 'O'}, {0x19, 'P'},
    {0x1A, 0xDB}, {0x1B, 0xDD}, {0x1C, 0x0D}, {0x1D, 0xA2},
    {0x1E, 'A'}, {0x1F, 'S'}, {0x20, 'D'}, {0x21, 'F'}, {0x22, 'G'},
    {0x23, 'H'}, {0x24, 'J'}, {0x25, 'K'}, {0x26, 'L'},
    {0x27, 0xBA}, {0x28, 0xDE}, {0x29, 0xC0}, {0x2A, 0xA0}, {0x2B, 0xDC},
    {0x2C, 'Z'}, {0x2D, 'X'}, {0x2E, 'C'}, {0x2F, 'V'}, {0x30, 'B'}, {0x31, 'N'}, {0x32, 'M'},
    {0x33, 0xBC}, {0x34, 0xBE}, {0x35, 0xBF}, {0x36, 0xA1},
    {0x37, 0x6A}, {0x38, 0xA4}, {0x39, 0x20}, {0x3A, 0x14},
    {0x3B, 0x70}, {0x3C, 0x71}, {0x3D, 0x72}, {0x3E, 0x73}, {0x3F, 0x74},
    {0x40, 0x75}, {0x41, 0x76}, {0x42, 0x77}, {0x43, 0x78}, {0x44, 0x79},
    {0x45, 0x13}, {0x145, 0x90}, {0x46, 0x91},  // Pause comes without, Num with the E0 mark
    {0x47, 0x67}, {0x48, 0x68}, {0x49, 0x69}, {0x4A, 0x6D},
    {0x4B, 0x64}, {0x4C, 0x65}, {0x4D, 0x66}, {0x4E, 0x6B},
    {0x4F, 0x61}, {0x50, 0x62}, {0x51, 0x63}, {0x52, 0x60}, {0x53, 0x6E},
    {0x57, 0x7A}, {0x58, 0x7B},
    {0x11C, 0x6C}, {0x11D, 0xA3}, {0x135, 0x6F}, {0x137, 0x2C}, {0x138, 0xA5},
    {0x147, 0x24}, {0x148, 0x26}, {0x149, 0x21}, {0x14B, 0x25}, {0x14D, 0x27},
    {0x14F, 0x23}, {0x150, 0x28}, {0x151, 0x22}, {0x152, 0x2D}, {0x153, 0x2E},
    {0x12E, 0xAE}, {0x130, 0xAF}, {0x122, 0xB3}, {0x16D, 0xB5},
    {0x15B, 0x5B}, {0x15C, 0x5C}, {0x15D, 0x5D},
};

template <size_t N, size_t M>
constexpr std::array<uint8_t, M> indexTable(const CodePair (&pairs)[N]) {
    std::array<uint8_t, M> table{};
    for (const auto& [code, vk] : pairs) table[code] = vk;
    return table;
}

constexpr auto kByScanCode = indexTable<std::size(kWindowsKeys), 512>(kWindowsKeys);

}  // namespace

uint8_t VirtualKeyFromXKeycode(uint32_t xKeycode) {
    if (xKeycode < 8 || xKeycode - 8 > 0xFFFF) return 0;
    return vkFromEvdev(static_cast<uint16_t>(xKeycode - 8));
}

uint8_t VirtualKeyFromWindowsScanCode(uint32_t scanCode) {
    return scanCode < kByScanCode.size() ? kByScanCode[scanCode] : 0;
}

uint8_t VirtualKeyOf(const QKeyEvent& event) {
#ifdef Q_OS_WIN
    return VirtualKeyFromWindowsScanCode(event.nativeScanCode());
#else
    return VirtualKeyFromXKeycode(event.nativeScanCode());
#endif
}

namespace {

// The key's identity for telling presses and releases apart: the physical key
// where the platform reports it.
uint32_t keyIdentity(const QKeyEvent& event) {
    return event.nativeScanCode() != 0 ? event.nativeScanCode() : 0x80000000u | static_cast<uint32_t>(event.key());
}

// The keys a capture that gives way lets through when pressed first.
bool isNavigationKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::NoModifier) return false;
    switch (event.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return true;
    default: return false;
    }
}

}  // namespace

KeyCapture::KeyCapture(Mode mode, QObject* parent) : QObject(parent), m_mode(mode) {}

KeyCapture::~KeyCapture() { remove(); }

bool KeyCapture::install(QWidget* target, Arming arming) {
    remove();
    if (!target || !qApp) return false;
    m_target = target;
    // Application-wide, so that a key is taken before any widget (or its
    // shortcut, Tab navigation or default button) sees it.
    qApp->installEventFilter(this);
    arm(arming);
    return true;
}

void KeyCapture::remove() {
    if (!m_target) return;
    setArming(Arming::None);
    if (qApp) qApp->removeEventFilter(this);
    m_target = nullptr;
}

void KeyCapture::arm(Arming arming) {
    if (!m_target) return;
    m_held.clear();
    m_tookKey = false;
    setArming(arming);
}

void KeyCapture::disarm() { setArming(Arming::None); }

void KeyCapture::setArming(Arming arming) {
    const bool was = armed();
    m_arming = arming;
    if (!armed()) m_held.clear();
    if (was != armed()) emit armedChanged(armed());
}

bool KeyCapture::capturing() const {
    if (!m_target) return false;
    // A message box opened over the capturing window gets its keys as usual.
    QWidget* modal = QApplication::activeModalWidget();
    return !modal || modal == m_target->window();
}

bool KeyCapture::forTarget(QObject* watched) const {
    if (!m_target || !watched->isWidgetType()) return false;
    return static_cast<QWidget*>(watched)->window() == m_target->window();
}

bool KeyCapture::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        if (!capturing()) return false;
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (!armed()) {
            if (!armOnKey || !forTarget(watched) || key.isAutoRepeat() || !armOnKey(key)) return false;
            arm(Arming::UntilReleased);
        }
        // Accepting the override keeps shortcuts from firing; the key press follows.
        if (event->type() == QEvent::ShortcutOverride) {
            if (m_arming == Arming::UntilReleasedGivingWay && !m_tookKey && m_held.empty() && isNavigationKey(key))
                return false;
            event->accept();
            return true;
        }
        return takePress(key);
    }
    case QEvent::KeyRelease:
        if (!capturing() || !armed()) return false;
        return takeRelease(static_cast<const QKeyEvent&>(*event));
    case QEvent::ContextMenu:
        // The menu key is a key like any other while a capture is armed.
        return armed() && capturing() &&
               static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    default:
        return false;
    }
}

bool KeyCapture::takePress(const QKeyEvent& event) {
    if (m_arming == Arming::UntilReleasedGivingWay && !m_tookKey && m_held.empty() && isNavigationKey(event)) {
        setArming(Arming::None);
        return false;
    }
    // The filter sees a key at its first offer (to the window) and swallows
    // it there, so each key arrives here once and reaches no widget.
    if (!event.isAutoRepeat()) {
        m_held.insert(keyIdentity(event));
        m_tookKey = true;
        deliver(event);
    }
    return true;
}

bool KeyCapture::takeRelease(const QKeyEvent& event) {
    if (event.isAutoRepeat()) return true;
    // A key that was already down when the capture was armed (the Space or
    // Enter that armed it) is let go of outside it.
    if (m_held.erase(keyIdentity(event)) == 0) return true;
    deliver(event);
    if (m_held.empty() && (m_arming == Arming::UntilReleased || m_arming == Arming::UntilReleasedGivingWay))
        setArming(Arming::None);
    return true;
}

void KeyCapture::deliver(const QKeyEvent& event) {
    const bool released = event.type() == QEvent::KeyRelease;
    if (released && m_mode == Mode::Strokes) return;
    const uint8_t vk = VirtualKeyOf(event);
    if (vk == 0) return;
    const CapturedKey key{vk, released, event.timestamp()};
    if (onKey) {
        onKey(key);
    } else if (m_target) {
        QCoreApplication::postEvent(m_target, new HookKeyEvent(key));
    }
}

}  // namespace vandrel
