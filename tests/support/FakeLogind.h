#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct sd_bus;

/** A private message bus (a dbus-daemon of the test's own) with a small logind on it: it answers
    Inhibit with one end of a pipe and keeps the other, so a test can see each lock taken and
    released, and it sends PrepareForSleep when told. It can also send the same signal from a
    connection that does not own logind's name.
*/
class FakeLogind final
{
public:
    FakeLogind();
    ~FakeLogind();

    /** The daemon's program; empty when it is not installed. */
    static juce::String daemonProgram();

    /** Starts the bus; false when the daemon does not come up. */
    bool startBus();

    /** Takes logind's name and starts answering. */
    bool startLogind();

    juce::String address() const { return busAddress; }

    /** Inhibit calls answered so far, as "what/who/why/mode". */
    juce::StringArray inhibitCalls() const;

    /** Locks handed out whose every copy is still open. */
    int numHeldLocks() const;

    void sendPrepareForSleep (bool goingToSleep);
    void sendPrepareForSleepAsImpostor (bool goingToSleep);

    /** For the bus handler: an Inhibit call and the read end of the lock it handed out. */
    void recordInhibit (const juce::String& call, int readEnd) { calls.add (call); lockReadEnds.push_back (readEnd); }

    JUCE_DECLARE_NON_COPYABLE (FakeLogind)

private:
    static sd_bus* connect (const juce::String& address);
    void serve();

    juce::ChildProcess daemon;
    juce::File folder;
    juce::String busAddress;

    sd_bus* bus = nullptr;
    sd_bus* impostor = nullptr;
    std::thread thread;
    std::atomic<bool> stopping { false };

    mutable std::mutex lock;
    juce::StringArray calls;
    std::vector<int> lockReadEnds;
};
