#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** Counts the repaint requests of the component it is attached to, without any window.

    Attach with Component::setCachedComponentImage (the component then owns it); the component
    must be visible, since hidden components ignore repaints. Message thread.
*/
class RepaintRecorder final : public juce::CachedComponentImage
{
public:
    explicit RepaintRecorder (std::function<void()> onRepaintToCall = {}) : onRepaint (std::move (onRepaintToCall)) {}

    void paint (juce::Graphics&) override {}
    void releaseResources() override {}

    bool invalidateAll() override
    {
        ++count;
        if (onRepaint)
            onRepaint();
        return false; // nothing further to paint: there is no window
    }

    bool invalidate (const juce::Rectangle<int>&) override { return invalidateAll(); }

    int count = 0;

private:
    std::function<void()> onRepaint;
};
