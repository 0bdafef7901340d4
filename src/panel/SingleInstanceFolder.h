#pragma once

#include "platform/linux/ScopedFd.h"

#include <juce_core/juce_core.h>

#include <sys/un.h>

/** Where the single-instance channel lives: a folder of the current user's that nobody else can
    make, enter or write.

    $XDG_RUNTIME_DIR/talvo-z3-control when $XDG_RUNTIME_DIR is an absolute path to a folder of
    ours that only we may enter and that we may write (the system makes it so for a login).
    Otherwise $XDG_STATE_HOME/talvo-z3-control, or $HOME/.local/state/talvo-z3-control when
    $XDG_STATE_HOME is unset or not absolute: inside the home, where nobody else can take the name
    first. Never a folder that others may create in, such as /tmp.

    The socket and the lock in it carry this machine's name (its machine id, else its host name),
    because a home folder may be shared between machines and each has its own panel.
*/
namespace SingleInstanceFolder
{
    /** The folder the channel uses now, whether or not it exists yet. Any thread. */
    juce::File location();

    /** The running panel's socket in that folder. */
    juce::File socketFile();

    /** The file whose exclusive lock the one panel holds, in that folder. */
    juce::File lockFile();

    /** Why a folder cannot hold the channel, or empty when it is a folder (not a link) of ours that
        nobody else may enter and that we may write and enter.
    */
    juce::String problemWith (const juce::File& folder);

    /** The folder made ready: created when missing (missing parents too, private, as freedesktop's
        base-directory rules ask; never in a place of another user, FolderOwner), checked, and held open as a path, so that its files are reached
        by a short name however long its own path is. Any thread; one per use.
    */
    class Opened final
    {
    public:
        Opened();

        /** Why the channel cannot use the folder; empty when it can. */
        juce::String problem() const { return whyNot; }

        /** The folder, or the place it would be made in, belongs to another user than the one
            the panel runs as (a run as root that kept a user's HOME): nothing was made there.
        */
        bool inAnotherUsersPlace() const noexcept { return othersPlace; }

        const juce::File& path() const noexcept { return folderPath; }

        /** The folder, opened only as a path; -1 when there is a problem. */
        int descriptor() const noexcept { return fd.get(); }

        /** A socket address for the file of this name in the folder: its path when that fits in
            an address (107 bytes), else the same file through the open folder in /proc/self/fd.
            False when neither fits.
        */
        bool fillAddress (sockaddr_un& address, const juce::String& name) const;

    private:
        juce::File folderPath;
        ScopedFd fd;
        juce::String whyNot;
        bool othersPlace = false;
    };

    /** The names of the socket and the lock file in the folder. */
    juce::String socketName();
    juce::String lockName();
}
