#include "zelvan-host/picture.h"

#include <algorithm>
#include <cctype>

#include "common/outcome.h"
#include "win32/little_endian.h"

namespace zelvan_host {

namespace {

constexpr std::size_t infoHeaderSize = tools::bitmapInfoHeaderBytes;

} // namespace

TPicture DecodeBitmap(std::span<const std::uint8_t> dib) {
    auto refuse = [](const std::string& why) { throw BadBitmap(why); };
    if (dib.size() < infoHeaderSize) refuse("it is shorter than a bitmap header");
    const std::uint32_t headerSize = win32::Le32(dib, 0);
    const auto width = static_cast<std::int32_t>(win32::Le32(dib, 4));
    const auto height = static_cast<std::int32_t>(win32::Le32(dib, 8));
    const unsigned bits = win32::Le16(dib, 14);
    const std::uint32_t compression = win32::Le32(dib, 16);
    const std::uint32_t coloursUsed = win32::Le32(dib, 32);
    if (headerSize < infoHeaderSize || headerSize > dib.size()) refuse("its header size is " + std::to_string(headerSize));
    if (width <= 0 || height == 0 || width > 0x4000 || height > 0x4000 || height < -0x4000)
        refuse("it is " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    if (compression != 0) refuse("it is compressed (method " + std::to_string(compression) + ")");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) refuse("it has " + std::to_string(bits) + " bits a pixel");
    const std::size_t colours = bits == 24 ? 0 : coloursUsed ? coloursUsed : std::size_t{1} << bits;
    const std::size_t pixelsAt = headerSize + 4 * colours;
    const auto rows = static_cast<std::size_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
    const std::size_t stride = tools::BitmapStride(static_cast<std::size_t>(width), bits);
    if (colours > 256 || pixelsAt > dib.size() || (dib.size() - pixelsAt) / stride < rows)
        refuse("its palette and pixels do not fit in its " + std::to_string(dib.size()) + " bytes");

    TPicture picture{static_cast<unsigned>(width), static_cast<unsigned>(rows), {}};
    picture.rgb.reserve(picture.width * picture.height * 3);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t stored = height > 0 ? rows - 1 - y : y;
        const std::uint8_t* row = dib.data() + pixelsAt + stored * stride;
        for (std::size_t x = 0; x < picture.width; ++x) {
            if (bits == 24) {
                picture.rgb.insert(picture.rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
                continue;
            }
            const std::size_t bit = x * bits;
            const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            if (index >= colours) refuse("a pixel names colour " + std::to_string(index) + " of " + std::to_string(colours));
            const std::uint8_t* colour = dib.data() + headerSize + 4 * index;
            picture.rgb.insert(picture.rgb.end(), {colour[2], colour[1], colour[0]});
        }
    }
    return picture;
}

TPicture SideBySide(const std::vector<TPicture>& pictures) {
    TPicture whole;
    for (const TPicture& picture : pictures) {
        whole.width += picture.width;
        whole.height = std::max(whole.height, picture.height);
    }
    whole.rgb.assign(std::size_t{whole.width} * whole.height * 3, 0xFF);
    std::size_t left = 0;
    for (const TPicture& picture : pictures) {
        for (std::size_t y = 0; y < picture.height; ++y)
            std::copy_n(picture.rgb.begin() + static_cast<std::ptrdiff_t>(y * picture.width * 3), picture.width * 3,
                        whole.rgb.begin() + static_cast<std::ptrdiff_t>((y * whole.width + left) * 3));
        left += picture.width;
    }
    return whole;
}

} // namespace zelvan_host
