#include "app/ui/CTarvinDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <iostream>
#include <memory>
#include <utility>

#include "app/draw/ModelText.h"
#include "app/draw/SkinText.h"
#include "theme/SkinFile.h"
#include "app/model/AppCommands.h"
#include "app/model/ConfigHistory.h"
#include "app/model/KeyDescription.h"
#include "app/model/PendingChanges.h"
#include "app/ui/CHistoryDlg.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include "config/Settings.h"
#include "controls/CBitSlider.h"
#include "device/Commands.h"
#include "device/DeviceSession.h"
#include "keys/KeyNameTable.h"
#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeymapFile.h"
#include "layout/KeyLegends.h"
#include "macro/MacroStoreFile.h"
#include "platform/DialogPlacement.h"
#include "profile/GameModeMemory.h"

namespace vandrel {

namespace {

// Why a transfer did not complete, in the words of the program's messages.
QString failureText(TransferOutcome outcome, const char* consequence) {
    QString why;
    switch (outcome) {
    case TransferOutcome::NoAcknowledgement: why = CTarvinDlg::tr("键盘没有响应，"); break;
    case TransferOutcome::DeviceGone: why = CTarvinDlg::tr("键盘已断开连接，"); break;
    case TransferOutcome::NotConnected: why = CTarvinDlg::tr("系统没有检测到游戏键盘，"); break;
    default: why = CTarvinDlg::tr("与键盘通信失败，"); break;
    }
    return why + CTarvinDlg::tr(consequence);
}

// What the bottom line covers: redrawn when a slider changes what is unsaved.
const QRect kPendingLineRect(96, 606, 700, 28);

}  // namespace

CTarvinDlg::CTarvinDlg(AppState& state, DeviceSession& session, WindowPaths paths, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_state(state),
      m_session(session),
      m_paths(std::move(paths)),
      m_skins(m_paths.skinFolder()),
      m_renderer(m_skins) {
    m_skins.setOverlay(m_paths.skinOverlay());
    setWindowTitle(QStringLiteral("Vandrel"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);

    m_speed = new CBitSlider(this);
    m_brightness = new CBitSlider(this);
    m_report = new CBitSlider(this);
    for (CBitSlider* s : {m_speed, m_brightness, m_report}) s->hide();
    m_report->valueText = [](int v) { return tr("%1 Hz").arg(config::reportRateHz(static_cast<uint8_t>(v))); };

    m_sliderRest = new QTimer(this);
    m_sliderRest->setSingleShot(true);
    m_sliderRest->setInterval(400);
    connect(m_sliderRest, &QTimer::timeout, this, [this] { recordChange(); });

    m_hooks.pickColour = [](QWidget* parent, const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, parent, QString(), QColorDialog::DontUseNativeDialog);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    m_hooks.confirmFactoryReset = [](QWidget* parent) {
        return QMessageBox::question(parent, tr("出厂设置"), tr("确认恢复至出厂设置吗？"),
                                     QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Ok;
    };
    m_hooks.warn = [](QWidget* parent, const QString& caption, const QString& text) {
        QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
    };
    m_hooks.askBeforeClose = [](QWidget* parent, const QString& unsaved) {
        QMessageBox box(QMessageBox::Question, tr("退出"), tr("有更改还没有保存到键盘。退出前要保存吗？"),
                        QMessageBox::NoButton, parent);
        if (!unsaved.isEmpty()) box.setInformativeText(unsaved);
        QPushButton* save = box.addButton(tr("保存"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(tr("放弃更改"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(tr("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == save) return CloseChoice::Save;
        if (box.clickedButton() == discard) return CloseChoice::Discard;
        return CloseChoice::Cancel;
    };
}

CTarvinDlg::~CTarvinDlg() {
    shutDown();
    if (m_busy) QApplication::restoreOverrideCursor();
}

void CTarvinDlg::setUpSlider(CBitSlider* s, int id, int x, int y, int maximum) {
    s->setControlId(id);
    s->setThumbTop(0);
    s->setGeometry(x, y, 30, 10);
    s->setUpSkin(m_paths.skinFolder());
    s->setRange(0, maximum);
    s->setSingleStep(1);
    s->setPageStep(1);
}

void CTarvinDlg::initialise() {
    setWindowIcon(loadSkinIcon(m_paths.skinFolder() + QStringLiteral("/icon150.png")));

    m_state.appVersion = loadAppVersion(std::filesystem::path(m_paths.programFolder.toStdU16String()) / kVersionFileName);
    setFixedSize(m_renderer.windowSize());

    setUpSlider(m_speed, kSpeedSliderId, kSliderX, kSpeedSliderY, 9);
    setUpSlider(m_brightness, kBrightnessSliderId, kSliderX, kBrightnessSliderY, 50);
    m_brightness->setValue(1);
    if (afterBrightnessSetUp) afterBrightnessSetUp();
    setUpSlider(m_report, kReportSliderId, kSliderX, kReportSliderInitialY, 3);
    m_report->setValue(1);

    // The files come first: the keyboard's values, read next, must be the
    // last ones written into the image.
    const std::vector<FileNotice> fileNotices = loadStartupFiles(m_state, m_paths.dataFolder);
    reportFiles(fileNotices);
    m_history.reset(m_state);
    keyNames();
    setSlidersFromImage();

    // Input codes arrive on a thread of the session's; they are handed to the
    // window through the application's queue, so that a code still under way
    // when the window goes away finds it gone instead of reaching freed memory.
    const QPointer<CTarvinDlg> self(this);
    m_session.setInputCallback([self](uint8_t code) {
        QMetaObject::invokeMethod(
            qApp,
            [self, code] {
                if (!self) return;
                DeviceInputEvent input(code);
                QCoreApplication::sendEvent(self, &input);
            },
            Qt::QueuedConnection);
    });
    if (m_session.openChannels().deviceBusy) retryWhileDeviceBusy();
    m_connected = m_session.commandOpen();
    if (m_connected) startInitialRead();
    redraw();
}

void CTarvinDlg::retryWhileDeviceBusy() {
    // Another process talks to the keyboard (a vandrelctl this program
    // cannot hear from): the keyboard is taken once it lets go.
    QTimer::singleShot(kDeviceBusyRetryMs, this, [this] {
        if (!m_ended && !m_connected) deviceArrived();
    });
}

bool CTarvinDlg::bothChannelsOpen() const { return m_session.commandOpen() && m_session.listenOpen(); }

CBitSlider* CTarvinDlg::slider(int controlId) const {
    if (controlId == kSpeedSliderId) return m_speed;
    if (controlId == kBrightnessSliderId) return m_brightness;
    return m_report;
}

uint8_t& CTarvinDlg::sliderByte(const CBitSlider* s) {
    if (s == m_speed) return m_state.image.ledSpeed;
    if (s == m_brightness) return m_state.image.ledBrightness;
    return m_state.image.reportRate;
}

void CTarvinDlg::setSlidersFromImage() {
    m_brightness->setValue(m_state.image.ledBrightness);
    m_speed->setValue(m_state.image.ledSpeed);
    m_report->setValue(m_state.image.reportRate);
}

// ---- drawing ------------------------------------------------------------

void CTarvinDlg::redraw() {
    m_plan = m_model.prepareDrawing(m_state.image);
    applySliderPlan();
    update();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

void CTarvinDlg::applySliderPlan() {
    if (m_plan.reportMoved) {
        m_report->setGeometry(kSliderX, m_plan.reportTop, 30, 10);
        m_report->setUpSkin(m_paths.skinFolder());
    }
    m_speed->setVisible(m_plan.speedShown);
    m_brightness->setVisible(m_plan.brightnessShown);
    m_report->setVisible(m_plan.reportShown);
}

SliderView CTarvinDlg::sliderView(CBitSlider* s, bool drawn) {
    SliderView v;
    v.drawn = drawn;
    if (!drawn) return v;
    // Drawing a slider reads its position into the configuration, except
    // while a dialog that may change the configuration runs over the window:
    // its values are the ones to keep, and the sliders follow them after it.
    v.position = s->value();
    if (m_dialogsOpen == 0) {
        uint8_t& byte = sliderByte(s);
        byte = sliderValue(byte, v.position, s->maximum());
    }
    v.rect = s->geometry();
    v.thumbX = s->thumbX();
    v.thumbY = s->thumbY();
    return v;
}

QImage CTarvinDlg::composeFrame() {
    // Composed at the screen's pixel density: skins for it, texts at its resolution.
    m_skins.setDevicePixelRatio(devicePixelRatioF());
    m_renderer.setTextScale(desktopTextScale(QApplication::font()));
    RenderInput in;
    in.model = &m_model;
    in.image = &m_state.image;
    in.reassigned = &m_state.reassigned;
    in.speed = sliderView(m_speed, m_plan.speedDrawn);
    in.brightness = sliderView(m_brightness, m_plan.brightnessDrawn);
    in.report = sliderView(m_report, m_plan.reportDrawn);
    in.webAddress = m_webAddress;
    in.noKeyboard = !m_connected;
    in.busy = m_busy;
    in.progressDone = m_progressDone.load();
    in.progressTotal = m_progressTotal.load();
    in.busyText = m_busyText;
    in.pendingText = pendingText();
    in.legends = &m_legends;
    // The keyboard's focus mark, while the focus is in the window.
    HitRect mark;
    QWidget* focus = focusWidget();
    if (m_model.focusMark(mark) && isActiveWindow() && (focus == this || (focus && focus->parentWidget() == this)))
        in.focusRect = QRect(QPoint(mark.left, mark.top), QPoint(mark.right, mark.bottom));
    m_renderer.compose(m_frame, in);
    return m_frame;
}

void CTarvinDlg::paintEvent(QPaintEvent*) {
    composeFrame();
    QPainter p(this);
    p.drawImage(0, 0, m_frame);
    emit framePainted();
}

void CTarvinDlg::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        m_model.pointerLeft();
        redraw();
    }
}

void CTarvinDlg::closeEvent(QCloseEvent* event) {
    // Closing the window from the window manager (Alt+F4, the task bar) is the
    // close button: the program ends. Merely hiding the window would leave the
    // program running unseen, with nothing to bring it back where the desktop
    // has no notification area. The close the application sends its windows
    // on the way out is let through as it is.
    if (!event->spontaneous()) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    if (m_busy) return;  // no input while a transfer runs
    requestClose();
}

void CTarvinDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_warningsWhenShown.isEmpty()) return;
    QTimer::singleShot(0, this, [this] {
        const QStringList pending = std::exchange(m_warningsWhenShown, {});
        for (int i = 0; i + 1 < pending.size(); i += 2)
            if (m_hooks.warn) m_hooks.warn(this, pending[i], pending[i + 1]);
    });
}

void CTarvinDlg::warnWhenShown(const QString& caption, const QString& text) {
    if (isVisible()) {
        if (m_hooks.warn) m_hooks.warn(this, caption, text);
        return;
    }
    m_warningsWhenShown << caption << text;
}

// ---- events ---------------------------------------------------------------

bool CTarvinDlg::event(QEvent* event) {
    switch (static_cast<int>(event->type())) {
    case kSliderChangedEvent:
        onSliderChanged(static_cast<SliderChangedEvent*>(event)->controlId());
        return true;
    case kDeviceRefreshEvent:
        onDeviceRefresh(*static_cast<DeviceRefreshEvent*>(event));
        return true;
    case kDeviceInputEvent:
        if (m_hooks.launchKey) m_hooks.launchKey(static_cast<DeviceInputEvent*>(event)->code());
        return true;
    default:
        return QWidget::event(event);
    }
}

void CTarvinDlg::onSliderChanged(int controlId) {
    CBitSlider* s = slider(controlId);
    if (!s) return;
    int& last = s == m_speed ? m_lastDrawnSpeed : s == m_brightness ? m_lastDrawnBrightness : m_lastDrawnReport;
    if (s->value() == last) return;
    uint8_t& byte = sliderByte(s);
    byte = sliderValue(byte, s->value(), s->maximum());
    update(s->geometry().adjusted(-2, -2, 2, 2));
    update(kPendingLineRect);
    last = s->value();
    m_sliderRest->start();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

void CTarvinDlg::onDeviceRefresh(DeviceRefreshEvent& event) {
    const bool fromKeyboard = event.source() == DeviceRefreshEvent::FromKeyboard;
    // After a read that broke off the firmware version is not known for this
    // connection: no update is offered on the strength of an older answer.
    const bool readOk = event.outcome == TransferOutcome::Completed;
    // A start-up read that broke off leaves the image with what keymap.bin held.
    if (event.carriesRead && readOk) {
        acceptInitialRead(m_state, event.read, event.firmware);
        reconcileKeyRecords();
    }
    if (event.carriesRead) m_configurationKnown = readOk;
    setSlidersFromImage();
    DeriveReassignedFlags(m_state.image, m_state.keys, m_state.reassigned);
    if (fromKeyboard && m_connected) m_session.getLighting(m_state.image);
    setSlidersFromImage();
    reportFile(saveKeymap(m_state, m_paths.dataFolder));
    // What the keyboard reports is no edit of the user's; a loaded profile is.
    if (fromKeyboard) m_history.rebase(m_state);
    else recordChange(true);
    redraw();
    if (fromKeyboard) {
        emit refreshed();
        if (readOk && m_hooks.offerUpdate) m_hooks.offerUpdate(this, m_state.appVersion, m_state.firmware);
    }
}

void CTarvinDlg::reconcileKeyRecords() {
    // Records kept from a run that ended without its close (killed, a crash)
    // or of changes the keyboard came back without: the keyboard decides.
    const std::vector<int> differed = ReconcileKeyRecords(m_state.shadow, m_state.keys);
    ReconcileKeyRecords(m_state.shadow, m_state.shadowKeys);
    if (differed.empty()) return;
    QStringList keys;
    for (int slot : differed) keys << QString::fromStdString(keyReaderName(slot, m_keyNames, modelLookup()));
    warnWhenShown(tr("按键设置"), tr("键盘上 %1 的设置与这台电脑记录的不同。窗口现在显示键盘上的设置。")
                                      .arg(keys.join(tr("、"))));
}

void CTarvinDlg::reportFile(const FileWrite& write) {
    if (write.notice) reportFiles({*write.notice});
}

void CTarvinDlg::reportFiles(const std::vector<FileNotice>& notices) {
    if (!m_hooks.warn) return;
    for (const FileNotice& n : notices) {
        const QString caption = n.kind == FileNotice::Kind::Unreadable ? tr("读取文件") : tr("保存文件");
        m_hooks.warn(this, caption, QString::fromStdString(fileNoticeText(n, modelLookup())));
    }
}

// ---- input ----------------------------------------------------------------

void CTarvinDlg::mousePressEvent(QMouseEvent* event) {
    if (m_busy || event->button() != Qt::LeftButton) return;
    m_model.hideFocusMark();
    const QPoint pos = event->position().toPoint();
    m_model.leftButtonDown(pos.x(), pos.y(), m_state.image);
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    redraw();  // the pressed button shows it
}

void CTarvinDlg::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    m_model.pointerLeft();
    redraw();
}

void CTarvinDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (m_busy || event->button() != Qt::LeftButton) return;
    if (m_manualDrag) {
        m_manualDrag = false;
        return;
    }
    const QPoint pos = event->position().toPoint();
    const ClickResult click = m_model.leftButtonUp(pos.x(), pos.y(), m_state.image);
    runCommand(click);
    recordChange();
    redraw();
}

void CTarvinDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_busy) return;
    const bool held = event->buttons() & Qt::LeftButton;
    if (m_manualDrag) {
        if (held) {
            move(event->globalPosition().toPoint() - m_dragOffset);
            return;
        }
        m_manualDrag = false;
    }
    const QPoint pos = event->position().toPoint();
    const MoveResult r = m_model.mouseMove(pos.x(), pos.y(), held, m_state.image);
    if (r.startDrag) {
        // The window system moves the window where it can; elsewhere it
        // follows the mouse until the button is released.
        const bool systemMove = windowHandle() && windowHandle()->startSystemMove();
        if (!systemMove) m_manualDrag = true;
    }
    if (r.redraw) redraw();
}

void CTarvinDlg::keyPressEvent(QKeyEvent* event) {
    if (!m_busy && event->matches(QKeySequence::Undo)) {
        undo();
        return;
    }
    // Ctrl+S saves as the Save button does, whichever control has the focus.
    if (!m_busy && event->matches(QKeySequence::Save)) {
        ClickResult click;
        click.command = WindowCommand::Save;
        runCommand(click);
        return;
    }
    const bool ctrlY = event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier;
    if (!m_busy && (event->matches(QKeySequence::Redo) || ctrlY)) {
        redo();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (!m_busy && mods == Qt::NoModifier) {
        std::optional<NavKey> key;
        switch (event->key()) {
        case Qt::Key_Left: key = NavKey::Left; break;
        case Qt::Key_Right: key = NavKey::Right; break;
        case Qt::Key_Up: key = NavKey::Up; break;
        case Qt::Key_Down: key = NavKey::Down; break;
        case Qt::Key_Home: key = NavKey::Home; break;
        case Qt::Key_End: key = NavKey::End; break;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter: key = NavKey::Activate; break;
        case Qt::Key_Escape: key = NavKey::Escape; break;
        default: break;
        }
        if (key && navigate(*key)) {
            event->accept();
            return;
        }
    }
    // Enter, Esc and F1 neither close the window nor ask for help.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_F1:
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool CTarvinDlg::focusNextPrevChild(bool next) {
    // Tab and Shift+Tab walk the window's elements, the sliders among them;
    // nothing else of the window takes the focus.
    if (!m_busy) navigate(next ? NavKey::Tab : NavKey::BackTab);
    return true;
}

bool CTarvinDlg::navigate(NavKey key) {
    // A slider that has the focus (it may have been clicked) is where Tab goes on from.
    if (QWidget* focus = focusWidget(); focus && focus != this)
        for (int id : {kSpeedSliderId, kBrightnessSliderId, kReportSliderId})
            if (slider(id) == focus) m_model.setFocus(id, m_model.focus().visible);
    const NavResult r = m_model.navigate(key, uiElements(), m_state.image);
    if (!r.handled && !r.focusMoved) return false;
    followFocus();
    if (r.click.command != WindowCommand::None) runCommand(r.click);
    recordChange();
    redraw();
    return r.handled;
}

void CTarvinDlg::followFocus() {
    const int id = m_model.focus().id;
    if (id == kSpeedSliderId || id == kBrightnessSliderId || id == kReportSliderId) {
        CBitSlider* s = slider(id);
        if (s->isVisible()) {
            s->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    if (focusWidget() != this) setFocus(Qt::TabFocusReason);
}

void CTarvinDlg::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    // Back from a dialog, the reader hears which element has the focus, and
    // what it says now (a key just reassigned says so).
    announceAccessibleFocus(this);
    update();
}

UiElements CTarvinDlg::uiElements() const {
    MainWindowView v;
    v.image = &m_state.image;
    v.keys = &m_state.keys;
    v.reassigned = &m_state.reassigned;
    v.macros = &m_state.macros;
    v.names = &m_keyNames;
    v.pendingText = pendingText().toStdString();
    v.noKeyboard = !m_connected;
    v.busy = m_busy;
    v.busyText = m_busyText.toStdString();
    v.webAddress = m_webAddress.toStdString();
    v.versionText = RenderInput().versionText.toStdString();
    return m_model.elements(v, modelLookup());
}

void CTarvinDlg::focusElement(int id) {
    m_model.setFocus(id, true);
    followFocus();
    redraw();
}

void CTarvinDlg::activateElement(int id) {
    if (m_busy) return;
    m_model.setFocus(id, m_model.focus().visible);
    followFocus();
    runCommand(m_model.activate(id, m_state.image));
    recordChange();
    redraw();
}

QWidget* CTarvinDlg::elementControl(int id) const {
    if (id == kSpeedSliderId || id == kBrightnessSliderId || id == kReportSliderId) return slider(id);
    return nullptr;
}

void CTarvinDlg::runCommand(const ClickResult& click) {
    switch (click.command) {
    case WindowCommand::None: break;
    case WindowCommand::OpenWebSite:
        if (m_hooks.openWebSite) m_hooks.openWebSite();
        break;
    case WindowCommand::StartUpdater:
        if (m_hooks.startUpdater) m_hooks.startUpdater();
        break;
    case WindowCommand::Hide: minimise(); break;
    case WindowCommand::Close: requestClose(); break;
    case WindowCommand::MacroManager: runMacroManager(); break;
    case WindowCommand::Profiles: runProfiles(); break;
    case WindowCommand::FactoryReset: factoryReset(); break;
    case WindowCommand::Cancel: cancel(); break;
    case WindowCommand::Save: save(); break;
    case WindowCommand::EditKey: editKey(click.arg); break;
    case WindowCommand::PickPaletteColour: pickPaletteColour(click.arg); break;
    case WindowCommand::PaintKey: paintKey(click.arg); break;
    }
}

// ---- commands ---------------------------------------------------------------

void CTarvinDlg::save(std::function<void(const WriteResult&)> done) {
    // A switch that follows the focus would fill the history with the same
    // two configurations.
    const std::error_code snapshotWhy = m_switchingSave ? std::error_code() : keepSnapshotBeforeSave();
    m_switchingSave = false;
    DeviceImage image = m_state.image;
    ShadowImage shadow = m_state.shadow;
    const bool verify = m_verifySaves;
    runInBackground(tr("正在保存设置…"), [this, image, shadow, verify, done, snapshotWhy]() mutable -> Continuation {
        const WriteProgress progress = [this](int done, int total) { reportProgress(done, total); };
        ReadBackResult check;
        const WriteResult result =
            verify ? m_session.writeAllVerified(image, shadow, check, progress) : m_session.writeAll(image, shadow, progress);
        return [this, image, result, check, done, snapshotWhy]() {
            const FileWrite file = finishSave(m_state, image, result, m_paths.dataFolder);
            if (result.ok()) rememberGameMode(image.gameMode);
            // The lock applied to the key mask is part of the save, not an edit.
            m_history.rebase(m_state);
            m_lastSave = result;
            m_lastSaveCheck = check;
            ++m_savesFinished;
            // The answer goes out first: a warning box would hold it back.
            if (done) done(result);
            if (!result.ok() && m_hooks.warn) {
                const std::string checkText = saveCheckText(result, check, modelLookup());
                m_hooks.warn(this, tr("保存"),
                             checkText.empty() ? failureText(result.outcome, QT_TR_NOOP("设置未保存！"))
                                               : QString::fromStdString(checkText));
            }
            reportFile(file);
            if (snapshotWhy) reportHistoryNotKept(snapshotWhy);
            // Save was the answer to closing: the program ends once it completed.
            if (std::exchange(m_closeAfterSave, false) && result.ok()) endProgram();
        };
    });
}

std::error_code CTarvinDlg::keepSnapshotBeforeSave() {
    SnapshotStore store(snapshotFolder(m_paths.dataFolder));
    std::error_code why;
    vandrel::keepSnapshotBeforeSave(m_state, m_state.savedMacros, store, QDateTime::currentMSecsSinceEpoch(), &why);
    return why;
}

std::error_code CTarvinDlg::keepSnapshot(const Snapshot& snapshot) {
    SnapshotStore store(snapshotFolder(m_paths.dataFolder));
    std::error_code why;
    store.keep(snapshot, QDateTime::currentMSecsSinceEpoch(), &why);
    return why;
}

void CTarvinDlg::rememberGameMode(uint8_t gameMode) {
    const GameModeMemory memory(m_paths.dataFolder);
    std::error_code why;
    if (!memory.remember(gameMode, &why)) reportFiles({{FileNotice::Kind::NotSaved, memory.file(), why}});
}

void CTarvinDlg::reportHistoryNotKept(const std::error_code& why) {
    const FileNotice notice{FileNotice::Kind::HistoryNotKept, snapshotFolder(m_paths.dataFolder), why};
    std::cerr << "Vandrel: " << fileNoticeText(notice, modelLookup()) << std::endl;
    reportFiles({notice});
}

void CTarvinDlg::saveExternalChange(const std::function<void(AppState&)>& change,
                                    std::function<void(const WriteResult&)> done) {
    change(m_state);
    // The sliders carry the new values, or the next drawing would put the old
    // positions back into the configuration.
    setSlidersFromImage();
    DeriveReassignedFlags(m_state.image, m_state.keys, m_state.reassigned);
    recordChange();
    redraw();
    save(std::move(done));
}

void CTarvinDlg::switchConfiguration(const DeviceImage& image, const KeyRecordTable& keys,
                                     std::function<void(const WriteResult&)> done) {
    const uint8_t effect = m_state.image.ledEffect;
    m_state.image = image;
    m_state.keys = keys;
    setSlidersFromImage();
    DeriveReassignedFlags(m_state.image, m_state.keys, m_state.reassigned);
    if (m_state.image.ledEffect != effect) m_model.followEffect(m_state.image);
    m_history.rebase(m_state);
    redraw();
    m_switchingSave = true;
    save(std::move(done));
}

bool CTarvinDlg::hasUnsavedChanges() const {
    DeviceImage image = m_state.image;
    applyWinLock(image);
    return compareImages(image, m_state.shadow).any() || !(m_state.keys == m_state.shadowKeys) ||
           macrosUnsaved(m_state);
}

void CTarvinDlg::cancel() {
    hideWindow();
    reportFile(restoreShadowCopies(m_state, m_model, m_paths.dataFolder));
    // The macros are part of what Cancel drops.
    if (const auto notice = restoreSavedMacros(m_state, m_paths.dataFolder)) reportFiles({*notice});
    // The sliders show the restored values; otherwise the next drawing would
    // put the discarded positions back into the configuration.
    setSlidersFromImage();
}

void CTarvinDlg::factoryReset() {
    if (!m_hooks.confirmFactoryReset || !m_hooks.confirmFactoryReset(this)) return;
    m_model.resetPanel();
    // What the keyboard holds goes to the history first.
    const std::error_code snapshotWhy =
        m_connected ? keepSnapshot(*keyboardSnapshot(m_state, m_state.savedMacros)) : std::error_code();
    DeviceImage image = m_state.image;
    runInBackground(tr("正在恢复出厂设置…"), [this, image, snapshotWhy]() mutable -> Continuation {
        TransferOutcome outcome = m_session.factoryReset();
        if (outcome == TransferOutcome::Completed) outcome = m_session.readAll(image);
        return [this, image, outcome, snapshotWhy]() {
            if (snapshotWhy) reportHistoryNotKept(snapshotWhy);
            if (outcome != TransferOutcome::Completed) {
                if (m_hooks.warn) m_hooks.warn(this, tr("出厂设置"), failureText(outcome, QT_TR_NOOP("未能恢复出厂设置！")));
                return;
            }
            m_state.image = image;
            setSlidersFromImage();
            reportFile(finishFactoryReset(m_state, m_model, image, m_paths.dataFolder));
            rememberGameMode(image.gameMode);
            // Undoing a factory reset brings the earlier settings back as unsaved changes.
            recordChange();
        };
    });
}

void CTarvinDlg::requestClose() {
    if (m_busy || m_ended) return;
    // Unsaved means unsaved against a configuration read from the keyboard.
    if (configurationKnown() && hasUnsavedChanges() && m_hooks.askBeforeClose) {
        switch (m_hooks.askBeforeClose(this, pendingText())) {
        case CloseChoice::Cancel: return;
        case CloseChoice::Save:
            m_closeAfterSave = true;
            save();
            return;
        case CloseChoice::Discard: break;
        }
        if (m_ended) return;  // the program was ended while the question was open
    }
    endProgram();
}

void CTarvinDlg::endWithoutAsking() {
    if (m_ended) return;
    // Nobody is there to answer a message box any more: what would be said
    // goes to stderr.
    m_hooks.warn = [](QWidget*, const QString& caption, const QString& text) {
        std::cerr << "Vandrel: " << caption.toStdString() << ": " << text.toStdString() << std::endl;
    };
    m_hooks.offerUpdate = {};
    m_hooks.askBeforeClose = {};
    m_warningsWhenShown.clear();
    if (m_busy) {
        m_endWhenIdle = true;
        return;
    }
    endProgram();
}

void CTarvinDlg::endProgram() {
    if (m_ended) return;
    m_ended = true;
    hide();
    reportFile(saveShadowOnClose(m_state, m_paths.dataFolder));
    // Macros the keyboard never got go with the other unsaved changes, so
    // the next start shows what the keyboard plays.
    if (const auto notice = restoreSavedMacros(m_state, m_paths.dataFolder)) reportFiles({*notice});
    emit exitRequested();
}

void CTarvinDlg::finishBeforeQuit() {
    endWithoutAsking();
    // A transfer under way finishes first, so that keymap.bin gets what it
    // left on the keyboard.
    waitWhileBusy();
}

void CTarvinDlg::hideWindow() {
    if (m_hooks.hideWindow) m_hooks.hideWindow(this);
    else hide();
}

void CTarvinDlg::minimise() {
    if (!m_hooks.hideWindow) {
        hide();
        return;
    }
    // Where the desktop has no notification area the task bar keeps the
    // window instead.
    if (!m_hooks.hideWindow(this)) showMinimized();
}

void CTarvinDlg::editKey(int slot) {
    // The key-map dialog runs here; without it a key click opens nothing.
    if (!m_hooks.runKeyMapDialog) return;
    KeyEditTarget target;
    target.slot = slot;
    target.homeVk = SlotHomeVk[slot];
    target.usage = keyNames().usage(target.homeVk);
    reloadRecordsForKeyEdit(m_state, m_paths.dataFolder);
    // OK hands over the key's record as the dialog's page switches left it
    // (emptied); whatever does not end in an applied assignment puts the
    // record back, so that no later save stores the emptied one.
    const KeyRecord before = m_state.keys[slot];
    AssignmentRequest request;
    request.slot = static_cast<uint8_t>(slot);
    if (!m_hooks.runKeyMapDialog(this, target, request)) {
        m_state.keys[slot] = before;
        return;
    }
    // Each save of the assignment reports its own failure; a kept file counts
    // as saved, since the user has been told at start that it stays as it is.
    const KeymapSaver saver = [this](const DeviceImage& image, const KeyRecordTable& keys) {
        const FileWrite w = saveKeymap(m_state, m_paths.dataFolder, image, keys);
        reportFile(w);
        return w.written || !w.notice;
    };
    const AssignResult result = CommitKeyAssignment(request, m_state.image, m_state.keys, m_state.reassigned, saver,
                                                    MacroSlotSyncFor(m_state.macros));
    if (result == AssignResult::PathTooLong || result == AssignResult::NoSuchKey) m_state.keys[slot] = before;
    // A path the record cannot hold is refused whole rather than cut: say so.
    if (result == AssignResult::PathTooLong && m_hooks.warn)
        m_hooks.warn(this, tr("按键设置"), tr("路径太长，按键未改变。"));
}

void CTarvinDlg::pickPaletteColour(int entry) {
    if (!m_hooks.pickColour) return;
    const uint8_t* rgb = m_state.image.ledPalette[entry];
    if (const auto c = m_hooks.pickColour(this, QColor(rgb[0], rgb[1], rgb[2])))
        m_model.setPaletteColour(entry, static_cast<uint8_t>(c->red()), static_cast<uint8_t>(c->green()),
                                 static_cast<uint8_t>(c->blue()), m_state.image);
}

void CTarvinDlg::paintKey(int slot) {
    if (!m_hooks.pickColour) return;
    const int map = diyMapIndex(m_state.image.ledEffect);
    if (map < 0) return;
    const uint8_t* cell = m_state.image.diyMaps[map] + SlotCellOffset[slot];
    if (const auto c = m_hooks.pickColour(this, QColor(cell[1], cell[2], cell[3])))
        m_model.setKeyColour(slot, static_cast<uint8_t>(c->red()), static_cast<uint8_t>(c->green()),
                             static_cast<uint8_t>(c->blue()), m_state.image);
}

void CTarvinDlg::runMacroManager() {
    if (!m_hooks.runMacroManager) return;
    const std::optional<MacroRenumbering> moved = m_hooks.runMacroManager(this);
    if (!moved) return;
    // Keys bound to a macro follow it to its new record before the records
    // go to the keyboard's slots; the click that ran the manager records all
    // of it as one undo step.
    followMacroRenumbering(m_state, *moved);
    reportFiles(storeMacrosAfterManager(m_state, m_paths.dataFolder));
}

void CTarvinDlg::runProfiles() {
    if (!m_hooks.runProfileDialog) return;
    const std::unique_ptr<Snapshot> before = editedSnapshot(m_state);
    ++m_dialogsOpen;
    m_hooks.runProfileDialog(this);
    --m_dialogsOpen;
    // A loaded profile's brightness, speed and report rate show at once.
    setSlidersFromImage();
    // A loaded profile replaced the configuration being edited: that one goes
    // to the history.
    if (std::memcmp(&before->image, &m_state.image, sizeof before->image) != 0 ||
        std::memcmp(&before->keys, &m_state.keys, sizeof before->keys) != 0) {
        if (const std::error_code why = keepSnapshot(*before)) reportHistoryNotKept(why);
    }
    // The profile dialog has changed the image and the records in memory:
    // the window reloads from them without asking the keyboard.
    QTimer::singleShot(50, this, [this] {
        DeviceRefreshEvent refresh(DeviceRefreshEvent::FromProfiles);
        QCoreApplication::sendEvent(this, &refresh);
    });
}

// ---- undo, redo and the configuration history ---------------------------

QString CTarvinDlg::pendingText() const {
    // Without a complete read there is no keyboard configuration to compare
    // with, so nothing counts as unsaved (a fresh start without a keyboard
    // would otherwise list the Windows key of the empty image as a change).
    if (!configurationKnown()) return {};
    const QString text = QString::fromStdString(pendingChangesText(m_state.image, m_state.shadow, modelLookup()));
    // Macro names, loop counts and macros past the keyboard's slots change
    // no byte of the image.
    if (text.isEmpty() && macrosUnsaved(m_state)) return tr("未保存：宏");
    return text;
}

void CTarvinDlg::recordChange(bool mergeWithLast) {
    m_sliderRest->stop();
    m_history.record(m_state, mergeWithLast);
}

void CTarvinDlg::undo() {
    if (m_busy) return;
    m_sliderRest->stop();
    const uint8_t effect = m_state.image.ledEffect;
    afterHistoryWrite(m_history.undo(m_state), effect);
}

void CTarvinDlg::redo() {
    if (m_busy) return;
    m_sliderRest->stop();
    const uint8_t effect = m_state.image.ledEffect;
    afterHistoryWrite(m_history.redo(m_state), effect);
}

void CTarvinDlg::afterHistoryWrite(unsigned parts, uint8_t effectBefore) {
    if (parts == 0) return;
    // The sliders show the configuration; otherwise the next drawing would
    // put their old positions back into it.
    setSlidersFromImage();
    if (m_state.image.ledEffect != effectBefore) m_model.followEffect(m_state.image);
    // Through the same guarded saves as every other change: a data file that
    // could not be read at start is never written over, and a failure is told.
    if (parts & (kPartImage | kPartKeys | kPartMacros)) reportFile(saveKeymap(m_state, m_paths.dataFolder));
    std::error_code why;
    if ((parts & kPartMacros) && !m_state.macroFileKept && !SaveMacroStore(m_state.macros, m_paths.dataFolder, &why))
        reportFiles({{FileNotice::Kind::NotSaved, m_paths.dataFolder / kMacroFileName, why}});
    redraw();
}

void CTarvinDlg::showConfigHistory() {
    if (m_busy) return;
    recordChange();
    SnapshotStore store(snapshotFolder(m_paths.dataFolder));
    CHistoryDlg dialog(m_paths.skinFolder(), historyRows(store, m_state, modelLookup()), this);
    dialog.showFocusMark(keyboardInUse());
    if (execOver(dialog, this) != QDialog::Accepted || !dialog.chosen()) return;
    auto snapshot = std::make_unique<Snapshot>();
    if (!store.load(*dialog.chosen(), *snapshot)) {
        if (m_hooks.warn) m_hooks.warn(this, tr("配置历史"), tr("无法读取这份配置，它可能已被删除。"));
        return;
    }
    // The file may have changed since it was listed.
    if (const std::string problem = snapshotProblem(*snapshot, modelLookup()); !problem.empty()) {
        if (m_hooks.warn) m_hooks.warn(this, tr("配置历史"), QString::fromStdString(problem));
        return;
    }
    const uint8_t effect = m_state.image.ledEffect;
    applySnapshot(m_state, *snapshot, m_paths.dataFolder);
    recordChange();
    afterHistoryWrite(kPartImage | kPartKeys | kPartMacros, effect);
}

void CTarvinDlg::setKeyboardLayout(const KeyboardLayout& layout) {
    m_layout = layout;
    updateLegends();
}

void CTarvinDlg::setLegendsFollowLayout(bool on) {
    if (on == m_legendsFollowLayout) return;
    m_legendsFollowLayout = on;
    updateLegends();
    emit legendsFollowLayoutChanged(on);
}

void CTarvinDlg::updateLegends() {
    std::array<QString, kPhysicalSlots> legends;
    if (m_legendsFollowLayout) {
        const auto typed = layoutSlotLegends(m_layout);
        for (size_t i = 0; i < legends.size(); ++i) legends[i] = QString::fromStdU32String(typed[i]);
    }
    m_keyNames = m_legendsFollowLayout ? layoutKeyNames(m_layout) : keyNames();
    emit keyboardLayoutChanged();
    if (legends == m_legends) return;
    m_legends = legends;
    redraw();
}

void CTarvinDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (m_busy) return;
    QMenu menu(this);
    QAction* undoAction = menu.addAction(tr("撤销(&U)\tCtrl+Z"), this, &CTarvinDlg::undo);
    undoAction->setEnabled(m_history.canUndo() || m_history.record(m_state) != 0);
    QAction* redoAction = menu.addAction(tr("重做(&R)\tCtrl+Shift+Z"), this, &CTarvinDlg::redo);
    redoAction->setEnabled(m_history.canRedo());
    menu.addSeparator();
    menu.addAction(tr("配置历史(&H)…"), this, &CTarvinDlg::showConfigHistory);
    QAction* verify = menu.addAction(tr("保存后校验(&V)"));
    verify->setCheckable(true);
    verify->setChecked(m_verifySaves);
    connect(verify, &QAction::toggled, this, [this](bool on) { setVerifySaves(on); });
    QAction* legends = menu.addAction(tr("按键盘布局标注按键(&L)"));
    legends->setCheckable(true);
    legends->setChecked(m_legendsFollowLayout);
    connect(legends, &QAction::toggled, this, [this](bool on) { setLegendsFollowLayout(on); });
    menu.exec(event->globalPos());
}

// ---- the keyboard ---------------------------------------------------------

void CTarvinDlg::startInitialRead() {
    // A program ended before the keyboard was read (a signal during a
    // start-up message) reads nothing any more.
    if (m_initialReadStarted || m_ended) return;
    m_initialReadStarted = true;
    // The read starts from the image as keymap.bin left it, so the bytes that
    // carry no device data keep the file's contents.
    const DeviceImage seed = m_state.image;
    const bool gameModeOff = GameModeMemory(m_paths.dataFolder).savedOff();
    runInBackground(tr("正在读取键盘设置…"), [this, seed, gameModeOff]() -> Continuation {
        auto refresh = std::make_shared<DeviceRefreshEvent>(DeviceRefreshEvent::FromKeyboard);
        refresh->carriesRead = true;
        refresh->read = seed;
        refresh->outcome = m_session.initialRead(refresh->read, refresh->firmware);
        // The read switched game mode on; the user's saved choice was off.
        if (refresh->outcome == TransferOutcome::Completed && gameModeOff) m_session.restoreGameModeOff(refresh->read);
        return [this, refresh]() { QCoreApplication::sendEvent(this, refresh.get()); };
    });
}

void CTarvinDlg::startReconnectRead(bool sendRefresh) {
    const DeviceImage seed = m_state.image;
    const bool gameModeOff = GameModeMemory(m_paths.dataFolder).savedOff();
    runInBackground(tr("正在读取键盘设置…"), [this, seed, sendRefresh, gameModeOff]() -> Continuation {
        DeviceImage image = seed;
        FirmwareVersion firmware;
        const TransferOutcome outcome = m_session.reconnectRead(image, firmware);
        if (outcome == TransferOutcome::Completed && gameModeOff) m_session.restoreGameModeOff(image);
        return [this, image, firmware, outcome, sendRefresh]() {
            if (outcome == TransferOutcome::Completed) {
                // The keyboard's configuration is known exactly again: it is
                // also what the next save compares against.
                m_state.image = image;
                m_state.shadow = image;
                m_state.firmware = firmware;
                m_configurationKnown = true;
                reconcileKeyRecords();
                setSlidersFromImage();
                m_history.rebase(m_state);
                if (!sendRefresh) reportFile(refreshAfterReload(m_state, m_paths.dataFolder));
            }
            if (sendRefresh) {
                DeviceRefreshEvent refresh(DeviceRefreshEvent::FromKeyboard);
                refresh.outcome = outcome;
                QCoreApplication::sendEvent(this, &refresh);
            }
        };
    });
}

void CTarvinDlg::deviceArrived() {
    // The device monitor reports an arrival only after the keyboard has had its
    // two seconds to settle, so the channels can be opened at once. An arrival
    // during a save or a read is handled as soon as that transfer ends.
    if (m_busy) {
        m_arrivalPending = true;
        return;
    }
    m_arrivalPending = false;
    const OpenResult opened = m_session.openChannels();
    if (opened.deviceBusy) retryWhileDeviceBusy();
    m_connected = m_session.commandOpen();
    if (opened.commandOpened) {
        // A keyboard that was absent at start has never been read.
        if (!m_initialReadStarted) startInitialRead();
        else startReconnectRead(opened.listenOpened);
    } else if (opened.listenOpened) {
        DeviceRefreshEvent refresh(DeviceRefreshEvent::FromKeyboard);
        QCoreApplication::sendEvent(this, &refresh);
    }
    redraw();
}

void CTarvinDlg::deviceRemoved() {
    m_session.closeChannels();
    m_connected = false;
    m_configurationKnown = false;
    redraw();
}

void CTarvinDlg::shutDown() {
    m_session.setInputCallback({});
    if (m_worker.joinable()) m_worker.join();
    m_session.closeChannels();
    m_connected = false;
}

// ---- work off the window thread -----------------------------------------

void CTarvinDlg::runInBackground(const QString& text, std::function<Continuation()> job) {
    if (m_worker.joinable()) m_worker.join();
    m_busy = true;
    m_busyText = text;
    m_progressDone = 0;
    m_progressTotal = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (CBitSlider* s : {m_speed, m_brightness, m_report}) s->setEnabled(false);
    redraw();
    m_worker = std::thread([this, job = std::move(job)] {
        Continuation then = job();
        QMetaObject::invokeMethod(this, [this, then] { finishBackground(then); }, Qt::QueuedConnection);
    });
}

void CTarvinDlg::finishBackground(const Continuation& then) {
    if (m_worker.joinable()) m_worker.join();
    m_busy = false;
    m_busyText.clear();
    for (CBitSlider* s : {m_speed, m_brightness, m_report}) s->setEnabled(true);
    QApplication::restoreOverrideCursor();
    // Every change of what the keyboard holds ends a transfer: compare around it.
    const auto shadowBefore = std::make_unique<std::pair<ShadowImage, ShadowKeyRecords>>(m_state.shadow, m_state.shadowKeys);
    const bool knownBefore = configurationKnown();
    if (then) then();
    const bool changed = !(shadowBefore->first == m_state.shadow) || !(shadowBefore->second == m_state.shadowKeys);
    if (configurationKnown() && (changed || !knownBefore)) emit keyboardConfigurationChanged();
    redraw();
    if (m_endWhenIdle && !m_busy) {
        m_endWhenIdle = false;
        endProgram();
        return;
    }
    if (m_arrivalPending && !m_busy) deviceArrived();
}

void CTarvinDlg::reportProgress(int done, int total) {
    m_progressDone = done;
    m_progressTotal = total;
    QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
}

void CTarvinDlg::waitWhileBusy() {
    while (m_busy) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (m_busy) QThread::msleep(1);
    }
}

}  // namespace vandrel
