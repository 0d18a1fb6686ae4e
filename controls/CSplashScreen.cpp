#include "controls/CSplashScreen.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "app/draw/SkinFile.h"

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
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(m_size.width() / 2, m_size.height() / 2));
        }
        show();
    }
    m_timer.start(kTickMs, Qt::PreciseTimer, this);
}

void CSplashScreen::paintEvent(QPaintEvent*) {
    const QImage image = loadSkinImage(m_imagePath);
    if (image.isNull()) return;
    QPainter p(this);
    p.drawImage(QRect(QPoint(0, 0), m_size), image, QRect(QPoint(0, 0), m_size));
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
