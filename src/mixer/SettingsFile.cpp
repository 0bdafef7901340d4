#include "mixer/SettingsFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SettingsFile
{
    namespace
    {
        /** The regular file that a link at the settings path ends at, when the store's options can
            name it: applicationName + "." + suffix needs a name with an extension.
        */
        std::optional<juce::File> linkedSettingsFile()
        {
            const auto link = defaultFile();
            if (! link.isSymbolicLink())
                return std::nullopt;

            char resolved[PATH_MAX];
            struct stat info {};
            if (::realpath (link.getFullPathName().toRawUTF8(), resolved) == nullptr
                || ::stat (resolved, &info) != 0 || ! S_ISREG (info.st_mode))
                return std::nullopt;

            const juce::File target (juce::String::fromUTF8 (resolved));
            const auto name = target.getFileName();
            const auto dot = name.lastIndexOfChar ('.');
            if (dot <= 0 || dot == name.length() - 1 || name != juce::File::createLegalFileName (name))
                return std::nullopt;

            return target;
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

    juce::File defaultFile()
    {
        return folder().getChildFile ("Talvoz3Panel.settings");
    }
    juce::File folder()
    {
        return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
                   .getChildFile ("Talvoz3Panel");
    }

    juce::PropertiesFile::Options options()
    {
        juce::PropertiesFile::Options o;
        o.applicationName = "Talvoz3Panel";
        o.filenameSuffix = ".settings";
        o.osxLibrarySubFolder = "Application Support";
        // An absolute folder name takes the place of the platform's default sub-folder.
        o.folderName = folder().getFullPathName();
        o.commonToAllUsers = false;
        o.ignoreCaseOfKeyNames = false;
        o.doNotSave = false;
        o.millisecondsBeforeSaving = 3000;
        o.storageFormat = juce::PropertiesFile::storeAsXML;

        if (const auto target = linkedSettingsFile())
        {
            const auto name = target->getFileName();
            const auto dot = name.lastIndexOfChar ('.');
            o.folderName = target->getParentDirectory().getFullPathName();
            o.applicationName = name.substring (0, dot);
            o.filenameSuffix = name.substring (dot + 1);   // no leading dot: the name is joined as it stands
        }

        return o;
    }

    SafeXmlFile::Result readChecked (const juce::File& file)
    {
        auto result = SafeXmlFile::read (file, {});
        if (! result.ok())
            return result;

        if (! result.xml->hasTagName ("PROPERTIES"))
        {
            result.problem = SafeXmlFile::Problem::notXml;
            result.detail = "its root element is not PROPERTIES";
            result.xml = nullptr;
        }
        else if (result.xml->getNumChildElements() > maxKeys)
        {
            result.problem = SafeXmlFile::Problem::tooLarge;
            result.detail = "more than " + juce::String (maxKeys) + " keys";
            result.xml = nullptr;
        }

        return result;
    }

    juce::String StartupCheck::message (const juce::File& file) const
    {
        if (problem == SafeXmlFile::Problem::none && ! storeUnusable)
            return {};

        juce::String text;
        text << "Talvo z3 Control: the settings file \"" << file.getFullPathName() << "\" is "
             << SafeXmlFile::describe (problem) << (detail.isNotEmpty() ? " (" + detail + ")" : juce::String());

        if (storeUnusable)
            text << " and could not be moved aside; no settings are read or saved in this session.";
        else
            text << "; it was moved unchanged to \"" << keptAs.getFullPathName() << "\" and the program starts with default settings.";

        return text;
    }

    StartupCheck checkBeforeLoading (const juce::File& file, const Reader& read)
    {
        StartupCheck check;
        check.removedTemporaries = removeStaleTemporaries (file, juce::Time::getCurrentTime() - juce::RelativeTime::minutes (1));

        const auto result = read (file);
        if (result.ok() || result.problem == SafeXmlFile::Problem::missing)
            return check;

        check.problem = result.problem;
        check.detail = result.detail;
        check.keptAs = setAside (file);
        check.storeUnusable = check.keptAs == juce::File();
        return check;
    }

    juce::File setAside (const juce::File& file)
    {
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

    int removeStaleTemporaries (const juce::File& settingsFile, juce::Time writtenBefore)
    {
        const auto stem = settingsFile.getFileNameWithoutExtension() + "_temp";
        const auto extension = settingsFile.getFileExtension();
        int removed = 0;

        for (const auto& entry : juce::RangedDirectoryIterator (settingsFile.getParentDirectory(), false, stem + "*",
                                                                 juce::File::findFiles | juce::File::ignoreHiddenFiles))
        {
            const auto& candidate = entry.getFile();
            struct stat info {};
            if (! isTemporaryName (candidate.getFileName(), stem, extension)
                || ::lstat (candidate.getFullPathName().toRawUTF8(), &info) != 0 || ! S_ISREG (info.st_mode)
                || candidate.getLastModificationTime() >= writtenBefore)
                continue;

            if (::unlink (candidate.getFullPathName().toRawUTF8()) == 0)
                ++removed;
        }

        return removed;
    }

    std::optional<juce::PropertiesFile::Options> prepareStore()
    {
        const auto file = defaultFile();
        const auto check = checkBeforeLoading (file);

        if (const auto message = check.message (file); message.isNotEmpty())
            std::fprintf (stderr, "%s\n", message.toRawUTF8());

        if (check.storeUnusable)
            return std::nullopt;

        auto o = options();
        if (const auto linked = o.getDefaultFile(); linked != file)
            removeStaleTemporaries (linked, juce::Time::getCurrentTime() - juce::RelativeTime::minutes (1));

        return o;
    }

    namespace Keys
    {
        juce::String snapshotName (int slot)                    { return "Snapshot" + juce::String (slot); }
        juce::String snapshotPath (int slot)                    { return "PathToSnapshot" + juce::String (slot); }
        juce::String sourceLevel (int source, int destination)  { return "vol" + juce::String (source) + juce::String (destination); }
        juce::String sourceMute (int source, int destination)   { return "mute" + juce::String (source) + juce::String (destination); }
        juce::String outputLevel (int destination)              { return "volOut" + juce::String (destination); }
        juce::String outputMute (int destination)               { return "muteOut" + juce::String (destination); }
        juce::String phase (int index)                          { return "Phase" + juce::String (index); }
        juce::String phantomPower (int input)                   { return "48V" + juce::String (input); }
        juce::String target (int index)                         { return "Target" + juce::String (index); }
    }

    juce::String defaultSnapshotName (int slot)
    {
        return "Snapshot " + juce::String (slot + 1);
    }
}
