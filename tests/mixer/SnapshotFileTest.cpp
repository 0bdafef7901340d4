#include "mixer/SnapshotFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{
    /** A record with a distinct value in every field. */
    TalvoSnapShotParameter distinctRecord (const juce::File& file)
    {
        TalvoSnapShotParameter r;
        r.LastFile = file;
        r.Name = "Live set";
        r.Description = "Two mics, one DAW";
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
            {
                r.vol[i][j] = -1.25 * (i * 4 + j);
                r.mute[i][j] = (i + j) % 3 == 0;
            }
        const double outs[4] = { -3.5, -90.0, 0.0, -45.0 };
        for (int k = 0; k < 4; ++k)
        {
            r.volOut[k] = outs[k];
            r.muteOut[k] = k % 2 == 1;
        }
        r.Phase[1] = true;
        r.Target[0] = true;
        return r;
    }

    /** The keys as the file holds them, in file order. */
    juce::StringArray keysInFile (const juce::File& file)
    {
        juce::StringArray keys;
        if (auto xml = juce::parseXML (file))
            for (auto* e : xml->getChildIterator())
                keys.add (e->getStringAttribute ("name"));
        return keys;
    }

    /** A properties document with the given keys; values are "0" unless given. */
    juce::String document (const juce::StringArray& keys, const juce::StringPairArray& values = {})
    {
        juce::XmlElement root ("PROPERTIES");
        for (auto& key : keys)
        {
            auto* e = root.createNewChildElement ("VALUE");
            e->setAttribute ("name", key);
            e->setAttribute ("val", values.getValue (key, "0"));
        }
        return root.toString();
    }

    /** The keys a complete file must hold, in writing order. */
    juce::StringArray allKeys()
    {
        juce::StringArray keys { "Name", "Description", "LastFile" };
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                keys.addArray (juce::StringArray { "vol" + juce::String (i) + juce::String (j),
                                                   "mute" + juce::String (i) + juce::String (j) });
        for (int k = 0; k < 4; ++k)
            keys.addArray (juce::StringArray { "volOut" + juce::String (k), "muteOut" + juce::String (k) });
        keys.addArray (juce::StringArray { "Phase0", "Phase1", "Target0", "Target1" });
        return keys;
    }
}

TEST (SnapshotFile, SlotsLieBesideTheSettingsFile)
{
    EXPECT_EQ (SnapshotFile::fileForSlot (0).getFileName(), "Snapshot 1.Talvoz3");
    EXPECT_EQ (SnapshotFile::fileForSlot (3).getFileName(), "Snapshot 4.Talvoz3");
    EXPECT_EQ (SnapshotFile::fileForSlot (2).getParentDirectory().getFileName(), "Talvoz3Panel");
}

TEST (SnapshotFile, WritesEveryKeyInOrderAndKeepsAnExistingFilesOrderAndForeignKeys)
{
    ScratchFolder scratch;
    const auto file = scratch / "Snapshot 2.Talvoz3";
    const auto record = distinctRecord (file);

    ASSERT_TRUE (SnapshotFile::write (file, record));
    EXPECT_EQ (keysInFile (file), allKeys());
    EXPECT_EQ (allKeys().size(), SnapshotFile::numKeys);

    TalvoSnapShotParameter back;
    ASSERT_TRUE (SnapshotFile::load (file, back));
    EXPECT_EQ (back.Name, record.Name);
    EXPECT_EQ (back.Description, record.Description);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            EXPECT_DOUBLE_EQ (back.vol[i][j], record.vol[i][j]);
            EXPECT_EQ (back.mute[i][j], record.mute[i][j]);
        }
    for (int k = 0; k < 4; ++k)
    {
        EXPECT_DOUBLE_EQ (back.volOut[k], record.volOut[k]);
        EXPECT_EQ (back.muteOut[k], record.muteOut[k]);
    }
    EXPECT_FALSE (back.Phase[0]);
    EXPECT_TRUE (back.Phase[1]);
    EXPECT_TRUE (back.Target[0]);
    EXPECT_FALSE (back.Target[1]);

    // Saving again changes values in place and adds nothing.
    auto changed = record;
    changed.Name = "Other";
    ASSERT_TRUE (SnapshotFile::write (file, changed));
    EXPECT_EQ (keysInFile (file), allKeys());

    // A file written elsewhere, in another order and with keys of its own, keeps both.
    ASSERT_TRUE (file.replaceWithText (document ({ "Target1", "Colour", "vol00", "Name" }, [] {
        juce::StringPairArray v;
        v.set ("Colour", "teal");
        return v;
    }())));
    ASSERT_TRUE (SnapshotFile::write (file, record));
    const auto keys = keysInFile (file);
    ASSERT_EQ (keys.size(), SnapshotFile::numKeys + 1);
    EXPECT_EQ (keys[0], "Target1");
    EXPECT_EQ (keys[1], "Colour");
    EXPECT_EQ (keys[2], "vol00");
    EXPECT_EQ (keys[3], "Name");
    EXPECT_EQ (keys[4], "Description");
    EXPECT_EQ (SnapshotFile::readProperties (file)->getValue ("Colour", {}), "teal");

    // The new content replaced the old one through a temporary file that is gone.
    EXPECT_EQ (scratch.names(), juce::StringArray { "Snapshot 2.Talvoz3" });
}

TEST (SnapshotFile, RequiredAndOptionalKeys)
{
    const auto read = [] (juce::StringArray keys, const juce::StringPairArray& values = {})
    {
        TalvoSnapShotParameter r;
        r.volOut[2] = 12.0;
        const auto props = SnapshotFile::parseProperties (document (keys, values));
        const auto ok = props.has_value() && SnapshotFile::readRecord (*props, r);
        return std::make_pair (ok, r);
    };

    auto keys = allKeys();
    EXPECT_TRUE (read (keys).first);

    for (const auto* required : { "Name", "Description", "vol00", "mute23", "vol33" })
    {
        auto without = keys;
        without.removeString (required);
        EXPECT_FALSE (read (without).first) << required;
    }

    // Output, phase and target keys may be missing; keys are case-sensitive.
    auto optional = keys;
    for (const auto* key : { "volOut2", "muteOut2", "Phase0", "Target1" })
        optional.removeString (key);
    juce::StringPairArray values;
    values.set ("muteOut2", "1");
    values.set ("vol12", "loud");
    values.set ("mute12", "2");
    values.set ("Phase1", "x");
    const auto [ok, r] = read (optional, values);
    ASSERT_TRUE (ok);
    EXPECT_EQ (r.volOut[2], -90.0);
    EXPECT_FALSE (r.muteOut[2]);
    EXPECT_EQ (r.vol[1][2], 0.0);      // not a number
    EXPECT_TRUE (r.mute[1][2]);        // any number but 0
    EXPECT_FALSE (r.Phase[1]);

    auto wrongCase = keys;
    wrongCase.set (wrongCase.indexOf ("mute23"), "MUTE23");
    EXPECT_FALSE (read (wrongCase).first);

    EXPECT_FALSE (SnapshotFile::parseProperties ("<OTHER/>").has_value());
}

TEST (SnapshotFile, DamagedOrHostileFilesAreRejectedAndLeftAsTheyAre)
{
    ScratchFolder scratch;
    const auto valid = document (allKeys());

    struct Case { juce::String name; juce::String text; };
    const Case cases[] = {
        { "truncated", valid.substring (0, valid.length() / 2) },
        { "garbage", "\x01\x02 not xml" },
        { "deep", "<PROPERTIES>" + juce::String::repeatedString ("<a>", 100000) + "</PROPERTIES>" },
        { "entity", "<PROPERTIES>&" + juce::String::repeatedString ("<a>", 100000) + ";</PROPERTIES>" },
        { "huge", "<PROPERTIES>" + juce::String::repeatedString (" ", 1 << 20) + "</PROPERTIES>" },
        { "empty", {} },
    };

    for (const auto& c : cases)
    {
        const auto file = scratch / c.name;
        ASSERT_TRUE (c.text.isEmpty() ? file.create().wasOk() : file.replaceWithText (c.text, false, false, nullptr));
        const auto before = file.loadFileAsString();
        const auto modified = file.getLastModificationTime();

        TalvoSnapShotParameter r;
        EXPECT_FALSE (SnapshotFile::load (file, r)) << c.name;
        EXPECT_EQ (file.loadFileAsString(), before) << c.name;
        EXPECT_EQ (file.getLastModificationTime(), modified) << c.name;
    }

    const auto fifo = scratch / "fifo";
    ASSERT_EQ (::mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);
    const auto zero = scratch / "zero";
    ASSERT_TRUE (juce::File ("/dev/zero").createSymbolicLink (zero, true));
    const auto folder = scratch / "folder";
    ASSERT_TRUE (folder.createDirectory());

    for (const auto& notAFile : { fifo, zero, folder, scratch / "missing", juce::File() })
    {
        TalvoSnapShotParameter r;
        EXPECT_FALSE (SnapshotFile::load (notAFile, r)) << notAFile.getFullPathName();

        // Nothing is written into or over what is not a regular file.
        EXPECT_EQ (SnapshotFile::write (notAFile, distinctRecord (notAFile)), notAFile == scratch / "missing");
    }
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

TEST (SnapshotFile, SavingOverAnUnreadableFileKeepsItAside)
{
    ScratchFolder scratch;
    const auto file = scratch / "Snapshot 1.Talvoz3";
    ASSERT_TRUE (file.replaceWithText ("<PROPERTIES><VALUE name=\"Name\" val=\"cut sh"));

    ASSERT_TRUE (SnapshotFile::write (file, distinctRecord (file)));
    EXPECT_EQ (keysInFile (file), allKeys());
    EXPECT_EQ (scratch.names(), (juce::StringArray { "Snapshot 1.Talvoz3", "Snapshot 1.Talvoz3.unreadable" }));
    EXPECT_EQ ((scratch / "Snapshot 1.Talvoz3.unreadable").loadFileAsString(), "<PROPERTIES><VALUE name=\"Name\" val=\"cut sh");

    // An empty file (as the dialog creates it before writing) simply holds no keys yet.
    const auto fresh = scratch / "Snapshot 3.Talvoz3";
    ASSERT_TRUE (fresh.create());
    ASSERT_TRUE (SnapshotFile::write (fresh, distinctRecord (fresh)));
    EXPECT_EQ (keysInFile (fresh), allKeys());
    EXPECT_FALSE ((scratch / "Snapshot 3.Talvoz3.unreadable").exists());

    // A link is written through: the link stays and its target takes the content.
    const auto linked = scratch / "Snapshot 4.Talvoz3";
    ASSERT_TRUE (fresh.createSymbolicLink (linked, true));
    auto viaLink = distinctRecord (linked);
    viaLink.Name = "via link";
    ASSERT_TRUE (SnapshotFile::write (linked, viaLink));
    EXPECT_TRUE (linked.isSymbolicLink());
    EXPECT_EQ (SnapshotFile::readProperties (fresh)->getValue ("Name", {}), "via link");
}
