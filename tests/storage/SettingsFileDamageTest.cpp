#include "storage/FolderOwner.h"
#include "support/FrameworkWrittenSettings.h"
#include "support/PanelFixture.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

/** Damaged, hostile and odd settings files: whatever lies at the settings path, the panel starts,
    and what was saved before survives byte for byte.
*/
namespace
{
    juce::File settingsPath()   { return SettingsFile::defaultFile(); }
    juce::File backup (int n)   { return settingsPath().getSiblingFile ("Talvoz3Panel.settings.unreadable" + (n == 1 ? juce::String() : "." + juce::String (n))); }

    // Built in a stream: appending to a juce::String copies it whole each time.
    juce::String settingsWithKeys (int count)
    {
        juce::MemoryOutputStream text;
        text << "<PROPERTIES>";
        for (int i = 0; i < count; ++i)
            text << "<VALUE name=\"k" << i << "\" val=\"" << i << "\"/>";
        text << "</PROPERTIES>";
        return text.toString();
    }

    /** A reader that meets what a user without read permission meets (tests run as root). */
    auto cannotOpen (const char* detail)
    {
        return [detail] (const juce::File&)
        {
            StoredProperties::Result r;
            r.fileProblem = GuardedFile::Problem::cannotOpen;
            r.detail = detail;
            return r;
        };
    }

    bool isSymbolicLink (const juce::File& f)
    {
        struct stat info {};
        return ::lstat (f.getFullPathName().toRawUTF8(), &info) == 0 && S_ISLNK (info.st_mode);
    }
}

class SettingsFileDamage : public PanelFixture
{
protected:
    SettingsFileDamage()
    {
        panel = nullptr;
        settingsPath().getParentDirectory().deleteRecursively();
        settingsPath().getParentDirectory().createDirectory();
    }

    ~SettingsFileDamage() override
    {
        panel = nullptr;
        settingsPath().getParentDirectory().deleteRecursively();
    }

    void startPanel() { panel = std::make_unique<MainComponent> (ports); }

    /** The panel as after a connection: its next save writes every key. */
    void saveAfterRestore()
    {
        panel->m_stateRestored = true;
        panel->m_sourceVolumeArray[1][2] = -12.0;
        ASSERT_TRUE (panel->saveProperties());
    }
};

TEST_F (SettingsFileDamage, AFileThatCannotBeReadIsMovedAsideAndNeverSavedOver)
{
    const juce::String saved ("<PROPERTIES><VALUE name=\"vol00\" val=\"-6\"/><VALUE name=\"Snapshot0\" val=\"Band\"/></PROPERTIES>");
    ASSERT_TRUE (settingsPath().replaceWithText (saved));

    const auto check = SettingsFile::checkBeforeLoading (settingsPath(), cannotOpen ("Permission denied"));
    EXPECT_EQ (check.keptAs, backup (1));
    EXPECT_FALSE (check.savingOff);
    EXPECT_TRUE (check.message (settingsPath()).contains ("Permission denied"));
    EXPECT_TRUE (check.message (settingsPath()).contains (backup (1).getFullPathName()));

    startPanel();
    saveAfterRestore();
    panel = nullptr;

    EXPECT_EQ (backup (1).loadFileAsString(), saved);   // never saved over
    const auto written = SettingsFile::readChecked (settingsPath());
    ASSERT_TRUE (written.ok());
    EXPECT_TRUE (written.properties.containsKey ("vol12"));

    // Where it cannot even be moved, the session saves nothing.
    const juce::File unmovable ("/proc/self/status");
    const auto stuck = SettingsFile::checkBeforeLoading (unmovable, cannotOpen ("Permission denied"));
    EXPECT_TRUE (stuck.savingOff);
    EXPECT_EQ (stuck.message (unmovable), "Talvo z3 Control: the settings file \"/proc/self/status\" cannot be opened (Permission denied) "
                                          "and could not be moved aside; the panel starts with default settings and saves none in this session.");
}

TEST_F (SettingsFileDamage, HostileFilesAreSetAsideWithoutCrashHangOrUnboundedRead)
{
    // Deep enough to overflow the stack in the framework's recursive parser.
    const auto deepText = "<PROPERTIES>" + juce::String::repeatedString ("<a>", 30000) + "</PROPERTIES>";
    ASSERT_TRUE (settingsPath().replaceWithText (deepText));
    startPanel();
    EXPECT_EQ (backup (1).loadFileAsString(), deepText);
    panel->restoreProperties();
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], _static_default_volume_array[0][0]);
    panel = nullptr;

    // Text the framework's parser would loop on for ever, at every start.
    const juce::String looping ("<PROPERTIES><VALUE name=\"Snapshot0\"><?x?>Band</VALUE></PROPERTIES>");
    ASSERT_TRUE (settingsPath().replaceWithText (looping));
    startPanel();
    EXPECT_EQ (backup (2).loadFileAsString(), looping);
    panel = nullptr;
    backup (2).deleteFile();

    // A link to an endless device: the link itself is kept aside, nothing is copied.
    settingsPath().deleteFile();
    ASSERT_EQ (::symlink ("/dev/zero", settingsPath().getFullPathName().toRawUTF8()), 0);
    startPanel();
    EXPECT_TRUE (isSymbolicLink (backup (2)));
    EXPECT_EQ (backup (2).getLinkedTarget(), juce::File ("/dev/zero"));
    panel = nullptr;

    // A FIFO: a plain open would wait for a writer for ever. A writer's non-blocking open succeeds
    // only while a reader holds the FIFO open, so if the panel is still inside a blocking open
    // when the rescuer looks, the rescuer both frees it and sees that it was stuck.
    settingsPath().deleteFile();
    ASSERT_EQ (::mkfifo (settingsPath().getFullPathName().toRawUTF8(), 0600), 0);
    std::atomic<bool> started { false }, rescued { false };
    std::thread rescuer ([&]
                         {
                             for (int i = 0; i < 60 && ! started; ++i)
                                 std::this_thread::sleep_for (std::chrono::milliseconds (50));
                             for (const auto& fifo : { backup (3), settingsPath() })
                                 if (const int fd = ::open (fifo.getFullPathName().toRawUTF8(), O_WRONLY | O_NONBLOCK); fd >= 0)
                                 {
                                     rescued = true;
                                     ::close (fd);
                                 }
                         });
    startPanel();
    started = true;
    rescuer.join();
    EXPECT_FALSE (rescued) << "the panel waited in a blocking open of the FIFO";
    struct stat info {};
    ASSERT_EQ (::lstat (backup (3).getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_TRUE (S_ISFIFO (info.st_mode));

    // Every damaged file was kept apart: none overwrote an earlier one.
    EXPECT_EQ (backup (1).loadFileAsString(), deepText);
}

TEST_F (SettingsFileDamage, TooManyKeysIsSetAsideAndTheCapItselfLoads)
{
    // Past the cap the framework's key table takes time in the square of the keys: 100,000 keys
    // are also past the size cap, one key more than the cap is not.
    const auto huge = settingsWithKeys (100000);
    ASSERT_TRUE (settingsPath().replaceWithText (huge));
    startPanel();
    EXPECT_EQ (backup (1).loadFileAsString(), huge);
    EXPECT_FALSE (settingsPath().exists());
    panel = nullptr;

    const auto maxKeys = SettingsFile::caps().maxForeignKeys;
    const auto oneTooMany = settingsWithKeys (maxKeys + 1);
    ASSERT_TRUE (settingsPath().replaceWithText (oneTooMany));
    startPanel();
    EXPECT_EQ (backup (2).loadFileAsString(), oneTooMany);
    panel = nullptr;

    ASSERT_TRUE (settingsPath().replaceWithText (settingsWithKeys (maxKeys)));
    startPanel();
    EXPECT_FALSE (backup (3).exists());
    EXPECT_EQ (panel->getUserSettings()->getValue ("k4095"), "4095");
}

TEST_F (SettingsFileDamage, FilesThatHungOrCrashedTheFrameworksParserAreSetAsideOrReadWhole)
{
    // A processing instruction begun inside a tag: the framework's parser looped for ever.
    const auto looping = juce::String::fromUTF8 ("<PROPERTIES><VALUE name=\"x\"><\xC3\xA9 e=\"<?\">?>-</VALUE></PROPERTIES>");
    ASSERT_TRUE (settingsPath().replaceWithText (looping));
    startPanel();
    EXPECT_EQ (backup (1).loadFileAsString(), looping);
    panel = nullptr;

    // Mixed content in a value: the framework's writer crashed at the store's first use.
    const juce::String mixed ("<PROPERTIES><VALUE name=\"x\"><a>t<b><c/></b></a></VALUE></PROPERTIES>");
    ASSERT_TRUE (settingsPath().replaceWithText (mixed));
    startPanel();
    EXPECT_FALSE (backup (2).exists());
    saveAfterRestore();
    panel = nullptr;
    EXPECT_EQ (storedSettings()->getValue ("x"), "<a>t<b><c/></b></a>");
}

TEST_F (SettingsFileDamage, AReferenceTheFrameworksWriterMadeIsReadNotSetAside)
{
    ASSERT_TRUE (settingsPath().replaceWithData (frameworkWrittenSettings.data(), frameworkWrittenSettings.size()));
    startPanel();
    panel->restoreProperties();
    EXPECT_FALSE (backup (1).exists());
    EXPECT_EQ (panel->m_ssButtons[0]->getButtonText(), "A" + juce::String::charToString (0xFFFD) + "B");
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], -6.0);
}

TEST_F (SettingsFileDamage, WhatThePanelWritesItsNextStartReads)
{
    // As many keys as a read admits besides the panel's own, as large as they may be, compact.
    const auto& caps = SettingsFile::caps();
    const auto valueLength = static_cast<int> (caps.maxForeignBytes) / caps.maxForeignKeys - 32;
    juce::MemoryOutputStream text;
    text << "<PROPERTIES>";
    for (int i = 0; i < caps.maxForeignKeys; ++i)
        text << "<VALUE name=\"k" << i << "\" val=\"" << juce::String::repeatedString ("v", valueLength) << "\"/>";
    text << "</PROPERTIES>";
    ASSERT_TRUE (settingsPath().replaceWithText (text.toString()));

    startPanel();
    saveAfterRestore();
    panel->getUserSettings()->setValue (SettingsFile::Keys::windowPosition, "fs 0 0 496 1360");
    panel = nullptr;   // the teardown adds "ResetNextBoot"

    startPanel();
    EXPECT_FALSE (backup (1).exists());
    EXPECT_EQ (panel->getUserSettings()->getValue ("k4095").length(), valueLength);
    EXPECT_TRUE (panel->getUserSettings()->getBoolValue (SettingsFile::Keys::resetNextBoot));
}

TEST_F (SettingsFileDamage, WithoutAUsableStoreTheRestoreRunsOnDefaultsAndNothingIsSaved)
{
    // The settings folder is a plain file: the settings file can be neither read nor moved aside.
    const auto folder = settingsPath().getParentDirectory();
    folder.deleteRecursively();
    ASSERT_TRUE (folder.replaceWithText ("mine"));

    startPanel();
    giveOpenOutput ("out");
    panel->restoreProperties();

    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ (panel->m_ssButtons[slot]->getButtonText(), SettingsFile::defaultSnapshotName (slot));
    EXPECT_EQ (panel->m_sourceVolumeArray[0][0], _static_default_volume_array[0][0]);
    juce::Array<std::uint8_t> commands;
    for (const auto& message : sentBytes())
        commands.add (message[5]);
    EXPECT_EQ (commands, juce::Array<std::uint8_t> ({ 0x40, 0x41, 0x62 }));   // input types, then phase

    panel->m_stateRestored = true;
    EXPECT_FALSE (panel->saveProperties());   // nothing written is not a success
    panel = nullptr;
    EXPECT_EQ (folder.loadFileAsString(), "mine");
    folder.deleteFile();
}

TEST_F (SettingsFileDamage, TemporariesOfAnInterruptedSaveAreRemovedAtStart)
{
    const auto folder = settingsPath().getParentDirectory();
    const auto stale = folder.getChildFile ("Talvoz3Panel_temp1a2b3c4d.settings");
    const auto fresh = folder.getChildFile ("Talvoz3Panel_tempdeadbeef.settings");
    const auto notOurs = folder.getChildFile ("Talvoz3Panel_temp notes.settings");
    const auto snapshot = folder.getChildFile ("Talvoz3Panel Snapshot 1.xml");
    const auto staleSnapshot = folder.getChildFile ("Snapshot 3_temp0badcafe.Talvoz3");
    for (const auto& f : { stale, fresh, notOurs, snapshot, staleSnapshot })
        ASSERT_TRUE (f.replaceWithText ("x"));

    const auto anHourAgo = juce::Time::getCurrentTime() - juce::RelativeTime::hours (1);
    for (const auto& f : { stale, notOurs, snapshot, staleSnapshot })
        f.setLastModificationTime (anHourAgo);

    startPanel();

    EXPECT_FALSE (stale.exists());
    EXPECT_FALSE (staleSnapshot.exists());
    EXPECT_TRUE (fresh.exists());   // may belong to a save under way right now
    EXPECT_TRUE (notOurs.exists());
    EXPECT_TRUE (snapshot.exists());
}

TEST_F (SettingsFileDamage, ASymlinkedSettingsFileIsWrittenThroughTheLink)
{
    const auto elsewhere = settingsPath().getParentDirectory().getSiblingFile ("dotfiles");
    elsewhere.createDirectory();
    const auto target = elsewhere.getChildFile ("talvo.panel.xml");
    ASSERT_TRUE (target.replaceWithText ("<PROPERTIES><VALUE name=\"Snapshot0\" val=\"Band\"/></PROPERTIES>"));
    ASSERT_EQ (::symlink (target.getFullPathName().toRawUTF8(), settingsPath().getFullPathName().toRawUTF8()), 0);

    startPanel();
    panel->restoreProperties();
    EXPECT_EQ (panel->m_ssButtons[0]->getButtonText(), "Band");
    saveAfterRestore();
    panel = nullptr;

    EXPECT_TRUE (isSymbolicLink (settingsPath()));
    const auto xml = juce::parseXML (target);
    ASSERT_NE (xml, nullptr);
    EXPECT_NE (xml->getChildByAttribute ("name", "vol12"), nullptr);
    EXPECT_EQ (xml->getChildByAttribute ("name", "Snapshot0")->getStringAttribute ("val"), "Band");
    EXPECT_EQ (elsewhere.getNumberOfChildFiles (juce::File::findFiles), 1);   // no temporary left
    elsewhere.deleteRecursively();
}

TEST_F (SettingsFileDamage, AStartInAnotherUsersPlaceReadsTheFileButMovesRemovesAndSavesNothing)
{
    ASSERT_TRUE (settingsPath().replaceWithText ("not xml"));
    const auto stale = settingsPath().getSiblingFile ("Talvoz3Panel_temp1a2b3c4d.settings");
    ASSERT_TRUE (stale.replaceWithText ("x"));
    stale.setLastModificationTime (juce::Time::getCurrentTime() - juce::RelativeTime::hours (1));

    const FolderOwner::ScopedStandIn root (::geteuid() + 1);
    const auto check = SettingsFile::checkBeforeLoading (settingsPath());
    EXPECT_TRUE (check.savingOff);
    EXPECT_EQ (check.keptAs, juce::File());
    EXPECT_TRUE (check.message (settingsPath()).contains ("saves no settings or snapshots")) << check.message (settingsPath());
    EXPECT_TRUE (stale.exists());

    startPanel();
    panel->m_stateRestored = true;
    EXPECT_FALSE (panel->saveProperties());
    panel = nullptr;
    EXPECT_EQ (settingsPath().loadFileAsString(), "not xml");
    EXPECT_FALSE (backup (1).exists());
    EXPECT_EQ (settingsPath().getParentDirectory().findChildFiles (juce::File::findFiles, false, "*").size(), 2);
}
