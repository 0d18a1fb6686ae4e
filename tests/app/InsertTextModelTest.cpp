// Text typed as key strokes: the insert-text dialog's model, and a text
// inserted into a macro that the simulated keyboard then holds and plays back
// as the same text in the layout it was typed for.

#include <gtest/gtest.h>

#include "app/model/InsertTextModel.h"
#include "app/model/MacroRecordDlgModel.h"
#include "keys/EvdevCodes.h"
#include "macro/MacroSlot.h"
#include "tests/device/SimFixture.h"
#include "tests/macro/MacroTestSupport.h"
#include "util/Utf16.h"

namespace vandrel {
namespace {

const DeadKeyRules& rules() {
    static const DeadKeyRules r = DeadKeyRules::forLocale("en_US.UTF-8");
    return r;
}

const std::vector<LayoutName> kOthers = {{"us", "", "English (US)"}, {"fr", "", "French"}, {"xx", "", "Broken"}};

std::u16string u16(const char* utf8) { return utf8ToUtf16(utf8); }

// The key actions a macro slot plays: the keyboard's usages back to the keys
// the desktop sees.
std::vector<KeyAction> playedActions(const uint8_t* slot) {
    std::vector<KeyAction> out;
    const uint8_t* events = slot + 2;  // after the loop count
    RawEvent e;
    for (size_t offset = 0; decodeMacroEvent(events, offset, e); offset += e.size) {
        uint8_t vk = 0;
        for (int v = 1; v < 256 && vk == 0; ++v)
            if (keyNames().usage(static_cast<uint8_t>(v)) == e.code && evdevFromVk(static_cast<uint8_t>(v)) != 0)
                vk = static_cast<uint8_t>(v);
        out.push_back({vk, e.released()});
    }
    return out;
}

TEST(InsertTextModel, PlansTheTextInTheChosenLayoutWithinTheFreeBytes) {
    InsertTextModel m(KeyboardLayout::fromNames("de"), kOthers, rules(), 20);
    ASSERT_EQ(m.layoutCount(), 4);
    EXPECT_EQ(m.layoutDescription(0), "German");
    EXPECT_EQ(m.layoutDescription(2), "French");
    EXPECT_EQ(m.state(), InsertTextModel::State::Empty);

    m.setText(u16("@ß€"));  // 20 bytes under German: exactly what is left
    EXPECT_EQ(m.state(), InsertTextModel::State::Ready);
    EXPECT_EQ(m.actions().size(), 10u);

    m.setText(u16("@ß€!"));
    EXPECT_EQ(m.state(), InsertTextModel::State::TooLong);
    EXPECT_TRUE(m.actions().empty());
    EXPECT_EQ(m.plan().fittingCharacters, 3u);

    // US has no ß and no €: they are named and left out.
    m.chooseLayout(1);
    m.setText(u16("aß€"));
    EXPECT_EQ(m.state(), InsertTextModel::State::Ready);
    EXPECT_EQ(m.plan().untypable, utf16ToUtf32(u16("ß€")));
    m.setText(u16("ß€"));
    EXPECT_EQ(m.state(), InsertTextModel::State::NothingTypable);

    m.chooseLayout(3);
    EXPECT_EQ(m.state(), InsertTextModel::State::NoLayout);
    EXPECT_TRUE(m.actions().empty());
    m.chooseLayout(2);  // French: a on the US Q key
    m.setText(u16("a"));
    EXPECT_EQ(m.actions(), (std::vector<KeyAction>{{'Q', false}, {'Q', true}}));
}

TEST(InsertTextEndToEnd, TheKeyboardsMacroTypesTheTextUnderItsLayout) {
    test::FakeHook hook;
    test::FakeClock clock;
    MacroRecordDlgModel dialog(hook, clock);
    MacroStore store{};
    setRecordName(store[0], u"Macro_001");
    setRecordLoopCount(store[0], 1);
    dialog.open(store);
    dialog.selectMacro(0);

    const KeyboardLayout de = KeyboardLayout::fromNames("de");
    InsertTextModel text(de, {}, rules(), dialog.manager().events().freeBytes());
    text.setText(u16("@ß€"));
    ASSERT_EQ(text.state(), InsertTextModel::State::Ready);
    ASSERT_EQ(dialog.InsertKeyActions(text.actions()), EditResult::Done);
    dialog.accept(store);

    test::SimSession sim;
    sim.connect();
    SyncMacroSlots(store, sim.image);
    ASSERT_EQ(sim.session.writeAll(sim.image, sim.shadow).outcome, TransferOutcome::Completed);
    const std::vector<KeyAction> played = playedActions(sim.keyboard.config().macroSlots[0]);
    EXPECT_EQ(utf16ToUtf8(utf32ToUtf16(typedText(de, rules(), played))), "@ß€");
}

}  // namespace
}  // namespace vandrel
