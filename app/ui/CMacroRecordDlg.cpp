#include "app/ui/CMacroRecordDlg.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QWindow>
#include <cstdlib>

#include "app/draw/ModelText.h"
#include "app/draw/SkinText.h"
#include "app/ui/CInsertTextDlg.h"
#include "app/ui/DialogsOver.h"
#include "app/ui/MenuChoice.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include "controls/CTransparentListBox.h"
#include "keys/KeyNameTable.h"
#include "layout/KeyLegends.h"
#include "macro/MacroNames.h"
#include "platform/DialogPlacement.h"
#include "platform/XkbLayoutList.h"

namespace vandrel {

namespace {

QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }

constexpr QRect kMacroListRect(20, 80, 113, 275);
constexpr QRect kEventListRect(150, 80, 113, 275);
constexpr QRect kLoopEditRect(296, 331, 84, 18);

// Rows of a list as the model has them; rebuilt only when they differ.
void syncRows(CTransparentListBox* list, const std::vector<std::u16string>& rows, int selected) {
    bool same = list->count() == static_cast<int>(rows.size());
    for (int i = 0; same && i < list->count(); ++i) same = list->model().text(i) == rows[static_cast<size_t>(i)];
    if (!same) {
        const int top = list->model().topRow();
        list->clearRows();
        for (size_t i = 0; i < rows.size(); ++i) list->insertRow(static_cast<int>(i), qs(rows[i]));
        list->setTopRow(top);
    }
    list->setSelected(selected);
}


}  // namespace

CMacroRecordDlg::CMacroRecordDlg(MacroStore& store, const QString& skinFolder, QWidget* parent,
                                 const HookFactory& hookFactory)
    // Enter and Escape close nothing but through the model.
    : DrawnDialog(parent, SpareKeys::EnterAndEscapeKept),
      m_store(store),
      m_hook(hookFactory ? hookFactory(*this) : makeDesktopMacroKeyHook(*this)),
      m_model(*m_hook, m_clock, m_names),
      m_skins(skinFolder + QStringLiteral("/MacroManagement")),
      m_renderer(m_skins) {
    // Called what it draws as its title.
    setWindowTitle(QCoreApplication::translate("vandrel::MacroRecordDlgRenderer", "宏管理器"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    askUser = [](QWidget* p, const QString& caption, const QString& text, QMessageBox::StandardButtons buttons) {
        return askOver(p, QMessageBox::NoIcon, caption, text, buttons);
    };

    askText = [this](QWidget* p, InsertTextModel& model) {
        CInsertTextDlg dialog(model, p);
        connect(this, &CMacroRecordDlg::keyboardLayoutChanged, &dialog, &CInsertTextDlg::currentLayoutChanged);
        return runDialogOver(dialog, p) == QDialog::Accepted ? model.actions() : std::vector<KeyAction>{};
    };

    const auto makeList = [&](const QRect& r, bool sorted, int mode) {
        auto* list = new CTransparentListBox(this, sorted, sorted, sorted ? ListBoxModel::Compare(compareMacroNames)
                                                                         : ListBoxModel::Compare());
        list->setGeometry(r);
        list->setSkinFolder(skinFolder);
        list->setListStyle(QStringLiteral("Arial"), 16, Qt::white, QColor(0, 255, 255), true);
        list->setMode(mode);
        return list;
    };
    m_macroList = makeList(kMacroListRect, true, kListPlain);
    m_eventList = makeList(kEventListRect, false, kListMacroEvents);
    m_loopEdit = new QLineEdit(this);
    m_loopEdit->setGeometry(kLoopEditRect);
    m_loopEdit->setMaxLength(3);
    m_loopEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_loopEdit));
    m_loopEdit->setStyleSheet(QStringLiteral(
        "QLineEdit { background: #15171B; color: white; border: 1px solid #31353D; padding: 0px 3px; }"
        "QLineEdit:focus { border-color: #C4161C; }"
        "QLineEdit:disabled { color: #6A6F78; }"));

    connect(m_macroList, &CTransparentListBox::selectionChanged, this, [this](int row) {
        m_model.selectMacro(row);
        refresh();
    });
    connect(m_eventList, &CTransparentListBox::selectionChanged, this, [this](int row) {
        m_model.selectEventRow(row);
    });
    connect(m_eventList, &CTransparentListBox::contextMenuRequested, this, &CMacroRecordDlg::showContextMenu);
    connect(m_loopEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_model.setLoopText(text.toStdU16String());
    });

    m_model.open(m_store);
    resize(m_renderer.windowSize());
    // The controls are called what the window draws above them; their focus
    // is the window's focus.
    for (const UiElement& e : uiElements()) {
        if (QWidget* control = elementControl(e.id)) {
            control->setAccessibleName(QString::fromStdString(e.name));
            control->installEventFilter(this);
        }
    }
    m_model.setFocus(kMacroElementMacroList, false);
    m_macroList->setFocus(Qt::OtherFocusReason);
    refresh();
}

CMacroRecordDlg::~CMacroRecordDlg() { m_model.cancel(); }

QImage CMacroRecordDlg::composeFrame() {
    // The keyboard's focus mark on a region, while the window is active.
    HitRect r;
    const QRect mark = m_model.focusMark(r) && isActiveWindow() ? QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom))
                                                                 : QRect();
    m_skins.setDevicePixelRatio(devicePixelRatioF());
    m_renderer.setTextScale(desktopTextScale(QApplication::font()));
    m_renderer.compose(m_frame, m_model, mark);
    return m_frame;
}

void CMacroRecordDlg::showFocusMark(bool shown) {
    m_model.setFocus(m_model.focus().id, shown);
    followFocus();
    refresh();
}

UiElements CMacroRecordDlg::uiElements() const { return m_model.elements(m_keyboardRecording, modelLookup()); }

void CMacroRecordDlg::focusElement(int id) {
    m_model.setFocus(id, true);
    followFocus();
    refresh();
}

void CMacroRecordDlg::activateElement(int id) {
    if (id < 0 || id >= kMacroRegions) return;
    m_model.setFocus(id, m_model.focus().visible);
    followFocus();
    press(id, true);
}

QWidget* CMacroRecordDlg::elementControl(int id) const {
    switch (id) {
    case kMacroElementMacroList: return m_macroList;
    case kMacroElementEventList: return m_eventList;
    case kMacroElementLoopEdit: return m_loopEdit;
    default: return nullptr;
    }
}

bool CMacroRecordDlg::navigate(NavKey key) {
    const MacroRecordDlgModel::NavResult r = m_model.navigate(key, uiElements());
    if (!r.handled) return false;
    if (r.focusMoved) followFocus();
    if (r.close) click(m_model.closeRequested());
    else if (r.activated != kMacroHitNone) press(r.activated, true);
    else refresh();
    return true;
}

void CMacroRecordDlg::press(int region, bool byKeyboard) {
    const bool wasRecording = m_model.manager().recording();
    if (region == kMacroHitRecord) m_keyboardRecording = false;
    click(m_model.activate(region));
    // A recording started from the keyboard ends with Escape: its user has
    // no other way to the button while every key is recorded.
    if (region == kMacroHitRecord && byKeyboard && !wasRecording && m_model.manager().recording()) {
        m_keyboardRecording = true;
        refresh();
    }
}

bool CMacroRecordDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        const auto& focusIn = *static_cast<QFocusEvent*>(event);
        for (int id : {kMacroElementMacroList, kMacroElementEventList, kMacroElementLoopEdit})
            if (elementControl(id) == watched) m_model.setFocus(id, focusMarkAfter(focusIn, m_model.focus().visible));
        update();
    }
    return QDialog::eventFilter(watched, event);
}

void CMacroRecordDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, composeFrame());
}

// Everything the user sees follows the model after each input.
void CMacroRecordDlg::refresh() {
    const MacroManager& m = m_model.manager();
    if (!m_macroList->editor()) syncRows(m_macroList, m.macroRows(), m.selectedMacro());
    if (!m_eventList->editor()) {
        syncRows(m_eventList, m.events().rows(), m.events().selectedRow());
        // Another macro's events start at their first row.
        if (m.selectedMacro() != m_shownMacro) m_eventList->setTopRow(0);
        m_shownMacro = m.selectedMacro();
    }
    const QString loop = qs(m.loopText());
    if (m_loopEdit->text() != loop) m_loopEdit->setText(loop);
    m_loopEdit->setEnabled(m.loopEnabled());
    // A recording that ended, however, is no longer the keyboard's.
    if (!m.recording()) m_keyboardRecording = false;
    update();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

QString CMacroRecordDlg::caption() { return tr("宏管理"); }

QString CMacroRecordDlg::macroFullText() { return tr("宏指令已满（190 字节），无法再添加按键动作。"); }

void CMacroRecordDlg::tell(const QString& text) { askUser(this, caption(), text, QMessageBox::Ok); }

void CMacroRecordDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (MacroRecordDlgModel::hitTest(pos.x(), pos.y()) != kMacroHitNone) return;
    // Dragging on the background moves the dialog.
    const bool systemMove = windowHandle() && windowHandle()->startSystemMove();
    if (!systemMove) {
        m_manualDrag = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void CMacroRecordDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_manualDrag) {
        if (event->buttons() & Qt::LeftButton) {
            move(event->globalPosition().toPoint() - m_dragOffset);
            return;
        }
        m_manualDrag = false;
    }
    const QPoint pos = event->position().toPoint();
    if (m_model.mouseMove(pos.x(), pos.y())) update();
}

void CMacroRecordDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (m_manualDrag) {
        m_manualDrag = false;
        return;
    }
    const QPoint pos = event->position().toPoint();
    m_model.setFocus(m_model.focus().id, false);
    if (MacroRecordDlgModel::hitTest(pos.x(), pos.y()) == kMacroHitRecord) m_keyboardRecording = false;
    click(m_model.leftButtonUp(pos.x(), pos.y()));
}

void CMacroRecordDlg::click(MacroClick c) {
    switch (c) {
    case MacroClick::NoMacroToRecord: tell(tr("请选择一个宏指令文件录制\n")); break;
    case MacroClick::ConfirmDelete: deleteMacro(); break;
    case MacroClick::Ok: ok(); return;
    case MacroClick::Cancel: reject(); return;
    case MacroClick::AskBeforeClose: askBeforeClose(); return;
    case MacroClick::None: break;
    }
    refresh();
}

void CMacroRecordDlg::askBeforeClose() {
    // What was recorded or edited here is not thrown away by a stray Escape.
    switch (askUser(this, caption(), tr("宏有更改还没有确定。关闭前要保留这些更改吗？"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel)) {
    case QMessageBox::Save: ok(); return;
    case QMessageBox::Discard: reject(); return;
    default: refresh(); return;
    }
}

void CMacroRecordDlg::closeEvent(QCloseEvent* event) {
    // The window manager's close (Alt+F4) is the Escape of a frameless
    // dialog; a close the program itself asks for is let through.
    if (event->spontaneous() && isVisible()) {
        event->ignore();
        click(m_model.closeRequested());
        return;
    }
    QDialog::closeEvent(event);
}

void CMacroRecordDlg::deleteMacro() {
    if (askUser(this, caption(), tr("确认删除吗？"), QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) return;
    if (!m_model.deleteConfirmed()) tell(tr("请选择一个宏指令文件删除\n"));
}

void CMacroRecordDlg::ok() {
    // A macro that ends with a key still down would leave it stuck on the
    // computer the keyboard plays it to.
    const std::vector<HeldKeysReport> held = m_model.heldKeys();
    if (!held.empty()) {
        QStringList lines, full;
        for (const HeldKeysReport& r : held) {
            QStringList keys;
            for (uint8_t vk : r.vks) keys << qs(m_names.name(vk)).trimmed();
            lines << tr("“%1”：%2").arg(qs(r.name), keys.join(tr("、")));
            if (!r.releasesFit) full << qs(r.name);
        }
        QString text = tr("以下宏结束时仍有按键处于按下状态，键盘播放后这些按键会一直保持按下：\n%1\n\n"
                          "是否在宏的末尾添加这些按键的释放？")
                           .arg(lines.join(QLatin1Char('\n')));
        if (!full.isEmpty())
            text += tr("\n（宏 %1 已满，无法添加释放，请先删除一些按键动作。）").arg(full.join(tr("、")));
        const auto answer =
            askUser(this, caption(), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) {
            refresh();
            return;
        }
        if (answer == QMessageBox::Yes) m_model.addReleases(held);
    }
    m_renumbering = m_model.accept(m_store);
    QDialog::accept();
}

void CMacroRecordDlg::reject() {
    m_model.cancel();
    QDialog::reject();
}

void CMacroRecordDlg::editResult(EditResult r) {
    if (r == EditResult::EditCurrentDelay) tell(tr("请编辑当前延时\n"));
    if (r == EditResult::MacroFull) tell(macroFullText());
    refresh();
}

void CMacroRecordDlg::menuCommand(int id) {
    switch (id) {
    case kCmdCaptureBefore: m_model.ArmCaptureBefore(); break;
    case kCmdCaptureAfter: m_model.ArmCaptureAfter(); break;
    case kCmdInsertDelay: editResult(m_model.InsertDelay()); return;
    case kCmdDeleteRow: editResult(m_model.DeleteEventRow()); return;
    case kCmdLeftPress: editResult(m_model.InsertMouseEvent(MouseAction::Press, kVkMouseLeft)); return;
    case kCmdLeftRelease: editResult(m_model.InsertMouseEvent(MouseAction::Release, kVkMouseLeft)); return;
    case kCmdLeftClick: editResult(m_model.InsertMouseEvent(MouseAction::Click, kVkMouseLeft)); return;
    case kCmdRightPress: editResult(m_model.InsertMouseEvent(MouseAction::Press, kVkMouseRight)); return;
    case kCmdRightRelease: editResult(m_model.InsertMouseEvent(MouseAction::Release, kVkMouseRight)); return;
    case kCmdRightClick: editResult(m_model.InsertMouseEvent(MouseAction::Click, kVkMouseRight)); return;
    case kCmdMiddlePress: editResult(m_model.InsertMouseEvent(MouseAction::Press, kVkMouseMiddle)); return;
    case kCmdMiddleRelease: editResult(m_model.InsertMouseEvent(MouseAction::Release, kVkMouseMiddle)); return;
    case kCmdMiddleClick: editResult(m_model.InsertMouseEvent(MouseAction::Click, kVkMouseMiddle)); return;
    case kCmdInsertText: insertText(); return;
    default: break;
    }
    refresh();
}

void CMacroRecordDlg::showContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    const auto add = [&](QMenu* m, const QString& text, int id) { m->addAction(text)->setData(id); };
    add(&menu, tr("在之前开始录入"), kCmdCaptureBefore);
    add(&menu, tr("在之后开始录入"), kCmdCaptureAfter);
    QMenu* mouse = menu.addMenu(tr("插入鼠标按键"));
    const struct {
        QString name;
        int press, release, click;
    } buttons[] = {{tr("左键"), kCmdLeftPress, kCmdLeftRelease, kCmdLeftClick},
                   {tr("右键"), kCmdRightPress, kCmdRightRelease, kCmdRightClick},
                   {tr("中键"), kCmdMiddlePress, kCmdMiddleRelease, kCmdMiddleClick}};
    for (const auto& b : buttons) {
        QMenu* sub = mouse->addMenu(b.name);
        add(sub, tr("压下"), b.press);
        add(sub, tr("释放"), b.release);
        add(sub, tr("单击"), b.click);
    }
    add(&menu, tr("插入文本…"), kCmdInsertText);
    add(&menu, tr("插入延迟"), kCmdInsertDelay);
    add(&menu, tr("删除"), kCmdDeleteRow);
    if (QAction* chosen = chooseFromMenu(menu, globalPos)) menuCommand(chosen->data().toInt());
}

void CMacroRecordDlg::setKeyboardLayout(const KeyboardLayout& layout) {
    m_layout = layout;
    if (m_insertText) m_insertText->setCurrentLayout(m_layout.valid() ? m_layout : usLayout());
    emit keyboardLayoutChanged();
}

void CMacroRecordDlg::setKeyNames(const KeyNameTable& names) {
    m_names = names;
    // The rows are named when a macro's events are filled in.
    if (m_model.manager().selectedMacro() >= 0 && !m_model.captureRunning())
        m_model.selectMacro(m_model.manager().selectedMacro());
    refresh();
}

void CMacroRecordDlg::insertText() {
    if (m_model.manager().selectedMacro() < 0) {
        tell(tr("请先选择一个宏。"));
        return;
    }
    // Accents typed with dead keys compose as the desktop's locale has them.
    const DeadKeyRules rules =
        DeadKeyRules::forLocale(composeLocale(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG")));
    InsertTextModel model(m_layout.valid() ? m_layout : usLayout(), installedLayouts(), rules,
                          m_model.manager().events().freeBytes());
    m_insertText = &model;
    const std::vector<KeyAction> actions = askText ? askText(this, model) : std::vector<KeyAction>{};
    m_insertText = nullptr;
    if (!actions.empty()) {
        editResult(m_model.InsertKeyActions(actions));
        return;
    }
    refresh();
}

void CMacroRecordDlg::hookKey(uint8_t vk, bool released, uint64_t timestampMs) {
    constexpr uint8_t kVkEscape = 0x1B;
    if (m_keyboardRecording && vk == kVkEscape && !released && m_model.manager().recording() &&
        !m_model.manager().events().singleInsertPending()) {
        press(kMacroHitRecord, true);  // ends the recording; the Escape is not part of it
        return;
    }
    m_clock.setEventTime(timestampMs);
    const CaptureResult r = m_model.OnHookKey(vk, released);
    refresh();
    // Told after the key event has been handled, not inside the capture.
    if (r == CaptureResult::MacroFull) QTimer::singleShot(0, this, [this] { tell(macroFullText()); });
}

void CMacroRecordDlg::listRenamed(int newRow) {
    const int oldRow = m_macroList->model().editStartRow();
    const std::u16string name = m_macroList->model().text(newRow);
    if (m_model.renameMacro(oldRow, name) == RenameResult::Refused)
        tell(name.empty() ? tr("宏名称不能为空。") : tr("宏名称最多 254 个字符。"));
    refresh();
}

bool CMacroRecordDlg::event(QEvent* event) {
    if (event->type() == kListEditBeginEvent) {
        // Editing a name or a delay ends any capture.
        m_model.onListEditBegin();
        update();
        return true;
    }
    if (event->type() == kListEditEndEvent) {
        // Only the event list sends it: a delay row was edited.
        const ListMessage& m = static_cast<ListMessageEvent*>(event)->message;
        editResult(m_model.SetEventDelay(static_cast<int>(m.wParam), m.lParam));
        return true;
    }
    if (event->type() == kListRowRenamedEvent) {
        listRenamed(static_cast<int>(static_cast<ListMessageEvent*>(event)->message.wParam));
        return true;
    }
    return QDialog::event(event);
}

void CMacroRecordDlg::keyPressEvent(QKeyEvent* event) {
    // Space and Enter press the focused region, Escape is Cancel (the base
    // routes them); Enter closes nothing elsewhere.
    if (event->matches(QKeySequence::Undo)) {
        if (m_model.undo()) refresh();
        return;
    }
    if (event->matches(QKeySequence::Redo) ||
        (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier)) {
        if (m_model.redo()) refresh();
        return;
    }
    DrawnDialog::keyPressEvent(event);
}

}  // namespace vandrel
