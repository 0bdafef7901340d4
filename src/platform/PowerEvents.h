#pragma once

#include "platform/MessageThreadQueue.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

/** Called on the message thread with one system power message. */
using PowerCallback = void (*) (void* refcon, std::uint32_t service, std::uint32_t messageType, void* argument);

/** System power notifications of the simulated host: sleep and wake messages, and the
    acknowledgements that let the system go on.
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
    // Platform side

    /** Registers for power messages; returns the connection through which they are acknowledged,
        0 when the registration fails (then nothing is delivered). Message thread.
    */
    std::uint32_t registerForSystemPower (void* refcon, PowerCallback callback, std::uint32_t& notifier);

    /** Ends a registration. */
    void deregister (std::uint32_t notifier);

    /** Acknowledges a message that asked for it; 0 on success, when the connection is known. */
    int allowPowerChange (std::uint32_t connection, void* argument);

    //==============================================================================
    // Script side

    /** Sends a power message to every registration, through the message thread. Any thread. */
    void send (std::uint32_t messageType, void* argument);

    void setRegistrationFails (bool shouldFail);

    /** Called (on the acknowledging thread) with the argument of every acknowledgement made
        through a known connection: how the system learns that it may go on.
    */
    void setAcknowledgementHandler (std::function<void (void* argument)>);

    /** Every acknowledgement so far: the connection and the argument. */
    std::vector<std::pair<std::uint32_t, void*>> acknowledgements() const;

    int numRegistrations() const;

    void reset();

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
    bool registrationFails = false;
    std::vector<Registration> registrations;
    std::vector<std::pair<std::uint32_t, void*>> acks;
    std::function<void (void*)> acknowledgementHandler;
};
