#pragma once
// The configuration-history window: a small frameless dialog that draws what
// HistoryDialogRenderer composes and hands every click to its model. It ends
// with Accepted when the user chose a snapshot to restore.

#include <QImage>
#include <optional>

#include "app/draw/HistoryDialogRenderer.h"
#include "theme/SkinCache.h"
#include "app/model/ConfigHistory.h"
#include "app/model/HistoryDialogModel.h"
#include "app/ui/DrawnDialog.h"

namespace vandrel {

class CHistoryDlg : public DrawnDialog {
    Q_OBJECT
public:
    CHistoryDlg(const QString& skinFolder, std::vector<HistoryRow> rows, QWidget* parent = nullptr);

    const HistoryDialogModel& model() const { return m_model; }
    // The snapshot chosen for restoring, once the dialog was accepted.
    std::optional<SnapshotEntry> chosen() const;
    QImage composeFrame();
    // Opened from the keyboard: the focus mark shows from the start.
    void showFocusMark(bool shown);

    // The drawn elements for the screen reader and the keyboard focus.
    UiElements uiElements() const override;
    ElementFocus elementFocus() const override { return m_model.focus(); }
    void focusElement(int id) override;
    void activateElement(int id) override;
    QWidget* elementControl(int) const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool navigate(NavKey key) override;

private:
    void changed();
    void act(HistoryDialogModel::Action action);

    std::vector<HistoryRow> m_rows;
    HistoryDialogModel m_model;
    SkinCache m_skins;
    HistoryDialogRenderer m_renderer;
    QImage m_frame;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

}  // namespace vandrel
