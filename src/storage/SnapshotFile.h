#pragma once

#include "storage/GuardedFile.h"
#include "storage/PropertiesDocument.h"
#include "mixer/TalvoSnapShotParameter.h"

#include <juce_core/juce_core.h>

#include <cstddef>
#include <optional>

/** The snapshot files: where each slot's file lies, its keys in the order they are written, and
    the reading, checking and writing of a file. Works on the file system; message thread by use.

    A file is the XML properties format (PropertiesDocument): root "PROPERTIES", one "VALUE"
    element per key with the attributes "name" and "val"; bools are "1" / "0", levels decimal dB.
    Keys are case-sensitive.
*/
namespace SnapshotFile
{
    /** Slots 0..3 use "Snapshot 1.Talvoz3" .. "Snapshot 4.Talvoz3" beside the settings file. */
    juce::File fileForSlot (int slot);

    /** What a new snapshot's description says until the user writes one. */
    constexpr const char* defaultDescription = "Insert an optional detailed description for you.";

    /** How many keys a record writes. */
    constexpr int numKeys = 47;

    namespace Keys
    {
        constexpr const char* name = "Name";
        constexpr const char* description = "Description";
        constexpr const char* lastFile = "LastFile";
    }

    /** The record's keys and values in writing order: "Name", "Description", "LastFile" (the
        file's full path), per cell "vol" + i + j then "mute" + i + j, per destination "volOut" + k
        then "muteOut" + k, "Phase0", "Phase1", "Target0", "Target1".
    */
    juce::StringPairArray keyValues (const TalvoSnapShotParameter& record);

    /** What a read admits: the record's own keys, and at most 4096 others in 1 MiB. */
    const PropertiesDocument::Caps& caps();

    /** The keys of a properties document in file order (a repeated key keeps its first place and
        its last value); nothing when the bytes are not such a document within caps().
    */
    std::optional<juce::StringPairArray> parseProperties (const void* data, size_t size);

    /** parseProperties on a regular file, read without blocking. Nothing for anything else at the
        path.
    */
    std::optional<juce::StringPairArray> readProperties (const juce::File& file);

    /** Fills the record from a file's keys. False when "Name", "Description" or any of the sixteen
        "vol" or sixteen "mute" keys is missing (the record may then hold the values read before).
        Missing output, phase and target keys read as -90 dB and false; text that is not a number
        reads as 0. LastFile is left as it is.
    */
    bool readRecord (const juce::StringPairArray& properties, TalvoSnapShotParameter& record);

    /** readProperties then readRecord; false for an empty path, a directory, nothing at the path,
        anything that is not a regular file, or a file that cannot be read or checked.
    */
    bool load (const juce::File& file, TalvoSnapShotParameter& record);

    /** Writes the record's keys into the file. Keys already there keep their place and take the new
        values, other keys stay, new keys are appended. The new content goes to a temporary file in
        the same folder that then replaces the old one, so the file is never half-written.

        A path to something that is not a regular file (a directory, a FIFO, a device) is left
        alone. An existing file that cannot be read as a properties document is renamed aside
        (GuardedFile::setAside: "... .unreadable", then ".unreadable.2", ...; never over an earlier
        one) before the new one takes its place; a blank one is simply replaced. A symbolic link is
        written through, and no folder is created for its target (GuardedFile::replace). The file
        keeps its permissions. Says why when the file was not written.
    */
    GuardedFile::Written write (const juce::File& file, const TalvoSnapShotParameter& record);

    /** Deletes the temporaries that saves cut short left beside the four slots' files (older than
        a minute). Returns how many went.
    */
    int removeStaleTemporaries();
}
