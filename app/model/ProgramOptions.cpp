#include "app/model/ProgramOptions.h"

#include <cstring>

namespace vandrel {

namespace {

// The toolkit's own options, with one dash or two; those that take the next
// word as their value, and those that stand alone.
constexpr const char* kToolkitWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "session", "display", "geometry", "style", "stylesheet", "name", "title",
    "visual", "ncols", "im", "qwindowscreen",
};
constexpr const char* kToolkitAlone[] = {"reverse", "nograb", "dograb", "sync", "widgetcount", "cmap"};

// The option's name without its dashes, or empty when `arg` is no option.
std::string optionName(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return {};
    return arg.substr(arg[1] == '-' ? 2 : 1);
}

}  // namespace

ProgramOptions parseProgramOptions(const std::vector<std::string>& args, bool demo) {
    ProgramOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            o.action = ProgramOptions::Action::Help;
            return o;
        }
        if (a == "--version") {
            o.action = ProgramOptions::Action::Version;
            return o;
        }
    }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--hidden") {
            o.hidden = true;
            continue;
        }
        if (demo && a == "--factory-demo") {
            o.factoryDemo = true;
            continue;
        }
        std::string name = optionName(a);
        // "-style=fusion" carries its value.
        const size_t eq = name.find('=');
        const bool valueAttached = eq != std::string::npos;
        if (valueAttached) name.resize(eq);
        bool known = false;
        for (const char* t : kToolkitWithValue)
            if (name == t) {
                known = true;
                if (!valueAttached) {
                    if (i + 1 == args.size()) {
                        o.action = ProgramOptions::Action::Refuse;
                        o.error = "option '" + a + "' needs a value";
                        return o;
                    }
                    ++i;
                }
            }
        for (const char* t : kToolkitAlone)
            if (name == t && !valueAttached) known = true;
        // The QML debugger's option is -qmljsdebugger=...
        if (name == "qmljsdebugger" && valueAttached) known = true;
        if (known) continue;
        o.action = ProgramOptions::Action::Refuse;
        o.error = a.size() > 1 && a[0] == '-' ? "unknown option '" + a + "'" : "unexpected argument '" + a + "'";
        return o;
    }
    return o;
}

std::string programHelpText(bool demo) {
    std::string text =
        "Usage: Vandrel [--hidden]" + std::string(demo ? " [--factory-demo]" : "") +
        "\n"
        "The configuration utility of the Vandrel USB gaming keyboard (04d9:a124):\n"
        "key assignments, macros, lighting, performance settings and profiles.\n" +
        std::string(demo ? "This is the demo: the same program on a simulated keyboard.\n" : "") +
        "\n"
        "Options:\n"
        "  --hidden        start in the notification area without showing the window\n"
        "                  (minimised where the desktop has none); the autostart\n"
        "                  entry uses it\n" +
        std::string(demo ? "  --factory-demo  start the simulated keyboard in its factory state\n" : "") +
        "  -h, --help      show this help and exit\n"
        "  --version       show the version and exit\n"
        "The toolkit's options (-platform, -style, ...) are passed on to it.\n"
        "\n"
        "Environment: VANDREL_LANG=zh or en chooses the language of the texts.\n"
        "Only one program runs per user; a second start brings the first to the front.\n"
        "Trouble with the keyboard or its access: run 'vandrelctl doctor'.\n"
        "The manual: man vandrel, man vandrelctl.\n";
    return text;
}

std::string programVersionText() { return "Vandrel 1.1\n"; }

StartWindow startWindow(bool hidden, bool trayInstalled) {
    if (!hidden) return StartWindow::Show;
    return trayInstalled ? StartWindow::InTray : StartWindow::Minimised;
}

}  // namespace vandrel
