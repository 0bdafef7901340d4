#include "support/SimulatedTalvoZ3.h"

#include "device/SysExMessages.h"
#include "mixer/MixerModel.h"

#include <algorithm>
#include <chrono>

namespace
{
    constexpr auto command (SysExCommand c) { return static_cast<std::uint8_t> (c); }

    HwLevel levelFrom (std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
    {
        return static_cast<HwLevel> (((b1 & 0x03) << 14) | (b2 << 7) | b3);
    }

    bool hasOurHeader (const std::uint8_t* data, int size)
    {
        return size >= static_cast<int> (SysEx::emptyFrameLength)
            && data[0] == SysEx::start
            && data[1] == SysEx::manufacturerId[0] && data[2] == SysEx::manufacturerId[1]
            && data[3] == SysEx::manufacturerId[2] && data[4] == SysEx::deviceModelId
            && data[size - 1] == SysEx::end;
    }
}

SimulatedTalvoZ3::SimulatedTalvoZ3 (SimulatedMidiPorts& p, juce::String name, juce::String in, juce::String out)
    : portName (std::move (name)), inputIdentifier (std::move (in)), outputIdentifier (std::move (out)), ports (p)
{
    resetToFactoryState();
    factoryResets = 0;

    thread = std::thread ([this] { run(); });

    ports.onMessageSent = [this] (const juce::String& identifier, const juce::MidiMessage& message)
    {
        receive (identifier, message);
    };

    plugIn();
}

SimulatedTalvoZ3::~SimulatedTalvoZ3()
{
    ports.onMessageSent = nullptr;

    {
        const std::lock_guard<std::mutex> guard (queueLock);
        stopping = true;
    }
    queueChanged.notify_all();
    thread.join();
}

//==============================================================================
void SimulatedTalvoZ3::plugIn()
{
    {
        const std::lock_guard<std::mutex> guard (stateLock);
        if (pluggedIn)
            return;
        pluggedIn = true;
    }
    ports.addInput (portName, inputIdentifier);
    ports.addOutput (portName, outputIdentifier);
}

void SimulatedTalvoZ3::unplug()
{
    {
        const std::lock_guard<std::mutex> guard (stateLock);
        pluggedIn = false;
    }
    ports.removeInput (inputIdentifier);
    ports.removeOutput (outputIdentifier);
}

bool SimulatedTalvoZ3::isPluggedIn() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return pluggedIn;
}

//==============================================================================
SimulatedTalvoZ3::Level SimulatedTalvoZ3::sourceLevel (int source, int destination) const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return matrix[source & 3][destination & 3];
}

void SimulatedTalvoZ3::setSourceLevel (int source, int destination, Level level)
{
    const std::lock_guard<std::mutex> guard (stateLock);
    matrix[source & 3][destination & 3] = level;
}

SimulatedTalvoZ3::Level SimulatedTalvoZ3::outputLevel (int output) const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return outputs[output & 3];
}

void SimulatedTalvoZ3::setOutputLevel (int output, Level level)
{
    const std::lock_guard<std::mutex> guard (stateLock);
    outputs[output & 3] = level;
}

SimulatedTalvoZ3::InputState SimulatedTalvoZ3::inputState (int input) const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return inputs[input & 1];
}

void SimulatedTalvoZ3::setInputState (int input, InputState state)
{
    const std::lock_guard<std::mutex> guard (stateLock);
    inputs[input & 1] = state;
}

std::uint8_t SimulatedTalvoZ3::phaseMode() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return phase;
}

void SimulatedTalvoZ3::setFirmwareVersions (const juce::String& stc, const juce::String& rwa)
{
    jassert (stc.length() == 4 && rwa.length() == 4);
    const std::lock_guard<std::mutex> guard (stateLock);
    versionSTC = stc;
    versionRWA = rwa;
}

void SimulatedTalvoZ3::setSerialNumber (const juce::String& newSerial)
{
    const std::lock_guard<std::mutex> guard (stateLock);
    serial = newSerial;
}

int SimulatedTalvoZ3::hwControlLockCount() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return hwControlLocks;
}

int SimulatedTalvoZ3::midiButtonPresses() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return midiButtonCount;
}

int SimulatedTalvoZ3::factoryResetCount() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return factoryResets;
}

void SimulatedTalvoZ3::resetToFactoryState()
{
    const std::lock_guard<std::mutex> guard (stateLock);

    for (int s = 0; s < SysEx::numSources; ++s)
        for (int d = 0; d < SysEx::numDestinations; ++d)
            matrix[s][d] = { dbToHwLevel (_static_default_volume_array[s][d]), false };

    for (auto& o : outputs)
        o = { hwLevelUnity, false };

    for (auto& i : inputs)
    {
        i.hiZ = false;
        i.phantomPower = false;
    }

    phase = 0;
    ++factoryResets;
}

void SimulatedTalvoZ3::setAnswersRequests (bool shouldAnswer)
{
    const std::lock_guard<std::mutex> guard (stateLock);
    answersRequests = shouldAnswer;
}

void SimulatedTalvoZ3::setEndsStateDumpWithStateMessage (bool shouldEnd)
{
    const std::lock_guard<std::mutex> guard (stateLock);
    endsDumpWithStateMessage = shouldEnd;
}

//==============================================================================
void SimulatedTalvoZ3::sendStateDump()
{
    post ([this]
    {
        for (const auto& report : stateDump())
            deliver (report);
    });
}

void SimulatedTalvoZ3::plugConnector (int input, Connector connector)
{
    post ([this, input, connector]
    {
        InputState state;
        {
            const std::lock_guard<std::mutex> guard (stateLock);
            inputs[input & 1].connector = connector;
            state = inputs[input & 1];
        }
        deliver (inputConfigReport (input & 1, state));
    });
}

void SimulatedTalvoZ3::sendReport (const juce::MidiMessage& report)
{
    post ([this, report] { deliver (report); });
}

void SimulatedTalvoZ3::sendReports (std::vector<juce::MidiMessage> reports)
{
    post ([this, r = std::move (reports)]
    {
        for (const auto& report : r)
            deliver (report);
    });
}

void SimulatedTalvoZ3::sendGenerated (int count, std::function<juce::MidiMessage (int)> make)
{
    post ([this, count, make = std::move (make)]
    {
        for (int k = 0; k < count; ++k)
            deliver (make (k));
    });
}

void SimulatedTalvoZ3::sendMeterBurst (int count)
{
    sendGenerated (count, [] (int k) { return meterReport (k % 4, (k / 4) % 101); });
}

void SimulatedTalvoZ3::sendMidiActivityBurst (int count, std::vector<std::uint8_t> activityBits)
{
    jassert (! activityBits.empty());
    sendGenerated (count, [bits = std::move (activityBits)] (int k)
    {
        return midiActivityReport (bits[static_cast<size_t> (k) % bits.size()]);
    });
}

bool SimulatedTalvoZ3::waitUntilIdle (int timeoutMs)
{
    std::unique_lock<std::mutex> guard (queueLock);
    return queueChanged.wait_for (guard, std::chrono::milliseconds (timeoutMs),
                                  [this] { return tasks.empty() && ! busy; });
}

//==============================================================================
std::vector<juce::MidiMessage> SimulatedTalvoZ3::receivedMessages() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    return received;
}

std::vector<std::uint8_t> SimulatedTalvoZ3::receivedCommands() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    std::vector<std::uint8_t> result;
    for (const auto& m : received)
        result.push_back (m.getRawDataSize() > static_cast<int> (SysEx::commandOffset)
                              ? m.getRawData()[SysEx::commandOffset] : std::uint8_t { 0xFF });
    return result;
}

int SimulatedTalvoZ3::numReceived (std::uint8_t c) const
{
    const auto commands = receivedCommands();
    return static_cast<int> (std::count (commands.begin(), commands.end(), c));
}

void SimulatedTalvoZ3::clearReceived()
{
    const std::lock_guard<std::mutex> guard (stateLock);
    received.clear();
}

//==============================================================================
juce::MidiMessage SimulatedTalvoZ3::sourceLevelReport (int source, int destination, Level level)
{
    const auto bytes = hwLevelBytes (level.level, level.mute ? sourceLevelMuteFlag : 0);
    return SysExMessages::sourceLevel (source, destination, bytes);
}

juce::MidiMessage SimulatedTalvoZ3::outputLevelReport (int output, Level level)
{
    return SysExMessages::outputLevel (hwLevelBytes (level.level, outputLevelFlags (output, level.mute)));
}

juce::MidiMessage SimulatedTalvoZ3::inputConfigReport (int input, InputState state)
{
    // Device to host: bits 0 and 1 mark line mode, then bit 3 is HI-Z; otherwise bit 2 is 48 V.
    const auto data = state.connector == Connector::jack
                          ? static_cast<std::uint8_t> (0x03 | (state.hiZ ? 0x08 : 0))
                          : static_cast<std::uint8_t> (state.phantomPower ? 0x04 : 0);
    return SysExMessages::oneByte (input == 0 ? SysExCommand::inputConfig1 : SysExCommand::inputConfig2, data);
}

juce::MidiMessage SimulatedTalvoZ3::meterReport (int index, int level)
{
    return SysExMessages::frame (command (SysExCommand::levelMeter),
                                 { static_cast<std::uint8_t> (index), static_cast<std::uint8_t> (level) });
}

juce::MidiMessage SimulatedTalvoZ3::midiActivityReport (std::uint8_t bits)
{
    return SysExMessages::oneByte (SysExCommand::midiActivity, bits);
}

juce::MidiMessage SimulatedTalvoZ3::versionReport (SysExCommand part, const juce::String& chars)
{
    auto c = [&chars] (int i) { return static_cast<std::uint8_t> (chars[i] & 0x7F); };
    return SysExMessages::frame (command (part), { c (0), c (1), c (2), c (3) });
}

juce::MidiMessage SimulatedTalvoZ3::serialReport (const juce::String& text)
{
    std::vector<std::uint8_t> bytes { SysEx::start, SysEx::manufacturerId[0], SysEx::manufacturerId[1],
                                      SysEx::manufacturerId[2], SysEx::deviceModelId,
                                      command (SysExCommand::serialNumber) };
    for (auto ch : text)
        bytes.push_back (static_cast<std::uint8_t> (ch & 0x7F));
    bytes.push_back (0x00);
    bytes.push_back (SysEx::end);
    return juce::MidiMessage (bytes.data(), static_cast<int> (bytes.size()));
}

juce::MidiMessage SimulatedTalvoZ3::stateMessage()
{
    return SysExMessages::oneByte (SysExCommand::stateRequest, 0x7F);
}

//==============================================================================
void SimulatedTalvoZ3::receive (const juce::String& identifier, const juce::MidiMessage& message)
{
    if (identifier != outputIdentifier)
        return;

    {
        const std::lock_guard<std::mutex> guard (stateLock);
        if (! pluggedIn)
            return;
        received.push_back (message);
    }

    post ([this, message] { apply (message); });
}

std::vector<juce::MidiMessage> SimulatedTalvoZ3::stateDump() const
{
    const std::lock_guard<std::mutex> guard (stateLock);
    std::vector<juce::MidiMessage> dump;

    for (int s = 0; s < SysEx::numSources; ++s)
        for (int d = 0; d < SysEx::numDestinations; ++d)
            dump.push_back (sourceLevelReport (s, d, matrix[s][d]));

    for (int o = 0; o < SysEx::numDestinations; ++o)
        dump.push_back (outputLevelReport (o, outputs[o]));

    dump.push_back (inputConfigReport (0, inputs[0]));
    dump.push_back (inputConfigReport (1, inputs[1]));

    if (endsDumpWithStateMessage)
        dump.push_back (stateMessage());

    return dump;
}

void SimulatedTalvoZ3::apply (const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    const auto size = message.getRawDataSize();

    // Not for this interface, or cut short: a real interface ignores it.
    if (! hasOurHeader (data, size))
        return;

    const auto c = data[SysEx::commandOffset];
    const auto* d = data + SysEx::dataOffset;
    const auto numData = size - static_cast<int> (SysEx::emptyFrameLength);

    std::vector<juce::MidiMessage> replies;
    auto sendDump = false;
    {
        const std::lock_guard<std::mutex> guard (stateLock);

        if (isSourceLevelCommand (c))
        {
            if (numData >= 3)
                matrix[c & 0x07][c >> 3] = { levelFrom (d[0], d[1], d[2]), (d[0] & sourceLevelMuteFlag) != 0 };
        }
        else if (c == command (SysExCommand::outputLevel))
        {
            const auto output = (d[0] >> 3) & 0x0F;
            if (numData >= 3 && output < SysEx::numDestinations)
                outputs[output] = { levelFrom (d[0], d[1], d[2]), (d[0] & 0x04) != 0 };
        }
        else if (numData >= 1 && (c == command (SysExCommand::inputConfig1) || c == command (SysExCommand::inputConfig2)))
        {
            // Host to device: 0x08 HI-Z, 0x04 phantom power; the connector decides which one counts.
            auto& input = inputs[c == command (SysExCommand::inputConfig1) ? 0 : 1];
            input.hiZ = (d[0] & 0x08) != 0;
            input.phantomPower = (d[0] & 0x04) != 0;
        }
        else if (numData >= 1 && c == command (SysExCommand::routingAndPhaseMode))
        {
            phase = d[0];
        }
        else if (c == command (SysExCommand::midiButton))
        {
            ++midiButtonCount;
        }
        else if (c == command (SysExCommand::hwControlLock))
        {
            ++hwControlLocks;
        }
        else if (c == command (SysExCommand::stateRequest))
        {
            sendDump = answersRequests && numData >= 1 && d[0] == 0x01;
        }
        else if (c == command (SysExCommand::firmwareVersionSTC) || c == command (SysExCommand::firmwareVersionRWA))
        {
            if (answersRequests)
                replies.push_back (versionReport (static_cast<SysExCommand> (c),
                                                  c == command (SysExCommand::firmwareVersionSTC) ? versionSTC : versionRWA));
        }
        else if (c == command (SysExCommand::serialNumber))
        {
            if (answersRequests)
                replies.push_back (serialReport (serial));
        }
    }

    if (c == command (SysExCommand::resetFactoryDefaults))
        resetToFactoryState();

    if (sendDump)
        for (const auto& report : stateDump())
            deliver (report);

    for (const auto& reply : replies)
        deliver (reply);
}

void SimulatedTalvoZ3::post (std::function<void()> task)
{
    {
        const std::lock_guard<std::mutex> guard (queueLock);
        tasks.push_back (std::move (task));
    }
    queueChanged.notify_all();
}

void SimulatedTalvoZ3::deliver (const juce::MidiMessage& report)
{
    if (isPluggedIn())
        ports.deliverToInputs (report, inputIdentifier);
}

void SimulatedTalvoZ3::run()
{
    std::unique_lock<std::mutex> guard (queueLock);

    for (;;)
    {
        queueChanged.wait (guard, [this] { return stopping || ! tasks.empty(); });
        if (stopping)
            return;

        auto task = std::move (tasks.front());
        tasks.pop_front();
        busy = true;

        guard.unlock();
        task();
        guard.lock();

        busy = false;
        queueChanged.notify_all();
    }
}
