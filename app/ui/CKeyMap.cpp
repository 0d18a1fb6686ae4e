#include "app/ui/CKeyMap.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>
#include <utility>

#include "app/draw/ModelText.h"
#include "app/draw/SkinText.h"
#include "app/ui/DialogsOver.h"
#include "app/ui/NavKeys.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include "controls/VividTree.h"
#include "layout/KeyLegends.h"
#include "platform/DialogPlacement.h"

namespace vandrel {

namespace {

// The key fields and the macro list: white text on grey, no frame.
const char* const kFieldStyle =
    "QLineEdit, QListWidget { color: white; background: rgb(109, 109, 109); border: none; }"
    "QListWidget::item:selected { color: white; background: rgb(102, 46, 47); }";

QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }

}  // namespace

CKeyMap::CKeyMap(KeyMapDialogModel& model, const QString& skinFolder, QWidget* parent)
    // Enter and Esc never reach the dialog's own default handling.
    : DrawnDialog(parent, SpareKeys::EnterAndEscapeKept),
      m_model(model),
      m_skins(skinFolder + QLatin1Char('/') + kKeyMapSkinFolder),
      m_renderer(m_skins) {
    setWindowTitle(QStringLiteral("Vandrel"));
    setModal(true);
    setMouseTracking(true);
    // The dialog itself holds the focus at opening, so that neither key field
    // takes it (a first focus decides between single key and combination).
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(QString::fromLatin1(kFieldStyle));

    m_single = new QLineEdit(this);
    m_single->setGeometry(20, 89, 280, 15);
    m_combination = new QLineEdit(this);
    m_combination->setGeometry(20, 139, 280, 15);
    for (QLineEdit* edit : {m_single, m_combination}) {
        edit->setFocusPolicy(Qt::ClickFocus);
        // Keys arrive through the capture, never as typing; an input method
        // must not take them first.
        edit->setReadOnly(true);
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->installEventFilter(this);
    }
    m_macros = new QListWidget(this);
    m_macros->setGeometry(20, 79, 280, 150);
    m_macros->setFocusPolicy(Qt::ClickFocus);
    m_macros->hide();
    m_macros->installEventFilter(this);
    connect(m_macros, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_syncing) m_model.selectMacroRow(row);
    });

    m_tree = new VividTree(this);
    m_tree->setGeometry(10, 60, 295, 160);
    m_tree->setBackgroundMode(VividTree::Solid);
    // The key's current function shows selected from the start, before the
    // tree has the focus.
    m_tree->setAlwaysShowSelection(true);
    m_tree->setUpPictures(skinFolder);
    m_tree->setIcon(QIcon(skinFolder + QStringLiteral("/icon150.png")));
    m_tree->setFocusPolicy(Qt::ClickFocus);
    m_tree->hide();
    m_tree->installEventFilter(this);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_syncing) m_model.selectTreeItem(item ? item->data(0, Qt::UserRole).toInt() : -1);
    });

    // Under the two key fields: what the chosen keys type in the desktop's layout.
    m_typed = new QLabel(this);
    m_typed->setGeometry(20, 166, 285, 18);
    m_typed->setFont(skinFont(12));
    m_typed->setStyleSheet(QStringLiteral("QLabel { color: rgb(192, 192, 192); background: transparent; }"));
    m_typed->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_typed->hide();

    // Below that, on the keys page, where the desktop keeps its shortcuts to itself.
    m_shortcuts.makeNotice(this, QRect(20, 188, 285, 34));

    showMessage = [](QWidget* parent, const QString& text) {
        askOver(parent, QMessageBox::Information, QString(), text, QMessageBox::Ok);
    };
    beginSystemMove = [this] { return windowHandle() && windowHandle()->startSystemMove(); };
    m_choosers = desktopLaunchChoosers();

    // Captured strokes are handled at once, before any key that follows.
    m_capture.onKey = [this](const CapturedKey& key) { keyStroke(key.vk); };
    // A key typed into a key field is that field's new key.
    m_capture.armOnKey = [this](const QKeyEvent& e) {
        const EditField field = focusedField();
        if (field == EditField::None) return false;
        // Shift waits for the key it goes with: with Tab it is Shift+Tab,
        // which moves the focus back; with any other key, or let go of
        // alone, it is part of the new key.
        if (e.key() == Qt::Key_Shift) {
            m_heldShift = VirtualKeyOf(e);
            return false;
        }
        switch (e.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Space:  // their usual work; Space asks for a new key
            m_heldShift = 0;
            return false;
        default: break;
        }
        focusField(field);
        if (m_heldShift != 0) keyStroke(std::exchange(m_heldShift, uint8_t{0}));
        return true;
    };
    // A capture belongs to the key fields: the focus leaving them ends it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        m_heldShift = 0;
        if (m_capture.armed() && now && now->window() == this && now != m_single && now != m_combination)
            m_capture.disarm();
    });
    connect(&m_capture, &KeyCapture::armedChanged, this, [this](bool armed) {
        // The desktop's shortcuts come as keys while a capture runs, and are
        // the desktop's again (Alt+F4, Alt+Tab) once it has ended.
        if (armed) m_shortcuts.activate(this);
        else m_shortcuts.release();
        m_model.setCapturing(armed);
        syncControls();
        redraw();
    });
}

CKeyMap::~CKeyMap() {
    m_shortcuts.release();
    m_capture.remove();
    m_model.chooseLaunchPath = nullptr;
}

void CKeyMap::prepare(int slot, KeyRecord& record, const DeviceImage& image, const MacroStore& macros,
                      bool captureKeys, bool focusShown) {
    m_model.chooseLaunchPath = [this](int row, const std::u16string& current) -> std::optional<std::u16string> {
        const auto path = chooseLaunchPath(row, qs(current), this, m_choosers);
        if (!path) return std::nullopt;
        return path->toStdU16String();
    };
    // The desktop's shortcuts (Super, Alt+Tab, Alt+F4) arrive as keys too
    // while a capture is armed (see the armedChanged connection).
    const bool hooked = captureKeys && m_capture.install(this, KeyCapture::Arming::None);
    m_model.open(slot, record, image, macros, hooked);
    setWindowTitle(KeyMapRenderer::title(m_model).trimmed());

    m_syncing = true;
    m_macros->clear();
    for (const auto& name : m_model.macroNames()) m_macros->addItem(qs(name));
    fillTree();
    m_syncing = false;
    syncControls();
    resize(m_renderer.dialogSize());
    // The controls are called what the dialog draws beside or above them.
    m_single->setAccessibleName(QCoreApplication::translate("vandrel::KeyMapRenderer", "单键"));
    m_combination->setAccessibleName(QCoreApplication::translate("vandrel::KeyMapRenderer", "组合键"));
    m_macros->setAccessibleName(modelText("vandrel::KeyMapDialogModel", KeyMapButtonTable[kKeyMapTabMacro].caption));
    m_tree->setAccessibleName(modelText("vandrel::KeyMapDialogModel", KeyMapButtonTable[kKeyMapTabFunction].caption));

    // The focus starts on the page's control: the field of the key's kind
    // (taking the focus there decides nothing), the list, the tree or the
    // first launch row.
    int first = kKeyMapLaunchMarkerBase;
    switch (m_model.currentPage()) {
    case kPageKeys:
        first = m_model.request().assignType == static_cast<uint8_t>(AssignType::KeyCombination) ? kKeyMapComboField
                                                                                              : kKeyMapSingleField;
        break;
    case kPageMacro: first = kKeyMapMacroList; break;
    case kPageFunction: first = kKeyMapFunctionTree; break;
    default: break;
    }
    m_model.setFocus(first, focusShown);
    followFocus();
    // On the keys page a capture is armed at once: the key pressed next is
    // the key's new one, whatever it is (Tab, Enter and Escape included);
    // once it is released, Tab, Enter and Escape do their usual work.
    if (hooked && m_model.currentPage() == kPageKeys) m_capture.arm(KeyCapture::Arming::UntilReleased);
    redraw();
}

void CKeyMap::fillTree() {
    m_tree->clear();
    std::vector<QTreeWidgetItem*> items;
    for (size_t i = 0; i < kFunctionTree.size(); ++i) {
        const FunctionTreeItem& f = kFunctionTree[i];
        auto* item = f.parent < 0 ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(items[f.parent]);
        item->setText(0, modelText("vandrel::KeyMapDialogModel", f.label));
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        items.push_back(item);
    }
    const int chosen = m_model.treeItem();
    if (chosen >= 0) {
        QTreeWidgetItem* item = items[chosen];
        if (item->parent()) item->parent()->setExpanded(true);
        m_tree->setCurrentItem(item);
    }
}

void CKeyMap::syncControls() {
    m_syncing = true;
    const int page = m_model.currentPage();
    m_single->setVisible(page == kPageKeys);
    m_combination->setVisible(page == kPageKeys);
    m_macros->setVisible(page == kPageMacro);
    m_tree->setVisible(page == kPageFunction);
    m_shortcuts.refreshNotice(page == kPageKeys);
    if (m_single->text() != qs(m_model.singleText())) m_single->setText(qs(m_model.singleText()));
    if (m_combination->text() != qs(m_model.combinationText()))
        m_combination->setText(qs(m_model.combinationText()));
    m_single->end(false);
    m_combination->end(false);
    if (m_macros->currentRow() != m_model.macroRow()) m_macros->setCurrentRow(m_model.macroRow());
    m_syncing = false;
    ++m_uiGeneration;
    updateTypedLine();
}

void CKeyMap::setKeyNames(const KeyNameTable& names) {
    m_model.setKeyNames(names);
    syncControls();
    redraw();
}

void CKeyMap::setKeyboardLayout(const KeyboardLayout& layout) {
    m_layout = layout;
    updateTypedLine();
}

void CKeyMap::updateTypedLine() {
    const AssignmentRequest& r = m_model.request();
    const bool keys = m_model.currentPage() == kPageKeys &&
                      (r.assignType == static_cast<uint8_t>(AssignType::SingleKey) ||
                       r.assignType == static_cast<uint8_t>(AssignType::KeyCombination));
    std::vector<uint8_t> codes;
    for (size_t i = 0; keys && i < 3 && i < r.codeCount; ++i)
        if (r.codes[i] != 0) codes.push_back(r.codes[i]);
    const TypedByKeys typed = typedByKeys(m_layout, codes.data(), codes.size());
    QString what = QString::fromStdU32String(typed.shortcut + typed.character);
    if (typed.character == U" ") what = QString::fromStdU32String(typed.shortcut) + tr("空格");
    if (typed.dead) what = tr("%1（死键）").arg(what);
    m_typed->setText(what.isEmpty() ? QString() : tr("在当前布局中输入：%1").arg(what));
    m_typed->setVisible(!what.isEmpty());
}

void CKeyMap::clickAt(const QPoint& pos) {
    const bool markShown = m_model.focus().visible;
    m_model.setFocus(m_model.focus().id, false);
    runClick(m_model.click(pos.x(), pos.y()));
    // The mouse hides the focus mark, also where the click changed nothing else.
    if (markShown) redraw();
}

void CKeyMap::runClick(const KeyMapClickResult& r) {
    if (r.askForSubItem && showMessage) showMessage(this, tr("请选择子项"));
    if (r.askForLaunchPath && showMessage) showMessage(this, tr("请为所选的一行选择路径。"));
    if (r.askForKeyboardMacro && showMessage) showMessage(this, tr("键盘只能存放前 32 个宏，请从中选择一个。"));
    if (r.focusSingleEdit) {
        syncControls();
        m_model.setFocus(kKeyMapSingleField, m_model.focus().visible);
        m_single->setFocus();
        focusField(EditField::Single);  // also where no window system reports focus
    }
    syncControls();
    if (r.redraw) redraw();
    if (r.outcome == KeyMapClickResult::Outcome::Accept) accept();
    if (r.outcome == KeyMapClickResult::Outcome::Reject) reject();
}

void CKeyMap::keyStroke(uint8_t vk) {
    m_model.keyStroke(vk);
    syncControls();
}

void CKeyMap::focusField(EditField field) {
    if (m_syncing) return;
    m_model.focusEdit(field);
    syncControls();
}

bool CKeyMap::event(QEvent* event) {
    if (event->type() == kHookKeyEvent) {
        keyStroke(static_cast<HookKeyEvent*>(event)->vk());
        return true;
    }
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = qs(m_model.toolTipAt(help->pos().x(), help->pos().y()));
        if (tip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QDialog::event(event);
}

bool CKeyMap::eventFilter(QObject* watched, QEvent* event) {
    // A control losing the focus loses its mark, whether the focus went to
    // a drawn element, another control or another window.
    if (event->type() == QEvent::FocusOut) redraw();
    // A Shift let go of with no key after it is the field's new key.
    if (event->type() == QEvent::KeyRelease && m_heldShift != 0 &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift) {
        const EditField field = focusedField();
        const uint8_t shift = std::exchange(m_heldShift, uint8_t{0});
        if (field != EditField::None && m_capture.installed()) {
            focusField(field);
            keyStroke(shift);
        }
    }
    if (event->type() == QEvent::FocusIn) {
        const auto& focusIn = *static_cast<QFocusEvent*>(event);
        for (const UiElement& e : uiElements())
            if (elementControl(e.id) == watched) m_model.setFocus(e.id, focusMarkAfter(focusIn, m_model.focus().visible));
        // A click in a key field asks it for a new key, as typing into it
        // does; the focus that Tab or the dialog gives a field decides nothing.
        if (focusIn.reason() == Qt::MouseFocusReason) {
            m_model.setFocus(m_model.focus().id, false);
            if (watched == m_single) armField(EditField::Single);
            if (watched == m_combination) armField(EditField::Combination);
        }
        redraw();
    }
    return QDialog::eventFilter(watched, event);
}

EditField CKeyMap::focusedField() const {
    QWidget* focus = focusWidget();
    if (focus == m_single && !m_single->isHidden()) return EditField::Single;
    if (focus == m_combination && !m_combination->isHidden()) return EditField::Combination;
    return EditField::None;
}

void CKeyMap::armField(EditField field) {
    focusField(field);
    if (m_capture.installed()) m_capture.arm(KeyCapture::Arming::UntilReleased);
}

UiElements CKeyMap::uiElements() const { return m_model.elements(modelLookup()); }

void CKeyMap::focusElement(int id) {
    m_model.setFocus(id, true);
    followFocus();
    redraw();
}

void CKeyMap::activateElement(int id) {
    m_model.setFocus(id, m_model.focus().visible);
    followFocus();
    runClick(m_model.activate(id));
}

QWidget* CKeyMap::elementControl(int id) const {
    switch (id) {
    case kKeyMapSingleField: return m_single;
    case kKeyMapComboField: return m_combination;
    case kKeyMapMacroList: return m_macros;
    case kKeyMapFunctionTree: return m_tree;
    default: return nullptr;
    }
}

bool CKeyMap::navigate(NavKey key) {
    const KeyMapDialogModel::NavResult r = m_model.navigate(key, uiElements());
    if (!r.handled) return false;
    if (r.focusMoved) followFocus();
    runClick(r.click);
    // The focus mark moves with the focus, onto a drawn element as well.
    redraw();
    return true;
}

QImage CKeyMap::composeFrame() {
    // The keyboard's focus mark, while the dialog is the active window.
    QRect mark;
    DialogRect r;
    if (m_model.focusMark(r) && isActiveWindow()) mark = QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
    m_skins.setDevicePixelRatio(devicePixelRatioF());
    m_renderer.setTextScale(desktopTextScale(QApplication::font()));
    m_renderer.compose(m_frame, m_model, mark);
    return m_frame;
}

void CKeyMap::redraw() {
    composeFrame();
    update();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

void CKeyMap::paintEvent(QPaintEvent*) {
    // Composed again when the window has moved to a screen of another density.
    if (m_frame.isNull() || !qFuzzyCompare(m_frame.devicePixelRatio(), devicePixelRatioF())) composeFrame();
    QPainter p(this);
    p.drawImage(0, 0, m_frame);
    p.end();
    emit framePainted();
}

void CKeyMap::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    // The borderless dialog moves with the mouse from any free point, once
    // the mouse moves with the button held. A move started at the press
    // would outlive a click released at once (the window manager's move then
    // follows the pointer until the next click).
    m_dragPending = m_model.pressStartsDrag(pos.x(), pos.y());
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CKeyMap::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool onFreeSpace = m_dragPending || m_manualDrag;
    m_dragPending = false;
    m_manualDrag = false;
    if (onFreeSpace) return;
    clickAt(event->position().toPoint());
}

void CKeyMap::mouseMoveEvent(QMouseEvent* event) {
    const bool held = event->buttons() & Qt::LeftButton;
    if (m_dragPending && held) {
        m_dragPending = false;
        m_manualDrag = !(beginSystemMove && beginSystemMove());
    }
    if (m_manualDrag && held) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    m_dragPending = m_dragPending && held;
    const QPoint pos = event->position().toPoint();
    if (m_model.mouseMove(pos.x(), pos.y())) redraw();
}

void CKeyMap::keyPressEvent(QKeyEvent* event) {
    // Keys the capture did not take: Space asks a key field for a new key or
    // presses the focused button, Enter presses it or Save, Escape cancels,
    // the arrows open the tab beside.
    if (navKeyFor(*event) == NavKey::Activate && focusedField() != EditField::None) {
        armField(focusedField());
        event->accept();
        return;
    }
    DrawnDialog::keyPressEvent(event);
}

void CKeyMap::changeEvent(QEvent* event) {
    DrawnDialog::changeEvent(event);
    // The mark shows only while the dialog is the active window.
    if (event->type() == QEvent::ActivationChange) redraw();
}

void CKeyMap::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    followFocus();
}

void CKeyMap::done(int result) {
    m_shortcuts.release();
    m_capture.remove();
    QDialog::done(result);
}

bool RunKeyMapDialog(KeyMapDialogModel& model, const QString& skinFolder, QWidget* parent, int slot,
                     AppState& state, AssignmentRequest& request, const std::function<void(CKeyMap&)>& beforeShow,
                     bool byKeyboard) {
    // Switching to the keys or launch page empties the key's record. The
    // dialog does that on a copy, which takes the record's place only on OK:
    // until then the key keeps its assignment (a launch key keeps launching),
    // and nothing saved while the dialog is open (a reconnection's refresh)
    // or after a cancel stores the emptied record.
    KeyRecord edited = state.keys[slot];
    CKeyMap dialog(model, skinFolder, parent);
    dialog.prepare(slot, edited, state.image, state.macros, true, byKeyboard);
    if (beforeShow) beforeShow(dialog);
    // Centred over the main window.
    const std::optional<QPoint> at =
        parent ? std::optional<QPoint>(parent->rect().center() - dialog.rect().center()) : std::nullopt;
    if (execOver(dialog, parent, at) != QDialog::Accepted) return false;
    state.keys[slot] = edited;
    request = model.request();
    request.slot = static_cast<uint8_t>(slot);
    return true;
}

}  // namespace vandrel
