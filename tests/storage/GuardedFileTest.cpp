#include "storage/GuardedFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using GuardedFile::Problem;

namespace
{
    juce::MemoryBlock bytesOf (const char* text)
    {
        return { text, std::strlen (text) };
    }

    mode_t modeOf (const juce::File& f)
    {
        struct stat info {};
        ::stat (f.getFullPathName().toRawUTF8(), &info);
        return info.st_mode & 07777;
    }
}

TEST (GuardedFile, ReadsOnlySmallRegularFilesAndNeverBlocks)
{
    const ScratchFolder scratch;
    const auto& folder = scratch.folder;
    const auto regular = folder.getChildFile ("a.xml");
    ASSERT_TRUE (regular.replaceWithText ("<ROOT/>"));

    EXPECT_TRUE (GuardedFile::read (regular, 1024).ok());
    EXPECT_EQ (GuardedFile::read (folder.getChildFile ("none.xml"), 1024).problem, Problem::missing);
    EXPECT_EQ (GuardedFile::read (folder, 1024).problem, Problem::notARegularFile);
    EXPECT_EQ (GuardedFile::read (juce::File ("/dev/null"), 1024).problem, Problem::notARegularFile);
    EXPECT_EQ (GuardedFile::read (juce::File(), 1024).problem, Problem::missing);

    // A link to a regular file is followed; a link to a device is not read at all.
    const auto link = folder.getChildFile ("link.xml");
    ASSERT_EQ (::symlink (regular.getFullPathName().toRawUTF8(), link.getFullPathName().toRawUTF8()), 0);
    EXPECT_TRUE (GuardedFile::read (link, 1024).ok());

    const auto zero = folder.getChildFile ("zero.xml");
    ASSERT_EQ (::symlink ("/dev/zero", zero.getFullPathName().toRawUTF8()), 0);
    EXPECT_EQ (GuardedFile::read (zero, 1024).problem, Problem::notARegularFile);

    const auto dangling = folder.getChildFile ("dangling.xml");
    ASSERT_EQ (::symlink ("/nonexistent/target", dangling.getFullPathName().toRawUTF8()), 0);
    EXPECT_EQ (GuardedFile::read (dangling, 1024).problem, Problem::notARegularFile);

    // A FIFO without a writer would block a plain open for ever.
    const auto fifo = folder.getChildFile ("fifo.xml");
    ASSERT_EQ (::mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);
    EXPECT_EQ (GuardedFile::read (fifo, 1024).problem, Problem::notARegularFile);

    // A file where a folder should be.
    EXPECT_EQ (GuardedFile::read (regular.getChildFile ("x"), 1024).problem, Problem::cannotOpen);

    EXPECT_EQ (GuardedFile::read (regular, 6).problem, Problem::tooLarge);
    EXPECT_EQ (GuardedFile::read (regular, 7).data.toString(), "<ROOT/>");
}

TEST (GuardedFile, ReplacesWholeKeepingModeAndLinksAndCreatesNoFolderForALinkTarget)
{
    const ScratchFolder scratch;
    const auto file = scratch / "a.settings";

    // A new file in a new folder of our own.
    const auto nested = scratch.folder.getChildFile ("ours").getChildFile ("b.settings");
    ASSERT_TRUE (GuardedFile::replace (nested, bytesOf ("one")));
    EXPECT_EQ (nested.loadFileAsString(), "one");

    // A read-only file stays read-only.
    ASSERT_TRUE (file.replaceWithText ("old"));
    ASSERT_EQ (::chmod (file.getFullPathName().toRawUTF8(), 0444), 0);
    ASSERT_TRUE (GuardedFile::replace (file, bytesOf ("new")));
    EXPECT_EQ (file.loadFileAsString(), "new");
    EXPECT_EQ (modeOf (file), 0444u);

    // Through a link: the linked file changes, the link stays.
    const auto link = scratch / "link.settings";
    ASSERT_EQ (::symlink ("a.settings", link.getFullPathName().toRawUTF8()), 0);
    ASSERT_TRUE (GuardedFile::replace (link, bytesOf ("linked")));
    EXPECT_TRUE (link.isSymbolicLink());
    EXPECT_EQ (file.loadFileAsString(), "linked");

    // A dangling link into a folder that does not exist: nothing is created anywhere.
    const auto away = scratch.folder.getChildFile ("missing").getChildFile ("x");
    const auto dangling = scratch / "dangling.settings";
    ASSERT_EQ (::symlink (away.getFullPathName().toRawUTF8(), dangling.getFullPathName().toRawUTF8()), 0);
    EXPECT_FALSE (GuardedFile::replace (dangling, bytesOf ("lost")));
    EXPECT_FALSE (away.getParentDirectory().exists());

    // Not a regular file: left alone.
    ASSERT_EQ (::mkfifo ((scratch / "fifo.settings").getFullPathName().toRawUTF8(), 0600), 0);
    EXPECT_FALSE (GuardedFile::replace (scratch / "fifo.settings", bytesOf ("x")));
    EXPECT_FALSE (GuardedFile::replace (scratch.folder, bytesOf ("x")));

    // No temporary is left beside anything.
    EXPECT_EQ (scratch.folder.findChildFiles (juce::File::findFiles, true, "*_temp*").size(), 0);
}

TEST (GuardedFile, RemovesOnlyOldTemporariesOfItsOwnFile)
{
    const ScratchFolder scratch;
    const auto file = scratch / "Snapshot 1.Talvoz3";
    const auto stale = scratch / "Snapshot 1_temp1a2b3c4d.Talvoz3";
    const auto fresh = scratch / "Snapshot 1_tempdeadbeef.Talvoz3";
    const auto notOurs = scratch / "Snapshot 1_temp notes.Talvoz3";
    const auto otherSlot = scratch / "Snapshot 2_temp1a2b3c4d.Talvoz3";
    for (const auto& f : { stale, fresh, notOurs, otherSlot })
        ASSERT_TRUE (f.replaceWithText ("x"));

    const auto now = juce::Time::getCurrentTime();
    for (const auto& f : { stale, notOurs, otherSlot })
        f.setLastModificationTime (now - juce::RelativeTime::hours (1));

    EXPECT_EQ (GuardedFile::removeStaleTemporaries (file, now - juce::RelativeTime::minutes (1)), 1);
    EXPECT_FALSE (stale.exists());
    EXPECT_TRUE (fresh.exists());      // may belong to a save under way right now
    EXPECT_TRUE (notOurs.exists());
    EXPECT_TRUE (otherSlot.exists());
}
