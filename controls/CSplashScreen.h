#pragma once
// The borderless picture shown for about a second while the program starts.
// It shows one PNG at its natural size, read from disk at every paint, and
// closes itself on the first tick of a 20 ms timer at which its tick counter
// is over 50. The rest of the start-up goes on while it shows.

#include <QBasicTimer>
#include <QString>
#include <QWidget>

namespace vandrel {

class CSplashScreen : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTickMs = 20;
    static constexpr int kLastTick = 50;

    explicit CSplashScreen(QString imagePath, QWidget* parent = nullptr);
    ~CSplashScreen() override;

    // Sizes the window to the image, centres it on the screen, shows it and
    // starts the timer. Returns at once; finished() follows when it closes.
    void start();
    bool running() const { return m_timer.isActive(); }
    // The top-left corner that centres a window of `size` on the screen that
    // shows the splash.
    QPoint centredOnScreen(const QSize& size) const;
    int ticks() const { return m_ticks; }
    const QSize& imageSize() const { return m_size; }

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QString m_imagePath;
    QSize m_size;
    QBasicTimer m_timer;
    int m_ticks = 0;  // never reset: one splash per process
};

}  // namespace vandrel
