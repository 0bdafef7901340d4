#pragma once

#include <juce_core/juce_core.h>

#include <sys/types.h>

/** Whose places the panel may change. A run as root that kept a user's HOME (sudo) must not make
    folders in that user's home, nor write through a link the user controls: the folders would
    belong to root, and root would write wherever the link points. So the panel creates and
    writes only where the place already belongs to the user it runs as. Any thread.
*/
namespace FolderOwner
{
    /** The user the panel acts for: its effective user, or the stand-in of a test. */
    uid_t ownUser() noexcept;

    /** Why the panel may not create or change anything in the folder; empty when the folder, or,
        while it is missing, the nearest folder above it that exists, belongs to ownUser(). A link
        on the way counts only when both the link and what it names belong to ownUser().
    */
    juce::String whyNotOurs (const juce::File& folder);

    /** Makes the folder and its missing parents (mode as given, less the umask) once whyNotOurs
        finds nothing; returns what it found, or the system's error. Empty when the folder is there.
    */
    juce::String makeFolder (const juce::File& folder, mode_t mode);

    /** For tests: while it lives, the panel acts as though it ran as this user. */
    class ScopedStandIn final
    {
    public:
        explicit ScopedStandIn (uid_t user);
        ~ScopedStandIn();

    private:
        long previous;
        JUCE_DECLARE_NON_COPYABLE (ScopedStandIn)
    };
}
