// font: a 5 x 7 pixel font for the show's texts (A-Z, 0-9, a few signs).
#pragma once

#include <cstdint>

// Row bits of a glyph, bit 4 the leftmost pixel; unknown characters are blank.
const uint8_t* glyphRows(char c);
bool glyphPixel(char c, int x, int y); // x 0..4, y 0..6
