#include "panel/SingleInstanceChannel.h"
#include "support/LocalSocket.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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

        ASSERT_TRUE (pumpMessagesUntil ([&] { return received.size() == 3; })) << received.joinIntoString ("|");
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
        const int fd = bindLocalSocket (file);
        ASSERT_GE (fd, 0);
        ::close (fd);
    }
    ASSERT_TRUE (file.exists());
    EXPECT_FALSE (SingleInstanceChannel::handOverToRunningInstance ("/shutdown"));

    juce::String received;
    auto listener = SingleInstanceChannel::listen ([&] (const juce::String& c) { received = c; });
    ASSERT_NE (listener, nullptr);
    EXPECT_TRUE (SingleInstanceChannel::handOverToRunningInstance ("/defaults"));
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received == "/defaults"; }));
}

namespace
{
    /** A fresh TMPDIR beside the runtime folder, where the channel looks for its fallback folder.
        On leaving, the runtime folder is private again, TMPDIR is as it was and the folder gone.
    */
    struct FallbackTmp
    {
        explicit FallbackTmp (const juce::String& name)
            : folder (runtime.getSiblingFile (name)),
              created (folder.createDirectory())
        {
            ::setenv ("TMPDIR", folder.getFullPathName().toRawUTF8(), 1);
        }

        ~FallbackTmp()
        {
            ::chmod (runtime.getFullPathName().toRawUTF8(), 0700);
            if (tmpBefore.isEmpty())
                ::unsetenv ("TMPDIR");
            else
                ::setenv ("TMPDIR", tmpBefore.toRawUTF8(), 1);
            folder.deleteRecursively();
        }

        const juce::File runtime = SingleInstanceChannel::socketFile().getParentDirectory();
        const juce::String tmpBefore = juce::SystemStats::getEnvironmentVariable ("TMPDIR", {});
        const juce::File folder;
        const bool created;
    };
}

TEST (SingleInstanceChannel, NeverUsesAFolderOthersCanEnter)
{
    const FallbackTmp tmp ("tmp");
    ASSERT_TRUE (tmp.created);

    // A public runtime folder is passed over for a private one of our own.
    ASSERT_EQ (::chmod (tmp.runtime.getFullPathName().toRawUTF8(), 0777), 0);
    const auto fallback = SingleInstanceChannel::socketFile().getParentDirectory();
    EXPECT_NE (fallback, tmp.runtime);
    EXPECT_TRUE (fallback.isAChildOf (tmp.folder));

    // If someone else could enter that one too, neither side trusts it, and the launch says why.
    ASSERT_EQ (::chmod (fallback.getFullPathName().toRawUTF8(), 0755), 0);
    EXPECT_EQ (SingleInstanceChannel::listen ([] (const juce::String&) {}), nullptr);
    const auto result = SingleInstanceChannel::handOverToRunningInstance ("/shutdown");
    EXPECT_EQ (result.outcome, SingleInstanceChannel::HandOverResult::Outcome::folderRefused);
    EXPECT_TRUE (result.reason.contains ("other users may enter it")) << result.reason;
}

namespace
{
    /** A raw client of the channel, for peers that do not follow the protocol. */
    int rawConnect()
    {
        const int fd = ::socket (AF_UNIX, SOCK_STREAM, 0);
        const auto address = localSocketAddress (SingleInstanceChannel::socketFile());
        if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0)
        {
            ::close (fd);
            return -1;
        }
        return fd;
    }

    using Outcome = SingleInstanceChannel::HandOverResult::Outcome;
}

TEST (SingleInstanceChannel, HandOversWaitingForTheMessageThreadAreBounded)
{
    juce::StringArray received;
    auto listener = SingleInstanceChannel::listen ([&] (const juce::String& c) { received.add (c); });
    ASSERT_NE (listener, nullptr);

    // The message thread is busy (this test does not pump it): the first few wait, the rest are
    // turned down and told so (after asking again for a short while) instead of piling up.
    std::vector<Outcome> outcomes;
    for (int i = 0; i < 3 * SingleInstanceChannel::maxPendingHandOvers; ++i)
        outcomes.push_back (SingleInstanceChannel::handOverToRunningInstance (juce::String (i), 100).outcome);

    const auto accepted = std::count (outcomes.begin(), outcomes.end(), Outcome::accepted);
    EXPECT_EQ (accepted, SingleInstanceChannel::maxPendingHandOvers);
    EXPECT_EQ (std::count (outcomes.begin(), outcomes.end(), Outcome::busy), 2 * SingleInstanceChannel::maxPendingHandOvers);

    ASSERT_TRUE (pumpMessagesUntil ([&] { return received.size() == SingleInstanceChannel::maxPendingHandOvers; }));
    EXPECT_EQ (received[0], "0");

    // Once served, there is room again.
    EXPECT_EQ (SingleInstanceChannel::handOverToRunningInstance ("/shutdown").outcome, Outcome::accepted);
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received.contains ("/shutdown"); }));
}

TEST (SingleInstanceChannel, ASlowPeerCannotHoldTheChannel)
{
    juce::StringArray received;
    auto listener = SingleInstanceChannel::listen ([&] (const juce::String& c) { received.add (c); });
    ASSERT_NE (listener, nullptr);

    // A peer that sends one byte of a frame every 300 ms, for longer than any launch waits.
    std::atomic<bool> stop { false };
    std::thread dribbler ([&]
                          {
                              const int fd = rawConnect();
                              const char byte = 100;
                              for (int i = 0; i < 30 && ! stop && fd >= 0; ++i)
                              {
                                  ::send (fd, &byte, 1, MSG_NOSIGNAL);
                                  juce::Thread::sleep (300);
                              }
                              if (fd >= 0)
                                  ::close (fd);
                          });
    juce::Thread::sleep (100);

    const auto result = SingleInstanceChannel::handOverToRunningInstance ("/defaults");
    EXPECT_EQ (result.outcome, Outcome::accepted) << result.reason;
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received.contains ("/defaults"); }, 3000));

    stop = true;
    dribbler.join();
}

TEST (SingleInstanceChannel, ASecondLaunchGivesUpInTimeAndSaysWhy)
{
    // Something listens at the socket but never answers: a hung panel, or a squatter.
    const auto file = SingleInstanceChannel::socketFile();
    const int fd = bindLocalSocket (file);
    ASSERT_GE (fd, 0);
    ASSERT_EQ (::listen (fd, 1), 0);

    const auto start = juce::Time::getMillisecondCounter();
    const auto result = SingleInstanceChannel::handOverToRunningInstance ("/shutdown", 300);
    EXPECT_EQ (result.outcome, Outcome::noAnswer);
    EXPECT_TRUE (result.reason.contains ("in time")) << result.reason;
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 3000u);

    // A live socket is never taken over by a new listener.
    EXPECT_EQ (SingleInstanceChannel::listen ([] (const juce::String&) {}), nullptr);

    ::close (fd);
    ::unlink (file.getFullPathName().toRawUTF8());
}

TEST (SingleInstanceChannel, ARefusedFolderIsReportedNotMistakenForNoPanel)
{
    const FallbackTmp tmp ("tmp-refused");
    ASSERT_TRUE (tmp.created);
    ASSERT_EQ (::chmod (tmp.runtime.getFullPathName().toRawUTF8(), 0755), 0);

    const auto fallback = tmp.folder.getChildFile ("talvo-z3-control-" + juce::String (static_cast<int> (::getuid())));
    const auto elsewhere = tmp.folder.getChildFile ("elsewhere");
    ASSERT_TRUE (elsewhere.createDirectory());
    ::chmod (elsewhere.getFullPathName().toRawUTF8(), 0700);

    // A symbolic link, a plain file: each is named as the reason (open to others: above).
    ASSERT_EQ (::symlink (elsewhere.getFullPathName().toRawUTF8(), fallback.getFullPathName().toRawUTF8()), 0);
    auto result = SingleInstanceChannel::handOverToRunningInstance ("/shutdown");
    EXPECT_EQ (result.outcome, Outcome::folderRefused);
    EXPECT_TRUE (result.reason.contains ("symbolic link")) << result.reason;

    ::unlink (fallback.getFullPathName().toRawUTF8());
    ASSERT_TRUE (fallback.replaceWithText ("x"));
    result = SingleInstanceChannel::handOverToRunningInstance ("/shutdown");
    EXPECT_EQ (result.outcome, Outcome::folderRefused);
    EXPECT_TRUE (result.reason.contains ("not a folder")) << result.reason;
}
