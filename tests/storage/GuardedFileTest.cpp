#include "storage/FolderOwner.h"
#include "storage/GuardedFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/resource.h>
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

TEST (GuardedFile, AFailedReplaceSaysWhyAndAFileSizeLimitFailsItWithoutKillingTheProcess)
{
    const ScratchFolder scratch;
    const auto file = scratch / "a.settings";
    ASSERT_TRUE (GuardedFile::replace (file, bytesOf ("old")));

    const auto underFile = scratch / "a.settings/b.settings";
    const auto notADirectory = GuardedFile::replace (underFile, bytesOf ("x"));
    EXPECT_FALSE (notADirectory);
    EXPECT_TRUE (notADirectory.problem.contains (std::strerror (ENOTDIR))) << notADirectory.problem;

    // ulimit -f: the kernel would end the whole process with SIGXFSZ.
    rlimit previous {};
    ASSERT_EQ (::getrlimit (RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 1024;
    ASSERT_EQ (::setrlimit (RLIMIT_FSIZE, &small), 0);
    juce::MemoryBlock large (8192, true);
    const auto tooLarge = GuardedFile::replace (file, large);
    ::setrlimit (RLIMIT_FSIZE, &previous);

    EXPECT_FALSE (tooLarge);
    EXPECT_TRUE (tooLarge.problem.contains (file.getFullPathName()) && tooLarge.problem.contains (std::strerror (EFBIG))) << tooLarge.problem;
    EXPECT_EQ (file.loadFileAsString(), "old");
    EXPECT_EQ (scratch.folder.findChildFiles (juce::File::findFiles, false, "*_temp*").size(), 0);
}

TEST (GuardedFile, FindsTheTemporariesOfDotFilesAndBehindAChainOfLinks)
{
    const ScratchFolder scratch;
    const auto real = scratch.folder.getChildFile ("real");
    ASSERT_TRUE (real.createDirectory());
    ASSERT_TRUE ((real.getChildFile ("c.settings")).replaceWithText ("x"));
    const auto inner = scratch / "inner.settings";
    const auto outer = scratch / "outer.settings";
    ASSERT_EQ (::symlink ("real/c.settings", inner.getFullPathName().toRawUTF8()), 0);
    ASSERT_EQ (::symlink ("inner.settings", outer.getFullPathName().toRawUTF8()), 0);

    const auto old = juce::Time::getCurrentTime() - juce::RelativeTime::hours (1);
    struct Case { juce::File file; juce::File temporary; };
    for (const auto& c : { Case { scratch / ".hidden", scratch / ".hidden_temp1a2b3c4d" },
                           Case { scratch / ".hidden.settings", scratch / ".hidden_temp1a2b3c4d.settings" },
                           Case { outer, real.getChildFile ("c_temp1a2b3c4d.settings") } })
    {
        ASSERT_TRUE (c.temporary.replaceWithText ("x"));
        c.temporary.setLastModificationTime (old);
        EXPECT_EQ (GuardedFile::removeStaleTemporaries (c.file, old + juce::RelativeTime::minutes (1)), 1) << c.file.getFullPathName();
        EXPECT_FALSE (c.temporary.exists()) << c.temporary.getFullPathName();
    }

    // What a replace of a dot-file leaves behind is what the search looks for.
    ASSERT_TRUE (GuardedFile::replace (scratch / ".hidden", bytesOf ("y")));
    EXPECT_EQ ((scratch / ".hidden").loadFileAsString(), "y");
}

TEST (GuardedFile, NeverCreatesNorWritesInAnotherUsersPlace)
{
    const ScratchFolder scratch;
    const auto file = scratch / "a.settings";
    ASSERT_TRUE (GuardedFile::replace (file, bytesOf ("mine")));
    const auto stale = scratch / "a_temp1a2b3c4d.settings";
    ASSERT_TRUE (stale.replaceWithText ("x"));
    stale.setLastModificationTime (juce::Time::getCurrentTime() - juce::RelativeTime::hours (1));

    {
        // As root with this user's HOME: every folder here is another user's.
        const FolderOwner::ScopedStandIn root (::geteuid() + 1);
        const auto nested = scratch.folder.getChildFile ("new").getChildFile ("b.settings");
        const auto refused = GuardedFile::replace (nested, bytesOf ("x"));
        EXPECT_TRUE (refused.problem.contains ("belongs to user")) << refused.problem;
        EXPECT_FALSE (nested.getParentDirectory().exists());
        EXPECT_FALSE (GuardedFile::replace (file, bytesOf ("theirs")));
        EXPECT_EQ (GuardedFile::setAside (file), juce::File());
        EXPECT_EQ (GuardedFile::removeStaleTemporaries (file, juce::Time::getCurrentTime()), 0);
        EXPECT_TRUE (GuardedFile::whyWeMayNotWrite (file).isNotEmpty());
    }
    EXPECT_EQ (file.loadFileAsString(), "mine");
    EXPECT_TRUE (stale.exists());

    // A link in our folder into a folder of another user is not written through.
    const auto theirs = scratch.folder.getChildFile ("theirs");
    ASSERT_TRUE (theirs.createDirectory());
    ASSERT_TRUE (theirs.getChildFile ("t.settings").replaceWithText ("theirs"));
    if (::chown (theirs.getFullPathName().toRawUTF8(), ::geteuid() + 1, static_cast<gid_t> (-1)) != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";
    const auto link = scratch / "l.settings";
    ASSERT_EQ (::symlink ("theirs/t.settings", link.getFullPathName().toRawUTF8()), 0);
    EXPECT_FALSE (GuardedFile::replace (link, bytesOf ("over")));
    EXPECT_EQ (theirs.getChildFile ("t.settings").loadFileAsString(), "theirs");
}
