#include "win32/hosted/elf_file.h"

namespace hosted {

bool Within(std::uint64_t start, std::uint64_t count, std::uint64_t size, std::uint64_t limit) {
    return start <= limit && (size == 0 || count <= (limit - start) / size);
}

ElfFile::ElfFile(ByteView bytes) : bytes_(bytes) { header_ = At<ElfW(Ehdr)>(0, "the ELF header"); }

void ElfFile::ReadSegments() {
    Need(header_.e_phoff, header_.e_phnum, sizeof(ElfW(Phdr)), "the program headers");
    segments_.reserve(header_.e_phnum);
    for (ElfW(Half) i = 0; i < header_.e_phnum; ++i)
        segments_.push_back(At<ElfW(Phdr)>(header_.e_phoff + i * sizeof(ElfW(Phdr)), "a program header"));
}

void ElfFile::Need(std::uint64_t at, std::uint64_t count, std::uint64_t size, const char* what) const {
    if (!Within(at, count, size, bytes_.size()))
        throw BadModule(std::string(what) + " at byte " + std::to_string(at) + " runs past the end of the file");
}

std::string_view ElfFile::TextAt(std::uint64_t at, std::uint64_t end, const char* what) const {
    Need(at, end - at, what);
    const auto* start = reinterpret_cast<const char*>(bytes_.data() + at);
    const void* nul = std::memchr(start, 0, end - at);
    if (!nul) throw BadModule(std::string(what) + " at byte " + std::to_string(at) + " does not end");
    return std::string_view(start, static_cast<const char*>(nul));
}

const ElfW(Phdr)* ElfFile::LoadHolding(std::uint64_t address, std::uint64_t size) const {
    for (const ElfW(Phdr)& segment : segments_)
        if (segment.p_type == PT_LOAD && address >= segment.p_vaddr &&
            Within(address - segment.p_vaddr, 1, size, segment.p_memsz))
            return &segment;
    return nullptr;
}

std::uint64_t ElfFile::OffsetOf(std::uint64_t address, std::uint64_t count, std::uint64_t size, const char* what) const {
    for (const ElfW(Phdr)& segment : segments_) {
        if (segment.p_type != PT_LOAD || address < segment.p_vaddr || address - segment.p_vaddr >= segment.p_filesz)
            continue;
        if (!Within(address - segment.p_vaddr, count, size, segment.p_filesz)) break;
        return segment.p_offset + (address - segment.p_vaddr);
    }
    throw BadModule(std::string(what) + " at address " + std::to_string(address) +
                    " does not lie in what a segment maps from the file");
}

} // namespace hosted
