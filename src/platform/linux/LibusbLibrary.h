#pragma once

#include <juce_core/juce_core.h>
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

/** libusb-1.0, loaded when the interface's raw USB device is first opened instead of linked:
    a panel that never opens it has no use for the library, and linking would map it at every
    launch.

    The library, once loaded, is never unloaded: a session and its event thread may be in use
    until the process ends.
*/
class LibusbLibrary final
{
public:
    /** libusb-1.0.so.0's functions. The first call, from any thread, loads the library; every
        call returns the same table, which lives until the process ends.
    */
    static const LibusbLibrary& get();

    /** Loads the library with this file name and looks up every function; get() is the one for
        the program, tests load others.
    */
    explicit LibusbLibrary (const char* libraryFileName);

    /** True when the library and every function in the table were found. */
    bool isAvailable() const noexcept { return whyNot.isEmpty(); }

    /** Why the table cannot be used; empty when it can. */
    juce::String whyUnavailable() const { return whyNot; }

#define TALVO_LIBUSB_MEMBER(name) decltype (&::name) name = nullptr;
    TALVO_LIBUSB_FUNCTIONS (TALVO_LIBUSB_MEMBER)
#undef TALVO_LIBUSB_MEMBER

    JUCE_DECLARE_NON_COPYABLE (LibusbLibrary)

private:
    juce::String whyNot;
};
