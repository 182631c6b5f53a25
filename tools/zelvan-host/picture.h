// Palette pictures: the bitmaps a package carries, put side by side as the
// palette shows them, and written as files a person can open.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelvan_host {

struct TPicture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> rgb; // rows top first, red, green and blue a pixel
};

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

enum class PictureFormat { Bmp, Png };
// The format `file`'s extension asks for; any other is a tools::UsageError.
PictureFormat PictureFormatOf(const std::filesystem::path& file);

// The picture in the format `file`'s extension asks for: .bmp (24 bits a
// pixel) or .png. Throws tools::Failure naming the file.
std::vector<std::uint8_t> EncodePicture(const TPicture& picture, const std::filesystem::path& file);

} // namespace zelvan_host
