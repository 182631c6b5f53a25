#include "pe_file.h"

#include <cstring>
#include <stdexcept>

namespace petables {

namespace {

using testsupport::Bytes;

class Image {
public:
    Image(Bytes bytes, std::string what) : bytes_(std::move(bytes)), what_(std::move(what)) {}

    std::uint32_t Field(std::uint64_t at, unsigned size) const {
        Need(at, size);
        std::uint32_t value = 0;
        for (unsigned i = size; i-- > 0;) value = value << 8 | bytes_[at + i];
        return value;
    }
    std::string Text(std::uint64_t at) const {
        Need(at, 1);
        const auto* start = reinterpret_cast<const char*>(bytes_.data()) + at;
        const void* end = std::memchr(start, 0, bytes_.size() - at);
        if (!end) Damaged("a name runs past the end of the file");
        return std::string(start, static_cast<const char*>(end));
    }
    Bytes Slice(std::uint64_t at, std::uint64_t size) const {
        Need(at, size);
        return Bytes(bytes_.begin() + static_cast<std::ptrdiff_t>(at), bytes_.begin() + static_cast<std::ptrdiff_t>(at + size));
    }
    void Need(std::uint64_t at, std::uint64_t size) const {
        if (at > bytes_.size() || size > bytes_.size() - at) Damaged("a table lies past the end of the file");
    }
    [[noreturn]] void Damaged(const std::string& why) const { throw std::runtime_error(what_ + ": " + why); }

private:
    Bytes bytes_;
    std::string what_;
};

// The section table: where the file holds what lies at an address relative
// to the image.
class Sections {
public:
    Sections(const Image& image, std::uint64_t table, unsigned count) : image_(image), table_(table), count_(count) {}
    std::uint64_t Offset(std::uint64_t rva) const {
        for (unsigned i = 0; i < count_; ++i) {
            const std::uint64_t at = table_ + i * 40;
            const std::uint64_t start = image_.Field(at + 12, 4);
            const std::uint64_t size = std::max(image_.Field(at + 8, 4), image_.Field(at + 16, 4));
            if (rva >= start && rva < start + size) return rva - start + image_.Field(at + 20, 4);
        }
        image_.Damaged("an address lies outside every section");
    }

private:
    const Image& image_;
    std::uint64_t table_;
    unsigned count_;
};

void ReadImports(const Image& image, const Sections& sections, std::uint32_t rva, PeFile& file) {
    for (std::uint64_t at = sections.Offset(rva);; at += 20) {
        const std::uint32_t name = image.Field(at + 12, 4);
        if (name == 0) return;
        file.imports.push_back(image.Text(sections.Offset(name)));
    }
}

void ReadExports(const Image& image, const Sections& sections, std::uint32_t rva, PeFile& file) {
    const std::uint64_t directory = sections.Offset(rva);
    const std::uint32_t names = image.Field(directory + 24, 4);
    const std::uint64_t addresses = sections.Offset(image.Field(directory + 28, 4));
    const std::uint64_t namesAt = sections.Offset(image.Field(directory + 32, 4));
    const std::uint64_t ordinals = sections.Offset(image.Field(directory + 36, 4));
    for (std::uint32_t i = 0; i < names; ++i) {
        const std::string name = image.Text(sections.Offset(image.Field(namesAt + 4 * i, 4)));
        file.exports[name] = image.Field(addresses + 4 * image.Field(ordinals + 2 * i, 2), 4);
    }
}

// A resource directory entry's name: "#N", or the counted UTF-16 text it
// points at (ASCII here).
std::string EntryName(const Image& image, std::uint64_t root, std::uint32_t id) {
    if (!(id & 0x80000000u)) return "#" + std::to_string(id);
    const std::uint64_t at = root + (id & 0x7FFFFFFFu);
    std::string name;
    for (std::uint32_t i = 0, length = image.Field(at, 2); i < length; ++i)
        name += static_cast<char>(image.Field(at + 2 + 2 * i, 2));
    return name;
}

// Type, name and language: three levels of directories, then the data.
void ReadResources(const Image& image, const Sections& sections, std::uint32_t rva, PeFile& file) {
    const std::uint64_t root = sections.Offset(rva);
    auto entries = [&](std::uint64_t directory, auto&& each) {
        const unsigned count = image.Field(directory + 12, 2) + image.Field(directory + 14, 2);
        for (unsigned i = 0; i < count; ++i) each(image.Field(directory + 16 + 8 * i, 4), image.Field(directory + 20 + 8 * i, 4));
    };
    auto below = [&](std::uint32_t value) {
        if (!(value & 0x80000000u)) image.Damaged("a resource directory holds data where a directory belongs");
        return root + (value & 0x7FFFFFFFu);
    };
    entries(root, [&](std::uint32_t type, std::uint32_t types) {
        entries(below(types), [&](std::uint32_t name, std::uint32_t names) {
            entries(below(names), [&](std::uint32_t language, std::uint32_t data) {
                if (data & 0x80000000u) image.Damaged("a resource language holds a directory");
                const std::uint64_t entry = root + data;
                file.resources.push_back({EntryName(image, root, type), EntryName(image, root, name), language,
                                          image.Slice(sections.Offset(image.Field(entry, 4)), image.Field(entry + 4, 4))});
            });
        });
    });
}

} // namespace

PeFile ReadPeFile(const std::filesystem::path& path) {
    const Image image(testsupport::ReadFile(path), path.string());
    if (image.Field(0, 2) != 0x5A4D) image.Damaged("it is no MZ executable");
    const std::uint64_t header = image.Field(0x3C, 4);
    if (image.Field(header, 4) != 0x00004550) image.Damaged("it is no PE module");
    const std::uint64_t optional = header + 24;
    PeFile file{image.Field(optional, 2) == 0x20B, {}, {}, {}};
    const Sections sections(image, optional + image.Field(header + 20, 2), image.Field(header + 6, 2));
    const std::uint64_t directories = optional + (file.wide ? 112 : 96);
    const std::uint32_t directoryCount = image.Field(optional + (file.wide ? 108 : 92), 4);
    auto directory = [&](unsigned index) { return index < directoryCount ? image.Field(directories + 8 * index, 4) : 0; };
    if (const std::uint32_t rva = directory(0)) ReadExports(image, sections, rva, file);
    if (const std::uint32_t rva = directory(1)) ReadImports(image, sections, rva, file);
    if (const std::uint32_t rva = directory(2)) ReadResources(image, sections, rva, file);
    return file;
}

} // namespace petables
