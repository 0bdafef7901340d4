#include "widgets/Talvoz6ComboBox.h"

#include "resources/OVKBIN.h"

TalvoComboBoxLookAndFeel::TalvoComboBoxLookAndFeel()
{
    setColour (juce::ComboBox::textColourId, juce::Colours::turquoise);
    setColour (juce::ComboBox::arrowColourId, juce::Colours::turquoise);
    setColour (juce::ComboBox::backgroundColourId, juce::Colour());
    setColour (juce::ComboBox::outlineColourId, juce::Colour());
    setColour (juce::ComboBox::buttonColourId, juce::Colour());
    setColour (juce::ComboBox::focusedOutlineColourId, juce::Colour());
}

TalvoComboBoxLookAndFeel::~TalvoComboBoxLookAndFeel() = default;

juce::Font TalvoComboBoxLookAndFeel::getCustomFont (juce::Rectangle<int> area)
{
    // A function-local static: its initialisation is thread-safe and runs once.
    static const juce::Typeface::Ptr typeface = juce::Typeface::createSystemTypefaceFor (
        OVKBIN::temp_binary_data_75, (size_t) OVKBIN::temp_binary_data_75Size);

    juce::Font font (typeface);
    font.setHeight (juce::jmax (8.0f, (float) area.getHeight() * 0.72f));
    return font;
}

void TalvoComboBoxLookAndFeel::drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area,
                                                  bool, bool, bool, bool isTicked, bool,
                                                  const juce::String& text, const juce::String&,
                                                  const juce::Drawable*, const juce::Colour*)
{
    const auto s = scale;
    g.setFont (getCustomFont (area));
    g.setColour (juce::Colours::turquoise.withAlpha ((juce::uint8) 0xcc));

    const auto margin = (int) (25.0f * s);
    g.drawText (text,
                juce::Rectangle<int> (area.getX() + margin, area.getY(),
                                      juce::jmax (0, area.getWidth() - 2 * margin), juce::jmax (0, area.getHeight())),
                juce::Justification::left, true);

    if (isTicked)
        g.fillEllipse (10.0f * s, (float) (area.getHeight() / 2) - 4.0f * s, 8.0f * s, 8.0f * s);
}

juce::Path TalvoComboBoxLookAndFeel::arrowPath (int buttonX, int boxHeight, float s)
{
    const auto cx = (float) buttonX - 16.0f * s;
    const auto y0 = (((float) boxHeight * 0.5f * s) - 4.0f) * 4.0f / 12.0f + 6.0f;

    juce::Path arrow;
    arrow.addTriangle (cx - 8.0f * s, y0, cx + 8.0f * s, y0, cx, y0 + 14.0f * s);
    return arrow;
}

void TalvoComboBoxLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool,
                                             int buttonX, int, int, int, juce::ComboBox& box)
{
    const auto cornerSize = box.findParentComponentOfClass<juce::ChoicePropertyComponent>() != nullptr ? 0.0f : 3.0f;
    const juce::Rectangle<float> bounds (0.0f, 0.0f, (float) width, (float) height);

    g.setColour (box.findColour (juce::ComboBox::backgroundColourId));
    g.fillRoundedRectangle (bounds, cornerSize);

    g.setColour (box.findColour (juce::ComboBox::outlineColourId));
    g.drawRoundedRectangle (bounds.reduced (0.5f, 0.5f), cornerSize, 1.0f);

    // A box with a single choice has nothing to choose: no arrow.
    if (box.getNumItems() < 2)
        return;

    g.setColour (box.findColour (juce::ComboBox::arrowColourId).withMultipliedAlpha (box.isEnabled() ? 0.6f : 0.1f));
    g.fillPath (arrowPath (buttonX, box.getHeight(), scale));
}

juce::Font TalvoComboBoxLookAndFeel::getComboBoxFont (juce::ComboBox& box)
{
    return getCustomFont (box.getLocalBounds());
}

void TalvoComboBoxLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    label.setBounds (0, 0, box.getWidth(), box.getHeight());
    label.setJustificationType (juce::Justification::centredLeft);
    label.setFont (getComboBoxFont (box));
}

juce::PopupMenu::Options TalvoComboBoxLookAndFeel::getOptionsForComboBoxPopupMenu (juce::ComboBox& box, juce::Label& label)
{
    return juce::PopupMenu::Options().withTargetComponent (&box)
                                     .withItemThatMustBeVisible (box.getSelectedId())
                                     .withMinimumWidth (box.getWidth())
                                     .withMaximumNumColumns (1)
                                     .withStandardItemHeight (label.getHeight());
}

void TalvoComboBoxLookAndFeel::drawImageButton (juce::Graphics& g, juce::Image* image,
                                                int imageX, int imageY, int imageW, int imageH,
                                                const juce::Colour&, float, juce::ImageButton& button)
{
    const juce::Rectangle<int> area (imageX, imageY, imageW, imageH);

    if (image != nullptr && image->isValid())
    {
        // Fill the area keeping proportions; the overflow is cut by the button's bounds.
        g.setOpacity (1.0f);
        g.drawImage (*image, area.toFloat(), juce::RectanglePlacement::centred | juce::RectanglePlacement::fillDestination);
    }

    g.setColour (juce::Colours::turquoise);
    g.drawFittedText (button.getButtonText(), area, juce::Justification::centred, 1);
}
