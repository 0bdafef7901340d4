#include "platform/linux/QuitSignals.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <thread>
#include <unistd.h>

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

namespace
{
    std::atomic<int> earlierHandlerRuns { 0 };
    void countEarlierHandling (int) { earlierHandlerRuns.fetch_add (1); }
}

// Another thread takes quit signals while the panel's handling ends: each reaches the handler
// of the moment, and nothing lands in the descriptors that reuse the closed pipe's numbers.
// The thread sanitizer build also checks that the handler shares nothing unsynchronised with
// the destructor.
TEST (QuitSignals, SignalsOnAnotherThreadDuringTeardownNeitherEndTheProcessNorWriteIntoReusedDescriptors)
{
    struct sigaction counting {}, before {};
    counting.sa_handler = countEarlierHandling;
    sigemptyset (&counting.sa_mask);
    ::sigaction (SIGTERM, &counting, &before);
    earlierHandlerRuns = 0;

    std::atomic<int> raised { 0 };
    std::atomic<bool> stop { false };
    auto quitSignals = std::make_unique<QuitSignals> ([] {});

    std::thread sender ([&]
    {
        while (! stop.load (std::memory_order_relaxed))
        {
            ::pthread_kill (::pthread_self(), SIGTERM);
            raised.fetch_add (1, std::memory_order_relaxed);
        }
    });

    EXPECT_TRUE (pumpMessagesUntil ([&] { return raised.load (std::memory_order_relaxed) > 100; }));
    quitSignals.reset();

    // The lowest free numbers are the pipe's; this pipe takes them.
    int reused[2] { -1, -1 };
    const auto piped = ::pipe2 (reused, O_NONBLOCK | O_CLOEXEC) == 0;
    EXPECT_TRUE (pumpMessagesUntil ([&] { return earlierHandlerRuns.load() > 100; }));
    stop = true;
    sender.join();
    ::sigaction (SIGTERM, &before, nullptr);

    ASSERT_TRUE (piped);
    char byte = 0;
    EXPECT_EQ (::read (reused[0], &byte, 1), -1);
    EXPECT_EQ (errno, EAGAIN);

    ::close (reused[0]);
    ::close (reused[1]);
}
