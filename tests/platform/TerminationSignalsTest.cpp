// The signals that end the program reach the event loop as a Qt signal, and
// the handlers that were there before come back.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <csignal>

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

}  // namespace
