#include "storage/GuardedFile.h"

#include "storage/FolderOwner.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace GuardedFile
{
namespace
{
    /** As the kernel's own limit on links followed in one path. */
    constexpr int maxLinkHops = 40;

    struct FileDescriptor
    {
        explicit FileDescriptor (int f) : fd (f) {}
        ~FileDescriptor() { if (fd >= 0) ::close (fd); }
        FileDescriptor (const FileDescriptor&) = delete;
        FileDescriptor& operator= (const FileDescriptor&) = delete;
        int fd;
    };

    Bytes failure (Problem problem, juce::String detail = {})
    {
        Bytes r;
        r.problem = problem;
        r.detail = std::move (detail);
        return r;
    }

    juce::String systemError (int error)
    {
        return juce::String (std::strerror (error));
    }

    std::string folderOf (const std::string& path)
    {
        const auto slash = path.find_last_of ('/');
        return slash == std::string::npos ? std::string (".") : slash == 0 ? std::string ("/") : path.substr (0, slash);
    }

    std::string nameOf (const std::string& path)
    {
        const auto slash = path.find_last_of ('/');
        return slash == std::string::npos ? path : path.substr (slash + 1);
    }

    /** Follows a chain of links to the path it finally names, and what lies there (info.st_mode
        is 0 when nothing does). Each folder on the way must be the panel's own. Returns why the
        chain cannot be followed or written through; empty when it can.
    */
    juce::String followLinks (std::string& path, struct stat& info, bool& viaLink)
    {
        viaLink = false;
        for (int hops = 0;; ++hops)
        {
            if (const auto why = FolderOwner::whyNotOurs (juce::File (folderOf (path))); why.isNotEmpty())
                return why;

            if (::lstat (path.c_str(), &info) != 0)
            {
                info = {};
                return errno == ENOENT ? juce::String() : juce::String (path).quoted() + ": " + systemError (errno);
            }

            if (! S_ISLNK (info.st_mode))
                return {};

            if (hops == maxLinkHops)
                return juce::String (path).quoted() + ": too many links";

            char target[PATH_MAX];
            const auto length = ::readlink (path.c_str(), target, sizeof (target));
            if (length <= 0 || static_cast<size_t> (length) >= sizeof (target))
                return juce::String (path).quoted() + ": the link cannot be read";

            std::string next (target, static_cast<size_t> (length));
            path = next.front() == '/' ? next : folderOf (path) + "/" + next;
            viaLink = true;
        }
    }

    /** A name's stem and extension as the temporaries use them; a leading dot starts no extension. */
    std::pair<std::string, std::string> stemAndExtension (const std::string& name)
    {
        const auto dot = name.find_last_of ('.');
        if (dot == std::string::npos || dot == 0)
            return { name, {} };
        return { name.substr (0, dot), name.substr (dot) };
    }

    /** A name part for a temporary. getrandom() is safe from any thread, unlike the framework's
        shared generator; the counter keeps names apart should it fail.
    */
    juce::String randomHex()
    {
        static std::atomic<juce::uint32> counter { 0 };
        juce::uint32 value = 0;
        if (::getrandom (&value, sizeof (value), GRND_NONBLOCK) != static_cast<ssize_t> (sizeof (value)))
            value = static_cast<juce::uint32> (::getpid()) * 2654435761u + counter.fetch_add (1);
        return juce::String::toHexString (static_cast<int> (value));
    }

    void ignoreFileSizeSignal()
    {
        static const bool ignored = []
        {
            struct sigaction action {};
            action.sa_handler = SIG_IGN;
            sigemptyset (&action.sa_mask);
            return ::sigaction (SIGXFSZ, &action, nullptr) == 0;
        }();
        juce::ignoreUnused (ignored);
    }

    /** Syncs the folder's entries (the rename). A file system that cannot sync a folder says EINVAL. */
    bool syncFolder (const std::string& folder)
    {
        FileDescriptor fd (::open (folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return fd.fd >= 0 && (::fsync (fd.fd) == 0 || errno == EINVAL);
    }

    bool writeAll (int fd, const char* data, size_t size)
    {
        while (size > 0)
        {
            const auto written = ::write (fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<size_t> (written);
        }
        return true;
    }

    /** rename() that never replaces an existing file. */
    bool moveWithoutReplacing (const juce::File& from, const juce::File& to)
    {
        const auto source = from.getFullPathName().toRawUTF8();
        const auto destination = to.getFullPathName().toRawUTF8();

        if (::renameat2 (AT_FDCWD, source, AT_FDCWD, destination, RENAME_NOREPLACE) == 0)
            return true;

        if (errno != EINVAL && errno != ENOSYS)
            return false;

        // A file system without the flag: look first (a lost race only means a wrong number).
        struct stat info {};
        if (::lstat (destination, &info) == 0)
        {
            errno = EEXIST;
            return false;
        }
        return ::rename (source, destination) == 0;
    }

    bool isTemporaryName (const juce::String& name, const juce::String& stem, const juce::String& extension)
    {
        if (! name.startsWith (stem) || ! name.endsWith (extension) || name.length() <= stem.length() + extension.length())
            return false;

        return name.substring (stem.length(), name.length() - extension.length()).containsOnly ("0123456789abcdef");
    }
}

Bytes read (const juce::File& file, std::size_t maxBytes)
{
    const auto path = file.getFullPathName();

    struct stat linkInfo {};
    if (::lstat (path.toRawUTF8(), &linkInfo) != 0)
        return errno == ENOENT ? failure (Problem::missing) : failure (Problem::cannotOpen, systemError (errno));

    // Look before opening: opening a device or a FIFO can block or have side effects.
    struct stat info {};
    if (::stat (path.toRawUTF8(), &info) != 0 || ! S_ISREG (info.st_mode))
        return failure (Problem::notARegularFile);

    FileDescriptor fd (::open (path.toRawUTF8(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.fd < 0)
        return failure (Problem::cannotOpen, systemError (errno));

    // The path may have been swapped since the look; what counts is what was opened.
    if (::fstat (fd.fd, &info) != 0 || ! S_ISREG (info.st_mode))
        return failure (Problem::notARegularFile);

    if (static_cast<std::size_t> (info.st_size) > maxBytes)
        return failure (Problem::tooLarge, juce::String (static_cast<juce::int64> (info.st_size)) + " bytes");

    Bytes result;
    const auto capacity = maxBytes + 1;   // one more shows a file that grew
    result.data.setSize (juce::jmin (capacity, static_cast<size_t> (info.st_size) + 1));
    size_t filled = 0;

    for (;;)
    {
        if (filled == result.data.getSize())
        {
            if (filled >= capacity)
                break;
            result.data.setSize (juce::jmin (capacity, filled * 2 + 4096));
        }

        const auto count = ::read (fd.fd, static_cast<char*> (result.data.getData()) + filled, result.data.getSize() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failure (Problem::readFailed, systemError (errno));
        if (count == 0)
            break;
        filled += static_cast<size_t> (count);
    }

    if (filled > maxBytes)
        return failure (Problem::tooLarge);

    result.data.setSize (filled);
    return result;
}

juce::String whyWeMayNotWrite (const juce::File& file)
{
    auto target = file.getFullPathName().toStdString();
    struct stat info {};
    bool viaLink = false;
    return target.empty() ? juce::String ("no path") : followLinks (target, info, viaLink);
}

Written replace (const juce::File& file, const juce::MemoryBlock& bytes)
{
    ignoreFileSizeSignal();

    auto target = file.getFullPathName().toStdString();
    if (target.empty())
        return { "no path" };

    const auto failed = [&target] (const char* what)
    {
        return Written { juce::String (target).quoted() + ": " + what + " (" + systemError (errno) + ")" };
    };

    struct stat info {};
    bool viaLink = false;
    if (const auto why = followLinks (target, info, viaLink); why.isNotEmpty())
        return { why };

    const bool exists = info.st_mode != 0;
    if (exists && ! S_ISREG (info.st_mode))
        return { juce::String (target).quoted() + " is not a regular file" };

    const auto folder = folderOf (target);
    if (! exists && ! viaLink)   // our own folder; never one a link points into
        if (const auto why = FolderOwner::makeFolder (juce::File (folder), 0777); why.isNotEmpty())
            return { why };

    const auto [stem, extension] = stemAndExtension (nameOf (target));

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        temporary = folder + "/" + stem + "_temp" + randomHex().toStdString() + extension;
        fd = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            return failed ("cannot create a temporary file beside it");
    }

    if (fd < 0)
        return failed ("no free name for a temporary file beside it");

    const auto discard = [&] (const char* what)
    {
        const auto result = failed (what);
        ::unlink (temporary.c_str());
        return result;
    };

    if (exists)
    {
        // The owner first: changing it may clear mode bits that the mode below puts back.
        [[maybe_unused]] const auto owned = ::fchown (fd, info.st_uid, info.st_gid);
        if (::fchmod (fd, info.st_mode & 07777) != 0)
        {
            ::close (fd);
            return discard ("cannot give the new file the old one's permissions");
        }
    }

    if (! writeAll (fd, static_cast<const char*> (bytes.getData()), bytes.getSize()))
    {
        ::close (fd);
        return discard ("cannot write");
    }

    if (::fsync (fd) != 0)
    {
        ::close (fd);
        return discard ("cannot write to the disk");
    }

    if (::close (fd) != 0)
        return discard ("cannot write");

    if (::rename (temporary.c_str(), target.c_str()) != 0)
        return discard ("cannot replace it");

    if (! syncFolder (folder))
        return failed ("replaced, but its folder cannot be written to the disk");

    return {};
}

juce::File setAside (const juce::File& file)
{
    if (FolderOwner::whyNotOurs (file.getParentDirectory()).isNotEmpty())
        return {};

    for (int number = 1; number <= 1000; ++number)
    {
        const auto copy = file.getSiblingFile (file.getFileName() + ".unreadable"
                                               + (number == 1 ? juce::String() : "." + juce::String (number)));
        if (moveWithoutReplacing (file, copy))
            return copy;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

int removeStaleTemporaries (const juce::File& file, juce::Time writtenBefore)
{
    auto target = file.getFullPathName().toStdString();
    struct stat info {};
    bool viaLink = false;
    if (target.empty() || followLinks (target, info, viaLink).isNotEmpty())
        return 0;

    const auto [stemPart, extensionPart] = stemAndExtension (nameOf (target));
    const auto stem = juce::String (stemPart) + "_temp";
    const juce::String extension (extensionPart);
    int removed = 0;

    // Hidden names too: the temporaries of a dot-file start with a dot.
    for (const auto& entry : juce::RangedDirectoryIterator (juce::File (folderOf (target)), false, stem + "*", juce::File::findFiles))
    {
        const auto& candidate = entry.getFile();
        struct stat candidateInfo {};
        if (! isTemporaryName (candidate.getFileName(), stem, extension)
            || ::lstat (candidate.getFullPathName().toRawUTF8(), &candidateInfo) != 0 || ! S_ISREG (candidateInfo.st_mode)
            || candidate.getLastModificationTime() >= writtenBefore)
            continue;

        if (::unlink (candidate.getFullPathName().toRawUTF8()) == 0)
            ++removed;
    }

    return removed;
}
}
