#include "app/ui/CHistoryDlg.h"

#include <QApplication>
#include <QDateTime>

#include "app/draw/ModelText.h"
#include "app/ui/access/DrawnWindowAccessible.h"
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "app/draw/SkinText.h"

namespace vandrel {

namespace {
std::vector<HistoryDialogRow> shownRows(const std::vector<HistoryRow>& rows) {
    std::vector<HistoryDialogRow> out;
    for (const HistoryRow& r : rows) {
        const QString when =
            QDateTime::fromMSecsSinceEpoch(r.entry.takenMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        out.push_back({when.toStdString(), r.differs, r.restorable});
    }
    return out;
}
}  // namespace

CHistoryDlg::CHistoryDlg(const QString& skinFolder, std::vector<HistoryRow> rows, QWidget* parent)
    : DrawnDialog(parent),
      m_rows(std::move(rows)),
      m_model(shownRows(m_rows)),
      m_skins(skinFolder),
      m_renderer(m_skins) {
    setWindowTitle(tr("配置历史"));
    setFixedSize(HistoryDialogModel::kWidth, HistoryDialogModel::kHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // The focus starts on the newest snapshot, the one selected.
    const UiElements all = uiElements();
    m_model.setFocus(nextTabStop(all, -1, true), false);
}

void CHistoryDlg::showFocusMark(bool shown) {
    m_model.setFocus(m_model.focus().id, shown);
    changed();
}

UiElements CHistoryDlg::uiElements() const { return m_model.elements(modelLookup()); }

void CHistoryDlg::focusElement(int id) {
    m_model.setFocus(id, true);
    changed();
}

void CHistoryDlg::activateElement(int id) {
    m_model.setFocus(id, m_model.focus().visible);
    act(m_model.activate(id));
}

void CHistoryDlg::changed() {
    update();
    ++m_uiGeneration;
    announceAccessibleChanges(this);
}

bool CHistoryDlg::navigate(NavKey key) {
    const HistoryDialogModel::NavResult r = m_model.navigate(key, uiElements());
    if (!r.handled) return false;
    act(r.action);
    return true;
}

std::optional<SnapshotEntry> CHistoryDlg::chosen() const {
    const int row = m_model.selected();
    if (result() != Accepted || row < 0 || row >= static_cast<int>(m_rows.size())) return std::nullopt;
    return m_rows[static_cast<size_t>(row)].entry;
}

QImage CHistoryDlg::composeFrame() {
    int l, t, r, b;
    const QRect mark = m_model.focusMark(l, t, r, b) && isActiveWindow() ? QRect(QPoint(l, t), QPoint(r, b)) : QRect();
    m_skins.setDevicePixelRatio(devicePixelRatioF());
    m_renderer.setTextScale(desktopTextScale(QApplication::font()));
    m_renderer.compose(m_frame, m_model, mark);
    return m_frame;
}

void CHistoryDlg::paintEvent(QPaintEvent*) {
    composeFrame();
    QPainter p(this);
    p.drawImage(0, 0, m_frame);
}

void CHistoryDlg::act(HistoryDialogModel::Action action) {
    if (action == HistoryDialogModel::Action::Restore) accept();
    else if (action == HistoryDialogModel::Action::Close) reject();
    else changed();
}

void CHistoryDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (m_model.hitTest(pos.x(), pos.y()) == HistoryDialogModel::Hit::Title) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void CHistoryDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (m_dragging) {
        m_dragging = false;
        return;
    }
    const QPoint pos = event->position().toPoint();
    m_model.setFocus(m_model.focus().id, false);
    act(m_model.click(pos.x(), pos.y()));
}

void CHistoryDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    act(m_model.doubleClick(pos.x(), pos.y()));
}

void CHistoryDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (m_model.move(pos.x(), pos.y())) update();
    // A row cut short in the list shows its whole text as a tooltip.
    const int row = m_model.hovered();
    const QString full = row >= 0 && row < static_cast<int>(m_model.rows().size())
                             ? HistoryDialogRenderer::fullRowText(m_model.rows()[static_cast<size_t>(row)])
                             : QString();
    if (full != toolTip()) {
        setToolTip(full);
        if (full.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(event->globalPosition().toPoint(), full, this);
    }
}

}  // namespace vandrel
