#pragma once
// Composes the macro manager window off screen: its background, its texts and
// its seven regions in their normal, hover or ticked pictures. The two lists
// and the loop-count box are child controls drawn over it.

#include <QCoreApplication>
#include <QImage>
#include <QSize>

#include "theme/SkinCache.h"
#include "app/model/MacroRecordDlgModel.h"

namespace vandrel {

class MacroRecordDlgRenderer {
public:
    // `skins` looks in png/MacroManagement/.
    explicit MacroRecordDlgRenderer(SkinCache& skins) : m_skins(skins) {}
    // The desktop font's size against the usual one: the buttons' labels
    // grow with it where they have room.
    void setTextScale(qreal scale) { m_textScale = scale; }

    // The window's size: that of "MacroManagement.png", or 410 x 440 without it.
    QSize windowSize();
    // `focusRect`: the element that has the keyboard's focus, marked; empty: no mark.
    void compose(QImage& frame, const MacroRecordDlgModel& model, const QRect& focusRect = {});

    Q_DECLARE_TR_FUNCTIONS(vandrel::MacroRecordDlgRenderer)

private:
    SkinCache& m_skins;
    qreal m_textScale = 1;
};

}  // namespace vandrel
