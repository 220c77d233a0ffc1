#pragma once

#include <cstdint>

// A 5 x 7 pixel font for short tile labels: A-Z (lower case drawn as upper),
// 0-9, space and . : - / ( ) +. Unknown characters draw as a blank.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Row bits of one glyph, top row first; bit 4 is the leftmost pixel.
const uint8_t* glyphRows(char c);
