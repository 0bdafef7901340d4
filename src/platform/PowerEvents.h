#pragma once

#include "platform/MessageThreadQueue.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

/** Called on the message thread with one system power message. */
using PowerCallback = void (*) (void* refcon, std::uint32_t service, std::uint32_t messageType, void* argument);

/** The system's power notifications as the device link sees them: sleep and wake messages,
    and the acknowledgements that let the system go on. The messages are sent by the system's
    side: on Linux LogindPower turns logind's sleep and wake into them, and releases its sleep
    lock on the acknowledgement; tests send them themselves.
*/
class PowerEvents final
{
public:
    explicit PowerEvents (MessageThreadQueue& runLoop);

    /** The power messages. */
    enum Message : std::uint32_t
    {
        canSystemSleep = 1,
        systemWillSleep = 2,
        systemWillNotSleep = 3,
        systemWillPowerOn = 4,
        systemHasPoweredOn = 5
    };

    //==============================================================================
    // What the device link asks

    /** Registers for power messages; returns the connection through which they are acknowledged,
        0 when the registration fails (then nothing is delivered). Message thread.
    */
    std::uint32_t registerForSystemPower (void* refcon, PowerCallback callback, std::uint32_t& notifier);

    /** Ends a registration. */
    void deregister (std::uint32_t notifier);

    /** Acknowledges a message that asked for it; 0 on success, when the connection is known. */
    int allowPowerChange (std::uint32_t connection, void* argument);

    //==============================================================================
    // The system's side: a backend (or a test in its place) sends the messages and hears the
    // acknowledgements.

    /** Sends a power message to every registration, through the message thread. Any thread. */
    void send (std::uint32_t messageType, void* argument);

    /** Called (on the acknowledging thread) with the argument of every acknowledgement made
        through a known connection: how the system learns that it may go on.
    */
    void setAcknowledgementHandler (std::function<void (void* argument)>);

    /** Registrations in force: with none, no one will acknowledge a sleep. */
    int numRegistrations() const;

    //==============================================================================
    // What tests look at; the device link never asks.

    /** Every acknowledgement so far: the connection and the argument. */
    std::vector<std::pair<std::uint32_t, void*>> acknowledgements() const;

    //==============================================================================
    /** Forgets every registration and acknowledgement. The product's power events live as
        long as the process; tests reset them between cases.
    */
    void reset();

    /** Test seam: how the power notifications misbehave in a test. The product injects none. */
    class Faults
    {
    public:
        virtual ~Faults() = default;

        /** True when registering for power messages fails. */
        virtual bool refusesRegistration() = 0;
    };

    /** Installs a test's faults (null: none), which must outlive their installation. Any thread. */
    void injectFaults (Faults*);

private:
    struct Registration
    {
        std::uint32_t notifier = 0, connection = 0;
        void* refcon = nullptr;
        PowerCallback callback = nullptr;
    };

    void deliver (std::uint32_t notifier, std::uint32_t messageType, void* argument);

    MessageThreadQueue& runLoop;
    mutable std::mutex lock;
    std::uint32_t nextId = 0x3000;
    Faults* faults = nullptr;
    std::vector<Registration> registrations;
    std::vector<std::pair<std::uint32_t, void*>> acks;
    std::function<void (void*)> acknowledgementHandler;
};
