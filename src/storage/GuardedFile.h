#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>

/** Reading and replacing the small files the panel keeps (the settings file, the snapshot files),
    which a user, an editor or another program may have damaged or swapped for something else.
    Works on the file system; any thread.
*/
namespace GuardedFile
{
    enum class Problem
    {
        none,
        missing,           ///< nothing at the path (a dangling link counts as something)
        notARegularFile,   ///< a folder, FIFO, socket, device, or a link to one or to nothing
        cannotOpen,        ///< refused by the system (permissions, a file where a folder should be, ...)
        readFailed,
        tooLarge
    };

    struct Bytes
    {
        Problem problem = Problem::none;
        juce::String detail;       ///< the system's error text, or the size, when there is one
        juce::MemoryBlock data;    ///< what was read (empty unless the read succeeded)

        bool ok() const noexcept { return problem == Problem::none; }
    };

    /** Reads a regular file (a link to one is followed) of at most maxBytes. The open never blocks
        and never opens anything else: a FIFO or a device at the path is refused, not waited on.
    */
    Bytes read (const juce::File& file, std::size_t maxBytes);

    /** What a replace() did: problem says why nothing was written, empty when it was. */
    struct Written
    {
        juce::String problem;

        bool ok() const noexcept { return problem.isEmpty(); }
        explicit operator bool() const noexcept { return ok(); }
    };

    /** Why the panel may not write the file: a folder on the way to it (the one it lies in, each
        one a link in a chain lies in, and the one the chain ends in) is not the panel's own
        (FolderOwner::whyNotOurs), or the chain of links cannot be followed. Empty when it may.
    */
    juce::String whyWeMayNotWrite (const juce::File& file);

    /** Replaces what the file holds. The bytes go to a temporary file beside it
        ("<name>_temp<hex>.<extension>"), reach the disk, and are then renamed over it, so that a
        crash leaves either the old file or the new one. An existing file keeps its permissions
        (and, where the system allows, its owner). A symbolic link is written through: the file it
        names is replaced and the link stays; no folder is ever created for a link's target. The
        folder of the path itself is created when missing. After the rename the folder reaches the
        disk too, so that a power cut cannot bring the old file back after a save said it is done.

        Nothing is written where whyWeMayNotWrite() objects. The first call has the process ignore
        SIGXFSZ, for good: a file-size limit (ulimit -f) then fails the write with EFBIG instead of
        killing the panel, whichever thread writes (the kernel sends the signal to the process).
        A failure says why, with the file and the system's error text.
    */
    Written replace (const juce::File& file, const juce::MemoryBlock& bytes);

    /** Moves the file (or link, FIFO, ...) without reading it to the first free
        "<name>.unreadable", "<name>.unreadable.2", ... beside it; an earlier one is never replaced.
        Null when it could not be moved, or the folder it lies in is not the panel's own.
    */
    juce::File setAside (const juce::File& file);

    /** Deletes the temporaries that replace() left beside the file when a save was cut short
        (a regular file named "<name>_temp<hex>.<extension>" last written before the given time),
        beside the file a chain of links names, as replace() writes them. A name that starts with
        a dot has no extension (".foo" gives ".foo_temp<hex>"). Nothing goes where
        whyWeMayNotWrite() objects. Returns how many went.
    */
    int removeStaleTemporaries (const juce::File& file, juce::Time writtenBefore);
}
