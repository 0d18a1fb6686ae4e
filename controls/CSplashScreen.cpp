#include "controls/CSplashScreen.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "theme/SkinFile.h"

namespace vandrel {

CSplashScreen::CSplashScreen(QString imagePath, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_imagePath(std::move(imagePath)) {
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle(QStringLiteral("Vandrel"));
}

CSplashScreen::~CSplashScreen() { m_timer.stop(); }

void CSplashScreen::start() {
    // A missing image gives a window without visible area; the timer runs anyway.
    m_size = skinImageSize(m_imagePath);
    if (!m_size.isValid()) m_size = QSize(0, 0);
    if (!m_size.isEmpty()) {
        setFixedSize(m_size);
        move(centredOnScreen(m_size));
        show();
    }
    m_timer.start(kTickMs, Qt::PreciseTimer, this);
}

QPoint CSplashScreen::centredOnScreen(const QSize& size) const {
    const QScreen* shown = screen();
    if (!shown) shown = QGuiApplication::primaryScreen();
    if (!shown) return pos();
    const QRect area = shown->availableGeometry();
    return area.center() - QPoint(size.width() / 2, size.height() / 2);
}

void CSplashScreen::paintEvent(QPaintEvent*) {
    // The double image on a screen of higher density, drawn at the logical size.
    const QImage image = loadSkinImage(m_imagePath, devicePixelRatioF());
    if (image.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    drawSkinPart(p, QPointF(0, 0), image, QRectF(QPointF(0, 0), m_size));
}

void CSplashScreen::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    const bool done = m_ticks > kLastTick;
    ++m_ticks;
    if (done) {
        m_timer.stop();
        hide();
        emit finished();
    }
}

}  // namespace vandrel
