#include "panel/SingleInstanceChannel.h"

#include <cerrno>
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
    constexpr int peerTimeoutMs = 1000;

    struct ScopedFd
    {
        explicit ScopedFd (int f = -1) : fd (f) {}
        ~ScopedFd() { if (fd >= 0) ::close (fd); }
        ScopedFd (const ScopedFd&) = delete;
        ScopedFd& operator= (const ScopedFd&) = delete;
        int release() { auto f = fd; fd = -1; return f; }
        int fd;
    };

    /** A folder is safe when it is ours and nobody else may enter or write it. */
    bool isPrivateFolder (const juce::File& folder)
    {
        struct stat info {};
        return ::lstat (folder.getFullPathName().toRawUTF8(), &info) == 0
            && S_ISDIR (info.st_mode)
            && info.st_uid == ::getuid()
            && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
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

    bool writeAll (int fd, const char* data, size_t size)
    {
        while (size > 0)
        {
            const auto written = ::send (fd, data, size, MSG_NOSIGNAL);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<size_t> (written);
        }
        return true;
    }

    /** Reads one framed command line (its length as four bytes, least significant first, then
        its UTF-8 bytes) until the peer closes. Null when the frame is incomplete or too long, or
        the peer stalls: a connection that only probes whether we are alive says nothing.
    */
    std::optional<juce::String> readCommandLine (int fd)
    {
        juce::MemoryBlock received;
        char buffer[1024];

        for (;;)
        {
            pollfd p { fd, POLLIN, 0 };
            if (::poll (&p, 1, peerTimeoutMs) <= 0)
                return std::nullopt;

            const auto count = ::recv (fd, buffer, sizeof (buffer), 0);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                return std::nullopt;
            if (count == 0)
                break;

            received.append (buffer, static_cast<size_t> (count));
            if (received.getSize() > static_cast<size_t> (maxCommandLineBytes))
                return std::nullopt;
        }

        if (received.getSize() < 4)
            return std::nullopt;

        const auto* bytes = static_cast<const std::uint8_t*> (received.getData());
        const auto length = static_cast<size_t> (bytes[0]) | (static_cast<size_t> (bytes[1]) << 8)
                          | (static_cast<size_t> (bytes[2]) << 16) | (static_cast<size_t> (bytes[3]) << 24);

        if (length != received.getSize() - 4)
            return std::nullopt;

        return juce::String::fromUTF8 (reinterpret_cast<const char*> (bytes + 4), static_cast<int> (length));
    }

    // juce::File takes a socket for a folder (it tests S_IFDIR as a bit mask), so it cannot remove one.
    void removeSocket (const juce::File& file)
    {
        ::unlink (file.getFullPathName().toRawUTF8());
    }

    int connectTo (const juce::File& file)
    {
        sockaddr_un address;
        if (! fillAddress (address, file))
            return -1;

        ScopedFd fd (::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (fd.fd < 0)
            return -1;

        if (::connect (fd.fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)) != 0)
            return -1;

        return fd.release();
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

                ScopedFd peer (::accept4 (fd.fd, nullptr, nullptr, SOCK_CLOEXEC));
                if (peer.fd < 0 || ! peerIsSameUser (peer.fd))
                    continue;

                if (auto commandLine = readCommandLine (peer.fd))
                {
                    juce::MessageManager::callAsync ([callback = onCommandLine, text = *commandLine]
                                                     {
                                                         callback (text);
                                                     });
                }
            }
        }

        ScopedFd fd;
        juce::File socket;
        std::function<void (const juce::String&)> onCommandLine;
    };
}

juce::File socketFile()
{
    return channelFolder().getChildFile ("talvo-z3-control.socket");
}

bool handOverToRunningInstance (const juce::String& commandLine)
{
    const auto file = socketFile();
    if (! isPrivateFolder (file.getParentDirectory()))
        return false;

    ScopedFd fd (connectTo (file));
    if (fd.fd < 0 || ! peerIsSameUser (fd.fd))
        return false;

    const auto length = static_cast<std::uint32_t> (commandLine.getNumBytesAsUTF8());
    const char header[4] = { static_cast<char> (length & 0xFF), static_cast<char> ((length >> 8) & 0xFF),
                             static_cast<char> ((length >> 16) & 0xFF), static_cast<char> ((length >> 24) & 0xFF) };

    return length <= static_cast<std::uint32_t> (maxCommandLineBytes)
        && writeAll (fd.fd, header, sizeof (header))
        && writeAll (fd.fd, commandLine.toRawUTF8(), length);
}

std::unique_ptr<Listener> listen (std::function<void (const juce::String&)> onCommandLine)
{
    const auto file = socketFile();
    if (! isPrivateFolder (file.getParentDirectory()))
        return {};

    // A socket left behind by a crashed instance answers no connection and can be replaced.
    if (file.exists())
    {
        ScopedFd probe (connectTo (file));
        if (probe.fd >= 0)
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
