#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QSignalSpy>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "platform/KeyCapture.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

// X keycodes are evdev codes + 8.
constexpr uint32_t x(uint32_t evdev) { return evdev + 8; }

std::unique_ptr<QKeyEvent> keyEvent(QEvent::Type type, int qtKey, uint32_t nativeScanCode, bool autoRepeat = false,
                                    const QString& text = {}) {
    auto e = std::make_unique<QKeyEvent>(type, qtKey, Qt::NoModifier, nativeScanCode, 0, 0, text, autoRepeat);
    e->setTimestamp(1234);
    return e;
}

TEST(KeyCaptureTable, PhysicalKeysGiveTheirUsCodeWhateverTheLayout) {
    // Qt's key is the layout's symbol; the capture must ignore it.
    struct Case {
        const char* what;
        int qtKey;         // symbol under the layout
        uint32_t xKeycode; // physical key
        uint8_t vk;
    };
    const Case cases[] = {
        {"US Y", Qt::Key_Y, x(21), 0x59},
        {"German Z on the Y position", Qt::Key_Z, x(21), 0x59},
        {"German Y on the Z position", Qt::Key_Y, x(44), 0x5A},
        {"German ue on the [ position", Qt::Key_Udiaeresis, x(26), 0xDB},
        {"French A on the Q position", Qt::Key_A, x(16), 0x51},
        {"left Shift", Qt::Key_Shift, x(42), 0xA0},
        {"right Shift", Qt::Key_Shift, x(54), 0xA1},
        {"left Ctrl", Qt::Key_Control, x(29), 0xA2},
        {"right Ctrl", Qt::Key_Control, x(97), 0xA3},
        {"left Alt", Qt::Key_Alt, x(56), 0xA4},
        {"right Alt (AltGr)", Qt::Key_AltGr, x(100), 0xA5},
        {"left Windows", Qt::Key_Meta, x(125), 0x5B},
        {"right Windows", Qt::Key_Meta, x(126), 0x5C},
        {"main Enter", Qt::Key_Return, x(28), 0x0D},
        {"keypad Enter", Qt::Key_Enter, x(96), 0x6C},
        {"keypad 7 with NumLock off", Qt::Key_Home, x(71), 0x67},
        {"Home", Qt::Key_Home, x(102), 0x24},
        {"keypad minus", Qt::Key_Minus, x(74), 0x6D},
        {"main minus", Qt::Key_Minus, x(12), 0xBD},
        {"volume up", Qt::Key_VolumeUp, x(115), 0xAF},
        {"play/pause", Qt::Key_MediaTogglePlayPause, x(164), 0xB3},
        {"media player", Qt::Key_LaunchMedia, x(171), 0xB5},
        {"Esc", Qt::Key_Escape, x(1), 0x1B},
        {"Tab", Qt::Key_Tab, x(15), 0x09},
        {"unknown (mute has no name)", Qt::Key_VolumeMute, x(113), 0},
        {"unknown (ISO extra key)", Qt::Key_Less, x(86), 0},
        {"no scan code", Qt::Key_A, 0, 0},
        {"beyond the table", Qt::Key_A, 100000, 0},
    };
    for (const auto& c : cases) {
        const auto e = keyEvent(QEvent::KeyPress, c.qtKey, c.xKeycode);
#ifndef Q_OS_WIN
        EXPECT_EQ(VirtualKeyOf(*e), c.vk) << c.what;
#endif
        EXPECT_EQ(VirtualKeyFromXKeycode(c.xKeycode), c.vk) << c.what;
    }
    // Windows: the E0 mark tells the right-hand and keypad keys apart.
    EXPECT_EQ(VirtualKeyFromWindowsScanCode(0x1C), 0x0D);
    EXPECT_EQ(VirtualKeyFromWindowsScanCode(0x11C), 0x6C);
    EXPECT_EQ(VirtualKeyFromWindowsScanCode(0x1D), 0xA2);
    EXPECT_EQ(VirtualKeyFromWindowsScanCode(0x11D), 0xA3);
    EXPECT_EQ(VirtualKeyFromWindowsScanCode(0x15), 0x59);
    EXPECT_EQ(VirtualKeyFromWindowsScanCode(0x200), 0);
}

#ifndef Q_OS_WIN
// A dialog with an edit that has the focus, as the key-map dialog has.
struct WithApp {
    WithApp() { test::app(); }
};

struct CaptureFixture : ::testing::Test, WithApp {
    CaptureFixture() {
        auto* layout = new QVBoxLayout(&dialog);
        edit = new QLineEdit(&dialog);
        layout->addWidget(edit);
        edit->setFocus();
    }
    void send(QEvent::Type type, int qtKey, uint32_t xKeycode, bool autoRepeat = false) {
        const auto e = keyEvent(type, qtKey, xKeycode, autoRepeat, QStringLiteral("k"));
        QApplication::sendEvent(edit, e.get());
    }
    QDialog dialog;
    QLineEdit* edit = nullptr;
    std::vector<CapturedKey> keys;
};

TEST_F(CaptureFixture, StrokesModeReportsPressesOnceAndNothingReachesTheWidgets) {
    KeyCapture capture(KeyCapture::Mode::Strokes);
    capture.onKey = [&](const CapturedKey& k) { keys.push_back(k); };
    ASSERT_TRUE(capture.install(&dialog));
    send(QEvent::KeyPress, Qt::Key_Z, x(21));
    send(QEvent::KeyPress, Qt::Key_Z, x(21), /*autoRepeat=*/true);
    send(QEvent::KeyRelease, Qt::Key_Z, x(21));
    send(QEvent::KeyPress, Qt::Key_VolumeMute, x(113));  // unknown: dropped, still swallowed
    send(QEvent::KeyPress, Qt::Key_Tab, x(15));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].vk, 0x59);
    EXPECT_FALSE(keys[0].released);
    EXPECT_EQ(keys[1].vk, 0x09);
    EXPECT_TRUE(edit->text().isEmpty());

    capture.remove();
    send(QEvent::KeyPress, Qt::Key_A, x(30));
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(edit->text(), QStringLiteral("k"));
}

TEST_F(CaptureFixture, RecorderModeReportsReleasesWithTheirTime) {
    KeyCapture capture(KeyCapture::Mode::PressesAndReleases);
    capture.onKey = [&](const CapturedKey& k) { keys.push_back(k); };
    capture.install(&dialog);
    send(QEvent::KeyPress, Qt::Key_Control, x(97));
    send(QEvent::KeyRelease, Qt::Key_Control, x(97), /*autoRepeat=*/true);
    send(QEvent::KeyRelease, Qt::Key_Control, x(97));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[1].vk, 0xA3);
    EXPECT_TRUE(keys[1].released);
    EXPECT_EQ(keys[1].timestamp, 1234u);
}

TEST_F(CaptureFixture, ACaptureUntilReleaseEndsWhenEveryKeyIsUpAndLetsTabThroughAfter) {
    KeyCapture capture(KeyCapture::Mode::Strokes);
    capture.onKey = [&](const CapturedKey& k) { keys.push_back(k); };
    QSignalSpy armedChanges(&capture, &KeyCapture::armedChanged);
    ASSERT_TRUE(capture.install(&dialog, KeyCapture::Arming::UntilReleased));
    // The Enter that opened the window is let go of: not the capture's key.
    send(QEvent::KeyRelease, Qt::Key_Return, x(28));
    EXPECT_TRUE(capture.armed());
    // Ctrl, then Escape while it is held: both are the capture's.
    send(QEvent::KeyPress, Qt::Key_Control, x(29));
    send(QEvent::KeyPress, Qt::Key_Escape, x(1));
    send(QEvent::KeyRelease, Qt::Key_Escape, x(1));
    EXPECT_TRUE(capture.armed());
    send(QEvent::KeyRelease, Qt::Key_Control, x(29));
    EXPECT_FALSE(capture.armed());
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[1].vk, 0x1B);
    // Ended, the capture takes nothing: the keys reach the window again.
    send(QEvent::KeyPress, Qt::Key_A, x(30));
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(edit->text(), QStringLiteral("k"));
    ASSERT_EQ(armedChanges.count(), 2);
    EXPECT_TRUE(armedChanges[0][0].toBool());
    EXPECT_FALSE(armedChanges[1][0].toBool());
}

TEST_F(CaptureFixture, ACaptureThatGivesWayLetsAFirstTabOrEscapeDoTheirWork) {
    KeyCapture capture(KeyCapture::Mode::Strokes);
    capture.onKey = [&](const CapturedKey& k) { keys.push_back(k); };
    for (int key : {Qt::Key_Tab, Qt::Key_Escape, Qt::Key_Return}) {
        capture.install(&dialog, KeyCapture::Arming::UntilReleasedGivingWay);
        send(QEvent::KeyPress, key, key == Qt::Key_Tab ? x(15) : key == Qt::Key_Escape ? x(1) : x(28));
        EXPECT_FALSE(capture.armed()) << key;
    }
    EXPECT_TRUE(keys.empty());
    // Pressed after another key, Escape is captured.
    capture.install(&dialog, KeyCapture::Arming::UntilReleasedGivingWay);
    send(QEvent::KeyPress, Qt::Key_Shift, x(42));
    send(QEvent::KeyPress, Qt::Key_Escape, x(1));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[1].vk, 0x1B);
}

TEST_F(CaptureFixture, AKeyTypedIntoAnIdleFieldArmsACaptureThatTakesIt) {
    KeyCapture capture(KeyCapture::Mode::Strokes);
    capture.onKey = [&](const CapturedKey& k) { keys.push_back(k); };
    capture.armOnKey = [](const QKeyEvent& e) { return e.key() != Qt::Key_Tab; };
    capture.install(&dialog, KeyCapture::Arming::None);
    EXPECT_FALSE(capture.armed());
    send(QEvent::KeyPress, Qt::Key_Tab, x(15));  // not the capture's: the field gets it
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(edit->text().isEmpty());
    edit->clear();
    send(QEvent::KeyPress, Qt::Key_B, x(48));
    EXPECT_TRUE(capture.armed());
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].vk, 'B');
    send(QEvent::KeyRelease, Qt::Key_B, x(48));
    EXPECT_FALSE(capture.armed());
    EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(CaptureFixture, TheMenuKeyOpensNoContextMenuWhileACaptureIsArmed) {
    // Counts the context-menu requests that reach the field (and opens none).
    struct MenuCounter : QObject {
        int seen = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() != QEvent::ContextMenu) return false;
            ++seen;
            return true;
        }
    } counter;
    edit->installEventFilter(&counter);
    const auto menuKey = [&] {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(1, 1), edit->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(edit, &menu);
    };
    KeyCapture capture(KeyCapture::Mode::Strokes);
    capture.onKey = [&](const CapturedKey& k) { keys.push_back(k); };
    capture.install(&dialog, KeyCapture::Arming::UntilReleased);
    send(QEvent::KeyPress, Qt::Key_Menu, x(127));
    menuKey();
    EXPECT_EQ(counter.seen, 0);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].vk, 0x5D);
    send(QEvent::KeyRelease, Qt::Key_Menu, x(127));
    // Once the capture has ended the menu key is the field's again.
    menuKey();
    EXPECT_EQ(counter.seen, 1);
}

TEST(KeyCaptureEvents, WithoutHandlerTheWindowGetsHookKeyEventsAndEscDoesNotClose) {
    test::app();
    struct Window : QDialog {
        std::vector<std::pair<uintptr_t, uint32_t>> got;
        bool event(QEvent* e) override {
            if (e->type() != kHookKeyEvent) return QDialog::event(e);
            const auto* h = static_cast<HookKeyEvent*>(e);
            got.emplace_back(h->wParam(), h->lParam());
            return true;
        }
    } dialog;
    KeyCapture capture(KeyCapture::Mode::PressesAndReleases);
    capture.install(&dialog);
    dialog.show();
    for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        const auto e = keyEvent(type, Qt::Key_Escape, x(1));
        QApplication::sendEvent(&dialog, e.get());
    }
    QCoreApplication::sendPostedEvents(&dialog, kHookKeyEvent);
    EXPECT_TRUE(dialog.isVisible());
    const std::vector<std::pair<uintptr_t, uint32_t>> want{{0x1B, 0u}, {0x1B, 0x80000000u}};
    EXPECT_EQ(dialog.got, want);
}
#endif

}  // namespace
