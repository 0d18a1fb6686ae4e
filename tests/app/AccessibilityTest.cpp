// What a screen reader finds in the program's windows: every element the
// windows draw, with its name, role and state, walked through
// QAccessible::queryAccessibleInterface as a reader walks it.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QTimer>
#include <QTest>

#include "app/model/MainWindowModel.h"
#include "app/ui/CKeyMap.h"
#include "app/ui/CConfigureDlg.h"
#include "app/ui/CHistoryDlg.h"
#include "app/ui/CInsertTextDlg.h"
#include "app/ui/CMacroRecordDlg.h"
#include "app/ui/DialogsOver.h"
#include "controls/CTransparentListBox.h"
#include "macro/MacroEvent.h"
#include "app/ui/access/Accessibility.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include "controls/CBitSlider.h"
#include "controls/VividTree.h"
#include "keymap/KeyAssignment.h"
#include "keymap/KeyState.h"
#include "macro/MacroRecord.h"
#include "tests/app/KeyInput.h"
#include "tests/support/WindowFixture.h"

namespace vandrel {
namespace {

using test::keyEvent;
using test::typeKey;
using test::WindowTest;
using namespace test::evdev;

struct Node {
    QString name;
    QAccessible::Role role;
    QAccessible::State state;
    QAccessibleInterface* iface;
};

// The window's children as a reader lists them, checking on the way that
// each knows its parent and its place.
std::vector<Node> children(QAccessibleInterface* parent) {
    std::vector<Node> out;
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* c = parent->child(i);
        EXPECT_NE(c, nullptr) << i;
        if (!c) continue;
        EXPECT_TRUE(c->isValid()) << i;
        EXPECT_EQ(c->parent(), parent) << c->text(QAccessible::Name).toStdString();
        EXPECT_EQ(parent->indexOfChild(c), i) << c->text(QAccessible::Name).toStdString();
        out.push_back({c->text(QAccessible::Name), c->role(), c->state(), c});
    }
    return out;
}

const Node* named(const std::vector<Node>& nodes, const QString& name) {
    for (const Node& n : nodes)
        if (n.name == name) return &n;
    return nullptr;
}

// Only on a list that outlives the answer.
const Node* named(std::vector<Node>&& nodes, const QString& name) = delete;

int countRole(const std::vector<Node>& nodes, QAccessible::Role role) {
    return static_cast<int>(std::count_if(nodes.begin(), nodes.end(), [role](const Node& n) { return n.role == role; }));
}


class AccessibleMainWindow : public WindowTest {
protected:
    void SetUp() override {
        installAccessibility();
        start();
        QApplication::setActiveWindow(window.get());
        window->setFocus();
    }
    QAccessibleInterface* root() { return QAccessible::queryAccessibleInterface(window.get()); }
    std::vector<Node> walk() {
        window->redraw();
        return children(root());
    }
};

TEST_F(AccessibleMainWindow, EveryDrawnControlIsNamedWithItsRole) {
    QAccessibleInterface* w = root();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->role(), QAccessible::Window);
    EXPECT_EQ(w->text(QAccessible::Name), "Vandrel");

    std::vector<Node> nodes = walk();
    int keys = 0;
    for (const Node& n : nodes) {
        EXPECT_FALSE(n.name.isEmpty()) << "an unnamed element of role " << n.role;
        // The keys: the buttons inside the keyboard picture.
        const QRect r = n.iface->rect().translated(-window->mapToGlobal(QPoint(0, 0)));
        if (n.role == QAccessible::Button && QRect(328, 153, 660, 232).contains(r)) ++keys;
    }
    // The 108 keys of the picture, the four collapsed headers, the macro
    // manager, the bottom row and the window buttons.
    EXPECT_EQ(keys, 108);
    for (const char* header : {"灯光", "按键响应时间", "USB报告率"}) {
        const Node* h = named(nodes, QString::fromUtf8(header));
        ASSERT_NE(h, nullptr) << header;
        EXPECT_EQ(h->role, QAccessible::Button);
        EXPECT_TRUE(h->state.expandable && h->state.collapsed && !h->state.expanded) << header;
    }
    for (const char* button : {"宏管理器", "配置", "恢复", "取消", "保存", "帮助", "最小化", "关闭"})
        EXPECT_NE(named(nodes, QString::fromUtf8(button)), nullptr) << button;
    const Node* status = named(nodes, QString::fromUtf8("没有未保存的更改"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->role, QAccessible::StatusBar);
    EXPECT_TRUE(status->state.focusable);
    // Keys that take no assignment say so by their state.
    const Node* fn = named(nodes, "Fn");
    ASSERT_NE(fn, nullptr);
    EXPECT_TRUE(fn->state.disabled);
    EXPECT_TRUE(named(nodes, "A")->state.focusable);
    EXPECT_FALSE(named(nodes, "A")->state.disabled);
    // Keypad keys that share a name with a key of the main block say where they are.
    EXPECT_NE(named(nodes, QString::fromUtf8("小键盘 -")), nullptr);
    EXPECT_NE(named(nodes, "-"), nullptr);

    // Opening the sections brings their controls; the sliders are the window's
    // own controls, named by what the panel draws beside them.
    for (int y : {115, 395, 450}) click(100, y);  // lighting, then game mode and response time below it
    nodes = walk();
    const Node* lighting = named(nodes, QString::fromUtf8("灯光"));
    ASSERT_NE(lighting, nullptr);
    EXPECT_TRUE(lighting->state.expanded);
    const Node* effect = named(nodes, QString::fromUtf8("效果"));
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->role, QAccessible::ComboBox);
    EXPECT_EQ(effect->iface->text(QAccessible::Value), QString::fromUtf8(effectName(state->image.ledEffect)));
    const Node* brightness = named(nodes, QString::fromUtf8("亮度"));
    ASSERT_NE(brightness, nullptr);
    EXPECT_EQ(brightness->role, QAccessible::Slider);
    EXPECT_EQ(brightness->iface->object(), window->slider(kBrightnessSliderId));
    ASSERT_NE(brightness->iface->valueInterface(), nullptr);
    EXPECT_EQ(brightness->iface->valueInterface()->currentValue().toInt(), state->image.ledBrightness);
    const Node* gameOn = named(nodes, QString::fromUtf8("游戏模式：开启"));
    const Node* gameOff = named(nodes, QString::fromUtf8("游戏模式：关闭"));
    ASSERT_TRUE(gameOn && gameOff);
    EXPECT_EQ(gameOn->role, QAccessible::RadioButton);
    EXPECT_EQ(gameOn->state.checked, state->image.gameMode == 1);
    EXPECT_EQ(gameOff->state.checked, state->image.gameMode != 1);
    // The swatches: one chosen, named by number and colour.
    int chosen = 0;
    for (const Node& n : nodes)
        if (n.role == QAccessible::RadioButton && n.name.startsWith(QString::fromUtf8("颜色 "))) chosen += n.state.checked;
    EXPECT_EQ(chosen, state->image.ledColor <= 7 ? 1 : 0);
}

// The first heading named `name` among the nodes, or null.
const Node* heading(const std::vector<Node>& nodes, const QString& name) {
    for (const Node& n : nodes)
        if (n.role == QAccessible::Heading && n.name == name) return &n;
    return nullptr;
}

TEST_F(AccessibleMainWindow, AnOpenSectionStartsWithItsHeading) {
    std::vector<Node> nodes = walk();
    EXPECT_EQ(heading(nodes, QString::fromUtf8("灯光")), nullptr);  // nothing to head while closed
    click(100, 115);
    nodes = walk();
    const Node* lighting = heading(nodes, QString::fromUtf8("灯光"));
    ASSERT_NE(lighting, nullptr);
    EXPECT_FALSE(lighting->state.focusable);
    EXPECT_EQ(lighting->iface->actionInterface()->actionNames(), QStringList());
    // Right after the header that opens it, before the section's controls.
    const auto at = [&](const Node* n) { return n - nodes.data(); };
    EXPECT_EQ(at(lighting), at(named(nodes, QString::fromUtf8("灯光"))) + 1);
    EXPECT_LT(at(lighting), at(named(nodes, QString::fromUtf8("效果"))));
    // Tab goes from the header to the effect box, past the heading.
    window->focusElement(kHitLightingHeader);
    typeKey(Qt::Key_Tab, kEvTab);
    EXPECT_EQ(window->focusedElement(), kHitEffectBox);
}

TEST_F(AccessibleMainWindow, TheClosedCombosReadTheirChoiceAsText) {
    for (int y : {115, 395, 450}) click(100, y);  // lighting, then game mode and response time below it
    state->image.responseTime = 3;
    const std::vector<Node> nodes = walk();
    const auto combo = [&](const char* name) -> QAccessibleInterface* {
        for (const Node& n : nodes)
            if (n.role == QAccessible::ComboBox && n.name == QString::fromUtf8(name)) return n.iface;
        return nullptr;
    };
    for (const char* name : {"效果", "按键响应时间"}) {
        QAccessibleInterface* box = combo(name);
        ASSERT_NE(box, nullptr) << name;
        QAccessibleTextInterface* text = box->textInterface();
        ASSERT_NE(text, nullptr) << name;
        EXPECT_FALSE(box->text(QAccessible::Value).isEmpty()) << name;
        EXPECT_EQ(text->text(0, -1), box->text(QAccessible::Value)) << name;
        EXPECT_EQ(text->characterCount(), box->text(QAccessible::Value).size()) << name;
    }
    EXPECT_EQ(combo("按键响应时间")->textInterface()->text(0, -1), QStringLiteral("6 ms"));
}

TEST_F(AccessibleMainWindow, TheReportRateReadsInHertz) {
    CBitSlider* report = window->slider(kReportSliderId);
    report->setValue(3);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(report);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("1000 Hz"));
    QAccessibleValueInterface* value = iface->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 1000);
    EXPECT_EQ(value->minimumValue().toInt(), 125);
    EXPECT_EQ(value->maximumValue().toInt(), 1000);
    // A rate set through the reader goes to the nearest step.
    value->setCurrentValue(480);
    EXPECT_EQ(report->value(), 2);
    EXPECT_EQ(value->currentValue().toInt(), 500);
    // The brightness has no unit: its number is the slider's.
    CBitSlider* brightness = window->slider(kBrightnessSliderId);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(brightness)->valueInterface()->maximumValue().toInt(),
              brightness->maximum());
}

TEST_F(AccessibleMainWindow, KeysSayWhatTheyDoAndTheirColour) {
    constexpr int kA = 63, kQ = 42, kF5 = 5, kC = 81;
    setRecordName(state->macros[0], u"Burst");
    const auto assign = [&](int slot, AssignmentRequest r) {
        r.slot = static_cast<uint8_t>(slot);
        CommitKeyAssignment(r, state->image, state->keys, state->reassigned, [](auto&, auto&) { return true; },
                            MacroSlotSyncFor(state->macros));
    };
    AssignmentRequest combo;
    combo.assignType = static_cast<uint8_t>(AssignType::KeyCombination);
    combo.codes[0] = 0xA2;  // LCtrl
    combo.codes[1] = 'C';
    combo.codeCount = 2;
    assign(kA, combo);
    AssignmentRequest macro;
    macro.assignType = static_cast<uint8_t>(AssignType::MacroKey);
    macro.macroIndex = 0;
    assign(kQ, macro);
    AssignmentRequest off;
    off.assignType = static_cast<uint8_t>(AssignType::SingleKey);
    off.codes[0] = 0x74;  // its own F5
    off.codeCount = 1;
    off.keyEnabled = false;
    assign(kF5, off);

    std::vector<Node> nodes = walk();
    EXPECT_NE(named(nodes, QString::fromUtf8("A，发送 LCtrl + C")), nullptr);
    EXPECT_NE(named(nodes, QString::fromUtf8("Q，宏 Burst")), nullptr);
    EXPECT_NE(named(nodes, QString::fromUtf8("F5，已禁用")), nullptr);
    EXPECT_NE(named(nodes, "C"), nullptr);  // unchanged keys: just their name

    // Painting custom colours: each key says its colour, so that colour is
    // never the only cue; a black key has none.
    state->image.ledEffect = 51;
    window->model().panel().diyPaintMode = true;
    uint8_t* cell = state->image.diyMaps[0] + SlotCellOffset[kC];
    cell[1] = 0xFF, cell[2] = 0, cell[3] = 0;
    nodes = walk();
    EXPECT_NE(named(nodes, QString::fromUtf8("C，红色（#FF0000）")), nullptr);
    EXPECT_NE(named(nodes, QString::fromUtf8("Q，无颜色")), nullptr);
    // While painting, the Windows key and Fn take colours too.
    const Node* fn = named(nodes, QString::fromUtf8("Fn，无颜色"));
    ASSERT_NE(fn, nullptr);
    EXPECT_FALSE(fn->state.disabled);
}

TEST_F(AccessibleMainWindow, FocusAndPressGoThroughTheReader) {
    std::vector<Node> nodes = walk();
    // Tab walks onto the first header: the reader finds it focused.
    QTest::keyClick(window.get(), Qt::Key_Tab);
    QAccessibleInterface* focus = root()->focusChild();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->text(QAccessible::Name), QString::fromUtf8("灯光"));
    EXPECT_TRUE(focus->state().focused);

    // The reader's press opens the section, as a click does.
    QAccessibleActionInterface* actions = focus->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->model().panel().lightingCollapsed);
    EXPECT_TRUE(focus->state().expanded);

    // The reader can put the focus on a key; the window's focus mark follows.
    const std::vector<Node> afterOpening = walk();
    const Node* a = named(afterOpening, "A");
    ASSERT_NE(a, nullptr);
    a->iface->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(window->model().focus().id, kElementKeyBase + 63);
    EXPECT_EQ(root()->focusChild(), a->iface);
    // childAt finds the key under a point of the screen.
    const QRect r = a->iface->rect();
    EXPECT_EQ(root()->childAt(r.center().x(), r.center().y()), a->iface);
}

TEST_F(AccessibleMainWindow, ChangesReachTheReaderAsTheyHappen) {
    // What the window tells a listening reader after each change. (Headless
    // no reader makes QAccessible active; the test takes the changes where
    // the window hands them to the reader.)
    auto* reader = dynamic_cast<DrawnWindowAccessible*>(root());
    ASSERT_NE(reader, nullptr);
    reader->takeChanges();
    const auto told = [reader](const std::vector<DrawnWindowAccessible::Change>& changes, QAccessible::Event type,
                               const QString& name) {
        for (const auto& c : changes) {
            QAccessibleInterface* iface = c.id < 0 ? reader : reader->elementInterface(c.id);
            if (c.type == type && iface->text(QAccessible::Name) == name) return true;
        }
        return false;
    };

    // The focus moving over the keys is read out key by key.
    window->focusElement(kElementKeyBase + 62);  // Caps
    reader->takeChanges();
    QTest::keyClick(window.get(), Qt::Key_Right);
    EXPECT_TRUE(told(reader->takeChanges(), QAccessible::Focus, "A"));

    // An unsaved change: the bottom line says what Save would write, and the
    // radio button now chosen says so; opening a section adds elements.
    click(100, 115);
    click(100, 395);
    std::vector<DrawnWindowAccessible::Change> changes = reader->takeChanges();
    EXPECT_TRUE(told(changes, QAccessible::ObjectReorder, "Vandrel"));
    const bool wasOn = state->image.gameMode == 1;
    click(wasOn ? 95 : 40, 427);
    changes = reader->takeChanges();
    ASSERT_FALSE(window->pendingText().isEmpty());
    EXPECT_TRUE(told(changes, QAccessible::NameChanged, window->pendingText()));
    EXPECT_TRUE(told(changes, QAccessible::StateChanged,
                     QString::fromUtf8(wasOn ? "游戏模式：关闭" : "游戏模式：开启")));

    // A key given another function is renamed where the reader sees it.
    AssignmentRequest r;
    r.slot = 63;
    r.assignType = static_cast<uint8_t>(AssignType::SingleKey);
    r.codes[0] = 'B';
    r.codeCount = 1;
    CommitKeyAssignment(r, state->image, state->keys, state->reassigned, [](auto&, auto&) { return true; },
                        MacroSlotSyncFor(state->macros));
    window->redraw();
    EXPECT_TRUE(told(reader->takeChanges(), QAccessible::NameChanged, QString::fromUtf8("A，发送 B")));
    // Nothing changed since: nothing is told.
    EXPECT_TRUE(reader->takeChanges().empty());
}

// The key-map dialog, opened for a key and driven from inside its modal loop.
class AccessibleKeyMap : public ::testing::Test {
protected:
    void SetUp() override {
        installAccessibility();
        std::memset(state->image.keyMask, 0xFF, sizeof state->image.keyMask);
    }
    // Runs the dialog for `slot`; `drive` runs inside it. Returns whether it
    // ended with OK.
    bool run(int slot, std::function<void(CKeyMap&)> drive) {
        return RunKeyMapDialog(model, test::skins().program() + "/png", nullptr, slot, *state, request,
                               [&](CKeyMap& opening) {
                                   QMetaObject::invokeMethod(
                                       &opening,
                                       [&] {
                                           QApplication::setActiveWindow(&opening);
                                           drive(opening);
                                           if (opening.isVisible()) opening.reject();
                                       },
                                       Qt::QueuedConnection);
                               });
    }
    KeyMapDialogModel model;
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    AssignmentRequest request;
};

TEST_F(AccessibleKeyMap, TheDialogIsNamedByItsKeyAndEveryPartIsThere) {
    constexpr int kA = 63;
    run(kA, [](CKeyMap& d) {
        QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&d);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->role(), QAccessible::Dialog);
        EXPECT_EQ(w->text(QAccessible::Name), QString::fromUtf8("当前按键：A"));
        std::vector<Node> nodes = children(w);
        EXPECT_EQ(countRole(nodes, QAccessible::PageTab), 4);
        const Node* keys = named(nodes, QString::fromUtf8("单键/组合键"));
        ASSERT_NE(keys, nullptr);
        EXPECT_TRUE(keys->state.selected);
        EXPECT_FALSE(named(nodes, QString::fromUtf8("宏"))->state.selected);
        // The two key fields are the dialog's own edits, named as drawn.
        const Node* single = named(nodes, QString::fromUtf8("单键"));
        ASSERT_NE(single, nullptr);
        EXPECT_EQ(single->role, QAccessible::EditableText);
        EXPECT_EQ(single->iface->object(), d.singleEdit());
        EXPECT_NE(named(nodes, QString::fromUtf8("组合键")), nullptr);
        const Node* toggle = named(nodes, QString::fromUtf8("禁用按键"));
        ASSERT_NE(toggle, nullptr);
        EXPECT_EQ(toggle->role, QAccessible::CheckBox);
        EXPECT_FALSE(toggle->state.checked);
        for (const char* button : {"初始值", "取消", "保存", "关闭"})
            EXPECT_EQ(named(nodes, QString::fromUtf8(button))->role, QAccessible::Button) << button;

        // The launch page: four rows, each a choice and its browse button.
        d.clickAt({283, 45});
        nodes = children(w);
        EXPECT_TRUE(named(nodes, QString::fromUtf8("高级功能"))->state.selected);
        EXPECT_EQ(countRole(nodes, QAccessible::RadioButton), 4);
        const Node* browse = named(nodes, QString::fromUtf8("启动程序：浏览…"));
        ASSERT_NE(browse, nullptr);
        EXPECT_EQ(browse->role, QAccessible::Button);
        // The switch, pressed through the reader, ticks.
        toggle = named(nodes, QString::fromUtf8("禁用按键"));
        toggle->iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCoreApplication::processEvents();
        EXPECT_TRUE(toggle->iface->state().checked);
    });
}

TEST_F(AccessibleKeyMap, AKeyTypedAtOpeningIsTheNewKeyAndEnterSavesIt) {
    ASSERT_TRUE(run(63, [](CKeyMap&) {
        typeKey(Qt::Key_C, kEvC);
        typeKey(Qt::Key_Return, kEvEnter);
    }));
    EXPECT_EQ(request.codes[0], 'C');
    EXPECT_EQ(request.assignType, static_cast<uint8_t>(AssignType::SingleKey));
}

TEST_F(AccessibleKeyMap, AFirstTabIsTheNewKeyAndThenEscapeCloses) {
    // The first key pressed after opening is the key's new key, whichever it
    // is; after it Tab and Escape do their usual work.
    bool armedAtOpening = false, armedAfter = true;
    QString single;
    int focusAfterTab = -1;
    EXPECT_FALSE(run(63, [&](CKeyMap& d) {
        armedAtOpening = d.capture().armed();
        typeKey(Qt::Key_Tab, kEvTab);
        armedAfter = d.capture().armed();
        single = d.singleEdit()->text();
        typeKey(Qt::Key_Tab, kEvTab);
        focusAfterTab = d.focusedElement();
        typeKey(Qt::Key_Escape, kEvEsc);  // closes without storing
    }));
    EXPECT_TRUE(armedAtOpening);
    EXPECT_FALSE(armedAfter);
    EXPECT_EQ(single.trimmed(), QStringLiteral("Tab"));
    EXPECT_EQ(focusAfterTab, kKeyMapComboField);
    EXPECT_EQ(request.codes[0], 0);
}

TEST_F(AccessibleKeyMap, AnEscapeAtOpeningIsCapturedAndEnterStoresIt) {
    ASSERT_TRUE(run(63, [&](CKeyMap&) {
        typeKey(Qt::Key_Escape, kEvEsc);  // the new key, not a cancel
        typeKey(Qt::Key_Return, kEvEnter);
    }));
    EXPECT_EQ(request.assignType, static_cast<uint8_t>(AssignType::SingleKey));
    EXPECT_EQ(request.codes[0], 0x1B);
}

TEST_F(AccessibleKeyMap, SpaceAsksForAKeyAndThenEscapeIsCaptured) {
    QString shown;
    ASSERT_TRUE(run(63, [&](CKeyMap& d) {
        typeKey(Qt::Key_C, kEvC);              // the key at opening
        typeKey(Qt::Key_Tab, kEvTab);          // to the combination field
        typeKey(Qt::Key_Space, kEvSpace);      // asks it for keys
        EXPECT_TRUE(d.capture().armed());
        keyEvent(QEvent::KeyPress, Qt::Key_Control, kEvLeftCtrl);
        typeKey(Qt::Key_Escape, kEvEsc);       // captured, not closing
        keyEvent(QEvent::KeyRelease, Qt::Key_Control, kEvLeftCtrl);
        EXPECT_FALSE(d.capture().armed());
        shown = d.combinationEdit()->text();
        typeKey(Qt::Key_Return, kEvEnter);
    }));
    EXPECT_EQ(shown, QStringLiteral("LCtrl + Esc "));
    EXPECT_EQ(request.assignType, static_cast<uint8_t>(AssignType::KeyCombination));
    EXPECT_EQ(request.codes[0], 0xA2);
    EXPECT_EQ(request.codes[1], 0x1B);
}

TEST_F(AccessibleKeyMap, ShiftTabInAKeyFieldGoesBackButShiftStillCombinesWithOtherKeys) {
    constexpr int kEvLeftShift = 42;
    const auto shifted = [&](int key, int code) {
        keyEvent(QEvent::KeyPress, Qt::Key_Shift, kEvLeftShift, Qt::ShiftModifier);
        typeKey(key, code, Qt::ShiftModifier);
        keyEvent(QEvent::KeyRelease, Qt::Key_Shift, kEvLeftShift);
    };
    QString single, combination, shiftAlone;
    ASSERT_TRUE(run(63, [&](CKeyMap& d) {
        typeKey(Qt::Key_C, kEvC);  // the key at opening
        shifted(Qt::Key_Backtab, kEvTab);
        EXPECT_EQ(d.focusedElement(), kKeyMapTabKeys);
        single = d.singleEdit()->text();
        // Into the combination field, where Shift goes with the key after it.
        typeKey(Qt::Key_Tab, kEvTab);
        typeKey(Qt::Key_Tab, kEvTab);
        ASSERT_EQ(d.focusedElement(), kKeyMapComboField);
        shifted(Qt::Key_A, kEvA);
        combination = d.combinationEdit()->text();
        // Shift pressed and let go of alone is a key too.
        shifted(Qt::Key_Backtab, kEvTab);
        ASSERT_EQ(d.focusedElement(), kKeyMapSingleField);
        keyEvent(QEvent::KeyPress, Qt::Key_Shift, kEvLeftShift, Qt::ShiftModifier);
        keyEvent(QEvent::KeyRelease, Qt::Key_Shift, kEvLeftShift);
        shiftAlone = d.singleEdit()->text();
        typeKey(Qt::Key_Return, kEvEnter);
    }));
    EXPECT_EQ(single.trimmed(), QStringLiteral("C"));
    EXPECT_EQ(combination.trimmed(), QStringLiteral("LShift + A"));
    EXPECT_EQ(shiftAlone.trimmed(), QStringLiteral("LShift"));
    EXPECT_EQ(request.assignType, static_cast<uint8_t>(AssignType::SingleKey));
    EXPECT_EQ(request.codes[0], 0xA0);
}

TEST_F(AccessibleKeyMap, AClickOnFreeSpaceMovesNothingAndADragMovesTheWindowOnce) {
    run(63, [&](CKeyMap& d) {
        int moves = 0;
        d.beginSystemMove = [&moves] { return ++moves > 0; };
        const QPoint free(100, 10);
        const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            QMouseEvent e(type, at, d.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          held, Qt::NoModifier);
            e.setTimestamp(1000);  // press and release in the same millisecond
            QApplication::sendEvent(&d, &e);
        };
        const QPoint before = d.pos();
        mouse(QEvent::MouseButtonPress, free, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, free, Qt::NoButton);
        mouse(QEvent::MouseMove, free + QPoint(30, 20), Qt::NoButton);
        EXPECT_EQ(moves, 0);
        EXPECT_EQ(d.pos(), before);
        // Pressed and moved with the button held: the window manager moves it.
        mouse(QEvent::MouseButtonPress, free, Qt::LeftButton);
        mouse(QEvent::MouseMove, free + QPoint(5, 0), Qt::LeftButton);
        mouse(QEvent::MouseMove, free + QPoint(9, 0), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, free + QPoint(9, 0), Qt::NoButton);
        EXPECT_EQ(moves, 1);
        // Where it cannot, the dialog follows the mouse until the release.
        d.beginSystemMove = [] { return false; };
        mouse(QEvent::MouseButtonPress, free, Qt::LeftButton);
        mouse(QEvent::MouseMove, free + QPoint(7, 3), Qt::LeftButton);
        EXPECT_EQ(d.pos(), before + QPoint(7, 3));
        mouse(QEvent::MouseButtonRelease, free + QPoint(7, 3), Qt::NoButton);
        mouse(QEvent::MouseMove, free + QPoint(40, 40), Qt::NoButton);
        EXPECT_EQ(d.pos(), before + QPoint(7, 3));
    });
}

TEST_F(AccessibleKeyMap, TabsArePagesTheArrowsWalkAndSpaceOpens) {
    int page = -1;
    run(63, [&](CKeyMap& d) {
        d.focusElement(kKeyMapTabKeys);
        typeKey(Qt::Key_Right, kEvRight);
        typeKey(Qt::Key_Right, kEvRight);
        EXPECT_EQ(d.focusedElement(), kKeyMapTabFunction);
        EXPECT_EQ(model.currentPage(), kPageFunction);  // each arrow opens its page
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(&d));  // still on the strip
        typeKey(Qt::Key_Space, kEvSpace);
        page = model.currentPage();
        // Tab goes on to the page's tree.
        typeKey(Qt::Key_Tab, kEvTab);
        EXPECT_EQ(d.focusedElement(), kKeyMapFunctionTree);
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(d.functionTree()));
    });
    EXPECT_EQ(page, kPageFunction);
}

// Whether the window, as last painted, shows the focus mark's white outer
// line above the middle of `r`.
bool ringShownOver(QWidget& w, const DialogRect& r) {
    const QImage painted = w.grab().toImage();
    return painted.pixelColor((r.left + r.right) / 2, r.top - 2) == QColor(Qt::white);
}

TEST_F(AccessibleKeyMap, TheFocusMarkFollowsTabOntoTheTabsSwitchAndButtons) {
    run(63, [&](CKeyMap& d) {
        const auto& b = KeyMapButtonTable;
        typeKey(Qt::Key_C, kEvC);
        typeKey(Qt::Key_Tab, kEvTab);
        ASSERT_EQ(d.focusedElement(), kKeyMapComboField);
        const DialogRect combo{20, 139, 299, 153};
        EXPECT_TRUE(ringShownOver(d, combo));
        // The mark leaves the field with the focus and lands on each drawn stop.
        for (int id : {kKeyMapDisable, kKeyMapInitial, kKeyMapCancel, kKeyMapSave, kKeyMapClose, kKeyMapTabKeys}) {
            typeKey(Qt::Key_Tab, kEvTab);
            ASSERT_EQ(d.focusedElement(), id);
            EXPECT_TRUE(ringShownOver(d, b[static_cast<size_t>(id)].rect)) << id;
            EXPECT_FALSE(ringShownOver(d, combo)) << id;
        }
        typeKey(Qt::Key_Right, kEvRight);
        EXPECT_TRUE(ringShownOver(d, b[kKeyMapTabMacro].rect));
        EXPECT_FALSE(ringShownOver(d, b[kKeyMapTabKeys].rect));
    });
}

TEST_F(AccessibleKeyMap, TheOpenPageHasAHeadingNamedAfterItsTab) {
    run(63, [](CKeyMap& d) {
        QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&d);
        std::vector<Node> nodes = children(w);
        ASSERT_EQ(countRole(nodes, QAccessible::Heading), 1);
        EXPECT_NE(heading(nodes, QString::fromUtf8("单键/组合键")), nullptr);
        d.clickAt({283, 45});  // the launch page
        nodes = children(w);
        ASSERT_EQ(countRole(nodes, QAccessible::Heading), 1);
        EXPECT_NE(heading(nodes, QString::fromUtf8("高级功能")), nullptr);
        d.clickAt({40, 45});  // back on the keys page, where the next dialog opens
    });
}

// The macro manager on a store of its own, with the desktop's key capture.
class AccessibleMacroManager : public ::testing::Test {
protected:
    void SetUp() override {
        installAccessibility();
        setRecordName((*store)[0], u"Burst");
        setRecordLoopCount((*store)[0], 1);
        dialog = std::make_unique<CMacroRecordDlg>(*store, test::skins().program() + "/png");
        dialog->askUser = [](QWidget*, const QString&, const QString&, QMessageBox::StandardButtons) {
            return QMessageBox::Ok;
        };
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    std::unique_ptr<MacroStore> store = std::make_unique<MacroStore>();
    std::unique_ptr<CMacroRecordDlg> dialog;
};

TEST_F(AccessibleMacroManager, ListsRowsButtonsAndBoxesAreNamed) {
    QAccessibleInterface* w = QAccessible::queryAccessibleInterface(dialog.get());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->role(), QAccessible::Dialog);
    EXPECT_EQ(w->text(QAccessible::Name), QString::fromUtf8("宏管理器"));
    const std::vector<Node> nodes = children(w);
    const Node* macros = named(nodes, QString::fromUtf8("选择宏"));
    ASSERT_NE(macros, nullptr);
    EXPECT_EQ(macros->role, QAccessible::List);
    const std::vector<Node> rows = children(macros->iface);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "Burst");
    EXPECT_EQ(rows[0].role, QAccessible::ListItem);
    EXPECT_TRUE(rows[0].state.selected);
    EXPECT_NE(named(nodes, QString::fromUtf8("按键系列")), nullptr);
    EXPECT_EQ(named(nodes, QString::fromUtf8("开始录制"))->role, QAccessible::Button);
    const Node* delays = named(nodes, QString::fromUtf8("记录按键动作间的延迟"));
    ASSERT_NE(delays, nullptr);
    EXPECT_EQ(delays->role, QAccessible::CheckBox);
    const Node* loops = named(nodes, QString::fromUtf8("循环次数"));
    ASSERT_NE(loops, nullptr);
    EXPECT_EQ(loops->role, QAccessible::CheckBox);
    EXPECT_EQ(countRole(nodes, QAccessible::CheckBox), 2);
    EXPECT_EQ(countRole(nodes, QAccessible::EditableText), 1);  // the loop count
    for (const char* button : {"新建", "删除", "确定", "取消"}) EXPECT_NE(named(nodes, QString::fromUtf8(button)), nullptr) << button;
    EXPECT_EQ(static_cast<int>(nodes.size()), 10);
}

TEST_F(AccessibleMacroManager, ARecordingStartedFromTheKeyboardEndsWithEscape) {
    // Tab from the macro list to the event list and on to the record button.
    typeKey(Qt::Key_Tab, kEvTab);
    typeKey(Qt::Key_Tab, kEvTab);
    ASSERT_EQ(dialog->focusedElement(), kMacroHitRecord);
    typeKey(Qt::Key_Space, kEvSpace);
    ASSERT_TRUE(dialog->model().manager().recording());
    typeKey(Qt::Key_A, kEvA);
    typeKey(Qt::Key_Tab, kEvTab);  // recorded like any key
    keyEvent(QEvent::KeyPress, Qt::Key_Escape, kEvEsc);
    EXPECT_FALSE(dialog->model().manager().recording());
    keyEvent(QEvent::KeyRelease, Qt::Key_Escape, kEvEsc);
    QStringList events;
    for (int i = 0; i < dialog->eventList()->count(); ++i) events << dialog->eventList()->rowText(i).simplified();
    EXPECT_EQ(events, QStringList({"A dn", "A up", "Tab dn", "Tab up"}));
    // The window is still open; Escape now closes it, asking first about the
    // recording it would drop.
    EXPECT_TRUE(dialog->isVisible());
    QStringList asked;
    dialog->askUser = [&asked](QWidget*, const QString&, const QString& text, QMessageBox::StandardButtons) {
        asked << text;
        return QMessageBox::Discard;
    };
    typeKey(Qt::Key_Escape, kEvEsc);
    EXPECT_EQ(asked.size(), 1);
    EXPECT_FALSE(dialog->isVisible());
}

TEST(AccessibleProfileDialog, TheListAndItsCommandsAreReachable) {
    installAccessibility();
    test::TempFolder data;
    auto image = std::make_unique<DeviceImage>();
    auto records = std::make_unique<KeyRecordTable>();
    CConfigureDlg dialog(test::skins().program() + "/png", data.path() / "Configure", *image, *records);
    dialog.model().ports().message = [](const std::u16string&, const std::u16string&) {};
    int menus = 0;
    dialog.chooseMenuCommand = [&](const QPoint&) {
        ++menus;
        return ProfileCommand::None;
    };
    dialog.showFocusMark(true);  // opened from the keyboard
    dialog.prepare();
    dialog.show();
    QApplication::setActiveWindow(&dialog);

    QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&dialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->role(), QAccessible::Dialog);
    EXPECT_EQ(w->text(QAccessible::Name), QString::fromUtf8("配置"));
    std::vector<Node> nodes = children(w);
    ASSERT_EQ(nodes.size(), 4u);
    EXPECT_EQ(nodes[0].role, QAccessible::List);
    EXPECT_EQ(nodes[0].iface->object(), dialog.list());
    EXPECT_FALSE(nodes[0].iface->text(QAccessible::Description).isEmpty());  // says where the commands are
    for (const char* button : {"新建", "删除", "关闭"})
        EXPECT_EQ(named(nodes, QString::fromUtf8(button))->role, QAccessible::Button) << button;

    // Tab to New, Space: a profile is made and listed, its row named.
    const int before = dialog.list()->count();
    typeKey(Qt::Key_Tab, kEvTab);
    EXPECT_EQ(dialog.focusedElement(), kProfileElementNew);
    typeKey(Qt::Key_Space, kEvSpace);
    ASSERT_EQ(dialog.list()->count(), before + 1);
    const std::vector<Node> rows = children(QAccessible::queryAccessibleInterface(dialog.list()));
    ASSERT_EQ(static_cast<int>(rows.size()), before + 1);
    EXPECT_EQ(rows.back().name, dialog.list()->rowText(before));
    // Back on the list, the menu key asks for the row's commands.
    typeKey(Qt::Key_Tab, kEvTab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(dialog.list()));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), dialog.list()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dialog.list(), &menuKey);
    EXPECT_EQ(menus, 1);
    typeKey(Qt::Key_Escape, kEvEsc);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(AccessibleHistoryDialog, RowsAreReadInFullAndEnterRestoresTheFocusedOne) {
    installAccessibility();
    std::vector<HistoryRow> rows(3);
    for (int i = 0; i < 3; ++i) {
        rows[i].entry.takenMs = 1'800'000'000'000LL - i * 60'000;
        rows[i].differs = i == 1 ? "灯光、按键 3 个、宏 2 个、自定义灯光 1 个、USB报告率、按键响应时间、游戏模式" : "灯光";
    }
    CHistoryDlg dialog(test::skins().program() + "/png", rows);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&dialog);
    EXPECT_EQ(w->text(QAccessible::Name), QString::fromUtf8("配置历史"));
    const std::vector<Node> nodes = children(w);
    EXPECT_EQ(countRole(nodes, QAccessible::ListItem), 3);
    // A long row is read in full, though drawn cut short.
    EXPECT_TRUE(nodes[1].name.endsWith(QString::fromUtf8("游戏模式")));
    EXPECT_TRUE(nodes[0].state.selected);
    EXPECT_EQ(named(nodes, QString::fromUtf8("恢复"))->role, QAccessible::Button);

    typeKey(Qt::Key_Tab, kEvTab);  // shows the focus on the newest row
    EXPECT_EQ(dialog.focusedElement(), HistoryDialogModel::kRowElementBase);
    typeKey(Qt::Key_Down, kEvDown);
    typeKey(Qt::Key_Down, kEvDown);
    typeKey(Qt::Key_Return, kEvEnter);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.chosen().has_value());
    EXPECT_EQ(dialog.chosen()->takenMs, rows[2].entry.takenMs);
}

// Each kind of dialog, run over a main window as a window of its own (X11)
// and drawn inside it (Wayland): what the reader finds of it while it runs.
struct ReadDialog {
    QAccessible::Role role;
    QString name;
    bool operator==(const ReadDialog& o) const { return role == o.role && name == o.name; }
};

ReadDialog readWhileRunning(QDialog& dialog, QWidget& host, bool inside) {
    ReadDialog seen{QAccessible::NoRole, QStringLiteral("not shown")};
    QTimer::singleShot(0, &dialog, [&] {
        QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&dialog);
        if (w) seen = {w->role(), w->text(QAccessible::Name)};
        // Drawn inside, what holds it is named as the dialog too.
        if (w && inside && w->parent()) {
            EXPECT_EQ(w->parent()->text(QAccessible::Name), seen.name);
        }
        dialog.reject();
    });
    runDialogOver(dialog, &host, std::nullopt, inside);
    return seen;
}

TEST(AccessibleDialogs, ADialogIsReadTheSameInItsOwnWindowAndDrawnInsideTheMainWindow) {
    installAccessibility();
    QWidget host;
    host.resize(1000, 700);
    host.show();
    InsertTextModel insertModel(KeyboardLayout::fromNames("us"), {}, DeadKeyRules(), 100);
    for (const bool inside : {false, true}) {
        SCOPED_TRACE(inside ? "inside" : "own window");
        CHistoryDlg history(test::skins().program() + "/png", std::vector<HistoryRow>(1), &host);
        EXPECT_EQ(readWhileRunning(history, host, inside), (ReadDialog{QAccessible::Dialog, QString::fromUtf8("配置历史")}));
        CInsertTextDlg insert(insertModel, &host);
        EXPECT_EQ(readWhileRunning(insert, host, inside), (ReadDialog{QAccessible::Dialog, QString::fromUtf8("插入文本")}));
        QMessageBox box(QMessageBox::Question, QStringLiteral("Reset"), QStringLiteral("Sure?"), QMessageBox::Ok, &host);
        EXPECT_EQ(readWhileRunning(box, host, inside).name, QStringLiteral("Reset"));
    }
}

TEST_F(AccessibleMacroManager, TheOptionBoxesSayTheyAreRecordingOptions) {
    const std::vector<Node> nodes = children(QAccessible::queryAccessibleInterface(dialog.get()));
    for (const char* box : {"记录按键动作间的延迟", "循环次数"}) {
        const Node* n = named(nodes, QString::fromUtf8(box));
        ASSERT_NE(n, nullptr) << box;
        EXPECT_EQ(n->iface->text(QAccessible::Description), QString::fromUtf8("录制选项")) << box;
    }
}

TEST(AccessibleHistoryDialog, TheLinesThatExplainItAreRead) {
    installAccessibility();
    const QString restoreHelp = QString::fromUtf8("恢复后单击“保存”写入键盘；Ctrl+Z 可撤销。");
    for (const size_t count : {size_t{0}, size_t{2}}) {
        SCOPED_TRACE(count);
        CHistoryDlg dialog(test::skins().program() + "/png", std::vector<HistoryRow>(count));
        dialog.show();
        const std::vector<Node> nodes = children(QAccessible::queryAccessibleInterface(&dialog));
        EXPECT_NE(named(nodes, QString::fromUtf8("保存、恢复出厂设置或载入配置前的设置都保留在这里（最近 20 份）。")), nullptr);
        const Node* none = named(nodes, QString::fromUtf8("还没有保存过：第一次保存后，这里会列出保存前的设置。"));
        EXPECT_EQ(none != nullptr, count == 0);
        if (none) {
            EXPECT_EQ(none->role, QAccessible::StaticText);
        }
        EXPECT_EQ(named(nodes, QString::fromUtf8("恢复"))->iface->text(QAccessible::Description), restoreHelp);
        EXPECT_EQ(countRole(nodes, QAccessible::ListItem), static_cast<int>(count));
    }
}

}  // namespace
}  // namespace vandrel
