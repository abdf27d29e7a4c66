// The editor panel: brushed light metal, a dark title strip, engraved
// dividers, labels for every control, recessed value fields and the dark
// preset bar. Its shading depends on the row only where knobs share a
// bitmap, so one filmstrip fits both places.
#include "Artwork.h"

namespace artwork
{
namespace
{
using namespace paint;

const CColor kLabel = rgb(58, 60, 68);
const CColor kBarLabel = rgb(196, 201, 210);
const CColor kFieldBack = rgb(237, 235, 213);
constexpr float kLabelSize = 8.0f;

void brushedMetal(PixelBuffer& image)
{
    for (int y = 0; y < image.height(); ++y)
    {
        const float t = static_cast<float>(y) / static_cast<float>(image.height());
        const float streak = noise(7, y) * 3.0f + noise(11, y / 3) * 2.0f;
        const int base = static_cast<int>(212.0f - 26.0f * t + streak);
        const CColor color = rgb(base, base + 1, base - 4);
        for (int x = 0; x < image.width(); ++x)
            image.at(x, y) = color.toPixel();
    }
}

void engravedLine(PixelBuffer& image, float left, float right, float y)
{
    line(image, left, y, right, y, 1.0f, rgb(150, 151, 148));
    line(image, left, y + 1.0f, right, y + 1.0f, 1.0f, rgb(232, 233, 230));
}

void recess(PixelBuffer& image, const CRect& r, CColor fill)
{
    const auto l = static_cast<float>(r.left);
    const auto t = static_cast<float>(r.top);
    const auto rt = static_cast<float>(r.right);
    const auto b = static_cast<float>(r.bottom);
    roundRect(image, l - 1, t - 1, rt + 1, b + 1, 2.0f, rgb(238, 239, 236, 150));
    paint::fill(image, r, fill);
    line(image, l, t + 0.5f, rt, t + 0.5f, 1.0f, rgb(0, 0, 0, 40));
}

void downArrow(PixelBuffer& image, float cx, float cy, CColor color)
{
    triangle(image, cx - 3.0f, cy - 1.5f, cx + 3.0f, cy - 1.5f, cx, cy + 2.0f, color);
}

void titleStrip(PixelBuffer& image)
{
    roundRectGradient(image, 4, 3, 296, 22, 4.0f, rgb(52, 57, 68), rgb(28, 31, 38));
    roundRectOutline(image, 4, 3, 296, 22, 4.0f, rgb(255, 255, 255, 30));
    label(image, "CORVANTA", 150, 12.5f, 12.0f, true, rgb(238, 236, 228), Align::centre, 2.5f);
    label(image, "STEREO REVERB", 289, 12.5f, 7.0f, true, rgb(150, 158, 172), Align::right, 0.8f);
    label(image, "v1.6", 11, 12.5f, 7.0f, true, rgb(150, 158, 172), Align::left, 0.5f);
}

void sliderTrack(PixelBuffer& image)
{
    const CRect& s = place::slider;
    const float y = static_cast<float>(s.top + s.bottom) * 0.5f;
    roundRect(image, static_cast<float>(s.left) + 4, y - 2.0f, static_cast<float>(s.right) - 4, y + 2.0f, 2.0f,
              rgb(70, 72, 78));
    line(image, static_cast<float>(s.left) + 5, y + 2.5f, static_cast<float>(s.right) - 5, y + 2.5f, 1.0f,
         rgb(240, 240, 236, 160));
}

void presetBar(PixelBuffer& image)
{
    const CRect bar = zoomed(CRect(0, 251, kPanelWidth, kPanelHeight));
    for (long y = bar.top; y < bar.bottom; ++y)
    {
        const float t = static_cast<float>(y - bar.top) / static_cast<float>(bar.height());
        const CColor color = mix(rgb(62, 66, 77), rgb(38, 41, 49), t);
        image.fillRect({0, y, bar.right, y + 1}, color, image.bounds());
    }
    line(image, 0, 251.5f, 300, 251.5f, 1.0f, rgb(20, 22, 27));
    line(image, 0, 252.5f, 300, 252.5f, 1.0f, rgb(255, 255, 255, 40));
    const float header = 258.0f;
    label(image, "SAVE", 14, header, 7.0f, true, kBarLabel);
    label(image, "LOAD", 77.5f, header, 7.0f, true, kBarLabel);
    label(image, "PRESET", 45.5f, 270.0f, 7.5f, true, kBarLabel);
    label(image, "BANK", 45.5f, 285.0f, 7.5f, true, kBarLabel);
    label(image, "PROGRAM", 152, header, 7.0f, true, kBarLabel, Align::centre, 1.0f);
    label(image, "STO", 261, header, 7.0f, true, kBarLabel);
    label(image, "RCL", 285, header, 7.0f, true, kBarLabel);
    label(image, "A", 273, 270.0f, 8.0f, true, kBarLabel);
    label(image, "B", 273, 285.0f, 8.0f, true, kBarLabel);
    recess(image, place::nameField, rgb(207, 222, 235));
    recess(image, place::programList, rgb(190, 205, 220));
    downArrow(image, 211.0f, 277.5f, rgb(60, 64, 74));
}
} // namespace

PixelBuffer panel()
{
    const CRect size = zoomed(CRect(0, 0, kPanelWidth, kPanelHeight));
    PixelBuffer image(static_cast<int>(size.width()), static_cast<int>(size.height()));
    brushedMetal(image);
    titleStrip(image);

    // Top section: Decay, Type, High Damp.
    label(image, "DECAY", 67.5f, 34.0f, kLabelSize, true, kLabel, Align::centre, 1.0f);
    label(image, "TYPE", 150.5f, 34.0f, kLabelSize, true, kLabel, Align::centre, 1.0f);
    label(image, "HIGH DAMP", 232.5f, 34.0f, kLabelSize, true, kLabel, Align::centre, 0.5f);
    engravedLine(image, 10, 290, 116);

    // Tone section: shelves, then the pre-delay slider.
    label(image, "LOW GAIN", 67.5f, 121.5f, kLabelSize, true, kLabel);
    label(image, "LOW FREQ", 122.5f, 121.5f, kLabelSize, true, kLabel);
    label(image, "HIGH FREQ", 177.5f, 121.5f, kLabelSize, true, kLabel);
    label(image, "HIGH GAIN", 232.5f, 121.5f, kLabelSize, true, kLabel);
    label(image, "PRE", 24, 175.5f, kLabelSize, true, kLabel);
    label(image, "DELAY", 24, 184.0f, kLabelSize, true, kLabel);
    sliderTrack(image);
    engravedLine(image, 10, 290, 189);

    // Output section.
    label(image, "POWER", 67.5f, 196.5f, kLabelSize, true, kLabel, Align::centre, 1.0f);
    label(image, "MIX", 122.5f, 194.0f, kLabelSize, true, kLabel, Align::centre, 1.0f);
    label(image, "OUTPUT", 177.5f, 194.0f, kLabelSize, true, kLabel, Align::centre, 1.0f);
    label(image, "PEAK", 232.5f, 203.0f, kLabelSize, true, kLabel, Align::centre, 1.0f);

    for (const CRect& field : place::valueFields)
        recess(image, field, kFieldBack);
    recess(image, place::typeList, kFieldBack);
    downArrow(image, 201.0f, 108.0f, rgb(90, 92, 98));
    recess(image, place::readout, kFieldBack);

    presetBar(image);
    // A fine outer edge.
    image.frameRect(image.bounds(), rgb(40, 42, 48), static_cast<int>(zoomWidth(1, zoom())), image.bounds());
    return image;
}
} // namespace artwork
