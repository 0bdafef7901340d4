#include "dialogs/TalvoSnapshotWindow.h"
#include "support/MessageLoop.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace
{
    /** Replaces the label's text through its editor, as typing or a paste would. */
    juce::String typeInto (juce::Label& label, const juce::String& input)
    {
        label.showEditor();
        auto* editor = label.getCurrentTextEditor();
        editor->selectAll();
        editor->insertTextAtCaret (input);
        const auto prefix = editor->isMultiLine() ? "multi:" : "";
        label.hideEditor (false);
        return prefix + label.getText();
    }

    struct SnapshotDialog
    {
        SnapshotDialog() { window.setSize (300, 100); }

        TalvoSnapShotParameter record = []
        {
            TalvoSnapShotParameter r;
            r.Name = "Band";
            return r;
        }();
        TalvoSnapshotWindow window { 3, &record, nullptr };
    };
}

TEST (TalvoSnapshotWindow, EditorsTakeOnlyAllowedCharactersUpToTheirLimits)
{
    SnapshotDialog d;
    auto& w = d.window;
    EXPECT_EQ (typeInto (w.nameField, "a/b*c Mix 2_-+.,:;"), "abc Mix 2_-+.,:;");
    EXPECT_EQ (typeInto (w.nameField, "<Mix>\t\"9\"\n"), "Mix9");
    EXPECT_EQ (typeInto (w.nameField, "abcdefghijklmnopqrstuvwxy"), "abcdefghijklmnopqrst"); // a 25-character paste

    const auto words = juce::String::repeatedString ("word ", 50);
    EXPECT_EQ (typeInto (w.descriptionField, words + "/*"), "multi:" + words.substring (0, 200));
}

TEST (TalvoSnapshotWindow, CancelRestoresTheNameAndAnEmptyNameGetsTheSlotDefault)
{
    SnapshotDialog d;
    auto& w = d.window;
    juce::DialogWindow dialog ("t", juce::Colours::black, true, true);
    dialog.setContentNonOwned (&w, true);
    int result = -1;
    dialog.enterModalState (false, juce::ModalCallbackFunction::create ([&result] (int r) { result = r; }));

    typeInto (w.nameField, "New name");
    w.cancelButton.triggerClick();
    pumpMessagesUntil ([&] { return result != -1; }, 1000);
    dialog.clearContentComponent();

    EXPECT_EQ (result, snapshotDialogDoneResult);
    EXPECT_EQ (w.getCurrentName(), "Band");
    w.nameField.setText ({}, juce::dontSendNotification);
    EXPECT_EQ (w.getCurrentName(), "Name3");
    EXPECT_EQ (d.record.Name, "Name3");
}

TEST (TalvoSnapshotWindow, LongPathsAreShownAsTheirTwoEnds)
{
    SnapshotDialog d;
    const juce::String path60 = "/home/someone/.config/Talvoz3Panel/folder/Snapshot 1.Talvoz3";
    ASSERT_EQ (path60.length(), 60);
    d.window.adjustTextToFitLabel (path60, d.window.filePathLabel);
    EXPECT_EQ (d.window.filePathLabel.getText(), "/home/someone/.confi...r/Snapshot 1.Talvoz3");
    d.window.adjustTextToFitLabel (path60.substring (20), d.window.filePathLabel);
    EXPECT_EQ (d.window.filePathLabel.getText(), path60.substring (20));
}

TEST (TalvoSnapshotWindow, ASaveThatCannotWriteSaysWhyAndKeepsTheDialogOpen)
{
    const ScratchFolder scratch;
    ASSERT_TRUE ((scratch / "in-the-way").replaceWithText ("x"));
    SnapshotDialog d;
    d.record.LastFile = scratch / "in-the-way/Snapshot 3.Talvoz3";   // a file where the folder should be
    TalvoSnapshotWindow window { 3, &d.record, nullptr };
    window.setSize (300, 100);

    juce::DialogWindow dialog ("t", juce::Colours::black, true, true);
    dialog.setContentNonOwned (&window, true);
    int result = -1;
    dialog.enterModalState (false, juce::ModalCallbackFunction::create ([&result] (int r) { result = r; }));

    window.saveButton.triggerClick();
    EXPECT_TRUE (pumpMessagesUntil ([&] { return window.filePathLabel.getText().startsWith ("Not saved"); }))
        << window.filePathLabel.getText();
    EXPECT_EQ (result, -1);
    EXPECT_TRUE (dialog.isCurrentlyModal());

    window.cancelButton.triggerClick();
    EXPECT_TRUE (pumpMessagesUntil ([&] { return result != -1; }));
    dialog.clearContentComponent();
}
