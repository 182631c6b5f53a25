// Pictures as both tools write them: .bmp (24 bits a pixel) or .png.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tools {

struct TPicture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> rgb; // rows top first, red, green and blue a pixel
};

// A BITMAPINFOHEADER's bytes; a bitmap's rows of `bits` a pixel take whole
// 32-bit words.
constexpr std::size_t bitmapInfoHeaderBytes = 40;
inline std::size_t BitmapStride(std::size_t width, unsigned bits) { return (width * bits + 31) / 32 * 4; }

enum class PictureFormat { Bmp, Png };
// The format `file`'s extension asks for; any other is a UsageError.
PictureFormat PictureFormatOf(const std::filesystem::path& file);

// The picture in the format `file`'s extension asks for. Throws Failure
// naming the file.
std::vector<std::uint8_t> EncodePicture(const TPicture& picture, const std::filesystem::path& file);

} // namespace tools
