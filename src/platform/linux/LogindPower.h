#pragma once

#include "platform/PowerEvents.h"
#include "platform/linux/SystemBusLibrary.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

/** Sleep and wake from systemd-logind, fed into the power events.

    logind announces a sleep with PrepareForSleep(true) and waits for the programs that hold a
    "delay" inhibitor lock to let it go; PrepareForSleep(false) says the machine is awake again.
    So the lock is taken at start and again on every wake, a sleep becomes systemWillSleep, and its
    acknowledgement releases the lock; a wake becomes systemWillPowerOn and systemHasPoweredOn.

    The bus is served by a thread of its own; acknowledgements come from the message thread.
*/
class LogindPower final
{
public:
    explicit LogindPower (PowerEvents&);
    ~LogindPower();

    /** Connects to the system bus (or the bus at busAddress), takes the lock and starts
        following logind. False when there is no bus, no logind on it or no libsystemd to reach
        them with; the reason is then in whyUnusable() and nothing else happens. libsystemd is
        loaded only when a bus may be there. Call once.
    */
    bool start (const juce::String& busAddress = {});

    void stop();

    juce::String whyUnusable() const { return unusableReason; }

    JUCE_DECLARE_NON_COPYABLE (LogindPower)

private:
    static int onPrepareForSleep (sd_bus_message*, void* self, void* error);
    static int onInhibitReply (sd_bus_message*, void* self, void* error);

    void run();
    bool sentByLogind (sd_bus_message*);
    void acknowledge (void* argument);
    void releaseLock();
    void keepLock (int fd);

    PowerEvents& power;
    const SystemBusLibrary* library = nullptr;   // set once the bus may be opened
    sd_bus* bus = nullptr;
    sd_bus_slot* signalSlot = nullptr;
    std::thread thread;
    int wakeFd = -1;
    std::atomic<bool> stopping { false };
    juce::String unusableReason;
    juce::String logindOwner;            // the unique name that owns logind's name; bus thread

    std::mutex lockGuard;
    int lockFd = -1;
    std::uintptr_t sleepNumber = 0;      // the sleep whose acknowledgement releases the lock
};
