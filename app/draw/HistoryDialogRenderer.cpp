#include "app/draw/HistoryDialogRenderer.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

#include "app/draw/FocusMark.h"
#include "app/draw/SkinText.h"
#include "theme/SkinFile.h"

namespace vandrel {

namespace {
QString u8(const std::string& s) { return QString::fromStdString(s); }

const QColor kTitleBar(0x12, 0x14, 0x17);
const QColor kPanel(0x23, 0x26, 0x2C);
const QColor kBorder(0x31, 0x35, 0x3D);
const QColor kSelected(102, 46, 47);
const QColor kHover(80, 0, 0);
const QColor kSecondary(192, 192, 192);
constexpr int kWhenWidth = 170;
constexpr int kButtonWidth = 58;
constexpr int kDiffersWidth = HistoryDialogModel::kListWidth - kWhenWidth - 16;
}  // namespace

QString HistoryDialogRenderer::fullRowText(const HistoryDialogRow& row) {
    const QString differs = u8(row.differs);
    if (QFontMetrics(skinFont(15)).horizontalAdvance(differs) <= kDiffersWidth) return {};
    return u8(row.when) + QLatin1Char('\n') + differs;
}

void HistoryDialogRenderer::compose(QImage& frame, const HistoryDialogModel& m, const QRect& focusRect) {
    using M = HistoryDialogModel;
    prepareFrame(frame, QSize(M::kWidth, M::kHeight), m_skins.devicePixelRatio());
    QPainter p(&frame);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    QLinearGradient background(0, 0, 0, M::kHeight);
    background.setColorAt(0, QColor(0x1E, 0x21, 0x27));
    background.setColorAt(1, QColor(0x15, 0x17, 0x1B));
    p.fillRect(QRect(0, 0, M::kWidth, M::kHeight), background);
    p.fillRect(0, 0, M::kWidth, M::kTitleHeight, kTitleBar);
    p.fillRect(0, M::kTitleHeight - 2, M::kWidth, 2, QColor(196, 22, 28));
    drawSkinText(p, tr("配置历史"), 14, 6, 17);
    if (const QImage* close = m_skins.image(QStringLiteral("button-close-normal.png")))
        p.drawImage(M::kCloseLeft, M::kCloseTop, *close);
    drawSkinText(p, tr("保存、恢复出厂设置或载入配置前的设置都保留在这里（最近 20 份）。"), M::kListLeft, 38, 14,
                 kSecondary);

    const int rows = static_cast<int>(m.rows().size());
    const QRect list(M::kListLeft - 1, M::kListTop - 1, M::kListWidth + 1, M::kRowHeight * M::kVisibleRows + 1);
    p.fillRect(list, kPanel);
    p.setPen(kBorder);
    p.drawRect(list);
    if (rows == 0)
        drawSkinText(p, tr("还没有保存过：第一次保存后，这里会列出保存前的设置。"), M::kListLeft + 10,
                     M::kListTop + 10, 15, kSecondary);
    const QFontMetrics metrics(skinFont(15));
    for (int i = 0; i < rows; ++i) {
        const int y = M::kListTop + i * M::kRowHeight;
        if (i == m.selected()) p.fillRect(M::kListLeft, y, M::kListWidth, M::kRowHeight, kSelected);
        else if (i == m.hovered()) p.fillRect(M::kListLeft, y, M::kListWidth, M::kRowHeight, kHover);
        const HistoryDialogRow& row = m.rows()[static_cast<size_t>(i)];
        // A snapshot that cannot be restored is listed greyed, with the reason.
        drawSkinText(p, u8(row.when), M::kListLeft + 8, y + 3, 15, row.restorable ? QColor(Qt::white) : kSecondary);
        const QString differs = metrics.elidedText(u8(row.differs), Qt::ElideRight, kDiffersWidth);
        drawSkinText(p, differs, M::kListLeft + kWhenWidth, y + 3, 15, kSecondary);
    }

    drawSkinText(p, tr("恢复后单击“保存”写入键盘；Ctrl+Z 可撤销。"), M::kListLeft, M::kButtonsTop + 8, 14,
                 kSecondary);
    // The labels are centred on their buttons: the English ones are wider.
    const auto button = [&](const char* picture, int left, const QString& label, const QColor& colour) {
        const QImage* img = m_skins.image(QString::fromLatin1(picture));
        if (img) p.drawImage(left, M::kButtonsTop, *img);
        const QSize size = img ? logicalSize(*img) : QSize(kButtonWidth, 31);
        drawSkinTextIn(p, label, QRect(left + 2, M::kButtonsTop, size.width() - 4, size.height()), 16, m_textScale,
                       Qt::AlignCenter, colour);
    };
    button("button-save-normal.png", M::kRestoreLeft, tr("恢复"), m.canRestore() ? QColor(Qt::white) : kSecondary);
    button("button-cancel-normal.png", M::kCancelLeft, tr("关闭"), Qt::white);
    drawFocusMark(p, focusRect);
}

}  // namespace vandrel
