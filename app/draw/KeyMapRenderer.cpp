#include "app/draw/KeyMapRenderer.h"

#include <QCoreApplication>
#include <QPainter>

#include "app/draw/FocusMark.h"
#include "app/draw/ModelText.h"
#include "app/draw/SkinText.h"
#include "theme/SkinFile.h"
#include "keymap/KeyTables.h"
#include "keys/KeyNameTable.h"

namespace vandrel {

namespace {

const QColor kInactiveCaption(192, 192, 192);
constexpr int kTitleText = 14;
constexpr int kCaptionText = 12;
constexpr int kButtonText = 14;
// Where the page marker sits under each tab.
constexpr int kCursorX[4] = {35, 115, 200, 280};

QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }

}  // namespace

QSize KeyMapRenderer::dialogSize() {
    const QSize size = m_skins.logicalSize(QStringLiteral("Custom_BK.png"));
    return size.isValid() ? size : QSize(325, 276);
}

void KeyMapRenderer::drawImage(QPainter& p, const char* name, int x, int y) {
    if (const QImage* img = m_skins.image(QString::fromLatin1(name))) p.drawImage(x, y, *img);
}

QString KeyMapRenderer::title(const KeyMapDialogModel& model) {
    const int slot = model.slot();
    const uint8_t home = slot >= 0 && slot < kPhysicalSlots ? SlotHomeVk[slot] : 0;
    return QCoreApplication::translate("vandrel::KeyMapRenderer", "当前按键：") + qs(model.names().name(home));
}

void KeyMapRenderer::compose(QImage& frame, const KeyMapDialogModel& model, const QRect& focusRect) {
    const QSize size = dialogSize();
    prepareFrame(frame, size, m_skins.devicePixelRatio());
    frame.fill(QColor(0x1A, 0x1C, 0x21));
    QPainter p(&frame);
    drawImage(p, "Custom_BK.png", 0, 0);

    drawSkinText(p, title(model), 2, 2, kTitleText);

    const auto& buttons = model.buttons();
    for (int i = 0; i < kKeyMapButtons; ++i) {
        const KeyMapButton& b = buttons[i];
        drawImage(p, b.state ? b.hoverImage : b.normalImage, b.rect.left, b.rect.top);
    }
    // Tab captions, centred; the active page's in white.
    for (int i = kKeyMapTabKeys; i <= kKeyMapTabLaunch; ++i) {
        const KeyMapButton& b = buttons[i];
        const QString text = modelText("vandrel::KeyMapDialogModel", b.caption);
        drawSkinTextIn(p, text, QRect(b.rect.left + 2, 38, b.rect.width() - 4, b.rect.bottom - 38), kCaptionText,
                       m_textScale, Qt::AlignCenter,
                       i - kKeyMapTabKeys == model.currentPage() ? QColor(Qt::white) : kInactiveCaption);
    }
    const DialogRect& sw = buttons[kKeyMapDisable].rect;
    drawSkinText(p, modelText("vandrel::KeyMapDialogModel", buttons[kKeyMapDisable].caption), sw.left + 15, sw.top - 2, kCaptionText);
    // The three buttons' captions in the middle of their faces.
    for (int i : {kKeyMapInitial, kKeyMapCancel, kKeyMapSave}) {
        const KeyMapButton& b = buttons[i];
        const QString text = modelText("vandrel::KeyMapDialogModel", b.caption);
        drawSkinTextIn(p, text, QRect(b.rect.left, b.rect.top, b.rect.width(), b.rect.height()), kButtonText,
                       m_textScale);
    }

    const int page = model.currentPage();
    if (page == kPageLaunch) {
        drawImage(p, "Macro_BK.png", 15, 66);
        drawImage(p, "cursor.png", kCursorX[page], 30);
        drawLaunchPage(p, model);
    } else {
        drawImage(p, "cursor.png", kCursorX[page], 30);
    }
    if (page == kPageKeys) {
        drawSkinText(p, QCoreApplication::translate("vandrel::KeyMapRenderer", "单键"), 20, 69, kCaptionText);
        drawSkinText(p, QCoreApplication::translate("vandrel::KeyMapRenderer", "组合键"), 20, 119, kCaptionText);
    }
    drawFocusMark(p, focusRect);
}

void KeyMapRenderer::drawLaunchPage(QPainter& p, const KeyMapDialogModel& model) {
    for (int k = 0; k < kLaunchRows; ++k) {
        const int dy = 30 * k;
        drawImage(p, model.markedRow() == 4 * k ? "enable.png" : "Disable.png", 15, 72 + dy);
        drawSkinText(p, modelText("vandrel::KeyMapDialogModel", kLaunchRowCaptions[k]), 30, 69 + dy, kCaptionText);
        drawImage(p, "Advanced.png", 85, 68 + dy);
        drawImage(p, model.hoveredLaunchCell() == 4 * k + kLaunchBrowse ? "view02.png" : "view.png", 256, 68 + dy);
        if (model.launchKind() == k) {
            // The field is 158 pixels wide: a long path shows as ".." and its name.
            p.save();
            p.setClipRect(85, 68 + dy, 158, 16);
            drawSkinText(p, qs(ShortLaunchPath(model.request().launchPath)), 85, 69 + dy, kCaptionText);
            p.restore();
        }
    }
}

}  // namespace vandrel
