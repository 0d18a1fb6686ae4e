#pragma once
// The program's command line, read before the toolkit starts so that --help
// and --version work without a display: the program's own options, the
// toolkit's options (left for it), and a refusal of anything else. Also where
// the window goes at start.

#include <string>
#include <vector>

namespace vandrel {

struct ProgramOptions {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    bool hidden = false;       // --hidden: wait in the notification area
    bool factoryDemo = false;  // --factory-demo: the simulated keyboard starts in its factory state
    std::string error;         // for Refuse: what was wrong
};

// `args` without the program name. `demo`: the program on the simulated
// keyboard, which also takes --factory-demo.
ProgramOptions parseProgramOptions(const std::vector<std::string>& args, bool demo);

std::string programHelpText(bool demo);
std::string programVersionText();

// The exit status of a refused command line.
constexpr int kProgramExitUsage = 2;

// Where the window goes once start-up is done. Only a start with --hidden
// (the desktop's autostart) keeps it out of sight: in the notification area,
// or minimised where there is none. A start the user made shows the window,
// also without a keyboard, where it says that none is connected.
enum class StartWindow { Show, Minimised, InTray };
StartWindow startWindow(bool hidden, bool trayInstalled);

}  // namespace vandrel
