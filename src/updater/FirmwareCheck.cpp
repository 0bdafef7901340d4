#include "updater/FirmwareCheck.h"

#include "device/FirmwareVersionText.h"
#include "device/ProtocolParser.h"
#include "device/SysExMessages.h"
#include "mixer/MixerModel.h"

#include <mutex>

namespace FirmwareCheck
{
    namespace
    {
        constexpr const char* dawControlPortName = "DAW Control";

        /** The first endpoint whose name carries the interface's port name; empty when none does. */
        juce::MidiDeviceInfo findDawControl (const juce::Array<juce::MidiDeviceInfo>& endpoints)
        {
            for (const auto& endpoint : endpoints)
                if (endpoint.name.contains (dawControlPortName) && endpoint.identifier.isNotEmpty())
                    return endpoint;

            return {};
        }

        /** Collects the two version replies from the MIDI input's thread. */
        class VersionCollector final : public juce::MidiInputCallback
        {
        public:
            void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
            {
                const auto report = ProtocolParser::parse (message.getRawData(), static_cast<std::size_t> (message.getRawDataSize()));

                const std::lock_guard<std::mutex> guard (lock);

                if (report.type == ProtocolParser::Report::Type::firmwareVersionRWA)
                    rwa = report.version;
                else if (report.type == ProtocolParser::Report::Type::firmwareVersionSTC)
                    stc = report.version;
                else
                    return;

                if (rwa != 0 && stc != 0)
                    bothArrived.signal();
            }

            bool waitForBoth (int timeoutMs) { return bothArrived.wait (timeoutMs); }

            std::pair<int, int> versions() const
            {
                const std::lock_guard<std::mutex> guard (lock);
                return { rwa, stc };
            }

        private:
            mutable std::mutex lock;
            int rwa = 0, stc = 0;
            juce::WaitableEvent bothArrived;
        };

        juce::String versionLine (const char* part, int version)
        {
            return juce::String (part) + " firmware: "
                 + (version != 0 ? "v" + firmwareVersionText (version) : juce::String ("not reported"));
        }
    }

    UpdaterResult::Code run (MidiPortSystem& ports,
                             const std::function<void (const juce::String&)>& writeLine,
                             int replyTimeoutMs)
    {
        writeLine ("Looking for the Talvo z3: MIDI ports named \"" + juce::String (dawControlPortName) + "\".");

        const auto inputInfo = findDawControl (ports.getAvailableInputs());
        const auto outputInfo = findDawControl (ports.getAvailableOutputs());

        if (inputInfo.identifier.isEmpty() || outputInfo.identifier.isEmpty())
        {
            writeLine ("No Talvo z3 found: no \"DAW Control\" MIDI input and output.");
            return UpdaterResult::interfaceNotFound;
        }

        writeLine ("Found input \"" + inputInfo.name + "\" and output \"" + outputInfo.name + "\".");

        VersionCollector collector;
        auto input = ports.openInput (inputInfo.identifier, &collector);
        auto output = ports.openOutput (outputInfo.identifier);

        if (input == nullptr || output == nullptr)
        {
            writeLine ("The Talvo z3's MIDI ports could not be opened.");
            return UpdaterResult::interfaceNotFound;
        }

        input->start();
        output->startBackgroundThread();

        juce::MidiBuffer requests;
        requests.addEvent (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionSTC), 0);
        requests.addEvent (SysExMessages::firmwareVersionRequest (SysExCommand::firmwareVersionRWA), 1);
        output->sendBlockOfMessages (requests, juce::Time::getMillisecondCounter() + 1.0, 1000.0);

        const auto answered = collector.waitForBoth (replyTimeoutMs);

        // Nothing may reach the collector once it is gone.
        input->stop();
        input = nullptr;

        const auto [rwa, stc] = collector.versions();
        writeLine (versionLine ("RWA", rwa));
        writeLine (versionLine ("STC", stc));

        auto result = UpdaterResult::interfaceNotFound;

        if (! answered)
        {
            writeLine ("The Talvo z3 did not report both firmware versions within "
                       + juce::String (replyTimeoutMs) + " ms.");
        }
        else if (rwa == expectedVersionRWA && stc == expectedVersionSTC)
        {
            writeLine ("The firmware is current.");
            result = UpdaterResult::firmwareCurrent;
        }
        else
        {
            writeLine ("The firmware differs from the current one (RWA v" + firmwareVersionText (expectedVersionRWA)
                       + ", STC v" + firmwareVersionText (expectedVersionSTC) + ").");
            result = UpdaterResult::firmwareNotCurrent;
        }

        return result;
    }
}
