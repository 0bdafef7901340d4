#include "panel/SingleInstanceChannel.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    /** Runs the message loop until the condition holds or the time is up. */
    template <typename Condition>
    bool pumpUntil (Condition condition, int timeoutMs = 5000)
    {
        const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (timeoutMs);
        while (! condition() && juce::Time::getMillisecondCounter() < end)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
        return condition();
    }
}

TEST (SingleInstanceChannel, HandsCommandLinesToTheListenerOnTheMessageThread)
{
    juce::StringArray received;
    bool onMessageThread = true;

    {
        auto listener = SingleInstanceChannel::listen ([&] (const juce::String& commandLine)
                                                       {
                                                           onMessageThread &= juce::MessageManager::existsAndIsCurrentThread();
                                                           received.add (commandLine);
                                                       });
        ASSERT_NE (listener, nullptr);

        // A second listener must not steal the channel of a live one.
        EXPECT_EQ (SingleInstanceChannel::listen ([] (const juce::String&) {}), nullptr);

        EXPECT_TRUE (SingleInstanceChannel::handOverToRunningInstance ("/shutdown"));
        EXPECT_TRUE (SingleInstanceChannel::handOverToRunningInstance (""));
        EXPECT_TRUE (SingleInstanceChannel::handOverToRunningInstance (juce::String::fromUTF8 ("\"/default \" \xc3\xa9")));

        ASSERT_TRUE (pumpUntil ([&] { return received.size() == 3; })) << received.joinIntoString ("|");
    }

    EXPECT_EQ (received[0], "/shutdown");
    EXPECT_EQ (received[1], "");
    EXPECT_EQ (received[2], juce::String::fromUTF8 ("\"/default \" \xc3\xa9"));
    EXPECT_TRUE (onMessageThread);

    // Once the listener is gone, a launch starts on its own again.
    EXPECT_FALSE (SingleInstanceChannel::socketFile().exists());
    EXPECT_FALSE (SingleInstanceChannel::handOverToRunningInstance ("/shutdown"));
}

TEST (SingleInstanceChannel, ReplacesASocketLeftBehindByACrashedInstance)
{
    const auto file = SingleInstanceChannel::socketFile();

    // A bound socket whose owner has gone: it exists but nobody accepts.
    {
        const int fd = ::socket (AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy (address.sun_path, file.getFullPathName().toRawUTF8(), sizeof (address.sun_path) - 1);
        ASSERT_EQ (::bind (fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)), 0);
        ::close (fd);
    }
    ASSERT_TRUE (file.exists());
    EXPECT_FALSE (SingleInstanceChannel::handOverToRunningInstance ("/shutdown"));

    juce::String received;
    auto listener = SingleInstanceChannel::listen ([&] (const juce::String& c) { received = c; });
    ASSERT_NE (listener, nullptr);
    EXPECT_TRUE (SingleInstanceChannel::handOverToRunningInstance ("/defaults"));
    EXPECT_TRUE (pumpUntil ([&] { return received == "/defaults"; }));
}

TEST (SingleInstanceChannel, NeverUsesAFolderOthersCanEnter)
{
    const auto runtime = SingleInstanceChannel::socketFile().getParentDirectory();
    const auto tmpBefore = juce::SystemStats::getEnvironmentVariable ("TMPDIR", {});
    const auto tmp = runtime.getSiblingFile ("tmp");
    ASSERT_TRUE (tmp.createDirectory());
    ::setenv ("TMPDIR", tmp.getFullPathName().toRawUTF8(), 1);

    // A public runtime folder is passed over for a private one of our own.
    ASSERT_EQ (::chmod (runtime.getFullPathName().toRawUTF8(), 0777), 0);
    const auto fallback = SingleInstanceChannel::socketFile().getParentDirectory();
    EXPECT_NE (fallback, runtime);
    EXPECT_TRUE (fallback.isAChildOf (tmp));

    // If someone else could enter that one too, neither side trusts it and the panel starts alone.
    ASSERT_EQ (::chmod (fallback.getFullPathName().toRawUTF8(), 0755), 0);
    EXPECT_EQ (SingleInstanceChannel::listen ([] (const juce::String&) {}), nullptr);
    EXPECT_FALSE (SingleInstanceChannel::handOverToRunningInstance ("/shutdown"));

    ::chmod (runtime.getFullPathName().toRawUTF8(), 0700);
    if (tmpBefore.isEmpty())
        ::unsetenv ("TMPDIR");
    else
        ::setenv ("TMPDIR", tmpBefore.toRawUTF8(), 1);
    tmp.deleteRecursively();
}
