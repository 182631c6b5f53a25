// An ELF file of this process's class read as bytes, every read checked
// against the file: what the module checks look at before the system
// loader does. A read past the end, or of an address that no segment maps
// from the file, throws BadModule saying what was read.
#pragma once

#include <cstdint>
#include <cstring>
#include <link.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "win32/hosted/elf_module.h"

namespace hosted {

// What makes a file no well-formed module, in words that follow its name.
class BadModule : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ElfFile {
public:
    // Reads the ELF header.
    explicit ElfFile(ByteView bytes);
    // Reads the program headers that the header places.
    void ReadSegments();

    const ElfW(Ehdr)& Header() const { return header_; }
    const std::vector<ElfW(Phdr)>& Segments() const { return segments_; }
    std::uint64_t Size() const { return bytes_.size(); }

    // A T at file offset `at`.
    template <typename T> T At(std::uint64_t at, const char* what) const {
        Need(at, sizeof(T), what);
        T value;
        std::memcpy(&value, bytes_.data() + at, sizeof value);
        return value;
    }
    // The text from `at` to the first NUL before `end`, which must lie in the file.
    std::string_view TextAt(std::uint64_t at, std::uint64_t end, const char* what) const;
    // Throws unless [at, at + count * size) lies in the file.
    void Need(std::uint64_t at, std::uint64_t count, std::uint64_t size, const char* what) const;
    void Need(std::uint64_t at, std::uint64_t size, const char* what) const { Need(at, 1, size, what); }

    // The file offset of `count` items of `size` bytes at address `address`:
    // they must lie in the file-backed part of one loadable segment.
    std::uint64_t OffsetOf(std::uint64_t address, std::uint64_t count, std::uint64_t size, const char* what) const;
    // The loadable segment whose memory holds [address, address + size), if one does.
    const ElfW(Phdr)* LoadHolding(std::uint64_t address, std::uint64_t size) const;

private:
    ByteView bytes_;
    ElfW(Ehdr) header_{};
    std::vector<ElfW(Phdr)> segments_;
};

// The symbol and the type a relocation's info packs, for this class.
constexpr std::uint64_t RelocationSymbol(std::uint64_t info) {
    return sizeof(ElfW(Addr)) == 8 ? ELF64_R_SYM(info) : ELF32_R_SYM(info);
}
constexpr unsigned RelocationType(std::uint64_t info) {
    return static_cast<unsigned>(sizeof(ElfW(Addr)) == 8 ? ELF64_R_TYPE(info) : ELF32_R_TYPE(info));
}

// Whether [start, start + count * size) lies in [0, limit), without overflow.
bool Within(std::uint64_t start, std::uint64_t count, std::uint64_t size, std::uint64_t limit);

} // namespace hosted
