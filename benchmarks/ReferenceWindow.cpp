// A bare JUCE window to hold the panel's start-up and memory against: the same modules, flags,
// allocator settings and window kind (native title bar, close button only, resizable, the panel's
// start size on a display up to 1291 pixels high), showing one line of text in the framework's
// default font.
//
// It starts as the panel does: the framework connects to the display, the window is built off the
// desktop around its content, which makes the framework's first typeface (the panel makes its own
// while its controls are built: the scan of every installed font falls at the same step), and the
// window goes on the desktop once, at its size.

#include "platform/AllocatorTuning.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    constexpr int startWidth = 297, startHeight = 816;

    class OneLineOfText final : public juce::Component
    {
    public:
        OneLineOfText()
        {
            font.getTypefacePtr();
        }

        void paint (juce::Graphics& g) override
        {
            g.fillAll (juce::Colours::lightgrey);
            g.setColour (juce::Colours::black);
            g.setFont (font);
            g.drawText ("Reference window", getLocalBounds().removeFromTop (40), juce::Justification::centred);
        }

    private:
        juce::Font font { 14.0f };
    };

    class ReferenceWindowApplication final : public juce::JUCEApplication
    {
    public:
        const juce::String getApplicationName() override    { return "Reference Window"; }
        const juce::String getApplicationVersion() override { return "1.0"; }

        void initialise (const juce::String&) override
        {
            juce::Desktop::getInstance();

            window = std::make_unique<juce::DocumentWindow> ("Reference Window", juce::Colours::lightgrey,
                                                             juce::DocumentWindow::closeButton, false);
            window->setUsingNativeTitleBar (true);
            window->setContentOwned (new OneLineOfText(), false);
            window->setResizable (true, true);
            window->centreWithSize (startWidth, startHeight);

            window->addToDesktop();
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
