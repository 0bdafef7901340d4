#include "storage/SnapshotFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{
    TalvoSnapShotParameter distinctRecord (const juce::File& file)
    {
        TalvoSnapShotParameter r;
        r.LastFile = file;
        r.Name = "Live set";
        r.Description = "Two mics, one DAW";
        for (int i = 0; i < 16; ++i)
        {
            r.vol[i / 4][i % 4] = -1.25 * i;
            r.mute[i / 4][i % 4] = i % 3 == 0;
        }
        for (int k = 0; k < 4; ++k)
            r.volOut[k] = -3.5 * k;
        r.muteOut[1] = r.Phase[1] = r.Target[0] = true;
        return r;
    }

    juce::StringArray keysInFile (const juce::File& file)
    {
        juce::StringArray keys;
        if (auto xml = juce::parseXML (file))
            for (auto* e : xml->getChildIterator())
                keys.add (e->getStringAttribute ("name"));
        return keys;
    }

    juce::StringArray allKeysInWritingOrder()
    {
        juce::StringArray keys { "Name", "Description", "LastFile" };
        for (int i = 0; i < 16; ++i)
            keys.addArray (juce::StringArray { "vol" + juce::String (i / 4) + juce::String (i % 4), "mute" + juce::String (i / 4) + juce::String (i % 4) });
        for (int k = 0; k < 4; ++k)
            keys.addArray (juce::StringArray { "volOut" + juce::String (k), "muteOut" + juce::String (k) });
        keys.addArray (juce::StringArray { "Phase0", "Phase1", "Target0", "Target1" });
        return keys;
    }
}

TEST (SnapshotFile, WritesEveryKeyInOrderAndKeepsAnExistingFilesOrderAndForeignKeys)
{
    ScratchFolder scratch;
    const auto file = scratch / "Snapshot 2.Talvoz3";
    const auto record = distinctRecord (file);

    ASSERT_TRUE (SnapshotFile::write (file, record));
    EXPECT_EQ (keysInFile (file), allKeysInWritingOrder());
    ASSERT_TRUE (SnapshotFile::write (file, record));
    EXPECT_EQ (keysInFile (file), allKeysInWritingOrder());

    TalvoSnapShotParameter back;
    back.LastFile = file;
    ASSERT_TRUE (SnapshotFile::load (file, back));
    EXPECT_EQ (SnapshotFile::keyValues (back), SnapshotFile::keyValues (record));

    ASSERT_TRUE (file.replaceWithText ("<PROPERTIES><VALUE name=\"Target1\" val=\"1\"/><VALUE name=\"Colour\" val=\"teal\"/>"
                                       "<VALUE name=\"Name\" val=\"x\"/></PROPERTIES>"));
    ASSERT_TRUE (SnapshotFile::write (file, record));
    const auto keys = keysInFile (file);
    ASSERT_EQ (keys.size(), SnapshotFile::numKeys + 1);
    EXPECT_EQ (keys.joinIntoString (",").upToFirstOccurrenceOf (",vol00", false, false), "Target1,Colour,Name,Description,LastFile");
    EXPECT_EQ (SnapshotFile::readProperties (file)->getValue ("Colour", {}), "teal");
    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFiles), 1); // no temporary left
}

TEST (SnapshotFile, RequiredAndOptionalKeys)
{
    const auto read = [] (juce::StringArray drop, juce::StringPairArray set = {})
    {
        auto p = SnapshotFile::keyValues (distinctRecord ({}));
        for (auto& key : drop)
            p.remove (juce::StringRef (key));
        p.addArray (set);
        TalvoSnapShotParameter r;
        const auto bytes = PropertiesDocument::write (p);
        const auto ok = SnapshotFile::readRecord (*SnapshotFile::parseProperties (bytes.getData(), bytes.getSize()), r);
        return std::make_pair (ok, r);
    };

    for (const auto* required : { "Name", "Description", "vol00", "mute23", "vol33" })
        EXPECT_FALSE (read ({ required }).first) << required;

    juce::StringPairArray odd;
    odd.set ("vol12", "loud");
    odd.set ("mute12", "2");
    odd.set ("MUTE23", "1"); // keys are case-sensitive
    const auto [ok, r] = read ({ "volOut2", "muteOut1", "Phase1", "Target0" }, odd);
    ASSERT_TRUE (ok);
    EXPECT_EQ (r.volOut[2], -90.0);
    EXPECT_FALSE (r.muteOut[1] || r.Phase[1] || r.Target[0] || r.mute[2][3]);
    EXPECT_EQ (r.vol[1][2], 0.0);
    EXPECT_TRUE (r.mute[1][2]);
}

TEST (SnapshotFile, DamagedOrHostileFilesAreRejectedUnchangedAndNeverOverwritten)
{
    ScratchFolder scratch;
    const auto valid = PropertiesDocument::write (SnapshotFile::keyValues (distinctRecord ({}))).toString();
    int n = 0;
    for (const auto& text : { valid.substring (0, valid.length() / 2), juce::String ("\x01 not xml"),
                              juce::String::fromUTF8 ("<PROPERTIES><VALUE name=\"x\"><\xC3\xA9 e=\"<?\">?>-</VALUE></PROPERTIES>"),
                              "<PROPERTIES>" + juce::String::repeatedString ("<a>", 100000) + "</PROPERTIES>",
                              "<PROPERTIES>" + juce::String::repeatedString (" ", 1 << 20) + "</PROPERTIES>",
                              // more elements than our files hold: distinct keys by the ten thousand took lookups minutes
                              "<PROPERTIES>" + juce::String::repeatedString ("<VALUE name=\"k\" val=\"1\"/>", 10000) + "</PROPERTIES>" })
    {
        const auto file = scratch / juce::String (n++);
        ASSERT_TRUE (file.replaceWithText (text, false, false, nullptr));
        const auto modified = file.getLastModificationTime();
        TalvoSnapShotParameter r;
        EXPECT_FALSE (SnapshotFile::load (file, r)) << n;
        EXPECT_EQ (file.loadFileAsString(), text);
        EXPECT_EQ (file.getLastModificationTime(), modified);
    }

    // Saving over a file that could not be read keeps that file aside.
    const auto damaged = scratch / "0";
    ASSERT_TRUE (SnapshotFile::write (damaged, distinctRecord (damaged)));
    EXPECT_EQ (keysInFile (damaged), allKeysInWritingOrder());
    EXPECT_EQ ((scratch / "0.unreadable").loadFileAsString(), valid.substring (0, valid.length() / 2));

    // A second unreadable file goes beside the first, never over it; text that is not UTF-8 is
    // not read; a blank file holds nothing to keep.
    const char latin1[] = "<PROPERTIES><VALUE name=\"Name\" val=\"Caf\xE9\"/></PROPERTIES>";
    ASSERT_TRUE (damaged.replaceWithData (latin1, sizeof (latin1) - 1));
    TalvoSnapShotParameter notRead;
    EXPECT_FALSE (SnapshotFile::load (damaged, notRead));
    ASSERT_TRUE (SnapshotFile::write (damaged, distinctRecord (damaged)));
    EXPECT_EQ ((scratch / "0.unreadable").loadFileAsString(), valid.substring (0, valid.length() / 2));
    juce::MemoryBlock keptBytes;
    ASSERT_TRUE ((scratch / "0.unreadable.2").loadFileAsData (keptBytes));
    EXPECT_EQ (keptBytes, juce::MemoryBlock (latin1, sizeof (latin1) - 1));

    const auto blank = scratch / "blank";
    ASSERT_TRUE (blank.replaceWithText (" \n\t"));
    ASSERT_TRUE (SnapshotFile::write (blank, distinctRecord (blank)));
    EXPECT_EQ (keysInFile (blank), allKeysInWritingOrder());
    EXPECT_FALSE ((scratch / "blank.unreadable").exists());

    const auto fifo = scratch / "fifo", zero = scratch / "zero", folder = scratch / "folder";
    ASSERT_EQ (::mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (zero, true));
    ASSERT_TRUE (folder.createDirectory());
    for (const auto& f : { fifo, zero, folder, juce::File() })
    {
        TalvoSnapShotParameter r;
        EXPECT_FALSE (SnapshotFile::load (f, r)) << f.getFullPathName();
        EXPECT_FALSE (SnapshotFile::write (f, distinctRecord (f))) << f.getFullPathName();
    }
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    // A link to a file in a folder that does not exist: no folder is made for it.
    const auto away = scratch.folder.getChildFile ("nonexistent").getChildFile ("x");
    const auto dangling = scratch / "dangling";
    ASSERT_TRUE (away.createSymbolicLink (dangling, true));
    EXPECT_FALSE (SnapshotFile::write (dangling, distinctRecord (dangling)));
    EXPECT_FALSE (away.getParentDirectory().exists());
}
