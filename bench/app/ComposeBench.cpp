// One full composition of the main window, in the states that draw the most:
// the panel open with a list over it, every key lit, every key coloured; and
// at 200 % the area composed again after one key was painted, as a drag
// across the keys repaints. Prints the median and the 90th percentile per
// state; the target is a median of at most 4 ms.

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/draw/MainWindowRenderer.h"
#include "skins/SkinSet.h"

using namespace vandrel;

namespace {

struct Scene {
    const char* name;
    MainWindowModel model;
    DeviceImage image{};
    ReassignedFlags flags{};
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * (v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("png"));
    for (const SkinImage& s : drawSkinSet()) s.image.save(dir.filePath("png/" + s.name));

    SkinCache skins(dir.filePath("png"));
    MainWindowRenderer renderer(skins);
    std::vector<Scene> scenes(3);

    scenes[0].name = "panel open, effect list open";
    scenes[0].image.ledEffect = 3;
    scenes[0].image.ledColor = 8;
    for (PanelState* p : {&scenes[0].model.panel()}) {
        p->lightingCollapsed = p->gameModeCollapsed = p->responseCollapsed = p->reportCollapsed = false;
        p->effectListOpen = true;
    }

    scenes[1].name = "every key reassigned";
    scenes[1].image.ledEffect = 2;
    scenes[1].model.panel().lightingCollapsed = false;
    for (int s = 0; s < kPhysicalSlots; ++s) scenes[1].flags[s] = 1;

    scenes[2].name = "every key coloured (DIY)";
    scenes[2].image.ledEffect = 51;
    scenes[2].model.panel().diyPaintMode = true;
    scenes[2].model.panel().lightingCollapsed = false;
    for (int s = 0; s < kPhysicalSlots; ++s) {
        uint8_t* cell = scenes[2].image.diyMaps[0] + SlotCellOffset[s];
        cell[1] = static_cast<uint8_t>(s * 2), cell[2] = static_cast<uint8_t>(255 - s), cell[3] = 90;
    }

    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    QImage frame;
    std::printf("Main window composition, %d runs each (target: median <= 4 ms)\n", runs);
    bool ok = true;
    for (Scene& scene : scenes) {
        RenderInput in;
        in.model = &scene.model;
        in.image = &scene.image;
        in.reassigned = &scene.flags;
        in.webAddress = QStringLiteral("www.vandrel.example");
        for (SliderView* v : {&in.speed, &in.brightness, &in.report}) {
            v->drawn = true;
            v->rect = QRect(28, 260, 220, 17);
            v->thumbX = 100;
        }
        in.report.rect.moveTop(543);
        in.speed.rect.moveTop(303);
        scene.model.prepareDrawing(scene.image);
        std::vector<double> ms;
        for (int i = 0; i < runs + 5; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            renderer.compose(frame, in);
            const auto t1 = std::chrono::steady_clock::now();
            if (i >= 5) ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        const double median = percentile(ms, 0.5);
        ok = ok && median <= 4.0;
        std::printf("  %-32s median %6.3f ms   p90 %6.3f ms\n", scene.name, median, percentile(ms, 0.9));
    }

    // A stroke over the keys at 200 %: after each key painted only its
    // area of the window is composed again.
    {
        SkinCache skins2x(dir.filePath("png"));
        skins2x.setDevicePixelRatio(2);
        MainWindowRenderer renderer2x(skins2x);
        MainWindowModel model;
        model.panel().diyPaintMode = true;
        model.panel().lightingCollapsed = false;
        DeviceImage image{};
        image.ledEffect = 51;
        ReassignedFlags flags{};
        RenderInput in;
        in.model = &model;
        in.image = &image;
        in.reassigned = &flags;
        model.prepareDrawing(image);
        QImage frame2x;
        std::vector<double> full, area;
        for (int i = 0; i < 20; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            renderer2x.compose(frame2x, in);
            full.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        const std::vector<int>& keys = diyPaintableSlots();
        for (int i = 0; i < runs + 5; ++i) {
            const int slot = keys[static_cast<size_t>(i) % keys.size()];
            const KeyRect& k = KeyGeometry[static_cast<size_t>(slot)].rect;
            const auto t0 = std::chrono::steady_clock::now();
            setDiyKeyColour(image, 0, slot, Rgb{static_cast<uint8_t>(i), 0x80, 0x20});
            in.clip = QRect(QPoint(k.left + kKeyboardOriginX - 3, k.top + kKeyboardOriginY - 3),
                            QPoint(k.right + kKeyboardOriginX + 3, k.bottom + kKeyboardOriginY + 3));
            renderer2x.compose(frame2x, in);
            const auto t1 = std::chrono::steady_clock::now();
            if (i >= 5) area.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        const double median = percentile(area, 0.5);
        ok = ok && median <= 4.0;
        std::printf("  %-32s median %6.3f ms   p90 %6.3f ms   (whole frame %.3f ms)\n", "one key painted, 200 %",
                    median, percentile(area, 0.9), percentile(full, 0.5));
    }
    std::printf("%s\n", ok ? "within target" : "OVER TARGET");
    return ok ? 0 : 1;
}
