#include "platform/linux/QuitSignals.h"

#include <juce_events/juce_events.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <thread>
#include <utility>

namespace
{
    constexpr std::array<int, 2> quitSignals { SIGTERM, SIGHUP };

    // The handler may run on any thread, at any moment: it shares only lock-free atomics, which
    // are safe in a signal handler, and the destructor waits for it before closing the pipe.
    std::atomic<int> signalledPipe { -1 };
    std::atomic<int> handlersRunning { 0 };
    static_assert (std::atomic<int>::is_always_lock_free, "a signal handler may use only lock-free atomics");

    std::array<struct sigaction, quitSignals.size()> earlierHandling {};

    /** Async-signal-safe: one write, errno as it was. A full pipe already holds a wake-up. */
    void wakeTheMessageLoop (int)
    {
        const auto savedErrno = errno;
        handlersRunning.fetch_add (1);

        if (const auto fd = signalledPipe.load(); fd >= 0)
        {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write (fd, &byte, 1);
        }

        handlersRunning.fetch_sub (1);
        errno = savedErrno;
    }
}

QuitSignals::QuitSignals (std::function<void()> onQuit)
    : onQuitRequest (std::move (onQuit))
{
    JUCE_ASSERT_MESSAGE_THREAD
    jassert (signalledPipe.load() < 0);   // one instance at a time

    int ends[2] {};

    if (::pipe2 (ends, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        jassertfalse;
        return;   // the signals keep their default handling
    }

    readEnd = ends[0];
    writeEnd = ends[1];
    signalledPipe.store (writeEnd);

    juce::LinuxEventLoop::registerFdCallback (readEnd, [this] (int fd)
                                              {
                                                  std::array<char, 64> bytes {};
                                                  while (::read (fd, bytes.data(), bytes.size()) > 0)
                                                  {
                                                  }

                                                  if (onQuitRequest != nullptr)
                                                      onQuitRequest();
                                              });

    struct sigaction handling {};
    handling.sa_handler = wakeTheMessageLoop;
    sigemptyset (&handling.sa_mask);
    handling.sa_flags = SA_RESTART;

    for (size_t i = 0; i < quitSignals.size(); ++i)
        ::sigaction (quitSignals[i], &handling, &earlierHandling[i]);
}

QuitSignals::~QuitSignals()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (readEnd < 0)
        return;

    // The handlers go before the pipe they write to.
    for (size_t i = 0; i < quitSignals.size(); ++i)
        ::sigaction (quitSignals[i], &earlierHandling[i], nullptr);

    // A handler that began before that, on another thread, may still be about to write: once the
    // descriptor is taken away, only such a handler can hold it, and the pipe closes after the
    // last one has written. Otherwise its byte could land in whatever file reuses the number.
    signalledPipe.store (-1);
    while (handlersRunning.load() != 0)
        std::this_thread::yield();

    juce::LinuxEventLoop::unregisterFdCallback (readEnd);
    ::close (readEnd);
    ::close (writeEnd);
}
