// The painting tools in the main window on the simulated keyboard: what the
// mouse and the keyboard leave in the custom map, and one undo step for each
// stroke, fill and import.

#include <QFile>
#include <QPaintEvent>
#include <QRegion>

#include "app/model/DiyPaintModel.h"
#include "tests/support/WindowFixture.h"

namespace vandrel::test {
namespace {

class DiyWindowTest : public WindowTest {
protected:
    // The window painting map 1 with the lighting section open.
    void startPainting() {
        start();
        click(100, 115);
        state->image.ledEffect = kFirstDiyEffect;
        window->model().panel().diyPaintMode = true;
        window->model().diy().setBrush({0xFF, 0, 0});
        window->redraw();
    }
    static int slot(const char* name) { return *diySlotByName(name); }
    Rgb colour(int key) const { return diyKeyColour(state->image, 0, key); }
    size_t steps() const { return window->history().position(); }
    void clickTool(int id, Qt::KeyboardModifiers mods = {}) {
        const HitRect r = diyToolRect(id);
        QTest::mouseClick(window.get(), Qt::LeftButton, mods, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
    void clickKey(int key, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(window.get(), button, mods, keyCentre(key));
    }
};

constexpr Rgb kRed{0xFF, 0, 0};

TEST_F(DiyWindowTest, ADragPaintsTheRowAsOneUndoStep) {
    startPainting();
    const size_t before = steps();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, keyCentre(slot("Q")));
    QTest::mouseMove(window.get(), keyCentre(slot("T")));
    QTest::mouseMove(window.get(), keyCentre(slot("Y")));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, keyCentre(slot("Y")));
    for (const char* k : {"Q", "W", "E", "R", "T", "Y"}) EXPECT_EQ(colour(slot(k)), kRed) << k;
    EXPECT_TRUE(colour(slot("U")).black());
    EXPECT_EQ(steps(), before + 1);
    // The stroke is a window edit: nothing reached the keyboard yet.
    EXPECT_TRUE(window->hasUnsavedChanges());
    window->undo();
    for (const char* k : {"Q", "W", "E", "R", "T", "Y"}) EXPECT_TRUE(colour(slot(k)).black()) << k;
}

TEST_F(DiyWindowTest, ADragRepaintsOnlyTheKeysItPaints) {
    startPainting();
    struct PaintSpy : QObject {
        QRegion region;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } spy;
    QTest::mousePress(window.get(), Qt::LeftButton, {}, keyCentre(slot("Q")));
    QCoreApplication::processEvents();
    window->installEventFilter(&spy);
    QTest::mouseMove(window.get(), keyCentre(slot("W")));
    QTest::mouseMove(window.get(), keyCentre(slot("E")));
    QCoreApplication::processEvents();
    window->removeEventFilter(&spy);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, keyCentre(slot("E")));
    EXPECT_TRUE(spy.region.contains(keyCentre(slot("W"))));
    EXPECT_TRUE(spy.region.contains(keyCentre(slot("E"))));
    // Two keys, their hover frames and the map's thumbnail: far less than the window.
    long area = 0;
    for (const QRect& r : spy.region) area += long(r.width()) * r.height();
    EXPECT_LT(area, long(window->width()) * window->height() / 20);
}

TEST_F(DiyWindowTest, APaintedKeyComposedAloneMatchesTheWholeFrame) {
    startPainting();
    const QImage untouched = window->composeFrame().copy();
    const int w = slot("W");
    setDiyKeyColour(state->image, 0, w, {10, 200, 30});
    const KeyRect& r = KeyGeometry[w].rect;
    const QRect key(r.left + kKeyboardOriginX, r.top + kKeyboardOriginY, r.right - r.left, r.bottom - r.top);
    const QImage redrawn = window->composeFrame(key.adjusted(-3, -3, 3, 3)).copy();
    EXPECT_EQ(redrawn.pixel(key.left(), key.bottom()), qRgb(10, 200, 30));
    // Inside the area it is what a whole composition draws.
    const QRect area = key.adjusted(-3, -3, 3, 3);
    EXPECT_EQ(redrawn.copy(area), window->composeFrame().copy(area));
    // Outside the area the frame is the one before, even where it differs.
    setDiyKeyColour(state->image, 0, slot("E"), {10, 200, 30});
    const QImage stale = window->composeFrame(key.adjusted(-3, -3, 3, 3)).copy();
    const QPoint e = keyCentre(slot("E")) + QPoint(-8, 8);
    EXPECT_EQ(stale.pixel(e), untouched.pixel(e));
}

TEST_F(DiyWindowTest, EyedropperCtrlClickAndShiftClick) {
    startPainting();
    setDiyKeyColour(state->image, 0, slot("G"), {0, 0x80, 0});
    clickKey(slot("G"), Qt::RightButton);
    clickKey(slot("H"));
    EXPECT_EQ(colour(slot("H")), (Rgb{0, 0x80, 0}));

    const size_t before = steps();
    clickKey(slot("G"), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(colour(slot("G")).black());
    EXPECT_EQ(steps(), before + 1);

    // Shift+click asks the colour dialog for the key, starting from its colour.
    pickerAnswer = QColor(1, 2, 3);
    clickKey(slot("H"), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(pickerInitial, QColor(0, 0x80, 0));
    EXPECT_EQ(colour(slot("H")), (Rgb{1, 2, 3}));
    // The brush swatch asks it for the brush.
    pickerAnswer = QColor(7, 7, 7);
    clickTool(kDiyBrushId);
    EXPECT_EQ(window->model().diy().brush(), (Rgb{7, 7, 7}));
}

TEST_F(DiyWindowTest, SelectionFillAndGradientEachOneStep) {
    startPainting();
    QTest::mousePress(window.get(), Qt::LeftButton, Qt::AltModifier, keyCentre(slot("A")));
    QTest::mouseMove(window.get(), keyCentre(slot("F")));
    QTest::mouseRelease(window.get(), Qt::LeftButton, Qt::AltModifier, keyCentre(slot("F")));
    ASSERT_EQ(window->model().diy().selection().size(), 4u);
    size_t before = steps();
    clickTool(kDiyFillId);
    EXPECT_EQ(steps(), before + 1);
    for (const char* k : {"A", "S", "D", "F"}) EXPECT_EQ(colour(slot(k)), kRed) << k;
    EXPECT_TRUE(colour(slot("G")).black());

    before = steps();
    clickTool(kDiyGradientHId);
    EXPECT_EQ(steps(), before + 1);
    EXPECT_EQ(colour(slot("A")), kRed);
    EXPECT_EQ(colour(slot("F")), (Rgb{0, 0, 0xFF}));
    EXPECT_TRUE(colour(slot("G")).black());
}

TEST_F(DiyWindowTest, ImportAndExportThroughTheFileHooks) {
    startPainting();
    const QString picture = QString::fromStdString((data.path() / "green.png").string());
    QImage green(80, 30, QImage::Format_RGB32);
    green.fill(QColor(0, 200, 0));
    ASSERT_TRUE(green.save(picture));
    window->hooks().openPicture = [&](QWidget*) { return picture; };
    const size_t before = steps();
    clickTool(kDiyImportId);
    EXPECT_EQ(steps(), before + 1);
    for (int s : diyPaintableSlots()) ASSERT_EQ(colour(s), (Rgb{0, 200, 0})) << s;
    EXPECT_TRUE(warnings.isEmpty());

    // A file that is no picture: a message and nothing changed.
    const QString text = QString::fromStdString((data.path() / "notes.png").string());
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    window->hooks().openPicture = [&](QWidget*) { return text; };
    const DeviceImage kept = state->image;
    clickTool(kDiyImportId);
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_EQ(state->image, kept);
    EXPECT_EQ(steps(), before + 1);

    const QString exported = QString::fromStdString((data.path() / "out.png").string());
    window->hooks().savePicture = [&](QWidget*, const QString&) { return exported; };
    clickTool(kDiyExportId);
    EXPECT_FALSE(QImage(exported).isNull());
    window->hooks().savePicture = [&](QWidget*, const QString&) { return exported + "/no-folder/out.png"; };
    clickTool(kDiyExportId);
    EXPECT_EQ(warnings.size(), 2);

    // Copying the map onto map 3 is one more step.
    clickTool(kDiyCopyId);
    clickTool(kDiyMapBase + 2);
    EXPECT_EQ(steps(), before + 2);
    EXPECT_EQ(std::memcmp(state->image.diyMaps[2], state->image.diyMaps[0], kDiyMapBytes), 0);
    EXPECT_EQ(state->image.ledEffect, kFirstDiyEffect);
}

TEST_F(DiyWindowTest, KeyboardPaintsSelectsAndNamesTheColour) {
    startPainting();
    const int q = slot("Q");
    window->focusElement(kElementKeyBase + q);
    size_t before = steps();
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_EQ(colour(q), kRed);
    EXPECT_EQ(steps(), before + 1);
    // The reader hears the key with its colour.
    UiElements elements = window->uiElements();
    const UiElement* key = findElement(elements, kElementKeyBase + q);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->name, "Q，红色（#FF0000）");

    QTest::keyClick(window.get(), Qt::Key_Delete);
    EXPECT_TRUE(colour(q).black());

    // Shift+Right twice selects Q, W and E; the fill tool is reached by the reader.
    QTest::keyClick(window.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(window.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(window->focusedElement(), kElementKeyBase + slot("E"));
    EXPECT_EQ(window->model().diy().selection().size(), 3u);
    before = steps();
    window->activateElement(kDiyFillId);
    EXPECT_EQ(steps(), before + 1);
    for (const char* k : {"Q", "W", "E"}) EXPECT_EQ(colour(slot(k)), kRed) << k;
    EXPECT_TRUE(colour(slot("R")).black());
    // Escape drops the selection; the tools are in the Tab order.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->model().diy().selection().empty());
    elements = window->uiElements();
    const UiElement* fill = findElement(elements, kDiyFillId);
    ASSERT_NE(fill, nullptr);
    EXPECT_TRUE(fill->focusable && fill->tabStop);
}

}  // namespace
}  // namespace vandrel::test
