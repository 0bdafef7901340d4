#include "support/PanelFixture.h"

namespace
{
    const juce::String daw = "DAW Control";
    const juce::String dummy = "DUMMY_NOT_IN_USE";
}

/** Every case runs for the input list (true) and the output list (false). */
class MidiPorts : public PanelFixture, public ::testing::WithParamInterface<bool>
{
protected:
    bool isInput() const { return GetParam(); }

    void setEndpoints (juce::Array<juce::MidiDeviceInfo> endpoints)
    {
        if (isInput())
            ports.setInputs (std::move (endpoints));
        else
            ports.setOutputs (std::move (endpoints));
    }

    bool update()                     { return panel->updateDeviceList (isInput()); }
    bool open()                       { return panel->openMIDIDevice (isInput(), daw, daw, dummy); }

    /** One port scan of this list: refresh, and open only when the list changed. */
    bool scan()                       { return update() && open(); }

    juce::ReferenceCountedArray<MidiDeviceListEntry>& list()
    {
        return isInput() ? panel->midiInputs : panel->midiOutputs;
    }

    bool isOpen (int index)
    {
        auto* entry = list()[index].get();
        return entry != nullptr && (isInput() ? entry->inputDevice != nullptr : entry->outputDevice != nullptr);
    }

    const void* portOf (int index)
    {
        auto* entry = list()[index].get();
        return isInput() ? static_cast<const void*> (entry->inputDevice.get())
                         : static_cast<const void*> (entry->outputDevice.get());
    }

    bool endpointOpen (const juce::String& identifier)
    {
        return isInput() ? ports.isInputOpen (identifier) : ports.isOutputOpen (identifier);
    }

    int numOpenPorts() { return isInput() ? ports.numOpenInputs() : ports.numOpenOutputs(); }

    juce::StringArray listedNames()
    {
        juce::StringArray names;
        for (auto* e : list())
            names.add (e->deviceInfo.name + "|" + e->deviceInfo.identifier);
        return names;
    }
};

INSTANTIATE_TEST_SUITE_P (InputsAndOutputs, MidiPorts, ::testing::Bool(),
                          [] (const auto& testInfo) { return testInfo.param ? "Inputs" : "Outputs"; });

TEST_P (MidiPorts, FirstScanListsInSystemOrderAndOpensOnlyTheDawControlPorts)
{
    setEndpoints ({ midiEndpoint ("Midi Through", "thru"), midiEndpoint ("Talvo z3 DAW Control", "z3"),
                    midiEndpoint ("Keyboard", "kb") });

    EXPECT_TRUE (scan());
    EXPECT_EQ (listedNames(), juce::StringArray ({ "Midi Through|thru", "Talvo z3 DAW Control|z3", "Keyboard|kb" }));
    EXPECT_FALSE (isOpen (0));
    EXPECT_TRUE (isOpen (1));
    EXPECT_FALSE (isOpen (2));
    EXPECT_EQ (ports.numOpenCalls(), 1);

    // A second scan of the same endpoints changes and opens nothing.
    const auto* port = portOf (1);
    EXPECT_FALSE (update());
    EXPECT_EQ (ports.numOpenCalls(), 1);
    EXPECT_EQ (portOf (1), port);
}

TEST_P (MidiPorts, AnEmptySystemAndAnEmptyListAreUnchanged)
{
    EXPECT_FALSE (update());
    EXPECT_TRUE (list().isEmpty());
    EXPECT_FALSE (open());
}

TEST_P (MidiPorts, ReorderedEndpointsAreAChangeThatReusesTheEntries)
{
    setEndpoints ({ midiEndpoint ("A DAW Control", "a"), midiEndpoint ("Other", "o") });
    ASSERT_TRUE (scan());
    const auto* entryA = list()[0].get();
    const auto* entryO = list()[1].get();
    const auto* portA = portOf (0);

    setEndpoints ({ midiEndpoint ("Other", "o"), midiEndpoint ("A DAW Control", "a") });
    EXPECT_TRUE (update());

    EXPECT_EQ (list()[0].get(), entryO);
    EXPECT_EQ (list()[1].get(), entryA);
    EXPECT_EQ (portOf (1), portA); // the open port went with its entry
    EXPECT_TRUE (endpointOpen ("a"));
}

TEST_P (MidiPorts, ARenamedEndpointIsANewOneAndItsOldPortIsClosed)
{
    setEndpoints ({ midiEndpoint ("Talvo z3 DAW Control", "z3") });
    ASSERT_TRUE (scan());
    const MidiDeviceListEntry::Ptr oldEntry = list()[0];

    setEndpoints ({ midiEndpoint ("Talvo z3 DAW Control 2", "z3") });
    EXPECT_TRUE (update());

    ASSERT_EQ (list().size(), 1);
    EXPECT_NE (list()[0], oldEntry);
    EXPECT_TRUE (oldEntry->inputDevice == nullptr && oldEntry->outputDevice == nullptr);
    EXPECT_EQ (list()[0]->deviceInfo.name, "Talvo z3 DAW Control 2");
    EXPECT_FALSE (isOpen (0));
    EXPECT_EQ (numOpenPorts(), 0);

    EXPECT_TRUE (open());
    EXPECT_TRUE (isOpen (0));
}

TEST_P (MidiPorts, WhenOneOpenPortVanishesEveryOpenPortOfTheListIsClosed)
{
    setEndpoints ({ midiEndpoint ("DAW Control 1", "one"), midiEndpoint ("Other", "o"),
                    midiEndpoint ("DAW Control 2", "two") });
    ASSERT_TRUE (scan());
    ASSERT_EQ (numOpenPorts(), 2);

    // Through closeUnpluggedDevices alone (as when the updater starts), nothing is reopened.
    auto current = isInput() ? ports.getAvailableInputs() : ports.getAvailableOutputs();
    current.remove (0);
    panel->closeUnpluggedDevices (current, isInput());

    EXPECT_EQ (listedNames(), juce::StringArray ({ "Other|o", "DAW Control 2|two" }));
    EXPECT_EQ (numOpenPorts(), 0);
    EXPECT_FALSE (isOpen (1));

    // The port scan notices the change and reopens what is left.
    setEndpoints (current);
    ports.addInput ("Late", "late");
    ports.addOutput ("Late", "late");
    EXPECT_TRUE (scan());
    EXPECT_TRUE (endpointOpen ("two"));
    EXPECT_EQ (numOpenPorts(), 1);
}

TEST_P (MidiPorts, AVanishedClosedEntryLeavesTheOpenPortsAlone)
{
    setEndpoints ({ midiEndpoint ("Keyboard", "kb"), midiEndpoint ("Talvo z3 DAW Control", "z3") });
    ASSERT_TRUE (scan());
    const auto* port = portOf (1);

    setEndpoints ({ midiEndpoint ("Talvo z3 DAW Control", "z3") });
    EXPECT_TRUE (update());

    EXPECT_EQ (listedNames(), juce::StringArray ({ "Talvo z3 DAW Control|z3" }));
    EXPECT_EQ (portOf (0), port);
    EXPECT_TRUE (endpointOpen ("z3"));
}

TEST_P (MidiPorts, NamesMatchAsCaseSensitiveSubstringsAndEmptyIdentifiersNeverOpen)
{
    setEndpoints ({ midiEndpoint ("Talvo z3 DAW Control", "model"),
                    midiEndpoint ("DAW Control 2", "numbered"),
                    midiEndpoint ("DAW Controller", "longer"),
                    midiEndpoint ("DAW control", "lower"),
                    midiEndpoint ("daw control", "lowest"),
                    midiEndpoint ("DAWControl", "joined"),
                    midiEndpoint ("Talvo z3 DAW Control", "") });

    EXPECT_TRUE (scan());

    EXPECT_TRUE (endpointOpen ("model"));
    EXPECT_TRUE (endpointOpen ("numbered"));
    EXPECT_TRUE (endpointOpen ("longer"));
    EXPECT_FALSE (endpointOpen ("lower"));
    EXPECT_FALSE (endpointOpen ("lowest"));
    EXPECT_FALSE (endpointOpen ("joined"));
    EXPECT_FALSE (isOpen (6));
    EXPECT_EQ (ports.numOpenCalls(), 3);
}

TEST_P (MidiPorts, EitherNameMatchesAndTheThirdIsNeverUsed)
{
    setEndpoints ({ midiEndpoint ("First", "1"), midiEndpoint ("Second", "2"), midiEndpoint ("Third", "3") });
    update();

    EXPECT_TRUE (panel->openMIDIDevice (isInput(), "First", "Second", "Third"));
    EXPECT_TRUE (isOpen (0));
    EXPECT_TRUE (isOpen (1));
    EXPECT_FALSE (isOpen (2));

    EXPECT_FALSE (panel->openMIDIDevice (isInput(), "Fourth", "Fifth", "Third"));
}

TEST_P (MidiPorts, TheFirstFailedOpenStopsTheWalkAndReportsFailure)
{
    setEndpoints ({ midiEndpoint ("DAW Control A", "a"), midiEndpoint ("DAW Control B", "b"),
                    midiEndpoint ("DAW Control C", "c") });
    ports.setRefusesToOpen ("b", true);

    EXPECT_TRUE (update());
    EXPECT_FALSE (open());
    EXPECT_TRUE (isOpen (0));
    EXPECT_FALSE (isOpen (1));
    EXPECT_FALSE (isOpen (2));
    EXPECT_EQ (ports.numOpenCalls(), 2); // "c" was never tried

    // A port that was open and fails to open anew is left closed.
    ports.setRefusesToOpen ("a", true);
    EXPECT_FALSE (open());
    EXPECT_FALSE (isOpen (0));
    EXPECT_EQ (numOpenPorts(), 0);

    // An unchanged list is not opened again by the scan: the failure stays until the list changes.
    EXPECT_FALSE (update());
}

TEST_P (MidiPorts, OpeningAnOpenPortReplacesIt)
{
    setEndpoints ({ midiEndpoint ("Talvo z3 DAW Control", "z3") });
    ASSERT_TRUE (scan());
    const auto calls = ports.numOpenCalls();

    EXPECT_TRUE (open());
    EXPECT_EQ (ports.numOpenCalls(), calls + 1);
    EXPECT_EQ (numOpenPorts(), 1);
    EXPECT_TRUE (isOpen (0));
}

TEST_P (MidiPorts, EndpointsListedTwiceGetAnEntryEach)
{
    setEndpoints ({ midiEndpoint ("Twin", "t"), midiEndpoint ("Twin", "t") });
    EXPECT_TRUE (update());

    ASSERT_EQ (list().size(), 2);
    EXPECT_NE (list()[0].get(), list()[1].get());

    setEndpoints ({ midiEndpoint ("Twin", "t") });
    EXPECT_TRUE (update());
    EXPECT_EQ (list().size(), 1);
}

//==============================================================================
using MidiInputPorts = PanelFixture;

TEST_F (MidiInputPorts, OpenInputsAreStartedAndDeliverToThePanelUntilTheyVanish)
{
    ports.setInputs ({ midiEndpoint ("Talvo z3 DAW Control", "z3") });
    ASSERT_TRUE (panel->updateDeviceList (true));
    ASSERT_TRUE (panel->openMIDIDevice (true, daw, daw, dummy));

    const std::uint8_t meter[] = { 0xF0, 0x00, 0x5E, 0x17, 0x34, 0x70, 0x01, 0x20, 0xF7 };
    const juce::MidiMessage report (meter, static_cast<int> (sizeof (meter)));
    ports.deliverToInputs (report);
    EXPECT_EQ (panel->midiInputQueue.size(), 1);

    ports.setInputs ({});
    EXPECT_TRUE (panel->updateDeviceList (true));
    ports.deliverToInputs (report);
    EXPECT_EQ (panel->midiInputQueue.size(), 1);
    EXPECT_EQ (ports.numOpenInputs(), 0);
}

TEST_F (MidiInputPorts, ClosedOutputsReceiveNothingMore)
{
    ports.setOutputs ({ midiEndpoint ("Talvo z3 DAW Control", "z3") });
    ASSERT_TRUE (panel->updateDeviceList (false));
    ASSERT_TRUE (panel->openMIDIDevice (false, daw, daw, dummy));
    panel->sendStateRequestToHardware();
    EXPECT_EQ (ports.sentMessages().size(), 4u);

    ports.setOutputs ({});
    panel->updateDeviceList (false);
    panel->sendStateRequestToHardware();
    EXPECT_EQ (ports.sentMessages().size(), 4u);
}

TEST (MidiDeviceListEntryLifetime, AnEntryDeletesItsOutputBeforeItsInput)
{
    std::vector<juce::String> deleted;

    struct Input final : MidiInputPort
    {
        explicit Input (std::vector<juce::String>& l) : log (l) {}
        ~Input() override { log.push_back ("input"); }
        void start() override {}
        void stop() override {}
        juce::MidiDeviceInfo getDeviceInfo() const override { return {}; }
        std::vector<juce::String>& log;
    };

    struct Output final : MidiOutputPort
    {
        explicit Output (std::vector<juce::String>& l) : log (l) {}
        ~Output() override { log.push_back ("output"); }
        bool isBackgroundThreadRunning() const override { return false; }
        void startBackgroundThread() override {}
        void sendBlockOfMessages (const juce::MidiBuffer&, double, double) override {}
        juce::MidiDeviceInfo getDeviceInfo() const override { return {}; }
        std::vector<juce::String>& log;
    };

    MidiDeviceListEntry::Ptr entry = new MidiDeviceListEntry (midiEndpoint ("Talvo z3 DAW Control", "z3"));
    entry->inputDevice = std::make_unique<Input> (deleted);
    entry->outputDevice = std::make_unique<Output> (deleted);

    MidiDeviceListEntry::Ptr holder = entry;
    entry = nullptr;
    EXPECT_TRUE (deleted.empty()); // a caller still holds it

    holder = nullptr;
    EXPECT_EQ (deleted, (std::vector<juce::String> { "output", "input" }));
}
