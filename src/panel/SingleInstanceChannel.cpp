#include "panel/SingleInstanceChannel.h"

#include "panel/HandOverFrame.h"
#include "panel/SingleInstanceFolder.h"
#include "platform/SteadyDeadline.h"
#include "platform/linux/ScopedFd.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace SingleInstanceChannel
{
namespace
{
    using Outcome = HandOverResult::Outcome;

    constexpr char acceptedAnswer = 1;
    constexpr char busyAnswer = 0;

    /** Launches wait in the socket's queue while the panel starts, before it accepts any. */
    constexpr int listenBacklog = 16;

    /** How often a launch looks again while another holds the claim or a panel is ending. */
    constexpr int retryPauseMs = 20;

    /** How long a launch lets a busy panel work before it asks again. */
    constexpr int busyPauseMs = 50;

    /** Waits for the socket to become ready until the deadline. */
    bool waitFor (int fd, short events, SteadyDeadline deadline)
    {
        for (;;)
        {
            pollfd p { fd, events, 0 };
            const auto ready = ::poll (&p, 1, deadline.millisecondsLeft());
            if (ready < 0 && errno == EINTR)
                continue;
            return ready > 0;
        }
    }

    enum class Transfer { done, timedOut, closed };

    Transfer writeAll (int fd, const char* data, size_t size, SteadyDeadline deadline)
    {
        while (size > 0)
        {
            const auto written = ::send (fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            {
                if (! waitFor (fd, POLLOUT, deadline))
                    return Transfer::timedOut;
                continue;
            }
            if (written <= 0)
                return Transfer::closed;
            data += written;
            size -= static_cast<size_t> (written);
        }
        return Transfer::done;
    }

    /** Reads exactly size bytes before the deadline. */
    Transfer readExactly (int fd, char* data, size_t size, SteadyDeadline deadline)
    {
        while (size > 0)
        {
            if (! waitFor (fd, POLLIN, deadline))
                return Transfer::timedOut;

            const auto count = ::recv (fd, data, size, MSG_DONTWAIT);
            if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (count <= 0)
                return Transfer::closed;
            data += count;
            size -= static_cast<size_t> (count);
        }
        return Transfer::done;
    }

    bool peerIsSameUser (int fd)
    {
        ucred credentials {};
        socklen_t length = sizeof (credentials);
        return ::getsockopt (fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0
            && credentials.uid == ::getuid();
    }

    /** Reads one frame before the deadline, asking only for the bytes it still lacks. Nothing when
        it is refused or incomplete, or the peer is too slow: a connection that only probes
        whether we are alive says nothing.
    */
    std::optional<juce::String> readCommandLine (int fd, SteadyDeadline deadline)
    {
        juce::MemoryBlock received;

        for (;;)
        {
            const auto reading = HandOverFrame::read (static_cast<const std::uint8_t*> (received.getData()), received.getSize());

            if (reading.status == HandOverFrame::Reading::Status::complete)
                return reading.commandLine;
            if (reading.status == HandOverFrame::Reading::Status::refused)
                return std::nullopt;

            const auto had = received.getSize();
            received.setSize (reading.frameBytes);
            if (readExactly (fd, static_cast<char*> (received.getData()) + had, reading.frameBytes - had, deadline) != Transfer::done)
                return std::nullopt;
        }
    }

    enum class ConnectResult { connected, nobodyListens, timedOut, failed };

    /** Connects without blocking: a full queue is retried until the deadline. */
    ConnectResult connectTo (const sockaddr_un& address, SteadyDeadline deadline, ScopedFd& fd, juce::String& error)
    {
        fd.reset (::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (! fd.isValid())
        {
            error = std::strerror (errno);
            return ConnectResult::failed;
        }

        for (;;)
        {
            if (::connect (fd.get(), reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0)
                return ConnectResult::connected;

            if (errno == ENOENT || errno == ECONNREFUSED)
                return ConnectResult::nobodyListens;

            if (errno != EAGAIN && errno != EINTR)
            {
                error = std::strerror (errno);
                return ConnectResult::failed;
            }

            if (deadline.millisecondsLeft() == 0)
                return ConnectResult::timedOut;

            ::usleep (retryPauseMs * 1000);   // a second launch, not the message thread
        }
    }

    /** True when the thing at the socket's name is a socket: a link, a file or a folder there is
        nobody listening (connect would follow a link).
    */
    bool socketIsThere (const SingleInstanceFolder::Opened& folder)
    {
        struct stat info {};
        return ::fstatat (folder.descriptor(), SingleInstanceFolder::socketName().toRawUTF8(), &info, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISSOCK (info.st_mode);
    }

    //==============================================================================
    /** Accepts hand-overs on its own thread and posts each command line to the message thread. */
    class HandOverReceiver final : private juce::Thread
    {
    public:
        HandOverReceiver (int listeningSocket, std::function<void (const juce::String&)> callback)
            : juce::Thread ("Second launch listener"),
              fd (listeningSocket), onCommandLine (std::move (callback))
        {
            startThread();
        }

        ~HandOverReceiver() override
        {
            signalThreadShouldExit();
            ::shutdown (fd, SHUT_RDWR);
            stopThread (2000);
        }

    private:
        void run() override
        {
            while (! threadShouldExit())
            {
                pollfd p { fd, POLLIN, 0 };
                if (::poll (&p, 1, 200) <= 0)
                    continue;

                ScopedFd peer (::accept4 (fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
                if (! peer.isValid() || ! peerIsSameUser (peer.get()))
                    continue;

                // One deadline for the whole connection: a peer that dribbles bytes cannot hold
                // the only listener thread.
                const auto deadline = SteadyDeadline::in (connectionDeadlineMs);
                if (auto commandLine = readCommandLine (peer.get(), deadline))
                {
                    const char answer = post (*commandLine) ? acceptedAnswer : busyAnswer;
                    writeAll (peer.get(), &answer, 1, deadline);
                }
            }
        }

        /** Queues the command line for the message thread unless too many already wait. */
        bool post (const juce::String& commandLine)
        {
            if (pending->fetch_add (1) >= maxPendingHandOvers)
            {
                --*pending;
                return false;
            }

            const auto posted = juce::MessageManager::callAsync ([callback = onCommandLine, text = commandLine, count = pending]
                                                                 {
                                                                     --*count;
                                                                     callback (text);
                                                                 });
            if (! posted)
                --*pending;
            return posted;
        }

        const int fd;
        std::function<void (const juce::String&)> onCommandLine;
        std::shared_ptr<std::atomic<int>> pending = std::make_shared<std::atomic<int>> (0);
    };

    //==============================================================================
    class ChannelClaim final : public Claim
    {
    public:
        ChannelClaim (ScopedFd heldLock, std::unique_ptr<SingleInstanceFolder::Opened> openedFolder)
            : lock (std::move (heldLock)), folder (std::move (openedFolder))
        {
            makeListener();
        }

        ~ChannelClaim() override
        {
            stopListening();
        }

        juce::String listenerProblem() const override { return problem; }

        void startListening (std::function<void (const juce::String&)> onCommandLine) override
        {
            if (listening.isValid() && receiver == nullptr)
                receiver = std::make_unique<HandOverReceiver> (listening.get(), std::move (onCommandLine));
        }

        void stopListening() override
        {
            receiver = nullptr;

            if (listening.isValid())
            {
                listening.reset();

                // Only the socket we made: the name is ours while we hold the lock, but what is
                // there now need not be.
                struct stat info {};
                if (::fstatat (folder->descriptor(), name().toRawUTF8(), &info, AT_SYMLINK_NOFOLLOW) == 0
                    && info.st_dev == boundDevice && info.st_ino == boundInode)
                    ::unlinkat (folder->descriptor(), name().toRawUTF8(), 0);
            }
        }

    private:
        const juce::String& name() const noexcept { return socketName; }

        juce::String described() const { return folder->path().getChildFile (name()).getFullPathName().quoted(); }

        void makeListener()
        {
            const auto dir = folder->descriptor();
            sockaddr_un address;
            if (! folder->fillAddress (address, name()))
            {
                problem = "the path " + described() + " is too long for a socket";
                return;
            }

            // Whatever is at the name was left by an earlier panel (a crash leaves its socket) or
            // by the user: only the holder of the lock gets here. A folder is not ours to empty,
            // and a live socket belongs to a program that does not take the lock.
            struct stat info {};
            if (::fstatat (dir, name().toRawUTF8(), &info, AT_SYMLINK_NOFOLLOW) == 0)
            {
                if (S_ISDIR (info.st_mode))
                {
                    problem = "a folder is in the way at " + described();
                    return;
                }

                ScopedFd probe;
                juce::String ignored;
                if (S_ISSOCK (info.st_mode) && connectTo (address, SteadyDeadline::in (200), probe, ignored) != ConnectResult::nobodyListens)
                {
                    problem = "another program listens at " + described();
                    return;
                }

                ::unlinkat (dir, name().toRawUTF8(), 0);
            }

            ScopedFd fd (::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
            if (! fd.isValid()
                || ::bind (fd.get(), reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0
                || ::listen (fd.get(), listenBacklog) != 0
                || ::fstatat (dir, name().toRawUTF8(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            {
                problem = "cannot listen at " + described() + ": " + juce::String (std::strerror (errno));
                return;
            }

            boundDevice = info.st_dev;
            boundInode = info.st_ino;
            listening = std::move (fd);
        }

        ScopedFd lock;   // first in, last out: the lock goes only once the socket is gone
        std::unique_ptr<SingleInstanceFolder::Opened> folder;
        const juce::String socketName = SingleInstanceFolder::socketName();
        ScopedFd listening;
        dev_t boundDevice = 0;
        ino_t boundInode = 0;
        juce::String problem;
        std::unique_ptr<HandOverReceiver> receiver;
    };

    struct ClaimAttempt
    {
        std::unique_ptr<Claim> claim;
        bool heldElsewhere = false;
        juce::String reason;   ///< why the lock could not be tried at all
    };

    /** Opens the lock file, made if missing. Only a plain file can be the lock: nobody holds one
        through a link, a FIFO or a socket, so such a thing at its name is removed like a stale
        socket (a plain file never is: it may be held). O_NONBLOCK: a FIFO there must not hold the
        launch in open().
    */
    ScopedFd openLockFile (int folder, const juce::String& name, juce::String& error)
    {
        for (int attempt = 0;; ++attempt)
        {
            ScopedFd lock (::openat (folder, name.toRawUTF8(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, S_IRUSR | S_IWUSR));
            struct stat info {};

            if (! lock.isValid() && (errno != ELOOP || attempt > 0))
            {
                error = std::strerror (errno);
                return ScopedFd();
            }

            if (lock.isValid())
            {
                if (::fstat (lock.get(), &info) != 0)
                {
                    error = std::strerror (errno);
                    return ScopedFd();
                }
                if (S_ISREG (info.st_mode))
                    return lock;
                if (attempt > 0)
                {
                    error = "it is not a plain file";
                    return ScopedFd();
                }
            }

            lock.reset();
            ::unlinkat (folder, name.toRawUTF8(), 0);
        }
    }

    /** Takes the lock; the claim then owns the folder, which is left as it was otherwise. */
    ClaimAttempt takeClaim (std::unique_ptr<SingleInstanceFolder::Opened>& folder)
    {
        const auto lockPath = folder->path().getChildFile (SingleInstanceFolder::lockName()).getFullPathName().quoted();

        juce::String error;
        auto lock = openLockFile (folder->descriptor(), SingleInstanceFolder::lockName(), error);
        if (! lock.isValid())
            return { nullptr, false, "cannot open the lock file " + lockPath + ": " + error };

        int locked;
        do
            locked = ::flock (lock.get(), LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR);

        if (locked != 0)
        {
            if (errno == EWOULDBLOCK)
                return { nullptr, true, {} };
            return { nullptr, false, "cannot lock " + lockPath + ": " + juce::String (std::strerror (errno)) };
        }

        return { std::make_unique<ChannelClaim> (std::move (lock), std::move (folder)), false, {} };
    }

    HandOverResult refusal (const SingleInstanceFolder::Opened& folder)
    {
        return { folder.inAnotherUsersPlace() ? Outcome::othersPlace : Outcome::folderRefused,
                 "the folder " + folder.path().getFullPathName().quoted() + " cannot be used: " + folder.problem() };
    }

    /** One connection: connect, send the frame, read the answer, all before the deadline. */
    HandOverResult handOverOnce (const SingleInstanceFolder::Opened& folder, const std::optional<juce::MemoryBlock>& frame,
                                 const juce::String& frameProblem, SteadyDeadline deadline)
    {
        const auto path = folder.path().getChildFile (SingleInstanceFolder::socketName()).getFullPathName().quoted();

        // Where no socket can be addressed, none can listen: the claim's holder says why.
        sockaddr_un address;
        if (! folder.fillAddress (address, SingleInstanceFolder::socketName()) || ! socketIsThere (folder))
            return { Outcome::noRunningInstance, {} };

        ScopedFd fd;
        juce::String error;
        switch (connectTo (address, deadline, fd, error))
        {
            case ConnectResult::connected:     break;
            case ConnectResult::nobodyListens: return { Outcome::noRunningInstance, {} };
            case ConnectResult::timedOut:      return { Outcome::noAnswer, "the running panel accepted no connection in time" };
            case ConnectResult::failed:        return { Outcome::failed, "cannot connect to " + path + ": " + error };
        }

        if (! peerIsSameUser (fd.get()))
            return { Outcome::failed, "the socket " + path + " belongs to another user" };

        if (! frame.has_value())
            return { Outcome::failed, frameProblem };

        const auto left = HandOverResult { Outcome::panelLeft, "the running panel ended before it took the command line" };

        switch (writeAll (fd.get(), static_cast<const char*> (frame->getData()), frame->getSize(), deadline))
        {
            case Transfer::done:     break;
            case Transfer::timedOut: return { Outcome::noAnswer, "the running panel did not take the command line in time" };
            case Transfer::closed:   return left;
        }

        char answer = busyAnswer;
        switch (readExactly (fd.get(), &answer, 1, deadline))
        {
            case Transfer::done:     break;
            case Transfer::timedOut: return { Outcome::noAnswer, "the running panel did not answer in time" };
            case Transfer::closed:   return left;
        }

        if (answer != acceptedAnswer)
            return { Outcome::busy, "the running panel stayed busy with earlier launches" };

        return { Outcome::accepted, {} };
    }

    juce::String whyNoFrame (const juce::String& commandLine)
    {
        return commandLine.getNumBytesAsUTF8() > HandOverFrame::maxTextBytes ? "the command line is too long"
                                                                              : "the command line is not UTF-8 text";
    }

    /** Busy passes as the panel works through earlier launches: ask again while there is time
        for a whole exchange.
    */
    bool worthAskingAgain (const HandOverResult& result, SteadyDeadline deadline)
    {
        return result.outcome == Outcome::busy && deadline.millisecondsLeft() >= 250;
    }
}

juce::File socketFile()
{
    return SingleInstanceFolder::socketFile();
}

HandOverResult handOverToRunningInstance (const juce::String& commandLine, int timeoutMs)
{
    const auto deadline = SteadyDeadline::in (timeoutMs);
    const SingleInstanceFolder::Opened folder;

    if (folder.problem().isNotEmpty())
        return refusal (folder);

    const auto frame = HandOverFrame::write (commandLine);

    for (;;)
    {
        auto result = handOverOnce (folder, frame, whyNoFrame (commandLine), deadline);
        if (! worthAskingAgain (result, deadline))
            return result;

        ::usleep (busyPauseMs * 1000);   // a second launch, not the message thread
    }
}

std::unique_ptr<Claim> tryClaim()
{
    auto folder = std::make_unique<SingleInstanceFolder::Opened>();
    if (folder->problem().isNotEmpty())
        return {};

    return takeClaim (folder).claim;
}

Launch handOverOrClaim (const juce::String& commandLine, int timeoutMs)
{
    const auto deadline = SteadyDeadline::in (timeoutMs);
    auto folder = std::make_unique<SingleInstanceFolder::Opened>();

    if (folder->problem().isNotEmpty())
        return { refusal (*folder), nullptr };

    const auto frame = HandOverFrame::write (commandLine);

    for (;;)
    {
        auto result = handOverOnce (*folder, frame, whyNoFrame (commandLine), deadline);

        if (result.outcome == Outcome::noRunningInstance)
        {
            auto attempt = takeClaim (folder);
            if (attempt.claim != nullptr)
                return { std::move (result), std::move (attempt.claim) };
            if (! attempt.heldElsewhere)
                return { { Outcome::failed, attempt.reason }, nullptr };

            // Another launch holds the claim: a panel about to listen, one ending, or one that cannot.
            result = { Outcome::noAnswer, "a panel is running but does not listen for later launches (it is ending, or it said why when it started)" };
        }
        else if (result.outcome != Outcome::panelLeft && ! worthAskingAgain (result, deadline))
        {
            return { std::move (result), nullptr };
        }

        if (deadline.millisecondsLeft() == 0)
            return { std::move (result), nullptr };

        ::usleep ((result.outcome == Outcome::busy ? busyPauseMs : retryPauseMs) * 1000);   // a launch, not the message thread
    }
}
}
