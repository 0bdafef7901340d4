#include "ArtworkPainters.h"
#include "PanelDesign.h"

#include "widgets/KnobTravel.h"

#include <functional>

namespace ArtworkPainters
{
namespace
{
juce::Typeface::Ptr typeface;

// Where the generator reports print that could not be set at a legible size.
std::function<void (const juce::String&)> misfitReporter;

const juce::Colour panelTop      { 0xff242b2f };
const juce::Colour panelBottom   { 0xff15191b };
const juce::Colour sectionFill   { 0xff1b2124 };
const juce::Colour sectionEdge   { 0xff313a3f };
const juce::Colour wellFill      { 0xff0c0f10 };
const juce::Colour printGrey     { 0xff8c9a9e };
const juce::Colour dimGrey       { 0xff6a777c };
const juce::Colour keyTop        { 0xff3b4348 };
const juce::Colour keyBottom     { 0xff22282b };
const juce::Colour red           { 0xffff4b3a };
const juce::Colour yellow        { 0xffffd23f };

constexpr auto designWidth = (float) PanelLayout::designWidth;

// Picture pixels: print set smaller than this blurs into a smudge on the small panels.
constexpr float smallestPrint = 9.0f;
constexpr float smallestHeader = 10.0f;

juce::Font font (float height)
{
    juce::Font f = typeface != nullptr ? juce::Font (typeface) : juce::Font (height);
    return f.withHeight (height);
}

/** How many picture pixels one design unit covers where g is drawing now. */
float pixelsPerUnit (juce::Graphics& g)
{
    return juce::jmax (0.01f, g.getInternalContext().getPhysicalPixelScaleFactor());
}

/** A text height in design units that is at least minimumPixels tall on the picture. */
float legibleHeight (juce::Graphics& g, float designHeight, float minimumPixels = smallestPrint)
{
    return juce::jmax (designHeight, minimumPixels / pixelsPerUnit (g));
}

/** Prints the first wording that fits the area at a legible size. A wording may stack several
    lines ("FROM\nCOMPUTER"); the lines are centred as a block within the area.
*/
void print (juce::Graphics& g, std::initializer_list<const char*> wordings, juce::Rectangle<float> area, float height,
            juce::Colour colour, juce::Justification just = juce::Justification::centred, float kerning = 0.0f,
            float minimumPixels = smallestPrint)
{
    const auto f = font (legibleHeight (g, height, minimumPixels)).withExtraKerningFactor (kerning);
    juce::StringArray lines;
    bool fits = false;

    for (auto* wording : wordings)
    {
        lines = juce::StringArray::fromLines (wording);
        fits = (float) lines.size() * f.getHeight() <= area.getHeight() + f.getHeight() * 0.25f;

        for (auto& line : lines)
            fits = fits && f.getStringWidthFloat (line) <= area.getWidth();

        if (fits)
            break;
    }

    if (! fits && misfitReporter != nullptr)
        misfitReporter (lines.joinIntoString (" / ") + " at " + juce::String (f.getHeight() * pixelsPerUnit (g), 1) + " px");

    g.setColour (colour);
    g.setFont (f);
    const auto lineHeight = f.getHeight();
    auto y = area.getCentreY() - lineHeight * (float) lines.size() * 0.5f;

    for (auto& line : lines)
    {
        // Drawn whole even where a line overhangs its area, so nothing is ever cut off.
        const bool left = just.testFlags (juce::Justification::left);
        const juce::Rectangle<float> row (left ? area.getX() : area.getX() - 40.0f, y, area.getWidth() + (left ? 40.0f : 80.0f), lineHeight);
        g.drawText (line, row, left ? juce::Justification::centredLeft : juce::Justification::centred, false);
        y += lineHeight;
    }
}

void print (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area, float height, juce::Colour colour,
            juce::Justification just = juce::Justification::centred, float kerning = 0.0f)
{
    print (g, { text.toRawUTF8() }, area, height, colour, just, kerning);
}

void section (juce::Graphics& g, juce::Rectangle<float> r)
{
    g.setColour (sectionFill);
    g.fillRoundedRectangle (r, 6.0f);
    g.setColour (sectionEdge);
    g.drawRoundedRectangle (r.reduced (0.5f), 6.0f, 1.0f);
    g.setColour (juce::Colours::black.withAlpha (0.35f));
    g.drawHorizontalLine ((int) r.getBottom(), r.getX() + 6.0f, r.getRight() - 6.0f);
}

//==============================================================================
// The tier being drawn: printed frames snap to the whole pixels where the panel puts its controls.
float tier = 1.0f;

juce::Rectangle<float> onPanel (juce::Rectangle<int> design)
{
    const auto r = PanelLayout::scaled (design, tier);
    return { (float) r.getX() / tier, (float) r.getY() / tier, (float) r.getWidth() / tier, (float) r.getHeight() / tier };
}

// A recessed socket behind a button, so an off button still reads as part of the hardware.
void well (juce::Graphics& g, juce::Rectangle<int> design)
{
    const auto r = onPanel (design);
    g.setColour (wellFill);
    g.fillRoundedRectangle (r.expanded (1.5f), 8.0f);
    g.setColour (juce::Colours::white.withAlpha (0.06f));
    g.drawRoundedRectangle (r.expanded (2.0f), 8.0f, 1.0f);
}

void header (juce::Graphics& g, const char* text, juce::Rectangle<float> area, juce::Colour colour)
{
    print (g, { text }, area, 13.0f, colour, juce::Justification::centred, 0.08f, smallestHeader);
}

//==============================================================================
// The dB scale beside a fader: every mark sits where the knob's centre really lands at this tier.
float faderMarkY (juce::Rectangle<int> fader, float dB)
{
    const auto r = PanelLayout::scaled (fader, tier);
    const auto centre = KnobTravel::verticalKnobCentre (r.getWidth(), r.getHeight(), tier, faderKnobHeight, (dB + 90.0f) / 90.0f);
    return ((float) r.getY() + centre) / tier;
}

void faderTrack (juce::Graphics& g, juce::Rectangle<int> fader)
{
    const auto centreX = onPanel (fader).getCentreX();
    const auto top = faderMarkY (fader, 0.0f);
    const auto bottom = faderMarkY (fader, -90.0f);

    g.setColour (wellFill);
    g.fillRoundedRectangle (centreX - 4.0f, top - 6.0f, 8.0f, bottom - top + 12.0f, 4.0f);
    g.setColour (juce::Colours::white.withAlpha (0.08f));
    g.drawRoundedRectangle (centreX - 4.5f, top - 6.5f, 9.0f, bottom - top + 13.0f, 4.5f, 1.0f);
    g.setColour (juce::Colours::black);
    g.fillRect (centreX - 1.0f, top - 2.0f, 2.0f, bottom - top + 4.0f);
}

void faderScale (juce::Graphics& g, juce::Rectangle<int> fader, float tickX, float numberX, float numberWidth)
{
    // The knob stands still over the last few dB at either end, so the marks there bunch up:
    // a half-way tick is left out where it would crowd its numbered neighbour.
    const auto regularStep = faderMarkY (fader, -45.0f) - faderMarkY (fader, -40.0f);

    for (int dB = 0; dB >= -90; dB -= 5)
    {
        const auto y = faderMarkY (fader, (float) dB);
        const bool major = dB % 10 == 0;

        if (! major && juce::jmin (y - faderMarkY (fader, (float) dB + 5.0f), faderMarkY (fader, (float) dB - 5.0f) - y) < regularStep * 0.6f)
            continue;

        const auto ink = dB == 0 ? orange : (major ? printGrey : dimGrey);
        g.setColour (ink);
        // Two picture pixels on whole rows either side of the knob's centre line, so they stay crisp.
        g.fillRect (tickX, y - 1.0f / tier, major ? 7.0f : 4.0f, 2.0f / tier);

        // The face's dotted zero reads as an eight at this size; the plain capital O reads as zero.
        if (major)
            print (g, { juce::String (dB).replaceCharacter ('0', 'O').toRawUTF8() }, { numberX, y - 8.0f, numberWidth, 16.0f }, 10.0f, ink,
                   juce::Justification::centredLeft);
    }
}

void meterBezel (juce::Graphics& g, juce::Rectangle<int> left, juce::Rectangle<int> right)
{
    const auto meter = onPanel (left).getUnion (onPanel (right));
    g.setColour (wellFill);
    g.fillRoundedRectangle (meter.expanded (3.0f), 3.0f);
    g.setColour (juce::Colours::white.withAlpha (0.07f));
    g.drawRoundedRectangle (meter.expanded (3.5f), 3.5f, 1.0f);
}

void panTrack (juce::Graphics& g, juce::Rectangle<int> pan)
{
    // The track runs between the knob's centres at the two ends of its travel at this tier.
    const auto r = PanelLayout::scaled (pan, tier);
    auto centreAt = [&] (double proportion)
    { return ((float) r.getX() + KnobTravel::horizontalKnobCentre (r.getWidth(), r.getHeight(), tier, panKnobSize, proportion)) / tier; };

    const auto left = centreAt (0.0), right = centreAt (1.0);
    const auto y = ((float) r.getY() + (float) KnobTravel::scaledKnobSize (panKnobSize, tier) * 0.5f) / tier;
    g.setColour (wellFill);
    g.fillRoundedRectangle (left - 3.0f, y - 3.0f, right - left + 6.0f, 6.0f, 3.0f);
    g.setColour (juce::Colours::black);
    g.fillRect (left, y - 1.0f, right - left, 2.0f);

    for (int i = 0; i <= 10; ++i)
    {
        if (tier < 0.6f && i % 5 != 0)
            continue; // too close together to tell apart on the small panel

        const auto x = left + (right - left) * (float) i / 10.0f;
        g.setColour (i == 5 ? orange : dimGrey);
        g.fillRect (x - 0.5f / tier, y - (i % 5 == 0 ? 10.0f : 7.0f), 1.0f / tier, i % 5 == 0 ? 4.0f : 2.0f);
    }

    const auto design = onPanel (pan);
    print (g, "L", { design.getX(), y - 17.0f, 12.0f, 14.0f }, 8.5f, dimGrey);
    print (g, "R", { design.getRight() - 12.0f, y - 17.0f, 12.0f, 14.0f }, 8.5f, dimGrey);
}

void brand (juce::Graphics& g, juce::Rectangle<float> area, float height)
{
    const auto f = font (height).withExtraKerningFactor (0.12f);
    const auto w1 = f.getStringWidthFloat ("TALVO");
    const auto f2 = font (height * 0.9f);
    const auto w2 = f2.getStringWidthFloat (" z3");
    const auto x = area.getCentreX() - (w1 + w2) * 0.5f;

    g.setColour (turquoise);
    g.setFont (f);
    g.drawText ("TALVO", juce::Rectangle<float> (x, area.getY(), w1 + 2.0f, area.getHeight()), juce::Justification::centredLeft, false);
    g.setColour (orange);
    g.setFont (f2);
    g.drawText (" z3", juce::Rectangle<float> (x + w1, area.getY(), w2 + 2.0f, area.getHeight()), juce::Justification::centredLeft, false);
}

juce::Path gearPath (juce::Point<float> c, float outer, float inner, int teeth)
{
    juce::Path p;

    for (int i = 0; i < teeth * 4; ++i)
    {
        const auto angle = juce::MathConstants<float>::twoPi * (float) i / (float) (teeth * 4);
        const auto r = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
        const juce::Point<float> pt (c.x + r * std::sin (angle), c.y - r * std::cos (angle));

        if (i == 0)
            p.startNewSubPath (pt);
        else
            p.lineTo (pt);
    }

    p.closeSubPath();
    p.addEllipse (c.x - inner * 0.42f, c.y - inner * 0.42f, inner * 0.84f, inner * 0.84f);
    p.setUsingNonZeroWinding (false);
    return p;
}

void glyph (juce::Graphics& g, Glyph which, juce::Rectangle<float> r, juce::Colour c)
{
    const auto centre = r.getCentre();
    g.setColour (c);

    switch (which)
    {
        case Glyph::midi:
        {
            g.drawEllipse (juce::Rectangle<float> (22.0f, 22.0f).withCentre (centre), 2.0f);

            for (int i = 0; i < 5; ++i)
            {
                const auto angle = juce::MathConstants<float>::pi * (0.5f + (float) i * 0.25f) + juce::MathConstants<float>::pi * 0.5f;
                const juce::Point<float> pin (centre.x + 6.5f * std::cos (angle), centre.y + 6.5f * std::sin (angle));
                g.fillEllipse (juce::Rectangle<float> (3.2f, 3.2f).withCentre (pin));
            }

            g.fillRect (juce::Rectangle<float> (4.0f, 2.5f).withCentre ({ centre.x, centre.y + 9.0f }));
            break;
        }
        case Glyph::muteAll:
        case Glyph::muteAllAltA:
        case Glyph::muteAllAltB:
        {
            // A loudspeaker struck through above its mark; the spares differ only in the mark. On
            // the small pictures the mark keeps a legible size and the loudspeaker gives way.
            const juce::String mark = which == Glyph::muteAll ? "ALL" : (which == Glyph::muteAllAltA ? "A" : "B");
            const auto markFont = font (legibleHeight (g, 9.0f)).withExtraKerningFactor (-0.04f);
            const auto markArea = r.reduced (2.0f, 3.0f).removeFromBottom (markFont.getHeight());
            const auto speakerArea = r.reduced (4.0f, 3.0f).withBottom (markArea.getY()).withSizeKeepingCentre (24.0f, juce::jmin (20.0f, markArea.getY() - r.getY() - 3.0f));

            juce::Path speaker;
            speaker.startNewSubPath (0.0f, 6.0f);
            speaker.lineTo (5.0f, 6.0f);
            speaker.lineTo (12.0f, 0.0f);
            speaker.lineTo (12.0f, 20.0f);
            speaker.lineTo (5.0f, 14.0f);
            speaker.lineTo (0.0f, 14.0f);
            speaker.closeSubPath();
            speaker.addLineSegment ({ 15.0f, 5.0f, 22.0f, 15.0f }, 2.0f);
            speaker.addLineSegment ({ 22.0f, 5.0f, 15.0f, 15.0f }, 2.0f);
            speaker.setUsingNonZeroWinding (true);
            g.fillPath (speaker, speaker.getTransformToScaleToFit (speakerArea, true));
            g.setFont (markFont);
            g.drawText (mark, markArea.expanded (8.0f, 0.0f), juce::Justification::centred, false);
            break;
        }
        case Glyph::phantom:
            g.setFont (font (legibleHeight (g, 14.0f, 10.0f)).withExtraKerningFactor (-0.04f));
            g.drawText ("48V", r.expanded (4.0f, 0.0f), juce::Justification::centred, false);
            break;
        case Glyph::phase:
            g.drawEllipse (juce::Rectangle<float> (16.0f, 16.0f).withCentre (centre), 2.2f);
            g.drawLine (centre.x - 9.0f, centre.y + 11.0f, centre.x + 9.0f, centre.y - 11.0f, 2.2f);
            break;
        case Glyph::mute:
            g.setFont (font (20.0f));
            g.drawText ("M", r, juce::Justification::centred, false);
            break;
        case Glyph::solo:
            g.setFont (font (20.0f));
            g.drawText ("S", r, juce::Justification::centred, false);
            break;
        case Glyph::target:
            g.drawEllipse (juce::Rectangle<float> (20.0f, 20.0f).withCentre (centre), 2.0f);
            g.fillEllipse (juce::Rectangle<float> (7.0f, 7.0f).withCentre (centre));
            g.drawLine (centre.x, centre.y - 14.0f, centre.x, centre.y - 7.0f, 2.0f);
            g.drawLine (centre.x, centre.y + 7.0f, centre.x, centre.y + 14.0f, 2.0f);
            g.drawLine (centre.x - 14.0f, centre.y, centre.x - 7.0f, centre.y, 2.0f);
            g.drawLine (centre.x + 7.0f, centre.y, centre.x + 14.0f, centre.y, 2.0f);
            break;
        case Glyph::settings:
            g.fillPath (gearPath (centre, 12.0f, 8.5f, 8));
            break;
    }
}

juce::Colour accentFor (Glyph which)
{
    switch (which)
    {
        case Glyph::mute:
        case Glyph::muteAll:
        case Glyph::muteAllAltA:
        case Glyph::muteAllAltB: return orange;
        case Glyph::solo:        return yellow;
        case Glyph::phantom:     return red;
        case Glyph::midi:
        case Glyph::phase:
        case Glyph::target:
        case Glyph::settings:    break;
    }

    return turquoise;
}

// The key cap shared by every button: a dark rounded cap, lit by its accent when on.
juce::Rectangle<float> keyCap (juce::Graphics& g, juce::Rectangle<float> body, bool on, juce::Colour accent, float corner = 6.0f)
{
    if (on)
        body = body.translated (0.0f, 1.0f);

    g.setColour (juce::Colours::black.withAlpha (0.55f));
    g.fillRoundedRectangle (body.translated (0.0f, on ? 1.0f : 2.0f), corner);

    juce::ColourGradient fill (on ? keyTop.interpolatedWith (accent, 0.18f) : keyTop, body.getX(), body.getY(),
                               on ? keyBottom.interpolatedWith (accent, 0.12f) : keyBottom, body.getX(), body.getBottom(), false);
    g.setGradientFill (fill);
    g.fillRoundedRectangle (body, corner);

    if (on)
    {
        g.setColour (accent.withAlpha (0.35f));
        g.drawRoundedRectangle (body.expanded (1.0f), corner + 1.0f, 2.0f);
        g.setColour (accent);
        g.drawRoundedRectangle (body.reduced (0.75f), corner, 1.5f);
    }
    else
    {
        g.setColour (juce::Colours::white.withAlpha (0.12f));
        g.drawLine (body.getX() + corner, body.getY() + 0.75f, body.getRight() - corner, body.getY() + 0.75f, 1.0f);
        g.setColour (juce::Colours::black);
        g.drawRoundedRectangle (body.reduced (0.5f), corner, 1.0f);
    }

    return body;
}

juce::Colour glyphColour (bool on, juce::Colour accent)
{
    return on ? accent.brighter (0.25f) : printGrey;
}
} // namespace

//==============================================================================
void setTypeface (juce::Typeface::Ptr face)
{
    typeface = face;
}

void setMisfitReporter (std::function<void (const juce::String&)> report)
{
    misfitReporter = std::move (report);
}

void paintSquareButton (juce::Graphics& g, juce::Rectangle<float> frame, Glyph which, bool on)
{
    const auto accent = accentFor (which);
    const auto body = keyCap (g, frame.reduced (4.0f), on, accent);
    glyph (g, which, body, glyphColour (on, accent));
}

void paintMonitorButton (juce::Graphics& g, juce::Rectangle<float> frame, bool on)
{
    const auto body = keyCap (g, frame.reduced (3.0f), on, turquoise, 5.0f);
    g.setColour (glyphColour (on, turquoise));
    g.setFont (font (legibleHeight (g, 12.0f)));
    g.drawText ("MON", body.expanded (4.0f, 0.0f), juce::Justification::centred, false);
}

void paintMonoStereoButton (juce::Graphics& g, juce::Rectangle<float> frame, bool stereo, bool on)
{
    const auto body = keyCap (g, frame.reduced (4.0f), on, turquoise);
    const auto c = glyphColour (on, turquoise);
    g.setColour (c);

    // The word keeps a legible size; the rings above it shrink into what is left.
    const auto wordFont = font (legibleHeight (g, 8.0f)).withExtraKerningFactor (-0.04f);
    const auto wordArea = body.reduced (1.0f, 3.0f).removeFromBottom (wordFont.getHeight());
    const auto ring = juce::jmin (14.0f, wordArea.getY() - body.getY() - 4.0f);
    const auto ringCentre = juce::Point<float> (body.getCentreX(), (body.getY() + wordArea.getY()) * 0.5f);

    if (stereo)
    {
        g.drawEllipse (juce::Rectangle<float> (ring, ring).withCentre (ringCentre.translated (-ring * 0.3f, 0.0f)), 2.0f);
        g.drawEllipse (juce::Rectangle<float> (ring, ring).withCentre (ringCentre.translated (ring * 0.3f, 0.0f)), 2.0f);
    }
    else
    {
        g.drawEllipse (juce::Rectangle<float> (ring, ring).withCentre (ringCentre), 2.0f);
    }

    g.setFont (wordFont);
    g.drawText (stereo ? "ST" : "MONO", wordArea.expanded (6.0f, 0.0f), juce::Justification::centred, false);
}

void paintSnapshotButton (juce::Graphics& g, juce::Rectangle<float> frame, bool on)
{
    const auto body = keyCap (g, frame.reduced (2.0f, 3.0f), on, orange, 5.0f);

    // A slot lamp at the left; the button's own text (turquoise) is drawn over the middle.
    const auto lamp = juce::Rectangle<float> (6.0f, 6.0f).withCentre ({ body.getX() + 10.0f, body.getCentreY() });
    g.setColour (on ? orange : wellFill);
    g.fillEllipse (lamp);

    if (on)
    {
        g.setColour (orange.withAlpha (0.3f));
        g.fillEllipse (lamp.expanded (3.0f));
    }
}

void paintSnapshotEditButton (juce::Graphics& g, juce::Rectangle<float> frame, bool on)
{
    const auto body = keyCap (g, frame.reduced (2.0f, 3.0f), on, turquoise, 5.0f);
    const auto c = body.getCentre();

    // A pencil.
    juce::Path pencil;
    pencil.startNewSubPath (c.x - 8.0f, c.y + 8.0f);
    pencil.lineTo (c.x - 6.0f, c.y + 2.0f);
    pencil.lineTo (c.x + 4.0f, c.y - 8.0f);
    pencil.lineTo (c.x + 8.0f, c.y - 4.0f);
    pencil.lineTo (c.x - 2.0f, c.y + 6.0f);
    pencil.closeSubPath();
    g.setColour (glyphColour (on, turquoise));
    g.fillPath (pencil);
}

void paintLed (juce::Graphics& g, juce::Rectangle<float> frame, int lamp)
{
    const auto lens = frame.reduced (4.0f);
    g.setColour (wellFill);
    g.fillEllipse (frame.reduced (2.0f));

    const juce::Colour colours[] = { juce::Colour (0xff1c2a26), juce::Colour (0xff35e05a), red };
    const auto c = colours[juce::jlimit (0, 2, lamp)];

    if (lamp > 0)
    {
        g.setColour (c.withAlpha (0.35f));
        g.fillEllipse (frame.reduced (1.0f));
    }

    juce::ColourGradient fill (c.brighter (lamp > 0 ? 0.6f : 0.1f), lens.getCentreX() - 2.0f, lens.getCentreY() - 3.0f,
                               c.darker (lamp > 0 ? 0.3f : 0.6f), lens.getCentreX(), lens.getBottom(), true);
    g.setGradientFill (fill);
    g.fillEllipse (lens);
    g.setColour (juce::Colours::black.withAlpha (0.8f));
    g.drawEllipse (lens, 1.0f);
    g.setColour (juce::Colours::white.withAlpha (lamp > 0 ? 0.7f : 0.2f));
    g.fillEllipse (lens.getCentreX() - 4.0f, lens.getY() + 2.5f, 4.0f, 3.0f);
}

void paintFaderKnob (juce::Graphics& g, juce::Colour index)
{
    // The cap is centred on the 40 px wide fader column (the bitmap's right 4 px stay clear, the
    // fader clips them) and on the bitmap's vertical middle, where the fader position is.
    const juce::Rectangle<float> cap (4.0f, 16.0f, 32.0f, 48.0f);

    g.setColour (juce::Colours::black.withAlpha (0.5f));
    g.fillRoundedRectangle (cap.translated (1.5f, 3.0f), 4.0f);

    juce::ColourGradient body (juce::Colour (0xff5a646a), cap.getX(), cap.getY(), juce::Colour (0xff1f2427), cap.getX(), cap.getBottom(), false);
    body.addColour (0.48, juce::Colour (0xff363d41));
    body.addColour (0.52, juce::Colour (0xff2a3034));
    g.setGradientFill (body);
    g.fillRoundedRectangle (cap, 4.0f);

    g.setColour (juce::Colours::black.withAlpha (0.45f));

    for (int i = 0; i < 4; ++i)
    {
        g.fillRect (cap.getX() + 5.0f, cap.getY() + 6.0f + (float) i * 3.0f, cap.getWidth() - 10.0f, 1.0f);
        g.fillRect (cap.getX() + 5.0f, cap.getBottom() - 7.0f - (float) i * 3.0f, cap.getWidth() - 10.0f, 1.0f);
    }

    g.setColour (juce::Colours::black);
    g.drawRoundedRectangle (cap.reduced (0.5f), 4.0f, 1.0f);
    g.setColour (index);
    g.fillRect (cap.getX() + 2.0f, 39.0f, cap.getWidth() - 4.0f, 2.0f);
    g.setColour (index.withAlpha (0.3f));
    g.fillRect (cap.getX() + 1.0f, 38.0f, cap.getWidth() - 2.0f, 4.0f);
}

void paintPanKnob (juce::Graphics& g)
{
    const juce::Rectangle<float> knob (4.0f, 4.0f, 24.0f, 24.0f);
    g.setColour (juce::Colours::black.withAlpha (0.5f));
    g.fillEllipse (knob.translated (1.0f, 2.0f));
    juce::ColourGradient body (juce::Colour (0xff5f696f), knob.getCentreX(), knob.getY(), juce::Colour (0xff1d2225), knob.getCentreX(), knob.getBottom(), false);
    g.setGradientFill (body);
    g.fillEllipse (knob);
    g.setColour (juce::Colours::black);
    g.drawEllipse (knob.reduced (0.5f), 1.0f);
    g.setColour (turquoise);
    g.fillRoundedRectangle (15.0f, 5.0f, 2.0f, 10.0f, 1.0f);
}

void paintMeterStrip (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff101414));

    for (int half = 0; half < 2; ++half)
    {
        for (int y = 0; y < 380; y += 4)
        {
            const auto position = 1.0f - (float) y / 380.0f;
            auto c = position > 0.8f ? juce::Colours::red.interpolatedWith (juce::Colours::yellow, (1.0f - position) * 5.0f)
                                     : juce::Colours::yellow.interpolatedWith (juce::Colours::green, (0.8f - position) / 0.8f);

            if (half == 1)
                c = c.withMultipliedBrightness (0.25f);

            g.setColour (c);
            g.fillRect (1, half * 380 + y + 1, 6, 3);
        }
    }
}

//==============================================================================
void paintPanelFace (juce::Graphics& g, float tierScale)
{
    using namespace PanelDesign;
    tier = tierScale;
    const bool small = tierScale < 0.6f;

    g.setGradientFill (juce::ColourGradient (panelTop, 0.0f, 0.0f, panelBottom, 0.0f, 1360.0f, false));
    g.fillRect (0.0f, 0.0f, designWidth, 1360.0f);

    // Top bar: maker, model and the settings key. The words stay clear of the update button's place.
    g.setColour (juce::Colours::black.withAlpha (0.35f));
    g.fillRect (0.0f, 0.0f, designWidth, 58.0f);
    g.setColour (sectionEdge);
    g.drawHorizontalLine (58, 0.0f, designWidth);
    brand (g, { 12.0f, 8.0f, 150.0f, 40.0f }, 26.0f);
    print (g, { "USB AUDIO INTERFACE", "USB AUDIO", "" }, { 166.0f, 14.0f, 104.0f, 28.0f }, 9.0f, printGrey,
           juce::Justification::centredLeft, 0.05f);
    well (g, designRect (Row::settingsButton));

    // Input section: three strips, In 1, In 2 and the playback pair.
    const char* stripNames[] = { "IN 1", "IN 2", "DAW 1/2" };

    for (int strip = 0; strip < 3; ++strip)
    {
        const auto x = (float) strip * 124.0f;
        section (g, { x + 2.0f, 66.0f, 120.0f, 644.0f });
        header (g, stripNames[strip], { x + 2.0f, 70.0f, 120.0f, 30.0f }, turquoise);
        g.setColour (turquoise.withAlpha (0.5f));
        g.fillRect (x + 40.0f, 100.0f, 44.0f, 1.5f);

        if (strip < 2)
        {
            // The input-type box draws only its text and arrow: print its field here.
            const auto box = onPanel (designRect (Row::inputTypeBoxes, strip));
            g.setColour (wellFill);
            g.fillRoundedRectangle (box, 4.0f);
            g.setColour (turquoise.withAlpha (0.35f));
            g.drawRoundedRectangle (box.reduced (0.5f), 4.0f, 1.0f);
            print (g, { "INPUT" }, { x + 8.0f, 106.0f, 108.0f, 40.0f }, 10.0f, dimGrey, juce::Justification::centred, 0.1f);

            well (g, designRect (strip == 0 ? Row::phantom1 : Row::phantom2));
            well (g, designRect (strip == 0 ? Row::phase1 : Row::phase2));
        }
        else
        {
            print (g, { "PLAYBACK" }, { x + 8.0f, 140.0f, 108.0f, 40.0f }, 11.0f, dimGrey, juce::Justification::centred, 0.1f);
            print (g, { "FROM COMPUTER", "FROM\nCOMPUTER" }, { x + 8.0f, 180.0f, 108.0f, 48.0f }, 9.0f, dimGrey,
                   juce::Justification::centred, 0.05f);
        }

        panTrack (g, designRect (Row::inputPanSliders, strip));
        const auto fader = designRect (Row::inputFaders, strip);
        faderTrack (g, fader);
        faderScale (g, fader, strip < 2 ? x + 50.0f : 298.0f, x + (strip < 2 ? 86.0f : 84.0f), strip < 2 ? 34.0f : 36.0f);
        well (g, designRect (Row::muteInButtons, strip));
        print (g, { strip < 2 ? "PAN" : "BAL" }, { x + 56.0f, 656.0f, 60.0f, 48.0f }, 10.0f, dimGrey, juce::Justification::centred, 0.1f);
    }

    for (const auto& meter : designRects (Row::inputMeters))
        meterBezel (g, meter, meter);
    meterBezel (g, designRect (Row::playbackMeters, 0), designRect (Row::playbackMeters, 1));

    // The free column beside the input strips: a key to the buttons and the meters. The small
    // pictures draw the keys larger, so that the glyphs and words in them stay legible.
    {
        section (g, { 374.0f, 66.0f, 120.0f, 644.0f });
        header (g, "KEY", { 374.0f, 70.0f, 120.0f, 30.0f }, turquoise);
        g.setColour (turquoise.withAlpha (0.5f));
        g.fillRect (412.0f, 100.0f, 44.0f, 1.5f);

        const std::pair<Glyph, const char*> keys[] = { { Glyph::phantom, "48 V" }, { Glyph::phase, "PHASE" }, { Glyph::mute, "MUTE" },
                                                       { Glyph::solo, "SOLO" }, { Glyph::target, "SEND TO" }, { Glyph::muteAll, "ALL OFF" },
                                                       { Glyph::midi, "MIDI" } };
        const auto keyScale = small ? 0.85f : 0.7f;
        const auto legendX = 380.0f + 48.0f * keyScale + 2.0f;
        auto y = 112.0f;

        for (auto& [which, text] : keys)
        {
            {
                juce::Graphics::ScopedSaveState state (g);
                g.addTransform (juce::AffineTransform::scale (keyScale).translated (380.0f, y));
                paintSquareButton (g, { 0.0f, 0.0f, 48.0f, 48.0f }, which, false);
            }

            print (g, { text }, { legendX, y, 492.0f - legendX, 48.0f * keyScale }, 10.0f, printGrey, juce::Justification::centredLeft, 0.04f);
            y += 44.0f;
        }

        // Meter colours: where the bar turns yellow and red.
        print (g, { "METERS" }, { 374.0f, y + 2.0f, 120.0f, 24.0f }, 10.0f, turquoise, juce::Justification::centred, 0.1f);
        const juce::Rectangle<float> bar (386.0f, y + 34.0f, 8.0f, 180.0f);
        juce::ColourGradient meterColours (juce::Colours::green, 0.0f, bar.getBottom(), juce::Colours::red, 0.0f, bar.getY(), false);
        meterColours.addColour (0.8, juce::Colours::yellow);
        g.setGradientFill (meterColours);
        g.fillRect (bar);
        g.setColour (juce::Colours::black);
        g.drawRect (bar, 1.0f);
        print (g, { "FULL SCALE", "FULL" }, { 398.0f, bar.getY() - 8.0f, 94.0f, 16.0f }, 9.0f, printGrey, juce::Justification::centredLeft);
        print (g, { "HOT" }, { 398.0f, bar.getY() + bar.getHeight() * 0.2f - 8.0f, 94.0f, 16.0f }, 9.0f, printGrey, juce::Justification::centredLeft);
        print (g, { "SIGNAL" }, { 398.0f, bar.getBottom() - 20.0f, 94.0f, 16.0f }, 9.0f, printGrey, juce::Justification::centredLeft);
    }

    // Middle band: mute-all on the left, the two output selectors on the right.
    section (g, { 2.0f, 714.0f, 244.0f, 52.0f });
    print (g, { "MUTE ALL", "MUTE\nALL" }, { 8.0f, 714.0f, 90.0f, 52.0f }, 11.0f, printGrey, juce::Justification::centred, 0.08f);
    well (g, designRect (Row::muteAllButton));
    print (g, { "INPUTS" }, { 150.0f, 714.0f, 94.0f, 52.0f }, 9.0f, dimGrey, juce::Justification::centred, 0.08f);

    const char* outputNames[] = { "OUT 1/2", "HP 1" };

    for (int strip = 0; strip < 2; ++strip)
    {
        const auto x = 248.0f + (float) strip * 124.0f;
        section (g, { x + 2.0f, 714.0f, 120.0f, 642.0f });
        print (g, { outputNames[strip] }, { x + 4.0f, 716.0f, 68.0f, 24.0f }, 13.0f, orange, juce::Justification::centred, 0.0f);
        print (g, { "SEND TO", "SEND" }, { x + 4.0f, 740.0f, 68.0f, 22.0f }, 8.5f, dimGrey, juce::Justification::centred, 0.0f);
        well (g, designRect (Row::targetButtons, strip));

        // Screen behind the routing overview.
        const auto screen = onPanel (designRect (Row::miniMixers, strip)).expanded (4.0f);
        g.setColour (juce::Colour (0xff0d1213));
        g.fillRoundedRectangle (screen, 5.0f);
        g.setColour (turquoise.withAlpha (0.25f));
        g.drawRoundedRectangle (screen.reduced (0.5f), 5.0f, 1.0f);

        panTrack (g, designRect (Row::outputBalanceSliders, strip));
        well (g, designRect (Row::muteOutButtons, strip));
        well (g, designRect (Row::soloOutButtons, strip));
    }

    const auto outputFader = designRect (Row::outputFaders);
    faderTrack (g, outputFader);
    faderScale (g, outputFader, 298.0f, 334.0f, 34.0f);
    meterBezel (g, designRect (Row::outputMeters, 0), designRect (Row::outputMeters, 1));

    // The headphone strip has no fader: a printed headphone instead.
    {
        const juce::Point<float> c (434.0f, 1090.0f);
        juce::Path band;
        band.addCentredArc (c.x, c.y, 34.0f, 34.0f, 0.0f, -juce::MathConstants<float>::halfPi * 1.15f,
                            juce::MathConstants<float>::halfPi * 1.15f, true);
        g.setColour (turquoise.withAlpha (0.35f));
        g.strokePath (band, juce::PathStrokeType (5.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
        g.fillRoundedRectangle (c.x - 40.0f, c.y - 4.0f, 14.0f, 30.0f, 5.0f);
        g.fillRoundedRectangle (c.x + 26.0f, c.y - 4.0f, 14.0f, 30.0f, 5.0f);
        print (g, { "LEVEL SET\nON THE UNIT", "LEVEL\nON UNIT" }, { 378.0f, 1144.0f, 112.0f, 44.0f }, 9.0f, dimGrey,
               juce::Justification::centred, 0.04f);
    }

    // Snapshots.
    section (g, { 2.0f, 776.0f, 244.0f, 284.0f });
    header (g, "SNAPSHOTS", { 12.0f, 782.0f, 224.0f, 28.0f }, turquoise);
    g.setColour (turquoise.withAlpha (0.5f));
    g.fillRect (92.0f, 810.0f, 64.0f, 1.5f);
    print (g, { "CLICK A SLOT TO RECALL IT\nPENCIL: NAME AND SAVE", "CLICK: RECALL\nPENCIL: SAVE" }, { 8.0f, 814.0f, 232.0f, 48.0f },
           8.5f, dimGrey, juce::Justification::centred, 0.02f);

    for (int slot = 0; slot < 4; ++slot)
    {
        const auto r = onPanel (designRect (Row::snapshotButtons, slot)).getUnion (onPanel (designRect (Row::snapshotEditButtons, slot)));
        g.setColour (wellFill);
        g.fillRoundedRectangle (r.expanded (2.0f, 1.0f), 6.0f);
        g.setColour (juce::Colours::white.withAlpha (0.05f));
        g.drawRoundedRectangle (r.expanded (2.0f, 1.5f), 6.0f, 1.0f);
    }

    // MIDI.
    section (g, { 2.0f, 1260.0f, 244.0f, 96.0f });
    header (g, "MIDI", { 8.0f, 1262.0f, 64.0f, 24.0f }, turquoise);
    print (g, { "IN" }, { 24.0f, 1326.0f, 56.0f, 24.0f }, 9.5f, printGrey);
    print (g, { "OUT" }, { 96.0f, 1326.0f, 56.0f, 24.0f }, 9.5f, printGrey);
    well (g, designRect (Row::midiLed1));
    well (g, designRect (Row::midiLed2));
    well (g, designRect (Row::midiButton));

    // Spare plate between snapshots and MIDI.
    section (g, { 2.0f, 1066.0f, 244.0f, 188.0f });
    brand (g, { 12.0f, 1120.0f, 224.0f, 56.0f }, 34.0f);
    print (g, { "DESKTOP CONTROL" }, { 12.0f, 1176.0f, 224.0f, 22.0f }, 10.0f, dimGrey, juce::Justification::centred, 0.15f);

    tier = 1.0f;
}

void paintInitialBackground (juce::Graphics& g)
{
    g.setGradientFill (juce::ColourGradient (panelTop, 0.0f, 0.0f, panelBottom, 0.0f, 1360.0f, false));
    g.fillAll();
    brand (g, { 0.0f, 560.0f, 744.0f, 80.0f }, 56.0f);
    print (g, "USB AUDIO INTERFACE", { 0.0f, 640.0f, 744.0f, 30.0f }, 16.0f, printGrey, juce::Justification::centred, 0.15f);
}

void paintAbout (juce::Graphics& g)
{
    g.setGradientFill (juce::ColourGradient (panelTop, 0.0f, 0.0f, panelBottom, 0.0f, 212.0f, false));
    g.fillAll();
    g.setColour (sectionEdge);
    g.drawRect (0, 0, 514, 212, 1);

    brand (g, { 24.0f, 20.0f, 200.0f, 60.0f }, 40.0f);
    print (g, "USB AUDIO INTERFACE", { 24.0f, 78.0f, 200.0f, 18.0f }, 11.0f, printGrey, juce::Justification::centred, 0.1f);
    print (g, "Desktop control panel", { 260.0f, 34.0f, 230.0f, 20.0f }, 13.0f, turquoise, juce::Justification::centredLeft);
    print (g, "Mixer, routing, snapshots", { 260.0f, 58.0f, 230.0f, 18.0f }, 11.0f, printGrey, juce::Justification::centredLeft);
    print (g, "and firmware updates.", { 260.0f, 76.0f, 230.0f, 18.0f }, 11.0f, printGrey, juce::Justification::centredLeft);

    // The printed web address and OK key that the about box's invisible hot spots cover.
    print (g, "www.talvo.example", { 59.0f, 140.0f, 138.0f, 20.0f }, 11.0f, turquoise, juce::Justification::centred);
    g.setColour (turquoise.withAlpha (0.5f));
    g.fillRect (66.0f, 157.0f, 124.0f, 1.0f);
    keyCap (g, { 109.0f, 166.0f, 41.0f, 23.0f }, false, turquoise, 4.0f);
    print (g, "OK", { 109.0f, 166.0f, 41.0f, 23.0f }, 12.0f, turquoise);
    print (g, "VERSION", { 275.0f, 166.0f, 200.0f, 18.0f }, 9.0f, dimGrey, juce::Justification::centredLeft, 0.1f);
}

void paintSpriteSheet (juce::Graphics& g, int variant)
{
    g.fillAll (juce::Colour (0xff15191b));

    // A grid of key caps, lamps and knobs, as a spare sheet for future controls.
    for (int row = 0; row < 9; ++row)
    {
        for (int column = 0; column < 9; ++column)
        {
            const juce::Rectangle<float> cell (2.0f + (float) column * 58.0f, 14.0f + (float) row * 45.0f, 58.0f, 40.0f);
            const bool on = ((row + column + variant) % 2) == 1;

            switch ((row * 9 + column + variant) % 4)
            {
                case 0:  keyCap (g, cell.reduced (3.0f), on, turquoise, 5.0f); break;
                case 1:  keyCap (g, cell.reduced (3.0f), on, orange, 5.0f); break;
                case 2:  paintLed (g, juce::Rectangle<float> (24.0f, 24.0f).withCentre (cell.getCentre()), (row + column) % 3); break;
                default: paintLed (g, juce::Rectangle<float> (18.0f, 18.0f).withCentre (cell.getCentre()), on ? 1 : 0); break;
            }
        }
    }

    print (g, variant == 1 ? "SPARE SPRITES A" : "SPARE SPRITES B", { 0.0f, 422.0f, 524.0f, 18.0f }, 10.0f, dimGrey);
}
} // namespace ArtworkPainters
