// Command frames, their checksums, and the value transforms between the image
// and the wire.

#include <gtest/gtest.h>

#include "device/Commands.h"
#include "tests/device/SimFixture.h"

namespace vandrel::test {
namespace {

struct FrameCase {
    const char* name;
    CommandFrame frame;
    const char* hex;
};

DeviceImage lightingImage() {
    DeviceImage im{};
    im.ledEffect = 3;
    im.ledSpeed = 0;  // travels as 10
    im.ledBrightness = 50;
    im.ledColor = 8;
    im.ledDirection = 4;
    im.ledPalette[2][0] = 0x12;
    im.ledPalette[2][1] = 0x34;
    im.ledPalette[2][2] = 0x56;
    return im;
}

TEST(CommandFrame, EveryCommandHasItsPayloadAndChecksum) {
    const DeviceImage im = lightingImage();
    const FrameCase cases[] = {
        {"GetFirmwareVersion", frames::getFirmwareVersion(), "00 80 00 00 00 00 00 00 7F"},
        {"GetReportRate", frames::getReportRate(), "00 81 00 00 00 00 00 00 7E"},
        {"GetResponseTime", frames::getResponseTime(), "00 84 00 00 00 00 00 00 7B"},
        {"GetLighting", frames::getLighting(), "00 88 00 00 00 00 00 00 77"},
        {"GetGameMode", frames::getGameMode(), "00 89 00 00 00 00 00 00 76"},
        {"ReadKeyMap", frames::readKeyMap(), "00 8D 00 00 00 00 00 00 72"},
        {"ReadKeyMask", frames::readKeyMask(), "00 8E 00 00 15 00 00 00 5C"},
        {"WriteKeyMap", frames::writeKeyMap(), "00 0D 00 00 08 00 00 00 EA"},
        {"WriteKeyMask", frames::writeKeyMask(), "00 0E 00 00 15 00 00 00 DC"},
        {"SetGameMode(1)", frames::setGameMode(1), "00 09 01 00 00 00 00 00 F5"},
        {"FactoryReset wraps", frames::factoryReset(), "00 13 FF 00 00 00 00 00 ED"},
        {"ReadMacro(5)", frames::readMacro(5), "00 91 00 05 00 00 00 00 69"},
        {"WriteMacro(31)", frames::writeMacro(31), "00 11 00 1F 03 00 00 00 CC"},
        {"ReadCustomLighting(4)", frames::readCustomLighting(4), "00 92 00 04 08 00 00 00 61"},
        {"WriteCustomLighting(2)", frames::writeCustomLighting(2), "00 12 00 02 08 00 00 00 E3"},
        {"GetColor(6)", frames::getColor(6), "00 94 00 06 00 00 00 00 65"},
        {"SetColor(2)", frames::setColor(im, 2), "00 14 00 02 12 34 56 00 4D"},
        {"SetReportRate(3)", frames::setReportRate(3), "00 01 03 00 00 00 00 00 FB"},
        {"SetResponseTime(10)", frames::setResponseTime(10), "00 04 0A 00 00 00 00 00 F1"},
        {"SetGameMode(0)", frames::setGameMode(0), "00 09 00 00 00 00 00 00 F6"},
        // The opening frame always carries brightness 0; speed 0 travels as 10.
        {"SetLighting variant 1", frames::setLighting(im, 1), "00 08 01 03 0A 00 08 04 DD"},
        {"SetLighting variant 2", frames::setLighting(im, 2), "00 08 02 03 0A 32 08 04 AA"},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hex(c.frame.bytes.data(), c.frame.bytes.size()), c.hex);
        EXPECT_TRUE(c.frame.checksumValid());
    }
}

TEST(CommandFrame, ChecksumsOfTheIndexedCommandsCountDown) {
    for (int i = 0; i < 32; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames::readMacro(i).at(8), 0x6E - i);
        EXPECT_EQ(frames::writeMacro(i).at(8), 0xEB - i);
        if (i < 5) {
            EXPECT_EQ(frames::readCustomLighting(i).at(8), 0x65 - i);
            EXPECT_EQ(frames::writeCustomLighting(i).at(8), 0xE5 - i);
        }
        if (i < 7) {
            EXPECT_EQ(frames::getColor(i).at(8), 0x6B - i);
        }
        if (i < 11) {
            EXPECT_EQ(frames::setReportRate(static_cast<uint8_t>(i)).at(8), 0xFE - i);
            EXPECT_EQ(frames::setResponseTime(static_cast<uint8_t>(i)).at(8), 0xFB - i);
            EXPECT_EQ(frames::setGameMode(static_cast<uint8_t>(i)).at(8), 0xF6 - i);
        }
    }
}

TEST(CommandFrame, ReportIdIsNotSummedAndABadChecksumIsSeen) {
    CommandFrame f = frames::getLighting();
    f.at(0) = 0x55;
    EXPECT_TRUE(f.checksumValid());
    f.at(3) = 1;
    EXPECT_FALSE(f.checksumValid());
}

TEST(ValueTransforms, SpeedTravelsAsTenMinusTheValue) {
    const struct {
        uint8_t stored, wire;
    } cases[] = {{0, 10}, {5, 5}, {9, 1}};
    for (auto c : cases) {
        EXPECT_EQ(speedToWire(c.stored), c.wire);
        EXPECT_EQ(speedFromWire(c.wire), c.stored);
    }
    EXPECT_EQ(speedFromWire(0), 10);  // outside the slider range, kept as is
}

TEST(ValueTransforms, WindowsKeyLockInKeyMaskByteOne) {
    const struct {
        uint8_t winLock, before, after;
    } apply[] = {{1, 0xFF, 0x3E}, {1, 0x01, 0x00}, {0, 0x3E, 0x3F}, {0, 0xFF, 0xFF}, {2, 0x00, 0x01}};
    for (auto c : apply) {
        DeviceImage im{};
        im.winLock = c.winLock;
        im.keyMask[1] = c.before;
        applyWinLock(im);
        EXPECT_EQ(im.keyMask[1], c.after) << int(c.winLock) << " " << int(c.before);
    }
    const struct {
        uint8_t mask, winLock;
    } derive[] = {{0xFE, 1}, {0x01, 0}, {0x3E, 1}, {0xFF, 0}};
    for (auto c : derive) {
        DeviceImage im{};
        im.keyMask[1] = c.mask;
        deriveWinLock(im);
        EXPECT_EQ(im.winLock, c.winLock) << int(c.mask);
    }
}

// Values read from the keyboard go through the same transforms.
TEST(ValueTransforms, ReadFromTheKeyboard) {
    SimSession s;
    s.connect();
    DeviceImage kb = s.keyboard.config();
    kb.ledSpeed = 10;  // the keyboard answers 0 on the wire
    kb.keyMask[1] = 0xFE;
    s.keyboard.setConfig(kb);
    ASSERT_EQ(s.session.readAll(s.image), TransferOutcome::Completed);
    EXPECT_EQ(s.image.ledSpeed, 10);
    EXPECT_EQ(s.image.winLock, 1);
}

}  // namespace
}  // namespace vandrel::test
