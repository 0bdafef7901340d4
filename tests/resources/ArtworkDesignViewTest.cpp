#include "../../tools/artwork/PanelDesign.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using PanelLayout::Row;

// The artwork prints its wells and scales from the panel's own layout table, looked up by row: a
// row missing from the table, or listed twice, would print a well where no control lands.
TEST (ArtworkDesignView, FindsEveryRowOnceAndLandsWhereThePanelPutsTheControl)
{
    const auto& table = PanelLayout::designTable();

    for (int i = 0; i <= (int)Row::outputMeters; ++i)
    {
        const auto row = (Row)i;
        EXPECT_EQ (std::count_if (table.begin(), table.end(), [row] (const auto& r)
                                  { return r.row == row; }),
                   1)
            << "row " << i;

        if (row == Row::updateButton)
            continue; // its x is formed from its right-hand anchor, not scaled on its own

        for (int width : {496, 372, 271, 248})
        {
            std::vector<juce::Rectangle<int>> printed;

            for (const auto& r : PanelDesign::designRects (row))
                printed.push_back (PanelDesign::scaled (r, PanelLayout::layoutScale (width)));

            EXPECT_EQ (printed, PanelLayout::rowBounds (row, width)) << "row " << i << " width " << width;
        }
    }

    EXPECT_EQ (PanelDesign::designRect (Row::playbackMeters, 1), juce::Rectangle<int> (320, 268, 8, 380));
    EXPECT_THROW (PanelDesign::designRect (Row::outputFaders, 1), std::out_of_range);

    const auto outlined = PanelDesign::all();
    const juce::Rectangle<int> canvas (0, 0, PanelLayout::designWidth, PanelLayout::designHeight);
    EXPECT_EQ (outlined.size(), 46u);
    EXPECT_TRUE (std::all_of (outlined.begin(), outlined.end(), [&] (const auto& r)
                              { return canvas.contains (r); }));
}
