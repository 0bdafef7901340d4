// TalvoFWUpdatez3: the firmware updater that the panel starts with "/check".
//
// It reports on standard output, ends with a line that holds only its result number and exits
// with the same number (see updater/UpdaterResult.h): 0 firmware current, 1 another firmware
// (nothing written), 3 interface not found or silent, 4 wrong arguments. It never writes firmware.

#include "device/FirmwareUpdaterLocation.h"
#include "updater/FirmwareCheck.h"

#include <iostream>

int main (int argc, char* argv[])
{
    const auto writeLine = [] (const juce::String& line) { std::cout << line << std::endl; };

    auto result = UpdaterResult::wrongArguments;

    if (argc == 2 && juce::String (argv[1]) == FirmwareUpdaterLocation::checkArgument)
        result = FirmwareCheck::run (getSystemMidiPorts(), writeLine);
    else
        writeLine ("Usage: TalvoFWUpdatez3 " + juce::String (FirmwareUpdaterLocation::checkArgument));

    writeLine ("This updater carries no firmware image: it has written nothing to the interface.");
    writeLine (UpdaterResult::resultLine (result));
    return result;
}
