#include "app/draw/MacroRecordDlgRenderer.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/draw/FocusMark.h"
#include "app/draw/SkinText.h"
#include "theme/SkinFile.h"

namespace vandrel {

namespace {

constexpr QSize kDefaultSize(410, 440);
// The options column's inner left edge, and the gap between a label and its box.
constexpr int kOptionsTextLeft = 286;
constexpr int kLabelGap = 5;

struct PlacedText {
    const char* text;
    int x, y, height;
};

// The window's fixed texts; the record button's label depends on the state.
constexpr PlacedText kTexts[] = {
    {QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "宏管理器"), 16, 9, 18},
    {QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "选择宏"), 39, 60, 15},
    {QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "按键系列"), 151, 60, 15},
    {QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "录制选项"), 311, 60, 15},
    {QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "循环次数"), 295, 300, 15},
};

// The push buttons' labels, centred on their regions.
struct ButtonLabel {
    MacroRegion region;
    const char* text;
};
constexpr ButtonLabel kButtonLabels[] = {
    {kMacroHitNew, QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "新建")},
    {kMacroHitDelete, QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "删除")},
    {kMacroHitOk, QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "确定")},
    {kMacroHitCancel, QT_TRANSLATE_NOOP("vandrel::MacroRecordDlgRenderer", "取消")},
};

QRect regionRect(MacroRegion region) {
    const auto& r = MacroButtonTable()[static_cast<size_t>(region)].rect;
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

}  // namespace

QSize MacroRecordDlgRenderer::windowSize() {
    const QSize size = m_skins.logicalSize(QStringLiteral("MacroManagement.png"));
    return size.isValid() ? size : kDefaultSize;
}

void MacroRecordDlgRenderer::compose(QImage& frame, const MacroRecordDlgModel& model, const QRect& focusRect) {
    const QSize size = windowSize();
    prepareFrame(frame, size, m_skins.devicePixelRatio());
    frame.fill(QColor(0x1E, 0x21, 0x27));
    QPainter p(&frame);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (const QImage* bg = m_skins.image(QStringLiteral("MacroManagement.png"))) p.drawImage(0, 0, *bg);

    // Regions first: the buttons' labels are drawn over their pictures.
    for (int i = 0; i < kMacroRegions; ++i) {
        const MacroRegionEntry& e = MacroButtonTable()[static_cast<size_t>(i)];
        const char* name = model.regionActive(i) ? e.active : e.normal;
        if (const QImage* img = m_skins.image(QString::fromLatin1(name))) p.drawImage(e.rect.left, e.rect.top, *img);
    }
    for (const PlacedText& t : kTexts) drawSkinText(p, tr(t.text), t.x, t.y, t.height);
    // The delay check box's two-line label keeps a gap before the box; the
    // lines move left together when they are too wide for it.
    const QString lines[] = {tr("记录按键动作"), tr("间的延迟")};
    const QFontMetrics metrics(skinFont(15));
    const int widest = qMax(metrics.horizontalAdvance(lines[0]), metrics.horizontalAdvance(lines[1]));
    const int boxLeft = MacroButtonTable()[kMacroHitDelayBox].rect.left;
    const int x = qMax(kOptionsTextLeft, qMin(290, boxLeft - kLabelGap - widest));
    drawSkinText(p, lines[0], x, 168, 15);
    drawSkinText(p, lines[1], x, 184, 15);
    for (const ButtonLabel& b : kButtonLabels) drawSkinTextIn(p, tr(b.text), regionRect(b.region), 15, m_textScale);
    // The record button's label, right of its dot.
    drawSkinTextIn(p, model.manager().recording() ? tr("停止录制") : tr("开始录制"),
                   regionRect(kMacroHitRecord).adjusted(20, 0, 0, 0), 15, m_textScale, Qt::AlignLeft);
    drawFocusMark(p, focusRect);
}

}  // namespace vandrel
