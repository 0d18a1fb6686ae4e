// Times vandrelctl as a user runs it, a whole process against the demo
// keyboard: `show` and a `set` of one value. Each is compared with its
// protocol floor, the same exchange on the virtual clock where only the
// keyboard's mandated pauses and acknowledgements take time, plus 100 ms for
// starting a process. The program runs from a copy in a temporary folder, so
// its demo keyboard and data files are its own.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "device/DeviceSession.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"

using namespace vandrel;

namespace {

constexpr double kStartAllowanceMs = 100.0;
constexpr int kRuns = 7;

// Milliseconds of virtual time the exchange takes.
template <typename F>
double floorMs(F exchange) {
    VirtualClock clock;
    SimKeyboard keyboard(clock);
    DeviceSession session(keyboard, clock);
    session.openChannels();
    const int64_t start = clock.nowUs();
    exchange(session);
    const double ms = (clock.nowUs() - start) / 1000.0;
    session.closeChannels();
    return ms;
}

// Wall-clock milliseconds of one run of the program, output discarded; -1 when it failed.
double runMs(const std::string& program, std::vector<std::string> args) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool report(const char* what, const std::vector<double>& runs, double floor) {
    if (std::find(runs.begin(), runs.end(), -1.0) != runs.end()) {
        std::printf("%-22s FAILED (the program did not complete)\n", what);
        return false;
    }
    const double m = median(runs), target = 1.10 * floor + kStartAllowanceMs;
    const bool ok = m <= target;
    std::printf("%-22s median %7.1f ms of %d runs  (floor %6.1f ms; target <= 1.10 x floor + %.0f = %6.1f ms)  %s\n",
                what, m, kRuns, floor, kStartAllowanceMs, target, ok ? "ok" : "OVER");
    return ok;
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    std::random_device rd;
    const fs::path folder = fs::temp_directory_path() / ("vandrelctl-bench-" + std::to_string(rd()));
    fs::create_directories(folder);
    const fs::path program = folder / "vandrelctl";
    fs::copy_file(VANDREL_CTL_PATH, program);

    const double showFloor = floorMs([](DeviceSession& s) {
        DeviceImage image{};
        FirmwareVersion fw;
        s.initialRead(image, fw);
    });
    const double setFloor = floorMs([](DeviceSession& s) {
        DeviceImage image{};
        image.clear();
        ChangeFlags lighting;
        lighting.lighting = true;
        s.readSettings(image, lighting);
        ShadowImage shadow = image;
        image.ledBrightness = static_cast<uint8_t>(image.ledBrightness == 7 ? 8 : 7);
        s.writeAll(image, shadow);
    });

    // One run first, so that the demo keyboard's file exists like on every later run.
    runMs(program.string(), {"--demo", "show"});
    std::vector<double> show, set;
    for (int i = 0; i < kRuns; ++i) show.push_back(runMs(program.string(), {"--demo", "show"}));
    for (int i = 0; i < kRuns; ++i)
        set.push_back(runMs(program.string(), {"--demo", "set", "brightness=" + std::to_string(10 + i % 2)}));

    const bool ok = report("vandrelctl show", show, showFloor) & report("vandrelctl set (one)", set, setFloor);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return ok ? 0 : 1;
}
