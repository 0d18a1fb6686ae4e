#pragma once
// Composes the profile dialog off screen from its skins in png/Config/: the
// background, the title, the close button and the New and Delete buttons with
// their texts. The list draws itself over the background.

#include <QImage>
#include <QSize>

#include "theme/SkinCache.h"

namespace vandrel {

// Where the dialog's skins live inside the png folder.
inline const QString kProfileSkinFolder = QStringLiteral("Config");

class ProfileDialogRenderer {
public:
    // `skins` reads from the png/Config/ folder.
    explicit ProfileDialogRenderer(SkinCache& skins) : m_skins(skins) {}
    // The desktop font's size against the usual one: the buttons' labels
    // grow with it where they have room.
    void setTextScale(qreal scale) { m_textScale = scale; }

    // The dialog's size: that of "Config.png". Without the image the dialog
    // keeps a usable size, so that it can still be seen and closed.
    QSize windowSize();
    // `focusRect`: the element that has the keyboard's focus, marked; empty: no mark.
    void compose(QImage& frame, const QRect& focusRect = {});

private:
    SkinCache& m_skins;
    qreal m_textScale = 1;
};

}  // namespace vandrel
