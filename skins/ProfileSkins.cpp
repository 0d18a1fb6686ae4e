#include "skins/ProfileSkins.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "app/model/ProfileDialogModel.h"
#include "theme/SkinTheme.h"

namespace vandrel {

namespace {

using namespace theme;

const QColor kFooter = kColumn;
const QColor kListField = kField;

constexpr int kWidth = 266;
constexpr int kHeight = 642;
constexpr int kButtonWidth = 68;
constexpr int kButtonHeight = 51;

void frame(QPainter& p, const QRect& r, const QColor& c) {
    p.fillRect(r.left(), r.top(), r.width(), 1, c);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, c);
    p.fillRect(r.left(), r.top(), 1, r.height(), c);
    p.fillRect(r.right(), r.top(), 1, r.height(), c);
}

QImage background(qreal s) {
    QImage img = canvas(s, kWidth, kHeight, kBgBottom);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, kHeight);
    g.setColorAt(0, kBgTop);
    g.setColorAt(1, kBgBottom);
    p.fillRect(QRect(0, 0, kWidth, kHeight), g);

    // Title bar, with a short accent under the title.
    p.fillRect(0, 0, kWidth, kProfileListArea.top - 1, kTitleBar);
    p.fillRect(10, 29, 32, 2, kAccent);
    p.fillRect(0, kProfileListArea.top - 1, kWidth, 1, kBorder);

    // The list's field: the list draws its rows straight onto it.
    const QRect list(kProfileListArea.left, kProfileListArea.top, kProfileListWidth, kProfileListHeight);
    p.fillRect(list, kListField);

    // Footer with the two buttons.
    p.fillRect(0, list.bottom() + 1, kWidth, kHeight - list.bottom() - 1, kFooter);
    p.fillRect(0, list.bottom() + 1, kWidth, 1, kBorder);
    frame(p, QRect(0, 0, kWidth, kHeight), kBorder);
    return img;
}

// A footer button: its label is drawn by the dialog across the top, the
// picture sits below it.
QImage footerButton(qreal s, bool danger) {
    QImage img = canvas(s, kButtonWidth, kButtonHeight, kFooter);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, kButtonHeight);
    g.setColorAt(0, QColor(0x30, 0x34, 0x3B));
    g.setColorAt(1, QColor(0x25, 0x28, 0x2E));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x43, 0x48, 0x51), 1));
    p.drawRoundedRect(QRectF(1.5, 1.5, kButtonWidth - 3, kButtonHeight - 3), 4, 4);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawLine(QPointF(5, 2.5), QPointF(kButtonWidth - 5, 2.5));

    const QPointF c(kButtonWidth / 2.0, 35);
    if (!danger) {
        // A plus in a ring: a new profile.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kAccentHover, 1.6));
        p.drawEllipse(c, 9, 9);
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(-4.5, 0), c + QPointF(4.5, 0));
        p.drawLine(c + QPointF(0, -4.5), c + QPointF(0, 4.5));
    } else {
        // A waste bin.
        p.setPen(QPen(kGlyph, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawLine(c + QPointF(-8, -7), c + QPointF(8, -7));
        p.drawLine(c + QPointF(-3, -9.5), c + QPointF(3, -9.5));
        QPainterPath bin;
        bin.moveTo(c + QPointF(-6, -5));
        bin.lineTo(c + QPointF(-5, 9));
        bin.lineTo(c + QPointF(5, 9));
        bin.lineTo(c + QPointF(6, -5));
        p.drawPath(bin);
        p.setPen(QPen(kAccentHover, 1.4, Qt::SolidLine, Qt::RoundCap));
        for (qreal x : {-2.5, 0.0, 2.5}) p.drawLine(c + QPointF(x, -2), c + QPointF(x, 6));
    }
    return img;
}

}  // namespace

void addProfileSkins(QList<SkinImage>& set, qreal s) {
    const QString folder = QStringLiteral("Config/");
    set.append({folder + QStringLiteral("Config.png"), background(s)});
    set.append({folder + QStringLiteral("New.png"), footerButton(s, false)});
    set.append({folder + QStringLiteral("Delete.png"), footerButton(s, true)});
    for (const SkinImage& skin : QList<SkinImage>(set))
        if (skin.name == QStringLiteral("button-close-normal.png"))
            set.append({folder + skin.name, skin.image});
}

}  // namespace vandrel
