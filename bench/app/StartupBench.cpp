// From process start to the window filled with the keyboard's values, for
// the demo (offscreen). The budget is the splash's time, plus the start-up
// read's protocol floor (its pauses alone, measured on the simulated keyboard
// with a virtual clock), plus 200 ms. Prints both figures, the budget and the
// demo's peak memory.

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "controls/CSplashScreen.h"
#include "device/DeviceSession.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"

using namespace vandrel;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    double floorMs = 0;
    {
        VirtualClock clock;
        SimKeyboard keyboard(clock);
        DeviceSession session(keyboard, clock);
        session.openChannels();
        DeviceImage image{};
        FirmwareVersion fw;
        const int64_t t0 = clock.nowUs();
        session.initialRead(image, fw);
        floorMs = (clock.nowUs() - t0) / 1000.0;
        session.closeChannels();
    }
    const double splashMs = (CSplashScreen::kLastTick + 2) * CSplashScreen::kTickMs;
    const double budget = splashMs + floorMs + 200;

    const QString demo = QStringLiteral(VANDREL_DEMO_PATH);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANDREL_DEMO_READY"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("DISPLAY"))) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QRegularExpression line(QStringLiteral("ready (\\d+) ms since process start .* peak memory (\\d+) kB"));
    std::vector<double> times;
    long peakKb = 0;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(demo, {});
        if (!p.waitForFinished(30000)) {
            p.kill();
            std::fprintf(stderr, "the demo did not report within 30 s\n");
            return 1;
        }
        const auto m = line.match(QString::fromLocal8Bit(p.readAllStandardOutput()));
        if (!m.hasMatch()) {
            std::fprintf(stderr, "no ready line from %s (is another instance running?)\n", qPrintable(demo));
            return 1;
        }
        times.push_back(m.captured(1).toDouble());
        peakKb = std::max(peakKb, m.captured(2).toLong());
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("Start-up of the demo to the window filled with the keyboard's values (%d runs)\n", runs);
    std::printf("  splash                  %7.0f ms\n", splashMs);
    std::printf("  start-up read's floor   %7.0f ms (protocol pauses)\n", floorMs);
    std::printf("  budget                  %7.0f ms (splash + floor + 200 ms)\n", budget);
    std::printf("  measured (median)       %7.0f ms\n", median);
    std::printf("  peak memory (VmHWM)     %7ld kB\n", peakKb);
    std::printf("%s\n", median <= budget ? "within budget" : "OVER BUDGET");
    return median <= budget ? 0 : 1;
}
