#include "zelvan-host/module_exports.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "common/outcome.h"
#include "win32/little_endian.h"

namespace zelvan_host {

namespace {

// Little-endian fields at offsets checked against the file.
class FileBytes {
public:
    FileBytes(std::span<const std::uint8_t> bytes, const std::string& what) : bytes_(bytes), what_(what) {}

    std::uint64_t Field(std::uint64_t at, unsigned size) const {
        Need(at, size);
        return win32::LittleEndian(bytes_, static_cast<std::size_t>(at), size);
    }
    // The name at `at`, or its first `longest` bytes when it is longer.
    std::string_view Text(std::uint64_t at, std::uint64_t longest = ~std::uint64_t{0}) const {
        Need(at, 1);
        const auto* start = reinterpret_cast<const char*>(bytes_.data()) + at;
        const std::size_t room = bytes_.size() - static_cast<std::size_t>(at);
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(room, longest));
        const void* end = std::memchr(start, 0, length);
        if (!end && length == room) Damaged("a name runs past the end of the file");
        return std::string_view(start, end ? static_cast<const char*>(end) : start + length);
    }
    void Need(std::uint64_t at, std::uint64_t size) const {
        if (at > bytes_.size() || size > bytes_.size() - at) Damaged("a table lies past the end of the file");
    }
    [[noreturn]] void Damaged(const std::string& why) const { throw tools::Failure(what_ + ": " + why); }

private:
    std::span<const std::uint8_t> bytes_;
    const std::string& what_;
};

// A version node named after a hash: "H1A2B3C4D".
constexpr std::size_t hashedVersionLength = 9;

std::string Versioned(std::string_view name, std::string_view version) {
    const bool hashed = version.size() == hashedVersionLength && version[0] == 'H' &&
                        version.find_first_not_of("0123456789ABCDEF", 1) == std::string_view::npos;
    return std::string(name) + (hashed ? "@" + std::string(version.substr(1)) : "");
}

std::vector<std::string> ElfExports(const FileBytes& file) {
    constexpr std::uint32_t dynamicSymbols = 11, versionDefinitions = 0x6ffffffd, versionOfSymbols = 0x6fffffff;
    constexpr std::uint16_t undefined = 0, absolute = 0xfff1;
    const bool wide = file.Field(4, 1) == 2;
    if (file.Field(5, 1) != 1) file.Damaged("it is an ELF file of big-endian byte order, which is not read here");
    const unsigned word = wide ? 8 : 4;
    const std::uint64_t sectionsAt = file.Field(wide ? 0x28 : 0x20, word);
    const std::uint64_t sectionSize = file.Field(wide ? 0x3A : 0x2E, 2);
    const std::uint64_t sectionCount = file.Field(wide ? 0x3C : 0x30, 2);
    struct Section {
        std::uint64_t type, offset, size, link, info, entry;
    };
    auto section = [&](std::uint64_t index) {
        const std::uint64_t at = sectionsAt + index * sectionSize;
        return Section{file.Field(at + 4, 4), file.Field(at + (wide ? 0x18 : 0x10), word),
                       file.Field(at + (wide ? 0x20 : 0x14), word), file.Field(at + (wide ? 0x28 : 0x18), 4),
                       file.Field(at + (wide ? 0x2C : 0x1C), 4), file.Field(at + (wide ? 0x38 : 0x24), word)};
    };
    std::optional<Section> symbols, versions, definitions;
    for (std::uint64_t i = 0; i < sectionCount; ++i) {
        const Section found = section(i);
        if (found.type == dynamicSymbols) symbols = found;
        if (found.type == versionOfSymbols) versions = found;
        if (found.type == versionDefinitions) definitions = found;
    }
    if (!symbols) file.Damaged("it has no dynamic symbols: it is no shared object");
    if (symbols->link >= sectionCount || symbols->entry == 0) file.Damaged("its dynamic symbols are malformed");
    const std::uint64_t names = section(symbols->link).offset;

    // Version index to the version's name, the first definition of an index
    // winning, read in one walk of the definitions; of a name no more than
    // tells whether it is a hash's.
    std::unordered_map<std::uint64_t, std::string_view> versionNames;
    if (definitions && definitions->link < sectionCount) {
        const std::uint64_t strings = section(definitions->link).offset;
        std::uint64_t at = definitions->offset;
        for (std::uint64_t n = 0; n < definitions->info; ++n) {
            const std::uint64_t name = strings + file.Field(at + file.Field(at + 12, 4), 4);
            versionNames.emplace(file.Field(at + 4, 2), file.Text(name, hashedVersionLength + 1));
            const std::uint64_t next = file.Field(at + 16, 4);
            if (next == 0) break;
            at += next;
        }
    }
    auto versionName = [&](std::uint64_t index) {
        const auto found = versionNames.find(index);
        return found == versionNames.end() ? std::string_view() : found->second;
    };

    std::vector<std::string> exported;
    for (std::uint64_t i = 1; i < symbols->size / symbols->entry; ++i) {
        const std::uint64_t at = symbols->offset + i * symbols->entry;
        const std::uint64_t info = file.Field(at + (wide ? 4 : 12), 1);
        const std::uint64_t index = file.Field(at + (wide ? 6 : 14), 2);
        const std::uint64_t binding = info >> 4;
        if (index == undefined || index == absolute || (binding != 1 && binding != 2)) continue;
        const std::string_view name = file.Text(names + file.Field(at, 4));
        const std::uint64_t version = versions ? file.Field(versions->offset + 2 * i, 2) & 0x7fff : 0;
        exported.push_back(version > 1 ? Versioned(name, versionName(version)) : std::string(name));
    }
    return exported;
}

std::vector<std::string> PeExports(const FileBytes& file) {
    const std::uint64_t header = file.Field(0x3C, 4);
    if (file.Field(header, 4) != 0x00004550) file.Damaged("it is no PE module");
    const std::uint64_t sectionCount = file.Field(header + 6, 2);
    const std::uint64_t optional = header + 24;
    const std::uint64_t optionalSize = file.Field(header + 20, 2);
    const bool wide = file.Field(optional, 2) == 0x20B;
    const std::uint64_t directories = optional + (wide ? 112 : 96);
    if (file.Field(optional + (wide ? 108 : 92), 4) == 0) return {};
    const std::uint64_t exportsRva = file.Field(directories, 4);
    if (exportsRva == 0) return {};
    // A relative address to where the file holds it, through the section table.
    auto offsetOf = [&](std::uint64_t rva) {
        for (std::uint64_t i = 0; i < sectionCount; ++i) {
            const std::uint64_t at = optional + optionalSize + i * 40;
            const std::uint64_t start = file.Field(at + 12, 4);
            const std::uint64_t size = std::max(file.Field(at + 8, 4), file.Field(at + 16, 4));
            if (rva >= start && rva < start + size) return rva - start + file.Field(at + 20, 4);
        }
        file.Damaged("an export table lies outside its sections");
    };
    const std::uint64_t directory = offsetOf(exportsRva);
    const std::uint64_t nameCount = file.Field(directory + 24, 4);
    const std::uint64_t namesAt = offsetOf(file.Field(directory + 32, 4));
    file.Need(namesAt, nameCount * 4);
    std::vector<std::string> exported;
    for (std::uint64_t i = 0; i < nameCount; ++i)
        exported.emplace_back(file.Text(offsetOf(file.Field(namesAt + 4 * i, 4))));
    return exported;
}

} // namespace

std::vector<std::string> ExportedNames(std::span<const std::uint8_t> bytes, const std::string& what) {
    const FileBytes file(bytes, what);
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "\x7F" "ELF", 4) == 0) return ElfExports(file);
    if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') return PeExports(file);
    file.Damaged("it is neither an ELF shared object nor a PE module");
}

} // namespace zelvan_host
