#include "mixer/TimerIds.h"
#include "panel/MainComponent.h"
#include "panel/PanelArtwork.h"
#include "panel/PanelLayout.h"
#include "resources/ArtworkFrames.h"

namespace
{
using PanelArtwork::Picture;
using PanelLayout::Row;

/** How near a tier boundary a live resize starts decoding the tier beyond it: a drag of that many
    pixels takes a frame or more, longer than the decode.
*/
constexpr int tierPrefetchDistance = 32;

template <typename Item>
juce::Array<juce::Component*> componentsOf (const juce::OwnedArray<Item>& items)
{
    juce::Array<juce::Component*> components;
    for (auto* item : items)
        if (item != nullptr)
            components.add (item);
    return components;
}

template <typename Item>
juce::Array<juce::Component*> componentsOf (const juce::Array<Item*>& items)
{
    juce::Array<juce::Component*> components;
    for (auto* item : items)
        if (item != nullptr)
            components.add (item);
    return components;
}

void setTwoFrameImages (const juce::Array<juce::Component*>& buttons, const juce::Image& picture,
                        juce::Point<int> designFrame, float tierScale)
{
    for (auto* component : buttons)
        if (auto* button = dynamic_cast<juce::ImageButton*> (component))
            ArtworkFrames::setTwoFrameImages (*button, picture, designFrame, tierScale);
}
} // namespace

// clang-format off
juce::Array<juce::Component*> MainComponent::componentsInRow (PanelLayout::Row row)
{
    switch (row)
    {
        case Row::monitorButtons:       return componentsOf (m_monitorButtons);
        case Row::midiLed1:             return { &m_midiLed1 };
        case Row::midiLed2:             return { &m_midiLed2 };
        case Row::midiButton:           return { &m_midiButton };
        case Row::muteAllButton:        return { &m_muteAllButton };
        case Row::phantom1:             return { &m_48V1 };
        case Row::phantom2:             return { &m_48V2 };
        case Row::mono12:               return { &m_mono12 };
        case Row::stereo12:             return { &m_stereo12 };
        case Row::phase1:               return { &m_phase1 };
        case Row::phase2:               return { &m_phase2 };
        case Row::muteInButtons:        return componentsOf (m_muteInButtons);
        case Row::soloInButtons:        return componentsOf (m_soloInButtons);
        case Row::muteOutButtons:       return componentsOf (m_muteOutButtons);
        case Row::soloOutButtons:       return componentsOf (m_soloOutButtons);
        case Row::targetButtons:        return componentsOf (m_trgButtons);
        case Row::snapshotButtons:      return componentsOf (m_ssButtons);
        case Row::snapshotEditButtons:  return componentsOf (m_sscButtons);
        case Row::settingsButton:       return { &m_settingsButton };
        case Row::updateButton:         return { &m_updateButton };
        case Row::inputTypeBoxes:       return componentsOf (m_inputTypeBoxes);
        case Row::miniMixers:           return componentsOf (m_miniMixers);
        case Row::inputPanSliders:      return componentsOf (m_hSliders1);
        case Row::outputBalanceSliders: return componentsOf (m_hSliders2);
        case Row::inputFaders:          return componentsOf (m_vSliders1);
        case Row::outputFaders:         return componentsOf (m_vSliders2);
        case Row::inputMeters:          return componentsOf (m_inputMeters);
        case Row::playbackMeters:       return componentsOf (m_playbackMeters);
        case Row::outputMeters:         return componentsOf (m_outputMeters);
    }

    return {};
}
// clang-format on

//==============================================================================
void MainComponent::resized()
{
    const auto width = getWidth();
    const auto tier = PanelLayout::tierForWidth (width);
    m_uiScale = PanelLayout::tierScale (tier);

    // On screen, one size follows another: every tier's pictures stay decoded until the sizes stop
    // coming, and the tier across a boundary that the width nears is decoded ahead on a worker.
    // A layout that crosses into the tier being decoded waits for it, which is still sooner.
    if (isShowing())
    {
        m_resizeUnderWay = true;
        startTimer (resizeSettledTimer, TimerIntervals::resizeSettle);
        m_tierPrefetch.fileDecoded (m_tierPrefetch.isUnderWay (tier));

        if (const auto beyond = PanelLayout::tierAcrossNearbyBoundary (width, tierPrefetchDistance))
            if (! PanelArtwork::isInImageCache (Picture::panelBackground, *beyond))
                m_tierPrefetch.start (*beyond);
    }

    // The background is decoded and rescaled when it is next painted; what no longer fits is let
    // go now. In a window not yet on screen (the start), a worker makes it in the meantime.
    if (tier != m_backgroundTier || m_background.getBounds() != getLocalBounds())
    {
        m_backgroundTier = tier;
        m_background = {};

        if (getParentComponent() != nullptr && ! isShowing())
            m_backgroundRescaler.prepare (tier, getLocalBounds());
    }

    // A panel in no window yet (its constructor's layout, at a size never shown) takes its
    // button pictures when it is next laid out in one, or painted.
    m_buttonPicturesPending = getParentComponent() == nullptr && ! isOnDesktop();

    if (! m_buttonPicturesPending)
        applyButtonPictures();

    const auto s = PanelLayout::layoutScale (width);
    m_comboLookAndFeel.scale = s;

    for (const auto& designRow : PanelLayout::designTable())
    {
        const auto components = componentsInRow (designRow.row);
        const auto bounds = PanelLayout::rowBounds (designRow.row, width);

        for (int i = 0; i < components.size() && i < (int)bounds.size(); ++i)
            components[i]->setBounds (bounds[(size_t)i]);
    }

    // Pictures of other tiers and the spares stay decoded in the cache for a while unless let go;
    // what is on screen holds its own reference and stays.
    if (! m_resizeUnderWay)
        juce::ImageCache::releaseUnusedImages();
}

void MainComponent::resizeSettled()
{
    stopTimer (resizeSettledTimer);
    m_resizeUnderWay = false;
    m_tierPrefetch.letGo();
    juce::ImageCache::releaseUnusedImages();
    PanelArtwork::releaseDecodingMemory();
}

void MainComponent::updateBackground()
{
    const auto size = getLocalBounds();

    if (size.isEmpty())
    {
        m_background = {};
        return;
    }

    // Rescaling with high quality is the costly part of a layout pass: only a new size or a new
    // tier does it.
    if (m_background.isValid() && m_background.getBounds() == size)
        return;

    m_background = m_backgroundRescaler.make (m_backgroundTier, size);

    // Outside a live resize no other size is coming for the tier picture.
    if (! m_resizeUnderWay)
        juce::ImageCache::releaseUnusedImages();
}

void MainComponent::applyButtonPictures()
{
    const auto scale = m_uiScale;
    const auto load = [tier = PanelLayout::tierForScale (scale)] (Picture picture)
    {
        return PanelArtwork::loadPicture (picture, tier);
    };

    using PanelArtwork::buttonFrame;

    setTwoFrameImages (componentsOf (m_monitorButtons), load (Picture::monitorButton), PanelArtwork::monitorFrame, scale);

    setTwoFrameImages ({&m_midiButton}, load (Picture::midiButton), buttonFrame, scale);
    load (Picture::ledSprite); // the lamps draw their own sprite

    setTwoFrameImages ({&m_muteAllButton}, load (Picture::routingButton), buttonFrame, scale);
    load (Picture::routingButtonAltA);
    load (Picture::routingButtonAltB);

    ArtworkFrames::setMonoStereoImages (m_mono12, m_stereo12, load (Picture::inputStripButton), scale);
    setTwoFrameImages ({&m_48V1, &m_48V2}, load (Picture::phantomButton), buttonFrame, scale);
    setTwoFrameImages ({&m_phase1, &m_phase2}, load (Picture::phaseButton), buttonFrame, scale);

    const auto mute = load (Picture::muteButton);
    setTwoFrameImages (componentsOf (m_muteInButtons), mute, buttonFrame, scale);
    setTwoFrameImages (componentsOf (m_muteOutButtons), mute, buttonFrame, scale);

    const auto solo = load (Picture::soloButton);
    setTwoFrameImages (componentsOf (m_soloInButtons), solo, buttonFrame, scale);
    setTwoFrameImages (componentsOf (m_soloOutButtons), solo, buttonFrame, scale);

    setTwoFrameImages (componentsOf (m_trgButtons), load (Picture::targetButton), buttonFrame, scale);
    setTwoFrameImages (componentsOf (m_ssButtons), load (Picture::snapshotButton), PanelArtwork::snapshotFrame, scale);
    setTwoFrameImages (componentsOf (m_sscButtons), load (Picture::snapshotEditButton), PanelArtwork::snapshotEditFrame, scale);
    setTwoFrameImages ({&m_settingsButton}, load (Picture::settingsButton), buttonFrame, scale);
}

//==============================================================================
void MainComponent::paint (juce::Graphics& g)
{
    if (m_buttonPicturesPending)
    {
        m_buttonPicturesPending = false;
        applyButtonPictures();
    }

    updateBackground();

    // Everything on screen is decoded by now; what it was decoded from and with is not needed
    // until the next resize or tier. A live resize gives it back once it settles.
    if (! m_resizeUnderWay)
        PanelArtwork::releaseDecodingMemory();

    if (m_background.isValid())
        g.drawImageAt (m_background, 0, 0);

    if (m_elementsDisabled)
    {
        const auto box = PanelLayout::noticeBox (getWidth(), getHeight());
        g.setColour (juce::Colours::black);
        g.fillRoundedRectangle (box, PanelLayout::noticeCornerSize);
        g.setColour (juce::Colours::whitesmoke);
        g.drawText ("Looking for Device", box, juce::Justification::centred, true);
    }
}

void MainComponent::buttonClicked (juce::Button* button)
{
    // A strip mute takes over from mute-all; the strip's own action sends what is needed.
    if (m_muteAllButton.getToggleState() && m_stripMuteButtons.contains (dynamic_cast<juce::ImageButton*> (button)))
        m_muteAllButton.setToggleState (false, juce::dontSendNotification);
}

void MainComponent::sliderValueChanged (juce::Slider*)
{
    // The mix no longer is the recalled snapshot.
    for (auto* recall : m_ssButtons)
        recall->setToggleState (false, juce::dontSendNotification);
}
