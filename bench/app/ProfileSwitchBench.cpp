// From a focus report to the last acknowledged block of the profile switch it
// causes, in the program: the window on the simulated keyboard, a desktop that
// reports focus changes, one rule and its profile in a temporary folder.
//
// Each iteration is one switch, alternately to the rule's profile and back to
// the configuration before it. It is timed on the keyboard's clock and on the
// wall clock, from just before the focus report to the moment the host reads
// the keyboard's last acknowledgement of the write. On a virtual keyboard
// clock the pauses cost no wall time, so the switch as a real keyboard would
// see it is the wall time plus the keyboard's; on the real clock the wall
// time is all of it. That total is the benchmark's (manual) time.
//
// The floor is the write of the sections that differ, alone, on a virtual
// clock: the pauses the keyboard needs after each frame and block, plus the
// acknowledgement latency of each step, up to the last acknowledgement. The
// target is the floor + 300 ms; the margin is the total minus the floor.
//
// The rule follower can make at most 12 writes in 10 minutes, so every run
// starts on fresh files and makes 10 switches.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "app/ui/CTarvinDlg.h"
#include "bench/app/AckStamps.h"
#include "app/frontends/ProfileSwitchController.h"
#include "device/Clock.h"
#include "device/DeviceSession.h"
#include "keymap/KeyTables.h"
#include "keymap/KeymapFile.h"
#include "platform/focus/FocusBackend.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/support/ScriptedDesktop.h"
#include "tests/support/WaitWhileBusy.h"

using namespace vandrel;
using bench::AckStamps;
using bench::Floor;
using bench::protocolFloor;
using bench::wallUs;

namespace {

constexpr int kSwitches = 10;
constexpr double kAllowanceMs = 300;
constexpr int kSwitchTimeoutMs = 10000;

// The rule follower on the window's service, fed by the scripted desktop: the only
// part that knows who carries out a switch.
std::unique_ptr<ProfileSwitchController> startSwitching(CTarvinDlg& window, Clock& clock,
                                                        const std::filesystem::path& data,
                                                        test::ScriptedDesktop*& desktop) {
    const QString settings = QString::fromStdString((data / "Vandrel.conf").string());
    RuleSet rules;
    rules.rules = {{"game", "", "", "Game"}};
    RuleSettings(settings).setRules(rules);
    auto controller = std::make_unique<ProfileSwitchController>(
        window.service(), clock, QString::fromStdString((data / "Configure").string()), data, RuleSettings(settings));
    auto backend = std::make_unique<test::ScriptedDesktop>();
    desktop = backend.get();
    controller->start(std::move(backend), QStringLiteral("bench"));
    return controller;
}

// What the game's profile changes.
enum class ProfileKind { Lighting, Everything };

DeviceImage gameProfile(DeviceImage im, ProfileKind kind) {
    im.ledBrightness = static_cast<uint8_t>(im.ledBrightness == 40 ? 20 : 40);
    if (kind == ProfileKind::Lighting) return im;
    im.ledSpeed = static_cast<uint8_t>(im.ledSpeed == 2 ? 3 : 2);
    im.ledPalette[1][1] ^= 0x5A;
    std::swap(im.deviceKeyMap[SlotCellOffset[63] + 2], im.deviceKeyMap[SlotCellOffset[42] + 2]);  // A <-> Q
    im.keyMask[7] ^= 0x01;
    for (size_t i = 1; i < kDiyMapBytes; i += 4) im.diyMaps[0][i] ^= 0x33;
    return im;
}

void BM_ProfileSwitch(benchmark::State& bench) {
    const bool virtualKeyboard = bench.range(0) == 0;
    const auto kind = static_cast<ProfileKind>(bench.range(1));

    QTemporaryDir folder;
    const std::filesystem::path data = folder.path().toStdString();
    VirtualClock virtualClock;
    RealClock realClock;
    Clock& keyboardClock = virtualKeyboard ? static_cast<Clock&>(virtualClock) : realClock;
    SimKeyboard keyboard(keyboardClock);
    AckStamps transport(keyboard, keyboardClock);
    DeviceSession session(transport, keyboardClock);
    auto state = std::make_unique<AppState>();
    WindowPaths paths;
    paths.programFolder = folder.path();
    paths.dataFolder = data;
    CTarvinDlg window(*state, session, paths);
    window.hooks().warn = [](QWidget*, const QString&, const QString& text) {
        std::fprintf(stderr, "warning: %s\n", qPrintable(text));
    };
    window.initialise();
    test::waitWhileBusy(window.service());

    const DeviceImage start = state->shadow;
    const KeyRecordTable startKeys = state->shadowKeys;
    const DeviceImage game = gameProfile(start, kind);
    std::filesystem::create_directories(data / "Configure");
    if (!WriteConfigurationFile(data / "Configure" / "Game.bin", game, startKeys)) {
        bench.SkipWithError("the profile could not be written");
        return;
    }
    const Floor there = protocolFloor(start, game);
    const Floor back = protocolFloor(game, start);

    RealClock switchClock;
    test::ScriptedDesktop* desktop = nullptr;
    const std::unique_ptr<ProfileSwitchController> controller = startSwitching(window, switchClock, data, desktop);

    double sumKeyboard = 0, sumWall = 0, sumFloor = 0, sumPauses = 0, sumMargin = 0, maxMargin = 0;
    int sumAcks = 0, switches = 0;
    for (auto _ : bench) {
        const bool toGame = switches % 2 == 0;
        const Floor& floor = toGame ? there : back;
        const AckStamps::Stamp before = transport.last();
        QEventLoop loop;
        bool applied = false;
        const QMetaObject::Connection done =
            QObject::connect(controller.get(), &ProfileSwitchController::profileApplied, &loop, [&] {
                applied = true;
                loop.quit();
            });
        QTimer::singleShot(kSwitchTimeoutMs, &loop, &QEventLoop::quit);
        const int64_t keyboardStart = keyboardClock.nowUs();
        const int64_t wallStart = wallUs();
        desktop->focus(toGame ? "game" : "editor");
        loop.exec();
        QObject::disconnect(done);
        const AckStamps::Stamp last = transport.last();
        if (!applied || last.count == before.count || keyboard.config().ledBrightness != (toGame ? game : start).ledBrightness) {
            bench.SkipWithError("the switch did not reach the keyboard");
            return;
        }
        const double keyboardMs = (last.keyboardUs - keyboardStart) / 1000.0;
        const double wallMs = (last.wallUs - wallStart) / 1000.0;
        const double totalMs = virtualKeyboard ? wallMs + keyboardMs : wallMs;
        bench.SetIterationTime(totalMs / 1000.0);
        sumKeyboard += keyboardMs;
        sumWall += wallMs;
        sumFloor += floor.ms;
        sumPauses += floor.pausesMs;
        sumMargin += totalMs - floor.ms;
        maxMargin = std::max(maxMargin, totalMs - floor.ms);
        sumAcks += last.count - before.count;
        ++switches;
        // The window finishes the switch (its file, the follower's state)
        // before the next focus report.
        test::waitWhileBusy(window.service());
        QEventLoop settle;
        QTimer::singleShot(50, &settle, &QEventLoop::quit);
        settle.exec();
    }
    using benchmark::Counter;
    bench.counters["keyboard_ms"] = Counter(sumKeyboard, Counter::kAvgIterations);
    bench.counters["wall_ms"] = Counter(sumWall, Counter::kAvgIterations);
    bench.counters["floor_ms"] = Counter(sumFloor, Counter::kAvgIterations);
    bench.counters["pauses_ms"] = Counter(sumPauses, Counter::kAvgIterations);
    bench.counters["acks"] = Counter(sumAcks, Counter::kAvgIterations);
    bench.counters["floor_acks"] = (there.acks + back.acks) / 2.0;
    bench.counters["margin_ms"] = Counter(sumMargin, Counter::kAvgIterations);
    bench.counters["margin_max_ms"] = maxMargin;
    bench.counters["within_target"] = maxMargin <= kAllowanceMs ? 1 : 0;
    window.shutDown();
}

}  // namespace

// Keyboard clock (0 virtual, 1 real) x what the profile changes (0 the
// lighting, 1 lighting, palette, key map, key mask and a custom map).
BENCHMARK(BM_ProfileSwitch)
    ->ArgNames({"real_clock", "sections"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(kSwitches)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
