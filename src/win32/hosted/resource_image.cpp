#include "win32/hosted/resource_image.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win32/little_endian.h"

namespace hosted {

namespace {

constexpr std::size_t alignment = 4;
constexpr WORD ordinalMark = 0xFFFF;

std::size_t Aligned(std::size_t n) { return (n + alignment - 1) / alignment * alignment; }


// A type or a name: a number, or UTF-16 text.
struct ResourceId {
    std::optional<WORD> ordinal;
    ByteView text; // without its terminating zero
};

// Reads an id at `at` within `header`; advances `at` past it.
std::optional<ResourceId> ReadId(ByteView header, std::size_t& at) {
    if (header.size() - at < 2) return std::nullopt;
    if (win32::Le16(header, at) == ordinalMark) {
        if (header.size() - at < 4) return std::nullopt;
        ResourceId id{win32::Le16(header, at + 2), {}};
        at += 4;
        return id;
    }
    for (std::size_t end = at; header.size() - end >= 2; end += 2) {
        if (win32::Le16(header, end) == 0) {
            ResourceId id{std::nullopt, header.subspan(at, end - at)};
            at = end + 2;
            return id;
        }
    }
    return std::nullopt;
}

struct Entry {
    ResourceId type;
    ResourceId name;
    LANGID language;
    ResourceEntry found;
};

// Calls visit(entry) for each entry until it returns true or the image ends
// or breaks off. Returns where it broke off: the offset of an entry that
// is damaged, or of bytes after the last entry that are none.
template <typename Visit> std::optional<std::size_t> ForEachEntry(ByteView image, Visit visit) {
    constexpr std::size_t fixedHead = 8;  // data size, header size
    constexpr std::size_t fixedTail = 16; // data version, flags, language, version, characteristics
    std::size_t at = 0;
    while (at < image.size()) {
        if (image.size() - at < fixedHead) return at;
        const DWORD dataSize = win32::Le32(image, at);
        const DWORD headerSize = win32::Le32(image, at + 4);
        if (headerSize < fixedHead + fixedTail || headerSize > image.size() - at ||
            dataSize > image.size() - at - headerSize)
            return at;
        const ByteView header = image.subspan(at, headerSize);
        std::size_t idAt = fixedHead;
        const std::optional<ResourceId> type = ReadId(header, idAt);
        const std::optional<ResourceId> name = type ? ReadId(header, idAt) : std::nullopt;
        if (!name || Aligned(idAt) + fixedTail > headerSize) return at;
        constexpr std::size_t languageAt = 6; // after the data version and the memory flags
        const Entry entry{*type, *name, win32::Le16(header, Aligned(idAt) + languageAt),
                          {image.data() + at, image.subspan(at + headerSize, dataSize)}};
        if (entry.type.ordinal != 0 && visit(entry)) return std::nullopt;
        const std::size_t next = Aligned(at + headerSize + dataSize);
        if (next > image.size()) return at;
        at = next;
    }
    return std::nullopt;
}

bool Matches(const ResourceId& id, LPCSTR wanted) {
    if (IS_INTRESOURCE(wanted)) return id.ordinal == static_cast<WORD>(reinterpret_cast<UINT_PTR>(wanted));
    if (wanted[0] == '#') {
        char* end = nullptr;
        const unsigned long number = std::strtoul(wanted + 1, &end, 10);
        return *end == '\0' && end != wanted + 1 && number <= 0xFFFF && id.ordinal == number;
    }
    if (id.ordinal) return false;
    const std::size_t length = std::strlen(wanted);
    if (id.text.size() != 2 * length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const WORD unit = win32::Le16(id.text, 2 * i);
        const auto byte = static_cast<unsigned char>(wanted[i]);
        if (unit != byte && unit != static_cast<WORD>(std::toupper(byte))) return false;
    }
    return true;
}

} // namespace

Result<ResourceEntry> FindResourceEntry(ByteView image, LPCSTR name, LPCSTR type, LANGID language) {
    // The order of the languages: the thread's, the neutral one, then the others by id.
    auto rank = [language](LANGID candidate) -> std::uint32_t {
        if (candidate == language) return 0;
        if (candidate == MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)) return 1;
        return 2u + candidate;
    };
    std::optional<ResourceEntry> found;
    std::uint32_t foundRank = 0;
    DWORD error = ERROR_RESOURCE_DATA_NOT_FOUND;
    ForEachEntry(image, [&](const Entry& entry) {
        if (!Matches(entry.type, type)) {
            if (error == ERROR_RESOURCE_DATA_NOT_FOUND) error = ERROR_RESOURCE_TYPE_NOT_FOUND;
            return false;
        }
        if (!found) error = ERROR_RESOURCE_NAME_NOT_FOUND;
        if (Matches(entry.name, name) && (!found || rank(entry.language) < foundRank)) {
            found = entry.found;
            foundRank = rank(entry.language);
        }
        return found && foundRank == 0;
    });
    if (!found) return Refusal{error, {}};
    return *found;
}

std::string ResourceImageFault(ByteView image) {
    const std::optional<std::size_t> broken = ForEachEntry(image, [](const Entry&) { return false; });
    return broken ? "its resource entry at byte " + std::to_string(*broken) + " of " + std::to_string(image.size()) +
                        " is damaged"
                  : std::string();
}

std::optional<ResourceEntry> ResourceEntryAt(ByteView image, const void* header) {
    std::optional<ResourceEntry> found;
    ForEachEntry(image, [&](const Entry& entry) {
        if (entry.found.header == header) found = entry.found;
        return found.has_value();
    });
    return found;
}

} // namespace hosted
