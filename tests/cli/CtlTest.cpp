// vandrelctl on the simulated keyboard: the command line and the values it
// accepts, every error exit, what a change sends, and the JSON round trip
// through real files.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <chrono>
#include <set>
#include <sstream>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "config/ConfigJson.h"
#include "cli/CtlRules.h"
#include "cli/CtlSession.h"
#include "cli/CtlRunner.h"
#include "platform/RuleSettings.h"
#include "config/Settings.h"
#include "keymap/KeyAssignment.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroEvent.h"
#include "macro/MacroStoreFile.h"
#include "profile/ConfigurationCheck.h"
#include "profile/ProfileStore.h"
#include "profile/ProfileSwitcher.h"
#include "util/AtomicFile.h"
#include "profile/SnapshotStore.h"
#include "profile/SessionLightingChoice.h"
#include "profile/SwitchWriteLog.h"
#include "sim/SimKeyboard.h"
#include "sim/SimStateFile.h"
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
        // What the linear-time matcher cannot take is refused when the rule is made.
        {{"rule", "add", "--class", "game", "--title", "(a)\\1", "--profile", "FPS"}, false},
        {{"rule", "add", "--class", "game", "--title", "(?=x)y", "--profile", "FPS"}, false},
        {{"rule", "add", "--class", "t", "--title", "(a+)+$", "--profile", "FPS"}, true},
        {{"rule", "add", "--class"}, false},
        {{"show", "--class", "game"}, false},
        {{"rule", "list", "--profile", "FPS"}, false},
        {{"rule", "list", "--json"}, true},
        {{"rule", "remove", "2"}, true},
        {{"rule", "remove", "0"}, false},
        {{"rule", "remove", "x"}, false},
        {{"rule", "remove", ""}, false},
        {{"rule", "default", "none"}, true},
        {{"rule", "default"}, false},
        {{"rule"}, false},
        {{"session", "show"}, true},
        {{"session", "show", "--json"}, true},
        {{"session", "show", "lock=off"}, false},
        {{"session", "set", "lock=dim", "dim=5", "idle=never", "sleep=off"}, true},
        {{"session", "set"}, false},
        {{"session", "set", "lock=dark"}, false},
        {{"session", "set", "--json", "lock=off"}, false},
        {{"session"}, false},
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

TEST_F(CtlTest, SetSendsOnlyTheLightingFramesAndNoKeyMask) {
    ASSERT_EQ(run({"set", "brightness=7"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledBrightness, 7);
    // Read the lighting, then the whole configuration for the history (which
    // begins with game mode on), then the two lighting frames of a write:
    // nothing else is written to the keyboard.
    std::vector<std::string> commands;
    for (const std::string& f : test::framesOf(keyboard.events())) commands.push_back(f.substr(3, 2));
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(commands.front(), "88");
    EXPECT_EQ(std::vector<std::string>(commands.end() - 2, commands.end()), (std::vector<std::string>{"08", "08"}));
    std::vector<std::string> writes;
    for (size_t i = 1; i + 2 < commands.size(); ++i)
        if (commands[i] < "80") writes.push_back(commands[i]);
    EXPECT_EQ(writes, std::vector<std::string>{"09"}) << "only the full read's game mode on";
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

// --demo with the program closed: every command meets a fresh simulated
// keyboard that restores what the last one kept. A setting changes what it
// names; the lighting and the game mode survive the commands that do not.
TEST_F(CtlTest, SetChangesWhatItNamesAndNothingElse) {
    const SimStateFile state(data.path() / "DemoKeyboard.bin");
    auto demo = [&](const std::vector<std::string>& argv) {
        SimKeyboard fresh(clock);
        state.restore(fresh, err);
        state.attach(fresh);
        const int code = run(argv, &fresh);
        EXPECT_EQ(code, kExitDone) << err.str();
        return fresh.config();
    };
    demo({"set", "effect=breathing", "speed=3", "brightness=30", "colour=2"});
    const DeviceImage lit = demo({"set", "rate=500"});
    EXPECT_EQ(lit.reportRate, 2);
    EXPECT_EQ(lit.ledEffect, 2);
    EXPECT_EQ(lit.ledSpeed, 3);
    EXPECT_EQ(lit.ledBrightness, 30);
    EXPECT_EQ(lit.ledColor, 2);
    EXPECT_EQ(lit.ledDirection, FactoryImage().ledDirection);

    demo({"set", "gamemode=off"});
    const DeviceImage shown = demo({"show"});
    EXPECT_NE(out.str().find("gamemode    off"), std::string::npos) << out.str();
    EXPECT_EQ(shown.gameMode, 0);
    demo({"export", "--json", file("a.json")});
    EXPECT_EQ(demo({"set", "response=6"}).gameMode, 0);
    const DeviceImage last = state.read().value_or(DeviceImage{});
    EXPECT_EQ(last.ledBrightness, 30);
    EXPECT_EQ(last.responseTime, 3);
    EXPECT_EQ(last.gameMode, 0);
}

// A profile the keyboard must not get is refused before anything is sent or
// stored: a setting out of range (exit 6, the setting named), the blank
// image of an earlier "new" (6), every key disabled without --yes (1).
TEST_F(CtlTest, ApplyRefusesWhatTheKeyboardCannotTake) {
    std::filesystem::create_directories(data.path() / "Configure");
    auto attempt = [&](const char* name, const std::vector<uint8_t>& bytes, std::vector<std::string> extra = {}) {
        const std::filesystem::path path = data.path() / "Configure" / (std::string(name) + ".bin");
        test::writeAll(path, bytes);
        keyboard.clearRecord();
        std::vector<std::string> argv{"apply", name};
        argv.insert(argv.end(), extra.begin(), extra.end());
        const int code = run(argv);
        EXPECT_EQ(readAll(path), bytes) << "the file is kept";
        return code;
    };
    const DeviceImage before = keyboard.config();
    auto nothingWritten = [&] {
        EXPECT_TRUE(keyboard.events().empty());
        EXPECT_EQ(keyboard.config(), before);
        EXPECT_FALSE(std::filesystem::exists(KeymapFilePath(data.path())));
    };

    EXPECT_EQ(attempt("Burnt", std::vector<uint8_t>(kKeymapFileBytes, 0xFF)), kExitBadFile);
    EXPECT_NE(err.str().find("effect holds 255"), std::string::npos) << err.str();
    nothingWritten();
    DeviceImage slow = FactoryImage();
    slow.responseTime = 11;
    EXPECT_EQ(attempt("Slow", std::vector<uint8_t>(slow.bytes(), slow.bytes() + sizeof slow)), kExitBadFile);
    EXPECT_NE(err.str().find("response holds 11"), std::string::npos) << err.str();
    nothingWritten();
    EXPECT_EQ(attempt("Old", std::vector<uint8_t>(sizeof(DeviceImage), 0)), kExitBadFile);
    EXPECT_NE(err.str().find("no configuration"), std::string::npos) << err.str();
    nothingWritten();

    DeviceImage dead = FactoryImage();
    std::memset(dead.keyMask, 0, sizeof dead.keyMask);
    const std::vector<uint8_t> deadBytes(dead.bytes(), dead.bytes() + sizeof dead);
    EXPECT_EQ(attempt("Dead", deadBytes), kExitFailed);
    EXPECT_NE(err.str().find("disables every key"), std::string::npos) << err.str();
    nothingWritten();
    EXPECT_EQ(attempt("Dead", deadBytes, {"--yes"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().keyMask[5], 0);
}

// A profile made by "new" holds the image alone: apply writes it and keeps
// the key records of keymap.bin.
// A profile of the image alone keeps the records that fit it (a launch key's
// path); a record that claims what the image does not hold (a macro the
// profile's key does not play) gives way to one that says what the key does.
TEST_F(CtlTest, ApplyTakesAProfileOfTheImageAlone) {
    auto files = std::make_unique<config::Configuration>();
    files->image = FactoryImage();
    files->records.restoreHomeCodes();
    files->records[20].type = 5;
    files->records[20].data[0] = 3, files->records[20].data[2] = 0x23, files->records[20].data[3] = 2;
    files->records[20].path[0] = 'p';
    files->records[1].type = 2;  // F1 plays macro 1
    files->records[1].data[0] = 4, files->records[1].data[1] = 1, files->records[1].data[2] = 1;
    ASSERT_TRUE(SaveKeymapFile(data.path(), files->image, files->records));
    DeviceImage image = FactoryImage();
    image.ledEffect = 6;
    const uint8_t launch[4] = {0x0A, 0, SlotHomeVk[20], 0};
    std::memcpy(&image.deviceKeyMap[SlotCellOffset[20]], launch, 4);
    test::writeAll(data.path() / "fresh.bin", std::vector<uint8_t>(image.bytes(), image.bytes() + sizeof image));
    ASSERT_EQ(run({"apply", file("fresh.bin")}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledEffect, 6);
    const std::vector<uint8_t> keymap = readAll(KeymapFilePath(data.path()));
    const auto record = [&](int slot) { return keymap.data() + sizeof(DeviceImage) + slot * sizeof(KeyRecord); };
    EXPECT_EQ(record(20)[offsetof(KeyRecord, type)], 5);
    EXPECT_EQ(record(20)[offsetof(KeyRecord, path)], 'p');
    EXPECT_EQ(record(1)[offsetof(KeyRecord, type)], 0);  // F1 types F1 again
    EXPECT_EQ(record(1)[offsetof(KeyRecord, data) + 2], 0);
}

// Every number of the JSON is read only when whole and in range; a fraction
// or a huge number is refused with its path, never written as 0. So is a
// configuration whose image bytes hold a setting the keyboard cannot take.
TEST_F(CtlTest, ImportRefusesNumbersThatAreNotWholeOrInRange) {
    auto files = std::make_unique<config::Configuration>();
    files->records.restoreHomeCodes();
    files->records[30].type = 1;
    files->records[30].length = 1;
    files->records[30].data[0] = 0x41;
    // The keyboard holds what the record says: A alone as a combination.
    DeviceImage kb = keyboard.config();
    const uint8_t comboA[4] = {kEntryKeys, keyNames().usage(0x41), 0, 0};
    std::copy(comboA, comboA + 4, kb.deviceKeyMap + SlotCellOffset[30]);
    keyboard.setConfig(kb);
    setRecordName(files->macros[0], u"Jump");
    setRecordLoopCount(files->macros[0], 3);
    ASSERT_TRUE(SaveKeymapFile(data.path(), files->image, files->records));
    ASSERT_TRUE(SaveMacroStore(files->macros, data.path()));
    ASSERT_EQ(run({"export", "--json", file("good.json")}), kExitDone) << err.str();
    const std::vector<uint8_t> b = readAll(data.path() / "good.json");
    const std::string good(b.begin(), b.end());

    const struct {
        const char* from;
        const char* to;
        const char* path;
    } cases[] = {
        {"\"brightness\": 50", "\"brightness\": 3.7", "lighting.brightness"},
        {"\"brightness\": 50", "\"brightness\": 1e10", "lighting.brightness"},
        {"\"speed\": 5", "\"speed\": -0.5", "lighting.speed"},
        {"\"gameMode\": \"on\"", "\"gameMode\": 1e10", "performance.gameMode"},
        {"\"reportRateHz\": 1000", "\"reportRateHz\": 1000.5", "performance.reportRateHz"},
        {"\"loop\": 3", "\"loop\": 70000.5", "macros[0].loop"},
        {"\"loop\": 3", "\"loop\": 65536", "macros[0].loop"},
        {"\"flags\": 0", "\"flags\": 0.25", "macros[0].flags"},
        {"\"index\": 0", "\"index\": 0.5", "macros[0].index"},
        {"\"type\": 1", "\"type\": 1.5", "keyRecords[0].type"},
        {"\"slot\": 30", "\"slot\": 30.5", "keyRecords[0].slot"},
        {"\"events\": [\n            ]", "\"events\": [\"A dn\", \"120.5 ms\", \"A up\"]", "macros[0].events"},
        {"\"events\": [\n            ]", "\"events\": [\"A dn\", \"1e4 ms\", \"A up\"]", "macros[0].events"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        std::string json = good;
        const size_t at = json.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        json.replace(at, std::strlen(c.from), c.to);
        test::writeAll(data.path() / "bad.json", std::vector<uint8_t>(json.begin(), json.end()));
        keyboard.clearRecord();
        EXPECT_EQ(run({"import", "--json", file("bad.json")}), kExitBadFile);
        EXPECT_NE(err.str().find(c.path), std::string::npos) << err.str();
        EXPECT_TRUE(keyboard.events().empty());
    }

    // The image's bytes in hex carry an effect of 255 where the readable
    // field shows none.
    DeviceImage burnt = keyboard.config();
    burnt.ledEffect = 255;
    burnt.tail = 1;  // a byte no readable field carries: the image travels in hex
    keyboard.setConfig(burnt);
    ASSERT_EQ(run({"export", "--json", file("burnt.json")}), kExitDone) << err.str();
    keyboard.restoreFactory();
    keyboard.clearRecord();
    EXPECT_EQ(run({"import", "--json", file("burnt.json")}), kExitBadFile);
    EXPECT_NE(err.str().find("lighting.effect holds 255"), std::string::npos) << err.str();
    EXPECT_TRUE(keyboard.events().empty());
}

// A full read (show, save, export) switches game mode on; when it was last
// set off, it is switched off again and shown off.
TEST_F(CtlTest, GameModeSetOffStaysOffThroughAFullRead) {
    ASSERT_EQ(run({"set", "gamemode=off"}), kExitDone) << err.str();
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    EXPECT_NE(out.str().find("gamemode    off"), std::string::npos) << out.str();
    EXPECT_EQ(keyboard.config().gameMode, 0);
    ASSERT_EQ(run({"save", "Quiet"}), kExitDone) << err.str();

    // Set on again, a full read leaves it on.
    ASSERT_EQ(run({"set", "gamemode=on"}), kExitDone) << err.str();
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    EXPECT_NE(out.str().find("gamemode    on"), std::string::npos) << out.str();
    // A profile applied with game mode off counts as saving it off.
    ASSERT_EQ(run({"apply", "Quiet"}), kExitDone) << err.str();
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    EXPECT_NE(out.str().find("gamemode    off"), std::string::npos) << out.str();
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

    // 1: a colour the keyboard's effect does not allow is a refusal, not a
    // wrong command line; nothing is written.
    ASSERT_EQ(run({"set", "effect=wave"}), kExitDone) << err.str();
    keyboard.clearRecord();
    EXPECT_EQ(run({"set", "colour=3"}), kExitFailed);
    EXPECT_NE(err.str().find("always multicolour"), std::string::npos) << err.str();
    EXPECT_EQ(test::writesOf(keyboard.events()).size(), 1u);  // the read of the lighting only

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

// The output's function names follow the program's language: English in an
// English session, the Chinese names of the key-map dialog otherwise; JSON
// keeps the names it always had.
TEST(CtlShow, FunctionNamesReadInTheProgramsLanguage) {
    int argc = 1;
    char name[] = "cli_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    auto c = std::make_unique<config::Configuration>();
    const int slot = 42;  // Q
    const NamedFunction* copy = FindNamedFunction(u"复制");
    ASSERT_NE(copy, nullptr);
    std::copy(copy->entry.begin(), copy->entry.end(), c->image.deviceKeyMap + SlotCellOffset[slot]);
    SetKeyEnabled(c->image, slot, true);
    c->records[slot].type = static_cast<uint8_t>(AssignType::NamedFunction);
    EXPECT_EQ(config::describeKey(*c, slot, installOutputTranslations(UiLanguage::Chinese)), "复制");
    const TextLookup english = installOutputTranslations(UiLanguage::English);
    EXPECT_EQ(config::describeKey(*c, slot, english), "Copy");
    EXPECT_EQ(config::describeKey(*c, slot), "复制");
    // A consumer function without a record of its own is named the same way.
    const NamedFunction* player = FindNamedFunction(u"多媒体播放器");
    ASSERT_NE(player, nullptr);
    std::copy(player->entry.begin(), player->entry.end(), c->image.deviceKeyMap + SlotCellOffset[slot]);
    c->records[slot].type = 0;
    EXPECT_EQ(config::describeKey(*c, slot, english), "Media Player");
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

// apply and import keep what they replace in the configuration history, as
// the program does before a save; a history that cannot be written is told
// and the change still goes through.
TEST_F(CtlTest, ApplyImportAndResetKeepWhatTheyReplaceInTheHistory) {
    SnapshotStore history(data.path() / "History");
    auto snap = std::make_unique<Snapshot>();
    auto newestEffect = [&] {
        const auto list = history.list();
        if (list.empty() || !history.load(list.front(), *snap)) return -1;
        return int(snap->image.ledEffect);
    };
    ASSERT_EQ(run({"set", "effect=radar"}), kExitDone) << err.str();
    ASSERT_EQ(run({"save", "Evening"}), kExitDone) << err.str();
    ASSERT_EQ(run({"export", "--json", file("radar.json")}), kExitDone) << err.str();
    ASSERT_EQ(run({"set", "effect=wave"}), kExitDone) << err.str();
    // Each set kept what it replaced too.
    size_t kept = history.list().size();

    ASSERT_EQ(run({"apply", "Evening"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledEffect, 13);
    EXPECT_EQ(history.list().size(), ++kept);
    EXPECT_EQ(newestEffect(), 3);  // wave, what the keyboard held
    // Applying it again changes nothing and keeps nothing.
    ASSERT_EQ(run({"apply", "Evening"}), kExitDone) << err.str();
    EXPECT_EQ(history.list().size(), kept);

    ASSERT_EQ(run({"set", "effect=ripple"}), kExitDone) << err.str();
    EXPECT_EQ(history.list().size(), ++kept);
    ASSERT_EQ(run({"import", "--json", file("radar.json")}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledEffect, 13);
    EXPECT_EQ(history.list().size(), ++kept);
    EXPECT_EQ(newestEffect(), 6);

    // A factory reset keeps what it replaces too.
    ASSERT_EQ(run({"reset", "--yes"}), kExitDone) << err.str();
    EXPECT_EQ(history.list().size(), ++kept);
    EXPECT_EQ(newestEffect(), 13);

    std::filesystem::remove_all(history.folder());
    test::writeAll(history.folder(), {1});
    ASSERT_EQ(run({"set", "effect=ripple"}), kExitDone) << err.str();
    EXPECT_EQ(run({"apply", "Evening"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledEffect, 13);
    EXPECT_NE(err.str().find("history"), std::string::npos) << err.str();
}

// set keeps what it replaces in the history, as the program does when a set
// is handed to it; a set that changes nothing keeps nothing, and the full
// read it takes for that leaves game mode as it was.
TEST_F(CtlTest, SetKeepsWhatItReplacesInTheHistory) {
    SnapshotStore history(data.path() / "History");
    auto snap = std::make_unique<Snapshot>();
    ASSERT_EQ(run({"set", "gamemode=on"}), kExitDone) << err.str();
    const size_t kept = history.list().size();
    ASSERT_EQ(run({"set", "brightness=20", "gamemode=off"}), kExitDone) << err.str();
    ASSERT_EQ(history.list().size(), kept + 1);
    ASSERT_TRUE(history.load(history.list().front(), *snap));
    EXPECT_EQ(snap->image.ledBrightness, FactoryImage().ledBrightness);
    EXPECT_EQ(snap->image.gameMode, 1);
    EXPECT_EQ(keyboard.config().gameMode, 0);

    ASSERT_EQ(run({"set", "brightness=20"}), kExitDone) << err.str();
    EXPECT_EQ(history.list().size(), kept + 1) << "nothing changed";

    ASSERT_EQ(run({"set", "brightness=33"}), kExitDone) << err.str();
    ASSERT_EQ(history.list().size(), kept + 2);
    ASSERT_TRUE(history.load(history.list().front(), *snap));
    EXPECT_EQ(snap->image.ledBrightness, 20);
    EXPECT_EQ(snap->image.gameMode, 0);
    EXPECT_EQ(keyboard.config().ledBrightness, 33);
    EXPECT_EQ(keyboard.config().gameMode, 0) << "the read for the history leaves game mode off";

    // Game mode named in the change: what the keyboard held decides, not the memory.
    ASSERT_EQ(run({"set", "gamemode=off", "brightness=34"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().gameMode, 0);
    EXPECT_EQ(history.list().size(), kept + 3);
}

// The program ended while a rule's profile was on the keyboard: its next start
// would put the user's configuration back. A change the tool makes meanwhile
// goes on top of the user's configuration, so that start does not undo it.
TEST_F(CtlTest, AChangeWhileARulesProfileIsOnTheKeyboardKeepsTheUsersConfiguration) {
    auto user = std::make_unique<config::Configuration>();
    user->image = keyboard.config();
    user->image.ledEffect = 3;
    user->image.ledBrightness = 40;
    user->records.restoreHomeCodes();
    const std::filesystem::path kept = data.path() / kSwitchReturnFileName;
    ASSERT_TRUE(WriteConfigurationFile(kept, user->image, user->records));
    DeviceImage rules = keyboard.config();
    rules.ledEffect = 5;
    rules.ledBrightness = 10;
    rules.reportRate = user->image.reportRate == 1 ? 2 : 1;
    keyboard.setConfig(rules);

    ASSERT_EQ(run({"set", "brightness=20"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledBrightness, 20);
    EXPECT_EQ(keyboard.config().ledEffect, 3) << "the user's effect, not the rule's";
    EXPECT_EQ(keyboard.config().reportRate, user->image.reportRate);
    EXPECT_FALSE(std::filesystem::exists(kept)) << "nothing left for the next start to put back";

    // A way back that cannot be read stops the change rather than guess.
    test::writeAll(kept, std::vector<uint8_t>(1000, 1));
    keyboard.setConfig(rules);
    EXPECT_EQ(run({"set", "brightness=30"}), kExitBadFile);
    EXPECT_EQ(keyboard.config().ledBrightness, 10);
    EXPECT_TRUE(std::filesystem::exists(kept));
}

// The program ended while the session's lights were down: the tool's change
// goes on top of the saved lighting, and nothing is left for the next start
// to put back over it.
TEST_F(CtlTest, AChangeWhileTheLightsAreDownBringsTheSavedLightingBack) {
    DeviceImage dark = keyboard.config();
    dark.ledEffect = 6;
    dark.ledSpeed = 4;
    dark.ledBrightness = 0;
    keyboard.setConfig(dark);
    const std::filesystem::path kept = data.path() / kLightingReturnFileName;
    ASSERT_TRUE(saveLightingReturn(kept, {6, 4, 35, dark.ledColor, dark.ledDirection}));

    ASSERT_EQ(run({"set", "rate=500"}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledBrightness, 35);
    EXPECT_EQ(keyboard.config().ledEffect, 6);
    EXPECT_FALSE(std::filesystem::exists(kept));
}

TEST_F(CtlTest, ShowSaysWhenTheLightsAreDownForTheSessionAndWhatComesBack) {
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    EXPECT_EQ(out.str().find("lights are down"), std::string::npos);
    const DeviceImage saved = keyboard.config();
    ASSERT_TRUE(saveLightingReturn(data.path() / kLightingReturnFileName,
                                   {2, saved.ledSpeed, 35, saved.ledColor, saved.ledDirection}));
    out.str("");
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    EXPECT_NE(out.str().find("the lights are down while the session is locked, asleep or idle; coming back: "
                             "breathing, brightness 35"),
              std::string::npos)
        << out.str();
    // Showing changes nothing: the lights stay down until the session is back.
    EXPECT_TRUE(std::filesystem::exists(data.path() / kLightingReturnFileName));
}

TEST_F(CtlTest, ShowSaysWhenTheWriteLimitIsSpent) {
    const std::filesystem::path log = data.path() / kSwitchWriteLogName;
    const int64_t now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    const int limit = ProfileSwitcher::Limits().writesPerWindow;
    // One write short of the limit, and writes older than its window, hold nothing.
    ASSERT_TRUE(writeSwitchWriteAges(log, std::vector<int64_t>(limit - 1, 60000), now));
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    EXPECT_EQ(out.str().find("write limit"), std::string::npos);
    ASSERT_TRUE(writeSwitchWriteAges(log, std::vector<int64_t>(limit, ProfileSwitcher::Limits().writeWindowMs + 1000), now));
    out.str("");
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    EXPECT_EQ(out.str().find("write limit"), std::string::npos);

    ASSERT_TRUE(writeSwitchWriteAges(log, std::vector<int64_t>(limit, 60000), now));
    out.str("");
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    // Nine minutes to go, give or take the second the run takes.
    EXPECT_NE(out.str().find("the write limit is spent (12 in 10 minutes) for another 5"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(" s: profile switches wait and the lights stay up while the session is away"),
              std::string::npos)
        << out.str();
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
    // Keys 20 and 63 hold what their records below say: a launch and Ctrl+C.
    const uint8_t launchEntry[4] = {kEntryLaunch, 0, SlotHomeVk[20], 0};
    const uint8_t ctrlC[4] = {kEntryKeys, keyNames().usage(0x11), keyNames().usage(0x43), 0};
    std::copy(launchEntry, launchEntry + 4, kb.deviceKeyMap + SlotCellOffset[20]);
    std::copy(ctrlC, ctrlC + 4, kb.deviceKeyMap + SlotCellOffset[63]);
    kb.macroSlots[0][1] = 1;
    kb.macroSlots[0][2] = 0x04;
    keyboard.setConfig(kb);

    auto files = std::make_unique<config::Configuration>();
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
    // The imported macros are the saved ones: the program's next start keeps them.
    EXPECT_EQ(readAll(data.path() / kSavedMacroFileName), macros1);
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
    auto files = std::make_unique<config::Configuration>();
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

// Edits of an exported JSON, as a user or a script makes them.
class JsonEditTest : public CtlTest {
protected:
    void SetUp() override {
        auto files = std::make_unique<config::Configuration>();
        files->records.restoreHomeCodes();
        setRecordName(files->macros[0], u"Jump");
        ASSERT_TRUE(SaveKeymapFile(data.path(), files->image, files->records));
        ASSERT_TRUE(SaveMacroStore(files->macros, data.path()));
        ASSERT_EQ(run({"export", "--json", file("good.json")}), kExitDone) << err.str();
        const std::vector<uint8_t> b = readAll(data.path() / "good.json");
        good = QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()))).object();
        ASSERT_FALSE(good.contains(QStringLiteral("imageBytes")));
        for (int s = 0; s < kPhysicalSlots; ++s)
            if (config::slotName(s) == "A") slotA = s;
        ASSERT_GE(slotA, 0);
        before = keyboard.config();
        keymapBefore = readAll(KeymapFilePath(data.path()));
    }
    // Imports `good` changed by `edit`.
    int import(const std::function<void(QJsonObject&)>& edit) {
        QJsonObject o = good;
        edit(o);
        const QByteArray text = QJsonDocument(o).toJson();
        test::writeAll(data.path() / "edited.json", std::vector<uint8_t>(text.begin(), text.end()));
        keyboard.clearRecord();
        return run({"import", "--json", file("edited.json")});
    }
    // Sets `field` of keys[slot] (or removes it for an undefined value).
    static void setKey(QJsonObject& o, int slot, const char* field, const QJsonValue& v) {
        QJsonArray keys = o[QStringLiteral("keys")].toArray();
        QJsonObject k = keys[slot].toObject();
        if (v.isUndefined()) k.remove(QLatin1String(field));
        else k[QLatin1String(field)] = v;
        keys[slot] = k;
        o[QStringLiteral("keys")] = keys;
    }
    static void setIn(QJsonObject& o, const char* section, const char* field, const QJsonValue& v) {
        QJsonObject sub = o[QLatin1String(section)].toObject();
        if (v.isUndefined()) sub.remove(QLatin1String(field));
        else sub[QLatin1String(field)] = v;
        o[QLatin1String(section)] = sub;
    }
    std::vector<uint8_t> entryOf(int slot) const {
        const DeviceImage im = keyboard.config();
        return std::vector<uint8_t>(im.deviceKeyMap + SlotCellOffset[slot], im.deviceKeyMap + SlotCellOffset[slot] + 4);
    }
    KeyRecord recordOf(int slot) const {
        KeyRecord r;
        const std::vector<uint8_t> keymap = readAll(KeymapFilePath(data.path()));
        std::memcpy(&r, keymap.data() + sizeof(DeviceImage) + slot * sizeof(KeyRecord), sizeof r);
        return r;
    }

    QJsonObject good;
    int slotA = -1;
    DeviceImage before;
    std::vector<uint8_t> keymapBefore;
};

// A value left out or null is refused by its path, and nothing is written:
// never read as 0 (a dark keyboard, 125 Hz, black colours).
TEST_F(JsonEditTest, MissingOrNullValuesAreRefusedByTheirPath) {
    const QJsonValue gone = QJsonValue(QJsonValue::Undefined), null = QJsonValue(QJsonValue::Null);
    const struct {
        std::function<void(QJsonObject&)> edit;
        const char* path;
    } cases[] = {
        {[&](QJsonObject& o) { setIn(o, "lighting", "brightness", null); }, "lighting.brightness"},
        {[&](QJsonObject& o) { setIn(o, "lighting", "brightness", gone); }, "lighting.brightness"},
        {[&](QJsonObject& o) { setIn(o, "lighting", "effect", null); }, "lighting.effect"},
        {[&](QJsonObject& o) { setIn(o, "lighting", "palette", gone); }, "lighting.palette"},
        {[&](QJsonObject& o) { setIn(o, "performance", "reportRateHz", gone); }, "performance.reportRateHz"},
        {[&](QJsonObject& o) { setIn(o, "performance", "winLock", null); }, "performance.winLock"},
        {[&](QJsonObject& o) { setKey(o, 5, "enabled", gone); }, "keys[5].enabled"},
        {[&](QJsonObject& o) {
             setKey(o, 5, "entry", gone);
             setKey(o, 5, "sends", null);
         },
         "keys[5].entry"},
        {[&](QJsonObject& o) {
             QJsonArray maps = o[QStringLiteral("diyMaps")].toArray();
             maps[2] = QJsonValue::Null;
             o[QStringLiteral("diyMaps")] = maps;
         },
         "diyMaps[2]"},
        {[&](QJsonObject& o) { setIn(o, "matrixSpare", "keyMapCells", gone); }, "matrixSpare.keyMapCells"},
        {[&](QJsonObject& o) { o.remove(QStringLiteral("macros")); }, "macros"},
        {[&](QJsonObject& o) { o[QStringLiteral("keyRecords")] = QJsonValue::Null; }, "keyRecords"},
        {[&](QJsonObject& o) {
             QJsonArray macros = o[QStringLiteral("macros")].toArray();
             QJsonObject m = macros[0].toObject();
             m.remove(QStringLiteral("loop"));
             macros[0] = m;
             o[QStringLiteral("macros")] = macros;
         },
         "macros[0].loop"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(import(c.edit), kExitBadFile);
        EXPECT_NE(err.str().find(std::string(c.path) + ":"), std::string::npos) << err.str();
        EXPECT_TRUE(keyboard.events().empty());
        EXPECT_EQ(keyboard.config(), before);
        EXPECT_EQ(readAll(KeymapFilePath(data.path())), keymapBefore);
    }
    // The file unedited goes through.
    EXPECT_EQ(import([](QJsonObject&) {}), kExitDone) << err.str();
}

// Where the image travels in hex, a value left out is the one those bytes hold.
TEST_F(CtlTest, AValueLeftOutKeepsWhatTheImagesBytesHold) {
    auto files = std::make_unique<config::Configuration>();
    files->image.tail = 0x42;  // a byte no readable field carries
    files->records.restoreHomeCodes();
    ASSERT_TRUE(SaveKeymapFile(data.path(), files->image, files->records));
    ASSERT_EQ(run({"set", "brightness=17"}), kExitDone) << err.str();
    ASSERT_EQ(run({"export", "--json", file("x.json")}), kExitDone) << err.str();
    std::vector<uint8_t> b = readAll(data.path() / "x.json");
    std::string json(b.begin(), b.end());
    ASSERT_NE(json.find("imageBytes"), std::string::npos);
    const size_t at = json.find("\"brightness\": 17,");
    ASSERT_NE(at, std::string::npos);
    json.erase(at, std::strlen("\"brightness\": 17,"));
    const size_t speed = json.find("\"speed\": ");
    json.replace(speed, std::strlen("\"speed\": 5"), "\"speed\": 2");
    test::writeAll(data.path() / "y.json", std::vector<uint8_t>(json.begin(), json.end()));
    ASSERT_EQ(run({"set", "brightness=40"}), kExitDone) << err.str();
    ASSERT_EQ(run({"import", "--json", file("y.json")}), kExitDone) << err.str();
    EXPECT_EQ(keyboard.config().ledBrightness, 17);
    EXPECT_EQ(keyboard.config().ledSpeed, 2);
}

// What a key sends is its readable `sends`: an edit there changes the key and
// its record; a record edited on its own, or a `sends` no key can send, is
// refused by its path.
TEST_F(JsonEditTest, AnEditedSendsChangesTheKeyAndItsRecord) {
    ASSERT_EQ(import([&](QJsonObject& o) { setKey(o, slotA, "sends", QStringLiteral("C")); }), kExitDone) << err.str();
    EXPECT_EQ(entryOf(slotA), (std::vector<uint8_t>{kEntryKeys, 0, keyNames().usage(0x43), 0}));
    KeyRecord r = recordOf(slotA);
    EXPECT_EQ(r.type, 0);
    EXPECT_EQ(r.length, 1);
    EXPECT_EQ(r.data[0], 0x43);
    ASSERT_EQ(run({"export", "--json", "-"}), kExitDone);
    EXPECT_NE(out.str().find("\"sends\": \"C\""), std::string::npos);

    ASSERT_EQ(import([&](QJsonObject& o) { setKey(o, slotA, "sends", QStringLiteral("LCtrl + V")); }), kExitDone)
        << err.str();
    EXPECT_EQ(entryOf(slotA), (std::vector<uint8_t>{kEntryKeys, keyNames().usage(0xA2), keyNames().usage(0x56), 0}));
    ASSERT_EQ(import([&](QJsonObject& o) { setKey(o, slotA, "sends", QStringLiteral("macro 0 (Jump)")); }), kExitDone)
        << err.str();
    EXPECT_EQ(entryOf(slotA), (std::vector<uint8_t>{kEntryMacro, 1, 0, 0}));
    EXPECT_EQ(recordOf(slotA).type, 2);
    // Disabling by "enabled" keeps what the key sends.
    ASSERT_EQ(import([&](QJsonObject& o) { setKey(o, slotA, "enabled", false); }), kExitDone) << err.str();
    EXPECT_FALSE(IsKeyEnabled(keyboard.config(), slotA));
    EXPECT_EQ(entryOf(slotA), (std::vector<uint8_t>{kEntryKeys, 0, keyNames().usage(0x41), 0}));

    const DeviceImage now = keyboard.config();
    const struct {
        std::function<void(QJsonObject&)> edit;
        std::string path;
    } refused[] = {
        {[&](QJsonObject& o) { setKey(o, slotA, "sends", QStringLiteral("Q + W + E + R")); }, "keys[" + std::to_string(slotA) + "].sends"},
        {[&](QJsonObject& o) { setKey(o, slotA, "sends", QStringLiteral("no such key")); }, "keys[" + std::to_string(slotA) + "].sends"},
        {[&](QJsonObject& o) { setKey(o, slotA, "sends", QStringLiteral("macro 40")); }, "keys[" + std::to_string(slotA) + "].sends"},
        {[&](QJsonObject& o) { setKey(o, slotA, "sends", QStringLiteral("disabled")); }, "keys[" + std::to_string(slotA) + "].sends"},
        {[&](QJsonObject& o) {
             setKey(o, slotA, "sends", QStringLiteral("C"));
             setKey(o, slotA, "enabled", false);
         },
         "keys[" + std::to_string(slotA) + "].sends"},
        // A record claiming C for a key that sends A.
        {[&](QJsonObject& o) {
             QJsonObject rec{{QStringLiteral("slot"), slotA}, {QStringLiteral("type"), 0},
                             {QStringLiteral("codes"), QJsonArray{QStringLiteral("C")}}, {QStringLiteral("path"), QString()}};
             o[QStringLiteral("keyRecords")] = QJsonArray{rec};
         },
         "keyRecords[0].codes"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(import(c.edit), kExitBadFile);
        EXPECT_NE(err.str().find(c.path + ":"), std::string::npos) << err.str();
        EXPECT_TRUE(keyboard.events().empty());
        EXPECT_EQ(keyboard.config(), now);
    }
}

// Runs a test in a working folder of its own, and goes back afterwards.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder) : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
    }

private:
    std::filesystem::path m_old;
};

// save NAME stores the profile NAME and never a file of that name in the
// working folder; a file that is not a profile is replaced only with --force.
TEST_F(CtlTest, SaveWritesTheProfileAndLeavesOtherFilesAlone) {
    TempFolder work;
    WorkingFolder cwd(work.path());
    const std::vector<uint8_t> notes = {'b', 'u', 'y', ' ', 'm', 'i', 'l', 'k', '\n'};
    test::writeAll(work.path() / "Notes", notes);

    ASSERT_EQ(run({"save", "Notes"}), kExitDone) << err.str();
    EXPECT_EQ(readAll(work.path() / "Notes"), notes);
    EXPECT_EQ(std::filesystem::file_size(data.path() / "Configure" / "Notes.bin"), kKeymapFileBytes);
    ASSERT_EQ(run({"apply", "Notes"}), kExitDone) << err.str();

    // A path names the file; one that is not a profile stays as it is.
    EXPECT_EQ(run({"save", "./Notes"}), kExitFailed);
    EXPECT_NE(err.str().find("--force"), std::string::npos) << err.str();
    EXPECT_EQ(readAll(work.path() / "Notes"), notes);
    ASSERT_EQ(run({"save", "--force", "./Notes"}), kExitDone) << err.str();
    EXPECT_EQ(std::filesystem::file_size(work.path() / "Notes"), kKeymapFileBytes);
    // A profile is replaced without asking; "x.bin" is a file here, not the profile x.
    ASSERT_EQ(run({"save", "./Notes"}), kExitDone) << err.str();
    ASSERT_EQ(run({"save", "Night.bin"}), kExitDone) << err.str();
    EXPECT_TRUE(std::filesystem::exists(work.path() / "Night.bin"));
    EXPECT_FALSE(std::filesystem::exists(data.path() / "Configure" / "Night.bin"));
    // A path is taken byte for byte, also where it is not UTF-8.
    ASSERT_EQ(run({"save", "./caf\xE9.bin"}), kExitDone) << err.str();
    EXPECT_EQ(std::filesystem::file_size(work.path() / "caf\xE9.bin"), kKeymapFileBytes);
    EXPECT_EQ(parseCommandLine({"apply", "--force", "x"}).ok(), false);
}

// export, like save, replaces only what it wrote itself: an earlier export, or
// an empty file; a profile or any other file only with --force.
TEST_F(CtlTest, ExportReplacesAProfileOnlyWithForce) {
    ASSERT_EQ(run({"save", "FPS"}), kExitDone) << err.str();
    const std::filesystem::path profile = data.path() / "Configure" / "FPS.bin";
    const std::vector<uint8_t> saved = readAll(profile);
    EXPECT_EQ(run({"export", "--json", profile.string()}), kExitFailed);
    EXPECT_NE(err.str().find("--force"), std::string::npos) << err.str();
    EXPECT_EQ(readAll(profile), saved);
    test::writeAll(data.path() / "notes.txt", {'h', 'i', '\n'});
    EXPECT_EQ(run({"export", "--json", file("notes.txt")}), kExitFailed);
    EXPECT_EQ(readAll(data.path() / "notes.txt"), (std::vector<uint8_t>{'h', 'i', '\n'}));

    // An earlier export and an empty file are replaced as they are.
    ASSERT_EQ(run({"export", "--json", file("backup.json")}), kExitDone) << err.str();
    ASSERT_EQ(run({"set", "brightness=12"}), kExitDone) << err.str();
    ASSERT_EQ(run({"export", "--json", file("backup.json")}), kExitDone) << err.str();
    const std::vector<uint8_t> b = readAll(data.path() / "backup.json");
    EXPECT_NE(std::string(b.begin(), b.end()).find("\"brightness\": 12"), std::string::npos);
    test::writeAll(data.path() / "empty.json", {});
    EXPECT_EQ(run({"export", "--json", file("empty.json")}), kExitDone) << err.str();

    ASSERT_EQ(run({"export", "--json", "--force", profile.string()}), kExitDone) << err.str();
    const std::vector<uint8_t> replaced = readAll(profile);
    EXPECT_TRUE(config::isConfigurationJson(std::string(replaced.begin(), replaced.end())));
}

// Names that cannot be files, folders that cannot be searched and loops of
// links end with a message and exit 1; a long name that fits is saved.
TEST_F(CtlTest, SaveRefusesWhatCannotBeAFileWithAMessage) {
    const std::filesystem::path profiles = data.path() / "Configure";
    std::filesystem::create_directories(profiles);
    // Names count in bytes: 84 Chinese characters are 252, and 256 with ".bin".
    std::string chinese;
    for (int i = 0; i < 84; ++i) chinese += "配";
    for (const std::string& name : {std::string(252, 'a'), chinese, "d/" + std::string(256, 'a')}) {
        EXPECT_EQ(run({"save", name}), kExitFailed);
        EXPECT_NE(err.str().find("too long"), std::string::npos) << err.str();
    }
    for (size_t length : {231, 251}) {
        EXPECT_EQ(run({"save", std::string(length, 'a')}), kExitDone) << length << err.str();
        EXPECT_EQ(std::filesystem::file_size(profiles / (std::string(length, 'a') + ".bin")), kKeymapFileBytes);
        std::filesystem::remove(profiles / (std::string(length, 'a') + ".bin"));
    }
    std::filesystem::create_symlink("Loop.bin", profiles / "Loop.bin");
    EXPECT_EQ(run({"save", "Loop"}), kExitFailed);
    EXPECT_NE(err.str().find("symbolic links"), std::string::npos) << err.str();
    EXPECT_TRUE(std::filesystem::is_symlink(profiles / "Loop.bin"));
    if (::geteuid() != 0) {
        std::filesystem::permissions(profiles, std::filesystem::perms::owner_read);
        EXPECT_EQ(run({"save", "Locked"}), kExitFailed);
        EXPECT_NE(err.str().find("could not be written"), std::string::npos) << err.str();
        std::filesystem::permissions(profiles, std::filesystem::perms::owner_all);
    }
}

// The program's own data files and anything that is not a regular file are
// never written over, whatever command names them.
TEST_F(CtlTest, DataFilesDevicesAndFifosAreNeverReplaced) {
    ASSERT_EQ(run({"import", "--json", file("missing.json")}), kExitBadFile);
    auto files = std::make_unique<config::Configuration>();
    files->records.restoreHomeCodes();
    ASSERT_TRUE(SaveKeymapFile(data.path(), files->image, files->records));
    ASSERT_TRUE(SaveMacroStore(files->macros, data.path()));
    std::filesystem::create_directories(data.path() / "History");
    test::writeAll(data.path() / "History" / "snapshot-0000001700000000.bin", {1});
    const std::vector<uint8_t> keymap = readAll(KeymapFilePath(data.path()));
    const std::vector<uint8_t> macros = readAll(data.path() / kMacroFileName);
    std::filesystem::create_symlink(KeymapFilePath(data.path()), data.path() / "keymap-link.bin");

    const std::vector<std::vector<std::string>> refused = {
        {"save", "--force", file("keymap.bin")},
        {"save", file("keymap-link.bin")},
        {"export", "--json", file("MacroDefine.bin")},
        {"export", "--json", file("History/snapshot-0000001700000000.bin")},
        {"export", "--json", file("History/new.json")},
        {"save", "--force", file("DemoKeyboard.bin")},
    };
    for (const auto& argv : refused) {
        EXPECT_EQ(run(argv), kExitFailed) << argv.back();
        EXPECT_NE(err.str().find("own data files"), std::string::npos) << err.str();
    }
    EXPECT_EQ(readAll(KeymapFilePath(data.path())), keymap);
    EXPECT_EQ(readAll(data.path() / kMacroFileName), macros);
    EXPECT_FALSE(std::filesystem::exists(data.path() / "History" / "new.json"));
    EXPECT_FALSE(std::filesystem::exists(data.path() / "DemoKeyboard.bin"));

    // A FIFO nobody reads and a device are refused at once and stay.
    ASSERT_EQ(::mkfifo(file("pipe.json").c_str(), 0600), 0);
    EXPECT_EQ(run({"export", "--json", file("pipe.json")}), kExitFailed);
    EXPECT_NE(err.str().find("FIFO"), std::string::npos) << err.str();
    EXPECT_TRUE(std::filesystem::is_fifo(file("pipe.json")));
    if (::mknod(file("node").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
        std::filesystem::create_symlink(file("node"), file("node.bin"));
        EXPECT_EQ(run({"save", "--force", file("node.bin")}), kExitFailed);
        EXPECT_NE(err.str().find("not a regular file"), std::string::npos) << err.str();
        EXPECT_TRUE(std::filesystem::is_character_file(file("node")));
    } else {
        std::cout << "[  NOTE    ] mknod not permitted here: the device case was skipped\n";
    }
}

// A killed run's temporary files go with the next run that holds the lock,
// and only then: beside a running program they may be its save in progress.
TEST_F(CtlTest, AKilledRunsTemporariesGoWithTheNextRun) {
    std::filesystem::create_directories(data.path() / "Configure");
    const std::filesystem::path stale[] = {data.path() / "keymap.bin.vandrel-tmp-0a1b2c3d",
                                           data.path() / "Configure" / "FPS.bin.vandrel-tmp-00ff00ff"};
    for (const auto& f : stale) {
        test::writeAll(f, {1});
        std::filesystem::last_write_time(f, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
    }
    auto fromProgram = [this](const std::vector<std::string>& argv) {
        out.str({});
        err.str({});
        Environment env(keyboard, clock, data.path(), data.path() / "Configure", out, err);
        env.configurationSource = [](config::Configuration&) { return kExitDone; };
        return runCommand(parseCommandLine(argv).options, env);
    };
    ASSERT_EQ(fromProgram({"show"}), kExitDone) << err.str();
    for (const auto& f : stale) EXPECT_TRUE(std::filesystem::exists(f)) << f;
    ASSERT_EQ(run({"show"}), kExitDone) << err.str();
    for (const auto& f : stale) EXPECT_FALSE(std::filesystem::exists(f)) << f;
}

// Something else in the settings file's place (a FIFO, or a link to one)
// neither stalls vandrelctl rule, which reads the file first, nor is replaced
// by the settings; the file QSettings would use is found without reading it.
TEST(CtlRules, ASettingsFileThatIsNoRegularFileIsNeitherReadNorReplaced) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "Configure");
    test::writeAll(folder.path() / "Configure" / "FPS.bin", std::vector<uint8_t>(kKeymapFileBytes));
    const std::filesystem::path fifo = folder.path() / "Vandrel.conf", link = folder.path() / "link.conf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, link);
    for (const std::filesystem::path& file : {fifo, link}) {
        SCOPED_TRACE(file.string());
        RuleSettings settings(QString::fromStdString(file.string()));
        EXPECT_FALSE(settings.usable());
        EXPECT_TRUE(settings.rules().rules.empty());
        EXPECT_TRUE(settings.enabled());
        EXPECT_TRUE(settings.flag(QStringLiteral("verifySaves"), true));
        EXPECT_FALSE(settings.setFlag(QStringLiteral("verifySaves"), false));
        EXPECT_FALSE(settings.addWrites(1));
        const ParseResult parsed = parseCommandLine({"rule", "add", "--class", "game", "--profile", "FPS"});
        std::ostringstream out, err;
        EXPECT_EQ(runRuleCommand(parsed.options, settings, folder.path() / "Configure", out, err), kExitFailed);
        EXPECT_NE(err.str().find("could not be written"), std::string::npos) << err.str();
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    }
    EXPECT_TRUE(RuleSettings(QString::fromStdString((folder.path() / "new.conf").string())).usable());

    QCoreApplication::setOrganizationName(QStringLiteral("Vandrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Vandrel"));
    EXPECT_EQ(RuleSettings().file(), QSettings().fileName());
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QString());
}

// The session's lights: nothing is chosen until asked, a choice is kept in
// the settings file beside the rules, and a wrong one changes nothing.
TEST(CtlSession, TheChoiceIsKeptInTheSettings) {
    TempFolder folder;
    RuleSettings settings(QString::fromStdString((folder.path() / "Vandrel.conf").string()));
    auto session = [&](std::vector<std::string> argv, std::string* output = nullptr) {
        argv.insert(argv.begin(), "session");
        const ParseResult parsed = parseCommandLine(argv);
        std::ostringstream out, err;
        const int code = runSessionCommand(parsed.options, settings, out, err);
        if (output) *output = out.str() + err.str();
        return code;
    };
    std::string shown;
    EXPECT_EQ(session({"show"}, &shown), kExitDone);
    EXPECT_EQ(shown.find("lock=keep"), 0u) << shown;
    EXPECT_NE(shown.find("idle=never"), std::string::npos);
    EXPECT_NE(shown.find("sleep=keep"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Vandrel.conf"));

    EXPECT_EQ(session({"set", "lock=dim", "dim=4", "idle=20"}), kExitDone);
    EXPECT_EQ(session({"set", "sleep=off"}), kExitDone);
    SessionLightingChoice expected;
    expected.lock = LockLighting::Dim;
    expected.dim = 4;
    expected.idleMinutes = 20;
    expected.sleep = SleepLighting::Off;
    EXPECT_EQ(RuleSettings(settings.file()).sessionLighting(), expected);
    // The rules beside it are untouched, and the other way round.
    RuleSet rules;
    rules.defaultProfile = "FPS";
    ASSERT_TRUE(settings.setRules(rules));
    EXPECT_EQ(RuleSettings(settings.file()).sessionLighting(), expected);

    EXPECT_EQ(session({"show", "--json"}, &shown), kExitDone);
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(shown)).object();
    EXPECT_EQ(json.value(QStringLiteral("lock")).toString(), QStringLiteral("dim"));
    EXPECT_EQ(json.value(QStringLiteral("idle")).toInt(), 20);
    EXPECT_EQ(json.value(QStringLiteral("dim")).toInt(), 4);

    // A value edited by hand into nonsense reads as the default.
    {
        QSettings raw(settings.file(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("session/lock"), QStringLiteral("sparkle"));
        raw.setValue(QStringLiteral("session/dim"), 99);
    }
    EXPECT_EQ(RuleSettings(settings.file()).sessionLighting().lock, LockLighting::Keep);
    EXPECT_EQ(RuleSettings(settings.file()).sessionLighting().dim, 10);
    EXPECT_EQ(RuleSettings(settings.file()).sessionLighting().idleMinutes, 20);
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

    // A profile deleted after its rule was made is flagged, and the rule kept.
    std::filesystem::remove(folder.path() / "Configure" / "夜间.bin");
    EXPECT_EQ(rule({"list"}, &listed), kExitDone);
    EXPECT_EQ(listed,
              "1  --class steam_app_730 --title 'Counter\\s*Strike' --profile FPS\n"
              "2  --class xmessage --exe /usr/bin/xmessage --profile 夜间"
              "  [profile missing: windows it matches are treated as unmatched]\n"
              "Default: FPS\n");
    EXPECT_EQ(rule({"list", "--json"}, &listed), kExitDone);
    EXPECT_NE(listed.find("\"profileMissing\": true"), std::string::npos) << listed;
    EXPECT_NE(listed.find("\"profileMissing\": false"), std::string::npos) << listed;

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
