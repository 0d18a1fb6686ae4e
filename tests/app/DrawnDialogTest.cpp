// What every drawn window stands on: the keys it reads from the toolkit, the
// Tab walk and the focus that follows the model in a dialog built on the
// shared base, the reader's leaf objects once their widget has gone, and where
// the dialogs and menus that a dialog opens show and what they answer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/ui/DialogsOver.h"
#include "app/ui/DrawnDialog.h"
#include "app/ui/MenuChoice.h"
#include "app/ui/NavKeys.h"
#include "app/ui/access/AccessibleLeaf.h"

namespace vandrel {
namespace {

struct KeyCase {
    int key;
    Qt::KeyboardModifiers mods;
    std::optional<NavKey> inDialog;      // EnterKey::Accepts
    std::optional<NavKey> inMainWindow;  // EnterKey::Activates
};

TEST(NavKeys, EveryWindowReadsTheKeysItSharesTheSameWay) {
    const std::optional<NavKey> none;
    const KeyCase cases[] = {
        {Qt::Key_Left, Qt::NoModifier, NavKey::Left, NavKey::Left},
        {Qt::Key_Right, Qt::NoModifier, NavKey::Right, NavKey::Right},
        {Qt::Key_Up, Qt::NoModifier, NavKey::Up, NavKey::Up},
        {Qt::Key_Down, Qt::KeypadModifier, NavKey::Down, NavKey::Down},  // the keypad's arrows too
        {Qt::Key_Home, Qt::NoModifier, NavKey::Home, NavKey::Home},
        {Qt::Key_End, Qt::NoModifier, NavKey::End, NavKey::End},
        {Qt::Key_Space, Qt::NoModifier, NavKey::Activate, NavKey::Activate},
        {Qt::Key_Return, Qt::NoModifier, NavKey::Accept, NavKey::Activate},
        {Qt::Key_Enter, Qt::KeypadModifier, NavKey::Accept, NavKey::Activate},
        {Qt::Key_Escape, Qt::NoModifier, NavKey::Escape, NavKey::Escape},
        // With a modifier a key is the window's shortcut or the control's, never navigation.
        {Qt::Key_Left, Qt::ShiftModifier, none, none},
        {Qt::Key_Return, Qt::ControlModifier, none, none},
        {Qt::Key_Space, Qt::AltModifier, none, none},
        {Qt::Key_Escape, Qt::ShiftModifier, none, none},
        // Tab reaches a window as focusNextPrevChild; letters are typing.
        {Qt::Key_Tab, Qt::NoModifier, none, none},
        {Qt::Key_A, Qt::NoModifier, none, none},
    };
    for (const KeyCase& c : cases) {
        const QKeyEvent e(QEvent::KeyPress, c.key, c.mods);
        EXPECT_EQ(navKeyFor(e), c.inDialog) << std::hex << c.key << " " << c.mods;
        EXPECT_EQ(navKeyFor(e, EnterKey::Activates), c.inMainWindow) << std::hex << c.key << " " << c.mods;
    }
}

// A dialog on the base: a drawn button, a field of its own, a button the
// keyboard cannot reach and another drawn button. Its model takes Tab and
// Space; every other key is left to the base.
class ThreeStopDialog : public DrawnDialog {
public:
    explicit ThreeStopDialog(SpareKeys spare) : DrawnDialog(nullptr, spare) {
        setFocusPolicy(Qt::StrongFocus);
        field = new QLineEdit(this);
        field->setGeometry(10, 40, 100, 20);
        resize(200, 120);
    }
    UiElements uiElements() const override {
        UiElements all{uiElement(1, UiRole::Button, {10, 10, 60, 30}, "One"),
                       uiElement(2, UiRole::Field, {10, 40, 110, 60}, "Field"),
                       uiElement(3, UiRole::Button, {10, 70, 60, 90}, "Off"),
                       uiElement(4, UiRole::Button, {70, 70, 120, 90}, "Four")};
        all[1].control = true;
        all[2].enabled = false;
        return all;
    }
    ElementFocus elementFocus() const override { return focus; }
    void focusElement(int id) override { focus = {id, true}; }
    void activateElement(int id) override { activated.push_back(id); }
    QWidget* elementControl(int id) const override { return id == 2 ? field : nullptr; }
    bool navigate(NavKey key) override {
        if (key == NavKey::Activate) {
            activated.push_back(focus.id);
            return true;
        }
        if (key != NavKey::Tab && key != NavKey::BackTab) return false;
        const int next = tabTarget(focus, uiElements(), key == NavKey::Tab);
        if (next < 0) return false;
        focus = {next, true};
        followFocus();
        return true;
    }

    ElementFocus focus{1, false};
    QLineEdit* field = nullptr;
    std::vector<int> activated;
};

// Sends a key where the dialog's focus is, as the keyboard would.
void press(ThreeStopDialog& d, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, static_cast<Qt::Key>(key), mods);
}

TEST(DrawnDialog, TabWalksTheElementsRoundAndTheToolkitFocusFollows) {
    ThreeStopDialog d(DrawnDialog::SpareKeys::ToDialog);
    d.show();
    d.setFocus();
    // The first Tab only shows where the focus is.
    press(d, Qt::Key_Tab);
    EXPECT_EQ(d.focusedElement(), 1);
    EXPECT_TRUE(d.elementFocus().visible);
    // The field takes the toolkit's focus for its element, and Tab in the
    // field goes on through the dialog, past the disabled button.
    press(d, Qt::Key_Tab);
    EXPECT_EQ(d.focusedElement(), 2);
    EXPECT_EQ(d.focusWidget(), d.field);
    press(d, Qt::Key_Tab);
    EXPECT_EQ(d.focusedElement(), 4);
    EXPECT_EQ(d.focusWidget(), &d);
    press(d, Qt::Key_Tab);
    EXPECT_EQ(d.focusedElement(), 1);
    press(d, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(d.focusedElement(), 4);
    press(d, Qt::Key_Space);
    EXPECT_EQ(d.activated, std::vector<int>{4});
    EXPECT_TRUE(d.isVisible());
}

TEST(DrawnDialog, EnterAndEscapeTheModelLeavesReachTheDialogOnlyWhereItSaysSo) {
    using Spare = DrawnDialog::SpareKeys;
    struct Case {
        Spare spare;
        int key;
        bool closes;
    };
    for (const Case& c : {Case{Spare::ToDialog, Qt::Key_Escape, true}, Case{Spare::EnterKept, Qt::Key_Escape, true},
                          Case{Spare::EnterAndEscapeKept, Qt::Key_Escape, false},
                          Case{Spare::ToDialog, Qt::Key_Return, true}, Case{Spare::EnterKept, Qt::Key_Return, false},
                          Case{Spare::EnterAndEscapeKept, Qt::Key_Enter, false}}) {
        ThreeStopDialog d(c.spare);
        // A default button, which Enter would press if it reached QDialog.
        auto* ok = new QPushButton(QStringLiteral("OK"), &d);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &d, &QDialog::accept);
        d.show();
        d.setFocus();
        QTest::keyClick(&d, static_cast<Qt::Key>(c.key));
        EXPECT_EQ(!d.isVisible(), c.closes) << static_cast<int>(c.spare) << " " << c.key;
    }
}

// A leaf at (5, 6) in its owner whose press counts once the reader's call is answered.
class CountingLeaf : public AccessibleLeaf {
public:
    CountingLeaf(QWidget* owner, std::shared_ptr<int> presses) : AccessibleLeaf(owner), m_presses(std::move(presses)) {}
    ~CountingLeaf() override = default;
    QString text(QAccessible::Text) const override { return QStringLiteral("leaf"); }
    QAccessible::Role role() const override { return QAccessible::Button; }

protected:
    bool exists() const override { return true; }
    QRect localRect() const override { return {5, 6, 10, 4}; }
    QAccessible::State currentState() const override {
        QAccessible::State s;
        s.focusable = true;
        return s;
    }
    QStringList currentActions() const override { return {pressAction()}; }
    void act(const QString&) override {
        afterReply([presses = m_presses] { ++*presses; });
    }

private:
    std::shared_ptr<int> m_presses;
};

TEST(AccessibleLeaf, PressesAfterTheReplyAndIsInvalidOnceItsOwnerHasGone) {
    auto presses = std::make_shared<int>(0);
    auto owner = std::make_unique<QWidget>();
    owner->move(100, 200);
    owner->show();
    CountingLeaf leaf(owner.get(), presses);
    ASSERT_TRUE(leaf.isValid());
    EXPECT_EQ(leaf.rect(), QRect(owner->mapToGlobal(QPoint(5, 6)), QSize(10, 4)));
    EXPECT_EQ(leaf.actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    leaf.doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(*presses, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(*presses, 1);

    // A press still queued when the owner goes never runs.
    leaf.doAction(QAccessibleActionInterface::pressAction());
    owner.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(*presses, 1);
    EXPECT_FALSE(leaf.isValid());
    EXPECT_TRUE(leaf.state().invalid);
    EXPECT_TRUE(leaf.actionNames().isEmpty());
    EXPECT_TRUE(leaf.rect().isNull());
    EXPECT_EQ(leaf.window(), nullptr);
    EXPECT_EQ(leaf.parent(), nullptr);
    leaf.doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(*presses, 1);
}

// Where a message box asked by `opener` shows, in the main window's
// coordinates when drawn inside it, on the screen when a window of its own.
QRect messageBoxPlace(QWidget* opener, bool inside) {
    QRect seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, opener, [&] {
        // Drawn inside the main window, the box is no modal window of its own.
        for (QWidget* w : QApplication::allWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            seen = box->isWindow() ? box->frameGeometry() : QRect(box->mapTo(box->window(), QPoint(0, 0)), box->size());
            box->reject();
        }
    });
    poll.start(5);
    askOver(opener, QMessageBox::Information, QStringLiteral("Macros"), QStringLiteral("Choose a macro first."),
            QMessageBox::Ok, QMessageBox::NoButton, inside);
    return seen;
}

TEST(DialogsOver, AMessageBoxShowsCentredOnTheDialogThatAsks) {
    QWidget main;
    main.setGeometry(0, 0, 1000, 700);
    main.show();
    // A dialog drawn inside the main window, away from its centre.
    QWidget inside(&main);
    inside.setGeometry(560, 360, 300, 200);
    inside.show();
    QRect box = messageBoxPlace(&inside, true);
    ASSERT_TRUE(box.isValid());
    EXPECT_LE((box.center() - QPoint(709, 459)).manhattanLength(), 2) << box.x() << "," << box.y();
    // A dialog of its own, off the main window's corner.
    QWidget own;
    own.setGeometry(300, 250, 400, 300);
    own.show();
    box = messageBoxPlace(&own, false);
    ASSERT_TRUE(box.isValid());
    EXPECT_LE((box.center() - own.geometry().center()).manhattanLength(), 2) << box.x() << "," << box.y();
}

TEST(MenuChoice, AnItemPressedByAReaderIsTheMenusAnswer) {
    QWidget owner;
    owner.show();
    QMenu menu(&owner);
    menu.addAction(QStringLiteral("Record before"));
    QAction* insert = menu.addMenu(QStringLiteral("Insert"))->addAction(QStringLiteral("Text"));
    QTimer::singleShot(0, &menu, [&] {
        // As the reader presses it: the action is triggered, the menu left open.
        insert->trigger();
        QTimer::singleShot(0, &menu, [&] { menu.close(); });  // what a stuck menu would wait for
    });
    EXPECT_EQ(chooseFromMenu(menu, QPoint(10, 10)), insert);
    EXPECT_FALSE(menu.isVisible());
}

}  // namespace
}  // namespace vandrel
