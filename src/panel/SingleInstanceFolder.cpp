#include "panel/SingleInstanceFolder.h"

#include "storage/FolderOwner.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SingleInstanceFolder
{
namespace
{
    constexpr const char* channelFolderName = "talvo-z3-control";

    /** The machine id outlives host-name changes (a network may rename a running machine); the
        host name stands in where there is no machine id. Only characters safe in a file name.
    */
    juce::String machineName()
    {
        const auto id = juce::File ("/etc/machine-id").loadFileAsString().trim();
        if (id.length() == 32 && id.containsOnly ("0123456789abcdef"))
            return id;

        char host[HOST_NAME_MAX + 1] = {};
        ::gethostname (host, sizeof (host) - 1);

        juce::String name;
        for (const auto* c = host; *c != 0; ++c)
            name << (juce::CharacterFunctions::isLetterOrDigit (*c) || *c == '-' || *c == '.' || *c == '_' ? *c : '_');

        return name.isEmpty() ? juce::String ("localhost") : name;
    }

    const juce::String& thisMachine()
    {
        static const juce::String name = machineName();
        return name;
    }

    juce::File absoluteFolderFromEnvironment (const char* variable)
    {
        const auto value = juce::SystemStats::getEnvironmentVariable (variable, {});
        return juce::File::isAbsolutePath (value) ? juce::File (value) : juce::File();
    }
}

juce::String problemWith (const juce::File& folder)
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

    const auto mode = "(mode " + juce::String::formatted ("%o", static_cast<unsigned> (info.st_mode & 07777)) + ")";

    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return "other users may enter it " + mode;

    // By its mode, not access(): the answer must not depend on who asks (root may write anything).
    if ((info.st_mode & S_IRWXU) != S_IRWXU)
        return "we may not write or enter it " + mode;

    return {};
}

juce::File location()
{
    const auto runtime = absoluteFolderFromEnvironment ("XDG_RUNTIME_DIR");
    if (runtime != juce::File() && problemWith (runtime).isEmpty())
        return runtime.getChildFile (channelFolderName);

    auto state = absoluteFolderFromEnvironment ("XDG_STATE_HOME");
    if (state == juce::File())
        state = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".local/state");

    return state.getChildFile (channelFolderName);
}

juce::String socketName() { return thisMachine() + ".socket"; }
juce::String lockName()   { return thisMachine() + ".lock"; }

juce::File socketFile() { return location().getChildFile (socketName()); }
juce::File lockFile()   { return location().getChildFile (lockName()); }

Opened::Opened()
    : folderPath (location())
{
    if (const auto notOurs = FolderOwner::whyNotOurs (folderPath); notOurs.isNotEmpty())
    {
        whyNot = notOurs;
        othersPlace = true;
        return;
    }

    FolderOwner::makeFolder (folderPath, S_IRWXU);
    whyNot = problemWith (folderPath);

    if (whyNot.isNotEmpty())
        return;

    fd.reset (::open (folderPath.getFullPathName().toRawUTF8(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (! fd.isValid())
        whyNot = std::strerror (errno);
}

bool Opened::fillAddress (sockaddr_un& address, const juce::String& name) const
{
    address = {};
    address.sun_family = AF_UNIX;

    const auto fits = [&address] (const juce::String& p) { return p.getNumBytesAsUTF8() < sizeof (address.sun_path); };

    auto socketPath = folderPath.getChildFile (name).getFullPathName();
    if (! fits (socketPath))
        socketPath = "/proc/self/fd/" + juce::String (fd.get()) + "/" + name;

    if (! fd.isValid() || ! fits (socketPath))
        return false;

    std::memcpy (address.sun_path, socketPath.toRawUTF8(), socketPath.getNumBytesAsUTF8());
    return true;
}
}
