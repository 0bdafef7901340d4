// The frame a second launch hands its command line over in, as the running panel reads it from
// whoever connects. Whatever it takes, written again and read back, is the same text in the same
// bytes; whatever it asks for stays within the cap. Links the frame reader and juce_core alone.

#include "panel/HandOverFrame.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{
    void require (bool condition, const char* what)
    {
        if (! condition)
        {
            std::fprintf (stderr, "fuzz: %s\n", what);
            std::abort();
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    using Status = HandOverFrame::Reading::Status;

    // A copy of exactly the input's size, so that a read past its end is a heap overflow.
    const auto copy = std::make_unique<uint8_t[]> (size);
    if (size > 0)
        std::memcpy (copy.get(), data, size);

    const auto reading = HandOverFrame::read (copy.get(), size);
    require (reading.frameBytes >= HandOverFrame::headerBytes, "a frame smaller than its header");
    require (reading.frameBytes <= HandOverFrame::headerBytes + HandOverFrame::maxTextBytes, "asked for more than the cap");

    if (reading.status == Status::incomplete)
        require (reading.frameBytes > size, "incomplete with the whole frame there");

    if (reading.status != Status::complete)
        return 0;

    require (reading.frameBytes <= size, "complete before the frame was all there");
    require (HandOverFrame::read (copy.get(), reading.frameBytes - 1).status == Status::incomplete, "complete one byte short");

    const auto again = HandOverFrame::write (reading.commandLine);
    require (again.has_value(), "cannot write again what was read");
    require (again->getSize() == reading.frameBytes && std::memcmp (again->getData(), copy.get(), reading.frameBytes) == 0,
             "written again in other bytes");

    const auto reread = HandOverFrame::read (static_cast<const uint8_t*> (again->getData()), again->getSize());
    require (reread.status == Status::complete && reread.commandLine == reading.commandLine, "read again as another text");
    return 0;
}
