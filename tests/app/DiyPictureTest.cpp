// Pictures and the custom maps: a picture file read into key colours, and a
// map drawn on the keyboard picture and written as a PNG file; bad files are
// refused with a message and never leave a partial file.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "app/draw/DiyPicture.h"
#include "app/draw/KeyboardPicture.h"
#include "app/model/KeyGeometry.h"
#include "tests/support/TempFolder.h"

namespace vandrel {
namespace {

int slotOf(const char* name) { return diySlotByName(name).value(); }

// A point inside the key, clear of its legend in the middle.
QPoint insideKey(int slot) {
    const KeyRect& r = KeyGeometry[slot].rect;
    return {r.left + 2, r.top + 2};
}

QString pathIn(const test::TempFolder& folder, const char* name) {
    return QString::fromStdString((folder.path() / name).string());
}

DeviceImage blankImage() {
    DeviceImage image;
    image.clear();
    return image;
}

TEST(DiyPicture, AMapIsDrawnOnItsKeysAndNowhereElse) {
    DeviceImage image = blankImage();
    setDiyKeyColour(image, 0, slotOf("W"), Rgb{255, 0, 0});
    setDiyKeyColour(image, 0, slotOf("Keypad 1"), Rgb{0, 0, 255});
    setDiyKeyColour(image, 1, slotOf("A"), Rgb{0, 255, 0});
    // A media key's bytes are never drawn, whatever they hold.
    image.diyMaps[0][SlotCellOffset[kFirstMediaSlot] + 1] = 0xFF;

    const QImage bare = drawKeyboardPicture(1).convertToFormat(QImage::Format_RGB32);
    const QImage first = renderDiyMap(image, 0);
    ASSERT_EQ(first.size(), QSize(652, 262));
    EXPECT_EQ(first.pixel(insideKey(slotOf("W"))), qRgb(255, 0, 0));
    EXPECT_EQ(first.pixel(insideKey(slotOf("Keypad 1"))), qRgb(0, 0, 255));
    // The legend stays on a painted key, in the opposite colour.
    const KeyRect& w = KeyGeometry[slotOf("W")].rect;
    bool inked = false;
    for (int y = w.top; y < w.bottom; ++y)
        for (int x = w.left; x < w.right; ++x) inked |= qGreen(first.pixel(x, y)) > 200 && qBlue(first.pixel(x, y)) > 200;
    EXPECT_TRUE(inked);
    for (int slot : {slotOf("A"), slotOf("Esc"), kFirstMediaSlot})
        EXPECT_EQ(first.pixel(insideKey(slot)), bare.pixel(insideKey(slot))) << slot;

    const QImage second = renderDiyMap(image, 1);
    EXPECT_EQ(second.pixel(insideKey(slotOf("A"))), qRgb(0, 255, 0));
    EXPECT_EQ(second.pixel(insideKey(slotOf("W"))), bare.pixel(insideKey(slotOf("W"))));
}

TEST(DiyPicture, AnExportIsThePictureAsPngWrittenWhole) {
    test::TempFolder folder;
    DeviceImage image = blankImage();
    fillDiyKeys(image, 2, diyZoneSlots(DiyZone::Wasd), Rgb{0x12, 0x34, 0x56});
    const QString path = pathIn(folder, "map.png");
    QString error;
    ASSERT_TRUE(exportDiyPicture(image, 2, path, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(8).startsWith("\x89PNG"));
    const QImage read = QImage(path).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(read, renderDiyMap(image, 2));
    EXPECT_EQ(read.pixel(insideKey(slotOf("D"))), qRgb(0x12, 0x34, 0x56));

    // Where nothing can be written, nothing is, and the message names the file.
    for (const QString& bad : {pathIn(folder, "missing/map.png"), QString::fromStdString(folder.path().string())}) {
        error.clear();
        EXPECT_FALSE(exportDiyPicture(image, 2, bad, &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("cannot write ") + bad)) << error.toStdString();
    }
    EXPECT_FALSE(exportDiyPicture(image, 5, pathIn(folder, "six.png"), &error));
    EXPECT_FALSE(QFile::exists(pathIn(folder, "six.png")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "no temporary file left";
}

TEST(DiyPicture, EachKeyTakesTheMeanColourUnderItOfTheStretchedPicture) {
    test::TempFolder folder;
    // Square, so a picture kept in its aspect would put the boundaries
    // elsewhere: stretched, the top left quarter covers Esc and F1, the top
    // right one the keypad's first row, the bottom half the bottom row.
    QImage square(100, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            square.setPixel(x, y, y >= 50 ? qRgb(0, 0, 0) : x < 50 ? qRgb(0, 255, 0) : qRgb(0, 0, 255));
    ASSERT_TRUE(square.save(pathIn(folder, "square.png")));
    QString error;
    const auto colours = loadDiyPicture(pathIn(folder, "square.png"), &error);
    ASSERT_TRUE(colours) << error.toStdString();
    for (const char* key : {"Esc", "F1"}) EXPECT_EQ((*colours)[slotOf(key)], (Rgb{0, 255, 0})) << key;
    for (const char* key : {"Num Lock", "Keypad /"}) EXPECT_EQ((*colours)[slotOf(key)], (Rgb{0, 0, 255})) << key;
    for (const char* key : {"LCtrl", "Space", "RCtrl"}) EXPECT_EQ((*colours)[slotOf(key)], Rgb{}) << key;
    EXPECT_EQ((*colours)[kFirstMediaSlot], Rgb{});
}

TEST(DiyPicture, UnreadablePicturesAreRefusedWithTheReason) {
    test::TempFolder folder;
    QFile text(pathIn(folder, "notes.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some notes\n");
    text.close();
    // A header that claims 70 megapixels and no pixels: refused from the
    // header alone, before anything is decoded.
    QFile huge(pathIn(folder, "huge.ppm"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write("P6\n10000 7000\n255\n");
    huge.close();
    const struct {
        QString path;
        const char* why;
    } cases[] = {
        {pathIn(folder, "missing.png"), "no such file"},
        {QString::fromStdString(folder.path().string()), "not a regular file"},
        {pathIn(folder, "notes.png"), ""},
        {pathIn(folder, "huge.ppm"), "megapixels"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(loadDiyPicture(c.path, &error)) << c.path.toStdString();
        EXPECT_TRUE(error.startsWith(QStringLiteral("cannot read ") + c.path + QStringLiteral(": "))) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.why))) << error.toStdString();
    }
}

}  // namespace
}  // namespace vandrel
