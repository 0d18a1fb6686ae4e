// The screenshot check's comparison: what it lets pass and what it catches.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <string>

#include "../support/TempFolder.h"

namespace {

using vandrel::test::TempFolder;

int compare(const std::string& a, const std::string& b) {
    const std::string command = std::string(VANDREL_IMAGE_COMPARE) + " '" + a + "' '" + b + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QImage window() {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(QColor(0x1E, 0x21, 0x27));
    QPainter p(&image);
    p.fillRect(10, 10, 60, 20, QColor(0xC4, 0x16, 0x1C));
    return image;
}

TEST(ImageCompare, SameWithinToleranceDifferentBeyond) {
    TempFolder dir;
    const std::string expected = (dir.path() / "expected.png").string();
    const std::string actual = (dir.path() / "actual.png").string();
    ASSERT_TRUE(window().save(QString::fromStdString(expected)));

    // The same picture.
    ASSERT_TRUE(window().save(QString::fromStdString(actual)));
    EXPECT_EQ(compare(expected, actual), 0);

    // Font smoothing: every pixel a little off.
    QImage shaded = window();
    for (int y = 0; y < shaded.height(); ++y)
        for (int x = 0; x < shaded.width(); ++x) {
            const QColor c = shaded.pixelColor(x, y);
            shaded.setPixelColor(x, y, QColor(std::min(255, c.red() + 10), c.green(), c.blue()));
        }
    ASSERT_TRUE(shaded.save(QString::fromStdString(actual)));
    EXPECT_EQ(compare(expected, actual), 0);

    // A panel moved by two pixels: a stale screenshot.
    QImage moved = window();
    {
        QPainter p(&moved);
        p.fillRect(10, 10, 60, 20, QColor(0x1E, 0x21, 0x27));
        p.fillRect(10, 12, 60, 20, QColor(0xC4, 0x16, 0x1C));
    }
    ASSERT_TRUE(moved.save(QString::fromStdString(actual)));
    EXPECT_EQ(compare(expected, actual), 1);

    // Another size (another scale) is never the same picture.
    ASSERT_TRUE(window().scaled(300, 150).save(QString::fromStdString(actual)));
    EXPECT_EQ(compare(expected, actual), 1);

    // A missing picture is an error, not a difference.
    EXPECT_EQ(compare(expected, (dir.path() / "none.png").string()), 2);
}

}  // namespace
