// image-compare EXPECTED ACTUAL [--max-pixels FRACTION] [--channel N]
//
// Whether two pictures are the same within a small tolerance: a pixel counts
// as different when one of its channels differs by more than N (default 24,
// what font smoothing and rounding move), and the pictures differ when more
// than FRACTION of the pixels do (default 0.002, 0.2 %) or their sizes
// differ. Exit status 0 same, 1 different, 2 a picture cannot be read or the
// command line is wrong. Prints what it found.

#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: image-compare EXPECTED ACTUAL [--max-pixels FRACTION] [--channel N]\n");
        return 2;
    }
    double maxFraction = 0.002;
    int channel = 24;
    for (int i = 3; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--max-pixels") == 0) maxFraction = std::atof(argv[++i]);
        else if (i + 1 < argc && std::strcmp(argv[i], "--channel") == 0) channel = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "image-compare: unknown argument '%s'\n", argv[i]);
            return 2;
        }
    }
    const QImage expected = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    const QImage actual = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_ARGB32);
    for (const auto& [image, name] : {std::pair{&expected, argv[1]}, std::pair{&actual, argv[2]}})
        if (image->isNull()) {
            std::fprintf(stderr, "image-compare: cannot read %s\n", name);
            return 2;
        }
    if (expected.size() != actual.size()) {
        std::printf("%s: %dx%d, %s: %dx%d: the sizes differ\n", argv[1], expected.width(), expected.height(), argv[2],
                    actual.width(), actual.height());
        return 1;
    }
    long long different = 0;
    int largest = 0;
    for (int y = 0; y < expected.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        for (int x = 0; x < expected.width(); ++x) {
            const int d = std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                                    std::abs(qBlue(a[x]) - qBlue(b[x])), std::abs(qAlpha(a[x]) - qAlpha(b[x]))});
            largest = std::max(largest, d);
            if (d > channel) ++different;
        }
    }
    const long long total = static_cast<long long>(expected.width()) * expected.height();
    const bool same = different <= static_cast<long long>(maxFraction * static_cast<double>(total));
    std::printf("%s: %lld of %lld pixels differ (largest channel difference %d): %s\n", argv[2], different, total,
                largest, same ? "same" : "different");
    return same ? 0 : 1;
}
