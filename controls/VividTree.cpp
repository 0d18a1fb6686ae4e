#include "controls/VividTree.h"

#include <QHeaderView>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "theme/SkinFile.h"

namespace vandrel {

QRect VividTreeCanvas(const QRect& client, const TreeScrollRange* horizontal, const TreeScrollRange* vertical,
                      int itemHeight) {
    QRect canvas = client;
    if (horizontal && horizontal->maximum > horizontal->minimum) {
        canvas.setLeft(-horizontal->position);
        canvas.setWidth(std::max(client.width(), horizontal->maximum + 1));
    }
    // Some trees report a range of 0..100 without anything to scroll.
    const bool scrollsVertically = vertical && vertical->maximum > vertical->minimum &&
                                   !(vertical->minimum == 0 && vertical->maximum == 100);
    if (scrollsVertically) {
        canvas.setTop(-itemHeight * vertical->position);
        canvas.setHeight(std::max(client.height(), (itemHeight + 1) * (vertical->maximum + 2)));
    }
    return canvas;
}

VividTree::VividTree(QWidget* parent) : QTreeWidget(parent) {
    header()->hide();
    setColumnCount(1);
    setRootIsDecorated(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

void VividTree::setUpPictures(const QString& skinFolder) {
    m_skinFolder = skinFolder;
    m_picturesRatio = 0;
    loadPictures(devicePixelRatioF());
}

void VividTree::loadPictures(qreal ratio) {
    if (m_skinFolder.isEmpty() || m_picturesRatio == ratio) return;
    m_picturesRatio = ratio;
    m_picture = loadSkinImage(m_skinFolder + QStringLiteral("/bmp131.png"), ratio);
    m_collapsedBox = loadSkinImage(m_skinFolder + QStringLiteral("/bmp133.png"), ratio);
    m_expandedBox = loadSkinImage(m_skinFolder + QStringLiteral("/bmp134.png"), ratio);
}

void VividTree::setGradient(const QColor& start, const QColor& end, bool horizontal) {
    m_gradientStart = start;
    m_gradientEnd = end;
    m_gradientHorizontal = horizontal;
}

void VividTree::paintBackground(QPainter& p, const QRect& client, const QRect& canvas) {
    if (m_mode == Solid) {
        p.fillRect(client, solidColour());
        return;
    }
    if (m_mode == Picture && !m_picture.isNull()) {
        if (m_tile)
            p.drawTiledPixmap(canvas, QPixmap::fromImage(m_picture));
        else
            p.drawImage(canvas, m_picture);
        return;
    }
    QLinearGradient g(canvas.topLeft(), m_gradientHorizontal ? canvas.topRight() : canvas.bottomLeft());
    g.setColorAt(0, m_gradientStart);
    g.setColorAt(1, m_gradientEnd);
    p.fillRect(canvas, g);
}

void VividTree::paintEvent(QPaintEvent*) {
    QWidget* vp = viewport();
    const QRect client = vp->rect();
    const QTreeWidgetItem* first = itemAt(0, 0);
    const int itemHeight = first ? visualItemRect(first).height() : fontMetrics().height();
    const QScrollBar* hs = horizontalScrollBar();
    const QScrollBar* vs = verticalScrollBar();
    const TreeScrollRange h{hs->minimum(), hs->maximum(), hs->value()};
    const TreeScrollRange v{vs->minimum(), vs->maximum(), vs->value()};
    const QRect canvas = VividTreeCanvas(client, &h, &v, itemHeight);

    // At the screen's pixel density, so that the texts are drawn at its resolution.
    loadPictures(devicePixelRatioF());
    QImage buffer;
    prepareFrame(buffer, client.size(), devicePixelRatioF());
    QPainter p(&buffer);
    p.setFont(font());
    paintBackground(p, client, canvas);

    const bool showSelection = hasFocus() || m_alwaysShowSelection;
    for (QTreeWidgetItem* item = itemAt(0, 0); item; item = itemBelow(item)) {
        const QRect row = visualItemRect(item);
        if (row.top() > client.bottom()) break;
        QRect text = row.translated(7, 0);
        if (item->isSelected() && showSelection)
            p.fillRect(QRect(0, row.top(), canvas.left() + canvas.width(), row.height()), selectionColour());
        if (item->childCount() > 0) {
            const QImage& box = item->isExpanded() ? m_expandedBox : m_collapsedBox;
            if (!box.isNull()) p.drawImage(text.left() - 2 - logicalSize(box).width(), row.top() + 4, box);
        }
        text.adjust(0, 1, 0, -1);
        p.setPen(Qt::white);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, item->text(0));
    }
    p.end();
    QPainter out(vp);
    out.drawImage(0, 0, buffer);
}

}  // namespace vandrel
