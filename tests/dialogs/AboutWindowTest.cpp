#include "dialogs/AboutWindow.h"
#include "support/MessageLoop.h"
#include "support/PanelFixture.h"

#include <optional>

TEST_F (PanelFixture, TheAboutBoxIsBuiltHiddenAtStartAroundItsPicture)
{
    ASSERT_NE (panel->m_aboutDialog, nullptr);
    ASSERT_NE (panel->m_aboutWindow, nullptr);

    auto& about = *panel->m_aboutWindow;
    EXPECT_EQ (panel->m_aboutDialog->getContentComponent(), &about);
    EXPECT_EQ (about.getWidth(), 514);
    EXPECT_EQ (about.getHeight(), 212);
    EXPECT_FALSE (panel->m_aboutDialog->isVisible());
    EXPECT_FALSE (panel->m_aboutDialog->isCurrentlyModal());
    EXPECT_EQ (panel->m_aboutDialog->getName(), "About Talvo z3 Control");
    EXPECT_EQ (about.versionText, "Talvo z3 Control v1.1.0");

    // The link area is there but shows no text.
    EXPECT_TRUE (about.linkHotspot->getButtonText().isEmpty());
    EXPECT_EQ (about.getComponentAt (60, 141), about.linkHotspot.get());
}

TEST (AboutWindow, TheOkAreaEndsTheDialogsModalStateWithZero)
{
    auto* content = new AboutWindow ("Talvo z3 Control v1.1.0");
    std::unique_ptr<juce::DialogWindow> dialog (AboutWindow::createDialog (content));

    // The area is exactly 41 x 23 at (109, 166).
    EXPECT_EQ (content->getComponentAt (109, 166), content->okHotspot.get());
    EXPECT_EQ (content->getComponentAt (149, 188), content->okHotspot.get());
    EXPECT_EQ (content->getComponentAt (108, 170), content);
    EXPECT_EQ (content->getComponentAt (150, 170), content);

    std::optional<int> result;
    dialog->enterModalState (false, juce::ModalCallbackFunction::create ([&result] (int r)
                                                                         { result = r; }));
    ASSERT_TRUE (dialog->isCurrentlyModal());

    // Any other button of the content does nothing.
    content->buttonClicked (content->linkHotspot.get());
    EXPECT_TRUE (dialog->isCurrentlyModal());

    content->okHotspot->triggerClick();
    pumpMessagesUntil ([&] { return result.has_value(); }, 500);

    EXPECT_EQ (result, std::optional<int> (0));
    EXPECT_FALSE (dialog->isCurrentlyModal());

    // Outside a dialog window the OK area does nothing; the content deleted first leaves the
    // dialog with nothing to delete twice.
    delete content;
    EXPECT_EQ (dialog->getContentComponent(), nullptr);

    AboutWindow loose ("x");
    loose.buttonClicked (loose.okHotspot.get());
}

TEST (AboutWindow, ThePictureIsDecodedWhenFirstPaintedAndThenDrawn)
{
    AboutWindow about ("Talvo z3 Control v1.1.0");
    EXPECT_TRUE (about.backgroundImage.isNull()) << "built, not yet painted";
    EXPECT_EQ (about.getLocalBounds(), juce::Rectangle<int> (514, 212));

    const auto snapshot = about.createComponentSnapshot (about.getLocalBounds());
    ASSERT_EQ (about.backgroundImage.getBounds(), about.getLocalBounds());

    // Away from the text and the outline the window shows the picture itself.
    for (const auto point : {juce::Point<int> (20, 20), juce::Point<int> (400, 100), juce::Point<int> (60, 200)})
        EXPECT_EQ (snapshot.getPixelAt (point.x, point.y), about.backgroundImage.getPixelAt (point.x, point.y));
}
