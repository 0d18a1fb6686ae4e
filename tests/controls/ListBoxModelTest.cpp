// The list box's behaviour: what a double-click starts, what a commit or a
// cancel changes and tells the owner, what the event rows show, hit tests.

#include <gtest/gtest.h>

#include "controls/ListBoxModel.h"

namespace vandrel {
namespace {

struct Fixture {
    ListBoxModel list;
    explicit Fixture(int mode, bool sorted = false, bool notify = false) : list(sorted, notify) {
        list.setMode(mode);
        list.setRowHeight(18);
        list.setClientSize(113, 275);
    }
    // Double-clicks inside row `row` after selecting it.
    std::optional<EditStart> editRow(int row) {
        list.setSelected(row);
        return list.beginEdit(5, list.rowRect(row).y + 3);
    }
};

struct DelayEditCase {
    const char16_t* typed;
    const char16_t* shown;
    int reported;
};

class DelayEdit : public ::testing::TestWithParam<DelayEditCase> {};

TEST_P(DelayEdit, ClampsAndReportsTheDelay) {
    Fixture f(kListMacroEvents);
    f.list.addRow(u"A  dn");
    f.list.addRow(u"500 ms");
    f.list.addRow(u"A  up");
    const auto start = f.editRow(1);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->text, u"500");
    EXPECT_TRUE(start->digitsOnly);
    EXPECT_EQ(start->rect, (ListRect{0, 18 - 2, 113, 18 + 4}));
    ASSERT_EQ(f.list.takeMessages().size(), 1u);  // the begin notice

    f.list.endEdit(true, GetParam().typed);
    EXPECT_EQ(f.list.text(1), GetParam().shown);
    EXPECT_EQ(f.list.count(), 3);
    const auto msgs = f.list.takeMessages();
    ASSERT_EQ(msgs.size(), 1u);  // an event list sends no rename notice
    EXPECT_EQ(msgs[0].id, kListEditEnd);
    EXPECT_EQ(msgs[0].wParam, 1);
    EXPECT_EQ(msgs[0].lParam, GetParam().reported);
    EXPECT_FALSE(f.list.editing());
}

INSTANTIATE_TEST_SUITE_P(Values, DelayEdit,
                         ::testing::Values(DelayEditCase{u"0", u"2 ms", 2}, DelayEditCase{u"1", u"2 ms", 2},
                                           DelayEditCase{u"70000", u"60000 ms", 60000},
                                           DelayEditCase{u"99999999999999999999", u"60000 ms", 60000},
                                           DelayEditCase{u"", u"2 ms", 2}, DelayEditCase{u"300", u"300 ms", 300},
                                           DelayEditCase{u"500", u"500 ms", 500}));

TEST(ListBoxModel, KeyRowsAndClicksOutsideTheSelectedRowStartNoEdit) {
    Fixture f(kListMacroEvents);
    f.list.addRow(u"A  dn");
    f.list.addRow(u"50 ms");
    f.list.addRow(u"A  up");
    EXPECT_FALSE(f.editRow(0));
    EXPECT_FALSE(f.editRow(2));
    f.list.setSelected(1);
    EXPECT_FALSE(f.list.beginEdit(5, 40));  // row 2, not the selected one
    f.list.setSelected(-1);
    EXPECT_FALSE(f.list.beginEdit(5, 20));
    EXPECT_TRUE(f.list.takeMessages().empty());
}

TEST(ListBoxModel, CancelAndLateNoticesChangeNothing) {
    Fixture f(kListOwnerBackground, true, true);
    f.list.addRow(u"Beta");
    ASSERT_TRUE(f.editRow(0));
    f.list.takeMessages();
    f.list.endEdit(false, u"Gamma");
    f.list.endEdit(true, u"Delta");  // the focus loss after the box went away
    EXPECT_EQ(f.list.text(0), u"Beta");
    EXPECT_TRUE(f.list.takeMessages().empty());
}

TEST(ListBoxModel, UnchangedPlainCommitSendsNothing) {
    Fixture f(kListOwnerBackground, true, true);
    f.list.addRow(u"Beta");
    ASSERT_TRUE(f.editRow(0));
    f.list.takeMessages();
    f.list.endEdit(true, u"Beta");
    EXPECT_TRUE(f.list.takeMessages().empty());
}

TEST(ListBoxModel, RenameMovesTheRowToItsSortedPlaceAndTellsTheOwner) {
    Fixture f(kListOwnerBackground, true, true);
    for (const char16_t* t : {u"Alpha", u"Beta", u"Delta"}) f.list.addRow(t);
    ASSERT_TRUE(f.editRow(0));
    f.list.takeMessages();
    f.list.endEdit(true, u"Charlie");
    EXPECT_EQ(f.list.text(0), u"Beta");
    EXPECT_EQ(f.list.text(1), u"Charlie");
    EXPECT_EQ(f.list.selected(), 1);
    const auto msgs = f.list.takeMessages();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].id, kListRowRenamed);
    EXPECT_EQ(msgs[0].wParam, 1);
    EXPECT_EQ(msgs[0].text, u"Alpha");
    EXPECT_EQ(msgs[1].id, kListEditEnd);
    EXPECT_EQ(msgs[1].wParam, 0);  // the row before the edit
    EXPECT_EQ(msgs[1].lParam, 1);  // the row after it
}

TEST(ListBoxModel, EventRowsShowTheirPictures) {
    Fixture f(kListMacroEvents);
    f.list.addRow(u"A  dn");
    f.list.addRow(u"PgUp  up");
    f.list.addRow(u"50 ms");
    f.list.addRow(u"plain");
    EXPECT_EQ(f.list.rowView(0).text, u"A  ");
    EXPECT_EQ(f.list.rowView(0).picture, kPressPicture);
    EXPECT_EQ(f.list.rowView(1).text, u"PgUp  ");
    EXPECT_EQ(f.list.rowView(1).picture, kReleasePicture);
    EXPECT_EQ(f.list.rowView(2).text, u"50 ms");
    EXPECT_EQ(f.list.rowView(2).picture, kDelayPicture);
    EXPECT_EQ(f.list.rowView(3).picture, kNoRowPicture);
    f.list.setMode(kListPlain);
    EXPECT_EQ(f.list.rowView(0).text, u"A  dn");
    EXPECT_EQ(f.list.rowView(0).picture, kNoRowPicture);
}

TEST(ListBoxModel, HitTestsFollowScrolling) {
    Fixture f(kListPlain);
    for (int i = 0; i < 40; ++i) f.list.insertRow(i, u"row");
    EXPECT_EQ(f.list.visibleRows(), 15);
    EXPECT_EQ(f.list.rowAt(10, 0), 0);
    EXPECT_EQ(f.list.rowAt(10, 18 * 3 + 17), 3);
    EXPECT_EQ(f.list.rowAt(113, 5), -1);
    EXPECT_TRUE(f.list.scrollBy(100));
    EXPECT_EQ(f.list.topRow(), 25);  // the last page, not past it
    EXPECT_EQ(f.list.rowAt(10, 0), 25);
    EXPECT_TRUE(f.list.key(ListKey::Home));
    EXPECT_EQ(f.list.topRow(), 0);  // the selection is scrolled into view
    EXPECT_TRUE(f.list.press(10, 18 * 2 + 1));
    EXPECT_EQ(f.list.selected(), 2);
    f.list.deleteRow(0);
    EXPECT_EQ(f.list.selected(), 1);  // the selected row moves up with its text
}

}  // namespace
}  // namespace vandrel
