// Anti-aliased text from the fonts embedded in the module (DejaVu Sans,
// regular and bold), rendered with stb_truetype. Bytes of a text are Latin-1
// characters. Glyphs are cached per face, size and character.
#pragma once

#include "PixelBuffer.h"

#include <string_view>

struct TextStyle
{
    float size = 12.0f; // em size in pixels
    bool bold = false;
};

namespace text
{
// Width in pixels of the text as drawText lays it out.
float measure(std::string_view text, const TextStyle& style);
// Height of capital letters above the baseline, in pixels.
float capHeight(const TextStyle& style);
// Draws the text with its baseline at `baseline`, starting at x.
void draw(PixelBuffer& target, const CRect& clip, float x, float baseline, std::string_view text, const TextStyle& style,
          CColor color);
// The baseline that centres capital letters vertically in `rect`.
float centredBaseline(const CRect& rect, const TextStyle& style);
} // namespace text
