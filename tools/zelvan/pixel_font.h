// Words in a picture: a font of 3 x 5 pixels, upper case letters, digits and
// a little punctuation, enough for a legend.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "common/picture_file.h"

namespace zelvan_cli {

using Rgb = std::array<std::uint8_t, 3>;

// Pixels a character takes across and down at `scale`, with the gap after it.
constexpr unsigned glyphWidth = 4, glyphHeight = 6;

// Paints `rgb` into the rectangle at `x`, `y` (clipped to the picture).
void FillRectangle(tools::TPicture& picture, unsigned x, unsigned y, unsigned width, unsigned height, Rgb rgb);

// Draws `text` from `x`, `y` (its top left), each font pixel `scale` pixels
// square; lower case is drawn as upper case, a character the font lacks as '?'.
void PaintText(tools::TPicture& picture, unsigned x, unsigned y, std::string_view text, Rgb rgb, unsigned scale);

} // namespace zelvan_cli
