#include "DecayPlot.h"

#include "OctaveBandFilter.h"
#include "draw/Font.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace
{
constexpr CColor kBackground{255, 255, 255, 255};
constexpr CColor kInk{30, 30, 30, 255};
constexpr CColor kMutedInk{100, 100, 100, 255};
constexpr CColor kGrid{225, 225, 225, 255};
// One colour per octave band in kOctaveCentres order, then broadband.
constexpr std::array<CColor, 8> kBandColours = {{{31, 119, 180, 255},
                                                  {255, 127, 14, 255},
                                                  {44, 160, 44, 255},
                                                  {214, 39, 40, 255},
                                                  {148, 103, 189, 255},
                                                  {140, 86, 75, 255},
                                                  {227, 119, 194, 255},
                                                  {0, 0, 0, 255}}};
constexpr const char* kBandLabels[] = {"125", "250", "500", "1k", "2k", "4k", "8k", "All"};

// Where the three panels' plotting areas sit.
constexpr CRect kDecayArea{80, 95, 760, 425};
constexpr CRect kBarArea{850, 95, 1170, 425};
constexpr CRect kSpectrogramArea{80, 490, 80 + kSpectrogramColumns, 490 + kSpectrogramRows};
constexpr CRect kColourScale{1110, 490, 1130, 490 + kSpectrogramRows};
constexpr double kDecayFloorDecibels = -100.0;
constexpr double kColourFloorDecibels = -90.0;

const TextStyle kTitleStyle{20.0f, true};
const TextStyle kHeadingStyle{14.0f, true};
const TextStyle kLabelStyle{12.0f, false};

std::string number(double value)
{
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

// A step of 1, 2 or 5 times a power of ten giving at most `ticks` steps.
double tickStep(double span, int ticks)
{
    const double raw = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= raw)
            return factor * power;
    return 10.0 * power;
}

void drawText(PixelBuffer& image, float x, float baseline, const std::string& text, const TextStyle& style,
              CColor colour)
{
    text::draw(image, image.bounds(), x, baseline, text, style, colour);
}

void drawTextRight(PixelBuffer& image, float right, float baseline, const std::string& text, const TextStyle& style)
{
    drawText(image, right - text::measure(text, style), baseline, text, style, kInk);
}

void drawTextCentred(PixelBuffer& image, float centre, float baseline, const std::string& text,
                     const TextStyle& style)
{
    drawText(image, centre - text::measure(text, style) / 2.0f, baseline, text, style, kInk);
}

float mapX(const CRect& area, double value, double span)
{
    return static_cast<float>(area.left + value / span * area.width());
}

float mapY(const CRect& area, double value, double top, double bottom)
{
    return static_cast<float>(area.top + (top - value) / (top - bottom) * area.height());
}

// The time axis under an area, with vertical grid lines when asked.
void drawTimeAxis(PixelBuffer& image, const CRect& area, double seconds, bool grid)
{
    const double step = tickStep(seconds, 10);
    for (double t = 0.0; t <= seconds + step * 1e-6; t += step)
    {
        const float x = std::round(mapX(area, t, seconds));
        if (grid)
            image.drawLine(x, static_cast<float>(area.top), x, static_cast<float>(area.bottom), 1.0f, kGrid,
                           image.bounds());
        image.drawLine(x, static_cast<float>(area.bottom), x, static_cast<float>(area.bottom + 4), 1.0f, kInk,
                       image.bounds());
        drawTextCentred(image, x, static_cast<float>(area.bottom + 17), number(std::round(t * 1e6) / 1e6),
                        kLabelStyle);
    }
    drawTextRight(image, static_cast<float>(area.right), static_cast<float>(area.bottom + 33), "time (s)",
                  kLabelStyle);
}

void drawDecayCurves(PixelBuffer& image, const ResponseFigures& figures, double seconds)
{
    const CRect& area = kDecayArea;
    drawText(image, static_cast<float>(area.left), static_cast<float>(area.top - 12),
             "Energy decay per octave band (backward integration)", kHeadingStyle, kInk);
    for (double level = 0.0; level >= kDecayFloorDecibels; level -= 20.0)
    {
        const float y = std::round(mapY(area, level, 0.0, kDecayFloorDecibels));
        image.drawLine(static_cast<float>(area.left), y, static_cast<float>(area.right), y, 1.0f, kGrid,
                       image.bounds());
        drawTextRight(image, static_cast<float>(area.left - 8), y + 4.0f, number(level), kLabelStyle);
    }
    drawTextRight(image, static_cast<float>(area.left - 8), static_cast<float>(area.top - 12), "dB", kLabelStyle);
    drawTimeAxis(image, area, seconds, true);

    for (size_t b = 0; b < figures.bands.size() && b < kBandColours.size(); ++b)
    {
        const std::vector<float>& curve = figures.bands[b].curve;
        const bool broadband = figures.bands[b].centreHz == 0.0;
        bool drawing = false;
        float lastX = 0.0f;
        float lastY = 0.0f;
        for (long px = 0; px <= area.width(); ++px)
        {
            const double t = seconds * static_cast<double>(px) / static_cast<double>(area.width());
            const auto index = static_cast<size_t>(std::llround(t / kCurveStepSeconds));
            if (index >= curve.size() || !(curve[index] >= kDecayFloorDecibels))
                break;
            const float x = static_cast<float>(area.left + px);
            const float y = mapY(area, curve[index], 0.0, kDecayFloorDecibels);
            if (drawing)
                image.drawLine(lastX, lastY, x, y, broadband ? 2.0f : 1.5f, kBandColours[b], area);
            drawing = true;
            lastX = x;
            lastY = y;
        }
    }
    image.frameRect(area, kInk, 1, image.bounds());

    // The legend, in the top right corner.
    const CRect legend{area.right - 110, area.top + 10, area.right - 10, area.top + 18 + 16 * 8};
    image.fillRect(legend, kBackground, image.bounds());
    image.frameRect(legend, kGrid, 1, image.bounds());
    for (size_t b = 0; b < kBandColours.size(); ++b)
    {
        const float y = static_cast<float>(legend.top + 14 + 16 * static_cast<long>(b));
        image.drawLine(static_cast<float>(legend.left + 8), y - 4.0f, static_cast<float>(legend.left + 30), y - 4.0f,
                       2.0f, kBandColours[b], image.bounds());
        const std::string label = b + 1 == kBandColours.size() ? "broadband" : std::string(kBandLabels[b]) + "Hz";
        drawText(image, static_cast<float>(legend.left + 38), y, label, kLabelStyle, kInk);
    }
}

void drawT30Bars(PixelBuffer& image, const ResponseFigures& figures)
{
    const CRect& area = kBarArea;
    drawText(image, static_cast<float>(area.left), static_cast<float>(area.top - 12), "T30 per octave band",
             kHeadingStyle, kInk);
    double largest = 0.1;
    for (const BandDecay& band : figures.bands)
        if (band.t30.kind != DecayTime::Kind::unavailable)
            largest = std::max(largest, band.t30.seconds);
    const double step = tickStep(largest, 6);
    const double top = std::ceil(largest / step * 1.1) * step;
    for (double s = 0.0; s <= top + step * 1e-6; s += step)
    {
        const float y = std::round(mapY(area, s, top, 0.0));
        image.drawLine(static_cast<float>(area.left), y, static_cast<float>(area.right), y, 1.0f, kGrid,
                       image.bounds());
        drawTextRight(image, static_cast<float>(area.left - 8), y + 4.0f, number(std::round(s * 1e6) / 1e6),
                      kLabelStyle);
    }
    drawTextRight(image, static_cast<float>(area.left - 8), static_cast<float>(area.top - 12), "s", kLabelStyle);

    const long slot = area.width() / static_cast<long>(kBandColours.size());
    for (size_t b = 0; b < figures.bands.size() && b < kBandColours.size(); ++b)
    {
        const DecayTime& t30 = figures.bands[b].t30;
        const long left = area.left + slot * static_cast<long>(b) + slot / 5;
        const long right = left + slot * 3 / 5;
        const float centre = static_cast<float>(left + right) / 2.0f;
        drawTextCentred(image, centre, static_cast<float>(area.bottom + 17), kBandLabels[b], kLabelStyle);
        if (t30.kind == DecayTime::Kind::unavailable)
        {
            drawTextCentred(image, centre, static_cast<float>(area.bottom - 6), "n/a", kLabelStyle);
            continue;
        }
        const CRect bar{left, static_cast<long>(std::round(mapY(area, t30.seconds, top, 0.0))), right, area.bottom};
        // A figure the response was too short for is an open bar: at least this long.
        if (t30.kind == DecayTime::Kind::measured)
            image.fillRect(bar, kBandColours[b], image.bounds());
        else
            image.frameRect(bar, kBandColours[b], 2, image.bounds());
        char value[24] = {};
        std::snprintf(value, sizeof(value), t30.kind == DecayTime::Kind::measured ? "%.2f" : ">%.1f", t30.seconds);
        drawTextCentred(image, centre, static_cast<float>(bar.top - 4), value, kLabelStyle);
    }
    drawTextRight(image, static_cast<float>(area.right), static_cast<float>(area.bottom + 33), "octave band (Hz)",
                  kLabelStyle);
    image.frameRect(area, kInk, 1, image.bounds());
}

// Dark blue through red to pale yellow as the level rises from the floor to 0 dB.
CColor heatColour(double decibels)
{
    constexpr std::array<CColor, 6> stops = {{{0, 0, 0, 255},
                                              {25, 20, 110, 255},
                                              {130, 30, 140, 255},
                                              {225, 60, 45, 255},
                                              {250, 170, 30, 255},
                                              {255, 250, 205, 255}}};
    const double v = std::clamp(1.0 - decibels / kColourFloorDecibels, 0.0, 1.0) * (stops.size() - 1);
    const auto i = std::min(static_cast<size_t>(v), stops.size() - 2);
    const double f = v - static_cast<double>(i);
    auto mix = [&](uint8_t a, uint8_t b) { return static_cast<uint8_t>(std::lround(a + (b - a) * f)); };
    return {mix(stops[i].red, stops[i + 1].red), mix(stops[i].green, stops[i + 1].green),
            mix(stops[i].blue, stops[i + 1].blue), 255};
}

void drawSpectrogram(PixelBuffer& image, const Spectrogram& spectrogram)
{
    const CRect& area = kSpectrogramArea;
    drawText(image, static_cast<float>(area.left), static_cast<float>(area.top - 12),
             "Spectrogram of the impulse response", kHeadingStyle, kInk);
    for (int c = 0; c < spectrogram.columns && c < area.width(); ++c)
        for (int r = 0; r < spectrogram.rows && r < area.height(); ++r)
            image.at(static_cast<int>(area.left) + c, static_cast<int>(area.bottom) - 1 - r) =
                heatColour(spectrogram.at(c, r)).toPixel();
    const double ratio = spectrogram.highestHz / spectrogram.lowestHz;
    for (double hz : {100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0})
    {
        if (hz > spectrogram.highestHz)
            break;
        const float y = std::round(static_cast<float>(area.bottom) -
                                   static_cast<float>(std::log(hz / spectrogram.lowestHz) / std::log(ratio)) *
                                       static_cast<float>(area.height()));
        image.drawLine(static_cast<float>(area.left - 4), y, static_cast<float>(area.left), y, 1.0f, kInk,
                       image.bounds());
        drawTextRight(image, static_cast<float>(area.left - 8), y + 4.0f,
                      hz >= 1000.0 ? number(hz / 1000.0) + "k" : number(hz), kLabelStyle);
    }
    drawTextRight(image, static_cast<float>(area.left - 8), static_cast<float>(area.top - 12), "Hz", kLabelStyle);
    drawTimeAxis(image, area, spectrogram.seconds, false);
    image.frameRect(area, kInk, 1, image.bounds());

    const CRect& scale = kColourScale;
    for (long y = scale.top; y < scale.bottom; ++y)
    {
        const double level = kColourFloorDecibels * static_cast<double>(y - scale.top) / scale.height();
        image.fillRect({scale.left, y, scale.right, y + 1}, heatColour(level), image.bounds());
    }
    image.frameRect(scale, kInk, 1, image.bounds());
    for (double level = 0.0; level >= kColourFloorDecibels; level -= 15.0)
    {
        const float y = std::round(mapY(scale, level, 0.0, kColourFloorDecibels));
        drawText(image, static_cast<float>(scale.right + 6), y + 4.0f, number(level), kLabelStyle, kInk);
    }
    drawText(image, static_cast<float>(scale.left), static_cast<float>(scale.top - 12), "dB", kLabelStyle, kInk);
}
} // namespace

double plotSeconds(const ResponseFigures& figures)
{
    const double whole = static_cast<double>(figures.frames) / figures.sampleRate;
    if (figures.bands.empty())
        return whole;
    const std::vector<float>& broadband = figures.bands.back().curve;
    for (size_t i = 0; i < broadband.size(); ++i)
        if (!(broadband[i] > kDecayFloorDecibels))
            return std::max(static_cast<double>(i) * kCurveStepSeconds, kCurveStepSeconds);
    return std::max(whole, kCurveStepSeconds);
}

PixelBuffer drawDecayPlot(const ResponseFigures& figures, const Spectrogram& spectrogram, const std::string& title,
                          const std::string& details)
{
    PixelBuffer image(kPlotWidth, kPlotHeight, kBackground.toPixel());
    drawText(image, 20.0f, 32.0f, title, kTitleStyle, kInk);
    drawText(image, 20.0f, 54.0f, details, kLabelStyle, kMutedInk);
    drawDecayCurves(image, figures, plotSeconds(figures));
    drawT30Bars(image, figures);
    drawSpectrogram(image, spectrogram);
    return image;
}
