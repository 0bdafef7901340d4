#pragma once

#include "mixer/TalvoSnapShotParameter.h"
#include "storage/GuardedFile.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The modal result of the snapshot dialog, for Save and Cancel alike. */
constexpr int snapshotDialogDoneResult = 123;

/** The small dialog in which the user names a snapshot slot and saves it to the slot's file.

    It edits the caller's record, which must outlive it; Save writes the record with the name and
    description typed here (and the mixer state captured by the caller) to the record's file.
    Message thread only. The action broadcaster sends nothing; it is there for the panel to listen.
*/
class TalvoSnapshotWindow final : public juce::Component,
                                  public juce::Button::Listener,
                                  public juce::ActionBroadcaster
{
public:
    /** index is the slot number + 1 (1..4); record and parent are not owned. */
    TalvoSnapshotWindow (int index, TalvoSnapShotParameter* record, juce::Component* parent);
    ~TalvoSnapshotWindow() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** Cancel: puts the name back as it was at construction and ends the dialog. */
    void buttonClicked (juce::Button*) override;

    /** The name field's text, or "Name" + index when it is empty; stored into the record too. */
    juce::String getCurrentName();

    /** Shows text in the label, cut to its first and last 20 characters around "..." when it is
        wider than the label (measured in the default font) and 41 characters or longer.
    */
    void adjustTextToFitLabel (juce::String text, juce::Label& label);

    /** Writes the record, with the typed name and description, to the file (SnapshotFile::write:
        created when missing, in a folder the panel may write). An empty path or a directory is
        left alone. Says why when nothing was written.
    */
    GuardedFile::Written saveToFile (juce::File& file);

    /** The characters the name and description editors accept. */
    static const juce::String allowed;

    static constexpr int maxNameLength = 20;
    static constexpr int maxDescriptionLength = 200;

    juce::String savedName;
    juce::Label nameCaption, nameField, descriptionField, fileCaption, filePathLabel;
    juce::TextButton saveButton, cancelButton;
    juce::String snapshotFilePath;
    int index = 0;
    std::unique_ptr<juce::FileChooser> fileChooser;
    TalvoSnapShotParameter* record = nullptr;
    juce::Component* parent = nullptr;

private:
    /** Save: writes the file and ends the dialog; a failed write is said on standard error and in
        the dialog, which stays open (Cancel ends it).
    */
    void save();
    void endDialog();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TalvoSnapshotWindow)
};
