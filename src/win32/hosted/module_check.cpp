#include "win32/hosted/module_check.h"

#include <algorithm>
#include <unistd.h>

#include "win32/hosted/elf_notes.h"
#include "win32/hosted/module_tables.h"
#include "win32/hosted/resource_image.h"
#include "win32/hosted/resource_note.h"
#include "win32/module_image.h"

// This library's own ELF header: a loadable module is one of its kind.
extern "C" const ElfW(Ehdr) __ehdr_start;

namespace hosted {

namespace {

std::string Numbered(const char* what, std::size_t index) { return what + std::string(" ") + std::to_string(index); }

bool PowerOfTwoOrNone(std::uint64_t align) { return (align & (align - 1)) == 0; }

void CheckHeader(const ElfFile& file) {
    const ElfW(Ehdr)& header = file.Header();
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) throw BadModule("it is no ELF file");
    if (header.e_ident[EI_CLASS] != __ehdr_start.e_ident[EI_CLASS] ||
        header.e_ident[EI_DATA] != __ehdr_start.e_ident[EI_DATA] || header.e_machine != __ehdr_start.e_machine)
        throw BadModule("it is an ELF file of another class, byte order or machine than this program's");
    if (header.e_ident[EI_VERSION] != EV_CURRENT || header.e_version != EV_CURRENT)
        throw BadModule("its ELF version is not " + std::to_string(EV_CURRENT));
    if (header.e_type != ET_DYN) throw BadModule("it is no shared object");
    if (header.e_ehsize != sizeof(ElfW(Ehdr)) || header.e_phentsize != sizeof(ElfW(Phdr)))
        throw BadModule("its ELF header gives sizes of headers that ELF files of its class do not have");
    if (header.e_shnum != 0 && (header.e_shentsize != sizeof(ElfW(Shdr)) ||
                                !Within(header.e_shoff, header.e_shnum, sizeof(ElfW(Shdr)), file.Size())))
        throw BadModule("its section headers do not lie in the file");
}

// The loadable segments: in the file, in address order without overlap,
// no larger together than a module image can be, the first mapping the
// headers, as the module's handle is the address of its ELF header.
void CheckLoads(const ElfFile& file) {
    static const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const ElfW(Phdr)* previous = nullptr;
    std::uint64_t lowest = 0;
    for (std::size_t i = 0; i < file.Segments().size(); ++i) {
        const ElfW(Phdr)& segment = file.Segments()[i];
        if (segment.p_type != PT_LOAD) continue;
        const std::string name = Numbered("program header", i);
        if (!Within(segment.p_offset, 1, segment.p_filesz, file.Size()))
            throw BadModule(name + "'s segment runs past the end of the file");
        if (segment.p_filesz > segment.p_memsz) throw BadModule(name + "'s segment has more bytes in the file than in memory");
        if (!Within(segment.p_vaddr, 1, segment.p_memsz, ~std::uint64_t{0} - page))
            throw BadModule(name + "'s segment runs past the end of the address space");
        if (!PowerOfTwoOrNone(segment.p_align) || segment.p_vaddr % page != segment.p_offset % page ||
            (segment.p_align > 1 && segment.p_vaddr % segment.p_align != segment.p_offset % segment.p_align))
            throw BadModule(name + "'s segment is not aligned as its address and offset say");
        if (!previous) {
            lowest = segment.p_vaddr;
            const std::uint64_t headers = file.Header().e_phoff + file.Segments().size() * sizeof(ElfW(Phdr));
            if (segment.p_offset != 0 || segment.p_filesz < std::max<std::uint64_t>(headers, sizeof(ElfW(Ehdr))))
                throw BadModule("its first loadable segment does not map its headers");
        } else if (segment.p_vaddr < previous->p_vaddr + previous->p_memsz) {
            throw BadModule(name + "'s segment overlaps the one before it, or comes before it");
        }
        if (segment.p_vaddr + segment.p_memsz - lowest > win32::largestModuleImage)
            throw BadModule("its segments span more than a module image can (" +
                            std::to_string(win32::largestModuleImage) + " bytes)");
        previous = &segment;
    }
    if (!previous) throw BadModule("it has no loadable segment");
}

// A segment that the loader or the module reads through its mapping: mapped
// from the file at the place its own offset says.
void CheckMapped(const ElfFile& file, const ElfW(Phdr)& segment, const std::string& name) {
    if (segment.p_memsz != segment.p_filesz ||
        file.OffsetOf(segment.p_vaddr, 1, segment.p_filesz, name.c_str()) != segment.p_offset)
        throw BadModule(name + " is not where a loadable segment maps it");
}

void CheckNotes(const ElfFile& file, ByteView bytes, const ElfW(Phdr)& segment, const std::string& name) {
    CheckMapped(file, segment, name);
    constexpr std::string_view owner(ZELVAN_RESOURCE_NOTE_OWNER, sizeof ZELVAN_RESOURCE_NOTE_OWNER);
    std::string resources;
    const bool whole = ForEachNote(bytes.subspan(segment.p_offset, segment.p_filesz), segment.p_align,
                                   [&](std::string_view noteOwner, std::uint32_t type, ByteView descriptor) {
                                       if (noteOwner == owner && type == ZELVAN_RESOURCE_NOTE_TYPE)
                                           resources = ResourceImageFault(descriptor);
                                       return !resources.empty();
                                   });
    if (!resources.empty()) throw BadModule(resources);
    if (!whole) throw BadModule(name + "'s notes break off");
}

// The other segments the loader uses, and where they must lie.
const ElfW(Phdr)& CheckSegments(const ElfFile& file, ByteView bytes) {
    const ElfW(Phdr)* dynamic = nullptr;
    for (std::size_t i = 0; i < file.Segments().size(); ++i) {
        const ElfW(Phdr)& segment = file.Segments()[i];
        const std::string name = Numbered("program header", i);
        switch (segment.p_type) {
        case PT_DYNAMIC:
            if (dynamic) throw BadModule("it has more than one dynamic section");
            CheckMapped(file, segment, name);
            // The loader adjusts the dynamic section in place.
            if (!InSegmentWith(file, segment.p_vaddr, segment.p_memsz, PF_W) ||
                segment.p_filesz % sizeof(ElfW(Dyn)) != 0)
                throw BadModule(name + "'s dynamic section is not whole entries in writable memory");
            dynamic = &segment;
            break;
        case PT_NOTE:
        case PT_GNU_PROPERTY: CheckNotes(file, bytes, segment, name); break;
        case PT_PHDR:
            CheckMapped(file, segment, name);
            if (segment.p_offset != file.Header().e_phoff ||
                segment.p_filesz != file.Segments().size() * sizeof(ElfW(Phdr)))
                throw BadModule(name + " is not the program headers");
            break;
        case PT_GNU_EH_FRAME: CheckMapped(file, segment, name); break;
        case PT_TLS:
            if (!PowerOfTwoOrNone(segment.p_align) || segment.p_filesz > segment.p_memsz ||
                (segment.p_filesz > 0 &&
                 file.OffsetOf(segment.p_vaddr, 1, segment.p_filesz, name.c_str()) != segment.p_offset))
                throw BadModule(name + "'s thread-local image is not where a loadable segment maps it");
            break;
        case PT_GNU_RELRO: {
            // Made read-only after relocation: part of writable memory, from its start.
            const ElfW(Phdr)* load = file.LoadHolding(segment.p_vaddr, segment.p_memsz);
            if (!load || !(load->p_flags & PF_W) || load->p_vaddr != segment.p_vaddr)
                throw BadModule(name + "'s read-only range is not the start of a writable segment");
            break;
        }
        default: break;
        }
    }
    if (!dynamic) throw BadModule("it has no dynamic section");
    return *dynamic;
}

DynamicEntries ReadDynamic(const ElfFile& file, const ElfW(Phdr)& segment) {
    DynamicEntries dynamic;
    for (std::uint64_t at = 0; at < segment.p_filesz; at += sizeof(ElfW(Dyn))) {
        const auto entry = file.At<ElfW(Dyn)>(segment.p_offset + at, "a dynamic entry");
        if (entry.d_tag == DT_NULL) return dynamic;
        if (entry.d_tag == DT_NEEDED) dynamic.needed.push_back(entry.d_un.d_val);
        else dynamic.values[entry.d_tag] = entry.d_un.d_val;
    }
    throw BadModule("its dynamic section has no end");
}

// The module's names in the string table, and its initialisers in code.
void CheckDynamic(const ElfFile& file, const DynamicEntries& dynamic, const StringTable& strings) {
    for (std::uint64_t needed : dynamic.needed)
        if (strings.At(needed, "a needed module's name").empty()) throw BadModule("it needs a module without a name");
    for (std::int64_t tag : {DT_SONAME, DT_RPATH, DT_RUNPATH})
        if (const std::optional<std::uint64_t> name = dynamic.Get(tag)) strings.At(*name, "a name of its dynamic section");
    for (std::int64_t tag : {DT_INIT, DT_FINI})
        if (const std::optional<std::uint64_t> code = dynamic.Get(tag); code && !InSegmentWith(file, *code, 1, PF_X))
            throw BadModule("its initialisation or finalisation code lies outside its code");
    const std::pair<std::int64_t, std::int64_t> arrays[] = {
        {DT_INIT_ARRAY, DT_INIT_ARRAYSZ}, {DT_FINI_ARRAY, DT_FINI_ARRAYSZ}, {DT_PREINIT_ARRAY, DT_PREINIT_ARRAYSZ}};
    for (const auto& [array, size] : arrays) {
        const std::uint64_t bytes = dynamic.Get(size).value_or(0);
        if (bytes % sizeof(ElfW(Addr)) != 0 || (bytes > 0 && !InSegmentWith(file, dynamic.Get(array).value_or(0), bytes, PF_W)))
            throw BadModule("an array of its initialisers or finalisers is not whole entries in writable memory");
    }
}

} // namespace

std::optional<std::uint64_t> DynamicEntries::Get(std::int64_t tag) const {
    const auto found = values.find(tag);
    return found == values.end() ? std::nullopt : std::optional(found->second);
}

bool InSegmentWith(const ElfFile& file, std::uint64_t address, std::uint64_t size, std::uint32_t flags) {
    const ElfW(Phdr)* load = file.LoadHolding(address, size);
    return load && (load->p_flags & flags) == flags;
}

std::string ModuleFault(ByteView bytes) {
    try {
        ElfFile file(bytes);
        CheckHeader(file);
        file.ReadSegments();
        CheckLoads(file);
        const DynamicEntries dynamic = ReadDynamic(file, CheckSegments(file, bytes));
        const StringTable strings(file, dynamic);
        CheckDynamic(file, dynamic, strings);
        CheckRelocations(file, dynamic, strings, CheckSymbolTables(file, dynamic, strings));
        return {};
    } catch (const BadModule& fault) {
        return fault.what();
    }
}

} // namespace hosted
