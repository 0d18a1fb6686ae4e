// What the lights do while the session is away: the settings as typed, the
// brightness each state of the session allows, and the file that keeps the
// lighting to return to.

#include <gtest/gtest.h>

#include <fstream>

#include "profile/SessionLightingChoice.h"
#include "tests/support/TempFolder.h"

namespace vandrel {
namespace {

struct AssignmentCase {
    std::vector<std::string> words;
    bool good;
    LockLighting lock;
    int dim;
    int idle;
    SleepLighting sleep;
};

TEST(SessionLightingChoiceTest, AssignmentsAreCheckedWhole) {
    const AssignmentCase cases[] = {
        {{"lock=off"}, true, LockLighting::Off, 10, 0, SleepLighting::Keep},
        {{"lock=dim", "dim=0", "idle=15", "sleep=off"}, true, LockLighting::Dim, 0, 15, SleepLighting::Off},
        {{"idle=never", "dim=50"}, true, LockLighting::Keep, 50, 0, SleepLighting::Keep},
        {{"idle=1440"}, true, LockLighting::Keep, 10, 1440, SleepLighting::Keep},
        // One wrong word and nothing changes.
        {{"lock=off", "dim=51"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
        {{"lock=off", "idle=0"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
        {{"idle=1441"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
        {{"idle=-5"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
        {{"sleep=dim"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
        {{"lock"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
        {{"lock=OFF"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
        {{"brightness=3"}, false, LockLighting::Keep, 10, 0, SleepLighting::Keep},
    };
    for (const AssignmentCase& c : cases) {
        SessionLightingChoice choice;
        std::string error;
        EXPECT_EQ(applySessionAssignments(c.words, choice, error), c.good) << c.words.front();
        EXPECT_EQ(error.empty(), c.good) << c.words.front();
        EXPECT_EQ(choice.lock, c.lock) << c.words.front();
        EXPECT_EQ(choice.dim, c.dim) << c.words.front();
        EXPECT_EQ(choice.idleMinutes, c.idle) << c.words.front();
        EXPECT_EQ(choice.sleep, c.sleep) << c.words.front();
    }
}

TEST(SessionLightingChoiceTest, TheLowestCapOfTheSessionsStatesWins) {
    SessionLightingChoice keep;
    SessionLightingChoice dim;
    dim.lock = LockLighting::Dim;
    dim.dim = 7;
    dim.idleMinutes = 5;
    dim.sleep = SleepLighting::Off;
    SessionLightingChoice off = dim;
    off.lock = LockLighting::Off;
    SessionLightingChoice idleOnly;
    idleOnly.idleMinutes = 3;
    idleOnly.dim = 4;
    struct Case {
        const SessionLightingChoice* choice;
        SessionState state;
        std::optional<uint8_t> cap;
    } const cases[] = {
        // The defaults write nothing, whatever happens.
        {&keep, {true, true, true}, std::nullopt},
        {&dim, {}, std::nullopt},
        {&dim, {true, false, false}, 7},
        {&dim, {false, false, true}, 7},
        {&dim, {true, true, false}, 0},
        {&off, {true, false, false}, 0},
        {&off, {false, false, true}, 0},
        // Idle with the lock keeping the lights dims them.
        {&idleOnly, {false, false, true}, 4},
        {&idleOnly, {true, false, false}, std::nullopt},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(awayBrightness(*cases[i].choice, cases[i].state), cases[i].cap) << "case " << i;
}

TEST(SessionLightingChoiceTest, TheLightingToReturnToSurvivesOnlyWhole) {
    test::TempFolder folder;
    const auto file = folder.path() / kLightingReturnFileName;
    const LightingBytes lighting{5, 3, 42, 8, 2};
    ASSERT_TRUE(saveLightingReturn(file, lighting));
    EXPECT_EQ(loadLightingReturn(file), lighting);

    const auto put = [&file](const std::string& bytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return loadLightingReturn(file);
    };
    EXPECT_FALSE(put(""));
    EXPECT_FALSE(put(std::string("VLR1\x05\x03\x2a\x08", 8)));          // short
    EXPECT_FALSE(put(std::string("VLR1\x05\x03\x2a\x08\x02\x00", 10)));  // long
    EXPECT_FALSE(put(std::string("XXXX\x05\x03\x2a\x08\x02", 9)));       // another file
    EXPECT_FALSE(put(std::string("VLR1\x05\x03\x33\x08\x02", 9)));       // brightness 51
    EXPECT_TRUE(put(std::string("VLR1\x05\x03\x32\x08\x02", 9)));
    EXPECT_FALSE(loadLightingReturn(folder.path() / "missing.bin"));
    // A folder in its place is no file of ours and is never replaced.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_FALSE(loadLightingReturn(file));
    EXPECT_FALSE(saveLightingReturn(file, lighting));
}

}  // namespace
}  // namespace vandrel
