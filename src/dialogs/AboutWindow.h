#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The about box's content: a fixed picture with the program's name and version written into it,
    an invisible OK area over the picture's printed OK button and an invisible link over the
    printed web address.

    The OK area ends the modal state of the dialog window around it with 0; outside a dialog
    window it does nothing. Message thread only.
*/
class AboutWindow final : public juce::Component,
                          public juce::Button::Listener
{
public:
    /** Builds the content at the picture's size (0 x 0 if the picture's header does not read);
        the picture itself is decoded when the content is first painted.
    */
    explicit AboutWindow (const juce::String& versionText);
    ~AboutWindow() override;

    void paint (juce::Graphics&) override;
    void resized() override {}
    void buttonClicked (juce::Button*) override;

    /** A dialog window around the content, built but not shown; the dialog owns the content
        through a reference that empties when the content is deleted first.
    */
    static juce::DialogWindow* createDialog (AboutWindow* content);

    juce::String versionText;
    juce::Point<int> versionPosition{275, 186};
    juce::Image backgroundImage;
    std::unique_ptr<juce::ImageButton> okHotspot;
    std::unique_ptr<juce::HyperlinkButton> linkHotspot;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutWindow)
};
