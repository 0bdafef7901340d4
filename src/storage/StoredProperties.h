#pragma once

#include "storage/GuardedFile.h"
#include "storage/PropertiesDocument.h"

/** A properties file on disk: read through GuardedFile and PropertiesDocument, written whole and
    canonical through GuardedFile::replace. Works on the file system; any thread.
*/
namespace StoredProperties
{
    struct Result
    {
        GuardedFile::Problem fileProblem = GuardedFile::Problem::none;
        PropertiesDocument::Problem documentProblem = PropertiesDocument::Problem::none;
        juce::String detail;
        juce::StringPairArray properties { false };
        juce::MemoryBlock bytes;    ///< what was read, when the file itself could be read

        bool ok() const noexcept     { return fileProblem == GuardedFile::Problem::none && documentProblem == PropertiesDocument::Problem::none; }
        bool missing() const noexcept { return fileProblem == GuardedFile::Problem::missing; }

        /** Why the file was not read, as the end of a sentence that begins with the file's name:
            "is not a regular file", "cannot be opened (Permission denied)", ...
        */
        juce::String describe() const;
    };

    /** Reads at most caps.maxDocumentBytes() of a regular file and checks it against the caps. */
    Result read (const juce::File& file, const PropertiesDocument::Caps& caps);

    /** Writes the properties as the file's whole, canonical content (GuardedFile::replace). */
    GuardedFile::Written write (const juce::File& file, const juce::StringPairArray& properties);
}
