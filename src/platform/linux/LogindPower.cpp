#include "platform/linux/LogindPower.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace
{
    constexpr const char* logindName = "org.freedesktop.login1";
    constexpr const char* logindPath = "/org/freedesktop/login1";
    constexpr const char* managerInterface = "org.freedesktop.login1.Manager";

    /** The bus sd_bus_open_system() connects to: the one in the environment, else the standard
        socket. Without either there is none, and no need to load libsystemd to find that out.
    */
    bool systemBusMayExist()
    {
        return std::getenv ("DBUS_SYSTEM_BUS_ADDRESS") != nullptr || juce::File ("/run/dbus/system_bus_socket").exists();
    }

    juce::String noBusReason (int status) { return "no system bus (" + juce::String (strerror (-status)) + ")"; }

    void* argumentFor (std::uintptr_t sleepNumber) { return reinterpret_cast<void*> (sleepNumber); }

    juce::String errorText (const sd_bus_error& e, int status)
    {
        return e.message != nullptr ? juce::String::fromUTF8 (e.message) : juce::String (strerror (-status));
    }

    /** The unique name that owns a well-known one; empty when none does. */
    juce::String ownerOf (const SystemBusLibrary& library, sd_bus* bus, const char* name)
    {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        juce::String owner;

        if (library.sd_bus_call_method (bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                        "GetNameOwner", &error, &reply, "s", name) >= 0)
        {
            const char* unique = nullptr;

            if (library.sd_bus_message_read (reply, "s", &unique) >= 0 && unique != nullptr)
                owner = unique;
        }

        library.sd_bus_message_unref (reply);
        library.sd_bus_error_free (&error);
        return owner;
    }

    int inhibitArguments (const SystemBusLibrary& library, sd_bus_message* m)
    {
        return library.sd_bus_message_append (m, "ssss", "sleep", JUCE_APPLICATION_NAME_STRING,
                                              "Closes the interface's connection before the machine sleeps", "delay");
    }
}

LogindPower::LogindPower (PowerEvents& events) : power (events) {}

LogindPower::~LogindPower()
{
    stop();

    if (library != nullptr)
    {
        library->sd_bus_slot_unref (signalSlot);
        library->sd_bus_flush_close_unref (bus);
    }

    if (wakeFd >= 0)
        ::close (wakeFd);

    releaseLock();
}

bool LogindPower::start (const juce::String& busAddress)
{
    if (busAddress.isEmpty() && ! systemBusMayExist())
    {
        unusableReason = noBusReason (-ENOENT);
        return false;
    }

    const auto& loaded = SystemBusLibrary::get();

    if (! loaded.isAvailable())
    {
        unusableReason = loaded.whyUnavailable();
        return false;
    }

    library = &loaded;

    int status = 0;

    if (busAddress.isEmpty())
    {
        status = library->sd_bus_open_system (&bus);
    }
    else if ((status = library->sd_bus_new (&bus)) >= 0)
    {
        library->sd_bus_set_address (bus, busAddress.toRawUTF8());
        library->sd_bus_set_bus_client (bus, 1);
        status = library->sd_bus_start (bus);
    }

    if (status < 0)
    {
        unusableReason = noBusReason (status);
        return false;
    }

    logindOwner = ownerOf (*library, bus, logindName);

    if (logindOwner.isEmpty())
    {
        unusableReason = "systemd-logind is not on the system bus";
        return false;
    }

    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    sd_bus_message* call = nullptr;

    if (library->sd_bus_message_new_method_call (bus, &call, logindName, logindPath, managerInterface, "Inhibit") >= 0
        && inhibitArguments (*library, call) >= 0)
        status = library->sd_bus_call (bus, call, 0, &error, &reply);
    else
        status = -ENOMEM;

    int fd = -1;

    if (status >= 0 && library->sd_bus_message_read (reply, "h", &fd) >= 0)
        keepLock (fd);
    else
        unusableReason = "systemd-logind gives no sleep delay lock (" + errorText (error, status) + ")";

    library->sd_bus_message_unref (call);
    library->sd_bus_message_unref (reply);
    library->sd_bus_error_free (&error);

    if (unusableReason.isNotEmpty())
        return false;

    if (library->sd_bus_match_signal (bus, &signalSlot, logindName, logindPath, managerInterface, "PrepareForSleep",
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
        while (library->sd_bus_process (bus, nullptr) > 0)
            ;

        pollfd fds[] = { { library->sd_bus_get_fd (bus), static_cast<short> (library->sd_bus_get_events (bus)), 0 }, { wakeFd, POLLIN, 0 } };

        if (fds[0].fd < 0 || ::poll (fds, 2, 1000) < 0)
            return;
    }
}

bool LogindPower::sentByLogind (sd_bus_message* m)
{
    const char* sender = library->sd_bus_message_get_sender (m);

    if (sender == nullptr)
        return false;

    if (logindOwner == sender)
        return true;

    // logind may have been restarted under a new unique name.
    logindOwner = ownerOf (*library, bus, logindName);
    return logindOwner == sender;
}

int LogindPower::onPrepareForSleep (sd_bus_message* m, void* context, void*)
{
    auto& self = *static_cast<LogindPower*> (context);
    int goingToSleep = 0;

    if (! self.sentByLogind (m) || self.library->sd_bus_message_read (m, "b", &goingToSleep) < 0)
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

    if (self.library->sd_bus_message_new_method_call (self.bus, &call, logindName, logindPath, managerInterface, "Inhibit") >= 0
        && inhibitArguments (*self.library, call) >= 0)
        self.library->sd_bus_call_async (self.bus, nullptr, call,
                                         [] (sd_bus_message* reply, void* s, sd_bus_error* e) { return onInhibitReply (reply, s, e); },
                                         &self, 0);

    self.library->sd_bus_message_unref (call);

    self.power.send (PowerEvents::systemWillPowerOn, nullptr);
    self.power.send (PowerEvents::systemHasPoweredOn, nullptr);
    return 0;
}

int LogindPower::onInhibitReply (sd_bus_message* reply, void* context, void*)
{
    auto& self = *static_cast<LogindPower*> (context);
    int fd = -1;

    if (! self.library->sd_bus_message_is_method_error (reply, nullptr) && self.library->sd_bus_message_read (reply, "h", &fd) >= 0)
        self.keepLock (fd);

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
