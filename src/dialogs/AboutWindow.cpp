#include "dialogs/AboutWindow.h"

#include "dialogs/MakerWebAddress.h"
#include "resources/PngPictureSize.h"
#include "resources/OVKBIN.h"

namespace
{
const juce::Rectangle<int> okArea{109, 166, 41, 23};
const juce::Rectangle<int> linkArea{59, 140, 138, 20};
constexpr int versionTextWidth = 200;
constexpr int versionTextHeight = 20;

const struct
{
    const char* data;
    std::size_t size;
} aboutPicture{OVKBIN::temp_binary_data_77, (std::size_t) OVKBIN::temp_binary_data_77Size};

/** The dialog that the framework's launch options build, but kept off the screen until it is
    shown: on Linux, switching a window that is already on the desktop to the native title bar
    puts it on screen, visible or not.
*/
class HiddenDialogWindow final : public juce::DialogWindow
{
public:
    explicit HiddenDialogWindow (juce::DialogWindow::LaunchOptions& options)
        : DialogWindow (options.dialogTitle, options.dialogBackgroundColour,
                        options.escapeKeyTriggersCloseButton, false)
    {
        setUsingNativeTitleBar (options.useNativeTitleBar);
        setContentOwned (options.content.release(), true);
        centreAroundComponent (options.componentToCentreAround, getWidth(), getHeight());
        setResizable (options.resizable, options.useBottomRightCornerResizer);
    }

    void visibilityChanged() override
    {
        if (isVisible() && ! isOnDesktop())
            addToDesktop();

        DialogWindow::visibilityChanged();
    }

    void closeButtonPressed() override { setVisible (false); }
};

juce::Image blankImage (int width, int height)
{
    return juce::Image (juce::Image::ARGB, width, height, true);
}
} // namespace

AboutWindow::AboutWindow (const juce::String& text)
    : okHotspot (std::make_unique<juce::ImageButton>())
    // The address is given at construction: the framework's URL assignment copies an empty block
    // from a null pointer, which the undefined-behaviour sanitizer rejects.
    , linkHotspot (std::make_unique<juce::HyperlinkButton> (juce::String(), juce::URL (makerWebAddress)))
{
    versionText = text;
    setSize (0, 0);

    // The box is built at start but seldom shown: it takes the picture's size from the file's
    // header now and decodes the picture when it is first painted.
    if (const auto size = pngPictureSize (aboutPicture.data, aboutPicture.size))
        setSize (size->width, size->height);

    const auto normal = blankImage (okArea.getWidth(), okArea.getHeight());
    const auto overAndDown = blankImage (okArea.getWidth(), okArea.getHeight());
    okHotspot->setImages (true, true, true,
                          normal, 1.0f, juce::Colours::transparentWhite,
                          overAndDown, 1.0f, juce::Colours::transparentWhite,
                          overAndDown, 1.0f, juce::Colours::transparentBlack);
    okHotspot->setSize (normal.getWidth(), normal.getHeight());
    okHotspot->setTopLeftPosition (okArea.getPosition());
    okHotspot->addListener (this);
    addAndMakeVisible (okHotspot.get());

    linkHotspot->setBounds (linkArea);
    addAndMakeVisible (linkHotspot.get());
}

AboutWindow::~AboutWindow()
{
    okHotspot->removeListener (this);
    okHotspot = nullptr;
    linkHotspot = nullptr;
}

void AboutWindow::paint (juce::Graphics& g)
{
    g.setColour (juce::Colours::grey);
    g.drawRect (getLocalBounds().toFloat(), 1.0f);

    if (backgroundImage.isNull() && ! getLocalBounds().isEmpty())
        backgroundImage = juce::ImageCache::getFromMemory (aboutPicture.data, (int) aboutPicture.size);

    if (backgroundImage.isValid())
        g.drawImageAt (backgroundImage, 0, 0);

    g.drawFittedText (versionText, versionPosition.x, versionPosition.y, versionTextWidth, versionTextHeight,
                      juce::Justification::left, 1, 0.0f);
}

void AboutWindow::buttonClicked (juce::Button* button)
{
    if (button != okHotspot.get())
        return;

    if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
        dialog->exitModalState (0);
}

juce::DialogWindow* AboutWindow::createDialog (AboutWindow* content)
{
    juce::DialogWindow::LaunchOptions options;
    options.dialogTitle = "About " JUCE_APPLICATION_NAME_STRING;
    options.content.setOwned (content);
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = true;
    options.resizable = false;

    const auto width = content->getWidth(), height = content->getHeight();
    auto* dialog = new HiddenDialogWindow (options);

    // The native title bar's frame differs from the dialog's own: fit the window around the
    // content again so that the content keeps the picture's size.
    dialog->setContentComponentSize (width, height);
    return dialog;
}
