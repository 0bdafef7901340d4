#include "DiscardingPorts.h"

#include "panel/MainComponent.h"

/** One meter reading as the main window draws it: the level changes, the meter asks for a repaint,
    and the panel is painted within the area that request made dirty, as the window's paint is.
    What is drawn there besides the meter is the cost of a reading beyond the meter itself.
*/
static void MeterReadingRepaint (benchmark::State& state)
{
    DiscardingPorts ports;
    MainComponent panel { ports };
    panel.setSize (471, 1292);
    panel.enableAllElements (true);

    juce::Image canvas (juce::Image::ARGB, panel.getWidth(), panel.getHeight(), true);
    {
        juce::Graphics g (canvas);
        panel.paintEntireComponent (g, false); // the background made, every control drawn once
    }

    auto& meter = panel.m_in1Meter;
    const auto dirty = meter.getBoundsInParent();

    for (auto _ : state)
    {
        panel.m_meterLevels[0] = (std::uint8_t) (panel.m_meterLevels[0] == 80 ? 40 : 80);
        meter.repaint();

        juce::Graphics g (canvas);
        g.reduceClipRegion (dirty);
        panel.paintEntireComponent (g, false);
    }
}
BENCHMARK (MeterReadingRepaint)->Unit (benchmark::kMicrosecond);
