// The program's command line, and where its window goes at start.

#include <gtest/gtest.h>

#include "app/model/ProgramOptions.h"

namespace {

using vandrel::ProgramOptions;
using Action = ProgramOptions::Action;

ProgramOptions parse(std::vector<std::string> args, bool demo = false) {
    return vandrel::parseProgramOptions(args, demo);
}

TEST(ProgramOptions, HelpVersionAndOwnOptions) {
    EXPECT_EQ(parse({}).action, Action::Run);
    EXPECT_EQ(parse({"--help"}).action, Action::Help);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    // --help wins over a wrong word, as in other tools.
    EXPECT_EQ(parse({"--bogus", "--help"}).action, Action::Help);

    const ProgramOptions hidden = parse({"--hidden"});
    EXPECT_EQ(hidden.action, Action::Run);
    EXPECT_TRUE(hidden.hidden);
    const ProgramOptions factory = parse({"--factory-demo", "--hidden"}, true);
    EXPECT_EQ(factory.action, Action::Run);
    EXPECT_TRUE(factory.factoryDemo);
    EXPECT_TRUE(factory.hidden);

    EXPECT_NE(vandrel::programHelpText(false).find("--hidden"), std::string::npos);
    EXPECT_EQ(vandrel::programHelpText(false).find("--factory-demo"), std::string::npos);
    EXPECT_NE(vandrel::programHelpText(true).find("--factory-demo"), std::string::npos);
    EXPECT_EQ(vandrel::programVersionText().rfind("Vandrel ", 0), 0u);
}

TEST(ProgramOptions, ToolkitOptionsPassUnknownOnesAreRefused) {
    EXPECT_EQ(parse({"-platform", "offscreen"}).action, Action::Run);
    EXPECT_EQ(parse({"--platform", "wayland", "-style=fusion", "-reverse"}).action, Action::Run);
    EXPECT_EQ(parse({"-qwindowgeometry", "800x600+0+0", "--hidden"}).action, Action::Run);

    struct Case {
        std::vector<std::string> args;
        bool demo;
        const char* error;
    };
    const Case refused[] = {
        {{"--hiden"}, false, "unknown option '--hiden'"},
        {{"--factory-demo"}, false, "unknown option '--factory-demo'"},  // the real keyboard has no factory state to fake
        {{"profile.bin"}, false, "unexpected argument 'profile.bin'"},
        {{"-platform"}, false, "option '-platform' needs a value"},
        {{"--hidden", "-x"}, true, "unknown option '-x'"},
        {{"-reverse=1"}, false, "unknown option '-reverse=1'"},
    };
    for (const Case& c : refused) {
        const ProgramOptions o = parse(c.args, c.demo);
        EXPECT_EQ(o.action, Action::Refuse) << c.error;
        EXPECT_EQ(o.error, c.error);
    }
}

// A start the user made shows the window, keyboard or not; only the
// autostart's --hidden keeps it in the tray (minimised without one).
TEST(ProgramOptions, StartWindow) {
    using vandrel::StartWindow;
    EXPECT_EQ(vandrel::startWindow(false, true), StartWindow::Show);
    EXPECT_EQ(vandrel::startWindow(false, false), StartWindow::Show);
    EXPECT_EQ(vandrel::startWindow(true, true), StartWindow::InTray);
    EXPECT_EQ(vandrel::startWindow(true, false), StartWindow::Minimised);
}

}  // namespace
