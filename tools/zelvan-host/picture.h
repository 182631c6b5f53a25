// Palette pictures: the bitmaps a package carries, put side by side as the
// palette shows them.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/picture_file.h"

namespace zelvan_host {

using tools::TPicture;

// What makes a bitmap one that cannot be shown: "it is compressed (method 1)".
class BadBitmap : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A device-independent bitmap as a resource holds it: a BITMAPINFOHEADER,
// the palette, the pixels; 1, 4 or 8 bits a pixel through the palette, or
// 24 bits; uncompressed; rows bottom-up or top-down. Throws BadBitmap.
TPicture DecodeBitmap(std::span<const std::uint8_t> dib);

// The pictures left to right, top-aligned; what none of them covers is white.
TPicture SideBySide(const std::vector<TPicture>& pictures);

using tools::EncodePicture;
using tools::PictureFormatOf;

} // namespace zelvan_host
