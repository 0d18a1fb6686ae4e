// vandrelctl on the simulated keyboard: the command line and the values it
// accepts, every error exit, what a change sends, and the JSON round trip
// through real files.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "cli/ConfigJson.h"
#include "cli/CtlRules.h"
#include "cli/CtlRunner.h"
#include "cli/RuleSettings.h"
#include "cli/CtlSettings.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroEvent.h"
#include "macro/MacroStoreFile.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/app/TempFolder.h"
#include "tests/device/SimFixture.h"

namespace vandrel::ctl {
namespace {

using test::readAll;
using test::TempFolder;

// The keyboard is there, but its nodes belong to root.
class NoAccessTransport final : public Transport {
public:
    explicit NoAccessTransport(Transport& inner) : m_inner(inner) {}
    std::vector<HidRecord> enumerate() override {
        std::vector<HidRecord> r = m_inner.enumerate();
        for (HidRecord& h : r) h.canOpen = false;
        return r;
    }
    ChannelId open(const std::string&) override { return kNoChannel; }
    void close(ChannelId) override {}
    IoStatus sendFeature(ChannelId, const CommandFrame&) override { return IoStatus::Error; }
    IoStatus getFeature(ChannelId, CommandFrame&) override { return IoStatus::Error; }
    IoStatus writeBlock(ChannelId, const DataBlock&) override { return IoStatus::Error; }
    IoStatus readBlock(ChannelId, DataBlock&, int) override { return IoStatus::Error; }
    void discardInput(ChannelId) override {}
    IoStatus readInput(ChannelId, uint8_t*, size_t, size_t& got, int) override {
        got = 0;
        return IoStatus::Error;
    }

private:
    Transport& m_inner;
};

class CtlTest : public ::testing::Test {
protected:
    CtlTest() : keyboard(clock) {}

    int run(const std::vector<std::string>& argv, Transport* transport = nullptr) {
        out.str({});
        err.str({});
        const ParseResult parsed = parseCommandLine(argv);
        if (!parsed.ok()) return kExitUsage;
        Environment env(transport ? *transport : keyboard, clock, data.path(), data.path() / "Configure", out, err);
        env.confirmReset = confirm;
        return runCommand(parsed.options, env);
    }
    std::string file(const char* name) const { return (data.path() / name).string(); }

    TempFolder data;
    VirtualClock clock;
    SimKeyboard keyboard;
    std::ostringstream out, err;
    std::function<bool()> confirm;
};

TEST(CtlOptions, CommandLinesAreCheckedBeforeAnythingRuns) {
    struct Case {
        std::vector<std::string> argv;
        bool ok;
    } cases[] = {
        {{}, false},
        {{"show"}, true},
        {{"--demo", "show", "--json"}, true},
        {{"show", "extra"}, false},
        {{"frobnicate"}, false},
        {{"--colour", "show"}, false},
        {{"set"}, false},
        {{"set", "brightness=50", "rate=1000", "winlock=on", "colour=multi", "palette3=#00ff80"}, true},
        {{"set", "brightness=51"}, false},
        {{"set", "brightness=-1"}, false},
        {{"set", "speed=10"}, false},
        {{"set", "rate=300"}, false},
        {{"set", "response=3"}, false},
        {{"set", "response=20ms"}, true},
        {{"set", "effect=Breathing"}, true},
        {{"set", "effect=disco"}, false},
        {{"set", "palette8=#000000"}, false},
        {{"set", "palette1=#12345"}, false},
        {{"set", "winlock"}, false},
        {{"set", "=on"}, false},
        {{"set", "brightness=3", "brightness=4"}, false},
        {{"apply"}, false},
        {{"apply", "a", "b"}, false},
        {{"export", "x.json"}, false},
        {{"import", "--json"}, false},
        {{"export", "--json", "x.json"}, true},
        {{"--help"}, true},
        {{"set", "--help"}, true},
        {{"--", "show"}, true},
        {{"watch"}, true},
        {{"watch", "now"}, false},
        {{"rule", "add", "--class", "game", "--profile", "FPS"}, true},
        {{"rule", "add", "--class", "game", "--title", "a b", "--exe", "/opt/g", "--profile", "FPS"}, true},
        {{"rule", "add", "--profile", "FPS"}, false},
        {{"rule", "add", "--class", "game"}, false},
        {{"rule", "add", "--class", "game", "--title", "(", "--profile", "FPS"}, false},
        {{"rule", "add", "--class"}, false},
        {{"show", "--class", "game"}, false},
        {{"rule", "list", "--profile", "FPS"}, false},
        {{"rule", "list", "--json"}, true},
        {{"rule", "remove", "2"}, true},
        {{"rule", "remove", "0"}, false},
        {{"rule", "remove", "x"}, false},
        {{"rule", "default", "none"}, true},
        {{"rule", "default"}, false},
        {{"rule"}, false},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.argv) line += a + " ";
        EXPECT_EQ(parseCommandLine(c.argv).ok(), c.ok) << line;
    }
}

// The man page describes every command, setting, option and exit status that
// --help lists, and nothing else in those sections.
TEST(CtlOptions, TheManPageListsWhatHelpLists) {
    std::set<std::string> inHelp;
    std::istringstream help(helpText());
    bool listed = false;
    for (std::string line; std::getline(help, line);) {
        if (!line.empty() && line[0] != ' ')
            listed = line != "Examples:" && line.back() == ':' && line.find("Usage") != 0;
        else if (listed && line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != ' ')
            inHelp.insert(line.substr(2, line.find_first_of(" ,", 2) - 2));
    }
    ASSERT_TRUE(inHelp.count("import") && inHelp.count("rate=HZ") && inHelp.count("--demo") && inHelp.count("7"));

    std::set<std::string> inManPage;
    const std::vector<uint8_t> bytes = test::readAll(VANDREL_CTL_MANPAGE);
    std::istringstream man(std::string(bytes.begin(), bytes.end()));
    const std::set<std::string> sections{"COMMANDS", "SETTINGS", "OPTIONS", "EXIT STATUS"};
    bool inSection = false, term = false;
    for (std::string line; std::getline(man, line);) {
        if (line.compare(0, 4, ".SH ") == 0) inSection = sections.count(line.substr(4)) > 0;
        if (term && inSection) {
            // The term without its macro and font changes, "\-" as "-".
            std::string plain;
            for (size_t i = line.find(' ') + 1; i < line.size(); ++i) {
                if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'f') i += 2;  // a font change: \fB, \fI, \fR
                else if (line[i] == '\\') continue;
                else plain += line[i];
            }
            inManPage.insert(plain.substr(0, plain.find_first_of(" ,")));
        }
        term = line == ".TP";
    }
    EXPECT_EQ(inManPage, inHelp);
}

TEST(CtlSettings, EffectRulesOfTheColourHold) {
    DeviceImage im{};
    im.clear();
    im.ledEffect = 2;
    im.ledColor = 8;
    std::string error;
    // Steady has no multicolour mode: the colour falls back to entry 1,
    // unless multicolour was asked for, which is refused.
    ASSERT_TRUE(applySettings(parseSettings({"effect=steady"}).changes, im, error));
    EXPECT_EQ(im.ledEffect, 1);
    EXPECT_EQ(im.ledColor, 1);
    const DeviceImage before = im;
    EXPECT_FALSE(applySettings(parseSettings({"effect=steady", "colour=multi"}).changes, im, error));
    EXPECT_FALSE(applySettings(parseSettings({"effect=neon", "colour=2"}).changes, im, error));
    EXPECT_EQ(im, before);
    ASSERT_TRUE(applySettings(parseSettings({"effect=wave", "rate=125", "response=8", "winlock=on"}).changes, im, error));
    EXPECT_EQ(im.ledColor, 8);
    EXPECT_EQ(im.reportRate, 0);
    EXPECT_EQ(im.responseTime, 4);
    EXPECT_EQ(im.winLock, 1);
}

TEST_F(CtlTest, SetSendsOnlyTheLightingFramesAndNoKeyMask) {
    ASSERT_EQ(run({"set", "brightness=7"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledBrightness, 7);
    // Read the lighting, then the two lighting frames of a write: nothing
    // else reaches the keyboard.
    std::vector<std::string> commands;
    for (const std::string& f : test::framesOf(keyboard.events())) commands.push_back(f.substr(3, 2));
    EXPECT_EQ(commands, (std::vector<std::string>{"88", "08", "08"}));
    EXPECT_TRUE(keyboard.violations().empty());

    const DeviceImage before = keyboard.config();
    ASSERT_EQ(run({"set", "winlock=on", "gamemode=off"}), kExitDone) << err.str();
    DeviceImage after = keyboard.config();
    EXPECT_EQ(after.gameMode, 0);
    EXPECT_EQ(after.keyMask[1] & 1, 0);
    // Every other key stays enabled.
    after.keyMask[1] = before.keyMask[1];
    EXPECT_EQ(0, std::memcmp(after.keyMask, before.keyMask, kKeyMaskBytes));
}

TEST_F(CtlTest, ErrorExits) {
    // 2: a reset without --yes and nobody to ask; nothing was sent.
    EXPECT_EQ(run({"reset"}), kExitUsage);
    EXPECT_TRUE(keyboard.events().empty());
    confirm = [] { return false; };
    EXPECT_EQ(run({"reset"}), kExitFailed);
    EXPECT_TRUE(keyboard.events().empty());

    // 6: a profile that is missing, or not a profile.
    EXPECT_EQ(run({"apply", "Nothing"}), kExitBadFile);
    EXPECT_NE(err.str().find("no profile"), std::string::npos);
    test::writeAll(data.path() / "short.bin", std::vector<uint8_t>(1000, 1));
    EXPECT_EQ(run({"apply", file("short.bin")}), kExitBadFile);
    // 2: a name that would leave the profile folder.
    EXPECT_EQ(run({"apply", ".."}), kExitUsage);

    // 6: JSON that is not JSON, not ours, or holds a bad value.
    test::writeAll(data.path() / "a.json", {'{', '"'});
    EXPECT_EQ(run({"import", "--json", file("a.json")}), kExitBadFile);
    const std::string notOurs = R"({"format":"other","version":1})";
    test::writeAll(data.path() / "b.json", std::vector<uint8_t>(notOurs.begin(), notOurs.end()));
    EXPECT_EQ(run({"import", "--json", file("b.json")}), kExitBadFile);
    EXPECT_EQ(run({"import", "--json", file("missing.json")}), kExitBadFile);
    EXPECT_EQ(run({"export", "--json", file("good.json")}), kExitDone) << err.str();
    std::string json;
    {
        const std::vector<uint8_t> b = readAll(data.path() / "good.json");
        json.assign(b.begin(), b.end());
    }
    const size_t at = json.find("\"brightness\": 50");
    ASSERT_NE(at, std::string::npos);
    json.replace(at, 16, "\"brightness\": 99");
    test::writeAll(data.path() / "c.json", std::vector<uint8_t>(json.begin(), json.end()));
    keyboard.clearRecord();
    EXPECT_EQ(run({"import", "--json", file("c.json")}), kExitBadFile);
    EXPECT_NE(err.str().find("lighting.brightness"), std::string::npos) << err.str();
    EXPECT_TRUE(keyboard.events().empty());
    EXPECT_FALSE(std::filesystem::exists(KeymapFilePath(data.path())));

    // 5: the keyboard does not acknowledge; 3: it is gone; 4: no access.
    keyboard.setAcknowledging(false);
    EXPECT_EQ(run({"set", "brightness=3"}), kExitNoAck);
    keyboard.setAcknowledging(true);
    keyboard.unplug();
    EXPECT_EQ(run({"show"}), kExitNoKeyboard);
    EXPECT_EQ(run({"list"}), kExitNoKeyboard);
    keyboard.plug();
    NoAccessTransport locked(keyboard);
    EXPECT_EQ(run({"show"}, &locked), kExitNoAccess);
    EXPECT_NE(err.str().find("udev"), std::string::npos);
    EXPECT_EQ(run({"list"}, &locked), kExitNoAccess);
}

TEST_F(CtlTest, SaveThenApplyBringsTheProfileBack) {
    ASSERT_EQ(run({"set", "effect=radar", "direction=up", "brightness=20"}), kExitDone) << err.str();
    ASSERT_EQ(run({"save", "Evening"}), kExitDone) << err.str();
    EXPECT_EQ(std::filesystem::file_size(data.path() / "Configure" / "Evening.bin"), kKeymapFileBytes);
    ASSERT_EQ(run({"reset", "--yes"}), kExitDone) << err.str();
    EXPECT_NE(keyboard.config().ledEffect, 13);
    ASSERT_EQ(run({"apply", "Evening"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledEffect, 13);
    EXPECT_EQ(keyboard.config().ledDirection, 3);
    EXPECT_EQ(keyboard.config().ledBrightness, 20);
}

TEST_F(CtlTest, JsonRoundTripIsByteExact) {
    // A configuration with something in every part: macros (one with bytes
    // the readable rows cannot carry), key records with a launch path and a
    // combination, DIY colours, a disabled key, bytes without device data.
    DeviceImage kb = keyboard.config();
    kb.ledEffect = 52;
    kb.diyMaps[1][SlotCellOffset[42] + 1] = 0xC4;
    kb.diyMaps[1][SlotCellOffset[42] + 3] = 0x1C;
    kb.keyMask[3] &= 0xFB;
    kb.deviceKeyMap[SlotCellOffset[63] + 2] = 0x05;
    kb.macroSlots[0][1] = 1;
    kb.macroSlots[0][2] = 0x04;
    keyboard.setConfig(kb);

    auto files = std::make_unique<Configuration>();
    files->image.head[2] = 0x5A;
    files->records.restoreHomeCodes();
    KeyRecord& launch = files->records[20];
    launch.type = 5;
    launch.data[0] = 3, launch.data[2] = 0x23, launch.data[3] = 2;
    writeUtf16Field(launch.path, kKeyRecordPathUnits, u"/usr/bin/游戏");
    KeyRecord& combo = files->records[63];
    combo.type = 1;
    combo.length = 2;
    combo.data[0] = 0x11, combo.data[1] = 0x43;
    setRecordName(files->macros[0], u"Macro_001");
    setRecordLoopCount(files->macros[0], 3);
    std::vector<MacroEvent> events(2);
    events[0].vk = 0x41, events[0].usage = keyNames().usage(0x41);
    events[1] = events[0];
    events[1].released = true;
    events[1].delayMs = 300;
    ASSERT_TRUE(writeEventLists(events, files->macros[0].usageEvents, files->macros[0].vkEvents));
    setRecordName(files->macros[1], u"Odd");
    files->macros[1].usageEvents[150] = 0x99;  // after the end of the list
    files->macros[1].spare = 7;
    ASSERT_TRUE(SaveKeymapFile(data.path(), files->image, files->records));
    ASSERT_TRUE(SaveMacroStore(files->macros, data.path()));

    ASSERT_EQ(run({"export", "--json", file("one.json")}), kExitDone) << err.str();
    const std::vector<uint8_t> json1 = readAll(data.path() / "one.json");
    const std::string text(json1.begin(), json1.end());
    EXPECT_NE(text.find("\"effect\": \"diy2\""), std::string::npos);
    EXPECT_NE(text.find("/usr/bin/游戏"), std::string::npos);
    EXPECT_NE(text.find(" dn\""), std::string::npos);
    // The byte without device data travels in hex; all else is readable.
    EXPECT_NE(text.find("imageBytes"), std::string::npos);
    const std::vector<uint8_t> keymap1 = readAll(KeymapFilePath(data.path()));
    const std::vector<uint8_t> macros1 = readAll(data.path() / kMacroFileName);
    const DeviceImage kb1 = keyboard.config();

    // Everything else gone: a factory keyboard and no data files.
    keyboard.restoreFactory();
    std::filesystem::remove(KeymapFilePath(data.path()));
    std::filesystem::remove(data.path() / kMacroFileName);
    ASSERT_EQ(run({"import", "--json", file("one.json")}), kExitDone) << err.str();
    ASSERT_EQ(run({"export", "--json", file("two.json")}), kExitDone) << err.str();

    EXPECT_EQ(readAll(data.path() / "two.json"), json1);
    EXPECT_EQ(readAll(data.path() / kMacroFileName), macros1);
    EXPECT_EQ(keyboard.config(), kb1);
    // keymap.bin: the records as they were, the image as the keyboard has
    // it now, with the bytes that carry no device data kept.
    const std::vector<uint8_t> keymap2 = readAll(KeymapFilePath(data.path()));
    ASSERT_EQ(keymap2.size(), kKeymapFileBytes);
    EXPECT_TRUE(std::equal(keymap2.begin() + sizeof(DeviceImage), keymap2.end(), keymap1.begin() + sizeof(DeviceImage)));
    DeviceImage saved;
    std::memcpy(&saved, keymap2.data(), sizeof saved);
    EXPECT_FALSE(compareImages(saved, kb1).any());
    EXPECT_EQ(saved.head[2], 0x5A);
}

TEST_F(CtlTest, EditedReadableFieldsWinOverTheBytesThatTravel) {
    // keymap.bin with a byte no readable field carries: the export holds the
    // image in hex too.
    auto files = std::make_unique<Configuration>();
    files->image.tail = 0x42;
    files->records.restoreHomeCodes();
    ASSERT_TRUE(SaveKeymapFile(data.path(), files->image, files->records));
    setRecordName(files->macros[0], u"Jump");
    ASSERT_TRUE(SaveMacroStore(files->macros, data.path()));
    ASSERT_EQ(run({"export", "--json", file("x.json")}), kExitDone) << err.str();
    const std::vector<uint8_t> b = readAll(data.path() / "x.json");
    std::string json(b.begin(), b.end());
    ASSERT_NE(json.find("imageBytes"), std::string::npos);

    // What a user edits by hand: the brightness, and the macro's events.
    auto replace = [&json](const std::string& from, const std::string& to) {
        const size_t at = json.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        json.replace(at, from.size(), to);
    };
    replace("\"brightness\": 50", "\"brightness\": 9");
    replace("\"events\": [\n            ]", "\"events\": [\"Space dn\", \"250 ms\", \"Space up\"]");
    test::writeAll(data.path() / "y.json", std::vector<uint8_t>(json.begin(), json.end()));
    ASSERT_EQ(run({"import", "--json", file("y.json")}), kExitDone) << err.str();

    EXPECT_EQ(keyboard.config().ledBrightness, 9);
    MacroStore stored;
    const std::vector<uint8_t> m = readAll(data.path() / kMacroFileName);
    ASSERT_EQ(m.size(), sizeof stored);
    std::memcpy(&stored, m.data(), sizeof stored);
    const std::vector<MacroEvent> events = readEventLists(stored[0].usageEvents, stored[0].vkEvents);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].vk, 0x20);
    EXPECT_TRUE(events[1].released);
    EXPECT_EQ(events[1].delayMs, 250);
    EXPECT_EQ(recordName(stored[0]), u"Jump");
    // The byte without device data came through untouched.
    EXPECT_EQ(readAll(KeymapFilePath(data.path()))[sizeof(DeviceImage) - 1], 0x42);
}

// The switching rules: kept in the settings file, checked against the
// profile folder, listed as vandrelctl takes them.
TEST(CtlRules, RulesAreKeptCheckedAndListed) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "Configure");
    test::writeAll(folder.path() / "Configure" / "FPS.bin", std::vector<uint8_t>(kKeymapFileBytes));
    test::writeAll(folder.path() / "Configure" / "夜间.bin", std::vector<uint8_t>(kKeymapFileBytes));
    RuleSettings settings(QString::fromStdString((folder.path() / "Vandrel.conf").string()));
    auto rule = [&](std::vector<std::string> argv, std::string* output = nullptr) {
        argv.insert(argv.begin(), "rule");
        const ParseResult parsed = parseCommandLine(argv);
        EXPECT_TRUE(parsed.ok()) << parsed.error;
        std::ostringstream out, err;
        const int code = runRuleCommand(parsed.options, settings, folder.path() / "Configure", out, err);
        if (output) *output = out.str() + err.str();
        return code;
    };

    EXPECT_EQ(rule({"add", "--class", "game", "--profile", "Nobody"}), kExitBadFile);
    EXPECT_EQ(rule({"add", "--class", "steam_app_730", "--title", R"(Counter\s*Strike)", "--profile", "FPS"}), kExitDone);
    EXPECT_EQ(rule({"add", "--class", "xmessage", "--exe", "/usr/bin/xmessage", "--profile", "夜间"}), kExitDone);
    // The same rule twice is kept once.
    EXPECT_EQ(rule({"add", "--class", "xmessage", "--exe", "/usr/bin/xmessage", "--profile", "夜间"}), kExitDone);
    EXPECT_EQ(rule({"default", "Nobody"}), kExitBadFile);
    EXPECT_EQ(rule({"default", "FPS"}), kExitDone);

    // What another process reads back from the file.
    const RuleSet kept = RuleSettings(settings.file()).rules();
    ASSERT_EQ(kept.rules.size(), 2u);
    EXPECT_EQ(kept.rules[0], (ProfileRule{"steam_app_730", R"(Counter\s*Strike)", "", "FPS"}));
    EXPECT_EQ(kept.rules[1], (ProfileRule{"xmessage", "", "/usr/bin/xmessage", "夜间"}));
    EXPECT_EQ(kept.defaultProfile, "FPS");

    std::string listed;
    EXPECT_EQ(rule({"list"}, &listed), kExitDone);
    EXPECT_EQ(listed,
              "1  --class steam_app_730 --title 'Counter\\s*Strike' --profile FPS\n"
              "2  --class xmessage --exe /usr/bin/xmessage --profile 夜间\n"
              "Default: FPS\n");
    EXPECT_EQ(rule({"list", "--json"}, &listed), kExitDone);
    EXPECT_NE(listed.find("\"profile\": \"夜间\""), std::string::npos) << listed;

    EXPECT_EQ(rule({"remove", "3"}), kExitUsage);
    EXPECT_EQ(rule({"remove", "1"}), kExitDone);
    EXPECT_EQ(rule({"default", "none"}), kExitDone);
    EXPECT_EQ(rule({"list"}, &listed), kExitDone);
    EXPECT_EQ(listed.substr(0, 3), "1  ");
    EXPECT_NE(listed.find("xmessage"), std::string::npos);
    EXPECT_NE(listed.find("Default: none"), std::string::npos);
}

}  // namespace
}  // namespace vandrel::ctl
