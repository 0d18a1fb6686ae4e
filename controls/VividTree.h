#pragma once
// A tree that paints itself: a background (picture, two-colour gradient or a
// flat colour), a dark selection band across the whole row, small plus and
// minus pictures in front of items with children, and white item texts.
// Items, selection, expansion, scrolling and the keyboard stay the tree's own.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QRect>
#include <QTreeWidget>

namespace vandrel {

// The area the background covers: the client rectangle, widened and shifted
// to the whole scrolled content when the tree scrolls.
struct TreeScrollRange {
    int minimum = 0, maximum = 0, position = 0;
};
QRect VividTreeCanvas(const QRect& client, const TreeScrollRange* horizontal, const TreeScrollRange* vertical,
                      int itemHeight);

class VividTree : public QTreeWidget {
    Q_OBJECT
public:
    enum BackgroundMode { Picture = 0, Gradient = 1, Solid = 2 };

    explicit VividTree(QWidget* parent = nullptr);

    // Loads the background picture and the plus and minus boxes (bmp131.png,
    // bmp133.png, bmp134.png) from the skin folder.
    void setUpPictures(const QString& skinFolder);
    void setBackgroundMode(BackgroundMode mode) { m_mode = mode; viewport()->update(); }
    BackgroundMode backgroundMode() const { return m_mode; }
    void setGradient(const QColor& start, const QColor& end, bool horizontal);
    void setTilePicture(bool tile) { m_tile = tile; }
    // Show the selection band also while the tree has no focus.
    void setAlwaysShowSelection(bool on) { m_alwaysShowSelection = on; viewport()->update(); }
    void setIcon(const QIcon& icon) { m_icon = icon; }
    QIcon icon() const { return m_icon; }

    // The colour of the flat background and of the selection band.
    static QColor solidColour() { return {30, 30, 30}; }
    static QColor selectionColour() { return {102, 46, 47}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintBackground(QPainter& p, const QRect& client, const QRect& canvas);
    void loadPictures(qreal ratio);

    BackgroundMode m_mode = Gradient;
    QColor m_gradientStart{255, 255, 255};
    QColor m_gradientEnd{213, 213, 224};
    bool m_gradientHorizontal = true;
    bool m_tile = false;
    bool m_alwaysShowSelection = false;
    QString m_skinFolder;
    qreal m_picturesRatio = 0;
    QImage m_picture, m_collapsedBox, m_expandedBox;
    QIcon m_icon;
};

}  // namespace vandrel
