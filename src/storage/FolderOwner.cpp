#include "storage/FolderOwner.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderOwner
{
namespace
{
    constexpr long noStandIn = -1;
    std::atomic<long> standIn { noStandIn };

    juce::String notOurs (const juce::String& path, uid_t owner)
    {
        return path.quoted() + " belongs to user " + juce::String (static_cast<juce::int64> (owner))
             + ", not to user " + juce::String (static_cast<juce::int64> (ownUser())) + " that the panel runs as";
    }
}

uid_t ownUser() noexcept
{
    const auto user = standIn.load();
    return user == noStandIn ? ::geteuid() : static_cast<uid_t> (user);
}

juce::String whyNotOurs (const juce::File& folder)
{
    for (auto place = folder;; place = place.getParentDirectory())
    {
        const auto path = place.getFullPathName();
        struct stat info {};
        if (::lstat (path.toRawUTF8(), &info) == 0)
        {
            if (info.st_uid != ownUser())
                return notOurs (path, info.st_uid);

            if (S_ISLNK (info.st_mode) && ::stat (path.toRawUTF8(), &info) == 0 && info.st_uid != ownUser())
                return notOurs (path, info.st_uid);

            return {};
        }

        if (errno != ENOENT && errno != ENOTDIR)
            return path.quoted() + ": " + juce::String (std::strerror (errno));

        if (place.isRoot() || place.getParentDirectory() == place)
            return {};
    }
}

juce::String makeFolder (const juce::File& folder, mode_t mode)
{
    if (const auto why = whyNotOurs (folder); why.isNotEmpty())
        return why;

    juce::Array<juce::File> missing;
    for (auto f = folder; ! f.isRoot() && ! f.exists() && f != f.getParentDirectory(); f = f.getParentDirectory())
        missing.add (f);

    for (int i = missing.size(); --i >= 0;)
        if (::mkdir (missing.getReference (i).getFullPathName().toRawUTF8(), mode) != 0 && errno != EEXIST)
            return missing.getReference (i).getFullPathName().quoted() + ": " + juce::String (std::strerror (errno));

    return {};
}

ScopedStandIn::ScopedStandIn (uid_t user)
    : previous (standIn.exchange (static_cast<long> (user)))
{
}

ScopedStandIn::~ScopedStandIn()
{
    standIn.store (previous);
}
}
