// The skins at every pixel density, headless with the screen at 200 %: which
// file the cache takes, the double set the generator draws, and the windows
// composed at the device's resolution with their skins and texts.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/draw/MainWindowRenderer.h"
#include "app/ui/CConfigureDlg.h"
#include "controls/CTransparentListBox.h"
#include "skins/SkinSet.h"
#include "tests/support/SkinFolder.h"
#include "tests/support/TempFolder.h"
#include "theme/SkinCache.h"
#include "theme/SkinFile.h"

namespace vandrel {
namespace {

using test::qpath;
using test::TempFolder;

// Every window of this test is on a screen at 200 %: set while the program
// starts, before the test main makes the application.
[[maybe_unused]] const bool kScreenAtTwice = qputenv("QT_SCALE_FACTOR", "2");

QImage filled(int w, int h, const QColor& c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// The skin set in both densities, drawn once.
const test::SkinFolder& skins() {
    static const test::SkinFolder folder({1.0, 2.0});
    return folder;
}

// The mean difference per channel (premultiplied, alpha included) between
// `small` and `large` halved by averaging each 2 x 2 block.
double differenceFromHalved(const QImage& small, const QImage& large) {
    const QImage a = small.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = large.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            double c[4] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb p = b.pixel(2 * x + dx, 2 * y + dy);
                    c[0] += qRed(p), c[1] += qGreen(p), c[2] += qBlue(p), c[3] += qAlpha(p);
                }
            const QRgb p = a.pixel(x, y);
            sum += std::abs(qRed(p) - c[0] / 4) + std::abs(qGreen(p) - c[1] / 4) + std::abs(qBlue(p) - c[2] / 4) +
                   std::abs(qAlpha(p) - c[3] / 4);
        }
    return sum / (4.0 * a.width() * a.height());
}

// Whether the rectangle (device pixels) holds detail finer than a logical
// pixel: some 2 x 2 block whose pixels differ. A 1x picture blown up has none.
bool hasDeviceDetail(const QImage& img, const QRect& r) {
    for (int y = r.top(); y + 1 <= r.bottom(); y += 2)
        for (int x = r.left(); x + 1 <= r.right(); x += 2) {
            const QRgb p = img.pixel(x, y);
            if (img.pixel(x + 1, y) != p || img.pixel(x, y + 1) != p || img.pixel(x + 1, y + 1) != p) return true;
        }
    return false;
}

TEST(SkinCacheDensity, TakesTheDoubleImageOnDenserScreensAndKeepsLogicalSizes) {
    TempFolder folder;
    const QString dir = qpath(folder.path());
    filled(10, 6, Qt::red).save(dir + "/a.png");
    filled(20, 12, Qt::green).save(dir + "/a@2x.png");
    filled(10, 6, Qt::blue).save(dir + "/plain.png");
    SkinCache cache(dir);

    ASSERT_NE(cache.image("a.png"), nullptr);
    EXPECT_EQ(cache.image("a.png")->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(cache.image("a.png")->devicePixelRatio(), 1.0);

    cache.setDevicePixelRatio(2);
    const QImage* doubled = cache.image("a.png");
    ASSERT_NE(doubled, nullptr);
    EXPECT_EQ(doubled->pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(doubled->size(), QSize(20, 12));
    EXPECT_EQ(cache.logicalSize("a.png"), QSize(10, 6));
    // Without a double image the plain one is drawn, scaled by the painter.
    ASSERT_NE(cache.image("plain.png"), nullptr);
    EXPECT_EQ(cache.image("plain.png")->pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(cache.logicalSize("plain.png"), QSize(10, 6));

    // 150 %: the double image brought down to the screen's pixels once.
    cache.setDevicePixelRatio(1.5);
    const QImage* scaled = cache.image("a.png");
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(scaled->size(), QSize(15, 9));
    EXPECT_EQ(scaled->devicePixelRatio(), 1.5);
    EXPECT_EQ(cache.logicalSize("a.png"), QSize(10, 6));
    EXPECT_EQ(scaled->pixel(7, 4), qRgb(0, 255, 0));
}

TEST(SkinCacheDensity, TheLanguageComesBeforeTheDensity) {
    TempFolder folder;
    const QString dir = qpath(folder.path());
    QDir().mkpath(dir + "/en");
    filled(4, 4, Qt::red).save(dir + "/text@2x.png");
    filled(2, 2, Qt::red).save(dir + "/text.png");
    filled(2, 2, Qt::green).save(dir + "/en/text.png");
    SkinCache cache(dir);
    cache.setOverlay(dir + "/en");
    cache.setDevicePixelRatio(2);
    // An English image without its double still beats the Chinese double.
    ASSERT_NE(cache.image("text.png"), nullptr);
    EXPECT_EQ(cache.image("text.png")->pixel(0, 0), qRgb(0, 255, 0));
    filled(4, 4, Qt::blue).save(dir + "/en/text@2x.png");
    EXPECT_EQ(cache.image("text.png")->pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(cache.image("text.png")->devicePixelRatio(), 2.0);
}

TEST(DoubleSkinSet, EveryImageIsTheSamePictureAtTwiceTheResolution) {
    const QList<SkinImage> plain = drawSkinSet(1);
    const QList<SkinImage> doubled = drawSkinSet(2);
    ASSERT_EQ(plain.size(), doubled.size());
    for (int i = 0; i < plain.size(); ++i) {
        const QImage& a = plain[i].image;
        const QImage& b = doubled[i].image;
        EXPECT_EQ(plain[i].name, doubled[i].name);
        EXPECT_EQ(b.size(), a.size() * 2) << qPrintable(plain[i].name);
        EXPECT_EQ(b.devicePixelRatio(), 2.0) << qPrintable(plain[i].name);
        // Edges, borders and texts in the same places: halved, the double
        // image is the plain one up to anti-aliasing and hinting.
        EXPECT_LT(differenceFromHalved(a, b), 6.0) << qPrintable(plain[i].name);
    }
}

TEST(WindowAt200Percent, TheMainWindowIsComposedFromTheDoubleSkinsWithTextsAtDeviceResolution) {
    SkinCache cache(skins().png());
    cache.setDevicePixelRatio(2);
    MainWindowRenderer renderer(cache);
    MainWindowModel model;
    auto image = std::make_unique<DeviceImage>();
    ReassignedFlags reassigned{};
    const int slot = 42;  // Q
    reassigned[slot] = 1;
    RenderInput in;
    in.model = &model;
    in.image = image.get();
    in.reassigned = &reassigned;
    QImage frame;
    renderer.compose(frame, in);

    EXPECT_EQ(frame.size(), QSize(2000, 1280));
    EXPECT_EQ(frame.devicePixelRatio(), 2.0);
    // A reassigned key is the lit picture's key, pixel for pixel at 200 %.
    const QImage lit = QImage(skins().png() + "/kb_hl@2x.png").convertToFormat(QImage::Format_RGB32);
    const KeyRect& r = KeyGeometry[slot].rect;
    for (int y = 2 * r.top; y < 2 * r.bottom; ++y)
        for (int x = 2 * r.left; x < 2 * r.right; ++x)
            ASSERT_EQ(frame.pixel(x + 2 * kKeyboardOriginX, y + 2 * kKeyboardOriginY), lit.pixel(x, y)) << x << "," << y;
    // The caption of the save button is drawn at the device's resolution.
    EXPECT_TRUE(hasDeviceDetail(frame, QRect(2 * 924, 2 * 610, 2 * 58, 2 * 22)));
}

TEST(WindowAt200Percent, TheProfileListLiesOnTheDialogsOwnPixels) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    TempFolder profiles;
    auto image = std::make_unique<DeviceImage>();
    auto records = std::make_unique<KeyRecordTable>();
    CConfigureDlg dialog(skins().png(), profiles.path(), *image, *records);
    dialog.prepare();
    const QImage frame = dialog.composeFrame();
    ASSERT_EQ(frame.devicePixelRatio(), 2.0);
    CTransparentListBox* list = dialog.list();
    list->clearRows();
    const QImage rows = list->compose();
    EXPECT_EQ(rows.devicePixelRatio(), 2.0);
    EXPECT_EQ(logicalSize(rows), list->size());
    // Without rows the list is the dialog's picture under it, at 200 %.
    const QPoint at = list->pos() * 2;
    for (int y = 0; y < rows.height(); y += 7)
        for (int x = 0; x < rows.width(); x += 5)
            ASSERT_EQ(rows.pixel(x, y), frame.pixel(at.x() + x, at.y() + y)) << x << "," << y;
}

}  // namespace
}  // namespace vandrel
