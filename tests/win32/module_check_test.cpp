// Damaged modules: one field of the fixture changed at a time, each such
// that the system loader would map something that is not there, walk a
// table off its end or write where it must not. LoadLibraryA refuses each
// with ERROR_BAD_EXE_FORMAT, as Windows refuses a damaged PE, before the
// loader sees it; the load runs in a child process, so that a loader that
// crashes shows as what it is.
#include <elf.h>
#include <functional>
#include <link.h>
#include <sys/wait.h>
#include <unistd.h>

#include "module_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;

// The fixture's bytes, and its structures found as the loader finds them.
class ModuleBytes {
public:
    ModuleBytes() : bytes_(testsupport::ReadFile(FixturePath())) {}

    template <typename T> T& At(std::uint64_t offset) { return *reinterpret_cast<T*>(bytes_.data() + offset); }
    ElfW(Ehdr)& Header() { return At<ElfW(Ehdr)>(0); }
    ElfW(Phdr)& Segment(std::size_t index) { return At<ElfW(Phdr)>(Header().e_phoff + index * sizeof(ElfW(Phdr))); }
    // The index-th program header of `type`.
    ElfW(Phdr)& SegmentOf(std::uint32_t type, std::size_t index = 0) {
        for (std::size_t i = 0; i < Header().e_phnum; ++i)
            if (Segment(i).p_type == type && index-- == 0) return Segment(i);
        throw std::runtime_error("the fixture has no such segment");
    }
    std::uint64_t OffsetOf(std::uint64_t address) {
        for (std::size_t i = 0; i < Header().e_phnum; ++i) {
            const ElfW(Phdr)& segment = Segment(i);
            if (segment.p_type == PT_LOAD && address >= segment.p_vaddr && address < segment.p_vaddr + segment.p_filesz)
                return segment.p_offset + address - segment.p_vaddr;
        }
        throw std::runtime_error("the fixture maps no such address");
    }
    ElfW(Dyn)& Dynamic(std::int64_t tag) {
        for (auto* entry = &At<ElfW(Dyn)>(SegmentOf(PT_DYNAMIC).p_offset); entry->d_tag != DT_NULL; ++entry)
            if (entry->d_tag == tag) return *entry;
        throw std::runtime_error("the fixture's dynamic section has no such entry");
    }
    // The table a dynamic entry points at.
    template <typename T> T& Table(std::int64_t tag, std::uint64_t byte = 0) {
        return At<T>(OffsetOf(Dynamic(tag).d_un.d_ptr) + byte);
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

// What LoadLibraryA does with `path` in a child process: "refused
// (ERROR_BAD_EXE_FORMAT)", "loaded", or how the child died.
std::string LoadOutcome(const std::filesystem::path& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10); // a loader that loops is killed
        const HMODULE module = LoadLibraryA(path.c_str());
        ::_exit(module ? 0 : GetLastError() == ERROR_BAD_EXE_FORMAT ? 1 : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    switch (WEXITSTATUS(status)) {
    case 0: return "loaded";
    case 1: return "refused (ERROR_BAD_EXE_FORMAT)";
    case 2: return "refused with another error";
    default: return "exit " + std::to_string(WEXITSTATUS(status));
    }
}

using ModuleCheckTest = HostedTest;

TEST_F(ModuleCheckTest, ADamagedTableTheLoaderReadsMakesTheFileNoModule) {
    const std::pair<const char*, std::function<void(ModuleBytes&)>> damages[] = {
        {"a segment that overlaps the next in memory",
         [](ModuleBytes& m) { m.SegmentOf(PT_LOAD, 2).p_memsz += 0xF200; }},
        {"a segment that runs past the end of the file",
         [](ModuleBytes& m) { m.SegmentOf(PT_LOAD, 3).p_filesz = m.SegmentOf(PT_LOAD, 3).p_memsz = 0x100000; }},
        {"a first segment that does not map the headers", [](ModuleBytes& m) { m.SegmentOf(PT_LOAD, 0).p_filesz = 16; }},
        {"a dynamic section in read-only memory",
         [](ModuleBytes& m) { m.SegmentOf(PT_DYNAMIC).p_vaddr = m.SegmentOf(PT_LOAD, 2).p_vaddr; }},
        {"a read-only range outside writable memory",
         [](ModuleBytes& m) { m.SegmentOf(PT_GNU_RELRO).p_vaddr = m.SegmentOf(PT_LOAD, 1).p_vaddr; }},
        {"a string table without its last zero", [](ModuleBytes& m) { --m.Dynamic(DT_STRSZ).d_un.d_val; }},
        {"a symbol whose name lies outside the string table",
         [](ModuleBytes& m) { m.Table<ElfW(Sym)>(DT_SYMTAB, sizeof(ElfW(Sym))).st_name = 0xFFFFFF; }},
        {"a .hash chain that loops",
         [](ModuleBytes& m) {
             const auto buckets = m.Table<std::uint32_t>(DT_HASH);
             std::uint32_t head = 0;
             for (std::uint32_t b = 0; head == 0; ++b) head = m.Table<std::uint32_t>(DT_HASH, 8 + 4 * b);
             m.Table<std::uint32_t>(DT_HASH, 8 + 4 * (buckets + head)) = head;
         }},
        {"a .hash table that counts other symbols than .gnu.hash", [](ModuleBytes& m) { ++m.Table<std::uint32_t>(DT_HASH, 4); }},
        {"a .gnu.hash bucket out of its chains' order",
         [](ModuleBytes& m) { m.Table<std::uint32_t>(DT_GNU_HASH, 16 + 8 * m.Table<std::uint32_t>(DT_GNU_HASH, 8)) += 1; }},
        {"a .gnu.hash filter without a symbol's bits",
         [](ModuleBytes& m) { m.Table<ElfW(Addr)>(DT_GNU_HASH, 16) = 0; }},
        {"a .gnu.hash whose filter is not a power of two words",
         [](ModuleBytes& m) { m.Table<std::uint32_t>(DT_GNU_HASH, 8) = 3; }},
        {"a version need naming a module that is not needed",
         [](ModuleBytes& m) { m.Table<ElfW(Verneed)>(DT_VERNEED).vn_file += 1; }},
        {"more version needs than the chain holds", [](ModuleBytes& m) { ++m.Dynamic(DT_VERNEEDNUM).d_un.d_val; }},
        {"a version definition whose hash is not its name's",
         [](ModuleBytes& m) { m.Table<ElfW(Verdef)>(DT_VERDEF).vd_hash ^= 1; }},
        {"a symbol of a version neither defined nor needed",
         [](ModuleBytes& m) { m.Table<std::uint16_t>(DT_VERSYM, 2) = 0x7ff0; }},
        {"a relocation that writes to read-only memory", [](ModuleBytes& m) { m.Table<ElfW(Rela)>(DT_RELA).r_offset = 0; }},
        {"more relative relocations counted than there are",
         [](ModuleBytes& m) { m.Dynamic(DT_RELACOUNT).d_un.d_val = m.Dynamic(DT_RELASZ).d_un.d_val / sizeof(ElfW(Rela)); }},
        {"a relocation of a symbol past the table",
         [](ModuleBytes& m) { m.Table<ElfW(Rela)>(DT_JMPREL).r_info |= ElfW(Xword){0xFFFFFF} << 32; }},
        {"initialisation code outside the code", [](ModuleBytes& m) { m.Dynamic(DT_INIT).d_un.d_ptr = 0; }},
        {"a note that runs past its segment", [](ModuleBytes& m) { m.At<ElfW(Nhdr)>(m.SegmentOf(PT_NOTE).p_offset).n_descsz += 0x1000; }},
    };
    for (const auto& [damage, apply] : damages) {
        SCOPED_TRACE(damage);
        ModuleBytes module;
        apply(module);
        testsupport::WriteFile(dir / "damaged.so", module.bytes());
        EXPECT_EQ(LoadOutcome(dir / "damaged.so"), "refused (ERROR_BAD_EXE_FORMAT)");
        EXPECT_EQ(LoadLibraryExA((dir / "damaged.so").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    }
    // The fixture as it was loads.
    EXPECT_EQ(LoadOutcome(FixturePath()), "loaded");
}

} // namespace
} // namespace hostedtest
