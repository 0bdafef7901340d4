#include "panel/SingleInstanceChannel.h"
#include "panel/SingleInstanceFolder.h"
#include "storage/FolderOwner.h"
#include "support/LocalSocket.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <future>
#include <thread>

#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    using Claim = SingleInstanceChannel::Claim;
    using Outcome = SingleInstanceChannel::HandOverResult::Outcome;

    /** Claims the channel here and listens, as a panel does; null when it cannot. */
    std::unique_ptr<Claim> listen (std::function<void (const juce::String&)> onCommandLine)
    {
        auto claim = SingleInstanceChannel::tryClaim();
        if (claim == nullptr || claim->listenerProblem().isNotEmpty())
            return {};
        claim->startListening (std::move (onCommandLine));
        return claim;
    }

    /** The socket's path, its folder made (as any launch makes it) and nothing at the names of
        the socket and the lock (as on the first launch): earlier tests of this process leave a
        lock file there.
    */
    juce::File preparedSocketFile()
    {
        const SingleInstanceFolder::Opened folder;
        const auto socket = SingleInstanceChannel::socketFile();
        for (const auto& name : { socket, SingleInstanceFolder::lockFile() })
            if (::unlink (name.getFullPathName().toRawUTF8()) != 0 && errno == EISDIR)
                name.deleteRecursively();
        return socket;
    }

    juce::File runtimeFolder()
    {
        return juce::File (juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {}));
    }

    /** Environment variables set (or, for an empty value, unset) for a scope; on leaving they are
        as they were and the runtime folder is private again.
    */
    struct ScopedEnvironment
    {
        ScopedEnvironment (std::initializer_list<std::pair<const char*, juce::String>> values)
        {
            for (const auto& [name, value] : values)
            {
                const auto* before = std::getenv (name);
                saved.push_back ({ name, before != nullptr ? std::optional<std::string> (before) : std::nullopt });
                if (value.isEmpty())
                    ::unsetenv (name);
                else
                    ::setenv (name, value.toRawUTF8(), 1);
            }
        }

        ~ScopedEnvironment()
        {
            for (const auto& [name, before] : saved)
                if (before.has_value())
                    ::setenv (name, before->c_str(), 1);
                else
                    ::unsetenv (name);
            ::chmod (runtimeFolder().getFullPathName().toRawUTF8(), 0700);
        }

        std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    };

    /** A fresh folder in this test run's home. */
    juce::File scratchFolder (const juce::String& name)
    {
        const auto folder = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (name);
        folder.deleteRecursively();
        folder.createDirectory();
        return folder;
    }
}

TEST (SingleInstanceChannel, HandsCommandLinesToTheListenerOnTheMessageThread)
{
    juce::StringArray received;
    bool onMessageThread = true;

    {
        auto listener = listen ([&] (const juce::String& commandLine)
                                                       {
                                                           onMessageThread &= juce::MessageManager::existsAndIsCurrentThread();
                                                           received.add (commandLine);
                                                       });
        ASSERT_NE (listener, nullptr);

        // A second listener must not steal the channel of a live one.
        EXPECT_EQ (listen ([] (const juce::String&) {}), nullptr);

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
    const auto file = preparedSocketFile();

    // A bound socket whose owner has gone: it exists but nobody accepts.
    {
        const int fd = bindLocalSocket (file);
        ASSERT_GE (fd, 0);
        ::close (fd);
    }
    ASSERT_TRUE (file.exists());
    EXPECT_FALSE (SingleInstanceChannel::handOverToRunningInstance ("/shutdown"));

    juce::String received;
    auto listener = listen ([&] (const juce::String& c) { received = c; });
    ASSERT_NE (listener, nullptr);
    EXPECT_TRUE (SingleInstanceChannel::handOverToRunningInstance ("/defaults"));
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received == "/defaults"; }));
}

TEST (SingleInstanceChannel, NeverUsesAFolderOthersCanEnter)
{
    const auto state = scratchFolder ("state");
    const ScopedEnvironment environment ({ { "XDG_STATE_HOME", state.getFullPathName() } });

    // A public runtime folder is passed over for a private one of our own.
    ASSERT_EQ (::chmod (runtimeFolder().getFullPathName().toRawUTF8(), 0777), 0);
    const auto fallback = preparedSocketFile().getParentDirectory();
    EXPECT_TRUE (fallback.isAChildOf (state)) << fallback.getFullPathName();

    // If someone else could enter that one too, neither side trusts it, and the launch says why.
    ASSERT_EQ (::chmod (fallback.getFullPathName().toRawUTF8(), 0755), 0);
    EXPECT_EQ (listen ([] (const juce::String&) {}), nullptr);
    const auto result = SingleInstanceChannel::handOverToRunningInstance ("/shutdown");
    EXPECT_EQ (result.outcome, SingleInstanceChannel::HandOverResult::Outcome::folderRefused);
    EXPECT_TRUE (result.reason.contains ("other users may enter it")) << result.reason;
}

TEST (SingleInstanceChannel, WithoutAPrivateRuntimeFolderTheChannelLivesInTheHome)
{
    // Anyone may create in the temporary folder: there, another user once took the name first
    // (a file, a link, a folder) and every launch ended.
    const auto tmp = scratchFolder ("shared-tmp");
    const auto uid = juce::String (static_cast<int> (::getuid()));
    ASSERT_TRUE (tmp.getChildFile ("talvo-z3-control-" + uid).replaceWithText ("taken"));
    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory);

    for (const auto& runtime : { juce::String(), runtimeFolder().getFullPathName() })
    {
        const ScopedEnvironment environment ({ { "TMPDIR", tmp.getFullPathName() }, { "XDG_STATE_HOME", "relative/state" },
                                               { "XDG_RUNTIME_DIR", runtime } });
        if (runtime.isNotEmpty())
            ::chmod (runtime.toRawUTF8(), 0500);   // ours but not writable: as good as none

        EXPECT_EQ (SingleInstanceChannel::socketFile().getParentDirectory(), home.getChildFile (".local/state/talvo-z3-control"));

        juce::StringArray received;
        auto panel = listen ([&] (const juce::String& c) { received.add (c); });
        ASSERT_NE (panel, nullptr);
        EXPECT_TRUE (SingleInstanceChannel::handOverToRunningInstance ("/defaults"));
        EXPECT_TRUE (pumpMessagesUntil ([&] { return received.contains ("/defaults"); }));
        EXPECT_EQ (tmp.getChildFile ("talvo-z3-control-" + uid).loadFileAsString(), "taken");
    }
}

TEST (SingleInstanceChannel, AHomeTooLongForASocketAddressStillHasAChannel)
{
    auto state = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
    for (int i = 0; i < 4; ++i)
        state = state.getChildFile (juce::String::repeatedString ("long", 12));
    const ScopedEnvironment environment ({ { "XDG_STATE_HOME", state.getFullPathName() } });
    ASSERT_EQ (::chmod (runtimeFolder().getFullPathName().toRawUTF8(), 0777), 0);

    const auto launch = SingleInstanceChannel::handOverOrClaim ("");
    ASSERT_NE (launch.claim, nullptr) << launch.handOver.reason;
    EXPECT_EQ (launch.claim->listenerProblem(), "");
    EXPECT_GT (SingleInstanceChannel::socketFile().getFullPathName().getNumBytesAsUTF8(), sizeof (sockaddr_un::sun_path));

    juce::String received;
    launch.claim->startListening ([&] (const juce::String& c) { received = c; });
    EXPECT_TRUE (SingleInstanceChannel::handOverOrClaim ("/shutdown").handOver);
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received == "/shutdown"; }));
}

namespace
{
    /** Waits, without running the message loop, until condition holds or timeoutMs has passed;
        returns the condition.
    */
    template <typename Condition>
    bool waitUntil (Condition condition, int timeoutMs = 5000)
    {
        const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (timeoutMs);

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() > deadline)
                return false;
            juce::Thread::sleep (1);
        }

        return true;
    }

    /** Sees launches try the lock and find it held: each such try opens the lock file and closes
        it again unchanged, which nothing else does while a claim is held.
    */
    class LockTries
    {
    public:
        LockTries() : fd (::inotify_init1 (IN_NONBLOCK | IN_CLOEXEC))
        {
            ::inotify_add_watch (fd, SingleInstanceFolder::lockFile().getParentDirectory().getFullPathName().toRawUTF8(), IN_CLOSE_NOWRITE);
        }

        ~LockTries() { ::close (fd); }

        bool seenWithin (int timeoutMs) const
        {
            return waitUntil ([this]
                              {
                                  alignas (inotify_event) char buffer[4096];
                                  const auto length = ::read (fd, buffer, sizeof (buffer));

                                  for (ssize_t at = 0; at < length;)
                                  {
                                      const auto* event = reinterpret_cast<const inotify_event*> (buffer + at);
                                      if (event->len > 0 && SingleInstanceFolder::lockName() == event->name)
                                          return true;
                                      at += static_cast<ssize_t> (sizeof (inotify_event) + event->len);
                                  }
                                  return false;
                              }, timeoutMs);
        }

    private:
        const int fd;
    };

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
}

TEST (SingleInstanceChannel, HandOversWaitingForTheMessageThreadAreBounded)
{
    juce::StringArray received;
    auto listener = listen ([&] (const juce::String& c) { received.add (c); });
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
    auto listener = listen ([&] (const juce::String& c) { received.add (c); });
    ASSERT_NE (listener, nullptr);

    // A peer that sends one byte of a frame every 300 ms, for longer than any launch waits.
    std::atomic<bool> stop { false }, dribbling { false };
    std::thread dribbler ([&]
                          {
                              const int fd = rawConnect();
                              const char byte = 100;
                              for (int i = 0; i < 30 && ! stop && fd >= 0; ++i)
                              {
                                  ::send (fd, &byte, 1, MSG_NOSIGNAL);
                                  dribbling = true;
                                  juce::Thread::sleep (300);
                              }
                              if (fd >= 0)
                                  ::close (fd);
                          });

    // The launch comes once the listener has taken the peer on.
    EXPECT_TRUE (waitUntil ([&] { return dribbling && pendingConnections (SingleInstanceChannel::socketFile()) == 0; }));

    const auto result = SingleInstanceChannel::handOverToRunningInstance ("/defaults");
    EXPECT_EQ (result.outcome, Outcome::accepted) << result.reason;
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received.contains ("/defaults"); }, 3000));

    stop = true;
    dribbler.join();
}

TEST (SingleInstanceChannel, ASecondLaunchGivesUpInTimeAndSaysWhy)
{
    // Something listens at the socket but never answers: a hung panel, or a squatter.
    const auto file = preparedSocketFile();
    const int fd = bindLocalSocket (file);
    ASSERT_GE (fd, 0);
    ASSERT_EQ (::listen (fd, 1), 0);

    const auto start = juce::Time::getMillisecondCounter();
    const auto result = SingleInstanceChannel::handOverToRunningInstance ("/shutdown", 300);
    EXPECT_EQ (result.outcome, Outcome::noAnswer);
    EXPECT_TRUE (result.reason.contains ("in time")) << result.reason;
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 3000u);

    // A live socket is never taken over by a new listener.
    EXPECT_EQ (listen ([] (const juce::String&) {}), nullptr);

    ::close (fd);
    ::unlink (file.getFullPathName().toRawUTF8());
}

TEST (SingleInstanceChannel, ARefusedFolderIsReportedNotMistakenForNoPanel)
{
    const auto state = scratchFolder ("state-refused");
    const ScopedEnvironment environment ({ { "XDG_STATE_HOME", state.getFullPathName() } });
    ASSERT_EQ (::chmod (runtimeFolder().getFullPathName().toRawUTF8(), 0755), 0);

    const auto fallback = state.getChildFile ("talvo-z3-control");
    const auto elsewhere = state.getChildFile ("elsewhere");
    ASSERT_TRUE (elsewhere.createDirectory());
    ::chmod (elsewhere.getFullPathName().toRawUTF8(), 0700);

    // A symbolic link, a plain file: each is named as the reason (open to others: above).
    ASSERT_EQ (::symlink (elsewhere.getFullPathName().toRawUTF8(), fallback.getFullPathName().toRawUTF8()), 0);
    auto result = SingleInstanceChannel::handOverToRunningInstance ("/shutdown");
    EXPECT_EQ (result.outcome, Outcome::folderRefused);
    EXPECT_TRUE (result.reason.contains ("symbolic link")) << result.reason;

    ::unlink (fallback.getFullPathName().toRawUTF8());
    ASSERT_TRUE (fallback.replaceWithText ("x"));
    result = SingleInstanceChannel::handOverOrClaim ("/shutdown").handOver;
    EXPECT_EQ (result.outcome, Outcome::folderRefused);
    EXPECT_TRUE (result.reason.contains ("not a folder")) << result.reason;
}

TEST (SingleInstanceChannel, ALinkLeftAtTheSocketIsReplaced)
{
    const auto file = preparedSocketFile();
    for (const auto& left : { file, SingleInstanceFolder::lockFile() })   // by earlier tests
        ::unlink (left.getFullPathName().toRawUTF8());
    ASSERT_EQ (::symlink ("/nowhere", file.getFullPathName().toRawUTF8()), 0);
    ASSERT_EQ (::symlink ("/nowhere", SingleInstanceFolder::lockFile().getFullPathName().toRawUTF8()), 0);   // nobody locks through one

    auto launch = SingleInstanceChannel::handOverOrClaim ("");
    ASSERT_NE (launch.claim, nullptr) << launch.handOver.reason;
    EXPECT_EQ (launch.claim->listenerProblem(), "");

    juce::String received;
    launch.claim->startListening ([&] (const juce::String& c) { received = c; });
    EXPECT_TRUE (SingleInstanceChannel::handOverOrClaim ("/shutdown").handOver);
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received == "/shutdown"; }));
}

TEST (SingleInstanceChannel, APanelThatCannotListenStillKeepsItOne)
{
    // A folder at the socket's name is not ours to empty: nobody can listen there.
    const auto file = preparedSocketFile();
    ::unlink (file.getFullPathName().toRawUTF8());   // left by an earlier test
    ASSERT_TRUE (file.createDirectory());
    const juce::ScopeGuard leaveNoFolder { [&] { file.deleteRecursively(); } };   // later launches would not listen

    auto first = SingleInstanceChannel::handOverOrClaim ("");
    ASSERT_NE (first.claim, nullptr) << first.handOver.reason;
    EXPECT_TRUE (first.claim->listenerProblem().contains ("a folder is in the way")) << first.claim->listenerProblem();

    // Later launches find the claim held, wait for a listener that never comes, and say so.
    for (const auto* commandLine : { "", "/shutdown" })
    {
        const auto later = SingleInstanceChannel::handOverOrClaim (commandLine, 300);
        EXPECT_EQ (later.claim, nullptr);
        EXPECT_EQ (later.handOver.outcome, Outcome::noAnswer);
        EXPECT_TRUE (later.handOver.reason.contains ("does not listen")) << later.handOver.reason;
    }

    // Once that panel has gone, the next launch is the panel (with the same complaint).
    first.claim = nullptr;
    EXPECT_NE (SingleInstanceChannel::handOverOrClaim ("", 300).claim, nullptr);
    EXPECT_TRUE (file.isDirectory());
    file.deleteRecursively();
}

TEST (SingleInstanceChannel, ALaunchAsAnotherUserMakesNoFolderInThisUsersHomeAndSaysWhy)
{
    const auto state = scratchFolder ("state-of-another-user").getChildFile ("missing/state");
    const ScopedEnvironment environment ({ { "XDG_STATE_HOME", state.getFullPathName() }, { "XDG_RUNTIME_DIR", {} } });
    const FolderOwner::ScopedStandIn root (::geteuid() + 1);

    const auto launch = SingleInstanceChannel::handOverOrClaim ("");
    EXPECT_EQ (launch.claim, nullptr);
    EXPECT_EQ (launch.handOver.outcome, Outcome::othersPlace);
    EXPECT_TRUE (launch.handOver.reason.contains ("belongs to user")) << launch.handOver.reason;
    EXPECT_FALSE (state.getParentDirectory().exists());
}

TEST (SingleInstanceChannel, LaunchesAtTheSameMomentMakeOnePanel)
{
    constexpr int launches = 6;
    std::atomic<int> ready { 0 };
    std::vector<std::future<SingleInstanceChannel::Launch>> results;

    for (int i = 0; i < launches; ++i)
        results.push_back (std::async (std::launch::async, [&ready, i]
                                       {
                                           for (++ready; ready < launches;)
                                               std::this_thread::yield();
                                           return SingleInstanceChannel::handOverOrClaim (juce::String (i));
                                       }));

    // Whoever claimed listens; every other launch reaches it.
    juce::StringArray received;
    std::unique_ptr<Claim> panel;
    int handedOver = 0;

    // The others wait for the panel to listen: take the results as they come.
    for (size_t done = 0; done < results.size();)
    {
        for (auto& result : results)
        {
            if (! result.valid() || result.wait_for (std::chrono::milliseconds (1)) != std::future_status::ready)
                continue;

            auto launch = result.get();
            ++done;

            if (launch.claim != nullptr)
            {
                EXPECT_EQ (panel, nullptr) << "a second panel";
                panel = std::move (launch.claim);
                panel->startListening ([&] (const juce::String& c) { received.add (c); });
            }
            else
            {
                EXPECT_TRUE (launch.handOver) << launch.handOver.reason;
                ++handedOver;
            }
        }
    }

    EXPECT_NE (panel, nullptr);
    EXPECT_EQ (handedOver, launches - 1);
    EXPECT_TRUE (pumpMessagesUntil ([&] { return received.size() == launches - 1; }));
}

TEST (SingleInstanceChannel, AnEndingPanelPassesTheClaimToAWaitingLaunch)
{
    // A panel ending: it stopped listening, the lock goes after its settings are saved.
    auto ending = listen ([] (const juce::String&) {});
    ASSERT_NE (ending, nullptr);
    ending->stopListening();
    EXPECT_FALSE (SingleInstanceChannel::socketFile().exists());

    const LockTries lockTries;
    auto waiting = std::async (std::launch::async, [] { return SingleInstanceChannel::handOverOrClaim (""); });
    ASSERT_TRUE (lockTries.seenWithin (5000));   // it found the claim held and waits
    ending = nullptr;
    EXPECT_NE (waiting.get().claim, nullptr);

    // A panel that ends before it listens ("/shutdown" at start) drops the launches waiting in its
    // queue; they look again and one of them is the panel.
    auto claimed = SingleInstanceChannel::tryClaim();
    ASSERT_NE (claimed, nullptr);
    auto queued = std::async (std::launch::async, [] { return SingleInstanceChannel::handOverOrClaim ("/defaults"); });
    ASSERT_TRUE (waitUntil ([] { return pendingConnections (SingleInstanceChannel::socketFile()) == 1; }));
    claimed = nullptr;
    const auto launch = queued.get();
    EXPECT_NE (launch.claim, nullptr) << launch.handOver.reason;
}
