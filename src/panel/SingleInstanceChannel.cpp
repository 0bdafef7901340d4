#include "panel/SingleInstanceChannel.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace SingleInstanceChannel
{
namespace
{
    constexpr int maxCommandLineBytes = 64 * 1024;
    constexpr char acceptedAnswer = 1;
    constexpr char busyAnswer = 0;

    /** Milliseconds left until a deadline on the millisecond counter; 0 once it has passed. */
    int millisecondsUntil (juce::uint32 deadline)
    {
        const auto now = juce::Time::getMillisecondCounter();
        return deadline > now ? static_cast<int> (deadline - now) : 0;
    }

    /** Waits for the socket to become ready until the deadline. */
    bool waitFor (int fd, short events, juce::uint32 deadline)
    {
        for (;;)
        {
            pollfd p { fd, events, 0 };
            const auto ready = ::poll (&p, 1, millisecondsUntil (deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            return ready > 0;
        }
    }

    struct ScopedFd
    {
        explicit ScopedFd (int f = -1) : fd (f) {}
        ~ScopedFd() { if (fd >= 0) ::close (fd); }
        ScopedFd (const ScopedFd&) = delete;
        ScopedFd& operator= (const ScopedFd&) = delete;
        ScopedFd& operator= (ScopedFd&& other) noexcept
        {
            if (fd >= 0)
                ::close (fd);
            fd = other.release();
            return *this;
        }
        int release() { auto f = fd; fd = -1; return f; }
        int fd;
    };

    /** Why a folder cannot hold the channel, or empty when it is ours and nobody else may enter
        or write it.
    */
    juce::String folderProblem (const juce::File& folder)
    {
        struct stat info {};
        if (::lstat (folder.getFullPathName().toRawUTF8(), &info) != 0)
            return juce::String (std::strerror (errno));
        if (S_ISLNK (info.st_mode))
            return "it is a symbolic link";
        if (! S_ISDIR (info.st_mode))
            return "it is not a folder";
        if (info.st_uid != ::getuid())
            return "it belongs to another user";
        if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
            return "other users may enter it (mode " + juce::String::formatted ("%o", static_cast<unsigned> (info.st_mode & 07777)) + ")";
        return {};
    }

    bool isPrivateFolder (const juce::File& folder)
    {
        return folderProblem (folder).isEmpty();
    }

    juce::File channelFolder()
    {
        const auto runtime = juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {});

        if (runtime.isNotEmpty() && juce::File::isAbsolutePath (runtime) && isPrivateFolder (juce::File (runtime)))
            return juce::File (runtime);

        auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("talvo-z3-control-" + juce::String (static_cast<int> (::getuid())));
        ::mkdir (folder.getFullPathName().toRawUTF8(), S_IRWXU);
        return folder;
    }

    bool fillAddress (sockaddr_un& address, const juce::File& file)
    {
        const auto path = file.getFullPathName();
        address = {};
        address.sun_family = AF_UNIX;

        if (static_cast<size_t> (path.getNumBytesAsUTF8()) >= sizeof (address.sun_path))
            return false;

        std::memcpy (address.sun_path, path.toRawUTF8(), static_cast<size_t> (path.getNumBytesAsUTF8()));
        return true;
    }

    bool peerIsSameUser (int fd)
    {
        ucred credentials {};
        socklen_t length = sizeof (credentials);
        return ::getsockopt (fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0
            && credentials.uid == ::getuid();
    }

    bool writeAll (int fd, const char* data, size_t size, juce::uint32 deadline)
    {
        while (size > 0)
        {
            const auto written = ::send (fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            {
                if (! waitFor (fd, POLLOUT, deadline))
                    return false;
                continue;
            }
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<size_t> (written);
        }
        return true;
    }

    /** Reads exactly size bytes before the deadline. */
    bool readExactly (int fd, char* data, size_t size, juce::uint32 deadline)
    {
        while (size > 0)
        {
            if (! waitFor (fd, POLLIN, deadline))
                return false;

            const auto count = ::recv (fd, data, size, MSG_DONTWAIT);
            if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (count <= 0)
                return false;
            data += count;
            size -= static_cast<size_t> (count);
        }
        return true;
    }

    /** Reads one framed command line before the deadline. Null when the frame is incomplete or
        too long, or the peer is too slow: a connection that only probes whether we are alive says
        nothing.
    */
    std::optional<juce::String> readCommandLine (int fd, juce::uint32 deadline)
    {
        std::uint8_t header[4];
        if (! readExactly (fd, reinterpret_cast<char*> (header), sizeof (header), deadline))
            return std::nullopt;

        const auto length = static_cast<size_t> (header[0]) | (static_cast<size_t> (header[1]) << 8)
                          | (static_cast<size_t> (header[2]) << 16) | (static_cast<size_t> (header[3]) << 24);
        if (length > static_cast<size_t> (maxCommandLineBytes))
            return std::nullopt;

        juce::HeapBlock<char> text (length + 1, true);
        if (! readExactly (fd, text.get(), length, deadline))
            return std::nullopt;

        return juce::String::fromUTF8 (text.get(), static_cast<int> (length));
    }

    // juce::File takes a socket for a folder (it tests S_IFDIR as a bit mask), so it cannot remove one.
    void removeSocket (const juce::File& file)
    {
        ::unlink (file.getFullPathName().toRawUTF8());
    }

    enum class ConnectResult { connected, nobodyListens, timedOut, failed };

    /** Connects without blocking: a full backlog is retried until the deadline. */
    ConnectResult connectTo (const juce::File& file, juce::uint32 deadline, ScopedFd& fd, juce::String& error)
    {
        sockaddr_un address;
        if (! fillAddress (address, file))
        {
            error = "the socket path is too long";
            return ConnectResult::failed;
        }

        fd = ScopedFd (::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (fd.fd < 0)
        {
            error = std::strerror (errno);
            return ConnectResult::failed;
        }

        for (;;)
        {
            if (::connect (fd.fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)) == 0)
                return ConnectResult::connected;

            if (errno == ENOENT || errno == ECONNREFUSED)
                return ConnectResult::nobodyListens;

            if (errno != EAGAIN && errno != EINTR)
            {
                error = std::strerror (errno);
                return ConnectResult::failed;
            }

            if (millisecondsUntil (deadline) == 0)
                return ConnectResult::timedOut;

            ::usleep (20 * 1000);   // a second launch, not the message thread
        }
    }

    /** True when something accepts connections at the socket (a live instance). */
    bool someoneListensAt (const juce::File& file)
    {
        ScopedFd probe;
        juce::String ignored;
        return connectTo (file, juce::Time::getMillisecondCounter() + 200, probe, ignored) != ConnectResult::nobodyListens;
    }

    class SocketListener final : public Listener,
                                 private juce::Thread
    {
    public:
        SocketListener (int listeningFd, juce::File file, std::function<void (const juce::String&)> callback)
            : juce::Thread ("Second launch listener"),
              fd (listeningFd), socket (std::move (file)), onCommandLine (std::move (callback))
        {
            startThread();
        }

        ~SocketListener() override
        {
            signalThreadShouldExit();
            ::shutdown (fd.fd, SHUT_RDWR);
            stopThread (2000);
            removeSocket (socket);
        }

    private:
        void run() override
        {
            while (! threadShouldExit())
            {
                pollfd p { fd.fd, POLLIN, 0 };
                if (::poll (&p, 1, 200) <= 0)
                    continue;

                ScopedFd peer (::accept4 (fd.fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
                if (peer.fd < 0 || ! peerIsSameUser (peer.fd))
                    continue;

                // One deadline for the whole connection: a peer that dribbles bytes cannot hold
                // the only listener thread.
                const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (connectionDeadlineMs);
                if (auto commandLine = readCommandLine (peer.fd, deadline))
                {
                    const char answer = post (*commandLine) ? acceptedAnswer : busyAnswer;
                    writeAll (peer.fd, &answer, 1, deadline);
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

        ScopedFd fd;
        juce::File socket;
        std::function<void (const juce::String&)> onCommandLine;
        std::shared_ptr<std::atomic<int>> pending = std::make_shared<std::atomic<int>> (0);
    };
}

juce::File socketFile()
{
    return channelFolder().getChildFile ("talvo-z3-control.socket");
}

namespace
{
    /** One connection: connect, send the frame, read the answer, all before the deadline. */
    HandOverResult handOverOnce (const juce::File& file, const juce::String& commandLine, juce::uint32 deadline)
    {
        using Outcome = HandOverResult::Outcome;
        const auto length = static_cast<std::uint32_t> (commandLine.getNumBytesAsUTF8());

        ScopedFd fd;
        juce::String error;
        switch (connectTo (file, deadline, fd, error))
        {
            case ConnectResult::connected:     break;
            case ConnectResult::nobodyListens: return { Outcome::noRunningInstance, {} };
            case ConnectResult::timedOut:      return { Outcome::noAnswer, "the running panel accepted no connection in time" };
            case ConnectResult::failed:        return { Outcome::failed, "cannot connect to " + file.getFullPathName().quoted() + ": " + error };
        }

        if (! peerIsSameUser (fd.fd))
            return { Outcome::failed, "the socket " + file.getFullPathName().quoted() + " belongs to another user" };

        const char header[4] = { static_cast<char> (length & 0xFF), static_cast<char> ((length >> 8) & 0xFF),
                                 static_cast<char> ((length >> 16) & 0xFF), static_cast<char> ((length >> 24) & 0xFF) };

        if (! writeAll (fd.fd, header, sizeof (header), deadline) || ! writeAll (fd.fd, commandLine.toRawUTF8(), length, deadline))
            return { Outcome::noAnswer, "the running panel did not take the command line in time" };

        char answer = busyAnswer;
        if (! readExactly (fd.fd, &answer, 1, deadline))
            return { Outcome::noAnswer, "the running panel did not answer in time" };

        if (answer != acceptedAnswer)
            return { Outcome::busy, "the running panel stayed busy with earlier launches" };

        return { Outcome::accepted, {} };
    }
}

HandOverResult handOverToRunningInstance (const juce::String& commandLine, int timeoutMs)
{
    using Outcome = HandOverResult::Outcome;
    const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (juce::jmax (0, timeoutMs));
    const auto file = socketFile();

    if (const auto problem = folderProblem (file.getParentDirectory()); problem.isNotEmpty())
        return { Outcome::folderRefused, "the folder " + file.getParentDirectory().getFullPathName().quoted() + " cannot be trusted: " + problem };

    if (commandLine.getNumBytesAsUTF8() > static_cast<size_t> (maxCommandLineBytes))
        return { Outcome::failed, "the command line is too long" };

    // Busy passes as the panel works through earlier launches: ask again while there is time
    // for a whole exchange.
    for (;;)
    {
        auto result = handOverOnce (file, commandLine, deadline);
        if (result.outcome != Outcome::busy || millisecondsUntil (deadline) < 250)
            return result;

        ::usleep (50 * 1000);   // a second launch, not the message thread
    }
}

std::unique_ptr<Listener> listen (std::function<void (const juce::String&)> onCommandLine)
{
    const auto file = socketFile();
    if (! isPrivateFolder (file.getParentDirectory()))
        return {};

    // A socket left behind by a crashed instance answers no connection and can be replaced.
    if (file.exists())
    {
        if (someoneListensAt (file))
            return {};
        removeSocket (file);
    }

    sockaddr_un address;
    if (! fillAddress (address, file))
        return {};

    ScopedFd fd (::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.fd < 0
        || ::bind (fd.fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)) != 0
        || ::listen (fd.fd, 4) != 0)
        return {};

    return std::make_unique<SocketListener> (fd.release(), file, std::move (onCommandLine));
}
}
