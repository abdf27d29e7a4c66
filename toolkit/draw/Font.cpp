#include "Font.h"

#include "EmbeddedData.h"

#include <stb_truetype.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

namespace
{
struct Glyph
{
    int x0 = 0; // bitmap position relative to the pen, y relative to the baseline
    int y0 = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;
};

class Face
{
public:
    explicit Face(EmbeddedData data)
    {
        const int offset = stbtt_GetFontOffsetForIndex(data.begin, 0);
        valid = offset >= 0 && stbtt_InitFont(&info, data.begin, offset) != 0;
    }

    float scale(float size) const { return valid ? stbtt_ScaleForMappingEmToPixels(&info, size) : 0.0f; }

    float advance(int codepoint, int next, float size) const
    {
        if (!valid)
            return 0.0f;
        int advanceWidth = 0;
        int leftBearing = 0;
        stbtt_GetCodepointHMetrics(&info, codepoint, &advanceWidth, &leftBearing);
        const int kern = next ? stbtt_GetCodepointKernAdvance(&info, codepoint, next) : 0;
        return static_cast<float>(advanceWidth + kern) * scale(size);
    }

    float capHeight(float size) const
    {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (!valid || !stbtt_GetCodepointBox(&info, 'H', &x0, &y0, &x1, &y1))
            return size * 0.73f;
        return static_cast<float>(y1) * scale(size);
    }

    const Glyph& glyph(int codepoint, float size)
    {
        const auto key = std::make_tuple(codepoint, size);
        auto found = cache.find(key);
        if (found != cache.end())
            return found->second;
        Glyph glyph;
        if (valid)
        {
            const float s = scale(size);
            int x1 = 0, y1 = 0;
            stbtt_GetCodepointBitmapBox(&info, codepoint, s, s, &glyph.x0, &glyph.y0, &x1, &y1);
            glyph.width = std::max(0, x1 - glyph.x0);
            glyph.height = std::max(0, y1 - glyph.y0);
            glyph.coverage.assign(static_cast<size_t>(glyph.width) * glyph.height, 0);
            if (glyph.width > 0 && glyph.height > 0)
                stbtt_MakeCodepointBitmap(&info, glyph.coverage.data(), glyph.width, glyph.height, glyph.width, s, s,
                                          codepoint);
        }
        return cache.emplace(key, std::move(glyph)).first->second;
    }

private:
    stbtt_fontinfo info{};
    bool valid = false;
    std::map<std::tuple<int, float>, Glyph> cache;
};

std::mutex faceMutex;

Face& face(bool bold)
{
    static Face regular(embeddedFont(false));
    static Face boldFace(embeddedFont(true));
    return bold ? boldFace : regular;
}

// Small sizes render without hinting; a gentle curve on the coverage keeps
// thin stems from fading into the background.
uint8_t strengthen(uint8_t coverage)
{
    static const auto table = [] {
        std::array<uint8_t, 256> values{};
        for (int i = 0; i < 256; ++i)
            values[i] = static_cast<uint8_t>(std::lround(255.0 * std::pow(i / 255.0, 0.8)));
        return values;
    }();
    return table[coverage];
}

int codepointAt(std::string_view text, size_t index)
{
    return index < text.size() ? static_cast<unsigned char>(text[index]) : 0;
}
} // namespace

namespace text
{
float measure(std::string_view text, const TextStyle& style)
{
    std::lock_guard lock(faceMutex);
    Face& f = face(style.bold);
    float width = 0.0f;
    for (size_t i = 0; i < text.size(); ++i)
        width = std::round(width) + f.advance(codepointAt(text, i), codepointAt(text, i + 1), style.size);
    return std::round(width);
}

float capHeight(const TextStyle& style)
{
    std::lock_guard lock(faceMutex);
    return face(style.bold).capHeight(style.size);
}

float centredBaseline(const CRect& rect, const TextStyle& style)
{
    return std::round(static_cast<float>(rect.top) + (static_cast<float>(rect.height()) + capHeight(style)) * 0.5f);
}

void draw(PixelBuffer& target, const CRect& clip, float x, float baseline, std::string_view text, const TextStyle& style,
          CColor color)
{
    std::lock_guard lock(faceMutex);
    Face& f = face(style.bold);
    const int baseY = static_cast<int>(std::round(baseline));
    float pen = std::round(x);
    CRect area = clip;
    area.bound(target.bounds());
    for (size_t i = 0; i < text.size(); ++i)
    {
        const int codepoint = codepointAt(text, i);
        const Glyph& glyph = f.glyph(codepoint, style.size);
        const int gx = static_cast<int>(pen) + glyph.x0;
        const int gy = baseY + glyph.y0;
        for (int row = 0; row < glyph.height; ++row)
        {
            const int y = gy + row;
            if (y < area.top || y >= area.bottom)
                continue;
            for (int column = 0; column < glyph.width; ++column)
            {
                const int px = gx + column;
                if (px < area.left || px >= area.right)
                    continue;
                const uint8_t c = glyph.coverage[static_cast<size_t>(row) * glyph.width + column];
                if (c)
                    target.blendPixel(px, y, color, static_cast<float>(strengthen(c)) / 255.0f);
            }
        }
        pen = std::round(pen + f.advance(codepoint, codepointAt(text, i + 1), style.size));
    }
}
} // namespace text
