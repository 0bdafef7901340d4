#pragma once

#include "platform/linux/LoadedLibrary.h"

#include <libusb.h>

/** The libusb functions that LibusbSession and LibusbRawDevice call. Each is listed once here;
    the table's members carry the functions' own names and types.
*/
#define TALVO_LIBUSB_FUNCTIONS(X)     \
    X (libusb_close)                  \
    X (libusb_error_name)             \
    X (libusb_exit)                   \
    X (libusb_free_config_descriptor) \
    X (libusb_free_device_list)       \
    X (libusb_get_bus_number)         \
    X (libusb_get_config_descriptor)  \
    X (libusb_get_configuration)      \
    X (libusb_get_device)             \
    X (libusb_get_device_address)     \
    X (libusb_get_device_descriptor)  \
    X (libusb_get_device_list)        \
    X (libusb_init)                   \
    X (libusb_open)                   \
    X (libusb_set_configuration)

/** libusb-1.0's functions. */
struct LibusbFunctions
{
    static constexpr const char* libraryFileName = "libusb-1.0.so.0";

    TALVO_LOADED_FUNCTIONS (TALVO_LIBUSB_FUNCTIONS)
};

/** libusb-1.0, loaded when the interface's raw USB device is first opened instead of linked:
    a panel that never opens it has no use for the library, and linking would map it at every
    launch.
*/
using LibusbLibrary = LoadedLibrary<LibusbFunctions>;
