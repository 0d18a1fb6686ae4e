#include "cli/CtlOptions.h"

#include "app/model/DiyCommand.h"
#include "config/Settings.h"
#include "profile/SessionLightingChoice.h"

namespace vandrel::ctl {

namespace {

constexpr const char* kSessionSetUsage = "session set [lock=off|dim|keep] [idle=MINUTES|never] [sleep=off|keep] [dim=0..50]";
constexpr const char* kRuleAddUsage = "rule add --class CLASS [--title REGEX] [--exe PATH] --profile PROFILE";

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {
    {"list", Command::List},   {"show", Command::Show},   {"set", Command::Set},
    {"apply", Command::Apply}, {"save", Command::Save},   {"reset", Command::Reset},
    {"export", Command::Export}, {"import", Command::Import}, {"help", Command::Help},
    {"watch", Command::Watch}, {"rule", Command::Rule}, {"session", Command::Session},
    {"doctor", Command::Doctor}, {"diy", Command::Diy},
};

}  // namespace

const char* commandName(Command c) {
    for (const CommandName& n : kCommands)
        if (n.command == c) return n.name;
    return c == Command::Version ? "version" : "";
}

bool changesKeyboard(Command c) {
    return c == Command::Set || c == Command::Apply || c == Command::Reset || c == Command::Import;
}

ParseResult parseCommandLine(const std::vector<std::string>& argv) {
    ParseResult r;
    Options& o = r.options;
    bool endOfSwitches = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (!endOfSwitches && a.size() > 1 && a[0] == '-') {
            // The fields of a rule take the next word as their value.
            std::string* field = a == "--class"     ? &o.rule.windowClass
                                 : a == "--title"   ? &o.rule.title
                                 : a == "--exe"     ? &o.rule.exe
                                 : a == "--profile" ? &o.rule.profile
                                                    : nullptr;
            if (field) {
                if (i + 1 == argv.size()) {
                    r.error = "'" + a + "' needs a value";
                    return r;
                }
                *field = argv[++i];
                o.ruleFields = true;
                continue;
            }
            if (a == "--") endOfSwitches = true;
            else if (a == "-h" || a == "--help") o.command = Command::Help;
            else if (a == "--version") o.command = Command::Version;
            else if (a == "--json") o.json = true;
            else if (a == "-y" || a == "--yes") o.yes = true;
            else if (a == "--demo") o.demo = true;
            else if (a == "-f" || a == "--force") o.force = true;
            else {
                r.error = "unknown option '" + a + "'";
                return r;
            }
            continue;
        }
        if (o.command == Command::None) {
            for (const CommandName& n : kCommands)
                if (a == n.name) o.command = n.command;
            if (o.command == Command::None) {
                r.error = "unknown command '" + a + "'";
                return r;
            }
            continue;
        }
        o.args.push_back(a);
    }
    // --help and --version win over everything else.
    if (o.command == Command::Help || o.command == Command::Version) return r;
    if (o.ruleFields && o.command != Command::Rule) {
        r.error = "--class, --title, --exe and --profile belong to 'rule add'";
        return r;
    }

    const size_t n = o.args.size();
    auto need = [&r](bool good, const std::string& usage) {
        if (!good) r.error = "usage: vandrelctl " + usage;
        return r;
    };
    const bool diyExport = o.command == Command::Diy && n && o.args[0] == "export";
    if (o.force && o.command != Command::Save && o.command != Command::Export && !diyExport)
        return need(false, "save [--force] PROFILE, export --json [--force] FILE, or diy export [--force] N PICTURE");
    switch (o.command) {
    case Command::None: r.error = "no command given"; return r;
    case Command::List: return need(n == 0 && !o.json, "list");
    case Command::Show: return need(n == 0, "show [--json]");
    case Command::Reset: return need(n == 0 && !o.json, "reset [--yes]");
    case Command::Apply: return need(n == 1 && !o.json, "apply PROFILE [--yes]");
    case Command::Save: return need(n == 1 && !o.json, "save [--force] PROFILE");
    case Command::Export: return need(n == 1 && o.json, "export --json [--force] FILE");
    case Command::Import: return need(n == 1 && o.json, "import --json FILE [--yes]");
    case Command::Watch: return need(n == 0, "watch");
    case Command::Doctor: return need(n == 0 && !o.json, "[--demo] doctor");
    case Command::Rule: {
        const std::string sub = n ? o.args[0] : std::string();
        if (sub == "add") {
            if (n != 1 || o.json) return need(false, kRuleAddUsage);
            const std::string problem = ruleProblem(o.rule);
            if (!problem.empty()) r.error = problem + "; usage: vandrelctl " + kRuleAddUsage;
            return r;
        }
        if (o.ruleFields) {
            r.error = "--class, --title, --exe and --profile belong to 'rule add'";
            return r;
        }
        if (sub == "list") return need(n == 1, "rule list [--json]");
        if (sub == "remove")
            return need(n == 2 && !o.json && !o.args[1].empty() &&
                            o.args[1].find_first_not_of("0123456789") == std::string::npos &&
                            o.args[1].size() < 6 && std::stoi(o.args[1]) > 0,
                        "rule remove N");
        if (sub == "default") return need(n == 2 && !o.json, "rule default PROFILE|none");
        return need(false, "rule add|list|remove|default ...");
    }
    case Command::Session: {
        const std::string sub = n ? o.args[0] : std::string();
        if (sub == "show") return need(n == 1, "session show [--json]");
        if (sub == "set") {
            if (n < 2 || o.json) return need(false, kSessionSetUsage);
            SessionLightingChoice trial;
            std::string error;
            if (!applySessionAssignments({o.args.begin() + 1, o.args.end()}, trial, error))
                r.error = error + "; usage: vandrelctl " + kSessionSetUsage;
            return r;
        }
        return need(false, "session show|set ...");
    }
    case Command::Diy: {
        const DiyParse parsed = parseDiyCommand(o.args);
        if (!parsed.ok()) r.error = parsed.error;
        else if (o.json && parsed.request.action != DiyAction::Show) return need(false, "diy show N --json");
        return r;
    }
    case Command::Set: {
        if (o.json) return need(false, "set KEY=VALUE ...");
        const config::SettingsParse s = config::parseSettings(o.args);
        if (!s.ok) r.error = s.error;
        return r;
    }
    default: return r;
    }
}

std::string versionText() { return "vandrelctl 1.1\n"; }

std::string helpText() {
    return "Usage: vandrelctl [--demo] COMMAND [ARGUMENTS]\n"
           "Reads and changes the configuration of the Vandrel gaming keyboard from a\n"
           "terminal or a script. While the Vandrel program runs, set, apply and the diy\n"
           "commands that paint are handed to it, so that it shows the change, and show,\n"
           "save, export, diy show and diy export take the configuration it holds; list,\n"
           "reset and import need it closed. A diy command writes only the maps it changed.\n"
           "\n"
           "Commands:\n"
           "  list                 the keyboard found, its firmware and both channels\n"
           "  show [--json]        the whole configuration: lighting, performance, keys,\n"
           "                       macros and the five DIY colour maps\n"
           "  set KEY=VALUE ...    change lighting and performance settings; only what\n"
           "                       changed is written\n"
           "  apply PROFILE        write a profile to the keyboard (see Profiles); its\n"
           "                       values are checked first\n"
           "  save [--force] PROFILE\n"
           "                       store the keyboard's configuration as a profile\n"
           "  reset [--yes]        restore the keyboard's factory settings (asks first)\n"
           "  export --json [--force] FILE\n"
           "                       the configuration with key records and macros as JSON\n"
           "                       (FILE - writes to standard output)\n"
           "  import --json FILE   write such a JSON file to the keyboard and the data files;\n"
           "                       its values are checked first\n"
           "  diy show N [--json]  the colours of custom map N (1..5: the map effect diyN\n"
           "                       lights), each key's #RRGGBB or none; --json: an object\n"
           "                       of key name -> \"#RRGGBB\" or null\n"
           "  diy set N KEY=#RRGGBB ...\n"
           "                       colour keys of map N (none: no colour); KEY as diy show\n"
           "                       names it (W, Esc, F5, LShift, Keypad 1); the media keys\n"
           "                       have no light\n"
           "  diy fill N ZONE|all #RRGGBB\n"
           "                       colour a zone of map N: letters, digits, frow, wasd,\n"
           "                       arrows, nav, numpad, modifiers, or all keys\n"
           "  diy import N PICTURE each key of map N takes the mean colour under it of a\n"
           "                       PNG or JPEG picture stretched over the keyboard\n"
           "  diy export [--force] N PICTURE\n"
           "                       the keyboard picture with map N's colours as a PNG file;\n"
           "                       changes nothing\n"
           "  diy copy N M         map N's colours replace map M's\n"
           "  watch                the running program's events (configuration changed,\n"
           "                       profile applied, keyboard added or removed), one JSON\n"
           "                       object per line, until interrupted; needs the session bus\n"
           "  doctor               check this machine: the keyboard and access to it (udev\n"
           "                       rule, group, seat), the runtime folder, another writer,\n"
           "                       the session bus, per-application rules, the layout,\n"
           "                       autostart and the data files; each line ok, or what is\n"
           "                       wrong and the command that fixes it (exit status 1)\n"
           "  rule add --class CLASS [--title REGEX] [--exe PATH] --profile PROFILE\n"
           "                       while a window of that class (and title, and program)\n"
           "                       has the focus, the running program applies the profile;\n"
           "                       REGEX is RE2's syntax (no back-references or\n"
           "                       look-around), found in the title's first 1024 bytes\n"
           "  rule list [--json]   the rules, numbered, and the default profile; a rule\n"
           "                       whose profile is missing is flagged\n"
           "  rule remove N        remove rule N of the list\n"
           "  rule default PROFILE|none\n"
           "                       the profile for every other window; none: the\n"
           "                       configuration from before the first switch\n"
           "  session show [--json]\n"
           "                       what the lights do while the desktop session is away\n"
           "  session set [lock=off|dim|keep] [idle=MINUTES|never] [sleep=off|keep] [dim=0..50]\n"
           "                       lock: the lights while the screen is locked (off, dimmed\n"
           "                       to dim, or kept); idle: after that many minutes without\n"
           "                       input they go as when locked (dimmed when lock=keep);\n"
           "                       sleep: dark while the computer sleeps. The running\n"
           "                       program brings back the lighting saved at that time.\n"
           "                       Default: keep everywhere, nothing is written\n"
           "\n"
           "PROFILE: a bare NAME is the profile NAME of the profile folder\n"
           "(Configure/NAME.bin); a name with a folder in it (./x, ~/p/x.bin) or ending in\n"
           ".bin is a file. save never replaces an existing file that is not a profile,\n"
           "nor export one that is not an earlier export (unless --force). No command\n"
           "writes over keymap.bin, MacroDefine.bin, GameMode.txt, DemoKeyboard.bin,\n"
           "VER.bin or a History file, nor into a device or a FIFO that nobody reads.\n"
           "\n"
           "Settings for set:\n" +
           config::settingsHelp() +
           "\n"
           "Options:\n"
           "  --demo               use the simulated keyboard; its state is kept between runs\n"
           "  --json               with show, export and import: the configuration as JSON;\n"
           "                       with rule list and session show: the settings as JSON\n"
           "  -y, --yes            do not ask before a factory reset; with apply and import,\n"
           "                       write a configuration that disables every key\n"
           "  -f, --force          with save: replace an existing file that is not a profile;\n"
           "                       with export: one that is not an earlier export; with diy\n"
           "                       export: one that is not a PNG picture\n"
           "  -h, --help           show this help and exit\n"
           "  --version            show the version and exit\n"
           "\n"
           "Exit status:\n"
           "  0  done\n"
           "  1  refused or failed otherwise (the program has unsaved changes, a value the\n"
           "     current effect does not allow, a file could not or may not be written, a\n"
           "     configuration disables every key and --yes was not given)\n"
           "  2  the command line is wrong\n"
           "  3  no keyboard found\n"
           "  4  the keyboard is there but cannot be opened (install the udev rule)\n"
           "  5  the keyboard did not acknowledge a write\n"
           "  6  a profile, JSON file or picture is missing, unreadable or malformed, or\n"
           "     holds a value the keyboard cannot take (the first such field is named)\n"
           "  7  the running Vandrel program did not answer in time, or takes no connection,\n"
           "     or a program this one cannot reach talks to the keyboard (it holds its lock)\n"
           "\n"
           "Examples:\n"
           "  vandrelctl set effect=breathing brightness=30\n"
           "                       breathing lighting at brightness 30\n"
           "  vandrelctl apply FPS\n"
           "                       the profile FPS of the profile folder\n"
           "  vandrelctl export --json backup.json\n"
           "                       the whole configuration into a JSON file\n"
           "  vandrelctl diy fill 2 wasd #FF0000\n"
           "                       W, A, S and D red in the map of effect diy2\n";
}

}  // namespace vandrel::ctl
