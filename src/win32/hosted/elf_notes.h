// The notes of an ELF note segment: each a header (name size, descriptor
// size, type), the name and the descriptor, each of the last two starting
// at an offset from the note's start that is a multiple of the segment's
// alignment (8 when it says 8, else 4), as the loader reads them.
#pragma once

#include <cstdint>
#include <cstring>
#include <link.h>
#include <string_view>

#include "win32/hosted/elf_module.h"

namespace hosted {

// Calls visit(name, type, descriptor) for each note until it returns true;
// returns false when the notes break off before the segment's end.
template <typename Visit> bool ForEachNote(ByteView notes, std::uint64_t segmentAlign, Visit visit) {
    const std::uint64_t align = segmentAlign == 8 ? 8 : 4;
    auto padded = [align](std::uint64_t n) { return (n + align - 1) / align * align; };
    std::uint64_t at = 0;
    while (notes.size() - at >= sizeof(ElfW(Nhdr))) {
        ElfW(Nhdr) header;
        std::memcpy(&header, notes.data() + at, sizeof header);
        const std::uint64_t descAt = padded(sizeof header + std::uint64_t{header.n_namesz});
        const std::uint64_t end = padded(descAt + header.n_descsz);
        if (end > notes.size() - at) return false;
        const std::string_view name(reinterpret_cast<const char*>(notes.data() + at + sizeof header), header.n_namesz);
        if (visit(name, header.n_type, notes.subspan(at + descAt, header.n_descsz))) return true;
        at += end;
    }
    return at == notes.size();
}

} // namespace hosted
