// The custom-map painting tools on the map bytes: zones, fills, gradients,
// whole-map work, picture sampling and the names the tool takes.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "app/model/DiyPaint.h"

namespace vandrel {
namespace {

DeviceImage blank() {
    DeviceImage im;
    im.clear();
    return im;
}

const uint8_t* cell(const DeviceImage& im, int map, int slot) { return im.diyMaps[map] + SlotCellOffset[slot]; }

TEST(DiyPaint, ZonesHoldTheKeysTheirNamesSay) {
    auto names = [](DiyZone z) {
        std::set<std::string> out;
        for (int s : diyZoneSlots(z)) out.insert(KeyGeometry[s].label);
        return out;
    };
    EXPECT_EQ(diyZoneSlots(DiyZone::Letters).size(), 26u);
    std::set<std::string> letters;
    for (char c = 'A'; c <= 'Z'; ++c) letters.insert(std::string(1, c));
    EXPECT_EQ(names(DiyZone::Letters), letters);
    EXPECT_EQ(names(DiyZone::Wasd), (std::set<std::string>{"W", "A", "S", "D"}));
    EXPECT_EQ(names(DiyZone::Arrows), (std::set<std::string>{"Up", "Down", "Left", "Right"}));
    EXPECT_EQ(diyZoneSlots(DiyZone::FunctionRow).size(), 12u);
    EXPECT_EQ(diyZoneSlots(DiyZone::Digits).size(), 10u);
    EXPECT_EQ(diyZoneSlots(DiyZone::Numpad).size(), 17u);
    EXPECT_EQ(diyZoneSlots(DiyZone::All).size(), 104u);  // 108 keys less the four media keys
    for (int z = 0; z < kDiyZoneCount; ++z) {
        const auto& keys = diyZoneSlots(static_cast<DiyZone>(z));
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
        for (int s : keys) EXPECT_TRUE(diyPaintable(s)) << diyZoneName(static_cast<DiyZone>(z)) << " " << s;
        EXPECT_EQ(diyZoneByName(diyZoneName(static_cast<DiyZone>(z))), static_cast<DiyZone>(z));
    }
    EXPECT_EQ(diyZoneByName("F-Row"), DiyZone::FunctionRow);
    EXPECT_FALSE(diyZoneByName("everything").has_value());
}

TEST(DiyPaint, KeysByNameRoundTripAndRefuseMediaKeys) {
    for (int s : diyPaintableSlots()) EXPECT_EQ(diySlotByName(diySlotName(s)), s) << diySlotName(s);
    EXPECT_EQ(diySlotByName("w"), 43);
    EXPECT_EQ(diySlotByName("print screen"), 13);
    EXPECT_EQ(diySlotByName("-"), 31);           // the main block's minus, not the keypad's
    EXPECT_EQ(diySlotByName("Keypad -"), 40);
    EXPECT_EQ(diySlotByName("KP1"), 91);
    EXPECT_EQ(diySlotByName("1"), 21);
    EXPECT_EQ(diySlotByName("RShift"), 89);
    EXPECT_FALSE(diySlotByName("").has_value());
    EXPECT_FALSE(diySlotByName("Volume Up").has_value());
    for (int media = kFirstMediaSlot; media <= kLastMediaSlot; ++media) EXPECT_EQ(diySlotName(media), "");
}

TEST(DiyPaint, HexColours) {
    EXPECT_EQ(parseHexColour("#ff0080"), (Rgb{255, 0, 128}));
    EXPECT_EQ(parseHexColour("00FF00"), (Rgb{0, 255, 0}));
    for (const char* bad : {"", "#", "#12345", "#1234567", "#GG0000", "red"})
        EXPECT_FALSE(parseHexColour(bad).has_value()) << bad;
    EXPECT_EQ(hexColour({255, 0, 128}), "#FF0080");
}

TEST(DiyPaint, FillsWriteOnlyTheirMapAndCountChanges) {
    DeviceImage im = blank();
    EXPECT_EQ(fillDiyKeys(im, 2, diyZoneSlots(DiyZone::Wasd), {255, 0, 0}), 4);
    EXPECT_EQ(fillDiyKeys(im, 2, diyZoneSlots(DiyZone::Wasd), {255, 0, 0}), 0);  // nothing new
    const uint8_t expected[4] = {0, 255, 0, 0};
    EXPECT_EQ(std::memcmp(cell(im, 2, 43), expected, 4), 0);
    for (int m : {0, 1, 3, 4})
        for (size_t i = 0; i < kDiyMapBytes; ++i) ASSERT_EQ(im.diyMaps[m][i], 0) << m;
    // Media keys are never painted, even when asked for by slot.
    EXPECT_FALSE(setDiyKeyColour(im, 0, kFirstMediaSlot, {1, 2, 3}));
    EXPECT_FALSE(setDiyKeyColour(im, 5, 43, {1, 2, 3}));
    EXPECT_EQ(clearDiyMap(im, 2), 4);
    for (size_t i = 0; i < kDiyMapBytes; ++i) ASSERT_EQ(im.diyMaps[2][i], 0);
}

TEST(DiyPaint, GradientRunsByKeyPosition) {
    DeviceImage im = blank();
    const auto& row = diyZoneSlots(DiyZone::FunctionRow);
    gradientDiyKeys(im, 0, row, {0, 0, 0}, {240, 0, 120}, GradientAxis::Horizontal);
    EXPECT_EQ(diyKeyColour(im, 0, 1), (Rgb{0, 0, 0}));       // F1, leftmost
    EXPECT_EQ(diyKeyColour(im, 0, 12), (Rgb{240, 0, 120}));  // F12, rightmost
    for (size_t i = 1; i < row.size(); ++i) EXPECT_GT(diyKeyColour(im, 0, row[i]).r, diyKeyColour(im, 0, row[i - 1]).r);
    // Vertical: every key of one row takes the same colour; the top row `from`.
    gradientDiyKeys(im, 1, diyZoneSlots(DiyZone::Letters), {10, 20, 30}, {110, 120, 130}, GradientAxis::Vertical);
    EXPECT_EQ(diyKeyColour(im, 1, 42), (Rgb{10, 20, 30}));     // Q
    EXPECT_EQ(diyKeyColour(im, 1, 51), (Rgb{10, 20, 30}));     // P
    EXPECT_EQ(diyKeyColour(im, 1, 79), (Rgb{110, 120, 130}));  // Z
    EXPECT_EQ(diyKeyColour(im, 1, 63), diyKeyColour(im, 1, 71));  // A and L
    // One key, or keys in one column, take `from`.
    EXPECT_EQ(gradientDiyKeys(im, 2, {43}, {5, 5, 5}, {9, 9, 9}, GradientAxis::Horizontal), 1);
    EXPECT_EQ(diyKeyColour(im, 2, 43), (Rgb{5, 5, 5}));
}

TEST(DiyPaint, SelectionRectangleAndWholeMaps) {
    // From the middle of Q to the middle of S, drawn either way round.
    const KeyRect& q = KeyGeometry[42].rect;
    const KeyRect& s = KeyGeometry[64].rect;
    const int qx = (q.left + q.right) / 2, qy = (q.top + q.bottom) / 2;
    const int sx = (s.left + s.right) / 2, sy = (s.top + s.bottom) / 2;
    EXPECT_EQ(diySlotsInRect({qx, qy, sx, sy}), (std::vector<int>{42, 43, 63, 64}));
    EXPECT_EQ(diySlotsInRect({sx, sy, qx, qy}), (std::vector<int>{42, 43, 63, 64}));
    EXPECT_TRUE(diySlotsInRect({520, 80, 620, 100}).empty());  // only media keys there

    DeviceImage im = blank();
    setDiyKeyColour(im, 0, 43, {1, 2, 3});
    setDiyKeyColour(im, 1, 63, {4, 5, 6});
    EXPECT_EQ(swapDiyMaps(im, 0, 1), 4);
    EXPECT_EQ(diyKeyColour(im, 0, 63), (Rgb{4, 5, 6}));
    EXPECT_EQ(diyKeyColour(im, 1, 43), (Rgb{1, 2, 3}));
    EXPECT_EQ(copyDiyMap(im, 1, 4), 1);
    EXPECT_EQ(std::memcmp(im.diyMaps[1], im.diyMaps[4], kDiyMapBytes), 0);
    EXPECT_EQ(copyDiyMap(im, 1, 1), 0);
}

TEST(DiyPaint, PictureGivesEachKeyTheMeanColourUnderIt) {
    // Left half red, right half blue; a green band where the space bar is.
    std::vector<uint32_t> px(kDiyPictureWidth * kDiyPictureHeight);
    for (int y = 0; y < kDiyPictureHeight; ++y)
        for (int x = 0; x < kDiyPictureWidth; ++x) px[y * kDiyPictureWidth + x] = x < 325 ? 0xFFFF0000u : 0xFF0000FFu;
    const KeyRect& space = KeyGeometry[98].rect;
    for (int y = space.top - kDiyPictureTop; y <= space.bottom - kDiyPictureTop; ++y)
        for (int x = space.left; x <= space.right; ++x) px[y * kDiyPictureWidth + x] = 0xFF00FF00u;
    const auto colours = sampleDiyPicture(px.data(), kDiyPictureWidth, kDiyPictureHeight, kDiyPictureWidth * 4);
    EXPECT_EQ(colours[0], (Rgb{255, 0, 0}));    // Esc
    EXPECT_EQ(colours[105], (Rgb{0, 0, 255}));  // Right arrow
    EXPECT_EQ(colours[98], (Rgb{0, 255, 0}));   // Space
    EXPECT_EQ(colours[kFirstMediaSlot], (Rgb{}));
    // A key straddling the edge takes the mean: App (x 323..352) has 2 red
    // columns and 28 blue ones.
    EXPECT_EQ(colours[101], (Rgb{17, 0, 238}));
    DeviceImage im = blank();
    EXPECT_EQ(importDiyColours(im, 3, colours), 104);
    EXPECT_EQ(diyKeyColour(im, 3, 98), (Rgb{0, 255, 0}));
    // A buffer too small for its claimed width is refused, not overrun.
    const auto none = sampleDiyPicture(px.data(), kDiyPictureWidth, kDiyPictureHeight, 16);
    EXPECT_EQ(none[0], (Rgb{}));
}

}  // namespace
}  // namespace vandrel
