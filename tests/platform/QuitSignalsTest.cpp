#include "platform/linux/QuitSignals.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <csignal>

TEST (QuitSignals, TheSystemsQuitRequestReachesTheMessageThreadThenItsEarlierHandlingComesBack)
{
    int requests = 0;
    {
        QuitSignals quitSignals ([&] { ++requests; });

        // Nothing runs inside the handler: the request waits for the message loop.
        ::raise (SIGTERM);
        EXPECT_EQ (requests, 0);
        EXPECT_TRUE (pumpMessagesUntil ([&] { return requests == 1; }));

        ::raise (SIGHUP);
        EXPECT_TRUE (pumpMessagesUntil ([&] { return requests == 2; }));
    }

    struct sigaction handling {};
    ::sigaction (SIGTERM, nullptr, &handling);
    EXPECT_EQ (handling.sa_handler, SIG_DFL);
}
