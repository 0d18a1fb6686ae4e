#include "controls/CBitSlider.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "theme/SkinFile.h"

namespace vandrel {

CBitSlider::CBitSlider(QWidget* parent) : QAbstractSlider(parent), m_owner(parent) {
    setOrientation(Qt::Horizontal);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The owner paints the slider on its own surface: nothing of this widget
    // is drawn, so the window's composition shows through.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setSingleStep(1);
    setPageStep(1);
}

void CBitSlider::setUpSkin(const QString& skinFolder) {
    QSize track = skinImageSize(skinFolder + QStringLiteral("/bmp140.png"));
    if (!track.isValid()) track = QSize(kTrackWidth, kTrackHeight);
    const QSize thumb = skinImageSize(skinFolder + QStringLiteral("/bmp141.png"));
    m_thumbSize = thumb.isValid() ? thumb : QSize(kThumbWidth, kThumbHeight);
    resize(track);
}

int CBitSlider::valueAt(int x, int channelLeft, int channelRight, int minimum, int maximum) {
    const int span = channelRight - channelLeft;
    if (span == 0) return 0;
    const double exact = static_cast<double>(x - channelLeft) * (maximum - minimum) / span;
    const double whole = std::trunc(exact);
    return static_cast<int>(whole) + (exact - whole >= 0.5 ? 1 : 0);
}

QRect CBitSlider::channelRect() const { return QRect(QPoint(kChannelLeft, 0), QPoint(kChannelRight, height() - 1)); }

QRect CBitSlider::thumbRect() const {
    const int range = maximum() - minimum();
    const int span = kChannelRight - kChannelLeft;
    const int offset = range > 0 ? static_cast<int>(std::lround(static_cast<double>(value() - minimum()) * span / range)) : 0;
    // The thumb's image is drawn kThumbImageShift pixels left of this
    // rectangle; the rectangle is placed so that the image is centred on the
    // value's point of the channel.
    const int centre = kChannelLeft + offset + kThumbImageShift;
    return QRect(centre - kThumbWidth / 2, 0, kThumbWidth, height());
}

void CBitSlider::placeThumb() {
    const QRect t = thumbRect();
    const int w = m_thumbSize.width();
    const int left = t.left() + (w - t.width()) / 2;
    m_thumbX = left - kThumbImageShift;
    m_thumbY = m_thumbTop;
    // Nothing is reported before the owner has given the control its id.
    if (m_owner && m_controlId != 0) {
        SliderChangedEvent event(m_controlId);
        QCoreApplication::sendEvent(m_owner, &event);
    }
}

void CBitSlider::paintEvent(QPaintEvent*) { placeThumb(); }

void CBitSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    setSliderDown(true);
    const QRect c = channelRect();
    setValue(valueAt(qRound(event->position().x()), c.left(), c.right(), minimum(), maximum()));
    event->accept();
}

void CBitSlider::mouseMoveEvent(QMouseEvent* event) {
    if (isSliderDown() && (event->buttons() & Qt::LeftButton)) {
        const QRect c = channelRect();
        setValue(valueAt(qRound(event->position().x()), c.left(), c.right(), minimum(), maximum()));
    }
    placeThumb();
    event->accept();
}

void CBitSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) setSliderDown(false);
    event->accept();
}

void CBitSlider::wheelEvent(QWheelEvent* event) { event->accept(); }

void CBitSlider::sliderChange(SliderChange change) {
    QAbstractSlider::sliderChange(change);
    placeThumb();
    update();
}

}  // namespace vandrel
