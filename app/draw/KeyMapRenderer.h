#pragma once
// Composes the key-map dialog off screen from the skins of png/Custom/: the
// background, the current key, the tabs and buttons, the disable switch and
// the page (the captions above the two key fields, or the launch page's four
// rows). The edits, the macro list and the function tree are controls of
// their own that the widget places over the picture.

#include <QImage>
#include <QSize>
#include <QString>

#include "theme/SkinCache.h"
#include "app/model/KeyMapDialogModel.h"

class QPainter;

namespace vandrel {

// The dialog's skins, relative to the skin folder png/.
inline const QString kKeyMapSkinFolder = QStringLiteral("Custom");

class KeyMapRenderer {
public:
    // `skins` reads from png/Custom/.
    explicit KeyMapRenderer(SkinCache& skins) : m_skins(skins) {}
    // The desktop font's size against the usual one: the captions grow with
    // it where they have room.
    void setTextScale(qreal scale) { m_textScale = scale; }

    // The dialog's size: that of "Custom_BK.png", or 325 x 276 without it.
    QSize dialogSize();
    // `focusRect`: the element that has the keyboard's focus, marked; empty: no mark.
    void compose(QImage& frame, const KeyMapDialogModel& model, const QRect& focusRect = {});
    // "当前按键：A", the dialog's title as it draws it.
    static QString title(const KeyMapDialogModel& model);

private:
    void drawImage(QPainter& p, const char* name, int x, int y);
    void drawLaunchPage(QPainter& p, const KeyMapDialogModel& model);

    SkinCache& m_skins;
    qreal m_textScale = 1;
};

}  // namespace vandrel
