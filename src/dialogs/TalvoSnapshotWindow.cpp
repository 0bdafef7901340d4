#include "dialogs/TalvoSnapshotWindow.h"

#include "storage/SnapshotFile.h"

#include <cstdio>

const juce::String TalvoSnapshotWindow::allowed =
    " 1234567890abcdefghijklmnopqrstuvwxyz_-+.,:;ABCDEFGHIJKLMNOPQRSTUVWXYZ";

namespace
{
    constexpr int shortenedEndLength = 20;
    constexpr int shortestShortenedLength = 41;
    constexpr float outlineCornerSize = 5.0f;
    constexpr float outlineThickness = 1.0f;
}

TalvoSnapshotWindow::TalvoSnapshotWindow (int indexToUse, TalvoSnapShotParameter* recordToEdit, juce::Component* creator)
    : snapshotFilePath (recordToEdit != nullptr ? recordToEdit->LastFile.getFullPathName() : juce::String()),
      index (indexToUse),
      record (recordToEdit),
      parent (creator)
{
    jassert (record != nullptr);

    for (auto* child : std::initializer_list<juce::Component*> { &nameCaption, &nameField, &descriptionField, &fileCaption,
                                                                 &filePathLabel, &saveButton, &cancelButton })
        addAndMakeVisible (child);

    saveButton.setButtonText ("Save");
    cancelButton.setButtonText ("Cancel");
    cancelButton.addListener (this);

    fileCaption.setText ("File:", juce::dontSendNotification);
    adjustTextToFitLabel (snapshotFilePath, filePathLabel);

    nameCaption.setText ("Name:", juce::dontSendNotification);
    savedName = record->Name;
    nameField.setText (record->Name, juce::dontSendNotification);
    descriptionField.setText (record->Description, juce::dontSendNotification);

    descriptionField.setJustificationType (juce::Justification::topLeft);

    nameField.setEditable (true, false, false);
    descriptionField.setEditable (true, false, false);

    // Each editor is new when it opens, so its limits are set every time.
    nameField.onEditorShow = [this]
    {
        if (auto* editor = nameField.getCurrentTextEditor())
        {
            editor->setInputRestrictions (maxNameLength, allowed);
            editor->setMultiLine (false);
        }
    };

    descriptionField.onEditorShow = [this]
    {
        if (auto* editor = descriptionField.getCurrentTextEditor())
        {
            editor->setInputRestrictions (maxDescriptionLength, allowed);
            editor->setMultiLine (true, true);
        }
    };

    saveButton.onClick = [this] { save(); };
}

TalvoSnapshotWindow::~TalvoSnapshotWindow()
{
    cancelButton.removeListener (this);
    fileChooser = nullptr;
}

void TalvoSnapshotWindow::paint (juce::Graphics& g)
{
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));

    g.setColour (juce::Colours::turquoise);
    for (auto* field : { &nameField, &descriptionField })
        g.drawRoundedRectangle (field->getBounds().toFloat(), outlineCornerSize, outlineThickness);
}

void TalvoSnapshotWindow::resized()
{
    nameCaption.setBounds (10, 20, 50, 20);

    const auto x = nameCaption.getRight() + 10;
    nameField.setBounds (x, 20, getWidth() - x - 10, 20);

    saveButton.setBounds (nameField.getX(), 50, 100, 20);
    cancelButton.setBounds (nameField.getRight() - 100, 50, 100, 20);
}

void TalvoSnapshotWindow::buttonClicked (juce::Button* button)
{
    if (button != &cancelButton)
        return;

    nameField.setText (savedName, juce::dontSendNotification);
    endDialog();
}

juce::String TalvoSnapshotWindow::getCurrentName()
{
    auto name = nameField.getText();
    if (name.isEmpty())
        name = "Name" + juce::String (index);

    record->Name = name;
    return name;
}

void TalvoSnapshotWindow::adjustTextToFitLabel (juce::String text, juce::Label& label)
{
    const auto fits = juce::Font().getStringWidthFloat (text) <= static_cast<float> (label.getWidth());

    if (! fits && text.length() >= shortestShortenedLength)
        text = text.substring (0, shortenedEndLength) + "..." + text.substring (text.length() - shortenedEndLength);

    label.setText (text, juce::dontSendNotification);
}

GuardedFile::Written TalvoSnapshotWindow::saveToFile (juce::File& file)
{
    if (file.getFullPathName().isEmpty() || file.isDirectory())
        return { "no snapshot file to write" };

    snapshotFilePath = file.getFullPathName();
    adjustTextToFitLabel (snapshotFilePath, filePathLabel);

    record->Name = nameField.getText();
    record->Description = descriptionField.getText();
    record->LastFile = file;

    return SnapshotFile::write (file, *record);
}

void TalvoSnapshotWindow::save()
{
    // Text still in an open editor is what the user means to save.
    nameField.hideEditor (false);
    descriptionField.hideEditor (false);

    auto file = snapshotFilePath.isEmpty() ? juce::File() : juce::File (snapshotFilePath);

    if (const auto written = saveToFile (file); ! written)
    {
        std::fprintf (stderr, "Talvo z3 Control: the snapshot could not be saved: %s.\n", written.problem.toRawUTF8());
        filePathLabel.setText ("Not saved: " + written.problem, juce::dontSendNotification);
        filePathLabel.setTooltip (written.problem);
        return;
    }

    endDialog();
}

void TalvoSnapshotWindow::endDialog()
{
    if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
        dialog->exitModalState (snapshotDialogDoneResult);
}
