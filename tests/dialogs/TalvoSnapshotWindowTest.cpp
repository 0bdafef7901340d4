#include "dialogs/TalvoSnapshotWindow.h"
#include "mixer/SnapshotFile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace
{
    /** Opens the label's editor, replaces its text as typing or a paste would, and closes it. */
    juce::String typeInto (juce::Label& label, const juce::String& input)
    {
        label.showEditor();
        auto* editor = label.getCurrentTextEditor();
        if (editor == nullptr)
            return "(no editor)";

        editor->selectAll();
        editor->insertTextAtCaret (input);
        const auto multiLine = editor->isMultiLine();
        label.hideEditor (false);
        return multiLine ? "multi:" + label.getText() : label.getText();
    }

    struct SnapshotDialog
    {
        explicit SnapshotDialog (const juce::File& file, int index = 2)
        {
            record.LastFile = file;
            record.Name = "Band";
            record.Description = SnapshotFile::defaultDescription;
            window = std::make_unique<TalvoSnapshotWindow> (index, &record, nullptr);
            window->setSize (300, 100);
        }

        TalvoSnapShotParameter record;
        std::unique_ptr<TalvoSnapshotWindow> window;
    };
}

TEST (TalvoSnapshotWindow, EditorsTakeOnlyAllowedCharactersUpToTheirLimits)
{
    ScratchFolder scratch;
    SnapshotDialog d (scratch / "s.Talvoz3");
    auto& w = *d.window;

    EXPECT_EQ (w.nameField.getText(), "Band");
    EXPECT_EQ (typeInto (w.nameField, "a/b*c"), "abc");
    EXPECT_EQ (typeInto (w.nameField, "Mix 2_-+.,:;"), "Mix 2_-+.,:;");
    EXPECT_EQ (typeInto (w.nameField, "<Mix>\t\"9\"\n"), "Mix9");
    EXPECT_EQ (typeInto (w.nameField, "abcdefghijklmnopqrstuvwxy"), "abcdefghijklmnopqrst");   // a 25-character paste
    EXPECT_EQ (typeInto (w.nameField, "ab/cdefghijklmnopqrstu*vwxy"), "abcdefghijklmnopqrst"); // cut after dropping

    const auto longText = juce::String::repeatedString ("word ", 50);
    EXPECT_EQ (typeInto (w.descriptionField, longText + "/*"), "multi:" + longText.substring (0, 200));
    EXPECT_EQ (typeInto (w.descriptionField, "Two mics; one DAW."), "multi:Two mics; one DAW.");
}

TEST (TalvoSnapshotWindow, CancelRestoresTheNameAndAnEmptyNameGetsTheSlotDefault)
{
    ScratchFolder scratch;
    SnapshotDialog d (scratch / "s.Talvoz3", 3);
    auto& w = *d.window;

    // Ends the modal state of the dialog window around it with 123.
    juce::DialogWindow dialog ("t", juce::Colours::black, true, true);
    dialog.setContentNonOwned (&w, true);
    int result = -1;
    dialog.enterModalState (false, juce::ModalCallbackFunction::create ([&result] (int r) { result = r; }));

    typeInto (w.nameField, "New name");
    w.cancelButton.triggerClick();
    for (int i = 0; i < 200 && result == -1; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

    EXPECT_EQ (result, snapshotDialogDoneResult);
    EXPECT_EQ (w.nameField.getText(), "Band");
    EXPECT_EQ (w.getCurrentName(), "Band");
    dialog.clearContentComponent();

    w.nameField.setText ({}, juce::dontSendNotification);
    EXPECT_EQ (w.getCurrentName(), "Name3");
    EXPECT_EQ (d.record.Name, "Name3");
}

TEST (TalvoSnapshotWindow, LongPathsAreShownAsTheirTwoEnds)
{
    ScratchFolder scratch;
    SnapshotDialog d (scratch / "s.Talvoz3");
    auto& w = *d.window;

    const juce::String sixty = "/Users/someone/Library/Talvoz3Panel/aaaaaaaaa/Snapshot 1.Talvoz3";
    const auto path60 = sixty.substring (sixty.length() - 60);
    ASSERT_EQ (path60.length(), 60);
    w.adjustTextToFitLabel (path60, w.filePathLabel);
    EXPECT_EQ (w.filePathLabel.getText(), path60.substring (0, 20) + "..." + path60.substring (40));
    EXPECT_EQ (w.filePathLabel.getText().length(), 43);

    const auto path40 = path60.substring (20);
    w.adjustTextToFitLabel (path40, w.filePathLabel);
    EXPECT_EQ (w.filePathLabel.getText(), path40);

    // Shown whole wherever it fits.
    juce::Label wide;
    wide.setSize (2000, 20);
    w.adjustTextToFitLabel (path60, wide);
    EXPECT_EQ (wide.getText(), path60);
}

TEST (TalvoSnapshotWindow, SaveCreatesTheFileWithWhatWasTyped)
{
    ScratchFolder scratch;
    const auto file = (scratch / "not yet").getChildFile ("Snapshot 3.Talvoz3");
    SnapshotDialog d (file);
    auto& w = *d.window;
    d.record.vol[2][3] = -12.5;

    typeInto (w.nameField, "Vocals");
    typeInto (w.descriptionField, "Mic on In 2");
    w.saveButton.triggerClick();
    for (int i = 0; i < 200 && ! file.existsAsFile(); ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

    TalvoSnapShotParameter back;
    ASSERT_TRUE (SnapshotFile::load (file, back));
    EXPECT_EQ (back.Name, "Vocals");
    EXPECT_EQ (back.Description, "Mic on In 2");
    EXPECT_EQ (back.vol[2][3], -12.5);
    EXPECT_EQ (SnapshotFile::readProperties (file)->size(), SnapshotFile::numKeys);
    EXPECT_EQ (d.record.LastFile, file);

    // A path that is a folder, or none at all: nothing is written.
    auto folder = scratch.folder;
    w.saveToFile (folder);
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles), 0);
    juce::File none;
    w.saveToFile (none);
}
