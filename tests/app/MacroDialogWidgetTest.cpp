// The macro manager window headless, on a store of its own: the context-menu
// commands, recording through the window's clicks and the key capture's
// timestamps, and New and Delete with their questions and record moves.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QtTest/qtestspontaneevent.h>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "app/ui/CInsertTextDlg.h"
#include "app/ui/CMacroRecordDlg.h"
#include "layout/KeyLegends.h"
#include "controls/CEditHelper.h"
#include "controls/CTransparentListBox.h"
#include "macro/MacroNames.h"
#include "tests/macro/MacroTestSupport.h"
#include "tests/platform/TestApp.h"

namespace vandrel {
namespace {

using test::bytes;
using test::listBytes;
using test::recordWith;

constexpr uint8_t kA = 0x41, kB = 0x42, kC = 0x43;

// Region centres in the window.
const QPoint kRecord(300, 110), kDelayBox(375, 175), kNew(40, 380), kDelete(100, 380), kOk(300, 410);

struct TestHook : MacroKeyHook {
    bool install() override { return true; }
    void remove() override {}
};

class MacroDialogWidget : public ::testing::Test {
protected:
    MacroDialogWidget() { test::app(); }
    void add(size_t i, const char16_t* name, const std::vector<uint8_t>& events, uint16_t loops = 1) {
        (*store)[i] = recordWith(events);
        setRecordName((*store)[i], name);
        setRecordLoopCount((*store)[i], loops);
    }
    // Opens the window on the store; message boxes are answered with `answer`
    // and their texts collected.
    CMacroRecordDlg& open() {
        dialog = std::make_unique<CMacroRecordDlg>(*store, QStringLiteral("/nonexistent/png"), nullptr,
                                                   [](CMacroRecordDlg&) { return std::make_unique<TestHook>(); });
        dialog->askUser = [this](QWidget*, const QString&, const QString& text, QMessageBox::StandardButtons) {
            asked.append(text);
            return answer;
        };
        dialog->show();
        return *dialog;
    }
    void click(QPoint p) { QTest::mouseClick(dialog.get(), Qt::LeftButton, {}, p); }
    static void clickRow(CTransparentListBox* list, int row) {
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(10, list->model().rowRect(row).y + 3));
    }
    static QStringList rows(const CTransparentListBox* list) {
        QStringList r;
        for (int i = 0; i < list->count(); ++i) r << list->rowText(i);
        return r;
    }
    const MacroRecord& work(size_t i) const { return dialog->model().manager().workingCopy()[i]; }
    static std::vector<uint8_t> vkList(const MacroRecord& r, size_t n) {
        return std::vector<uint8_t>(r.vkEvents, r.vkEvents + n);
    }

    std::unique_ptr<MacroStore> store = std::make_unique<MacroStore>();
    std::unique_ptr<CMacroRecordDlg> dialog;
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

// Each menu command on row 0 of "A dn, A up": a wrong command id or a list
// left out of step with the bytes would put other events into the macro.
TEST_F(MacroDialogWidget, MenuCommandsEditTheSelectedMacro) {
    const struct {
        const char* what;
        int command;
        std::vector<uint8_t> after;
        QString row1;
    } cases[] = {
        {"left press", kCmdLeftPress, bytes({0x01, kA, 0x01, 0xF0, 0x81, kA}), "MsLB dn"},
        {"left release", kCmdLeftRelease, bytes({0x01, kA, 0x81, 0xF0, 0x81, kA}), "MsLB up"},
        {"left click", kCmdLeftClick, bytes({0x01, kA, 0x01, 0xF0, 0x81, 0xF0, 0x81, kA}), "MsLB dn"},
        {"right press", kCmdRightPress, bytes({0x01, kA, 0x01, 0xF1, 0x81, kA}), "MsRB dn"},
        {"right release", kCmdRightRelease, bytes({0x01, kA, 0x81, 0xF1, 0x81, kA}), "MsRB up"},
        {"right click", kCmdRightClick, bytes({0x01, kA, 0x01, 0xF1, 0x81, 0xF1, 0x81, kA}), "MsRB dn"},
        {"middle press", kCmdMiddlePress, bytes({0x01, kA, 0x01, 0xF2, 0x81, kA}), "MsMB dn"},
        {"middle release", kCmdMiddleRelease, bytes({0x01, kA, 0x81, 0xF2, 0x81, kA}), "MsMB up"},
        {"middle click", kCmdMiddleClick, bytes({0x01, kA, 0x01, 0xF2, 0x81, 0xF2, 0x81, kA}), "MsMB dn"},
        {"insert delay", kCmdInsertDelay, bytes({0x01, kA, 0xB2, kA}), "50 ms"},
        {"delete row", kCmdDeleteRow, bytes({0x81, kA}), ""},
        {"capture before", kCmdCaptureBefore, bytes({0x01, kB, 0x81, kB, 0x01, kA, 0x81, kA}), "B  up"},
        {"capture after", kCmdCaptureAfter, bytes({0x01, kA, 0x01, kB, 0x81, kB, 0x81, kA}), "B  dn"},
    };
    for (const auto& c : cases) {
        add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
        CMacroRecordDlg& d = open();
        clickRow(d.eventList(), 0);
        d.menuCommand(c.command);
        d.hookKey(kB, false, 1000);  // only a capture takes these
        d.hookKey(kB, true, 1010);
        EXPECT_EQ(vkList(work(0), c.after.size() + 2), [&] {
            std::vector<uint8_t> v = c.after;
            v.insert(v.end(), {0, 0});
            return v;
        }()) << c.what;
        const std::vector<std::u16string>& modelRows = d.model().manager().events().rows();
        ASSERT_EQ(d.eventList()->count(), static_cast<int>(modelRows.size())) << c.what;
        EXPECT_EQ(d.eventList()->count() > 1 ? d.eventList()->rowText(1) : QString(), c.row1) << c.what;
        EXPECT_FALSE(d.model().captureRunning()) << c.what;
        EXPECT_TRUE(asked.isEmpty()) << c.what;
    }
}

// Recording through the window: the delay box decides whether gaps become
// delay rows; auto-repeated presses are dropped; a gap beyond a minute is kept
// to 60000 ms; the platform's timestamps give the gaps.
// Choosing another macro shows its events from the first row, whatever the
// event list was scrolled to for the macro before.
TEST_F(MacroDialogWidget, AnotherMacrosEventsStartAtTheTop) {
    std::vector<uint8_t> many;
    for (int i = 0; i < 16; ++i) many.insert(many.end(), {0x01, kA, 0x81, kA});
    add(0, u"Macro_001", many);
    add(1, u"Macro_002", many);
    CMacroRecordDlg& d = open();
    ASSERT_GT(d.eventList()->model().maxTopRow(), 10);
    d.eventList()->setTopRow(10);
    clickRow(d.macroList(), 1);
    EXPECT_EQ(d.model().manager().selectedMacro(), 1);
    EXPECT_EQ(d.eventList()->model().topRow(), 0);
}

// The rows' texts keep clear of the list's left edge, and the delay box's
// label of the box.
TEST_F(MacroDialogWidget, TextsKeepTheirDistanceFromEdgesAndBoxes) {
    add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
    CMacroRecordDlg& d = open();
    const QImage rows = d.macroList()->compose();
    int firstInk = rows.width();
    for (int y = 0; y < d.macroList()->model().rowRect(0).height; ++y)
        for (int x = 0; x < rows.width(); ++x)
            if (qGray(rows.pixel(x, y)) > 150) firstInk = std::min(firstInk, x);
    EXPECT_GE(firstInk, 4);
    const QImage frame = d.composeFrame();
    const int boxLeft = MacroButtonTable()[kMacroHitDelayBox].rect.left;
    for (int y = 168; y < 200; ++y)
        for (int x = boxLeft - 3; x < boxLeft; ++x)
            ASSERT_LT(qGray(frame.pixel(x, y)), 150) << x << "," << y;
}

TEST_F(MacroDialogWidget, RecordingWithAndWithoutDelays) {
    struct Key {
        uint8_t vk;
        bool released;
        uint64_t at;
    };
    const std::vector<Key> typing = {{kA, false, 5000}, {kA, false, 5030}, {kA, false, 5060},
                                     {kA, true, 5300},  {kB, false, 7000}, {kB, true, 7100}};
    const struct {
        const char* what;
        bool delays;
        std::vector<Key> keys;
        std::vector<uint8_t> stored;
        uint8_t flags;
        QStringList shown;
    } cases[] = {
        {"without delays", false, typing, bytes({0x01, kA, 0x81, kA, 0x01, kB, 0x81, kB, 0, 0}), 0,
         {"A  dn", "A  up", "B  dn", "B  up"}},
        {"with delays", true, typing,
         bytes({0x01, kA, 0xFF, kA, 0x01, 0x2C, 0x7F, kB, 0x06, 0xA4, 0xE4, kB, 0, 0}), 1,
         {"A  dn", "300 ms", "A  up", "1700 ms", "B  dn", "100 ms", "B  up"}},
        {"a gap over a minute", true, {{kA, false, 1000}, {kA, true, 91000}},
         bytes({0x01, kA, 0xFF, kA, 0xEA, 0x60, 0, 0}), 1, {"A  dn", "60000 ms", "A  up"}},
    };
    for (const auto& c : cases) {
        store->clear();
        CMacroRecordDlg& d = open();
        click(kNew);
        if (c.delays) click(kDelayBox);
        click(kRecord);
        for (const Key& k : c.keys) d.hookKey(k.vk, k.released, k.at);
        click(kRecord);
        EXPECT_EQ(rows(d.eventList()), c.shown) << c.what;
        click(kOk);
        EXPECT_EQ(d.result(), QDialog::Accepted) << c.what;
        EXPECT_EQ(vkList((*store)[0], c.stored.size()), c.stored) << c.what;
        EXPECT_EQ((*store)[0].macroFlags, c.flags) << c.what;
        EXPECT_TRUE(asked.isEmpty()) << c.what;
    }
}

TEST_F(MacroDialogWidget, NewAndDeleteMoveTheRecordsWithTheirRows) {
    add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
    add(1, u"Macro_003", bytes({0x01, kC, 0x81, kC}), 5);
    CMacroRecordDlg& d = open();
    click(kNew);
    EXPECT_EQ(rows(d.macroList()), (QStringList{"Macro_001", "Macro_002", "Macro_003"}));
    EXPECT_EQ(d.macroList()->selected(), 1);
    EXPECT_EQ(d.eventList()->count(), 0);
    EXPECT_EQ(d.loopEdit()->text(), QStringLiteral("1"));

    // Answering Cancel keeps the macro.
    answer = QMessageBox::Cancel;
    click(kDelete);
    EXPECT_EQ(asked, QStringList{QString::fromUtf8("确认删除吗？")});
    EXPECT_EQ(d.macroList()->count(), 3);

    // Deleting Macro_001 moves Macro_003 up with its events and loop count.
    answer = QMessageBox::Ok;
    clickRow(d.macroList(), 0);
    click(kDelete);
    EXPECT_EQ(rows(d.macroList()), (QStringList{"Macro_002", "Macro_003"}));
    EXPECT_EQ(d.macroList()->selected(), 0);
    clickRow(d.macroList(), 1);
    EXPECT_EQ(rows(d.eventList()), (QStringList{"C  dn", "C  up"}));
    EXPECT_EQ(d.loopEdit()->text(), QStringLiteral("5"));
    EXPECT_TRUE(d.loopEdit()->isEnabled());
    click(kOk);

    EXPECT_EQ(recordName((*store)[0]), u"Macro_002");
    EXPECT_EQ(vkList((*store)[0], 2), bytes({0, 0}));
    EXPECT_EQ(recordName((*store)[1]), u"Macro_003");
    EXPECT_EQ(vkList((*store)[1], 6), bytes({0x01, kC, 0x81, kC, 0, 0}));
    EXPECT_EQ(recordLoopCount((*store)[1]), 5);
    EXPECT_FALSE(recordInUse((*store)[2]));
}

// A rename committed with Enter, from F2 or a double-click, stores the typed
// name with the renamed macro's events, whether its row moves or stays; a
// click elsewhere commits the same way.
TEST_F(MacroDialogWidget, RenameKeepsTheTypedNameHoweverItIsCommitted) {
    enum class Start { F2, DoubleClick };
    enum class Commit { Enter, KeypadEnter, ClickElsewhere };
    const struct {
        const char* what;
        Start start;
        Commit commit;
        const char* name;
        QStringList rows;
    } cases[] = {
        {"F2, Enter, row moves", Start::F2, Commit::Enter, "Alpha", {"Alpha", "Macro_001", "Macro_003"}},
        {"F2, Enter, row stays", Start::F2, Commit::Enter, "Macro_002b", {"Macro_001", "Macro_002b", "Macro_003"}},
        {"double-click, keypad Enter", Start::DoubleClick, Commit::KeypadEnter, "Zulu", {"Macro_001", "Macro_003", "Zulu"}},
        {"double-click, click elsewhere", Start::DoubleClick, Commit::ClickElsewhere, "Alpha",
         {"Alpha", "Macro_001", "Macro_003"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store->clear();
        add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
        add(1, u"Macro_002", bytes({0x01, kB, 0x81, kB}));
        add(2, u"Macro_003", bytes({0x01, kC, 0x81, kC}));
        CMacroRecordDlg& d = open();
        // Active, as on a desktop: the edit box has the focus while it runs.
        QApplication::setActiveWindow(&d);
        clickRow(d.macroList(), 1);
        if (c.start == Start::F2) {
            QTest::keyClick(d.macroList(), Qt::Key_F2);
        } else {
            const ListRect r = d.macroList()->model().rowRect(1);
            QTest::mouseDClick(d.macroList(), Qt::LeftButton, {}, QPoint(r.x + 10, r.y + r.height / 2));
        }
        QLineEdit* editor = d.macroList()->editor();
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, QString::fromLatin1(c.name));
        switch (c.commit) {
        case Commit::Enter: QTest::keyClick(editor, Qt::Key_Return); break;
        case Commit::KeypadEnter: QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier); break;
        case Commit::ClickElsewhere: clickRow(d.eventList(), 0); break;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(d.macroList()->editor(), nullptr);
        EXPECT_EQ(rows(d.macroList()), c.rows);
        const int row = static_cast<int>(c.rows.indexOf(QString::fromLatin1(c.name)));
        ASSERT_GE(row, 0);
        EXPECT_EQ(recordName(work(static_cast<size_t>(row))), QString::fromLatin1(c.name).toStdU16String());
        EXPECT_EQ(vkList(work(static_cast<size_t>(row)), 4), bytes({0x01, kB, 0x81, kB}));
        click(kOk);
        EXPECT_EQ(recordName((*store)[static_cast<size_t>(row)]), QString::fromLatin1(c.name).toStdU16String());
    }
}

// Escape (and the window's close) closes at once only when nothing changed;
// otherwise it asks, as the main window's close does: keep, discard or stay.
TEST_F(MacroDialogWidget, EscapeAsksBeforeDroppingChanges) {
    add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
    {
        CMacroRecordDlg& d = open();
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_TRUE(asked.isEmpty());
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    for (QMessageBox::StandardButton choice : {QMessageBox::Cancel, QMessageBox::Discard, QMessageBox::Save}) {
        SCOPED_TRACE(choice);
        asked.clear();
        CMacroRecordDlg& d = open();
        click(kNew);  // Macro_002, the change
        answer = choice;
        QTest::keyClick(&d, Qt::Key_Escape);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_EQ(d.isVisible(), choice == QMessageBox::Cancel);
        EXPECT_EQ(recordInUse((*store)[1]), choice == QMessageBox::Save);
        if (choice == QMessageBox::Cancel) {
            // Still open with the new macro; the window manager's close asks too.
            EXPECT_EQ(d.macroList()->count(), 2);
            answer = QMessageBox::Discard;
            QCloseEvent fromWindowManager;  // Alt+F4
            QSpontaneKeyEvent::setSpontaneous(&fromWindowManager);
            qApp->notify(&d, &fromWindowManager);
            EXPECT_EQ(asked.size(), 2);
            EXPECT_FALSE(d.isVisible());
            EXPECT_FALSE(recordInUse((*store)[1]));
        }
    }
}

// The loop-count box: what is typed is the count the keyboard plays, within
// three digits; unticking the box plays the macro once.
TEST_F(MacroDialogWidget, LoopBoxSetsTheStoredCount) {
    const QPoint kLoopBox(303, 322);
    const struct {
        const char* what;
        QString typed;
        bool untick;
        QString shown;
        uint16_t stored;
    } cases[] = {
        {"two digits", "12", false, "12", 12},
        {"zero", "0", false, "0", 0},
        {"three digits at most", "1234", false, "123", 123},
        {"digits only", "a7b", false, "7", 7},
        {"unticked after typing", "25", true, "1", 1},
    };
    for (const auto& c : cases) {
        add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
        CMacroRecordDlg& d = open();
        EXPECT_FALSE(d.loopEdit()->isEnabled()) << c.what;
        click(kLoopBox);
        ASSERT_TRUE(d.loopEdit()->isEnabled()) << c.what;
        d.loopEdit()->selectAll();
        QTest::keyClicks(d.loopEdit(), c.typed);
        if (c.untick) click(kLoopBox);
        EXPECT_EQ(d.loopEdit()->text(), c.shown) << c.what;
        EXPECT_EQ(d.loopEdit()->isEnabled(), !c.untick) << c.what;
        click(kOk);
        EXPECT_EQ(recordLoopCount((*store)[0]), c.stored) << c.what;
    }
}

// "插入文本…": the text typed in the dialog becomes the key strokes that type
// it in the chosen layout, after the selected event, as one undo step.
TEST_F(MacroDialogWidget, InsertTextTypesTheTextInTheChosenLayout) {
    add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
    CMacroRecordDlg& d = open();
    d.setKeyboardLayout(KeyboardLayout::fromNames("de"));
    QString status;
    d.askText = [&](QWidget* parent, InsertTextModel& model) {
        CInsertTextDlg text(model, parent);
        EXPECT_TRUE(text.layoutBox()->currentText().contains(QStringLiteral("German")));
        EXPECT_FALSE(text.insertButton()->isEnabled());
        QTest::keyClicks(text.textEdit(), QStringLiteral("Zy"));
        status = text.statusLine()->text();
        EXPECT_TRUE(text.insertButton()->isEnabled());
        return model.actions();
    };
    d.setKeyNames(layoutKeyNames(KeyboardLayout::fromNames("de")));
    clickRow(d.eventList(), 0);
    d.menuCommand(kCmdInsertText);
    // Under German the US "Y" key types z: Shift with it, then the "Z" key;
    // the rows name the keys as they type there.
    EXPECT_EQ(vkList(work(0), 16), bytes({0x01, kA, 0x01, 0xA0, 0x01, 0x59, 0x81, 0x59, 0x81, 0xA0, 0x01, 0x5A,
                                          0x81, 0x5A, 0x81, kA}));
    EXPECT_EQ(status, QStringLiteral("将插入 6 个按键动作，占 12 字节（宏中还剩 186 字节）。"));
    EXPECT_EQ(rows(d.eventList()), (QStringList{"A  dn", "LShift  dn", "Z  dn", "Z  up", "LShift  up", "Y  dn", "Y  up",
                                                "A  up"}));
    EXPECT_TRUE(asked.isEmpty());
    QTest::keyClick(&d, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(vkList(work(0), 6), bytes({0x01, kA, 0x81, kA, 0, 0}));
}

// The desktop's layout switched while the manager (and its Insert text) is
// open: the text is typed in the layout now in use, not the one the manager
// opened with.
TEST_F(MacroDialogWidget, InsertTextFollowsTheLayoutWhileOpen) {
    add(0, u"Macro_001", bytes({0x01, kA, 0x81, kA}));
    CMacroRecordDlg& d = open();
    d.setKeyboardLayout(KeyboardLayout::fromNames("us"));
    d.setKeyboardLayout(KeyboardLayout::fromNames("de"));  // switched after opening
    QStringList shown;
    d.askText = [&](QWidget* parent, InsertTextModel& model) {
        CInsertTextDlg text(model, parent);
        QObject::connect(&d, &CMacroRecordDlg::keyboardLayoutChanged, &text, &CInsertTextDlg::currentLayoutChanged);
        shown << text.layoutBox()->itemText(0);
        QTest::keyClicks(text.textEdit(), QStringLiteral("y"));
        d.setKeyboardLayout(KeyboardLayout::fromNames("us"));  // switched back while typing
        shown << text.layoutBox()->itemText(0);
        return model.actions();
    };
    clickRow(d.eventList(), 0);
    d.menuCommand(kCmdInsertText);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("German"))) << shown[0].toStdString();
    EXPECT_FALSE(shown[1].contains(QStringLiteral("German"))) << shown[1].toStdString();
    // Under US "y" is the Y key itself.
    EXPECT_EQ(vkList(work(0), 8), bytes({0x01, kA, 0x01, 0x59, 0x81, 0x59, 0x81, kA}));
}

TEST_F(MacroDialogWidget, InsertTextNeedsAMacroAndRefusesWhatDoesNotFit) {
    CMacroRecordDlg& d = open();
    bool asked_for_text = false;
    d.askText = [&](QWidget*, InsertTextModel&) {
        asked_for_text = true;
        return std::vector<KeyAction>{};
    };
    d.menuCommand(kCmdInsertText);
    EXPECT_FALSE(asked_for_text);
    EXPECT_EQ(asked, QStringList{QStringLiteral("请先选择一个宏。")});

    // Four bytes a letter: 47 of 60 would fit. The insert button stays off.
    InsertTextModel model(KeyboardLayout::fromNames("us"), {{"de", "", "German"}},
                          DeadKeyRules::forLocale("en_US.UTF-8"), 190);
    CInsertTextDlg text(model);
    text.textEdit()->setPlainText(QString(60, QLatin1Char('a')));
    EXPECT_FALSE(text.insertButton()->isEnabled());
    EXPECT_EQ(text.statusLine()->text(),
              QStringLiteral("文字太长：需要 240 字节，宏中只剩 190 字节，只够输入前 47 个字符。"));
    text.textEdit()->setPlainText(QStringLiteral("aß\t"));
    EXPECT_TRUE(text.insertButton()->isEnabled());
    EXPECT_TRUE(text.statusLine()->text().endsWith(QStringLiteral("所选布局无法输入，将跳过：“ß”")));
    text.layoutBox()->setCurrentIndex(1);  // German types ß
    EXPECT_FALSE(text.statusLine()->text().contains(QStringLiteral("跳过")));
}

TEST_F(MacroDialogWidget, EmptyStoreAndTheThirtyThirdNew) {
    CMacroRecordDlg& d = open();
    click(kRecord);
    click(kDelete);
    EXPECT_EQ(asked, (QStringList{QString::fromUtf8("请选择一个宏指令文件录制\n"), QString::fromUtf8("确认删除吗？"),
                                  QString::fromUtf8("请选择一个宏指令文件删除\n")}));
    EXPECT_FALSE(d.model().captureRunning());
    asked.clear();
    for (int i = 0; i < 33; ++i) click(kNew);
    EXPECT_EQ(d.macroList()->count(), 32);
    EXPECT_EQ(d.macroList()->rowText(31), QStringLiteral("Macro_032"));
    EXPECT_TRUE(asked.isEmpty());  // refused silently
    d.reject();
    EXPECT_EQ(macrosInUse(*store), 0u);
}

}  // namespace
}  // namespace vandrel
