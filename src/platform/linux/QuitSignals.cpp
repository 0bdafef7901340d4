#include "platform/linux/QuitSignals.h"

#include <juce_events/juce_events.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace
{
    constexpr std::array<int, 2> quitSignals { SIGTERM, SIGHUP };

    volatile std::sig_atomic_t signalledPipe = -1;
    std::array<struct sigaction, quitSignals.size()> earlierHandling {};

    /** Async-signal-safe: one write, errno as it was. A full pipe already holds a wake-up. */
    void wakeTheMessageLoop (int)
    {
        const auto savedErrno = errno;
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write (signalledPipe, &byte, 1);
        errno = savedErrno;
    }
}

QuitSignals::QuitSignals (std::function<void()> onQuit)
    : onQuitRequest (std::move (onQuit))
{
    JUCE_ASSERT_MESSAGE_THREAD
    jassert (signalledPipe < 0);   // one instance at a time

    int ends[2] {};

    if (::pipe2 (ends, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        jassertfalse;
        return;   // the signals keep their default handling
    }

    readEnd = ends[0];
    writeEnd = ends[1];
    signalledPipe = writeEnd;

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

    signalledPipe = -1;
    juce::LinuxEventLoop::unregisterFdCallback (readEnd);
    ::close (readEnd);
    ::close (writeEnd);
}
