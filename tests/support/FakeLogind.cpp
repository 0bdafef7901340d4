#include "support/FakeLogind.h"

#include "support/ChildTestRun.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace
{
    const sd_bus_vtable* managerVtable();
}

FakeLogind::FakeLogind() : folder (juce::File::createTempFile ("bus"))
{
    folder.createDirectory();
}

FakeLogind::~FakeLogind()
{
    stopping = true;

    if (thread.joinable())
        thread.join();

    sd_bus_flush_close_unref (bus);
    sd_bus_flush_close_unref (impostor);

    for (auto fd : lockReadEnds)
        ::close (fd);

    daemon.kill();
    folder.deleteRecursively();
}

juce::String FakeLogind::daemonProgram()
{
    return ChildTestRun::findProgram ("dbus-daemon");
}

bool FakeLogind::startBus()
{
    const auto socket = folder.getChildFile ("bus");
    busAddress = "unix:path=" + socket.getFullPathName();

    if (! daemon.start (juce::StringArray { daemonProgram(), "--session", "--nofork", "--nopidfile",
                                            "--address=" + busAddress },
                        0))
        return false;

    for (int i = 0; i < 500 && ! socket.exists(); ++i)
        juce::Thread::sleep (10);

    return socket.exists();
}

sd_bus* FakeLogind::connect (const juce::String& address)
{
    sd_bus* b = nullptr;

    if (sd_bus_new (&b) < 0)
        return nullptr;

    sd_bus_set_address (b, address.toRawUTF8());
    sd_bus_set_bus_client (b, 1);

    if (sd_bus_start (b) < 0)
    {
        sd_bus_unref (b);
        return nullptr;
    }

    return b;
}

bool FakeLogind::startLogind()
{
    bus = connect (busAddress);
    impostor = connect (busAddress);

    if (bus == nullptr || impostor == nullptr
        || sd_bus_add_object_vtable (bus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                     managerVtable(), this) < 0
        || sd_bus_request_name (bus, "org.freedesktop.login1", 0) < 0)
        return false;

    thread = std::thread ([this] { serve(); });
    return true;
}

void FakeLogind::serve()
{
    while (! stopping)
    {
        {
            const std::lock_guard<std::mutex> guard (lock);
            while (sd_bus_process (bus, nullptr) > 0)
                ;
        }

        pollfd fd { sd_bus_get_fd (bus), POLLIN, 0 };
        ::poll (&fd, 1, 10);
    }
}

juce::StringArray FakeLogind::inhibitCalls() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return calls;
}

int FakeLogind::numHeldLocks() const
{
    const std::lock_guard<std::mutex> guard (lock);
    int held = 0;

    for (auto fd : lockReadEnds)
    {
        // The read end hangs up once every copy of the write end has been closed.
        pollfd p { fd, POLLIN, 0 };
        ::poll (&p, 1, 0);
        held += (p.revents & POLLHUP) == 0 ? 1 : 0;
    }

    return held;
}

void FakeLogind::sendPrepareForSleep (bool goingToSleep)
{
    const std::lock_guard<std::mutex> guard (lock);
    sd_bus_emit_signal (bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                        static_cast<int> (goingToSleep));
    sd_bus_flush (bus);
}

void FakeLogind::sendPrepareForSleepAsImpostor (bool goingToSleep)
{
    const std::lock_guard<std::mutex> guard (lock);
    sd_bus_emit_signal (impostor, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                        static_cast<int> (goingToSleep));
    sd_bus_flush (impostor);
}

namespace
{
    int inhibit (sd_bus_message* m, void* context, sd_bus_error*)
    {
        auto* self = static_cast<FakeLogind*> (context);
        const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;

        if (sd_bus_message_read (m, "ssss", &what, &who, &why, &mode) < 0)
            return -EINVAL;

        int ends[2];

        if (::pipe (ends) != 0)
            return -errno;

        // Called while serve() holds the lock.
        self->recordInhibit (juce::String (what) + "/" + who + "/" + why + "/" + mode, ends[0]);
        const auto result = sd_bus_reply_method_return (m, "h", ends[1]);
        ::close (ends[1]);
        return result;
    }

    const sd_bus_vtable* managerVtable()
    {
        static const sd_bus_vtable table[] = {
            SD_BUS_VTABLE_START (0),
            SD_BUS_METHOD ("Inhibit", "ssss", "h", inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_SIGNAL ("PrepareForSleep", "b", 0),
            SD_BUS_VTABLE_END
        };
        return table;
    }
}
