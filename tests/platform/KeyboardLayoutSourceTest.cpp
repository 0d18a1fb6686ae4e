#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

#include "layout/KeyLegends.h"
#include "platform/KeyboardLayoutSource.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

// A watcher that reports what the test sets.
class FakeWatcher : public LayoutWatcher {
public:
    explicit FakeWatcher(KeyboardLayout* now) : m_now(now) {}
    KeyboardLayout layout() override { return *m_now; }

private:
    KeyboardLayout* m_now;
};

bool waitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QTest::qWait(20);
    return done();
}

}  // namespace

TEST(KeyboardLayoutSource, ReportsAChangeOnceAfterItsNoticesSettle) {
    test::app();
    KeyboardLayout now = KeyboardLayout::fromNames("de");
    auto watcher = std::make_unique<FakeWatcher>(&now);
    FakeWatcher* w = watcher.get();
    KeyboardLayoutSource source(std::move(watcher));
    EXPECT_EQ(source.current().description(), "German");
    QSignalSpy changed(&source, &KeyboardLayoutSource::changed);

    // Three notices of one change: one signal.
    now = KeyboardLayout::fromNames("fr");
    for (int i = 0; i < 3; ++i) w->changed();
    ASSERT_TRUE(waitFor([&] { return changed.count() > 0; }));
    QTest::qWait(100);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(source.current().description(), "French");

    // A notice that changes nothing says nothing; a lost layout counts as US.
    w->changed();
    QTest::qWait(150);
    EXPECT_EQ(changed.count(), 1);
    now = KeyboardLayout();
    source.refresh();
    EXPECT_TRUE(source.current().sameAs(usLayout()));
    EXPECT_EQ(changed.count(), 2);
}

TEST(KeyboardLayoutSource, WithoutAWatcherIsUs) {
    test::app();
    KeyboardLayoutSource source(nullptr);
    EXPECT_TRUE(source.current().sameAs(usLayout()));
}

// The X server's layout, followed live through setxkbmap, on an Xvfb of the
// test's own.
TEST(KeyboardLayoutSource, FollowsSetxkbmapOnAnXServer) {
    test::app();
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString setxkbmap = QStandardPaths::findExecutable(QStringLiteral("setxkbmap"));
    if (xvfb.isEmpty() || setxkbmap.isEmpty()) GTEST_SKIP() << "needs Xvfb and setxkbmap";
    // A display number no other server holds.
    int number = 200 + static_cast<int>(getpid() % 500);
    while (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) ++number;
    const QString display = QStringLiteral(":%1").arg(number);
    QProcess server;
    server.start(xvfb, {display, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted());
    // Puts the environment back and stops the server, also when a check fails.
    struct Cleanup {
        QProcess& server;
        QByteArray display = qgetenv("DISPLAY");
        ~Cleanup() {
            if (display.isNull())
                qunsetenv("DISPLAY");
            else
                qputenv("DISPLAY", display);
            server.terminate();
            server.waitForFinished();
        }
    } cleanup{server};
    qputenv("DISPLAY", display.toLatin1());
    auto setLayout = [&](const char* name) {
        return QProcess::execute(setxkbmap, {QStringLiteral("-display"), display, QString::fromLatin1(name)}) == 0;
    };
    // The server takes a moment before it accepts clients.
    std::unique_ptr<LayoutWatcher> watcher;
    ASSERT_TRUE(waitFor([&] { return (watcher = makeX11LayoutWatcher()) != nullptr; }, 10000));

    ASSERT_TRUE(setLayout("us"));
    KeyboardLayoutSource source(std::move(watcher));
    EXPECT_TRUE(waitFor([&] { return keyCapLegend(source.current(), 21) == U"Y"; }));
    ASSERT_TRUE(setLayout("de"));
    EXPECT_TRUE(waitFor([&] { return keyCapLegend(source.current(), 21) == U"Z"; }));
    ASSERT_TRUE(setLayout("us"));
    EXPECT_TRUE(waitFor([&] { return keyCapLegend(source.current(), 21) == U"Y"; }));
}
