#include "common/picture_file.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#ifdef ZELVAN_PNG_SONAME
#include <dlfcn.h>
#include <png.h>
#endif

#include "common/command_table.h"
#include "common/outcome.h"

namespace tools {

namespace {

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void PutDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutWord(out, static_cast<std::uint16_t>(value));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}

constexpr std::size_t infoHeaderSize = bitmapInfoHeaderBytes;
constexpr std::size_t fileHeaderSize = 14;

std::vector<std::uint8_t> Bmp(const TPicture& picture) {
    const std::size_t stride = BitmapStride(picture.width, 24);
    const auto pixels = static_cast<std::uint32_t>(stride * picture.height);
    std::vector<std::uint8_t> out{'B', 'M'};
    PutDword(out, static_cast<std::uint32_t>(fileHeaderSize + infoHeaderSize) + pixels);
    PutDword(out, 0);
    PutDword(out, static_cast<std::uint32_t>(fileHeaderSize + infoHeaderSize));
    PutDword(out, infoHeaderSize);
    PutDword(out, picture.width);
    PutDword(out, picture.height); // bottom-up
    PutWord(out, 1);
    PutWord(out, 24);
    for (std::uint32_t value : {0u, pixels, 0u, 0u, 0u, 0u}) PutDword(out, value);
    for (std::size_t row = picture.height; row-- > 0;) {
        const std::uint8_t* pixel = picture.rgb.data() + row * picture.width * 3;
        for (std::size_t x = 0; x < picture.width; ++x, pixel += 3) out.insert(out.end(), {pixel[2], pixel[1], pixel[0]});
        out.resize(out.size() + stride - picture.width * 3, 0);
    }
    return out;
}

#ifdef ZELVAN_PNG_SONAME
struct LibraryClose {
    void operator()(void* library) const { ::dlclose(library); }
};

// libpng, loaded once for the process when it first writes a PNG, so that
// a tool that writes none needs no more than the C library.
struct LoadedPng {
    std::unique_ptr<void, LibraryClose> library;
    decltype(&::png_image_write_to_memory) writeToMemory = nullptr;
    decltype(&::png_image_free) free = nullptr;
    std::string failure;

    LoadedPng() : library(::dlopen(ZELVAN_PNG_SONAME, RTLD_NOW | RTLD_LOCAL)) {
        if (library) {
            writeToMemory = reinterpret_cast<decltype(writeToMemory)>(::dlsym(library.get(), "png_image_write_to_memory"));
            free = reinterpret_cast<decltype(free)>(::dlsym(library.get(), "png_image_free"));
        }
        if (!writeToMemory || !free) failure = std::string(ZELVAN_PNG_SONAME " cannot be loaded: ") + ::dlerror();
    }
};
#endif

std::vector<std::uint8_t> Png(const TPicture& picture, const std::filesystem::path& file) {
#ifdef ZELVAN_PNG_SONAME
    static const LoadedPng png;
    if (!png.failure.empty()) throw tools::Failure(file.string() + ": " + png.failure);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (png.writeToMemory(&image, nullptr, &size, 0, picture.rgb.data(), 0, nullptr)) {
        std::vector<std::uint8_t> out(size);
        if (png.writeToMemory(&image, out.data(), &size, 0, picture.rgb.data(), 0, nullptr)) {
            out.resize(size);
            return out;
        }
    }
    const std::string reason = image.message;
    png.free(&image);
    throw tools::Failure(file.string() + ": libpng cannot write the picture: " + reason);
#else
    (void)picture;
    throw tools::Failure(file.string() + ": this program was built without libpng and writes .bmp only");
#endif
}

} // namespace

PictureFormat PictureFormatOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".bmp") return PictureFormat::Bmp;
    if (extension == ".png") return PictureFormat::Png;
    throw tools::UsageError("a picture is written as .bmp or .png, not as " + tools::Quoted(file.string()));
}

std::vector<std::uint8_t> EncodePicture(const TPicture& picture, const std::filesystem::path& file) {
    return PictureFormatOf(file) == PictureFormat::Bmp ? Bmp(picture) : Png(picture, file);
}

} // namespace tools
