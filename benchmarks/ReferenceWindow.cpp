// A bare JUCE window to hold the panel's start-up and memory against: the same modules, flags and
// window kind (native title bar, close button only, the panel's start size on a display up to
// 1291 pixels high), showing one line of text in the framework's default font.

#include "platform/AllocatorTuning.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    class OneLineOfText final : public juce::Component
    {
    public:
        void paint (juce::Graphics& g) override
        {
            g.fillAll (juce::Colours::lightgrey);
            g.setColour (juce::Colours::black);
            g.setFont (14.0f);
            g.drawText ("Reference window", getLocalBounds().removeFromTop (40), juce::Justification::centred);
        }
    };

    class ReferenceWindowApplication final : public juce::JUCEApplication
    {
    public:
        const juce::String getApplicationName() override    { return "Reference Window"; }
        const juce::String getApplicationVersion() override { return "1.0"; }

        void initialise (const juce::String&) override
        {
            window = std::make_unique<juce::DocumentWindow> ("Reference Window", juce::Colours::lightgrey,
                                                             juce::DocumentWindow::closeButton, true);
            window->setUsingNativeTitleBar (true);
            window->setContentOwned (new OneLineOfText(), false);
            window->centreWithSize (297, 816);
            window->setVisible (true);
        }

        void shutdown() override { window = nullptr; }

    private:
        std::unique_ptr<juce::DocumentWindow> window;
    };
}

int main (int argc, char* argv[])
{
    // The panel's allocator settings: the memory compared is what the two programs hold, not
    // how differently their allocators keep it.
    AllocatorTuning::apply();

    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return new ReferenceWindowApplication(); };
    return juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
}
