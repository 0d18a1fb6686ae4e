#pragma once
// Composes the configuration-history window in the main window's skin: a
// graphite window with its title bar and close button, the list of snapshots
// (when, and what each differs in), and the Restore and Close buttons.

#include <QCoreApplication>
#include <QImage>

#include "theme/SkinCache.h"
#include "app/model/HistoryDialogModel.h"

namespace vandrel {

class HistoryDialogRenderer {
public:
    explicit HistoryDialogRenderer(SkinCache& skins) : m_skins(skins) {}
    // The desktop font's size against the usual one: the buttons' labels
    // grow with it where they have room.
    void setTextScale(qreal scale) { m_textScale = scale; }
    // `focusRect`: the element that has the keyboard's focus, marked; empty: no mark.
    void compose(QImage& frame, const HistoryDialogModel& model, const QRect& focusRect = {});
    // The whole text of a row whose "differs" part is cut short in the list
    // (shown as its tooltip); empty when the row shows all of it.
    static QString fullRowText(const HistoryDialogRow& row);

    Q_DECLARE_TR_FUNCTIONS(vandrel::HistoryDialogRenderer)

private:
    SkinCache& m_skins;
    qreal m_textScale = 1;
};

}  // namespace vandrel
