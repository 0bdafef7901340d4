#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

int main (int argc, char** argv)
{
    // Without a window manager (Xvfb in CI) a window put on the desktop kills the process with an
    // X error unless no application instance can be created.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };

    // Settings, snapshots and the instance channel go to a folder of this run, never the user's.
    // Scratch folders too: the test processes run side by side, and two of them asking /tmp for
    // the same "nonexistent" name at once would share one folder.
    const auto home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("talvo-tests-" + juce::String (static_cast<int> (::getpid())));
    home.deleteRecursively();
    home.getChildFile (".config").createDirectory();
    home.getChildFile ("run").createDirectory();
    home.getChildFile ("tmp").createDirectory();
    ::chmod (home.getChildFile ("run").getFullPathName().toRawUTF8(), 0700);
    ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    ::setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
    ::setenv ("XDG_RUNTIME_DIR", home.getChildFile ("run").getFullPathName().toRawUTF8(), 1);
    ::setenv ("XDG_STATE_HOME", home.getChildFile (".local/state").getFullPathName().toRawUTF8(), 1);
    ::setenv ("TMPDIR", home.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);

    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juceInitialiser;
        ::testing::InitGoogleTest (&argc, argv);
        result = RUN_ALL_TESTS();
    }

    home.deleteRecursively();
    return result;
}
