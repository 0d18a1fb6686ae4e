#include "app/ui/CHistoryDlg.h"

#include <QApplication>
#include <QDateTime>
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
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      m_rows(std::move(rows)),
      m_model(shownRows(m_rows)),
      m_skins(skinFolder),
      m_renderer(m_skins) {
    setWindowTitle(tr("配置历史"));
    setFixedSize(HistoryDialogModel::kWidth, HistoryDialogModel::kHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

std::optional<SnapshotEntry> CHistoryDlg::chosen() const {
    const int row = m_model.selected();
    if (result() != Accepted || row < 0 || row >= static_cast<int>(m_rows.size())) return std::nullopt;
    return m_rows[static_cast<size_t>(row)].entry;
}

QImage CHistoryDlg::composeFrame() {
    m_skins.setDevicePixelRatio(devicePixelRatioF());
    m_renderer.setTextScale(desktopTextScale(QApplication::font()));
    m_renderer.compose(m_frame, m_model);
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
    else update();
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
