// From process start to the window filled with the keyboard's values, for
// the demo. The budget is the splash's time, plus the start-up read's
// protocol floor (its pauses alone, measured on the simulated keyboard with a
// virtual clock), plus 200 ms. Prints both figures, the budget and the demo's
// peak memory, on X11 (the display, or an Xvfb of its own) and on Wayland (a
// headless weston of its own), where Wayland's peak must stay within 10 % of
// X11's. Without either server it measures offscreen.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "controls/CSplashScreen.h"
#include "device/DeviceSession.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"

using namespace vandrel;

namespace {

struct Figures {
    double medianMs = 0;
    long peakKb = 0;
};

// Runs the demo `runs` times in `env`; nothing when it does not report.
std::optional<Figures> measure(const QProcessEnvironment& env, int runs) {
    const QString demo = QStringLiteral(VANDREL_DEMO_PATH);
    const QRegularExpression line(QStringLiteral("ready (\\d+) ms since process start .* peak memory (\\d+) kB"));
    std::vector<double> times;
    Figures f;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(demo, {});
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            std::fprintf(stderr, "the demo did not report within 30 s\n");
            return std::nullopt;
        }
        const auto m = line.match(QString::fromLocal8Bit(p.readAllStandardOutput()));
        if (!m.hasMatch()) {
            std::fprintf(stderr, "no ready line from %s (is another instance running?)\n%s", qPrintable(demo),
                         p.readAllStandardError().constData());
            return std::nullopt;
        }
        times.push_back(m.captured(1).toDouble());
        f.peakKb = std::max(f.peakKb, m.captured(2).toLong());
    }
    std::sort(times.begin(), times.end());
    f.medianMs = times[times.size() / 2];
    return f;
}

// A display server of the benchmark's own, ended with it.
struct Server {
    std::unique_ptr<QProcess> process;
    QTemporaryDir runtime;  // Wayland's socket folder
    ~Server() {
        if (process) {
            process->terminate();
            if (!process->waitForFinished(3000)) process->kill();
            process->waitForFinished(3000);
        }
    }
};

bool waitFor(const QString& path, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (QFileInfo::exists(path)) return true;
        QThread::msleep(50);
    }
    return false;
}

// An Xvfb on the first free display from :90; its name, or empty.
QString startXvfb(Server& server) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) return {};
    for (int n = 90; n < 130; ++n) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        if (QFileInfo::exists(socket) || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) continue;
        server.process = std::make_unique<QProcess>();
        server.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.process->setStandardOutputFile(QProcess::nullDevice());
        server.process->start(xvfb, {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                                     QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (waitFor(socket, 5000)) return QStringLiteral(":%1").arg(n);
        server.process.reset();
    }
    return {};
}

// A headless weston in a runtime folder of its own; the socket's name, or empty.
QString startWeston(Server& server) {
    const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
    if (weston.isEmpty() || !server.runtime.isValid()) return {};
    QFile::setPermissions(server.runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString name = QStringLiteral("vandrel-bench");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), server.runtime.path());
    server.process = std::make_unique<QProcess>();
    server.process->setProcessEnvironment(env);
    server.process->setStandardOutputFile(QProcess::nullDevice());
    server.process->setStandardErrorFile(QProcess::nullDevice());
    server.process->start(weston, {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=") + name,
                                   QStringLiteral("--idle-time=0"), QStringLiteral("--width=1280"),
                                   QStringLiteral("--height=1024")});
    if (waitFor(server.runtime.filePath(name), 10000)) return name;
    server.process.reset();
    return {};
}

void printFigures(const char* where, const Figures& f) {
    std::printf("  %-8s measured (median) %7.0f ms, peak memory (VmHWM) %7ld kB\n", where, f.medianMs, f.peakKb);
}

}  // namespace

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

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    base.insert(QStringLiteral("VANDREL_DEMO_READY"), QStringLiteral("1"));
    base.remove(QStringLiteral("QT_QPA_PLATFORM"));

    // X11: the display given, or an Xvfb of the benchmark's own.
    Server xServer;
    QString display = base.value(QStringLiteral("DISPLAY"));
    if (display.isEmpty() || base.contains(QStringLiteral("WAYLAND_DISPLAY"))) display = startXvfb(xServer);
    std::optional<Figures> x11, wayland, offscreen;
    if (!display.isEmpty()) {
        QProcessEnvironment env = base;
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!(x11 = measure(env, runs))) return 1;
    }
    // Wayland: a headless weston of the benchmark's own.
    Server wlServer;
    const QString socket = startWeston(wlServer);
    if (!socket.isEmpty()) {
        QProcessEnvironment env = base;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), wlServer.runtime.path());
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.remove(QStringLiteral("DISPLAY"));
        if (!(wayland = measure(env, runs))) return 1;
    }
    if (!x11 && !wayland) {
        QProcessEnvironment env = base;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!(offscreen = measure(env, runs))) return 1;
    }

    std::printf("Start-up of the demo to the window filled with the keyboard's values (%d runs each)\n", runs);
    std::printf("  splash                  %7.0f ms\n", splashMs);
    std::printf("  start-up read's floor   %7.0f ms (protocol pauses)\n", floorMs);
    std::printf("  budget                  %7.0f ms (splash + floor + 200 ms)\n", budget);
    bool ok = true;
    for (const auto& [where, f] : {std::pair{"X11", x11}, std::pair{"Wayland", wayland}, std::pair{"offscreen", offscreen}}) {
        if (!f) continue;
        printFigures(where, *f);
        ok = ok && f->medianMs <= budget;
    }
    if (x11 && wayland) {
        const double ratio = double(wayland->peakKb) / double(x11->peakKb);
        std::printf("  Wayland's peak memory is %.0f %% of X11's (target: at most 110 %%)\n", ratio * 100);
        ok = ok && ratio <= 1.10;
    }
    if (!x11) std::printf("  X11 not measured (no display, and Xvfb not found)\n");
    if (!wayland) std::printf("  Wayland not measured (weston not found)\n");
    std::printf("%s\n", ok ? "within budget" : "OVER BUDGET");
    return ok ? 0 : 1;
}
