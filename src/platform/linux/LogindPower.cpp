#include "platform/linux/LogindPower.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace
{
    constexpr const char* logindName = "org.freedesktop.login1";
    constexpr const char* logindPath = "/org/freedesktop/login1";
    constexpr const char* managerInterface = "org.freedesktop.login1.Manager";

    void* argumentFor (std::uintptr_t sleepNumber) { return reinterpret_cast<void*> (sleepNumber); }

    juce::String errorText (const sd_bus_error& e, int status)
    {
        return e.message != nullptr ? juce::String::fromUTF8 (e.message) : juce::String (strerror (-status));
    }

    /** The unique name that owns a well-known one; empty when none does. */
    juce::String ownerOf (sd_bus* bus, const char* name)
    {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        juce::String owner;

        if (sd_bus_call_method (bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                "GetNameOwner", &error, &reply, "s", name) >= 0)
        {
            const char* unique = nullptr;

            if (sd_bus_message_read (reply, "s", &unique) >= 0 && unique != nullptr)
                owner = unique;
        }

        sd_bus_message_unref (reply);
        sd_bus_error_free (&error);
        return owner;
    }

    int inhibitArguments (sd_bus_message* m)
    {
        return sd_bus_message_append (m, "ssss", "sleep", "Talvo z3 Control",
                                      "Closes the interface's connection before the machine sleeps", "delay");
    }
}

LogindPower::LogindPower (PowerEvents& events) : power (events) {}

LogindPower::~LogindPower()
{
    stop();
    sd_bus_slot_unref (signalSlot);
    sd_bus_flush_close_unref (bus);

    if (wakeFd >= 0)
        ::close (wakeFd);

    releaseLock();
}

bool LogindPower::start (const juce::String& busAddress)
{
    int status = 0;

    if (busAddress.isEmpty())
    {
        status = sd_bus_open_system (&bus);
    }
    else if ((status = sd_bus_new (&bus)) >= 0)
    {
        sd_bus_set_address (bus, busAddress.toRawUTF8());
        sd_bus_set_bus_client (bus, 1);
        status = sd_bus_start (bus);
    }

    if (status < 0)
    {
        unusableReason = "no system bus (" + juce::String (strerror (-status)) + ")";
        return false;
    }

    logindOwner = ownerOf (bus, logindName);

    if (logindOwner.isEmpty())
    {
        unusableReason = "systemd-logind is not on the system bus";
        return false;
    }

    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    sd_bus_message* call = nullptr;

    if (sd_bus_message_new_method_call (bus, &call, logindName, logindPath, managerInterface, "Inhibit") >= 0
        && inhibitArguments (call) >= 0)
        status = sd_bus_call (bus, call, 0, &error, &reply);
    else
        status = -ENOMEM;

    int fd = -1;

    if (status >= 0 && sd_bus_message_read (reply, "h", &fd) >= 0)
        keepLock (fd);
    else
        unusableReason = "systemd-logind gives no sleep delay lock (" + errorText (error, status) + ")";

    sd_bus_message_unref (call);
    sd_bus_message_unref (reply);
    sd_bus_error_free (&error);

    if (unusableReason.isNotEmpty())
        return false;

    if (sd_bus_match_signal (bus, &signalSlot, logindName, logindPath, managerInterface, "PrepareForSleep",
                             [] (sd_bus_message* m, void* self, sd_bus_error* e) { return onPrepareForSleep (m, self, e); },
                             this) < 0
        || (wakeFd = ::eventfd (0, EFD_CLOEXEC | EFD_NONBLOCK)) < 0)
    {
        unusableReason = "cannot follow systemd-logind's sleep signal";
        releaseLock();
        return false;
    }

    power.setAcknowledgementHandler ([this] (void* argument) { acknowledge (argument); });
    thread = std::thread ([this] { run(); });
    return true;
}

void LogindPower::stop()
{
    if (! thread.joinable())
        return;

    power.setAcknowledgementHandler (nullptr);
    stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write (wakeFd, &one, sizeof (one));
    thread.join();
}

//==============================================================================
void LogindPower::run()
{
    while (! stopping)
    {
        while (sd_bus_process (bus, nullptr) > 0)
            ;

        pollfd fds[] = { { sd_bus_get_fd (bus), static_cast<short> (sd_bus_get_events (bus)), 0 }, { wakeFd, POLLIN, 0 } };

        if (fds[0].fd < 0 || ::poll (fds, 2, 1000) < 0)
            return;
    }
}

bool LogindPower::sentByLogind (sd_bus_message* m)
{
    const char* sender = sd_bus_message_get_sender (m);

    if (sender == nullptr)
        return false;

    if (logindOwner == sender)
        return true;

    // logind may have been restarted under a new unique name.
    logindOwner = ownerOf (bus, logindName);
    return logindOwner == sender;
}

int LogindPower::onPrepareForSleep (sd_bus_message* m, void* context, void*)
{
    auto& self = *static_cast<LogindPower*> (context);
    int goingToSleep = 0;

    if (! self.sentByLogind (m) || sd_bus_message_read (m, "b", &goingToSleep) < 0)
        return 0;

    if (goingToSleep != 0)
    {
        std::uintptr_t number = 0;

        {
            const std::lock_guard<std::mutex> guard (self.lockGuard);
            number = ++self.sleepNumber;
        }

        // No one to acknowledge: the system need not wait for us.
        if (self.power.numRegistrations() == 0)
            self.releaseLock();
        else
            self.power.send (PowerEvents::systemWillSleep, argumentFor (number));

        return 0;
    }

    {
        // Awake: an acknowledgement still on its way belongs to a sleep that is over.
        const std::lock_guard<std::mutex> guard (self.lockGuard);
        ++self.sleepNumber;
    }

    sd_bus_message* call = nullptr;

    if (sd_bus_message_new_method_call (self.bus, &call, logindName, logindPath, managerInterface, "Inhibit") >= 0
        && inhibitArguments (call) >= 0)
        sd_bus_call_async (self.bus, nullptr, call,
                           [] (sd_bus_message* reply, void* s, sd_bus_error* e) { return onInhibitReply (reply, s, e); },
                           &self, 0);

    sd_bus_message_unref (call);

    self.power.send (PowerEvents::systemWillPowerOn, nullptr);
    self.power.send (PowerEvents::systemHasPoweredOn, nullptr);
    return 0;
}

int LogindPower::onInhibitReply (sd_bus_message* reply, void* context, void*)
{
    int fd = -1;

    if (! sd_bus_message_is_method_error (reply, nullptr) && sd_bus_message_read (reply, "h", &fd) >= 0)
        static_cast<LogindPower*> (context)->keepLock (fd);

    return 0;
}

//==============================================================================
void LogindPower::acknowledge (void* argument)
{
    {
        const std::lock_guard<std::mutex> guard (lockGuard);

        // A late acknowledgement of an earlier sleep must not give up the lock taken since.
        if (argument != argumentFor (sleepNumber))
            return;
    }

    releaseLock();
}

void LogindPower::releaseLock()
{
    const std::lock_guard<std::mutex> guard (lockGuard);

    if (lockFd >= 0)
        ::close (lockFd);

    lockFd = -1;
}

void LogindPower::keepLock (int fd)
{
    // The descriptor belongs to the reply; the lock lasts as long as our own copy.
    const auto own = ::fcntl (fd, F_DUPFD_CLOEXEC, 3);
    const std::lock_guard<std::mutex> guard (lockGuard);

    if (lockFd >= 0)
        ::close (lockFd);

    lockFd = own;
}
