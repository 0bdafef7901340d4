#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

/** The per-user settings as the panel reads and writes them: a property set in memory, filled from
    the settings file once at start and written back whole 3000 ms after the last change, when
    asked, and when the store is destroyed, as the framework's properties file does.

    Reading and writing go through our own checked reader and writer (StoredProperties): the
    framework's properties file parses the file with its XML parser, and at every save parses each
    value too, to store one that looks like XML as markup; neither parser is made for what a
    damaged file or a typed name may hold.

    Message thread: the delayed save runs on a juce::Timer.
*/
class SettingsStore final : public juce::PropertySet,
                            private juce::Timer
{
public:
    /** The session's store of the settings file: the start-up check (SettingsFile::
        checkBeforeLoading; its message goes to standard error, once), then the properties read.
        A file that could not be read nor moved aside leaves the store empty with saving off, so
        the panel runs on its defaults.
    */
    static std::unique_ptr<SettingsStore> openUserSettings();

    /** An empty store for the file. With saving off (a file that could not be read nor moved
        aside), nothing is ever written in this session.
    */
    SettingsStore (juce::File file, int millisecondsBeforeSaving, bool savingAllowed);

    /** Saves what has changed since the last save. */
    ~SettingsStore() override;

    /** Takes the properties read from the file; they count as saved. */
    void load (const juce::StringPairArray& stored);

    /** Writes the file when something changed since the last save; true when nothing needed it. */
    bool saveIfNeeded();

    /** Writes the file now. False when saving is off or the write failed (the changes stay in
        memory, and the next save tries again); getSaveProblem() then says why.

        A failed write is said through onSaveFailure once, not at every later try (the periodic
        saves run every 2 s): it is said again only after a save has succeeded in between.
        Saving off is said at start instead (openUserSettings).
    */
    bool save();

    /** Why the last save wrote nothing: "which file: why"; empty after a save that succeeded. */
    const juce::String& getSaveProblem() const noexcept { return saveProblem; }

    /** Tells the user of a failed save; by default one line on standard error. Message thread. */
    std::function<void (const juce::String&)> onSaveFailure;

    /** A stored double or bool read as PropertiesDocument::numberOf and flagOf read it. These
        hide the framework's own, whose number reading overflows (undefined behaviour) on a long
        run of digits that a damaged or hand-edited file may hold.
    */
    double getDoubleValue (juce::StringRef keyName, double defaultValue = 0.0) const;
    bool getBoolValue (juce::StringRef keyName, bool defaultValue = false) const;

    bool needsToBeSaved() const noexcept  { return needsWriting; }
    bool isSavingAllowed() const noexcept { return savingAllowed; }
    const juce::File& getFile() const noexcept { return file; }

private:
    void propertyChanged() override;
    void timerCallback() override;

    const juce::File file;
    const int millisecondsBeforeSaving;
    const bool savingAllowed;
    bool needsWriting = false;
    juce::String saveProblem;
    bool failureSaid = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsStore)
};
