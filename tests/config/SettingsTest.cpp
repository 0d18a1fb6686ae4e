// The settings by name: the values the tool accepts, the lighting rules of
// the colour, and the ranges a configuration from a file is checked against.

#include <gtest/gtest.h>

#include "config/Settings.h"
#include "profile/ConfigurationCheck.h"

namespace vandrel::config {
namespace {

TEST(Settings, EffectRulesOfTheColourHold) {
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

// The ranges a configuration from a file is checked against are the ones set
// accepts, value for value.
TEST(Settings, FilesAreCheckedAgainstTheRangesSetAccepts) {
    for (int v = 0; v < 256; ++v) {
        const auto b = static_cast<uint8_t>(v);
        SCOPED_TRACE(v);
        EXPECT_EQ(IsPossibleValue(Setting::Effect, b), !effectName(b).empty());
        EXPECT_EQ(IsPossibleValue(Setting::Colour, b), !colourName(b).empty());
        EXPECT_EQ(IsPossibleValue(Setting::Direction, b), !directionName(b).empty());
        EXPECT_EQ(IsPossibleValue(Setting::ReportRate, b), reportRateHz(b) != 0);
        uint8_t parsed = 0;
        EXPECT_EQ(IsPossibleValue(Setting::ResponseTime, b), parseResponseMs(std::to_string(2 * v), parsed));
        EXPECT_EQ(IsPossibleValue(Setting::Brightness, b), parseSettings({"brightness=" + std::to_string(v)}).ok);
    }
}

}  // namespace
}  // namespace vandrel::config
