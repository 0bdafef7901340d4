#include "platform/linux/LibusbLibrary.h"

#include "platform/linux/LibraryLoader.h"

namespace
{
    constexpr const char* libusbFileName = "libusb-1.0.so.0";
}

const LibusbLibrary& LibusbLibrary::get()
{
    // Never destroyed: a session ending as statics go away still calls libusb_exit through it.
    static const auto* const library = new LibusbLibrary (libusbFileName);
    return *library;
}

LibusbLibrary::LibusbLibrary (const char* libraryFileName)
{
    LibraryLoader loader (libraryFileName);

#define TALVO_LIBUSB_LOOK_UP(name) loader.lookUp (#name, this->name);
    TALVO_LIBUSB_FUNCTIONS (TALVO_LIBUSB_LOOK_UP)
#undef TALVO_LIBUSB_LOOK_UP

    whyNot = loader.whyUnavailable();
}
