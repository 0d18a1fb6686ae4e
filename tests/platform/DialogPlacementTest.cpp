#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "platform/DialogPlacement.h"
#include "platform/ShortcutInhibitor.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

// A main window that counts the input it gets.
struct Host : QWidget {
    int clicks = 0, keys = 0;
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

// Runs `whileOpen` once the dialog's event loop runs, then ends the dialog.
void whenOpen(QDialog& dialog, const std::function<void()>& whileOpen) {
    QTimer::singleShot(0, &dialog, [&dialog, whileOpen] {
        whileOpen();
        dialog.done(QDialog::Accepted);
    });
}

struct WithApp {
    WithApp() { test::app(); }
};

struct Placement : ::testing::Test, WithApp {
    Placement() {
        host.resize(1000, 640);
        host.move(200, 100);
        host.show();
        dialog.resize(325, 276);
    }
    Host host;
    QDialog dialog{&host, Qt::Dialog | Qt::FramelessWindowHint};
};

TEST_F(Placement, InsideTheWindowTheDialogSitsWhereX11PutsItAndShutsOffTheWindow) {
    QPoint centredAt, cornerAt;
    bool childOfWindow = false;
    whenOpen(dialog, [&] {
        centredAt = dialog.mapTo(&host, QPoint(0, 0));
        childOfWindow = !dialog.isWindow() && dialog.window() == &host && dialog.isVisible();
        // A click beside the dialog and a key it leaves reach nothing beneath.
        const QPoint beside(20, 20);
        QWidget* under = host.childAt(beside);
        ASSERT_NE(under, nullptr);
        QMouseEvent press(QEvent::MouseButtonPress, beside, host.mapToGlobal(beside), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(under, &press);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
        QApplication::sendEvent(&dialog, &key);
    });
    EXPECT_EQ(execOver(dialog, &host, std::nullopt, /*inside=*/true), QDialog::Accepted);
    EXPECT_TRUE(childOfWindow);
    // As X11 centres it: the centres of the two rectangles (Qt rounds down).
    EXPECT_EQ(centredAt, QPoint(499 - 162, 319 - 137));
    EXPECT_EQ(host.clicks, 0);
    EXPECT_EQ(host.keys, 0);

    // Afterwards it waits hidden in the window for the next run, and the
    // window takes input again.
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.parentWidget(), &host);
    EXPECT_EQ(host.childAt(QPoint(20, 20)), nullptr);

    whenOpen(dialog, [&] { cornerAt = dialog.mapTo(&host, QPoint(0, 0)); });
    execOver(dialog, &host, QPoint(-1, -1), /*inside=*/true);
    EXPECT_EQ(cornerAt, QPoint(-1, -1));
}

TEST_F(Placement, AsAWindowOfItsOwnTheDialogIsMovedOverTheMainWindow) {
    bool separate = false;
    whenOpen(dialog, [&] { separate = dialog.isWindow(); });
    execOver(dialog, &host, QPoint(-1, -1), /*inside=*/false);
    EXPECT_TRUE(separate);
    EXPECT_EQ(dialog.pos(), host.mapToGlobal(QPoint(-1, -1)));
}

TEST(ShortcutInhibitorOffscreen, APlatformWithoutDesktopShortcutsNeverShowsTheNotice) {
    test::app();
    QDialog dialog;
    ShortcutInhibitor inhibitor;
    QLabel* notice = inhibitor.makeNotice(&dialog, QRect(20, 168, 285, 34));
    dialog.show();
    inhibitor.activate(&dialog);
    EXPECT_TRUE(inhibitor.activated());
    EXPECT_FALSE(inhibitor.cannotCapture());
    EXPECT_FALSE(notice->isVisible());
    inhibitor.release();
    EXPECT_EQ(inhibitor.state(), ShortcutInhibitor::State::Off);
}

}  // namespace
