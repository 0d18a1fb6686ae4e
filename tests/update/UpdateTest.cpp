#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempFolder.h"
#include "update/AppVersion.h"

namespace fs = std::filesystem;
using namespace vandrel;

namespace {

struct RuleCase {
    int appMajor, appMinor, fwMajor, fwMinor;
    bool offered;
};

class FirmwareRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(FirmwareRule, OffersOnlyWhenTheKeyboardIsOlder) {
    const RuleCase c = GetParam();
    AppVersion app;
    app.major = static_cast<uint8_t>(c.appMajor);
    app.minor = static_cast<uint8_t>(c.appMinor);
    FirmwareVersion fw;
    fw.major = static_cast<uint8_t>(c.fwMajor);
    fw.minor = static_cast<uint8_t>(c.fwMinor);
    EXPECT_EQ(firmwareOlder(app, fw), c.offered)
        << "program " << c.appMajor << "." << c.appMinor << ", keyboard " << c.fwMajor << "." << c.fwMinor;
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareRule,
                         ::testing::Values(RuleCase{1, 2, 1, 1, true},   // newer minor
                                           RuleCase{1, 2, 1, 2, false},  // equal
                                           RuleCase{1, 2, 1, 3, false},  // keyboard newer
                                           RuleCase{2, 0, 1, 9, true},   // major wins over minor
                                           RuleCase{1, 9, 2, 0, false},  // no downgrade
                                           RuleCase{2, 1, 2, 3, false},
                                           RuleCase{2, 0, 1, 5, true},
                                           RuleCase{0, 0, 0, 0, false},  // no VER.bin
                                           RuleCase{0, 0, 1, 0, false},
                                           RuleCase{9, 9, 255, 0, false}));

AppVersion parse(const std::string& text) {
    return parseAppVersion(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(AppVersionBytes, DigitsAtBytesFiveAndSeven) {
    AppVersion v = parse("Ver: 2.7\r\n\0\0");
    EXPECT_EQ(v.major, 2);
    EXPECT_EQ(v.minor, 7);
    // The other bytes are not interpreted.
    v = parse("xxxxx3x4xxxx");
    EXPECT_EQ(v.major, 3);
    EXPECT_EQ(v.minor, 4);
    // Exactly 8 bytes are enough.
    v = parse("Ver: 1.1");
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 1);
}

TEST(AppVersionBytes, ShortOrGarbageCountsAsMissing) {
    for (const std::string& text : {std::string(), std::string("Ver: 1."), std::string("Ver: 1"),
                                    std::string("Ver: A.1\0\0\0\0", 12), std::string("Ver: 1.\xff\0\0\0\0", 12),
                                    std::string(12, '\0'), std::string(12, '\xff')}) {
        const AppVersion v = parse(text);
        EXPECT_EQ(v.major, 0) << text.size();
        EXPECT_EQ(v.minor, 0) << text.size();
    }
    const AppVersion none = parseAppVersion(nullptr, 12);
    EXPECT_EQ(none.major, 0);
}

class VersionFile : public ::testing::Test {
protected:
    void write(const std::string& bytes) {
        std::ofstream(dir / kVersionFileName, std::ios::binary).write(bytes.data(), bytes.size());
    }
    test::TempFolder folder;
    const fs::path& dir = folder.path();
};

TEST_F(VersionFile, ReadsTheDeliveredFile) {
    write("Ver: 1.4\0\0\0\0");
    const AppVersion v = loadAppVersion(dir / kVersionFileName);
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 4);
}

TEST_F(VersionFile, LongFileUsesOnlyItsHead) {
    write("Ver: 3.2....." + std::string(4096, '9'));
    const AppVersion v = loadAppVersion(dir / kVersionFileName);
    EXPECT_EQ(v.major, 3);
    EXPECT_EQ(v.minor, 2);
}

TEST_F(VersionFile, MissingShortAndDirectoryAreZero) {
    AppVersion v = loadAppVersion(dir / kVersionFileName);
    EXPECT_EQ(v.major, 0);
    write("Ver: 5");
    v = loadAppVersion(dir / kVersionFileName);
    EXPECT_EQ(v.major, 0);
    EXPECT_EQ(v.minor, 0);
    fs::create_directories(dir / "sub" / kVersionFileName);
    v = loadAppVersion(dir / "sub" / kVersionFileName);
    EXPECT_EQ(v.major, 0);
}

}  // namespace
