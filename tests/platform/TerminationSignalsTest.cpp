// The signals that end the program reach the event loop as a Qt signal, and
// the handlers that were there before come back.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <chrono>
#include <csignal>
#include <thread>

#include <unistd.h>

#include "platform/TerminationSignals.h"
#include "TestApp.h"

using namespace vandrel;

namespace {

int g_earlierHandlerCalls = 0;
void earlierHandler(int) { ++g_earlierHandlerCalls; }

TEST(TerminationSignals, EachEndingSignalReachesTheEventLoopOnce) {
    test::app();
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        std::signal(sig, earlierHandler);
        g_earlierHandlerCalls = 0;
        {
            TerminationSignals handlers;
            ASSERT_TRUE(handlers.installed());
            // Only one set of handlers per process.
            EXPECT_FALSE(TerminationSignals().installed());
            QSignalSpy received(&handlers, &TerminationSignals::received);
            std::raise(sig);  // the process does not end
            ASSERT_TRUE(received.wait(2000));
            ASSERT_EQ(received.count(), 1);
            EXPECT_EQ(received.front().front().toInt(), sig);
            EXPECT_EQ(g_earlierHandlerCalls, 0);
            // A second signal takes the course it had before.
            std::raise(sig);
            EXPECT_EQ(g_earlierHandlerCalls, 1);
            EXPECT_FALSE(received.wait(100));
        }
        // And so does every signal once the program no longer listens.
        std::raise(sig);
        EXPECT_EQ(g_earlierHandlerCalls, 2);
        std::signal(sig, SIG_DFL);
    }
}

// The window thread never gets back to its event loop (a pattern that never
// ends, a transfer that hangs): the watchdog ends the process at its deadline
// all the same, without that thread.
TEST(TerminationSignalsDeathTest, AFrozenWindowThreadDoesNotKeepTheProcessAlive) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            test::app();
            // Should nothing end the process, the alarm does, and the test fails.
            ::alarm(10);
            TerminationSignals handlers(300);
            ::kill(::getpid(), SIGTERM);
            for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
        },
        ::testing::ExitedWithCode(128 + SIGTERM), "did not end within 300 ms");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    // Without a signal the watchdog waits for ever, and goes with the handlers.
    test::app();
    { TerminationSignals handlers(1); }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace
