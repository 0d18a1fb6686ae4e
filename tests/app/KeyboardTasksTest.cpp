// The things a user comes to the program for, done with the keyboard alone:
// remap a key, record a macro and bind it to a key, save and load a profile,
// undo, save and restore a configuration from the history, change the
// lighting effect. The window and its dialogs are the program's own, wired as
// the program wires them; only key events reach them. The keys each task
// takes are counted and printed, to keep an eye on how far apart things are.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <utility>

#include "app/draw/ModelText.h"
#include "app/ui/CConfigureDlg.h"
#include "app/ui/CHistoryDlg.h"
#include "app/ui/CKeyMap.h"
#include "app/ui/CMacroRecordDlg.h"
#include "app/ui/access/Accessibility.h"
#include "keymap/KeyAssignment.h"
#include "tests/app/KeyInput.h"
#include "tests/support/WindowFixture.h"

namespace vandrel {
namespace {

using namespace test::evdev;
using test::typeKey;

// Steps run one after another from the event loop, each once the window it
// needs is up. The next step is always scheduled before a step runs, so the
// steps after one that opens a modal dialog run inside that dialog's loop.
class KeyScript {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
        const char* what;
    };
    void add(const char* what, std::function<bool()> ready, std::function<void()> act) {
        m_steps.push_back({std::move(ready), std::move(act), what});
    }
    void start() { tick(); }
    bool finished() const { return m_next == m_steps.size(); }
    const char* waitingFor() const { return finished() ? "nothing" : m_steps[m_next].what; }

private:
    void tick() {
        if (finished()) return;
        // Tied to the script: a tick still pending when the test ends dies with it.
        QTimer::singleShot(5, &m_context, [this] { tick(); });
        if (m_running == m_next || !m_steps[m_next].ready()) return;
        m_running = m_next;
        const Step& s = m_steps[m_next++];
        s.act();
    }
    QObject m_context;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    size_t m_running = static_cast<size_t>(-1);
};

// True once `ms` have passed since it was first asked.
std::function<bool()> afterMs(int ms) {
    auto clock = std::make_shared<QElapsedTimer>();
    return [clock, ms] {
        if (!clock->isValid()) clock->start();
        return clock->elapsed() >= ms;
    };
}

template <class Dialog>
Dialog* openDialog() {
    return qobject_cast<Dialog*>(QApplication::activeModalWidget());
}

// Presses Tab until `reached` holds (at most a round of the window's elements).
void tabUntil(const std::function<bool()>& reached) {
    for (int i = 0; i < 200 && !reached(); ++i) typeKey(Qt::Key_Tab, kEvTab);
    ASSERT_TRUE(reached());
}

void menuKey() {
    QWidget* to = test::keyTarget();
    ASSERT_NE(to, nullptr);
    QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(4, 4), to->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(to, &e);
}

// Counts the keys pressed: each press once, where it is sent (not again on
// its way up to the parents that see it when the first one leaves it).
class KeyCounter : public QObject {
public:
    KeyCounter() { qApp->installEventFilter(this); }
    // The keys since the last call.
    int take() { return std::exchange(m_count, 0); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool press = event->type() == QEvent::KeyPress ||
                           (event->type() == QEvent::ContextMenu &&
                            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard);
        if (press && watched == test::keyTarget()) ++m_count;
        return false;
    }

private:
    int m_count = 0;
};

class KeyboardOnly : public test::WindowTest {
protected:
    void SetUp() override {
        installAccessibility();
        start();
        // The dialogs as the program runs them.
        WindowHooks& h = window->hooks();
        const QString skinFolder = paths.skinFolder();
        h.runKeyMapDialog = [this, skinFolder](QWidget* parent, const KeyEditTarget& key, AssignmentRequest& request) {
            return RunKeyMapDialog(keyMapModel, skinFolder, parent, key.slot, *state, request, nullptr,
                                   window->keyboardInUse());
        };
        h.runMacroManager = [this, skinFolder](QWidget* parent) -> std::optional<MacroRenumbering> {
            CMacroRecordDlg dialog(state->macros, skinFolder, parent);
            dialog.showFocusMark(window->keyboardInUse());
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            return dialog.renumbering();
        };
        h.runProfileDialog = [this, skinFolder](QWidget* parent) {
            CConfigureDlg dialog(skinFolder, data.path() / "Configure", state->image, state->keys, parent);
            ProfileDialogPorts& ports = dialog.model().ports();
            ports.message = [](const std::u16string&, const std::u16string&) {};
            ports.confirm = [](const std::u16string&, const std::u16string&) { return true; };
            // The file dialogs are the desktop's own: the export is skipped,
            // the import takes the profile chosen in the list.
            ports.chooseExportFile = [] { return std::optional<std::filesystem::path>(); };
            ports.chooseImportFile = [&dialog]() -> std::optional<std::filesystem::path> {
                const int row = dialog.model().selectedRow();
                if (row < 0) return std::nullopt;
                return dialog.model().rows()[static_cast<size_t>(row)].path;
            };
            dialog.showFocusMark(window->keyboardInUse());
            return dialog.exec() == QDialog::Accepted;
        };
        QApplication::setActiveWindow(window.get());
        window->setFocus();
    }
    // The window is back and takes keys. (Headless no window manager gives it
    // the activation back when a dialog closes; the test does.)
    bool mainWindowUp() const {
        // Also not while a dialog that just closed is still returning from its loop.
        if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || window->busy() ||
            QThread::currentThread()->loopLevel() > 0)
            return false;
        if (QApplication::activeWindow() != window.get()) QApplication::setActiveWindow(window.get());
        return QApplication::focusWidget() != nullptr;
    }
    int focused() const { return window->focusedElement(); }

    // Once the steps before it have run: the keys they took, for `task`.
    void countKeys(const char* task) {
        script.add(task, [] { return true; }, [this, task] { counts.emplace_back(task, keys.take()); });
    }

    KeyMapDialogModel keyMapModel;
    KeyScript script;
    KeyCounter keys;
    std::vector<std::pair<const char*, int>> counts;
};

TEST_F(KeyboardOnly, TheFiveTasksNeedNoMouse) {
    constexpr int kA = 63, kQ = 42;
    const auto main = [this] { return mainWindowUp(); };
    const auto keyMap = [] { return openDialog<CKeyMap>() != nullptr; };
    const auto macros = [] { return openDialog<CMacroRecordDlg>() != nullptr; };
    const auto profiles = [] { return openDialog<CConfigureDlg>() != nullptr && !QApplication::activePopupWidget(); };
    const auto menu = [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; };
    const uint8_t gameModeAtStart = state->image.gameMode;

    // 1. Remap A to C: Tab to the keyboard picture, the arrows to A, Enter;
    //    in the dialog the key pressed next is A's new key, Enter saves.
    script.add("the picture", main, [&] {
        tabUntil([&] { return focused() == kElementKeyBase; });  // Esc, the picture's first key
        for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) typeKey(key, kEvDown);
        typeKey(Qt::Key_Right, kEvRight);
        EXPECT_EQ(focused(), kElementKeyBase + kA);
        typeKey(Qt::Key_Return, kEvEnter);
    });
    script.add("the key-map dialog for A", keyMap, [] {
        typeKey(Qt::Key_C, kEvC);
        typeKey(Qt::Key_Return, kEvEnter);
    });
    countKeys("remap A to C");
    script.add("A remapped", main, [&] {
        const uint8_t* entry = state->image.deviceKeyMap + SlotCellOffset[kA];
        EXPECT_EQ(entry[2], 0x06) << "usage of C";
        const UiElements elements = window->uiElements();
        EXPECT_EQ(elements[0].id, kHitLightingHeader);
        const UiElement* a = findElement(elements, kElementKeyBase + kA);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->name, "A，发送 C");
    });

    // 2. Record a macro (New, record, A, Escape, OK) and bind it to Q.
    script.add("the macro manager button", main, [&] {
        tabUntil([&] { return focused() == kHitMacroManager; });
        typeKey(Qt::Key_Space, kEvSpace);
    });
    script.add("the macro manager", macros, [] {
        CMacroRecordDlg* d = openDialog<CMacroRecordDlg>();
        tabUntil([d] { return d->focusedElement() == kMacroHitNew; });
        typeKey(Qt::Key_Space, kEvSpace);
        tabUntil([d] { return d->focusedElement() == kMacroHitRecord; });
        typeKey(Qt::Key_Space, kEvSpace);
        EXPECT_TRUE(d->model().manager().recording());
        typeKey(Qt::Key_A, kEvA);
        typeKey(Qt::Key_Escape, kEvEsc);  // ends the recording
        EXPECT_FALSE(d->model().manager().recording());
        tabUntil([d] { return d->focusedElement() == kMacroHitOk; });
        typeKey(Qt::Key_Return, kEvEnter);
    });
    script.add("the picture again", main, [&] {
        EXPECT_EQ(recordName(state->macros[0]), u"Macro_001");
        EXPECT_EQ(state->macros[0].vkEvents[1], 0x41);
        tabUntil([&] { return focused() == kElementKeyBase + kA; });  // the picture remembers A
        typeKey(Qt::Key_Up, kEvUp);
        EXPECT_EQ(focused(), kElementKeyBase + kQ);
        typeKey(Qt::Key_Return, kEvEnter);
    });
    script.add("the key-map dialog for Q", keyMap, [] {
        CKeyMap* d = openDialog<CKeyMap>();
        typeKey(Qt::Key_Q, kEvQ);  // the first key is captured; the macro page overrides it
        for (int i = 0; i < 20 && d->focusedElement() != kKeyMapTabKeys; ++i)
            typeKey(Qt::Key_Tab, kEvTab, Qt::ShiftModifier);
        EXPECT_EQ(d->focusedElement(), kKeyMapTabKeys);
        typeKey(Qt::Key_Right, kEvRight);
        typeKey(Qt::Key_Space, kEvSpace);  // the macro page
        typeKey(Qt::Key_Tab, kEvTab);
        typeKey(Qt::Key_Down, kEvDown);  // its first macro
        typeKey(Qt::Key_Return, kEvEnter);
    });
    countKeys("record a macro and bind it to Q");
    script.add("Q bound", main, [&] {
        const uint8_t* entry = state->image.deviceKeyMap + SlotCellOffset[kQ];
        EXPECT_EQ(entry[0], kEntryMacro);
        EXPECT_EQ(entry[2], 0);
        const UiElements elements = window->uiElements();
        const UiElement* q = findElement(elements, kElementKeyBase + kQ);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->name, "Q，宏 Macro_001");
    });

    // 3. Save the configuration as a new profile, change a setting, load
    //    the profile back: the setting is as saved.
    script.add("the profile button", main, [&] {
        tabUntil([&] { return focused() == kHitProfiles; });
        typeKey(Qt::Key_Space, kEvSpace);
    });
    script.add("the profile dialog: a new profile", profiles, [] {
        CConfigureDlg* d = openDialog<CConfigureDlg>();
        tabUntil([d] { return d->focusedElement() == kProfileElementNew; });
        typeKey(Qt::Key_Space, kEvSpace);
        typeKey(Qt::Key_Tab, kEvTab, Qt::ShiftModifier);
        typeKey(Qt::Key_Down, kEvDown);
        EXPECT_EQ(d->model().selectedRow(), 0);
        menuKey();  // the row's commands
    });
    script.add("the profile menu: Save", menu, [] {
        for (int i = 0; i < 3; ++i) typeKey(Qt::Key_Down, kEvDown);  // New, Copy, Save
        typeKey(Qt::Key_Return, kEvEnter);
    });
    script.add("the profile dialog: close", profiles, [] { typeKey(Qt::Key_Escape, kEvEsc); });
    // The window takes the profiles in a moment after the dialog closes.
    const auto firstRefresh = afterMs(200);
    script.add("the window refreshed once", [=] { return firstRefresh() && main(); }, [] {});
    script.add("a setting changed", main, [&] {
        tabUntil([&] { return focused() == kHitGameModeHeader; });
        typeKey(Qt::Key_Space, kEvSpace);  // open the section
        const int other = state->image.gameMode == 1 ? kHitGameModeOff : kHitGameModeOn;
        tabUntil([&] { return focused() == other; });
        typeKey(Qt::Key_Space, kEvSpace);
        EXPECT_NE(state->image.gameMode, gameModeAtStart);
        tabUntil([&] { return focused() == kHitProfiles; });
        typeKey(Qt::Key_Space, kEvSpace);
    });
    script.add("the profile dialog: load", profiles, [] {
        typeKey(Qt::Key_Down, kEvDown);
        menuKey();
    });
    script.add("the profile menu: Load", menu, [] {
        for (int i = 0; i < 4; ++i) typeKey(Qt::Key_Down, kEvDown);
        typeKey(Qt::Key_Return, kEvEnter);
    });
    script.add("the profile dialog: close again", profiles, [] { typeKey(Qt::Key_Escape, kEvEsc); });
    script.add("the profile loaded", [&] { return main() && state->image.gameMode == gameModeAtStart; }, [] {});
    countKeys("save a profile, change game mode, load the profile");
    const auto refreshed = afterMs(200);
    script.add("the window refreshed again", [=] { return refreshed() && main(); }, [] {});

    // 4. Undo: the load is taken back.
    script.add("undo", main, [&] {
        typeKey(Qt::Key_Z, kEvZ, Qt::ControlModifier);
        EXPECT_NE(state->image.gameMode, gameModeAtStart);
    });
    countKeys("undo");

    // 5. Save to the keyboard, then restore the configuration it replaced
    //    from the history (the window's menu, 配置历史, Enter).
    script.add("save", main, [&] {
        tabUntil([&] { return focused() == kHitSave; });
        typeKey(Qt::Key_Space, kEvSpace);
    });
    countKeys("save to the keyboard");
    script.add("the window's menu", main, [&] {
        EXPECT_TRUE(window->pendingText().isEmpty());
        menuKey();
    });
    script.add("配置历史", menu, [] { typeKey(Qt::Key_H, kEvH); });
    script.add("the history", [] { return openDialog<CHistoryDlg>() != nullptr; },
               [] { typeKey(Qt::Key_Return, kEvEnter); });
    script.add("restored", main, [&] {
        EXPECT_EQ(state->image.gameMode, gameModeAtStart);
        EXPECT_FALSE(window->pendingText().isEmpty());  // unsaved until saved again
    });
    countKeys("restore from the history");

    // 6. The next lighting effect: open the lighting section, Tab to the
    //    effect box, Down.
    script.add("the effect", main, [&] {
        const uint8_t effectBefore = state->image.ledEffect;
        tabUntil([&] { return focused() == kHitLightingHeader; });
        typeKey(Qt::Key_Space, kEvSpace);
        tabUntil([&] { return focused() == kHitEffectBox; });
        typeKey(Qt::Key_Down, kEvDown);
        EXPECT_NE(state->image.ledEffect, effectBefore);
    });
    countKeys("change the lighting effect");

    script.start();
    QTRY_VERIFY2_WITH_TIMEOUT(script.finished(), script.waitingFor(), 20000);
    for (const auto& [task, n] : counts) {
        std::printf("keys: %3d  %s\n", n, task);
        EXPECT_GT(n, 0) << task;
    }
}

TEST_F(KeyboardOnly, TheFocusIsMarkedFromTheKeyboardAndNotAfterTheMouse) {
    // The lighting header is the first stop; its mark is a ring just outside
    // it: white, then the accent red.
    const auto ringAround = [this](const HitRect& r) {
        window->redraw();
        const QImage frame = window->composeFrame();
        return frame.pixelColor(r.left - 2, r.top + 5) == QColor(Qt::white) &&
               frame.pixelColor(r.left - 1, r.top + 5) == QColor(0xE0, 0x26, 0x2D) &&
               frame.pixelColor(r.right + 2, r.bottom - 2) == QColor(Qt::white);
    };
    const HitRect header = window->model().buttons().rect(kHitLightingHeader);
    EXPECT_FALSE(ringAround(header));
    typeKey(Qt::Key_Tab, kEvTab);
    ASSERT_EQ(focused(), kHitLightingHeader);
    EXPECT_TRUE(ringAround(header));
    // Arrows over the keys move the ring with the focus.
    window->focusElement(kElementKeyBase + 63);
    const KeyRect& a = KeyGeometry[63].rect;
    const HitRect key{a.left + kKeyboardOriginX, a.top + kKeyboardOriginY, a.right + kKeyboardOriginX,
                      a.bottom + kKeyboardOriginY};
    EXPECT_TRUE(ringAround(key));
    EXPECT_FALSE(ringAround(header));
    // A mouse press takes the mark away; the next Tab shows it again where it was.
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(600, 500));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(600, 500));
    EXPECT_FALSE(ringAround(key));
    typeKey(Qt::Key_Tab, kEvTab);
    EXPECT_EQ(focused(), kElementKeyBase + 63);
    EXPECT_TRUE(ringAround(key));
}

}  // namespace
}  // namespace vandrel
