#pragma once

#include <juce_core/juce_core.h>

/** The text of a firmware version as the interface reports it: the int holds its characters,
    most significant byte first. Bytes 3 and 2, a ".", bytes 1 and 0; a byte of 0 adds nothing;
    upper case. 0 (not reported) gives the empty text. So 0x313137 is "1.17", 0x313066 "1.0F".

    Pure code, any thread.
*/
juce::String firmwareVersionText (int version);
