#pragma once

#include <juce_graphics/juce_graphics.h>

/** Where the panel lays out the controls that sit in printed wells or on printed scales, on the
    496 x 1360 design canvas, and how a design rectangle lands on a panel of scale s. The artwork
    prints its wells and scales from these, and the review tools outline them.
*/
namespace PanelDesign
{
    using R = juce::Rectangle<int>;

    inline const R settingsButton { 444, 4, 48, 48 };
    inline const R updateButton { 274, 12, 150, 32 };
    inline const R inputTypeBoxes[] { { 8, 148, 108, 33 }, { 132, 148, 108, 33 } };
    inline const R phantomButtons[] { { 4, 184, 48, 48 }, { 130, 184, 48, 48 } };
    inline const R phaseButtons[] { { 72, 184, 48, 48 }, { 196, 184, 48, 48 } };
    inline const R inputPans[] { { 4, 232, 116, 32 }, { 128, 232, 116, 32 }, { 252, 232, 116, 32 } };
    inline const R inputFaders[] { { 8, 264, 40, 392 }, { 132, 264, 40, 392 }, { 256, 264, 40, 392 } };
    inline const R inputMeters[] { { 72, 268, 8, 380 }, { 196, 268, 8, 380 }, { 308, 268, 8, 380 }, { 320, 268, 8, 380 } };
    inline const R inputMutes[] { { 4, 656, 48, 48 }, { 128, 656, 48, 48 }, { 252, 656, 48, 48 } };
    inline const R muteAllButton { 100, 716, 48, 48 };
    inline const R targetButtons[] { { 320, 716, 48, 48 }, { 444, 716, 48, 48 } };
    inline const R miniMixers[] { { 268, 784, 94, 94 }, { 388, 784, 94, 94 } };
    inline const R snapshotButtons[] { { 12, 868, 180, 36 }, { 12, 916, 180, 36 }, { 12, 964, 180, 36 }, { 12, 1012, 180, 36 } };
    inline const R snapshotEditButtons[] { { 196, 868, 40, 36 }, { 196, 916, 40, 36 }, { 196, 964, 40, 36 }, { 196, 1012, 40, 36 } };
    inline const R outputPans[] { { 252, 884, 116, 32 }, { 376, 884, 116, 32 } };
    inline const R outputFader { 256, 916, 40, 392 };
    inline const R outputMeters[] { { 308, 920, 8, 380 }, { 320, 920, 8, 380 } };
    inline const R midiLeds[] { { 40, 1300, 24, 24 }, { 112, 1300, 24, 24 } };
    inline const R midiButton { 172, 1288, 48, 48 };
    inline const R outputMutes[] { { 252, 1308, 48, 48 }, { 376, 1308, 48, 48 } };
    inline const R outputSolos[] { { 320, 1308, 48, 48 }, { 444, 1308, 48, 48 } };

    /** Every rectangle above, for outlining. */
    inline juce::Array<R> all()
    {
        juce::Array<R> list { settingsButton, updateButton, muteAllButton, outputFader, midiButton };

        for (auto* group : { &inputTypeBoxes, &phantomButtons, &phaseButtons, &miniMixers, &outputPans, &midiLeds,
                             &outputMutes, &outputSolos, &targetButtons })
            list.addArray (*group, 2);

        for (auto* group : { &inputPans, &inputFaders, &inputMutes })
            list.addArray (*group, 3);

        list.addArray (inputMeters, 4);
        list.addArray (outputMeters, 2);
        list.addArray (snapshotButtons, 4);
        list.addArray (snapshotEditButtons, 4);
        return list;
    }

    /** A design rectangle on a panel of scale s: each product truncated on its own. */
    inline R scaled (R r, float s)
    {
        return { (int) ((float) r.getX() * s), (int) ((float) r.getY() * s),
                 (int) ((float) r.getWidth() * s), (int) ((float) r.getHeight() * s) };
    }
}
