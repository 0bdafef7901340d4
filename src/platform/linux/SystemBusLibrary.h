#pragma once

#include "platform/linux/LoadedLibrary.h"

#include <systemd/sd-bus.h>

/** The sd-bus functions that LogindPower calls. Each is listed once here; the table's members
    carry the functions' own names and types.
*/
#define TALVO_SD_BUS_FUNCTIONS(X)      \
    X (sd_bus_call)                    \
    X (sd_bus_call_async)              \
    X (sd_bus_call_method)             \
    X (sd_bus_error_free)              \
    X (sd_bus_flush_close_unref)       \
    X (sd_bus_get_events)              \
    X (sd_bus_get_fd)                  \
    X (sd_bus_match_signal)            \
    X (sd_bus_message_append)          \
    X (sd_bus_message_get_sender)      \
    X (sd_bus_message_is_method_error) \
    X (sd_bus_message_new_method_call) \
    X (sd_bus_message_read)            \
    X (sd_bus_message_unref)           \
    X (sd_bus_new)                     \
    X (sd_bus_open_system)             \
    X (sd_bus_process)                 \
    X (sd_bus_set_address)             \
    X (sd_bus_set_bus_client)          \
    X (sd_bus_slot_unref)              \
    X (sd_bus_start)

/** libsystemd's sd-bus functions. */
struct SystemBusFunctions
{
    static constexpr const char* libraryFileName = "libsystemd.so.0";

    TALVO_LOADED_FUNCTIONS (TALVO_SD_BUS_FUNCTIONS)
};

/** libsystemd's sd-bus, loaded when first asked for instead of linked: a machine without a
    system bus has no use for it, and linking would map libsystemd and the six libraries it pulls
    in (about 1.2 MB resident) at every launch.
*/
using SystemBusLibrary = LoadedLibrary<SystemBusFunctions>;
