#include "app/ui/CTarvinDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <iostream>
#include <utility>

#include "app/draw/ModelText.h"
#include "app/draw/SkinText.h"
#include "theme/SkinFile.h"
#include "app/model/ConfigHistory.h"
#include "app/model/KeyDescription.h"
#include "app/ui/CHistoryDlg.h"
#include "app/ui/NavKeys.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include "controls/CBitSlider.h"
#include "device/DeviceSession.h"
#include "keys/KeyNameTable.h"
#include "layout/KeyLegends.h"
#include "platform/DialogPlacement.h"

namespace vandrel {

namespace {

// What the bottom line covers: redrawn when a slider changes what is unsaved.
const QRect kPendingLineRect(96, 606, 700, 28);

}  // namespace

CTarvinDlg::CTarvinDlg(ConfigurationService& service, WindowPaths paths, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_service(service),
      m_state(service.state()),
      m_paths(std::move(paths)),
      m_skins(m_paths.skinFolder()),
      m_renderer(m_skins),
      m_sliders(this, m_paths.skinFolder()) {
    setUp();
}

CTarvinDlg::CTarvinDlg(AppState& state, DeviceSession& session, WindowPaths paths, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_ownService(std::make_unique<ConfigurationService>(
          state, session,
          ConfigurationService::Paths{paths.dataFolder,
                                      paths.profileFolder.empty() ? paths.dataFolder / "Configure" : paths.profileFolder})),
      m_service(*m_ownService),
      m_state(state),
      m_paths(std::move(paths)),
      m_skins(m_paths.skinFolder()),
      m_renderer(m_skins),
      m_sliders(this, m_paths.skinFolder()) {
    setUp();
}

void CTarvinDlg::setUp() {
    m_skins.setOverlay(m_paths.skinOverlay());
    setWindowTitle(QStringLiteral("Vandrel"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);


    ConfigurationService* service = &m_service;
    // Requests from elsewhere wait for a dialog of the window's to close.
    m_service.setEditorOpenCheck([] { return QApplication::activeModalWidget() != nullptr; });
    connect(service, &ConfigurationService::workingCopyReplaced, this, &CTarvinDlg::onWorkingCopyReplaced);
    connect(service, &ConfigurationService::busyChanged, this, &CTarvinDlg::onBusyChanged);
    connect(service, &ConfigurationService::progressChanged, this, [this] { update(); });
    connect(service, &ConfigurationService::connectionChanged, this, &CTarvinDlg::redraw);
    connect(service, &ConfigurationService::warning, this, [this](const QString& caption, const QString& text) {
        if (m_hooks.warn) m_hooks.warn(this, caption, text);
    });
    connect(service, &ConfigurationService::recordsReconciled, this, &CTarvinDlg::onRecordsReconciled);
    connect(service, &ConfigurationService::refreshed, this, &CTarvinDlg::onRefreshed);
    connect(service, &ConfigurationService::keyboardConfigurationChanged, this,
            &CTarvinDlg::keyboardConfigurationChanged);
    connect(service, &ConfigurationService::verifySavesChanged, this, &CTarvinDlg::verifySavesChanged);
    connect(service, &ConfigurationService::lightsKeptChanged, this, [this] { update(); });
    connect(service, &ConfigurationService::launchKeyPressed, this, [this](uint8_t code) {
        if (m_hooks.launchKey) m_hooks.launchKey(code);
    });
    connect(service, &ConfigurationService::endedSignal, this, &CTarvinDlg::onEnded);

    m_sliderRest = new QTimer(this);
    m_sliderRest->setSingleShot(true);
    m_sliderRest->setInterval(400);
    connect(m_sliderRest, &QTimer::timeout, this, [this] { recordChange(); });

    m_hooks = standardWindowHooks();
}

CTarvinDlg::~CTarvinDlg() {
    m_service.disconnect(this);
    if (m_ownService) m_service.shutDown();
    if (m_waitCursor) QApplication::restoreOverrideCursor();
}

void CTarvinDlg::initialise() {
    setWindowIcon(loadSkinIcon(m_paths.skinFolder() + QStringLiteral("/icon150.png")));

    m_state.appVersion = loadAppVersion(std::filesystem::path(m_paths.programFolder.toStdU16String()) / kVersionFileName);
    setFixedSize(m_renderer.windowSize());

    m_sliders.setUp(afterBrightnessSetUp);

    m_service.loadFiles();
    keyNames();
    setSlidersFromImage();

    m_service.connectKeyboard();
    redraw();
}

CBitSlider* CTarvinDlg::slider(int controlId) const { return m_sliders.slider(controlId); }

void CTarvinDlg::setSlidersFromImage() { m_sliders.setFromImage(m_state.image); }

// ---- drawing ------------------------------------------------------------

void CTarvinDlg::redraw() {
    m_plan = m_model.prepareDrawing(m_state.image);
    m_sliders.applyPlan(m_plan);
    update();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

SliderView CTarvinDlg::sliderView(int controlId, bool drawn) {
    // Drawing a slider reads its position into the configuration, except
    // while a dialog that may change the configuration runs over the window:
    // its values are the ones to keep, and the sliders follow them after it.
    return m_sliders.view(controlId, drawn, m_dialogsOpen == 0 ? &m_state.image : nullptr);
}

QImage CTarvinDlg::composeFrame(const QRect& area) {
    // Composed at the screen's pixel density: skins for it, texts at its resolution.
    m_skins.setDevicePixelRatio(devicePixelRatioF());
    m_renderer.setTextScale(desktopTextScale(QApplication::font()));
    RenderInput in;
    in.model = &m_model;
    in.image = &m_state.image;
    in.reassigned = &m_state.reassigned;
    in.speed = sliderView(kSpeedSliderId, m_plan.speedDrawn);
    in.brightness = sliderView(kBrightnessSliderId, m_plan.brightnessDrawn);
    in.report = sliderView(kReportSliderId, m_plan.reportDrawn);
    in.webAddress = m_webAddress;
    in.noKeyboard = !m_service.connected();
    in.busy = m_service.busy();
    in.progressDone = m_service.progressDone();
    in.progressTotal = m_service.progressTotal();
    in.busyText = m_service.busyText();
    in.pendingText = bottomLineText();
    in.legends = &m_legends;
    // The keyboard's focus mark, while the focus is in the window.
    HitRect mark;
    QWidget* focus = focusWidget();
    if (m_model.focusMark(mark) && isActiveWindow() && (focus == this || (focus && focus->parentWidget() == this)))
        in.focusRect = QRect(QPoint(mark.left, mark.top), QPoint(mark.right, mark.bottom));
    in.clip = area;
    m_renderer.compose(m_frame, in);
    return m_frame;
}

void CTarvinDlg::paintEvent(QPaintEvent* event) {
    // A few keys painted: only their area is composed again and shown.
    const QRect area = event->rect();
    composeFrame(area == rect() ? QRect() : area);
    QPainter p(this);
    p.setClipRect(area);
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
    if (m_service.busy()) return;  // no input while a transfer runs
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
    default:
        return QWidget::event(event);
    }
}

void CTarvinDlg::onSliderChanged(int controlId) {
    if (!WindowSliders::isSliderId(controlId) || !m_sliders.moved(controlId, m_state.image)) return;
    update(slider(controlId)->geometry().adjusted(-2, -2, 2, 2));
    update(kPendingLineRect);
    m_sliderRest->start();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

QString CTarvinDlg::bottomLineText() const {
    // While the session is away the keyboard shows less than its saved
    // lighting; the line says so when nothing is unsaved.
    // The write limit may have kept them up instead.
    const QString pending = pendingText();
    if (!pending.isEmpty()) return pending;
    if (m_service.shownLighting()) return lightsDownText();
    if (!m_service.lightsKeptWhy().empty()) return lightsKeptText();
    return {};
}

QString CTarvinDlg::lightsDownText() { return tr("灯光随会话调暗或关闭，会话回来时恢复"); }

QString CTarvinDlg::lightsKeptText() { return tr("键盘写入次数已达上限：会话离开时灯光保持不变"); }

// ---- what the service reports ---------------------------------------------

void CTarvinDlg::onWorkingCopyReplaced(int effectBefore, bool panelReset) {
    // The sliders show the configuration; otherwise the next drawing would
    // put their old positions back into it.
    setSlidersFromImage();
    if (panelReset) m_model.resetPanel();
    else if (effectBefore < 0 || m_state.image.ledEffect != effectBefore) m_model.followEffect(m_state.image);
    redraw();
}

void CTarvinDlg::onBusyChanged(bool busy) {
    if (busy != m_waitCursor) {
        m_waitCursor = busy;
        if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
        else QApplication::restoreOverrideCursor();
    }
    m_sliders.setEnabled(!busy);
    redraw();
}

void CTarvinDlg::onRecordsReconciled(const std::vector<int>& keySlots) {
    QStringList keys;
    for (int slot : keySlots) keys << QString::fromStdString(keyReaderName(slot, m_keyNames, modelLookup()));
    warnWhenShown(tr("按键设置"), tr("键盘上 %1 的设置与这台电脑记录的不同。窗口现在显示键盘上的设置。")
                                      .arg(keys.join(tr("、"))));
}

void CTarvinDlg::onRefreshed(bool firmwareKnown) {
    emit refreshed();
    if (firmwareKnown && m_hooks.offerUpdate) m_hooks.offerUpdate(this, m_state.appVersion, m_state.firmware);
}

void CTarvinDlg::onEnded() {
    hide();
    emit exitRequested();
}

// ---- input ----------------------------------------------------------------

void CTarvinDlg::mousePressEvent(QMouseEvent* event) {
    m_diyTookMenu = false;
    if (m_service.busy() || diyPress(event) || event->button() != Qt::LeftButton) return;
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
    if (m_service.busy() || event->button() != Qt::LeftButton) return;
    if (m_model.diy().active()) {
        // A stroke, a selection or a tool ends: at most one undo step.
        const QPoint pos = event->position().toPoint();
        applyDiy(m_model.diy().release(pos.x(), pos.y(), m_state.image, !m_model.panel().lightingCollapsed));
        recordChange();
        redraw();
        return;
    }
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
    if (m_service.busy()) return;
    const bool held = event->buttons() & Qt::LeftButton;
    if (m_manualDrag) {
        if (held) {
            move(event->globalPosition().toPoint() - m_dragOffset);
            return;
        }
        m_manualDrag = false;
    }
    const QPoint pos = event->position().toPoint();
    if (m_model.diy().active() && held) applyDiy(m_model.diy().move(pos.x(), pos.y(), m_state.image));
    const MoveResult r = m_model.mouseMove(pos.x(), pos.y(), held, m_state.image);
    if (r.redraw && r.keyHoverOnly && !r.startDrag && m_model.diyMapShown(m_state.image)) {
        // Over the painted keys the frame follows the pointer: only the two
        // keys it leaves and reaches are drawn again.
        if (r.previousKey < kPhysicalSlots) update(keyArea(r.previousKey));
        if (m_model.hoveredKey() < kPhysicalSlots) update(keyArea(m_model.hoveredKey()));
        return;
    }
    if (r.startDrag) {
        // The window system moves the window where it can; elsewhere it
        // follows the mouse until the button is released.
        const bool systemMove = windowHandle() && windowHandle()->startSystemMove();
        if (!systemMove) m_manualDrag = true;
    }
    if (r.redraw) redraw();
}

void CTarvinDlg::keyPressEvent(QKeyEvent* event) {
    if (!m_service.busy() && diyKeyPress(event)) {
        event->accept();
        return;
    }
    if (!m_service.busy() && event->matches(QKeySequence::Undo)) {
        undo();
        return;
    }
    // Ctrl+S saves as the Save button does, whichever control has the focus.
    if (!m_service.busy() && event->matches(QKeySequence::Save)) {
        ClickResult click;
        click.command = WindowCommand::Save;
        runCommand(click);
        return;
    }
    const bool ctrlY = event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier;
    if (!m_service.busy() && (event->matches(QKeySequence::Redo) || ctrlY)) {
        redo();
        return;
    }
    // The window has no default button: Enter presses the focused element.
    if (const std::optional<NavKey> key = navKeyFor(*event, EnterKey::Activates); !m_service.busy() && key && navigate(*key)) {
        event->accept();
        return;
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
    if (!m_service.busy()) navigate(tabNavKey(next));
    return true;
}

bool CTarvinDlg::navigate(NavKey key) {
    // A slider that has the focus (it may have been clicked) is where Tab goes on from.
    if (const int id = m_sliders.idOf(focusWidget()); id >= 0) m_model.setFocus(id, m_model.focus().visible);
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
    v.pendingText = bottomLineText().toStdString();
    v.noKeyboard = !m_service.connected();
    v.busy = m_service.busy();
    v.busyText = m_service.busyText().toStdString();
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
    if (m_service.busy()) return;
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
    case WindowCommand::PickBrushColour: pickDiyColour(false); break;
    case WindowCommand::PickSecondColour: pickDiyColour(true); break;
    case WindowCommand::ImportPicture: importPicture(); break;
    case WindowCommand::ExportPicture: exportPicture(); break;
    }
}

// ---- commands ---------------------------------------------------------------

void CTarvinDlg::save() { m_service.save(); }

void CTarvinDlg::saveExternalChange(const std::function<void(AppState&)>& change,
                                    std::function<void(const WriteResult&)> done) {
    m_service.applyChange(change, [done](const ServiceResult& r) {
        if (done) done(r.write);
    });
}

void CTarvinDlg::cancel() {
    hideWindow();
    m_service.cancel();
}

void CTarvinDlg::factoryReset() {
    if (!m_hooks.confirmFactoryReset || !m_hooks.confirmFactoryReset(this)) return;
    m_model.resetPanel();
    m_service.factoryReset();
}

void CTarvinDlg::requestClose() {
    if (m_service.busy() || m_service.ended()) return;
    // Unsaved means unsaved against a configuration read from the keyboard.
    if (configurationKnown() && hasUnsavedChanges() && m_hooks.askBeforeClose) {
        switch (m_hooks.askBeforeClose(this, pendingText())) {
        case CloseChoice::Cancel: return;
        case CloseChoice::Save:
            // The program ends once the save completed.
            m_service.saveThenEnd();
            return;
        case CloseChoice::Discard: break;
        }
        if (m_service.ended()) return;  // the program was ended while the question was open
    }
    m_service.end();
}

void CTarvinDlg::endWithoutAsking() {
    if (m_service.ended()) return;
    // Nobody is there to answer a message box any more: what would be said
    // goes to stderr.
    m_hooks.warn = [](QWidget*, const QString& caption, const QString& text) {
        std::cerr << "Vandrel: " << caption.toStdString() << ": " << text.toStdString() << std::endl;
    };
    m_hooks.offerUpdate = {};
    m_hooks.askBeforeClose = {};
    m_warningsWhenShown.clear();
    m_service.endWhenIdle();
}

void CTarvinDlg::finishBeforeQuit() {
    endWithoutAsking();
    // A transfer under way finishes first, so that keymap.bin gets what it
    // left on the keyboard.
    m_service.finishNow();
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

// ---- undo, redo and the configuration history ---------------------------

void CTarvinDlg::recordChange(bool mergeWithLast) {
    m_sliderRest->stop();
    m_service.recordChange(mergeWithLast);
}

void CTarvinDlg::undo() {
    m_sliderRest->stop();
    m_service.undo();
}

void CTarvinDlg::redo() {
    m_sliderRest->stop();
    m_service.redo();
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

}  // namespace vandrel
