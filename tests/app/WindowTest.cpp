// The main window on the simulated keyboard, headless: clicks at window
// coordinates, what they change in the configuration and on the keyboard, and
// what the composed window shows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>
#include <cstring>

#include <sys/stat.h>

#include "app/draw/SkinText.h"
#include "app/model/ConfigHistory.h"
#include "app/ui/CKeyMap.h"
#include "app/ui/CConfigureDlg.h"
#include "app/ui/CHistoryDlg.h"
#include "app/ui/CMacroRecordDlg.h"
#include "app/ui/CTarvinDlg.h"
#include "controls/CBitSlider.h"
#include "controls/VividTree.h"
#include "util/Utf16.h"
#include "controls/CSplashScreen.h"
#include "controls/CEditHelper.h"
#include "controls/CTransparentListBox.h"
#include "device/DeviceSession.h"
#include "keys/KeyNameTable.h"
#include "keymap/KeyState.h"
#include "keymap/LaunchAssignment.h"
#include "keymap/KeymapFile.h"
#include "layout/KeyLegends.h"
#include "macro/MacroSlot.h"
#include "macro/MacroStoreFile.h"
#include "profile/ConfigurationCheck.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "skins/SkinSet.h"
#include "tests/support/WindowFixture.h"
#include "tests/device/SimFixture.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitWhileBusy.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::keyCentre;
using test::qpath;
using test::readAll;
using test::skins;
using test::TempFolder;
using test::WindowTest;

// Whether the key's rectangle in the frame equals the same rectangle of a
// picture of the keyboard.
bool keyLooksLike(const QImage& frame, const QImage& picture, int slot) {
    const KeyRect& r = KeyGeometry[slot].rect;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (frame.pixel(x + kKeyboardOriginX, y + kKeyboardOriginY) != picture.pixel(x, y)) return false;
    return true;
}

// Whether key `slot` in the frame equals key `other` (of the same size) of a
// picture of the keyboard: the same cap with the same legend.
bool keyLooksLikeKey(const QImage& frame, int slot, const QImage& picture, int other) {
    const KeyRect& r = KeyGeometry[slot].rect;
    const KeyRect& o = KeyGeometry[other].rect;
    for (int y = 0; y < r.bottom - r.top; ++y)
        for (int x = 0; x < r.right - r.left; ++x)
            if (frame.pixel(r.left + x + kKeyboardOriginX, r.top + y + kKeyboardOriginY) !=
                picture.pixel(o.left + x, o.top + y))
                return false;
    return true;
}

// Whether some pixel of the rectangle has moved from `fill` at least halfway
// towards `ink` in every channel (antialiased text rarely covers a pixel fully).
bool rectHasInk(const QImage& img, const QRect& r, QColor fill, QColor ink) {
    auto halfway = [](int p, int from, int to) { return std::abs(p - from) * 2 >= std::abs(to - from); };
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (halfway(c.red(), fill.red(), ink.red()) && halfway(c.green(), fill.green(), ink.green()) &&
                halfway(c.blue(), fill.blue(), ink.blue()))
                return true;
        }
    return false;
}

TEST_F(WindowTest, StartUpEndsWithTheKeyboardsValues) {
    // keymap.bin from an earlier run: its image part is loaded first, then
    // the keyboard's values replace every device section.
    auto earlier = std::make_unique<AppState>();
    earlier->image.ledBrightness = 11;
    earlier->image.head[3] = 0x77;
    ASSERT_TRUE(SaveKeymapFile(data.path(), earlier->image, earlier->keys));
    DeviceImage onKeyboard = keyboard.config();
    onKeyboard.ledBrightness = 37;
    onKeyboard.reportRate = 2;
    keyboard.setConfig(onKeyboard);

    start();
    EXPECT_EQ(state->image.ledBrightness, 37);
    EXPECT_EQ(state->image.head[3], 0x77);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_EQ(window->slider(kBrightnessSliderId)->value(), 37);
    EXPECT_EQ(window->slider(kReportSliderId)->value(), 2);
    EXPECT_EQ(keymapFileImage(), state->image);
    EXPECT_EQ(state->appVersion.major, 1);
    EXPECT_EQ(state->appVersion.minor, 1);
    EXPECT_EQ(window->size(), QSize(1000, 640));
}

TEST_F(WindowTest, ReassignedKeysAreLitButNeverTheWindowsKey) {
    start();
    state->reassigned[42] = 1;
    state->reassigned[kLeftWinSlot] = 1;
    const QImage f = frame();
    const QImage lit = skins().image("kb_hl.png"), dark = skins().image("kb_BK.png");
    EXPECT_TRUE(keyLooksLike(f, lit, 42));
    EXPECT_TRUE(keyLooksLike(f, dark, kLeftWinSlot));
    EXPECT_TRUE(keyLooksLike(f, dark, 43));
}

TEST_F(WindowTest, KeyLegendsFollowTheKeyboardLayoutUnlessThePrintedOnesAreChosen) {
    start();
    const QImage dark = skins().image("kb_BK.png"), lit = skins().image("kb_hl.png");
    // German: the US "Y" key types Z and the "Z" key Y; their caps swap
    // legends, drawn as the picture draws a printed one. Q stays as printed.
    window->setKeyboardLayout(KeyboardLayout::fromNames("de"));
    EXPECT_TRUE(keyLooksLikeKey(frame(), 47, dark, 79));
    EXPECT_TRUE(keyLooksLikeKey(frame(), 79, dark, 47));
    EXPECT_TRUE(keyLooksLike(frame(), dark, 42));
    EXPECT_FALSE(keyLooksLike(frame(), dark, 72));  // ";" types Ö
    state->reassigned[47] = 1;
    EXPECT_TRUE(keyLooksLikeKey(frame(), 47, lit, 79));
    state->reassigned[47] = 0;

    EXPECT_EQ(window->dialogKeyNames().name(0x59), u"Z ");

    QSignalSpy remembered(window.get(), &CTarvinDlg::legendsFollowLayoutChanged);
    window->setLegendsFollowLayout(false);
    EXPECT_TRUE(keyLooksLike(frame(), dark, 47));
    EXPECT_TRUE(keyLooksLike(frame(), dark, 72));
    EXPECT_EQ(window->dialogKeyNames().name(0x59), u"Y ");
    EXPECT_EQ(remembered.count(), 1);
    window->setLegendsFollowLayout(true);
    EXPECT_TRUE(keyLooksLikeKey(frame(), 47, dark, 79));
    window->setKeyboardLayout(KeyboardLayout::fromNames("us"));
    EXPECT_TRUE(keyLooksLike(frame(), dark, 47));
    EXPECT_TRUE(keyLooksLike(frame(), dark, 72));
}

TEST_F(WindowTest, PaintedKeysShowTheirLegendInTheKeyboardLayout) {
    start();
    state->image.ledEffect = 51;
    window->model().panel().diyPaintMode = true;
    for (int slot : {47, 79}) {
        uint8_t* cell = state->image.diyMaps[0] + SlotCellOffset[slot];
        cell[1] = 200, cell[2] = 180, cell[3] = 20;
    }
    const QImage us = frame();
    window->setKeyboardLayout(KeyboardLayout::fromNames("de"));
    EXPECT_TRUE(keyLooksLikeKey(frame(), 47, us.copy(kKeyboardOriginX, kKeyboardOriginY, 700, 300), 79));
}

TEST_F(WindowTest, DiyColoursWithComplementaryLabels) {
    start();
    state->image.ledEffect = 51;
    window->model().panel().diyPaintMode = true;
    auto paint = [this](int slot, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* cell = state->image.diyMaps[0] + SlotCellOffset[slot];
        cell[1] = r, cell[2] = g, cell[3] = b;
    };
    paint(42, 10, 200, 30);
    paint(16, 255, 0, 0);  // a media key: never coloured
    state->reassigned[44] = 1;
    QImage f = frame();
    const QImage dark = skins().image("kb_BK.png");
    const KeyRect& r = KeyGeometry[42].rect;
    const QRect key(r.left + kKeyboardOriginX, r.top + kKeyboardOriginY, r.right - r.left, r.bottom - r.top);
    EXPECT_EQ(f.pixel(key.left(), key.bottom()), qRgb(10, 200, 30));
    EXPECT_TRUE(rectHasInk(f, key, QColor(10, 200, 30), QColor(245, 55, 225)));
    EXPECT_TRUE(keyLooksLike(f, dark, 43));  // black: the picture shows
    EXPECT_TRUE(keyLooksLike(f, dark, 16));
    EXPECT_TRUE(keyLooksLike(f, dark, 44));  // no highlight while painting

    // A built-in effect while painting mode stays on: no overlay at all.
    state->image.ledEffect = 2;
    f = frame();
    EXPECT_TRUE(keyLooksLike(f, dark, 42));
    EXPECT_TRUE(keyLooksLike(f, dark, 44));
}

TEST_F(WindowTest, SectionsMoveBy195And35Pixels) {
    start();
    const QImage collapsed = frame();
    click(100, 115);  // open the lighting section
    const QImage lighting = frame();
    EXPECT_EQ(collapsed.copy(19, 195, 243, 20), lighting.copy(19, 390, 243, 20));
    EXPECT_EQ(collapsed.copy(19, 250, 243, 20), lighting.copy(19, 445, 243, 20));

    click(100, 490);  // open the report-rate section, at 485 below the open lighting
    ASSERT_FALSE(window->model().panel().reportCollapsed);
    EXPECT_EQ(window->slider(kReportSliderId)->geometry().top(), 485 + 23);
    const QImage responseShut = frame();
    click(100, 450);  // open the response-time section: report moves down by 35
    const QImage responseOpen = frame();
    EXPECT_EQ(responseShut.copy(19, 485, 243, 20), responseOpen.copy(19, 520, 243, 20));
    EXPECT_EQ(window->slider(kReportSliderId)->geometry().top(), 520 + 23);
    EXPECT_TRUE(window->slider(kReportSliderId)->isVisible());
}

TEST_F(WindowTest, EffectListEdges) {
    start();
    click(100, 115);
    state->image.ledEffect = 2;
    click(100, 165);
    ASSERT_TRUE(window->model().panel().effectListOpen);
    const QImage open = frame();
    EXPECT_EQ(open.pixel(240, 185), qRgb(59, 59, 59));
    click(100, 493);
    EXPECT_FALSE(window->model().panel().effectListOpen);
    EXPECT_EQ(state->image.ledEffect, 2);
    click(100, 165);
    click(100, 492);
    EXPECT_EQ(state->image.ledEffect, 55);
    EXPECT_TRUE(window->model().panel().diyPaintMode);
    click(100, 165);  // opened again: the last choice is highlighted
    EXPECT_EQ(frame().pixel(240, 485), qRgb(80, 0, 0));
}

TEST_F(WindowTest, SwatchRulesForSteadyWaveAndNeon) {
    start();
    click(100, 115);
    const QImage multicolour = skins().image("8.png");
    for (uint8_t effect : {uint8_t(3), uint8_t(8)}) {
        state->image.ledEffect = effect;
        state->image.ledColor = 2;
        QImage f = frame();
        EXPECT_EQ(state->image.ledColor, 8);
        EXPECT_EQ(f.pixel(30, 225), qRgb(192, 192, 192));
        EXPECT_EQ(f.pixel(210, 230), multicolour.pixel(7, 7));
        click(60, 230);
        EXPECT_EQ(state->image.ledColor, 8);
    }
    state->image.ledEffect = 1;
    state->image.ledColor = 1;
    std::memcpy(state->image.ledPalette[0], "\x11\x22\x33", 3);
    const QImage steady = frame();
    EXPECT_EQ(steady.pixel(30, 225), qRgb(0x11, 0x22, 0x33));
    EXPECT_NE(steady.pixel(210, 230), multicolour.pixel(7, 7));
    click(210, 230);
    EXPECT_EQ(state->image.ledColor, 1);
}

TEST_F(WindowTest, ColourPickerForPaletteAndKeys) {
    start();
    click(100, 115);
    state->image.ledEffect = 2;
    state->image.ledColor = 3;
    std::memcpy(state->image.ledPalette[2], "\x40\x50\x60", 3);
    pickerAnswer = std::nullopt;
    click(80, 230);  // the chosen swatch, cancelled
    EXPECT_EQ(pickerInitial, QColor(0x40, 0x50, 0x60));
    EXPECT_EQ(state->image.ledPalette[2][0], 0x40);
    pickerAnswer = QColor(1, 2, 3);
    click(80, 230);
    EXPECT_EQ(state->image.ledPalette[2][0], 1);
    EXPECT_EQ(state->image.ledPalette[2][2], 3);

    state->image.ledEffect = 52;
    window->model().panel().diyPaintMode = true;
    pickerAnswer = QColor(9, 8, 7);
    // Until a brush colour is chosen a click opens the colour dialog; after,
    // Shift+click does.
    const QPoint win = keyCentre(kLeftWinSlot);
    click(win.x(), win.y());
    const uint8_t* cell = state->image.diyMaps[1] + SlotCellOffset[kLeftWinSlot];
    EXPECT_EQ(cell[1], 9);
    EXPECT_EQ(cell[3], 7);
    window->model().diy().setBrush({1, 1, 1});
    pickerAnswer = QColor(4, 5, 6);
    QTest::mouseClick(window.get(), Qt::LeftButton, Qt::ShiftModifier, win);
    EXPECT_EQ(cell[1], 4);
    click(win.x(), win.y());
    EXPECT_EQ(cell[1], 1);
}

TEST_F(WindowTest, LogoStripDoesNothing) {
    start();
    const DeviceImage before = state->image;
    const QPoint pos = window->pos();
    const QImage f = frame();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(100, 60));
    QTest::mouseMove(window.get(), QPoint(140, 80));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(140, 80));
    EXPECT_EQ(state->image, before);
    EXPECT_EQ(window->pos(), pos);
    EXPECT_EQ(frame(), f);
}

TEST_F(WindowTest, SliderClicksReachTheConfiguration) {
    start();
    click(100, 115);
    CBitSlider* brightness = window->slider(kBrightnessSliderId);
    ASSERT_TRUE(brightness->isVisible());
    QTest::mouseClick(brightness, Qt::LeftButton, {}, QPoint(CBitSlider::kChannelLeft + 100, 8));
    EXPECT_EQ(brightness->value(), 25);
    EXPECT_EQ(state->image.ledBrightness, 25);
    QWheelEvent wheel(QPointF(50, 8), brightness->mapToGlobal(QPointF(50, 8)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(brightness, &wheel);
    EXPECT_EQ(brightness->value(), 25);
    // Keys of the dialog manager never close the window.
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_F1}) QTest::keyClick(window.get(), Qt::Key(key));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, SaveSendsTheEditsAndTakesNoInputMeanwhile) {
    start();
    window->slider(kBrightnessSliderId)->setValue(20);
    state->image.ledEffect = 4;
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(940, 620));
    EXPECT_TRUE(window->busy());
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(100, 115));  // ignored
    test::waitWhileBusy(window->service());
    EXPECT_TRUE(window->model().panel().lightingCollapsed);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(keyboard.config().ledBrightness, 20);
    EXPECT_EQ(keyboard.config().ledEffect, 4);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_EQ(keymapFileImage(), state->image);
}

TEST_F(WindowTest, CtrlSSavesAsTheSaveButtonDoes) {
    start();
    window->slider(kBrightnessSliderId)->setValue(20);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    test::waitWhileBusy(window->service());
    EXPECT_EQ(keyboard.config().ledBrightness, 20);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_EQ(keymapFileImage(), state->image);
}

TEST_F(WindowTest, SaveThatIsNotAcknowledgedSavesNothing) {
    struct Case { const char* name; std::function<void(SimKeyboard&)> fault; const char* says; };
    const Case cases[] = {
        {"silent", [](SimKeyboard& k) { k.setAcknowledging(false); }, "键盘没有响应，设置未保存！"},
        {"unplugged", [](SimKeyboard& k) { k.unplugAfterRequests(3); }, "键盘已断开连接，设置未保存！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        const DeviceImage shadow = state->shadow;
        state->image.ledEffect = 5;
        std::memset(state->image.diyMaps[4], 0x42, 16);
        c.fault(keyboard);
        click(940, 620);
        ASSERT_EQ(warnings.size(), 1);
        EXPECT_EQ(warnings.first(), QString::fromUtf8("保存:") + QString::fromUtf8(c.says));
        EXPECT_EQ(state->shadow, shadow);
        EXPECT_EQ(keymapFileImage(), state->image);  // the edits are kept on disk
        EXPECT_EQ(state->image.ledEffect, 5);
        warnings.clear();
        window.reset();
        keyboard.plug();
        keyboard.setAcknowledging(true);
    }
}

TEST_F(WindowTest, CancelRestoresWhatTheKeyboardHolds) {
    start();
    const DeviceImage shadow = state->shadow;
    window->slider(kBrightnessSliderId)->setValue(shadow.ledBrightness == 3 ? 4 : 3);
    state->keys[42].type = 3;
    click(880, 620);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(state->image, shadow);
    EXPECT_EQ(state->keys[42].type, 0);
    EXPECT_EQ(window->slider(kBrightnessSliderId)->value(), shadow.ledBrightness);
    EXPECT_EQ(keymapFileImage(), shadow);
    EXPECT_TRUE(keyboard.events().empty());
}

TEST_F(WindowTest, FactoryResetAsksThenResetsEverything) {
    DeviceImage custom = keyboard.config();
    custom.ledEffect = 13;
    custom.keyMask[3] = 0;
    keyboard.setConfig(custom);
    start();
    click(100, 115);
    state->keys[42].type = 3;
    state->reassigned[42] = 1;

    confirmReset = false;
    click(820, 620);
    EXPECT_TRUE(keyboard.events().empty());
    EXPECT_EQ(state->keys[42].type, 3);

    confirmReset = true;
    click(820, 620);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_NE(keyboard.config().ledEffect, 13);
    EXPECT_EQ(state->image.ledEffect, keyboard.config().ledEffect);
    for (uint8_t b : state->image.keyMask) EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(state->keys[42].type, 0);
    EXPECT_EQ(state->reassigned[42], 0);
    EXPECT_TRUE(window->model().panel().lightingCollapsed);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_EQ(window->slider(kBrightnessSliderId)->value(), state->image.ledBrightness);
}

// The configuration history keeps what a factory reset or a loaded profile
// replaces, and a snapshot that cannot be written is told, not dropped.
TEST_F(WindowTest, ResetAndProfileLoadKeepWhatTheyReplaceInTheHistory) {
    DeviceImage custom = keyboard.config();
    custom.ledEffect = 13;
    keyboard.setConfig(custom);
    start();
    SnapshotStore store(snapshotFolder(data.path()));
    auto snap = std::make_unique<Snapshot>();

    click(820, 620);  // factory reset
    ASSERT_EQ(store.list().size(), 1u);
    ASSERT_TRUE(store.load(store.list().front(), *snap));
    EXPECT_EQ(snap->image.ledEffect, 13);
    EXPECT_NE(state->image.ledEffect, 13);

    // A profile dialog that loads nothing keeps nothing; a load keeps the
    // configuration being edited, unsaved edits included.
    window->hooks().runProfileDialog = [](QWidget*) { return true; };
    click(50, 620);
    EXPECT_EQ(store.list().size(), 1u);
    state->image.ledBrightness = 21;  // an unsaved edit
    window->hooks().runProfileDialog = [this](QWidget*) {
        state->image.ledBrightness = 9;
        return true;
    };
    click(50, 620);
    ASSERT_EQ(store.list().size(), 2u);
    ASSERT_TRUE(store.load(store.list().front(), *snap));
    EXPECT_EQ(snap->image.ledBrightness, 21);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();

    // "History" is no folder: the save still goes through, and the window says so.
    std::filesystem::remove_all(store.folder());
    test::writeAll(store.folder(), {1});
    QTRY_COMPARE_WITH_TIMEOUT(window->slider(kBrightnessSliderId)->value(), 9, 2000);
    click(940, 620);  // save
    EXPECT_EQ(keyboard.config().ledBrightness, 9);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("History")) << warnings[0].toStdString();
}

TEST_F(WindowTest, CloseKeepsOnlyWhatTheKeyboardHolds) {
    start();
    QSignalSpy exit(window.get(), &CTarvinDlg::exitRequested);
    state->image.ledEffect = 6;
    click(985, 12);
    EXPECT_EQ(exit.count(), 1);
    EXPECT_EQ(keymapFileImage(), state->shadow);
    EXPECT_NE(keymapFileImage().ledEffect, 6);
}

TEST_F(WindowTest, CloseWithUnsavedChangesAsksSaveDiscardOrCancel) {
    // Nothing unsaved: the close is as it always was, without a question.
    start();
    QSignalSpy exit(window.get(), &CTarvinDlg::exitRequested);
    click(985, 12);
    EXPECT_EQ(exit.count(), 1);
    EXPECT_TRUE(closeQuestions.isEmpty());

    // Cancel: the window stays with the change, nothing is written.
    restart();
    QSignalSpy cancelled(window.get(), &CTarvinDlg::exitRequested);
    const DeviceImage before = keyboard.config();
    state->image.ledEffect = 6;
    const std::vector<uint8_t> fileBefore = readAll(KeymapFilePath(data.path()));
    closeAnswer = CloseChoice::Cancel;
    click(985, 12);
    ASSERT_EQ(closeQuestions.size(), 1);
    EXPECT_TRUE(closeQuestions[0].contains(window->pendingText())) << closeQuestions[0].toStdString();
    EXPECT_EQ(cancelled.count(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(state->image.ledEffect, 6);
    EXPECT_EQ(readAll(KeymapFilePath(data.path())), fileBefore);
    EXPECT_EQ(keyboard.config(), before);

    // Save, but the keyboard does not take it: the window stays open.
    closeAnswer = CloseChoice::Save;
    keyboard.setAcknowledging(false);
    click(985, 12);
    EXPECT_EQ(cancelled.count(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_NE(state->shadow.ledEffect, 6);

    // Save: the keyboard gets the change, then the program ends.
    keyboard.setAcknowledging(true);
    click(985, 12);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_EQ(keyboard.config().ledEffect, 6);
    EXPECT_EQ(keymapFileImage(), state->shadow);
    EXPECT_EQ(keymapFileImage().ledEffect, 6);

    // Discard: the program ends with keymap.bin as the keyboard holds it.
    restart();
    QSignalSpy discarded(window.get(), &CTarvinDlg::exitRequested);
    state->image.ledEffect = 2;
    closeAnswer = CloseChoice::Discard;
    click(985, 12);
    EXPECT_EQ(discarded.count(), 1);
    EXPECT_EQ(keyboard.config().ledEffect, 6);
    EXPECT_EQ(keymapFileImage().ledEffect, 6);
}

// SIGTERM, SIGINT and the session ending: nobody can be asked, so the
// keyboard stays as it is and keymap.bin gets what it holds.
TEST_F(WindowTest, EndingWithoutAskingLeavesTheKeyboardAndTheFilesAgreeing) {
    start();
    QSignalSpy exit(window.get(), &CTarvinDlg::exitRequested);
    window->hooks().runKeyMapDialog = [](QWidget*, const KeyEditTarget&, AssignmentRequest& request) {
        request.assignType = static_cast<uint8_t>(AssignType::SingleKey);
        request.codes[0] = 0x41;  // A
        request.codeCount = 1;
        return true;
    };
    const QPoint q = keyCentre(42);
    click(q.x(), q.y());
    ASSERT_EQ(state->keys[42].length, 1);
    window->endWithoutAsking();
    EXPECT_EQ(exit.count(), 1);
    EXPECT_TRUE(closeQuestions.isEmpty());
    EXPECT_TRUE(keyboard.events().empty());
    const std::vector<uint8_t> file = readAll(KeymapFilePath(data.path()));
    ASSERT_EQ(file.size(), kKeymapFileBytes);
    EXPECT_EQ(keymapFileImage(), state->shadow);
    KeyRecord stored;
    std::memcpy(&stored, file.data() + sizeof(DeviceImage) + 42 * sizeof(KeyRecord), sizeof stored);
    EXPECT_EQ(stored.type, 0);
    EXPECT_EQ(stored.length, 0);

    // During a save the end waits for the save, so that keymap.bin gets what
    // the save left on the keyboard.
    restart();
    QSignalSpy later(window.get(), &CTarvinDlg::exitRequested);
    state->image.ledBrightness = 12;
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(940, 620));
    ASSERT_TRUE(window->busy());
    window->endWithoutAsking();
    EXPECT_EQ(later.count(), 0);
    test::waitWhileBusy(window->service());
    EXPECT_EQ(later.count(), 1);
    EXPECT_EQ(keyboard.config().ledBrightness, 12);
    EXPECT_EQ(keymapFileImage().ledBrightness, 12);
    EXPECT_EQ(state->shadow, state->image);
}

// A run that ended without its close (kill -9, a crash) left a key record
// the keyboard never got: the next start puts it back and says so.
TEST_F(WindowTest, KeyRecordsTheKeyboardDoesNotHoldArePutBackAtStart) {
    start();
    auto assign = [this](int slot, uint8_t vk) {
        window->hooks().runKeyMapDialog = [vk](QWidget*, const KeyEditTarget&, AssignmentRequest& request) {
            request.assignType = static_cast<uint8_t>(AssignType::SingleKey);
            request.codes[0] = vk;
            request.codeCount = 1;
            return true;
        };
        const QPoint p = keyCentre(slot);
        click(p.x(), p.y());
    };
    assign(63, 0x42);  // A plays B, saved
    click(940, 620);
    assign(42, 0x41);  // Q plays A, not saved
    ASSERT_EQ(state->keys[42].length, 1);
    ASSERT_FALSE(window->pendingText().isEmpty());

    window->hide();
    window.reset();  // the process dies: no close, no file written
    restart();
    EXPECT_EQ(state->keys[42].type, 0);
    EXPECT_EQ(state->keys[42].length, 0);
    EXPECT_EQ(state->reassigned[42], 0);
    EXPECT_EQ(state->keys[63].length, 1);  // what the keyboard holds stays
    EXPECT_EQ(state->reassigned[63], 1);
    EXPECT_TRUE(window->pendingText().isEmpty());
    EXPECT_FALSE(window->hasUnsavedChanges());
    EXPECT_FALSE(keyLooksLike(frame(), skins().image("kb_hl.png"), 42));
    // Said once the window shows.
    QTRY_COMPARE_WITH_TIMEOUT(warnings.size(), 1, 2000);
    // It names the key and says what happened: the keyboard does something
    // else than was recorded, and that is what the window shows now.
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("键盘上 Q 的设置"))) << warnings[0].toStdString();
    EXPECT_FALSE(warnings[0].contains(QStringLiteral("没有保存到键盘"))) << warnings[0].toStdString();
    const std::vector<uint8_t> file = readAll(KeymapFilePath(data.path()));
    ASSERT_EQ(file.size(), kKeymapFileBytes);
    EXPECT_EQ(file[sizeof(DeviceImage) + 42 * sizeof(KeyRecord) + offsetof(KeyRecord, length)], 0);
}

TEST_F(WindowTest, UnreadableKeymapFileIsReportedOnceAndSurvivesTheRun) {
    const std::filesystem::path file = KeymapFilePath(data.path());
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    start();  // would hang on the FIFO if it were opened for a blocking read
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("keymap.bin"));
    click(940, 620);  // save
    click(985, 12);   // close
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_TRUE(std::filesystem::is_fifo(file));
}

TEST_F(WindowTest, FailedKeymapSavesAreReported) {
    start();
    {
        test::FileSizeLimit full(1000);  // as a full disk
        click(940, 620);                 // save: the keyboard takes it, the file does not
        ASSERT_EQ(warnings.size(), 1);
        EXPECT_TRUE(warnings[0].contains("keymap.bin"));
        click(985, 12);  // close
        EXPECT_EQ(warnings.size(), 2);
    }
    EXPECT_EQ(readAll(KeymapFilePath(data.path())).size(), kKeymapFileBytes);
}

// One OK of the key-map dialog is one write of keymap.bin: on a full disk the
// user hears of it once per OK.
TEST_F(WindowTest, AKeyAssignmentThatCannotBeStoredIsReportedOnce) {
    start();
    window->hooks().runKeyMapDialog = [](QWidget*, const KeyEditTarget&, AssignmentRequest& request) {
        request.assignType = static_cast<uint8_t>(AssignType::KeyCombination);
        request.codes[0] = 0xA2;  // left Control
        request.codes[1] = 0x43;  // C
        request.codeCount = 2;
        request.keyEnabled = false;
        return true;
    };
    const QPoint a = keyCentre(63);
    {
        test::FileSizeLimit full(1000);  // as a full disk
        click(a.x(), a.y());
        ASSERT_EQ(warnings.size(), 1);
        EXPECT_TRUE(warnings[0].contains("keymap.bin"));
    }
    EXPECT_FALSE(IsKeyEnabled(state->image, 63));
    EXPECT_EQ(state->keys[63].type, static_cast<uint8_t>(AssignType::KeyCombination));
}

TEST_F(WindowTest, OutOfRangeValuesFromTheKeyboardAreDrawnAndKept) {
    DeviceImage odd = keyboard.config();
    odd.reportRate = 7;
    odd.ledSpeed = 200;
    odd.ledBrightness = 255;
    odd.responseTime = 0;
    keyboard.setConfig(odd);
    start();
    click(100, 115);  // lighting: speed and brightness sliders
    click(100, 490);  // report rate
    frame();
    EXPECT_EQ(window->slider(kReportSliderId)->value(), 3);  // shown at the end of the track
    EXPECT_EQ(state->image.reportRate, 7);
    EXPECT_EQ(state->image.ledSpeed, 200);
    EXPECT_EQ(state->image.ledBrightness, 255);
}

TEST_F(WindowTest, MinimiseGoesToTheTaskBarWhereNoNotificationAreaExists) {
    start();
    window->hooks().hideWindow = [](QWidget*) { return false; };
    click(960, 10);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);

    window->showNormal();
    window->hooks().hideWindow = [](QWidget* w) {
        w->hide();
        return true;
    };
    click(960, 10);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
}

TEST_F(WindowTest, WindowManagerCloseEndsTheProgramLikeTheCloseButton) {
    start();
    QSignalSpy exit(window.get(), &CTarvinDlg::exitRequested);
    state->image.ledEffect = 6;
    // The application's own close on its way out: no command, no file.
    const std::filesystem::path file = KeymapFilePath(data.path());
    std::filesystem::remove(file);
    QCloseEvent quitting;
    QApplication::sendEvent(window.get(), &quitting);
    EXPECT_EQ(exit.count(), 0);
    EXPECT_FALSE(std::filesystem::exists(file));

    // Alt+F4 or the task bar: the window is not just hidden, the program ends.
    window->show();
    QCloseEvent fromWindowManager;
    QSpontaneKeyEvent::setSpontaneous(&fromWindowManager);
    qApp->notify(window.get(), &fromWindowManager);
    EXPECT_FALSE(fromWindowManager.isAccepted());
    EXPECT_EQ(exit.count(), 1);
    EXPECT_EQ(keymapFileImage(), state->shadow);
}

// A full read switches game mode on; a user who saved it off gets it off again
// once the read is done, and only then.
TEST_F(WindowTest, GameModeSavedOffSurvivesARestart) {
    start();
    state->image.gameMode = 0;
    click(940, 620);  // save
    ASSERT_EQ(keyboard.config().gameMode, 0);

    restart(true);
    std::vector<std::string> frames = test::framesOf(keyboard.events());
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames.front(), "00 09 01 00 00 00 00 00 F5");  // the read, byte for byte
    const auto lastMap = std::find(frames.begin(), frames.end(), "00 92 00 04 08 00 00 00 61");
    ASSERT_NE(lastMap, frames.end());
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "00 09 00 00 00 00 00 00 F6"), 1);
    EXPECT_EQ(*(lastMap + 1), "00 09 00 00 00 00 00 00 F6");
    EXPECT_TRUE(keyboard.violations().empty());
    EXPECT_EQ(keyboard.config().gameMode, 0);
    EXPECT_EQ(state->image.gameMode, 0);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_TRUE(window->pendingText().isEmpty());

    // Saved on again (here by a factory reset): the read's game mode stays.
    click(820, 620);
    restart(true);
    frames = test::framesOf(keyboard.events());
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "00 09 00 00 00 00 00 00 F6"), 0);
    EXPECT_EQ(state->image.gameMode, 1);
}

TEST_F(WindowTest, KeyboardArrivingLaterIsReadAndRemovalDisconnects) {
    keyboard.unplug();
    DeviceImage onKeyboard = keyboard.config();
    onKeyboard.ledBrightness = 44;
    keyboard.setConfig(onKeyboard);
    int offers = 0;
    start();
    window->hooks().offerUpdate = [&](QWidget*, const AppVersion&, const FirmwareVersion&) { ++offers; };
    EXPECT_FALSE(window->connected());
    // Nothing read, so nothing to call unsaved.
    EXPECT_EQ(window->pendingText(), QString());
    const QImage absent = frame();

    keyboard.plug();
    window->deviceArrived();
    QSignalSpy refreshed(window.get(), &CTarvinDlg::refreshed);
    ASSERT_TRUE(refreshed.wait(5000));
    test::waitWhileBusy(window->service());
    EXPECT_TRUE(window->connected());
    EXPECT_EQ(state->image.ledBrightness, 44);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_EQ(offers, 1);
    EXPECT_EQ(window->pendingText(), QString());
    // The "no keyboard" notice is gone from the stage.
    EXPECT_NE(frame().copy(328, 440, 650, 40), absent.copy(328, 440, 650, 40));

    window->deviceRemoved();
    EXPECT_FALSE(window->connected());
    EXPECT_FALSE(session.listenerRunning());

    // Back again, changed meanwhile: read again, and what a save compares
    // against is what the keyboard now holds.
    onKeyboard.ledBrightness = 12;
    keyboard.setConfig(onKeyboard);
    window->deviceArrived();
    ASSERT_TRUE(refreshed.wait(5000));
    test::waitWhileBusy(window->service());
    EXPECT_TRUE(session.listenerRunning());
    EXPECT_EQ(state->image.ledBrightness, 12);
    EXPECT_EQ(state->shadow, state->image);
    EXPECT_EQ(window->slider(kBrightnessSliderId)->value(), 12);
    EXPECT_EQ(offers, 2);
}

TEST_F(WindowTest, ReconnectWhoseReadBreaksOffOffersNoUpdate) {
    start();
    int offers = 0;
    window->hooks().offerUpdate = [&](QWidget*, const AppVersion&, const FirmwareVersion&) { ++offers; };
    QSignalSpy refreshed(window.get(), &CTarvinDlg::refreshed);
    keyboard.unplug();
    window->deviceRemoved();
    // Back, but gone again in the middle of its read (an updater that
    // restarts it does that): the version known from before may be stale.
    keyboard.plug();
    keyboard.unplugAfterRequests(5);
    window->deviceArrived();
    ASSERT_TRUE(QTest::qWaitFor([&] { return refreshed.count() == 1 && !window->busy(); }, 5000));
    EXPECT_EQ(offers, 0);

    window->deviceRemoved();
    keyboard.plug();
    window->deviceArrived();
    ASSERT_TRUE(QTest::qWaitFor([&] { return refreshed.count() == 2 && !window->busy(); }, 5000));
    EXPECT_EQ(offers, 1);
}

TEST_F(WindowTest, ReplugCyclesLeaveOneListenerAndTheSameSettings) {
    start();
    QSignalSpy refreshed(window.get(), &CTarvinDlg::refreshed);
    const DeviceImage settings = state->image;
    constexpr int kCycles = 5;
    for (int i = 1; i <= kCycles; ++i) {
        SCOPED_TRACE(i);
        keyboard.unplug();
        window->deviceRemoved();
        EXPECT_FALSE(window->connected());
        EXPECT_FALSE(session.listenerRunning());
        keyboard.plug();
        window->deviceArrived();
        window->deviceArrived();  // a second report while it reconnects changes nothing
        ASSERT_TRUE(QTest::qWaitFor([&] { return refreshed.count() == i && !window->busy(); }, 5000));
        EXPECT_TRUE(window->connected());
        EXPECT_TRUE(session.listenerRunning());
    }
    window->deviceArrived();  // both channels open: nothing to do
    test::waitWhileBusy(window->service());
    QTest::qWait(20);
    EXPECT_EQ(refreshed.count(), kCycles);
    EXPECT_EQ(state->image, settings);
    EXPECT_EQ(state->shadow, settings);

    // The listener that survived the cycles still delivers acknowledgements.
    state->image.ledBrightness = settings.ledBrightness == 20 ? 21 : 20;
    click(940, 620);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(", ").toStdString();
    EXPECT_EQ(state->shadow, state->image);
}

TEST_F(WindowTest, RemovalDuringASaveDisconnectsAndKeepsTheShadow) {
    start();
    const DeviceImage shadow = state->shadow;
    state->image.ledEffect = 5;
    std::memset(state->image.diyMaps[2], 0x24, 32);
    keyboard.unplugAfterRequests(4);
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(940, 620));
    // The keyboard vanishes in the middle of the save; the monitor's report may
    // come while the save still runs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !keyboard.plugged(); }, 5000));
    window->deviceRemoved();
    test::waitWhileBusy(window->service());
    EXPECT_FALSE(window->connected());
    EXPECT_FALSE(session.listenerRunning());
    EXPECT_EQ(state->shadow, shadow);
    ASSERT_EQ(warnings.size(), 1);

    // Plugged in again, the keyboard is read afresh and saving works again.
    QSignalSpy refreshed(window.get(), &CTarvinDlg::refreshed);
    keyboard.plug();
    window->deviceArrived();
    ASSERT_TRUE(QTest::qWaitFor([&] { return refreshed.count() == 1 && !window->busy(); }, 5000));
    EXPECT_TRUE(window->connected());
    EXPECT_EQ(state->image.ledEffect, keyboard.config().ledEffect);
    EXPECT_EQ(state->image.ledBrightness, keyboard.config().ledBrightness);
    state->image.ledEffect = 6;
    click(940, 620);
    EXPECT_EQ(warnings.size(), 1) << warnings.join(", ").toStdString();
    EXPECT_EQ(keyboard.config().ledEffect, 6);
}

TEST_F(WindowTest, ArrivalDuringATransferIsHandledWhenItEnds) {
    keyboard.unplug();
    start();
    EXPECT_FALSE(window->connected());
    keyboard.plug();
    QSignalSpy refreshed(window.get(), &CTarvinDlg::refreshed);
    window->deviceArrived();
    ASSERT_TRUE(window->busy());  // the first read runs
    keyboard.unplug();
    window->deviceRemoved();
    keyboard.plug();
    window->deviceArrived();  // seen while the read still runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->busy() && window->connected() && session.listenerRunning(); }, 5000));
    test::waitWhileBusy(window->service());
    EXPECT_GE(refreshed.count(), 1);
    EXPECT_EQ(state->image, keyboard.config());
}

TEST_F(WindowTest, LaunchKeysReachTheWindow) {
    start();
    QList<int> codes;
    window->hooks().launchKey = [&](uint8_t code) { codes.append(code); };
    keyboard.pressLaunchKey(0x23);
    QTRY_COMPARE_WITH_TIMEOUT(codes.size(), 1, 3000);
    EXPECT_EQ(codes.first(), 0x23);
}

TEST_F(WindowTest, ProfileDialogReloadsWithoutAskingTheKeyboard) {
    start();
    int offers = 0;
    window->hooks().offerUpdate = [&](QWidget*, const AppVersion&, const FirmwareVersion&) { ++offers; };
    window->hooks().runProfileDialog = [this](QWidget*) {
        state->image.ledBrightness = 9;
        state->image.keyMask[4] = 0;  // a profile with disabled keys
        return true;
    };
    click(50, 620);
    EXPECT_EQ(window->slider(kBrightnessSliderId)->value(), 9);
    QTRY_COMPARE_WITH_TIMEOUT(keymapFileImage().keyMask[4], 0, 2000);
    EXPECT_TRUE(keyboard.events().empty());
    EXPECT_EQ(offers, 0);
    EXPECT_EQ(keymapFileImage().keyMask[4], 0);
    int marked = 0;
    for (int slot = 0; slot < kPhysicalSlots; ++slot) marked += state->reassigned[slot];
    EXPECT_GT(marked, 0);
}

TEST_F(WindowTest, KeyMapDialogResultIsApplied) {
    start();
    KeyEditTarget seen;
    window->hooks().runKeyMapDialog = [&](QWidget*, const KeyEditTarget& key, AssignmentRequest& request) {
        seen = key;
        request.assignType = static_cast<uint8_t>(AssignType::SingleKey);
        request.codes[0] = 0x41;  // A
        request.codeCount = 1;
        return true;
    };
    const QPoint q = keyCentre(42);
    click(q.x(), q.y());
    EXPECT_EQ(seen.slot, 42);
    EXPECT_EQ(seen.homeVk, SlotHomeVk[42]);
    EXPECT_EQ(seen.usage, keyNames().usage(SlotHomeVk[42]));
    EXPECT_EQ(state->reassigned[42], 1);
    QTest::mouseMove(window.get(), QPoint(600, 130));  // off the key: no hover over it
    EXPECT_TRUE(keyLooksLike(frame(), skins().image("kb_hl.png"), 42));
    EXPECT_TRUE(keyboard.events().empty());  // nothing reaches the keyboard before save
}

TEST_F(WindowTest, EveryImageTheWindowDrawsIsInTheSkinSet) {
    start();
    auto& panel = window->model().panel();
    panel.lightingCollapsed = panel.gameModeCollapsed = panel.responseCollapsed = panel.reportCollapsed = false;
    for (uint8_t effect : {uint8_t(1), uint8_t(3), uint8_t(13), uint8_t(52)}) {
        state->image.ledEffect = effect;
        for (uint8_t dir = 1; dir <= 4; ++dir) {
            state->image.ledDirection = dir;
            frame();
        }
    }
    // Every button and header under the pointer, open and collapsed, and pressed.
    for (bool collapsed : {false, true}) {
        panel.gameModeCollapsed = panel.responseCollapsed = panel.reportCollapsed = collapsed;
        const PanelLayout l = window->model().layout();
        const QPoint points[] = {{940, 10},  {960, 10},           {985, 10},          {50, 615},
                                 {820, 615}, {880, 615},          {950, 615},         {100, 115},
                                 {100, l.macroY + 15}, {100, l.gameModeY + 5}, {100, l.responseY + 5},
                                 {100, l.reportY + 5}};
        for (const QPoint& at : points) {
            QTest::mouseMove(window.get(), at);
            frame();
            QTest::mousePress(window.get(), Qt::LeftButton, {}, at);
            frame();
            QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(600, 130));  // free space: no command
        }
    }
    frame();
    click(940, 10);  // help
    frame();
    EXPECT_TRUE(window->skins().missing().isEmpty()) << window->skins().missing().values().join(", ").toStdString();
}

TEST(SkinSet, ImagesHaveTheSizesTheirPlacesImply) {
    QMap<QString, QImage> set;
    for (const SkinImage& s : drawSkinSet()) {
        // Two drawings under one name: only the later would reach the disk.
        EXPECT_FALSE(set.contains(s.name)) << s.name.toStdString() << " is drawn twice";
        set.insert(s.name, s.image);
    }
    const std::pair<const char*, QSize> sizes[] = {
        {"button-help-normal.png", {17, 16}}, {"button-close-over.png", {17, 16}},
        {"button-save-normal.png", {58, 31}}, {"button-cancel-normal.png", {58, 31}},
        {"itemBK.png", {243, 20}},            {"gamemode_Close.png", {243, 20}},
        {"Light_Item.png", {221, 16}},        {"bmp139.png", {220, 17}},
        {"bmp140.png", {220, 17}},            {"Thumb.png", {15, 14}},
        {"bmp141.png", {15, 14}},             {"8.png", {20, 20}},
        {"Direction-L-Enable.png", {36, 16}}, {"LEDEffect_open.png", {243, 205}},
    };
    for (const auto& [name, size] : sizes) EXPECT_EQ(set.value(name).size(), size) << name;
    EXPECT_GE(set.value("main.png").width(), 996);
    EXPECT_GE(set.value("main.png").height(), 636);

    // The lit twin differs from the picture only on the keys, and on every key.
    const QImage dark = set.value("kb_BK.png"), lit = set.value("kb_hl.png");
    ASSERT_EQ(dark.size(), lit.size());
    QImage onKeys(dark.size(), QImage::Format_Mono);
    onKeys.fill(0);
    for (int slot = 0; slot < kPhysicalSlots; ++slot) {
        const KeyRect& r = KeyGeometry[slot].rect;
        bool differs = false;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                onKeys.setPixel(x, y, 1);
                differs = differs || dark.pixel(x, y) != lit.pixel(x, y);
            }
        EXPECT_TRUE(differs) << slot;
    }
    for (int y = 0; y < dark.height(); ++y)
        for (int x = 0; x < dark.width(); ++x)
            if (!onKeys.pixelIndex(x, y)) {
                ASSERT_EQ(dark.pixel(x, y), lit.pixel(x, y)) << x << "," << y;
            }
    EXPECT_EQ(versionFileBytes(1, 2), QByteArray("Ver: 1.2    "));
}

TEST(SkinCacheTest, DecodesAgainOnlyWhenTheFileChanges) {
    TempFolder folder;
    const QString dir = qpath(folder.path());
    SkinCache cache(dir);
    EXPECT_EQ(cache.image("a.png"), nullptr);
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(dir + "/a.png");
    ASSERT_NE(cache.image("a.png"), nullptr);
    EXPECT_EQ(cache.image("a.png")->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(cache.decodes(), 1);
    QImage blue(5, 3, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    blue.save(dir + "/a.png");
    EXPECT_EQ(cache.image("a.png")->pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(cache.decodes(), 2);
    QFile::remove(dir + "/a.png");
    EXPECT_EQ(cache.image("a.png"), nullptr);
}

TEST(SkinCacheTest, TheLanguageOverlayReplacesOnlyTheImagesItHolds) {
    TempFolder folder;
    const QString dir = qpath(folder.path());
    QDir().mkpath(dir + "/en");
    QImage chinese(4, 3, QImage::Format_RGB32), english(4, 3, QImage::Format_RGB32);
    chinese.fill(Qt::red);
    english.fill(Qt::green);
    chinese.save(dir + "/text.png");
    chinese.save(dir + "/bmp139.png");
    english.save(dir + "/en/text.png");
    SkinCache cache(dir);
    cache.setOverlay(dir + "/en");
    ASSERT_NE(cache.image("text.png"), nullptr);
    EXPECT_EQ(cache.image("text.png")->pixel(0, 0), qRgb(0, 255, 0));
    // An image without text exists once, in the base folder.
    ASSERT_NE(cache.image("bmp139.png"), nullptr);
    EXPECT_EQ(cache.image("bmp139.png")->pixel(0, 0), qRgb(255, 0, 0));
    // Back to Chinese: the base image again, not the cached English one.
    cache.setOverlay(QString());
    EXPECT_EQ(cache.image("text.png")->pixel(0, 0), qRgb(255, 0, 0));
}

TEST(Slider, ClickValueRoundsHalvesUp) {
    struct Row { int x, left, right, min, max, value; };
    const Row rows[] = {
        {10, 10, 210, 0, 50, 0},  {12, 10, 210, 0, 50, 1},   // exactly half: the higher value
        {11, 10, 210, 0, 50, 0},  {210, 10, 210, 0, 50, 50},
        {5, 10, 210, 0, 3, 0},    {110, 10, 210, 0, 3, 2},   // 1.5 goes up
        {76, 10, 210, 0, 3, 1},
    };
    for (const Row& r : rows) EXPECT_EQ(CBitSlider::valueAt(r.x, r.left, r.right, r.min, r.max), r.value) << r.x;
    CBitSlider slider;
    slider.setRange(0, 3);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(0, 5));  // left of the channel: the minimum
    EXPECT_EQ(slider.value(), 0);
}

TEST(Splash, ClosesAfterAboutOneSecondEvenWithoutItsImage) {
    for (const QString& image : {skins().program() + "/png/SplashScreen.png", QString("/nonexistent/none.png")}) {
        CSplashScreen splash(image);
        QSignalSpy done(&splash, &CSplashScreen::finished);
        QElapsedTimer t;
        t.start();
        splash.start();
        EXPECT_TRUE(done.wait(3000));
        EXPECT_GE(t.elapsed(), 950);
        EXPECT_EQ(splash.ticks(), 52);
        EXPECT_FALSE(splash.isVisible());
    }
}

// The key-map dialog run from a click on the picture, driven from inside its
// modal loop, then saved: each assignment type down to the keyboard's bytes.
class KeyMapEndToEnd : public WindowTest {
protected:
    void SetUp() override {
        start();
        setRecordName(state->macros[0], u"burst");
        window->hooks().runKeyMapDialog = [this](QWidget* parent, const KeyEditTarget& key,
                                                 AssignmentRequest& request) {
            return RunKeyMapDialog(keyMapModel, paths.skinFolder(), parent, key.slot, *state, request,
                                   [this](CKeyMap& opening) {
                                       // Driven from inside the modal loop.
                                       QMetaObject::invokeMethod(&opening, [this, &opening] { answer(opening); },
                                                                 Qt::QueuedConnection);
                                   });
        };
    }
    void answer(CKeyMap& dialog) {
        dialog.choosers().openFile = [](QWidget*, const FileChooserRequest& r) {
            return r.filter.startsWith("exe") ? QString("/usr/bin/env") : QString("/srv/media/a") + r.namePattern.mid(1);
        };
        dialog.choosers().browseFolder = [](QWidget*, const QString&, const QString&) {
            return std::optional<QString>("/srv/media");
        };
        shown = dialog.composeFrame();
        drive(dialog);
        if (dialog.isVisible()) dialog.reject();
    }
    // Clicks the key, runs `how` inside the dialog, then saves to the keyboard.
    void assign(int slot, std::function<void(CKeyMap&)> how) {
        drive = std::move(how);
        const QPoint q = keyCentre(slot);
        click(q.x(), q.y());
        click(940, 620);
    }
    std::array<uint8_t, 4> entry(const DeviceImage& img, int slot) const {
        const uint8_t* e = img.deviceKeyMap + SlotCellOffset[slot];
        return {e[0], e[1], e[2], e[3]};
    }
    KeyRecord fileRecord(int slot) {
        const std::vector<uint8_t> bytes = readAll(KeymapFilePath(data.path()));
        KeyRecord r{};
        if (bytes.size() == kKeymapFileBytes)
            std::memcpy(&r, bytes.data() + sizeof(DeviceImage) + slot * sizeof(KeyRecord), sizeof r);
        return r;
    }

    KeyMapDialogModel keyMapModel;
    std::function<void(CKeyMap&)> drive;
    QImage shown;
};

void selectFunction(CKeyMap& d, const QString& label) {
    const auto found = d.functionTree()->findItems(label, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    d.functionTree()->setCurrentItem(found.first());
}

TEST_F(KeyMapEndToEnd, EveryAssignmentTypeReachesImageFileAndKeyboard) {
    constexpr int kSlot = 42;  // Q
    const uint8_t home = SlotHomeVk[kSlot];
    struct Case {
        const char* what;
        std::function<void(CKeyMap&)> how;
        std::array<uint8_t, 4> entry;
        uint8_t recordType;
        const char16_t* path;  // null: not checked
    };
    const Case cases[] = {
        {"single key", [](CKeyMap& d) { d.keyStroke(0x41); d.clickAt({285, 257}); }, {0, 0, 0x04, 0}, 0, u""},
        {"media key as single key", [](CKeyMap& d) { d.keyStroke(0xB5); d.clickAt({285, 257}); },
         {3, 0, 0x83, 1}, 0, u""},
        {"combination",
         [](CKeyMap& d) {
             d.focusField(EditField::Combination);
             d.keyStroke(0xA2);
             d.keyStroke(0x43);
             d.clickAt({285, 257});
         },
         {0, 0xE0, 0x06, 0}, 1, u""},
        {"macro",
         [](CKeyMap& d) {
             d.clickAt({121, 45});
             d.macroList()->setCurrentRow(0);
             d.clickAt({285, 257});
         },
         {4, 1, 0, 0}, 2, u""},
        {"named function",
         [](CKeyMap& d) {
             d.clickAt({202, 45});
             selectFunction(d, QStringLiteral("全选"));
             d.clickAt({285, 257});
         },
         {0, 0xE0, 0x04, 0}, 3, u""},
        {"music file", [](CKeyMap& d) { d.clickAt({283, 45}); d.clickAt({279, 75}); d.clickAt({285, 257}); },
         {0x0A, 0, home, 0}, 4, u"/srv/media/a.mp3"},
        {"program", [](CKeyMap& d) { d.clickAt({283, 45}); d.clickAt({279, 105}); d.clickAt({285, 257}); },
         {0x0A, 0, home, 0}, 5, u"/usr/bin/env"},
        {"text file", [](CKeyMap& d) { d.clickAt({283, 45}); d.clickAt({279, 135}); d.clickAt({285, 257}); },
         {0x0A, 0, home, 0}, 6, u"/srv/media/a.txt"},
        {"folder", [](CKeyMap& d) { d.clickAt({283, 45}); d.clickAt({279, 165}); d.clickAt({285, 257}); },
         {0x0A, 0, home, 0}, 7, u"/srv/media"},
        {"restore", [](CKeyMap& d) { d.clickAt({176, 257}); }, {0, 0, 0x14, 0}, 0, nullptr},  // path stays
    };
    for (const auto& c : cases) {
        assign(kSlot, c.how);
        EXPECT_TRUE(warnings.isEmpty()) << c.what << warnings.join(';').toStdString();
        EXPECT_EQ(entry(state->image, kSlot), c.entry) << c.what;
        EXPECT_EQ(entry(keymapFileImage(), kSlot), c.entry) << c.what;
        EXPECT_EQ(entry(keyboard.config(), kSlot), c.entry) << c.what;
        const KeyRecord r = fileRecord(kSlot);
        EXPECT_EQ(r.type, c.recordType) << c.what;
        if (c.path) {
            EXPECT_EQ(readUtf16Field(r.path, kKeyRecordPathUnits), std::u16string(c.path)) << c.what;
        }
        EXPECT_EQ(state->reassigned[kSlot], std::string(c.what) == "restore" ? 0 : 1) << c.what;
        EXPECT_TRUE(IsKeyEnabled(keyboard.config(), kSlot)) << c.what;
    }
    // The picture of the first opening names the key.
    EXPECT_EQ(shown.size(), QSize(325, 276));
}

TEST_F(KeyMapEndToEnd, DisableThenReopenShowsTheCombinationAndTheSwitch) {
    constexpr int kSlot = 63;  // A
    assign(kSlot, [](CKeyMap& d) {
        d.focusField(EditField::Combination);
        for (uint8_t vk : {0xA0, 0xA4, 0x5A}) d.keyStroke(vk);
        d.clickAt({24, 255});
        d.clickAt({285, 257});
    });
    EXPECT_FALSE(IsKeyEnabled(keyboard.config(), kSlot));
    EXPECT_EQ(entry(keyboard.config(), kSlot), (std::array<uint8_t, 4>{0, 0xE1, 0xE2, 0x1D}));
    EXPECT_TRUE(keyLooksLike(frame(), skins().image("kb_hl.png"), kSlot));

    QString combination;
    int switchState = -1;
    assign(kSlot, [&](CKeyMap& d) {
        combination = d.combinationEdit()->text();
        switchState = keyMapModel.disableSwitch();
        d.clickAt({230, 257});  // cancel
    });
    EXPECT_EQ(combination, QStringLiteral("LShift + LAlt + Z "));
    EXPECT_EQ(switchState, 1);
}

TEST(KeyMapDialogLayout, SaysWhatTheChosenKeysTypeInTheCurrentLayout) {
    KeyMapDialogModel model;
    KeyRecord record{};
    record.type = 0;
    record.length = 1;
    record.data[0] = 0xBB;  // the key right of 0: a dead acute under German
    auto state = std::make_unique<AppState>();
    CKeyMap d(model, skins().program() + "/png");
    d.setKeyboardLayout(KeyboardLayout::fromNames("de"));
    d.prepare(32, record, state->image, state->macros);
    const auto line = [&d] { return d.typedLine()->isVisibleTo(&d) ? d.typedLine()->text() : QString(); };
    EXPECT_EQ(line(), QStringLiteral("在当前布局中输入：´（死键）"));
    EXPECT_EQ(d.singleEdit()->text(), QStringLiteral("= "));
    // The fields name the keys as they type in the layout, also the key shown at opening.
    d.setKeyNames(layoutKeyNames(KeyboardLayout::fromNames("de")));
    EXPECT_EQ(d.singleEdit()->text(), QStringLiteral("´ "));

    d.focusField(EditField::Single);
    d.keyStroke('Y');
    EXPECT_EQ(line(), QStringLiteral("在当前布局中输入：z"));
    EXPECT_EQ(d.singleEdit()->text(), QStringLiteral("Z "));
    d.keyStroke(0x74);  // F5 types nothing
    EXPECT_EQ(line(), QString());
    d.focusField(EditField::Combination);
    for (uint8_t vk : {0xA2, 0xA0, 0x59}) d.keyStroke(vk);
    EXPECT_EQ(line(), QStringLiteral("在当前布局中输入：Ctrl+Shift+Z"));
    EXPECT_EQ(d.combinationEdit()->text(), QStringLiteral("LCtrl + LShift + Z "));
    d.setKeyboardLayout(KeyboardLayout::fromNames("us"));
    EXPECT_EQ(line(), QStringLiteral("在当前布局中输入：Ctrl+Shift+Y"));
    d.clickAt({121, 45});  // the macro page says nothing of keys
    EXPECT_EQ(line(), QString());
}

TEST_F(KeyMapEndToEnd, CancelAfterAPageSwitchKeepsTheKeysLaunchRecord) {
    constexpr int kSlot = 42;
    assign(kSlot, [](CKeyMap& d) { d.clickAt({283, 45}); d.clickAt({279, 105}); d.clickAt({285, 257}); });
    ASSERT_EQ(state->keys[kSlot].type, 5);
    // The keys tab and the launch tab empty the record while the dialog is open;
    // cancel must leave the key as it was, in memory and in the file saved next.
    for (QPoint tab : {QPoint(40, 45), QPoint(283, 45)}) {
        assign(kSlot, [tab](CKeyMap& d) {
            d.clickAt({40, 45});
            d.clickAt(tab);
            d.clickAt({230, 257});
        });
        EXPECT_EQ(state->keys[kSlot].type, 5);
        EXPECT_EQ(fileRecord(kSlot).type, 5);
        EXPECT_EQ(LaunchPathOf(state->keys[kSlot]), u"/usr/bin/env");
    }
    // The keyboard reconnecting while the page switch is pending saves
    // keymap.bin: the key's record in it is still the launch.
    KeyRecord savedMeanwhile{};
    assign(kSlot, [&](CKeyMap& d) {
        d.clickAt({40, 45});
        QSignalSpy refreshed(window.get(), &CTarvinDlg::refreshed);
        keyboard.unplug();
        window->deviceRemoved();
        keyboard.plug();
        window->deviceArrived();
        ASSERT_TRUE(QTest::qWaitFor([&] { return refreshed.count() == 1 && !window->busy(); }, 5000));
        savedMeanwhile = fileRecord(kSlot);
        d.clickAt({230, 257});
    });
    EXPECT_EQ(savedMeanwhile.type, 5);
    EXPECT_EQ(LaunchPathOf(savedMeanwhile), u"/usr/bin/env");
}

// The user's own clicks: into the single-key field, on the dialog's free
// space, the switch and the current tab, and back into the field. The key
// the field shows is the key the keyboard gets.
TEST_F(KeyMapEndToEnd, ClicksOnTheDialogKeepTheKeyTheFieldShows) {
    constexpr int kSlot = 42;
    QString fieldAtOk;
    assign(kSlot, [&](CKeyMap& d) {
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        QTest::mouseClick(d.singleEdit(), Qt::LeftButton);
        ASSERT_TRUE(d.singleEdit()->hasFocus());
        d.keyStroke(0x42);  // B
        for (QPoint p : {QPoint(150, 200), QPoint(24, 255), QPoint(24, 255), QPoint(40, 45)})
            QTest::mouseClick(&d, Qt::LeftButton, {}, p);
        EXPECT_FALSE(d.singleEdit()->hasFocus());
        QTest::mouseClick(d.singleEdit(), Qt::LeftButton);
        fieldAtOk = d.singleEdit()->text();
        QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(285, 257));
    });
    EXPECT_EQ(fieldAtOk, QStringLiteral("B "));
    EXPECT_EQ(entry(keyboard.config(), kSlot), (std::array<uint8_t, 4>{0, 0, 0x05, 0}));
    EXPECT_EQ(fileRecord(kSlot).data[0], 0x42);
}

// An OK that is refused leaves the key as it was, in memory and in every
// file saved afterwards: a path too long for the record closes the dialog
// with a warning, a marked launch row without a path keeps it open.
TEST_F(KeyMapEndToEnd, RefusedOkKeepsTheKeysRecord) {
    constexpr int kSlot = 42;
    assign(kSlot, [](CKeyMap& d) { d.keyStroke(0x41); d.clickAt({285, 257}); });
    ASSERT_EQ(state->keys[kSlot].data[0], 0x41);
    const KeyRecord before = state->keys[kSlot];

    const QString tooLong = QStringLiteral("/srv/") + QString(kMaxLaunchPathChars, QLatin1Char('a')) + ".mp3";
    assign(kSlot, [&](CKeyMap& d) {
        d.choosers().openFile = [&](QWidget*, const FileChooserRequest&) { return tooLong; };
        d.clickAt({283, 45});
        d.clickAt({279, 75});  // the music row's browse button
        d.clickAt({285, 257});
    });
    EXPECT_EQ(warnings, QStringList{QStringLiteral("按键设置:路径太长，按键未改变。")});
    EXPECT_EQ(std::memcmp(&state->keys[kSlot], &before, sizeof before), 0);
    EXPECT_EQ(fileRecord(kSlot).type, 0);
    EXPECT_EQ(fileRecord(kSlot).data[0], 0x41);

    QStringList messages;
    bool stayedOpen = false;
    assign(kSlot, [&](CKeyMap& d) {
        d.showMessage = [&](QWidget*, const QString& text) { messages << text; };
        d.clickAt({283, 45});
        d.clickAt({20, 106});  // the program row, no path chosen
        d.clickAt({285, 257});
        stayedOpen = d.isVisible();
        d.clickAt({230, 257});
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(messages, QStringList{QStringLiteral("请为所选的一行选择路径。")});
    EXPECT_EQ(std::memcmp(&state->keys[kSlot], &before, sizeof before), 0);
    EXPECT_EQ(fileRecord(kSlot).data[0], 0x41);
}

TEST(VividTreeTest, FlatBackgroundAndSelectionBandOnlyWhereShown) {
    // A range of 0..100 is what an unscrolled tree may report: no vertical scrolling.
    const QRect client(0, 0, 295, 160);
    const TreeScrollRange fake{0, 100, 40}, real{0, 5, 2};
    EXPECT_EQ(VividTreeCanvas(client, nullptr, &fake, 16), client);
    EXPECT_EQ(VividTreeCanvas(client, nullptr, &real, 16), QRect(0, -32, 295, 160));

    VividTree tree;
    tree.resize(295, 160);
    tree.setBackgroundMode(VividTree::Solid);
    auto* first = new QTreeWidgetItem(&tree, QStringList(QStringLiteral("搜索")));
    new QTreeWidgetItem(&tree, QStringList(QStringLiteral("运行")));
    tree.setCurrentItem(first);
    const int rowY = tree.visualItemRect(first).center().y();
    auto pixelAt = [&](int x, int y) { return tree.viewport()->grab().toImage().pixelColor(x, y); };
    EXPECT_EQ(pixelAt(1, rowY), VividTree::solidColour());  // selected, but the tree has no focus
    EXPECT_EQ(pixelAt(200, 150), VividTree::solidColour());
    tree.setAlwaysShowSelection(true);
    EXPECT_EQ(pixelAt(1, rowY), VividTree::selectionColour());
    EXPECT_EQ(pixelAt(290, rowY), VividTree::selectionColour());
}

// The profile dialog over the window: a profile loaded there shows in the
// window at once and reaches the keyboard with the window's save.
TEST_F(WindowTest, LoadedProfileReachesTheKeyboardOnSave) {
    start();
    DeviceImage profile = keyboard.config();
    profile.ledEffect = 6;
    profile.ledBrightness = 12;
    profile.deviceKeyMap[8] ^= 0x3C;
    const fs::path file = data.path() / "fps.bin";
    KeyRecordTable keys{};
    ASSERT_TRUE(WriteConfigurationFile(file, profile, keys));

    CConfigureDlg dialog(paths.skinFolder(), data.path() / "Configure", state->image, state->keys, window.get());
    dialog.model().ports().chooseImportFile = [&] { return std::optional<fs::path>(file); };
    dialog.model().ports().message = [&](const std::u16string&, const std::u16string& text) {
        warnings.append(QString::fromStdU16String(text));
    };
    QStringList menus;
    dialog.chooseMenuCommand = [&](const QPoint&) {
        menus.append(QStringLiteral("menu"));
        return ProfileCommand::Load;
    };
    window->hooks().runProfileDialog = [&](QWidget* parent) {
        dialog.setMainWindowRect(parent->frameGeometry());
        dialog.prepare();
        EXPECT_EQ(dialog.pos(), parent->frameGeometry().topLeft() - QPoint(1, 1));
        EXPECT_EQ(dialog.size(), skins().image("Config/Config.png").size());
        dialog.show();
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(40, 600));  // New
        EXPECT_EQ(dialog.list()->count(), 1);
        QTest::mouseClick(&dialog, Qt::RightButton, {}, QPoint(100, 600));  // outside the list: no menu
        EXPECT_TRUE(menus.isEmpty());
        QTest::mouseClick(dialog.list(), Qt::LeftButton, {}, QPoint(20, 5));  // select the row
        QTest::mouseClick(dialog.list(), Qt::RightButton, {}, QPoint(20, 5));  // menu: load
        EXPECT_EQ(menus.size(), 1);
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(255, 17));  // close
        return true;
    };
    click(50, 620);
    QTRY_COMPARE_WITH_TIMEOUT(window->slider(kBrightnessSliderId)->value(), 12, 2000);
    EXPECT_EQ(state->image.ledEffect, 6);
    EXPECT_TRUE(keyboard.events().empty()) << "nothing reaches the keyboard before save";

    click(940, 620);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(", ").toStdString();
    EXPECT_EQ(keyboard.config(), profile);
}

// The macro manager run from the main window's macro button, with a key
// capture the test feeds.
class MacroDialogTest : public WindowTest {
protected:
    struct TestHook : MacroKeyHook {
        bool installed = false;
        bool install() override { return installed = true; }
        void remove() override { installed = false; }
    };
    // Runs the dialog on the macro button; `use` clicks and types in it.
    bool runDialog(const std::function<void(CMacroRecordDlg&)>& use) {
        bool ran = false;
        window->hooks().runMacroManager = [&](QWidget* parent) -> std::optional<MacroRenumbering> {
            CMacroRecordDlg dialog(state->macros, paths.skinFolder(), parent,
                                   [](CMacroRecordDlg&) { return std::make_unique<TestHook>(); });
            dialog.askUser = [this](QWidget*, const QString&, const QString& text, QMessageBox::StandardButtons) {
                asked.append(text);
                return answer;
            };
            dialog.show();
            use(dialog);
            ran = true;
            if (dialog.result() != QDialog::Accepted) return std::nullopt;
            return dialog.renumbering();
        };
        click(100, 160);  // the macro button
        return ran;
    }
    static void clickAt(QWidget& w, int x, int y) { QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(x, y)); }
    // Records A pressed and released 300 ms apart, with delays on.
    static void recordA(CMacroRecordDlg& d) {
        clickAt(d, 375, 175);  // delay box
        clickAt(d, 300, 110);  // record
        d.hookKey(0x41, false, 5000);
        d.hookKey(0x41, false, 5030);  // auto-repeat
        d.hookKey(0x41, true, 5300);
        clickAt(d, 300, 110);
    }
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

TEST_F(MacroDialogTest, OkStoresTheMacroAndSaveSendsItToTheKeyboard) {
    start();
    ASSERT_TRUE(runDialog([](CMacroRecordDlg& d) {
        clickAt(d, 40, 380);  // New
        recordA(d);
        EXPECT_EQ(d.eventList()->rowText(1), QStringLiteral("300 ms"));
        clickAt(d, 300, 410);  // OK
    }));
    EXPECT_TRUE(asked.isEmpty()) << asked.join("|").toStdString();
    EXPECT_EQ(recordName(state->macros[0]), u"Macro_001");
    const std::vector<uint8_t> slot = {0x00, 0x01, 0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(state->image.macroSlots[0], state->image.macroSlots[0] + 9), slot);
    const std::vector<uint8_t> file = readAll(data.path() / "MacroDefine.bin");
    ASSERT_EQ(file.size(), sizeof(MacroStore));
    EXPECT_EQ(std::memcmp(file.data(), state->macros.bytes(), file.size()), 0);
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(940, 620));  // save
    test::waitWhileBusy(window->service());
    const DeviceImage sent = keyboard.config();
    EXPECT_EQ(std::vector<uint8_t>(sent.macroSlots[0], sent.macroSlots[0] + 9), slot);
}

TEST_F(MacroDialogTest, CancelLeavesTheStoreAndItsFileUntouched) {
    start();
    const std::vector<uint8_t> before = readAll(data.path() / "MacroDefine.bin");
    ASSERT_TRUE(runDialog([this](CMacroRecordDlg& d) {
        clickAt(d, 40, 380);
        recordA(d);
        answer = QMessageBox::Discard;
        QTest::keyClick(&d, Qt::Key_Escape);  // asks first; Discard is Cancel, as the Cancel button
        EXPECT_EQ(asked.size(), 1);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(readAll(data.path() / "MacroDefine.bin"), before);
    EXPECT_EQ(macrosInUse(state->macros), 0u);
}

TEST_F(MacroDialogTest, HeldKeyAtOkIsReleasedWhenTheUserAgrees) {
    start();
    answer = QMessageBox::Yes;
    ASSERT_TRUE(runDialog([](CMacroRecordDlg& d) {
        clickAt(d, 40, 380);
        clickAt(d, 300, 110);
        d.hookKey(0xA2, false, 100);  // LCtrl, never released
        d.hookKey(0x43, false, 150);
        d.hookKey(0x43, true, 200);
        clickAt(d, 300, 410);
    }));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("LCtrl"))) << asked[0].toStdString();
    EXPECT_EQ(std::vector<uint8_t>(state->macros[0].vkEvents, state->macros[0].vkEvents + 10),
              (std::vector<uint8_t>{0x01, 0xA2, 0x01, 0x43, 0x81, 0x43, 0x81, 0xA2, 0x00, 0x00}));
}

TEST_F(MacroDialogTest, DelayEditRenameAndUndoThroughTheWidgets) {
    start();
    ASSERT_TRUE(runDialog([](CMacroRecordDlg& d) {
        clickAt(d, 40, 380);
        recordA(d);
        // The delay row, edited in place to 70000: kept to 60000.
        CTransparentListBox* events = d.eventList();
        const QPoint delayRow(10, events->model().rowRect(1).y + 3);
        QTest::mouseClick(events, Qt::LeftButton, {}, delayRow);
        QTest::mouseDClick(events, Qt::LeftButton, {}, delayRow);
        ASSERT_NE(events->editor(), nullptr);
        QTest::keyClicks(events->editor(), QStringLiteral("70000"));
        QTest::keyClick(events->editor(), Qt::Key_Return);
        EXPECT_EQ(events->rowText(1), QStringLiteral("60000 ms"));
        // Renamed to a name that sorts after a second macro: the events move with it.
        clickAt(d, 40, 380);  // Macro_002, selected
        CTransparentListBox* macros = d.macroList();
        const QPoint first(10, macros->model().rowRect(0).y + 3);
        QTest::mouseClick(macros, Qt::LeftButton, {}, first);
        QTest::mouseDClick(macros, Qt::LeftButton, {}, first);
        ASSERT_NE(macros->editor(), nullptr);
        QTest::keyClicks(macros->editor(), QStringLiteral("Zed"));
        QTest::keyClick(macros->editor(), Qt::Key_Return);
        EXPECT_EQ(macros->rowText(1), QStringLiteral("Zed"));
        EXPECT_EQ(macros->selected(), 1);
        EXPECT_EQ(events->rowText(1), QStringLiteral("60000 ms"));
        // Undo the rename: the macro is Macro_001 again, first in the list.
        QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(macros->rowText(0), QStringLiteral("Macro_001"));
        clickAt(d, 300, 410);
    }));
    EXPECT_EQ(recordName(state->macros[0]), u"Macro_001");
    EXPECT_EQ(std::vector<uint8_t>(state->macros[0].vkEvents, state->macros[0].vkEvents + 6),
              (std::vector<uint8_t>{0x01, 0x41, 0xFF, 0x41, 0xEA, 0x60}));
    EXPECT_EQ(recordName(state->macros[1]), u"Macro_002");
}

// Keys bound to macros, saved to the keyboard: L to Beta (record and entry),
// K to Gamma through its entry only (its record is a plain key's).
class MacroBindingTest : public MacroDialogTest {
protected:
    static constexpr int kL = 71, kK = 70;
    using Entry = std::array<uint8_t, 4>;
    void SetUp() override {
        start();
        const char16_t* names[] = {u"Alpha", u"Beta", u"Gamma"};
        for (uint8_t i = 0; i < 3; ++i) {
            MacroRecord& r = state->macros[i];
            setRecordName(r, names[i]);
            setRecordLoopCount(r, 1);
            r.usageEvents[0] = r.vkEvents[0] = 0x01;
            r.usageEvents[1] = static_cast<uint8_t>(0x04 + i);  // A, B, C
            r.vkEvents[1] = static_cast<uint8_t>(0x41 + i);
        }
        const Entry beta{kEntryMacro, 1, 1, 0}, gamma{kEntryMacro, 1, 2, 0};
        std::memcpy(state->image.deviceKeyMap + SlotCellOffset[kL], beta.data(), 4);
        state->keys[kL].type = 2;
        std::memcpy(state->keys[kL].data, beta.data(), 4);
        std::memcpy(state->image.deviceKeyMap + SlotCellOffset[kK], gamma.data(), 4);
        state->reassigned[kL] = state->reassigned[kK] = 1;
        SyncMacroSlots(state->macros, state->image);
        click(940, 620);  // save
        ASSERT_EQ(entry(keyboard.config(), kL), beta);
        ASSERT_TRUE(window->pendingText().isEmpty()) << window->pendingText().toStdString();
    }
    static Entry entry(const DeviceImage& img, int slot) {
        const uint8_t* e = img.deviceKeyMap + SlotCellOffset[slot];
        return {e[0], e[1], e[2], e[3]};
    }
    static Entry factory(int slot) {
        const uint8_t* e = FactoryKeyTable.data() + SlotCellOffset[slot];
        return {e[0], e[1], e[2], e[3]};
    }
    // The usage of the key the keyboard's macro slot plays first.
    uint8_t slotKey(const DeviceImage& img, int slot) { return img.macroSlots[slot][3]; }
    static QPoint macroRow(CMacroRecordDlg& d, int row) { return {10, d.macroList()->model().rowRect(row).y + 3}; }
    static void rename(CMacroRecordDlg& d, int row, const QString& name) {
        QTest::mouseClick(d.macroList(), Qt::LeftButton, {}, macroRow(d, row));
        QTest::mouseDClick(d.macroList(), Qt::LeftButton, {}, macroRow(d, row));
        ASSERT_NE(d.macroList()->editor(), nullptr);
        QTest::keyClicks(d.macroList()->editor(), name);
        QTest::keyClick(d.macroList()->editor(), Qt::Key_Return);
    }
};

TEST_F(MacroBindingTest, RenameThatReSortsKeepsEveryKeyOnItsMacro) {
    ASSERT_TRUE(runDialog([](CMacroRecordDlg& d) {
        rename(d, 0, QStringLiteral("Zulu"));
        EXPECT_EQ(d.macroList()->rowText(2), QStringLiteral("Zulu"));
        clickAt(d, 300, 410);  // OK
    }));
    EXPECT_EQ(recordName(state->macros[0]), u"Beta");
    EXPECT_EQ(entry(state->image, kL), (Entry{kEntryMacro, 1, 0, 0}));
    EXPECT_EQ(state->keys[kL].data[2], 0);
    EXPECT_EQ(entry(state->image, kK), (Entry{kEntryMacro, 1, 1, 0}));
    EXPECT_EQ(entry(keymapFileImage(), kL), (Entry{kEntryMacro, 1, 0, 0}));
    EXPECT_EQ(window->pendingText(), QStringLiteral("未保存：按键 2 个、宏 3 个"));

    // The manager's OK is one step: undo puts back the names and the keys.
    window->undo();
    EXPECT_EQ(recordName(state->macros[0]), u"Alpha");
    EXPECT_EQ(entry(state->image, kL), (Entry{kEntryMacro, 1, 1, 0}));
    EXPECT_EQ(state->keys[kL].data[2], 1);
    EXPECT_TRUE(window->pendingText().isEmpty()) << window->pendingText().toStdString();
    window->redo();

    click(940, 620);  // save
    const DeviceImage sent = keyboard.config();
    EXPECT_EQ(entry(sent, kL), (Entry{kEntryMacro, 1, 0, 0}));
    EXPECT_EQ(slotKey(sent, 0), 0x05) << "L plays B, Beta's key";
    EXPECT_EQ(entry(sent, kK), (Entry{kEntryMacro, 1, 1, 0}));
    EXPECT_EQ(slotKey(sent, 1), 0x06) << "K plays C, Gamma's key";
}

TEST_F(MacroBindingTest, DeletingAMacroFreesItsKeysAndLaterKeysFollowTheGap) {
    ASSERT_TRUE(runDialog([](CMacroRecordDlg& d) {
        QTest::mouseClick(d.macroList(), Qt::LeftButton, {}, macroRow(d, 1));  // Beta
        clickAt(d, 100, 380);  // Delete, confirmed
        clickAt(d, 300, 410);  // OK
    }));
    EXPECT_EQ(recordName(state->macros[1]), u"Gamma");
    EXPECT_EQ(entry(state->image, kL), factory(kL));
    EXPECT_EQ(state->keys[kL].type, 0);
    EXPECT_EQ(state->reassigned[kL], 0);
    EXPECT_EQ(entry(state->image, kK), (Entry{kEntryMacro, 1, 1, 0}));
    EXPECT_EQ(window->pendingText(), QStringLiteral("未保存：按键 2 个、宏 1 个"));

    click(940, 620);
    const DeviceImage sent = keyboard.config();
    EXPECT_EQ(entry(sent, kL), factory(kL));
    EXPECT_EQ(entry(sent, kK), (Entry{kEntryMacro, 1, 1, 0}));
    EXPECT_EQ(slotKey(sent, 1), 0x06);
    EXPECT_TRUE(window->pendingText().isEmpty());
}


// The macro store is part of the configuration: the manager's OK writes
// MacroDefine.bin at once, but Cancel, Discard, an ending signal and a start
// after a killed run all bring back the macros of the last save, so that
// every key plays the macro the window says.
TEST_F(MacroBindingTest, CancelDiscardSignalsAndKillPutTheSavedMacrosBack) {
    const std::vector<uint8_t> savedFile(state->macros.bytes(), state->macros.bytes() + sizeof(MacroStore));
    const auto deleteAlpha = [this, &savedFile] {
        ASSERT_TRUE(runDialog([](CMacroRecordDlg& d) {
            QTest::mouseClick(d.macroList(), Qt::LeftButton, {}, macroRow(d, 0));  // Alpha
            clickAt(d, 100, 380);  // Delete, confirmed
            clickAt(d, 300, 410);  // OK
        }));
        ASSERT_EQ(recordName(state->macros[0]), u"Beta");
        ASSERT_NE(readAll(data.path() / "MacroDefine.bin"), savedFile);
        ASSERT_FALSE(window->pendingText().isEmpty());
    };
    const auto expectSaved = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(recordName(state->macros[0]), u"Alpha");
        EXPECT_EQ(recordName(state->macros[1]), u"Beta");
        EXPECT_EQ(readAll(data.path() / "MacroDefine.bin"), savedFile);
        EXPECT_EQ(entry(state->image, kL), (Entry{kEntryMacro, 1, 1, 0}));
        EXPECT_EQ(state->keys[kL].data[2], 1);
    };

    deleteAlpha();
    click(880, 620);  // Cancel
    expectSaved("Cancel");
    EXPECT_TRUE(window->pendingText().isEmpty()) << window->pendingText().toStdString();
    EXPECT_FALSE(window->hasUnsavedChanges());

    window->show();
    deleteAlpha();
    closeAnswer = CloseChoice::Discard;
    click(985, 12);
    EXPECT_EQ(readAll(data.path() / "MacroDefine.bin"), savedFile);
    restart();
    expectSaved("Discard");

    deleteAlpha();
    window->endWithoutAsking();  // SIGTERM, SIGINT, SIGHUP
    EXPECT_EQ(readAll(data.path() / "MacroDefine.bin"), savedFile);
    restart();
    expectSaved("an ending signal");

    deleteAlpha();
    window->hide();
    window.reset();  // killed: no close, no file written
    state = std::make_unique<AppState>();
    restart();
    expectSaved("a start after a killed run");
    EXPECT_FALSE(window->hasUnsavedChanges());
}

// A macro renamed in the manager changes no byte the keyboard holds, yet it is
// an unsaved change: the bottom line says so, Save keeps it, Cancel drops it.
TEST_F(MacroBindingTest, ARenameAloneIsAnUnsavedChange) {
    ASSERT_TRUE(runDialog([](CMacroRecordDlg& d) {
        rename(d, 2, QStringLiteral("Gamma2"));
        clickAt(d, 300, 410);  // OK
    }));
    EXPECT_TRUE(window->hasUnsavedChanges());
    EXPECT_FALSE(window->pendingText().isEmpty());
    click(940, 620);  // save
    EXPECT_FALSE(window->hasUnsavedChanges());
    window->endWithoutAsking();
    EXPECT_EQ(recordName(state->macros[2]), u"Gamma2");
    auto stored = std::make_unique<MacroStore>();
    LoadMacroStore(*stored, data.path());
    EXPECT_EQ(recordName((*stored)[2]), u"Gamma2");
}

// A profile made by "new" holds no key records: loading it leaves no record
// that claims what the loaded image does not hold, and after Save the window,
// its records and the keyboard agree, with no warning at the next read.
TEST_F(MacroBindingTest, ALoadedNewProfileLeavesNoContradictingRecord) {
    const fs::path profile = data.path() / "Configure" / "Profile_1.bin";
    fs::create_directories(profile.parent_path());
    const DeviceImage made = FactoryImage();  // what "new" writes
    test::writeAll(profile, std::vector<uint8_t>(made.bytes(), made.bytes() + sizeof made));
    ProfileDialogModel model(data.path() / "Configure", state->image, state->keys);
    model.ports().chooseImportFile = [&] { return std::optional<fs::path>(profile); };
    model.open();
    ASSERT_EQ(model.rows().size(), 1u);
    model.setSelectedRow(0);
    model.loadProfile();
    EXPECT_EQ(entry(state->image, kL), factory(kL));
    EXPECT_EQ(state->keys[kL].type, 0) << "L types L again; its record no longer names Beta";
    EXPECT_EQ(state->keys[kL].data[2], 0);
    click(940, 620);  // save
    EXPECT_EQ(entry(keyboard.config(), kL), factory(kL));
    EXPECT_FALSE(window->hasUnsavedChanges());
    EXPECT_EQ(state->keys[kL].type, 0);
    restart();
    EXPECT_EQ(state->keys[kL].type, 0);
    QTest::qWait(50);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join("|").toStdString();
}

// ---- details of the drawn windows --------------------------------------------

// Whether the rectangle holds a pixel of text ink: light in every channel.
bool hasTextInk(const QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (std::min({c.red(), c.green(), c.blue()}) > 150) return true;
        }
    return false;
}

// The rows of the rectangle that hold text ink (first, last); (-1, -1) for none.
std::pair<int, int> inkRows(const QImage& img, const QRect& r) {
    int first = -1, last = -1;
    for (int y = r.top(); y <= r.bottom(); ++y)
        if (hasTextInk(img, QRect(r.left(), y, r.width(), 1))) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

TEST_F(WindowTest, AKeyUnderThePointerIsNeverShownInTheReassignedRed) {
    start();
    const QImage lit = skins().image("kb_hl.png"), dark = skins().image("kb_BK.png");
    for (const int slot : {43, 42}) {
        state->reassigned[42] = 1;  // Q is reassigned, W is not
        QTest::mouseMove(window.get(), keyCentre(slot));
        const QImage f = frame();
        EXPECT_FALSE(keyLooksLike(f, dark, slot)) << slot;  // the hover shows
        const KeyRect& r = KeyGeometry[slot].rect;
        int red = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const QColor c = f.pixelColor(x + kKeyboardOriginX, y + kKeyboardOriginY);
                red += c.red() > c.green() + 80;
            }
        // W stays grey under the pointer; Q keeps its red with the hover over it.
        if (slot == 43) EXPECT_EQ(red, 0);
        else EXPECT_GT(red, 100);
    }
}

TEST_F(WindowTest, GameModeLabelsStayInsideThePanel) {
    start();
    window->model().panel().lightingCollapsed = true;
    window->model().panel().gameModeCollapsed = false;
    const int yg = window->model().layout().gameModeY;
    const QImage f = frame();
    // The panel's right border is at x 261: no text reaches it.
    EXPECT_FALSE(hasTextInk(f, QRect(259, yg + 31, 3, 16)));
    EXPECT_TRUE(hasTextInk(f, QRect(230, yg + 31, 28, 16)));  // "关闭" is there
    // The section bars' labels sit in the middle of their 20 pixels.
    const auto [top, bottom] = inkRows(f, QRect(28, yg + 1, 60, 18));
    ASSERT_GE(top, 0);
    EXPECT_LE(std::abs((top - yg) - (yg + 19 - bottom)), 3) << top - yg << " " << bottom - yg;
}

TEST_F(WindowTest, ProfileLoadedWhileTheWindowRepaintsKeepsItsSliderValues) {
    start();
    ASSERT_NE(state->image.ledBrightness, 9);
    window->hooks().runProfileDialog = [this](QWidget*) {
        state->image.ledBrightness = 9;
        state->image.reportRate = 0;
        frame();  // the window repaints under the dialog
        return true;
    };
    click(50, 620);
    EXPECT_EQ(state->image.ledBrightness, 9);
    EXPECT_EQ(window->slider(kBrightnessSliderId)->value(), 9);
    EXPECT_EQ(window->slider(kReportSliderId)->value(), 0);
    QTest::qWait(120);  // the refresh after the dialog
    frame();
    EXPECT_EQ(state->image.ledBrightness, 9);
    EXPECT_EQ(state->image.reportRate, 0);
}

TEST_F(WindowTest, ProfileDialogShowsWhereCopySaveAndLoadAre) {
    start();
    CConfigureDlg dialog(paths.skinFolder(), data.path() / "Configure", state->image, state->keys);
    dialog.prepare();
    const QImage f = dialog.composeFrame();
    // Between the New and Delete buttons, in the secondary text's grey.
    EXPECT_TRUE(rectHasInk(f, QRect(84, 580, 96, 40), QColor(0x1A, 0x1C, 0x21), QColor(0x8A, 0x8F, 0x98)));
}

TEST(HistoryDialog, ARowCutShortShowsItsWholeTextAsTooltip) {
    const std::string longText = "灯光、调色板、按键 12 个、宏 7 个、DIY 灯效 1、DIY 灯效 2、DIY 灯效 3、DIY 灯效 4、性能";
    std::vector<HistoryRow> rows(2);
    rows[0].differs = longText;
    rows[1].differs = "灯光";
    CHistoryDlg dialog(skins().program() + "/png", rows);
    dialog.show();
    const int rowY = HistoryDialogModel::kListTop + HistoryDialogModel::kRowHeight / 2;
    QTest::mouseMove(&dialog, QPoint(HistoryDialogModel::kListLeft + 40, rowY));
    EXPECT_TRUE(dialog.toolTip().endsWith(QString::fromStdString(longText))) << dialog.toolTip().toStdString();
    QTest::mouseMove(&dialog, QPoint(HistoryDialogModel::kListLeft + 40, rowY + HistoryDialogModel::kRowHeight));
    EXPECT_TRUE(dialog.toolTip().isEmpty());
}

TEST_F(KeyMapEndToEnd, TheKeysFunctionIsSelectedInTheTreeFromTheStart) {
    constexpr int kSlot = 42;
    assign(kSlot, [](CKeyMap& d) {
        d.clickAt({202, 45});
        selectFunction(d, QStringLiteral("复制"));
        d.clickAt({285, 257});
    });
    bool banded = false;
    QImage buttons;
    assign(kSlot, [&](CKeyMap& d) {
        ASSERT_FALSE(d.functionTree()->hasFocus());
        const QImage tree = d.functionTree()->viewport()->grab().toImage();
        for (int y = 0; y < tree.height() && !banded; ++y)
            banded = tree.pixelColor(tree.width() - 3, y) == VividTree::selectionColour();
        buttons = d.composeFrame();
        d.clickAt({230, 257});  // cancel
    });
    EXPECT_TRUE(banded);
    // The three buttons' captions sit in the middle of their faces.
    for (const int left : {156, 210, 264}) {
        const auto [top, bottom] = inkRows(buttons, QRect(left + 2, 247, 38, 21));
        ASSERT_GE(top, 0) << left;
        EXPECT_LE(std::abs((top - 246) - (268 - bottom)), 2) << left << ": " << top << ".." << bottom;
    }
}


TEST(DesktopFont, SkinTextsGrowWithALargerDesktopFontWhereTheyHaveRoom) {
    EXPECT_EQ(desktopTextScale(QFont("Sans", 10)), 1.0);
    EXPECT_EQ(desktopTextScale(QFont("Sans", 8)), 1.0);  // never smaller than laid out
    EXPECT_DOUBLE_EQ(desktopTextScale(QFont("Sans", 13)), 1.3);
    EXPECT_EQ(desktopTextScale(QFont("Sans", 30)), 1.5);
    // As large as the room allows, never below the laid-out size.
    EXPECT_EQ(fittedCellHeight("OK", 16, 1.25, QSize(60, 30)), 20);
    EXPECT_EQ(fittedCellHeight("OK", 16, 1.25, QSize(60, 18)), 18);
    EXPECT_EQ(fittedCellHeight("A rather long caption", 16, 1.25, QSize(60, 30)), 16);
}

TEST_F(WindowTest, CaptionsFollowALargerDesktopFontInsideTheirButtons) {
    start();
    const QFont before = QApplication::font();
    const QRect save(924, 605, 58, 31);
    const auto [top1, bottom1] = inkRows(frame(), save.adjusted(2, 1, -2, -1));
    QFont large = before;
    large.setPointSizeF(13);
    QApplication::setFont(large);
    const QImage f = frame();
    QApplication::setFont(before);
    const auto [top2, bottom2] = inkRows(f, save.adjusted(2, 1, -2, -1));
    ASSERT_GE(top1, 0);
    ASSERT_GE(top2, 0);
    EXPECT_GT(bottom2 - top2, bottom1 - top1);
    // Still inside the button: no ink on its edges.
    EXPECT_FALSE(hasTextInk(f, QRect(save.left(), save.top() + 4, 3, save.height() - 8)));
    EXPECT_FALSE(hasTextInk(f, QRect(save.right() - 2, save.top() + 4, 3, save.height() - 8)));
}

}  // namespace
}  // namespace vandrel
