#pragma once

#include "panel/PanelLayout.h"

#include <juce_graphics/juce_graphics.h>

#include <initializer_list>
#include <vector>

/** The artwork's view of the panel's layout table: the design rectangles of the controls that sit
    in printed wells or on printed scales, looked up by row. The artwork prints its wells and
    scales from these, and the review tools outline them. The numbers live in PanelLayout only.
*/
namespace PanelDesign
{
using R = juce::Rectangle<int>;
using PanelLayout::Row;
using PanelLayout::scaled;

/** Every design rectangle of one row of the layout table, in order. */
inline const std::vector<R>& designRects (Row row)
{
    for (const auto& designRow : PanelLayout::designTable())
        if (designRow.row == row)
            return designRow.positions;

    jassertfalse; // every row has an entry in the table
    static const std::vector<R> none;
    return none;
}

/** One design rectangle of a row: the row's first unless an index is given. */
inline R designRect (Row row, int index = 0)
{
    return designRects (row).at ((size_t)index);
}

/** The design rectangles of several rows, one row after the other. */
inline std::vector<R> designRects (std::initializer_list<Row> rows)
{
    std::vector<R> list;

    for (auto row : rows)
        for (const auto& r : designRects (row))
            list.push_back (r);

    return list;
}

/** The rectangles of every row the artwork prints a well or scale for, for outlining. */
inline std::vector<R> all()
{
    return designRects ({Row::settingsButton, Row::updateButton, Row::muteAllButton, Row::outputFaders, Row::midiButton,
                         Row::inputTypeBoxes, Row::phantom1, Row::phantom2, Row::phase1, Row::phase2, Row::miniMixers,
                         Row::outputBalanceSliders, Row::midiLed1, Row::midiLed2, Row::muteOutButtons, Row::soloOutButtons,
                         Row::targetButtons, Row::inputPanSliders, Row::inputFaders, Row::muteInButtons, Row::inputMeters,
                         Row::playbackMeters, Row::outputMeters, Row::snapshotButtons, Row::snapshotEditButtons});
}
} // namespace PanelDesign
