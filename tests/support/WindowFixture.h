#pragma once
// The main window on the simulated keyboard, started headless as the program
// starts it, with the skin set drawn once for all tests and the window's
// message boxes and colour picker answered by the test.

#include <gtest/gtest.h>

#include <QTest>
#include <cstring>
#include <memory>
#include <optional>

#include "app/ui/CTarvinDlg.h"
#include "device/DeviceSession.h"
#include "keymap/KeymapFile.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/support/SkinFolder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitWhileBusy.h"

namespace vandrel::test {

namespace fs = std::filesystem;

inline QPoint keyCentre(int slot) {
    const KeyRect& r = KeyGeometry[slot].rect;
    return {kKeyboardOriginX + (r.left + r.right) / 2, kKeyboardOriginY + (r.top + r.bottom) / 2};
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest() : keyboard(clock), session(keyboard, clock), state(std::make_unique<AppState>()) {
        paths.programFolder = skins().program();
        paths.dataFolder = data.path();
    }

    // Starts the window as the program does and waits for the keyboard's
    // values; what start-up sent is forgotten unless `keepRecord`.
    void start(bool keepRecord = false) {
        window = std::make_unique<CTarvinDlg>(*state, session, paths);
        WindowHooks& h = window->hooks();
        h.warn = [this](QWidget*, const QString& caption, const QString& text) { warnings.append(caption + ":" + text); };
        h.confirmFactoryReset = [this](QWidget*) { return confirmReset; };
        h.askBeforeClose = [this](QWidget*, const QString& unsaved) {
            closeQuestions.append(unsaved);
            return closeAnswer;
        };
        h.pickColour = [this](QWidget*, const QColor& initial) -> std::optional<QColor> {
            pickerInitial = initial;
            return pickerAnswer;
        };
        window->initialise();
        test::waitWhileBusy(window->service());
        window->show();
        if (!keepRecord) keyboard.clearRecord();
    }
    // The window ends and starts again on the same keyboard and data folder.
    void restart(bool keepRecord = false) {
        window.reset();
        state = std::make_unique<AppState>();
        warnings.clear();
        closeQuestions.clear();
        keyboard.clearRecord();
        start(keepRecord);
    }

    void click(int x, int y) {
        QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(x, y));
        test::waitWhileBusy(window->service());
    }
    QImage frame() {
        window->redraw();
        return window->composeFrame().copy();
    }
    DeviceImage keymapFileImage() {
        const std::vector<uint8_t> bytes = readAll(KeymapFilePath(data.path()));
        DeviceImage image{};
        if (bytes.size() == kKeymapFileBytes) std::memcpy(image.bytes(), bytes.data(), sizeof image);
        return image;
    }

    TempFolder data;
    VirtualClock clock;
    SimKeyboard keyboard;
    DeviceSession session;
    std::unique_ptr<AppState> state;
    WindowPaths paths;
    std::unique_ptr<CTarvinDlg> window;
    QStringList warnings;
    bool confirmReset = true;
    QStringList closeQuestions;
    CloseChoice closeAnswer = CloseChoice::Discard;
    std::optional<QColor> pickerAnswer;
    QColor pickerInitial;
};

}  // namespace vandrel::test
