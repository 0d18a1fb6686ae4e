#pragma once
// Takes the desktop's own shortcuts (Super, Alt+Tab, Alt+F4) away from the
// desktop while a key capture is armed, so that they arrive as keys: on X11
// by grabbing the keyboard for the capturing window, on Wayland by asking the
// compositor to inhibit its shortcuts for that window's surface. Both follow
// the window: released while it is hidden, taken again when it shows.

#include <QObject>
#include <QPointer>
#include <memory>

class QLabel;
class QRect;
class QTimer;
class QWidget;

namespace vandrel {

class ShortcutInhibitor : public QObject {
    Q_OBJECT
public:
    enum class State {
        Off,          // not activated
        Pending,      // activated; waiting for the window or the desktop
        Active,       // the desktop's shortcuts come to the window as keys
        Unavailable,  // this desktop does not let them be taken
    };

    explicit ShortcutInhibitor(QObject* parent = nullptr);
    ~ShortcutInhibitor() override;

    // Starts taking the desktop's shortcuts for the top-level window that
    // holds `window`, now or as soon as `window` is shown. Activating again
    // moves to that window.
    void activate(QWidget* window);
    // Gives the shortcuts back to the desktop.
    void release();

    State state() const { return m_state; }
    bool activated() const { return !m_window.isNull(); }
    // Whether to tell the user that desktop shortcuts cannot be captured
    // here: the desktop lacks the means, or refused, or has not agreed in
    // time. A platform without desktop shortcuts of its own (offscreen) never says so.
    bool cannotCapture() const { return m_state == State::Unavailable; }

    // How long the desktop may take to agree before the user is told (it may
    // ask the user first); a later agreement clears the notice.
    static constexpr int kAnswerWaitMs = 3000;

    // A one-line notice in `dialog` at `area` that says so, shown while
    // cannotCapture() holds and `relevant()` does (the dialog's capturing
    // page); call the returned label's update through refreshNotice().
    QLabel* makeNotice(QWidget* dialog, const QRect& area);
    void refreshNotice(bool relevant);

signals:
    void stateChanged(vandrel::ShortcutInhibitor::State state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Backend { None, X11, Wayland };
    void take();
    void giveBack();
    void tryGrab();
    void setState(State state);

    Backend m_backend = Backend::None;
    QPointer<QWidget> m_window;
    QPointer<QLabel> m_notice;
    bool m_noticeRelevant = true;
    QTimer* m_retry = nullptr;
    QTimer* m_answerWait = nullptr;
    int m_attempts = 0;
    bool m_grabbed = false;
    State m_state = State::Off;
    struct Wayland;
    std::unique_ptr<Wayland> m_wayland;
};

}  // namespace vandrel
