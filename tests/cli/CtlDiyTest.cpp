// vandrelctl diy on the simulated keyboard with the program closed: the map
// bytes each command leaves, what it writes, show's text and JSON, the
// exported picture, and the refusals with their exit codes.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>

#include "app/model/DiyPaint.h"
#include "app/draw/DiyPicture.h"
#include "cli/CtlRunner.h"
#include "sim/SimKeyboard.h"
#include "sim/VirtualClock.h"
#include "tests/device/SimFixture.h"
#include "tests/support/TempFolder.h"

namespace vandrel::ctl {
namespace {

class CtlDiyTest : public ::testing::Test {
protected:
    CtlDiyTest() : keyboard(clock) {}

    int run(const std::vector<std::string>& argv) {
        out.str({});
        err.str({});
        keyboard.clearRecord();
        const ParseResult parsed = parseCommandLine(argv);
        if (!parsed.ok()) return kExitUsage;
        Environment env(keyboard, clock, data.path(), data.path() / "Configure", out, err);
        return runCommand(parsed.options, env);
    }
    std::string file(const char* name) const { return (data.path() / name).string(); }
    // How many custom maps the last command wrote.
    int mapWrites() const {
        int n = 0;
        for (const std::string& f : test::framesOf(keyboard.events())) n += f.substr(3, 2) == "12";
        return n;
    }

    test::TempFolder data;
    VirtualClock clock;
    SimKeyboard keyboard;
    std::ostringstream out, err;
};

int slotOf(const char* name) { return diySlotByName(name).value(); }

TEST_F(CtlDiyTest, SetFillCopyAndImportWriteTheMapsTheyChangeAndNothingElse) {
    DeviceImage expected = keyboard.config();
    ASSERT_EQ(run({"diy", "set", "1", "W=#FF0000", "esc=#00ff00"}), kExitDone) << err.str();
    EXPECT_EQ(out.str(), "DIY1: 2 keys changed.\n");
    EXPECT_EQ(mapWrites(), 1);
    ASSERT_EQ(run({"diy", "fill", "2", "wasd", "#0000FF"}), kExitDone) << err.str();
    ASSERT_EQ(run({"diy", "copy", "1", "3"}), kExitDone) << err.str();
    EXPECT_EQ(out.str(), "DIY3: 2 keys changed.\n");
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(qRgb(0x11, 0x22, 0x33));
    ASSERT_TRUE(picture.save(QString::fromStdString(file("plain.png"))));
    ASSERT_EQ(run({"diy", "import", "4", file("plain.png")}), kExitDone) << err.str();
    EXPECT_EQ(mapWrites(), 1);

    setDiyKeyColour(expected, 0, slotOf("W"), Rgb{255, 0, 0});
    setDiyKeyColour(expected, 0, slotOf("Esc"), Rgb{0, 255, 0});
    fillDiyKeys(expected, 1, diyZoneSlots(DiyZone::Wasd), Rgb{0, 0, 255});
    copyDiyMap(expected, 0, 2);
    fillDiyKeys(expected, 3, diyPaintableSlots(), Rgb{0x11, 0x22, 0x33});
    // The full read switches game mode on; everything else is as painted.
    expected.gameMode = keyboard.config().gameMode;
    EXPECT_EQ(keyboard.config(), expected);
    EXPECT_TRUE(keyboard.violations().empty());

    // The same colours again: nothing is written.
    ASSERT_EQ(run({"diy", "set", "1", "W=#FF0000"}), kExitDone);
    EXPECT_EQ(out.str(), "DIY1: nothing changed.\n");
    EXPECT_EQ(mapWrites(), 0);
    ASSERT_EQ(run({"diy", "set", "1", "W=none"}), kExitDone);
    EXPECT_TRUE(diyKeyColour(keyboard.config(), 0, slotOf("W")).black());
}

TEST_F(CtlDiyTest, ShowListsEveryLitKeyWithItsColourOrNone) {
    ASSERT_EQ(run({"diy", "set", "5", "W=#FF0000", "Keypad 1=#0000ff"}), kExitDone) << err.str();
    ASSERT_EQ(run({"diy", "show", "5"}), kExitDone) << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("DIY5\n", 0), 0u);
    EXPECT_NE(text.find("\n  W              #FF0000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n  Keypad 1       #0000FF\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n  Esc            none\n"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + kPhysicalSlots - 4);

    ASSERT_EQ(run({"diy", "show", "5", "--json"}), kExitDone) << err.str();
    QJsonParseError error;
    const QJsonObject keys = QJsonDocument::fromJson(QByteArray::fromStdString(out.str()), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out.str();
    EXPECT_EQ(keys.size(), kPhysicalSlots - 4);
    EXPECT_EQ(keys["W"].toString(), "#FF0000");
    EXPECT_EQ(keys["Keypad 1"].toString(), "#0000FF");
    EXPECT_TRUE(keys["Esc"].isNull());
    EXPECT_TRUE(keys["\\"].isNull()) << "a name that needs escaping";
    EXPECT_FALSE(keys.contains("Mute"));
}

TEST_F(CtlDiyTest, ExportDrawsTheMapAndChangesNothing) {
    ASSERT_EQ(run({"diy", "set", "2", "W=#FF0000"}), kExitDone) << err.str();
    const DeviceImage before = keyboard.config();
    ASSERT_EQ(run({"diy", "export", "2", file("map.png")}), kExitDone) << err.str();
    EXPECT_EQ(mapWrites(), 0);
    EXPECT_EQ(0, std::memcmp(keyboard.config().diyMaps, before.diyMaps, sizeof before.diyMaps));
    EXPECT_EQ(QImage(QString::fromStdString(file("map.png"))).convertToFormat(QImage::Format_RGB32),
              renderDiyMap(before, 1));

    // An earlier picture is replaced; another file only with --force, and a
    // data file of the program never.
    ASSERT_EQ(run({"diy", "export", "1", file("map.png")}), kExitDone) << err.str();
    QFile notes(QString::fromStdString(file("notes.txt")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("keep me");
    notes.close();
    EXPECT_EQ(run({"diy", "export", "2", file("notes.txt")}), kExitFailed);
    EXPECT_NE(err.str().find("not a PNG picture"), std::string::npos) << err.str();
    EXPECT_EQ(test::readAll(file("notes.txt")), (std::vector<uint8_t>{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_EQ(run({"diy", "export", "--force", "2", file("notes.txt")}), kExitDone) << err.str();
    EXPECT_EQ(run({"diy", "export", "2", file("keymap.bin")}), kExitFailed);
    EXPECT_EQ(run({"diy", "export", "2", file("missing/map.png")}), kExitFailed);
    EXPECT_NE(err.str().find("cannot write"), std::string::npos) << err.str();
}

TEST_F(CtlDiyTest, WrongCommandsAreRefusedNamingWhatIsWrong) {
    const struct {
        std::vector<std::string> argv;
        const char* named;
    } cases[] = {
        {{"diy"}, "usage"},
        {{"diy", "paint", "1"}, "usage"},
        {{"diy", "fill", "1", "all"}, "usage: vandrelctl diy fill"},
        {{"diy", "set", "1", "W=#FF0000", "--json"}, "usage"},
        {{"diy", "set", "0", "W=#FF0000"}, "'0' is not a custom map"},
        {{"diy", "show", "diy1"}, "'diy1' is not a custom map"},
        {{"diy", "copy", "1", "6"}, "'6' is not a custom map"},
        {{"diy", "set", "1", "Mute=#FF0000"}, "'Mute' is a media key"},
        {{"diy", "set", "1", "Hyper=#FF0000"}, "unknown key 'Hyper'"},
        {{"diy", "set", "1", "W=red"}, "'red' is not a colour"},
        {{"diy", "set", "1", "W"}, "'W' is not KEY=#RRGGBB"},
        {{"diy", "fill", "1", "rim", "#FF0000"}, "unknown zone 'rim'"},
    };
    for (const auto& c : cases) {
        const ParseResult parsed = parseCommandLine(c.argv);
        EXPECT_NE(parsed.error.find(c.named), std::string::npos) << c.argv.back() << ": " << parsed.error;
        EXPECT_EQ(run(c.argv), kExitUsage);
    }

    // Pictures that cannot be read: nothing is sent to the keyboard.
    QFile text(QString::fromStdString(file("notes.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    for (const char* name : {"missing.png", "notes.png"}) {
        EXPECT_EQ(run({"diy", "import", "1", file(name)}), kExitBadFile) << name;
        EXPECT_NE(err.str().find("cannot read " + file(name)), std::string::npos) << err.str();
        EXPECT_TRUE(keyboard.events().empty());
    }
}

}  // namespace
}  // namespace vandrel::ctl
