#include "app/draw/ProfileDialogRenderer.h"

#include <QCoreApplication>
#include <QPainter>

#include "app/draw/FocusMark.h"
#include "app/draw/SkinText.h"

namespace vandrel {

namespace {

constexpr QSize kFallbackSize(266, 642);

}  // namespace

QSize ProfileDialogRenderer::windowSize() {
    const QImage* background = m_skins.image(QStringLiteral("Config.png"));
    return background ? background->size() : kFallbackSize;
}

void ProfileDialogRenderer::compose(QImage& frame, const QRect& focusRect) {
    const QSize size = windowSize();
    if (frame.size() != size || frame.format() != QImage::Format_RGB32) frame = QImage(size, QImage::Format_RGB32);
    frame.fill(Qt::black);

    QPainter p(&frame);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    auto image = [&](const char* name, int x, int y) {
        if (const QImage* img = m_skins.image(QString::fromLatin1(name))) p.drawImage(x, y, *img);
    };
    image("Config.png", 0, 0);
    drawSkinText(p, QCoreApplication::translate("vandrel::ProfileDialogRenderer", "配置"), 10, 10, 15);
    image("button-close-normal.png", 247, 10);
    image("New.png", 13, 575);
    drawSkinText(p, QCoreApplication::translate("vandrel::ProfileDialogRenderer", "新建"), 30, 578, 16);
    image("Delete.png", 183, 575);
    drawSkinText(p, QCoreApplication::translate("vandrel::ProfileDialogRenderer", "删除"), 200, 578, 16);
    drawFocusMark(p, focusRect);
}

}  // namespace vandrel
