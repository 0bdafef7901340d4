#pragma once

#include "device/SysExProtocol.h"
#include "support/SimulatedMidiPorts.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

/** A Talvo z3 for tests: it sits behind a pair of "DAW Control" endpoints of a SimulatedMidiPorts
    and behaves as the interface does on the wire.

    It keeps its own 4 x 4 gain and mute matrix, output levels and mutes, input configurations,
    phase mode, two firmware versions and a serial number; applies every host message it receives;
    answers a state request with its source-level, output-level and input-config reports (then the
    8-byte state message), and the version and serial requests with their replies.

    Host messages are recorded in order as they arrive (on the sender's thread); they are applied,
    and every report is sent, on the interface's own thread, in order, so replies reach the panel
    asynchronously on a thread that is not the message thread, as real MIDI does. Every accessor is
    thread-safe; waitUntilIdle lets a test wait for the interface to catch up.

    Destroy it before its SimulatedMidiPorts.
*/
class SimulatedTalvoZ3 final
{
public:
    /** Adds the two endpoints (plugged in) and listens to what the panel sends to the output. */
    explicit SimulatedTalvoZ3 (SimulatedMidiPorts& ports,
                               juce::String portName = "Talvo z3 DAW Control",
                               juce::String inputIdentifier = "talvo-z3-in",
                               juce::String outputIdentifier = "talvo-z3-out");
    ~SimulatedTalvoZ3();

    const juce::String portName, inputIdentifier, outputIdentifier;

    //==============================================================================
    // Presence
    void plugIn();
    void unplug();
    bool isPluggedIn() const;

    //==============================================================================
    // The interface's own state
    struct Level
    {
        HwLevel level = 0;
        bool mute = false;

        bool operator== (const Level& other) const { return level == other.level && mute == other.mute; }
    };

    /** Which connector is plugged into an input decides its mode: XLR microphone or jack line. */
    enum class Connector { xlr, jack };

    struct InputState
    {
        Connector connector = Connector::xlr;
        bool hiZ = false;           ///< used in line mode
        bool phantomPower = false;  ///< used in microphone mode
    };

    Level sourceLevel (int source, int destination) const;
    void setSourceLevel (int source, int destination, Level level);
    Level outputLevel (int output) const;
    void setOutputLevel (int output, Level level);
    InputState inputState (int input) const;
    void setInputState (int input, InputState state);
    std::uint8_t phaseMode() const;

    /** Four ASCII characters each, as the version replies carry them. */
    void setFirmwareVersions (const juce::String& stc, const juce::String& rwa);
    void setSerialNumber (const juce::String& serial);

    int hwControlLockCount() const;
    int midiButtonPresses() const;
    int factoryResetCount() const;

    /** Puts the factory mixer back: the factory matrix unmuted, outputs at 0 dB unmuted, phase off,
        LINE and no phantom power (connectors stay).
    */
    void resetToFactoryState();

    /** A silent interface applies host messages but answers no request. */
    void setAnswersRequests (bool shouldAnswer);

    /** Whether a state dump ends with the 8-byte state message F0 .. 7F 7F F7 (default true). */
    void setEndsStateDumpWithStateMessage (bool shouldEnd);

    //==============================================================================
    // Reports sent from the interface's thread, in the order asked for

    /** Sends the state dump as a state request would. */
    void sendStateDump();

    /** Plugs a connector into an input and reports the new input configuration. */
    void plugConnector (int input, Connector connector);

    void sendReport (const juce::MidiMessage& report);
    void sendReports (std::vector<juce::MidiMessage> reports);

    /** Sends count reports made by make (called on the interface's thread with 0 .. count-1). */
    void sendGenerated (int count, std::function<juce::MidiMessage (int)> make);

    /** count meter reports: report k is meter k % 4 at level (k / 4) % 101. */
    void sendMeterBurst (int count);

    /** count MIDI-activity reports: report k carries activityBits[k % size]. */
    void sendMidiActivityBurst (int count, std::vector<std::uint8_t> activityBits = { 0x01, 0x06, 0x02, 0x38 });

    /** Waits until every received host message is applied and every report delivered. */
    bool waitUntilIdle (int timeoutMs = 5000);

    //==============================================================================
    // What it received
    std::vector<juce::MidiMessage> receivedMessages() const;
    std::vector<std::uint8_t> receivedCommands() const;
    int numReceived (std::uint8_t command) const;
    void clearReceived();

    //==============================================================================
    // Reports, built as the interface builds them
    static juce::MidiMessage sourceLevelReport (int source, int destination, Level level);
    static juce::MidiMessage outputLevelReport (int output, Level level);
    static juce::MidiMessage inputConfigReport (int input, InputState state);
    static juce::MidiMessage meterReport (int index, int level);
    static juce::MidiMessage midiActivityReport (std::uint8_t bits);
    static juce::MidiMessage versionReport (SysExCommand part, const juce::String& fourCharacters);
    static juce::MidiMessage serialReport (const juce::String& serial);
    static juce::MidiMessage stateMessage();

private:
    void receive (const juce::String& outputIdentifier, const juce::MidiMessage& message);
    void apply (const juce::MidiMessage& message);
    std::vector<juce::MidiMessage> stateDump() const;
    void post (std::function<void()> task);
    void deliver (const juce::MidiMessage& report);
    void run();

    SimulatedMidiPorts& ports;

    mutable std::mutex stateLock;
    Level matrix[SysEx::numSources][SysEx::numDestinations];
    Level outputs[SysEx::numDestinations];
    InputState inputs[2];
    std::uint8_t phase = 0;
    juce::String versionSTC { "v10f" }, versionRWA { "v117" }, serial { "TZ3A00042" };
    int hwControlLocks = 0, midiButtonCount = 0, factoryResets = 0;
    bool answersRequests = true, endsDumpWithStateMessage = true, pluggedIn = false;
    std::vector<juce::MidiMessage> received;

    std::mutex queueLock;
    std::condition_variable queueChanged;
    std::deque<std::function<void()>> tasks;
    bool busy = false, stopping = false;
    std::thread thread;
};
