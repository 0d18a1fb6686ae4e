#include "controls/CTransparentListBox.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QWheelEvent>

#include "controls/CEditHelper.h"
#include "theme/SkinFile.h"

namespace vandrel {

namespace {

std::u16string u16(const QString& s) { return s.toStdU16String(); }
QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }

// Debugging traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcListBox, "vandrel.listbox", QtWarningMsg)

// Wheel notches scroll this many rows, as a desktop list does by default.
constexpr int kWheelRows = 3;

}  // namespace

CTransparentListBox::CTransparentListBox(QWidget* parent, bool sorted, bool notify, ListBoxModel::Compare compare)
    : QWidget(parent),
      m_model(sorted, notify, std::move(compare)),
      m_owner(parent),
      m_textColor(palette().color(QPalette::WindowText)),
      m_selectedColor(palette().color(QPalette::HighlightedText)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_font = font();
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: #1A1C21; width: 12px; margin: 0px; }"
        "QScrollBar::handle:vertical { background: #4A4F58; min-height: 16px; border-radius: 3px; margin: 1px 2px; }"
        "QScrollBar::handle:vertical:hover { background: #C4161C; }"
        "QScrollBar::add-line, QScrollBar::sub-line { height: 0px; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
    m_scroll->hide();
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int v) {
        // A scroll commits a running edit first, whatever scrolled.
        if (m_editor) endEdit(true);
        if (m_model.setTopRow(v)) update();
    });
}

CTransparentListBox::~CTransparentListBox() = default;

void CTransparentListBox::setListStyle(const QString& face, int height, const QColor& text, const QColor& selected,
                                       bool shadowOn, const QColor& shadow, int shadowOffset) {
    // The height is the text cell's, as a desktop font height is: shrink the
    // em until the cell fits.
    QFont f(face);
    f.setWeight(QFont::Bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    int px = height;
    do {
        f.setPixelSize(qMax(1, px--));
    } while (px > 1 && QFontMetrics(f).height() > height);
    m_font = f;
    m_textColor = text;
    m_selectedColor = selected;
    m_shadowOn = shadowOn;
    m_shadowColor = shadow;
    m_shadowOffset = shadowOffset;
    m_model.setRowHeight(QFontMetrics(m_font).height());
    syncScrollBar();
    update();
}

void CTransparentListBox::setMode(int mode) {
    m_model.setMode(mode);
    m_backgroundValid = false;
    update();
}

void CTransparentListBox::setSkinFolder(const QString& folder) {
    m_skinFolder = folder;
    m_picturesRatio = 0;
    m_backgroundValid = false;
    update();
}

void CTransparentListBox::loadPictures(qreal ratio) {
    if (m_picturesRatio == ratio) return;
    m_picturesRatio = ratio;
    const char* names[] = {"/bmp131.png", "/bmp138.png", "/bmp137.png"};
    for (int i = 0; i < 3; ++i)
        m_pictures[i] = m_skinFolder.isEmpty() ? QImage() : loadSkinImage(m_skinFolder + QLatin1String(names[i]), ratio);
}

void CTransparentListBox::setOwnerBackground(std::function<QImage(const QRect&)> source) {
    m_ownerBackground = std::move(source);
    m_backgroundValid = false;
    update();
}

int CTransparentListBox::addRow(const QString& text, uint32_t value) {
    const int row = m_model.addRow(u16(text), value);
    syncScrollBar();
    update();
    return row;
}

int CTransparentListBox::insertRow(int index, const QString& text, uint32_t value) {
    const int row = m_model.insertRow(index, u16(text), value);
    syncScrollBar();
    update();
    return row;
}

void CTransparentListBox::deleteRow(int row) {
    if (m_editor && m_model.editingRow() == row) endEdit(false);
    m_model.deleteRow(row);
    syncScrollBar();
    update();
}

void CTransparentListBox::clearRows() {
    if (m_editor) endEdit(false);
    m_model.clear();
    syncScrollBar();
    update();
}

void CTransparentListBox::setSelected(int row) {
    m_model.setSelected(row);
    syncScrollBar();
    update();
}

QString CTransparentListBox::rowText(int row) const {
    return row >= 0 && row < m_model.count() ? qs(m_model.text(row)) : QString();
}

void CTransparentListBox::setTopRow(int row) {
    if (m_editor) endEdit(true);
    m_model.setTopRow(row);
    syncScrollBar();
    update();
}

int CTransparentListBox::clientWidth() const { return !m_scroll->isHidden() ? width() - kScrollBarWidth : width(); }

void CTransparentListBox::syncScrollBar() {
    const bool needed = m_model.maxTopRow() > 0;
    m_scroll->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
    if (needed == m_scroll->isHidden()) {
        m_scroll->setVisible(needed);
        m_backgroundValid = false;  // the rows' width changed
    }
    m_model.setClientSize(clientWidth(), height());
    const QSignalBlocker block(m_scroll);
    m_scroll->setRange(0, m_model.maxTopRow());
    m_scroll->setPageStep(m_model.visibleRows());
    m_scroll->setValue(m_model.topRow());
}

void CTransparentListBox::sendMessages() {
    for (const ListMessage& m : m_model.takeMessages()) {
        if (m.id == kListEditBegin) qCDebug(lcListBox).noquote() << QStringLiteral("m_iItemBeingEdited=%1 ").arg(m_model.editingRow());
        if (!m_owner) continue;
        ListMessageEvent e(m);
        QCoreApplication::sendEvent(m_owner, &e);
    }
}

void CTransparentListBox::endEdit(bool commit) {
    if (!m_editor) return;
    const std::u16string text = u16(m_editor->text());
    m_model.endEdit(commit, text);
    // The box is gone before it hides: the focus loss that hiding causes is
    // then not taken for another commit. The list takes the focus back first:
    // hiding the focused box would hand it on as Tab does, and the window
    // would move its own focus (and redraw its rows) before it has heard of
    // the edit.
    CEditHelper* box = m_editor;
    m_editor = nullptr;
    if (box->hasFocus()) setFocus(Qt::OtherFocusReason);
    box->hide();
    box->deleteLater();
    syncScrollBar();
    update();
    sendMessages();
}

bool CTransparentListBox::event(QEvent* event) {
    if (event->type() == InplaceEditDoneEvent::kType) {
        // Only an edit still running is ended; a late notice is ignored.
        if (m_editor && m_model.editing()) endEdit(static_cast<InplaceEditDoneEvent*>(event)->commit());
        return true;
    }
    if (event->type() == kListEditBeginEvent) return true;  // not ours to handle
    return QWidget::event(event);
}

void CTransparentListBox::captureBackground() {
    // Logical size; the picture itself has the screen's pixel density, so
    // that the rows' texts are drawn at the device's resolution.
    const QSize size(qMax(1, clientWidth()), qMax(1, height()));
    const qreal ratio = devicePixelRatioF();
    if (m_model.mode() == kListOwnerBackground && m_ownerBackground) {
        m_background = m_ownerBackground(QRect(pos(), size)).convertToFormat(QImage::Format_RGB32);
    } else {
        const QImage skin = m_skinFolder.isEmpty() ? QImage() : loadSkinImage(m_skinFolder + QStringLiteral("/bmp145.png"), ratio);
        prepareFrame(m_background, size, ratio);
        m_background.fill(QColor(0x1E, 0x21, 0x27));
        if (!skin.isNull()) {
            QPainter p(&m_background);
            drawSkinPart(p, QPointF(0, 0), skin, QRectF(QPointF(kBackgroundX, kBackgroundY), size));
        }
    }
    if (logicalSize(m_background) != size || !qFuzzyCompare(m_background.devicePixelRatio(), ratio)) {
        // An owner picture of another size or density is fitted to the list.
        QImage fitted;
        prepareFrame(fitted, size, ratio);
        fitted.fill(Qt::black);
        QPainter p(&fitted);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(QPointF(0, 0), size), m_background);
        p.end();
        m_background = fitted;
    }
    m_backgroundRatio = ratio;
    m_backgroundValid = true;
}

QImage CTransparentListBox::compose() {
    if (!qFuzzyCompare(m_backgroundRatio, devicePixelRatioF())) m_backgroundValid = false;
    if (!m_backgroundValid) captureBackground();
    loadPictures(devicePixelRatioF());
    QImage frame = m_background.copy();
    QPainter p(&frame);
    p.setFont(m_font);
    for (int row = m_model.topRow(); row < m_model.count(); ++row) {
        if (m_model.rowRect(row).y >= height()) break;
        drawRow(p, row);
    }
    return frame;
}

void CTransparentListBox::drawRow(QPainter& p, int row) {
    const ListRect r = m_model.rowRect(row);
    const QRect rect(r.x, r.y, r.width, r.height);
    // The texts keep clear of the list's left edge.
    const QRect textRect = rect.adjusted(kTextPadding, 0, 0, 0);
    const RowView view = m_model.rowView(row);
    const QString text = qs(view.text);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    const bool enabled = isEnabled();
    if (m_shadowOn) {
        p.setPen(enabled ? m_shadowColor : QColor(Qt::white));
        p.drawText(textRect.translated(m_shadowOffset, m_shadowOffset), flags, text);
    }
    p.setPen(!enabled ? QColor(Qt::black) : row == m_model.selected() ? m_selectedColor : m_textColor);
    p.drawText(textRect, flags, text);
    const QImage* picture = view.picture == kPressPicture     ? &m_pictures[0]
                            : view.picture == kReleasePicture ? &m_pictures[1]
                            : view.picture == kDelayPicture   ? &m_pictures[2]
                                                              : nullptr;
    if (picture && !picture->isNull()) p.drawImage(QPoint(rect.right() + 1 - 20, rect.top()), *picture);
}

void CTransparentListBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), compose());
    if (m_focusMark && hasFocus()) {
        // The keyboard's focus mark: a frame in the accent colour.
        p.setPen(QPen(QColor(0xE0, 0x26, 0x2D), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1, 1, clientWidth() - 2, height() - 2));
    }
}

void CTransparentListBox::selectByUser(bool changed) {
    if (!changed) return;
    syncScrollBar();
    update();
    announceFocusedRow();
    emit selectionChanged(m_model.selected());
}

void CTransparentListBox::announceFocusedRow() {
    if (!QAccessible::isActive() || !hasFocus() || m_model.selected() < 0) return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(m_model.selected());
    QAccessible::updateAccessibility(&event);
}

void CTransparentListBox::selectRowByUser(int row) {
    if (row < 0 || row >= m_model.count()) return;
    const bool changed = m_model.setSelected(row);
    m_model.ensureVisible(row);
    syncScrollBar();
    update();
    if (changed) {
        announceFocusedRow();
        emit selectionChanged(row);
    }
}

QRect CTransparentListBox::rowRectangle(int row) const {
    if (row < 0 || row >= m_model.count()) return {};
    const ListRect r = m_model.rowRect(row);
    return QRect(r.x, r.y, r.width, r.height);
}

void CTransparentListBox::editSelectedRow() {
    const int row = m_model.selected();
    if (row < 0 || m_editor) return;
    m_model.ensureVisible(row);
    syncScrollBar();
    const QRect r = rowRectangle(row);
    if (const std::optional<EditStart> start = m_model.beginEdit(r.center().x(), r.center().y())) startEdit(*start);
}

void CTransparentListBox::requestContextMenu() {
    const int row = m_model.selected();
    if (row >= 0) m_model.ensureVisible(row);
    syncScrollBar();
    const QRect r = row >= 0 ? rowRectangle(row) : QRect(0, 0, clientWidth(), m_model.rowHeight());
    emit contextMenuRequested(mapToGlobal(QPoint(r.left() + 10, r.center().y())));
}

void CTransparentListBox::contextMenuEvent(QContextMenuEvent* event) {
    // The right button asks on its own press; the menu key (or Shift+F10) asks here.
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->ignore();
        return;
    }
    event->accept();
    requestContextMenu();
}

void CTransparentListBox::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    const Qt::FocusReason why = event->reason();
    m_focusMark = why == Qt::TabFocusReason || why == Qt::BacktabFocusReason || why == Qt::ShortcutFocusReason;
    update();
    announceFocusedRow();
}

void CTransparentListBox::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // The edit box over a row takes the focus from the list: the mark stays for its return.
    if (!m_editor) m_focusMark = false;
    update();
}

void CTransparentListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit contextMenuRequested(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    m_focusMark = false;
    const QPoint at = event->position().toPoint();
    selectByUser(m_model.press(at.x(), at.y()));
}

void CTransparentListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    if (const std::optional<EditStart> start = m_model.beginEdit(at.x(), at.y())) startEdit(*start);
}

void CTransparentListBox::startEdit(const EditStart& edit) {
    const EditStart* start = &edit;
    sendMessages();
    // The owner may have changed the list while handling the notice.
    if (!m_model.editing()) return;
    m_editor = new CEditHelper(this);
    m_editor->setFont(m_font);
    m_editor->setGeometry(start->rect.x, start->rect.y, start->rect.width, start->rect.height);
    if (start->digitsOnly)
        m_editor->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editor));
    m_editor->setText(qs(start->text));
    m_editor->selectAll();
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void CTransparentListBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    m_model.hover(at.x(), at.y());
}

void CTransparentListBox::leaveEvent(QEvent*) { m_model.leave(); }

void CTransparentListBox::wheelEvent(QWheelEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (m_editor) endEdit(true);
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0 && m_model.scrollBy(-notches * kWheelRows)) {
        syncScrollBar();
        update();
    }
    event->accept();
}

void CTransparentListBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up: selectByUser(m_model.key(ListKey::Up)); break;
    case Qt::Key_Down: selectByUser(m_model.key(ListKey::Down)); break;
    case Qt::Key_PageUp: selectByUser(m_model.key(ListKey::PageUp)); break;
    case Qt::Key_PageDown: selectByUser(m_model.key(ListKey::PageDown)); break;
    case Qt::Key_Home: selectByUser(m_model.key(ListKey::Home)); break;
    case Qt::Key_End: selectByUser(m_model.key(ListKey::End)); break;
    // F2 edits the selected row in place, as a double-click on it does.
    case Qt::Key_F2: editSelectedRow(); break;
    case Qt::Key_F10:
        if (event->modifiers() != Qt::ShiftModifier) {
            QWidget::keyPressEvent(event);
            return;
        }
        requestContextMenu();
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void CTransparentListBox::resizeEvent(QResizeEvent*) {
    if (m_editor) endEdit(true);
    m_backgroundValid = false;
    syncScrollBar();
}

void CTransparentListBox::moveEvent(QMoveEvent*) {
    m_backgroundValid = false;
    update();
}

}  // namespace vandrel
