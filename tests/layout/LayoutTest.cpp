// Layouts compiled from the installed XKB data, without a display.
#include <gtest/gtest.h>

#include "keys/EvdevCodes.h"
#include "layout/KeyLegends.h"
#include "layout/TextTyping.h"
#include "util/Utf16.h"

using namespace vandrel;

namespace {

const KeyboardLayout& layout(const char* name) {
    static const KeyboardLayout us = KeyboardLayout::fromNames("us");
    static const KeyboardLayout de = KeyboardLayout::fromNames("de");
    static const KeyboardLayout fr = KeyboardLayout::fromNames("fr");
    static const KeyboardLayout ru = KeyboardLayout::fromNames("ru");
    const std::string n = name;
    return n == "de" ? de : n == "fr" ? fr : n == "ru" ? ru : us;
}

const DeadKeyRules& rules() {
    static const DeadKeyRules r = DeadKeyRules::forLocale("en_US.UTF-8");
    return r;
}

std::u32string u32(const char* utf8) { return utf16ToUtf32(utf8ToUtf16(utf8)); }
std::string u8(const std::u32string& s) { return utf16ToUtf8(utf32ToUtf16(s)); }

// What a text planned in `name` types back in `name`.
std::u32string roundTrip(const char* name, const std::u32string& text) {
    const TypingTable table(layout(name), rules());
    return typedText(layout(name), rules(), planTyping(table, text).actions);
}

}  // namespace

TEST(KeyboardLayout, CompilesTheNamedLayoutsAndRefusesUnknownOnes) {
    for (const char* n : {"us", "de", "fr", "ru"}) EXPECT_TRUE(layout(n).valid()) << n;
    EXPECT_EQ(layout("de").description(), "German");
    EXPECT_FALSE(KeyboardLayout::fromNames("no-such-layout").valid());
    EXPECT_TRUE(rules().valid());
    // The same layout compiled twice is the same; another one is not.
    EXPECT_TRUE(layout("de").sameAs(KeyboardLayout::fromNames("de")));
    EXPECT_FALSE(layout("de").sameAs(layout("us")));
}

TEST(KeyboardLayout, AGroupOfAMultiLayoutKeymapTypesThatLayout) {
    const std::string text = [] {
        char* s = xkb_keymap_get_as_string(KeyboardLayout::fromNames("us,ru").keymap(), XKB_KEYMAP_FORMAT_TEXT_V1);
        std::string out(s);
        free(s);
        return out;
    }();
    const KeyboardLayout first = KeyboardLayout::fromKeymapText(text, 0);
    const KeyboardLayout second = KeyboardLayout::fromKeymapText(text, 1);
    ASSERT_TRUE(second.valid());
    EXPECT_EQ(first.output(16, kModNone).character, U'q');
    EXPECT_EQ(second.output(16, kModNone).character, U'\u0439');  // й
    EXPECT_EQ(second.withGroup(7).group(), 0u);
}

// ---- legends and names -----------------------------------------------------

struct LegendCase {
    const char* layout;
    int slot;
    const char* legend;  // UTF-8; empty: the printed legend stays
};

class SlotLegends : public ::testing::TestWithParam<LegendCase> {};

TEST_P(SlotLegends, FollowTheLayoutWhereItDiffersFromUs) {
    const LegendCase& c = GetParam();
    const auto legends = layoutSlotLegends(layout(c.layout));
    EXPECT_EQ(u8(legends[static_cast<size_t>(c.slot)]), c.legend) << c.layout << " slot " << c.slot;
}

INSTANTIATE_TEST_SUITE_P(Layouts, SlotLegends, ::testing::Values(
    // German: the letters and signs that move, the accents of dead keys.
    LegendCase{"de", 47, "Z"}, LegendCase{"de", 79, "Y"}, LegendCase{"de", 72, "Ö"},
    LegendCase{"de", 73, "Ä"}, LegendCase{"de", 52, "Ü"}, LegendCase{"de", 31, "ß"},
    LegendCase{"de", 32, "´"}, LegendCase{"de", 20, "^"}, LegendCase{"de", 88, "-"},
    LegendCase{"de", 21, ""}, LegendCase{"de", 63, ""}, LegendCase{"de", 0, ""},
    // French: AZERTY, the digits above the base signs.
    LegendCase{"fr", 42, "A"}, LegendCase{"fr", 63, "Q"}, LegendCase{"fr", 43, "Z"},
    LegendCase{"fr", 72, "M"}, LegendCase{"fr", 85, ","}, LegendCase{"fr", 21, "1\n&"},
    LegendCase{"fr", 22, "2\né"}, LegendCase{"fr", 52, "^"},
    // Russian: Cyrillic letters.
    LegendCase{"ru", 42, "Й"}, LegendCase{"ru", 20, "Ё"}, LegendCase{"ru", 87, "Ю"},
    LegendCase{"ru", 88, "."}, LegendCase{"ru", 21, ""},
    // US: nothing differs.
    LegendCase{"us", 47, ""}, LegendCase{"us", 20, ""}, LegendCase{"us", 54, ""}));

TEST(SlotLegendsWithoutLayout, KeepEveryPrintedLegend) {
    for (const auto& legend : layoutSlotLegends(KeyboardLayout())) EXPECT_TRUE(legend.empty());
    for (const auto& legend : layoutSlotLegends(layout("us"))) EXPECT_TRUE(legend.empty());
}

TEST(LayoutKeyNames, NameWhatTheKeyTypesAndKeepEveryUsage) {
    const KeyNameTable de = layoutKeyNames(layout("de"));
    EXPECT_EQ(de.name(0x59), u"Z ");   // the US "Y" key
    EXPECT_EQ(de.name(0x5A), u"Y ");
    EXPECT_EQ(de.name(0xBA), u"Ö ");
    EXPECT_EQ(de.name(0xBB), u"´ ");
    EXPECT_EQ(de.name(0x41), u"A ");   // unchanged keys keep the table's name
    EXPECT_EQ(de.name(0x30), u"0");
    EXPECT_EQ(de.name(0x70), u"F1 ");
    const KeyNameTable fr = layoutKeyNames(layout("fr"));
    EXPECT_EQ(fr.name(0x31), u"& ");
    for (int vk = 0; vk < 256; ++vk) {
        EXPECT_EQ(de.usage(static_cast<uint8_t>(vk)), keyNames().usage(static_cast<uint8_t>(vk))) << vk;
        EXPECT_EQ(layoutKeyNames(layout("us")).name(static_cast<uint8_t>(vk)), keyNames().name(static_cast<uint8_t>(vk)));
    }
}

TEST(TypedByKeys, SaysWhatAnAssignmentTypesOrWhichShortcutItIs) {
    const auto typed = [](const char* name, std::initializer_list<uint8_t> vks) {
        const std::vector<uint8_t> codes(vks);
        const TypedByKeys t = typedByKeys(layout(name), codes.data(), codes.size());
        return u8(t.shortcut) + "[" + u8(t.character) + "]" + (t.dead ? " dead" : "");
    };
    EXPECT_EQ(typed("de", {'Y'}), "[z]");
    EXPECT_EQ(typed("de", {0xA0, 'Y'}), "[Z]");
    EXPECT_EQ(typed("de", {0xA1, '2'}), "[\"]");
    EXPECT_EQ(typed("de", {0xA5, 'Q'}), "[@]");          // AltGr
    EXPECT_EQ(typed("us", {0xA5, 'Q'}), "Alt+[Q]");      // right Alt is Alt in US
    EXPECT_EQ(typed("de", {0xA2, 'Y'}), "Ctrl+[Z]");
    EXPECT_EQ(typed("de", {0xA2, 0xA0, 'Z'}), "Ctrl+Shift+[Y]");
    EXPECT_EQ(typed("de", {0xBB}), "[´] dead");
    EXPECT_EQ(typed("ru", {0xBE}), "[ю]");
    EXPECT_EQ(typed("us", {0x20}), "[ ]");
    // Nothing to say: function keys, Enter, modifiers alone, two typing keys.
    EXPECT_EQ(typed("de", {0x74}), "[]");
    EXPECT_EQ(typed("de", {0x0D}), "[]");
    EXPECT_EQ(typed("de", {0xA2, 0xA0}), "[]");
    EXPECT_EQ(typed("de", {'A', 'B'}), "[]");
    EXPECT_EQ(typed("de", {0xA2, 0x74}), "[]");
}

// ---- typing a text -----------------------------------------------------------

TEST(TextTyping, GermanAtSharpSAndEuroTypeThroughAltGr) {
    const TypingTable table(layout("de"), rules());
    const TextTyping plan = planTyping(table, u32("@ß€"));
    const std::vector<KeyAction> expected = {
        {0xA5, false}, {'Q', false}, {'Q', true}, {0xA5, true},  // AltGr+Q: @
        {0xBD, false}, {0xBD, true},                             // the US "-" key: ß
        {0xA5, false}, {'E', false}, {'E', true}, {0xA5, true},  // AltGr+E: €
    };
    EXPECT_EQ(plan.actions, expected);
    EXPECT_EQ(plan.bytes(), 20u);
    EXPECT_TRUE(plan.untypable.empty());
    EXPECT_EQ(typedText(layout("de"), rules(), plan.actions), u32("@ß€"));
}

TEST(TextTyping, TextsTypeBackUnchangedInTheirLayout) {
    const struct {
        const char* layout;
        const char* text;
    } cases[] = {
        {"us", "Hello, World! 1+1=2 (ok) ~`\"'"},
        {"de", "Grüße, Äpfel & Öl: 3€ @home {ok} é è â"},
        {"fr", "Déjà où ça? 1&2 ê ü ~ 3 @ µ"},
        {"ru", "Привет, мир! Ёж. 42"},
    };
    for (const auto& c : cases) EXPECT_EQ(u8(roundTrip(c.layout, u32(c.text))), c.text) << c.layout;
}

TEST(TextTyping, AccentsGoThroughDeadKeysAndShiftIsSharedByARun) {
    const TypingTable fr(layout("fr"), rules());
    // ê: the dead circumflex (the US "[" key), then e.
    const std::vector<KeyTap> circumflexE = {{26, kModNone}, {18, kModNone}};
    EXPECT_EQ(fr.taps(U'ê'), circumflexE);
    const TypingTable us(layout("us"), rules());
    const std::vector<KeyAction> shiftRun = {{0xA0, false}, {'A', false}, {'A', true}, {'B', false},
                                             {'B', true},   {0xA0, true}, {'C', false}, {'C', true}};
    EXPECT_EQ(planTyping(us, u32("ABc")).actions, shiftRun);
}

TEST(EvdevCodes, EveryNamedKeyHasOnePhysicalKey) {
    for (int vk = 0; vk < 256; ++vk) {
        const uint16_t evdev = evdevFromVk(static_cast<uint8_t>(vk));
        if (evdev) {
            EXPECT_EQ(vkFromEvdev(evdev), vk);
        }
    }
    EXPECT_EQ(evdevFromVk('Y'), 21);
    EXPECT_EQ(evdevFromVk(0xA5), kEvdevRightAlt);
    EXPECT_EQ(evdevFromVk(0xA0), kEvdevLeftShift);
}

TEST(TextTyping, NamesEachCharacterTheLayoutCannotTypeOnce) {
    const TypingTable us(layout("us"), rules());
    const TextTyping plan = planTyping(us, u32("aß中b中ß"));
    EXPECT_EQ(plan.untypable, u32("ß中"));
    EXPECT_EQ(plan.typedCharacters, 2u);
    EXPECT_EQ(typedText(layout("us"), rules(), plan.actions), u32("ab"));
    // The German signs of the key this keyboard lacks (beside left Shift).
    const TypingTable de(layout("de"), rules());
    EXPECT_EQ(planTyping(de, u32("a<b>|")).untypable, u32("<>|"));
    // Without a layout nothing can be typed.
    const TypingTable none(KeyboardLayout(), rules());
    EXPECT_EQ(planTyping(none, u32("ab")).untypable, u32("ab"));
}

TEST(TextTyping, LineBreaksAreEnterAndTabIsTab) {
    const TypingTable us(layout("us"), rules());
    const TextTyping plan = planTyping(us, u32("a\r\nb\nc\rd\te"));
    EXPECT_EQ(typedText(layout("us"), rules(), plan.actions), u32("a\rb\rc\rd\te"));
    EXPECT_TRUE(plan.untypable.empty());
}

TEST(TextTyping, CountsTheCharactersThatFitABudget) {
    const TypingTable us(layout("us"), rules());
    // Four bytes a letter: 47 of them in 190 bytes.
    const TextTyping plain = planTyping(us, std::u32string(60, U'a'), 190);
    EXPECT_EQ(plain.bytes(), 240u);
    EXPECT_EQ(plain.fittingCharacters, 47u);
    // A run of capitals: one Shift press and release around them all; the
    // release counts against the budget.
    EXPECT_EQ(planTyping(us, u32("ABCD"), 20).fittingCharacters, 4u);
    EXPECT_EQ(planTyping(us, u32("ABCD"), 19).fittingCharacters, 3u);
    EXPECT_EQ(planTyping(us, u32("ABCD")).bytes(), 20u);
}

TEST(ComposeLocale, TakesTheFirstSetVariableAndFallsBackToUtf8) {
    EXPECT_EQ(composeLocale("de_DE.UTF-8", "fr_FR.UTF-8", nullptr), "de_DE.UTF-8");
    EXPECT_EQ(composeLocale("", "fr_FR.utf8", "ru_RU.UTF-8"), "fr_FR.utf8");
    EXPECT_EQ(composeLocale(nullptr, nullptr, "C"), "en_US.UTF-8");
    EXPECT_EQ(composeLocale(nullptr, nullptr, nullptr), "en_US.UTF-8");
}
