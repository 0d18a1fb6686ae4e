#include "app/draw/ProfileDialogRenderer.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>

#include "app/draw/FocusMark.h"
#include "app/draw/SkinText.h"
#include "theme/SkinFile.h"

namespace vandrel {

namespace {

constexpr QSize kFallbackSize(266, 642);
// The hint between the New and Delete buttons (81..183).
constexpr int kHintCentreX = 132;
constexpr int kHintTop = 586;
constexpr int kHintText = 12;
const QColor kHintColour(0x8A, 0x8F, 0x98);

}  // namespace

QSize ProfileDialogRenderer::windowSize() {
    const QSize size = m_skins.logicalSize(QStringLiteral("Config.png"));
    return size.isValid() ? size : kFallbackSize;
}

void ProfileDialogRenderer::compose(QImage& frame, const QRect& focusRect) {
    const QSize size = windowSize();
    prepareFrame(frame, size, m_skins.devicePixelRatio());
    frame.fill(Qt::black);

    QPainter p(&frame);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    auto image = [&](const char* name, int x, int y) {
        if (const QImage* img = m_skins.image(QString::fromLatin1(name))) p.drawImage(x, y, *img);
    };
    image("Config.png", 0, 0);
    drawSkinText(p, QCoreApplication::translate("vandrel::ProfileDialogRenderer", "配置"), 10, 10, 15);
    image("button-close-normal.png", 247, 10);
    // The buttons' labels across their tops, above the pictures.
    image("New.png", 13, 575);
    drawSkinTextIn(p, QCoreApplication::translate("vandrel::ProfileDialogRenderer", "新建"), QRect(15, 576, 64, 22), 16,
                   m_textScale);
    image("Delete.png", 183, 575);
    drawSkinTextIn(p, QCoreApplication::translate("vandrel::ProfileDialogRenderer", "删除"), QRect(185, 576, 64, 22), 16,
                   m_textScale);

    // Between the two buttons: where the other commands are.
    const QString hint[] = {QCoreApplication::translate("vandrel::ProfileDialogRenderer", "右键单击配置"),
                            QCoreApplication::translate("vandrel::ProfileDialogRenderer", "可复制、保存、加载")};
    const QFontMetrics metrics(skinFont(kHintText));
    for (int i = 0; i < 2; ++i) {
        const int w = metrics.horizontalAdvance(hint[i]);
        drawSkinText(p, hint[i], kHintCentreX - w / 2, kHintTop + i * (kHintText + 3), kHintText, kHintColour);
    }
    drawFocusMark(p, focusRect);
}

}  // namespace vandrel
