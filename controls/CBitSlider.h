#pragma once
// A slider whose look is painted by its owner. The control keeps the value,
// the range and the keyboard handling of a slider and adds three things: it
// tells its owner where its thumb is every time it repaints or the mouse moves
// over it (a SliderChangedEvent carrying the control id), it jumps to the
// clicked value on a left click, and it ignores the mouse wheel.

#include <QAbstractSlider>
#include <QEvent>
#include <QPointer>
#include <QString>
#include <functional>

namespace vandrel {

// Sent synchronously to the owner with the slider's control id.
constexpr QEvent::Type kSliderChangedEvent = static_cast<QEvent::Type>(0x779);

class SliderChangedEvent : public QEvent {
public:
    explicit SliderChangedEvent(int controlId) : QEvent(kSliderChangedEvent), m_controlId(controlId) {}
    int controlId() const { return m_controlId; }

private:
    int m_controlId;
};

class CBitSlider : public QAbstractSlider {
    Q_OBJECT
public:
    // The skin: two 220 x 17 tracks (resources 139 and 140) and a 15 x 14 thumb.
    static constexpr int kTrackWidth = 220;
    static constexpr int kTrackHeight = 17;
    static constexpr int kThumbWidth = 15;
    static constexpr int kThumbHeight = 14;
    // The channel along which values are laid out, in slider coordinates.
    static constexpr int kChannelLeft = 10;
    static constexpr int kChannelRight = 210;
    // The drawn thumb sits this far left of the thumb's own rectangle.
    static constexpr int kThumbImageShift = 10;

    explicit CBitSlider(QWidget* parent = nullptr);

    void setControlId(int id) { m_controlId = id; }
    int controlId() const { return m_controlId; }
    // Receives the SliderChangedEvents; the parent widget by default.
    void setOwner(QObject* owner) { m_owner = owner; }
    void setThumbTop(int top) { m_thumbTop = top; }
    // How a value reads out (for a screen reader); the number itself without it.
    std::function<QString(int value)> valueText;
    // The number a position stands for, in the unit valueText names (a
    // report rate's hertz); the position itself without it.
    std::function<int(int value)> valueNumber;

    // Sizes the control to its track skin without moving it. Called at start
    // and whenever the owner moves the slider. `skinFolder` holds bmp140.png
    // and bmp141.png; without them the built-in sizes apply.
    void setUpSkin(const QString& skinFolder);

    // Where the owner draws the thumb image, relative to the slider.
    int thumbX() const { return m_thumbX; }
    int thumbY() const { return m_thumbY; }

    QRect channelRect() const;
    // The thumb's own rectangle for the current value.
    QRect thumbRect() const;

    // The value a click at x selects: (x - left) * (max - min) / (right - left),
    // rounded to the nearest integer with halves going up. The minimum is not
    // added and nothing is clamped here.
    static int valueAt(int x, int channelLeft, int channelRight, int minimum, int maximum);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    // Computes the thumb offset and tells the owner.
    void placeThumb();

    int m_controlId = 0;
    QPointer<QObject> m_owner;
    int m_thumbTop = 0;
    int m_thumbX = 0;
    int m_thumbY = 0;
    QSize m_thumbSize{kThumbWidth, kThumbHeight};
};

}  // namespace vandrel
