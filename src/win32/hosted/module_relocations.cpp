// The relocations of a module: every entry names a symbol in its table and
// a place in its writable memory (in any of its memory when it declares
// text relocations); a relocation whose value the loader calls, an indirect
// function's, names code of the module; copy relocations are a program's.
#include <type_traits>

#include "win32/hosted/module_tables.h"

namespace hosted {

namespace {

#if defined(__x86_64__)
constexpr unsigned relocRelative = R_X86_64_RELATIVE, relocCopy = R_X86_64_COPY, relocIndirect = R_X86_64_IRELATIVE,
                   relocTlsDescriptor = R_X86_64_TLSDESC;
#elif defined(__i386__)
constexpr unsigned relocRelative = R_386_RELATIVE, relocCopy = R_386_COPY, relocIndirect = R_386_IRELATIVE,
                   relocTlsDescriptor = R_386_TLS_DESC;
#else
#error "the module check knows the relocations of x86 machines only"
#endif

constexpr std::uint64_t word = sizeof(ElfW(Addr));

class RelocationCheck {
public:
    RelocationCheck(const ElfFile& file, const DynamicEntries& dynamic, const StringTable& strings,
                    const SymbolTable& symbols)
        : file_(file), strings_(strings), symbols_(symbols),
          targetFlags_(dynamic.Get(DT_TEXTREL) || (dynamic.Get(DT_FLAGS).value_or(0) & DF_TEXTREL) ? 0 : PF_W) {}

    // One relocation: its target, its symbol, and the code it may name.
    void Check(std::uint64_t target, std::uint64_t info, std::optional<std::uint64_t> addend) const {
        const unsigned type = RelocationType(info);
        symbols_.Need(file_, strings_, RelocationSymbol(info));
        if (type == relocCopy) throw BadModule("it has a copy relocation, which only a program may have");
        Target(target, type == relocTlsDescriptor ? 2 * word : word);
        if (type != relocIndirect) return;
        const std::uint64_t resolver =
            addend ? *addend : file_.At<ElfW(Addr)>(file_.OffsetOf(target, 1, word, "a relocation's place"), "a relocation's place");
        if (!InSegmentWith(file_, resolver, 1, PF_X))
            throw BadModule("an indirect function's resolver lies outside its code");
    }

    void Target(std::uint64_t target, std::uint64_t size) const {
        if (!InSegmentWith(file_, target, size, targetFlags_))
            throw BadModule("a relocation of it changes memory that is not its writable memory");
    }

private:
    const ElfFile& file_;
    const StringTable& strings_;
    const SymbolTable& symbols_;
    std::uint32_t targetFlags_;
};

// The entries of the table of `bytes` at `address`, each an `Entry`.
template <typename Entry, typename Visit>
void ForEachEntry(const ElfFile& file, std::uint64_t address, std::uint64_t bytes, Visit visit) {
    if (bytes % sizeof(Entry) != 0) throw BadModule("a relocation table of it is not whole entries");
    const std::uint64_t count = bytes / sizeof(Entry);
    const std::uint64_t table = file.OffsetOf(address, count, sizeof(Entry), "a relocation table");
    for (std::uint64_t i = 0; i < count; ++i) visit(file.At<Entry>(table + i * sizeof(Entry), "a relocation"));
}

// The tags that place a table of relocations: where, how many bytes, the
// size of an entry, and how many relative relocations lead it.
struct TableTags {
    std::int64_t table, size;
    std::optional<std::int64_t> entrySize, relativeCount;
};

template <typename Entry>
void CheckTable(const ElfFile& file, const DynamicEntries& dynamic, const RelocationCheck& check, const TableTags& tags) {
    const std::optional<std::uint64_t> address = dynamic.Get(tags.table);
    if (!address) return;
    if (tags.entrySize && dynamic.Get(*tags.entrySize).value_or(sizeof(Entry)) != sizeof(Entry))
        throw BadModule("a relocation table of it has entries of another size than its class's");
    // The loader applies the leading ones as relative without looking.
    std::uint64_t relative = tags.relativeCount ? dynamic.Get(*tags.relativeCount).value_or(0) : 0;
    ForEachEntry<Entry>(file, *address, dynamic.Get(tags.size).value_or(0), [&](const Entry& entry) {
        if (relative > 0 && RelocationType(entry.r_info) != relocRelative)
            throw BadModule("a relocation of it that its count calls relative is not");
        relative -= relative > 0;
        if constexpr (std::is_same_v<Entry, ElfW(Rela)>)
            check.Check(entry.r_offset, entry.r_info, static_cast<std::uint64_t>(entry.r_addend));
        else
            check.Check(entry.r_offset, entry.r_info, std::nullopt);
    });
}

#ifdef DT_RELR
// Relative relocations packed: an even entry is a place, an odd one a map of
// the places after the last one named, a bit a word.
void CheckPacked(const ElfFile& file, const DynamicEntries& dynamic, const RelocationCheck& check) {
    const std::optional<std::uint64_t> address = dynamic.Get(DT_RELR);
    if (!address) return;
    if (dynamic.Get(DT_RELRENT).value_or(word) != word) throw BadModule("its packed relocations are not words");
    std::optional<std::uint64_t> next;
    ForEachEntry<ElfW(Relr)>(file, *address, dynamic.Get(DT_RELRSZ).value_or(0), [&](ElfW(Relr) entry) {
        if ((entry & 1) == 0) {
            check.Target(entry, word);
            next = entry + word;
            return;
        }
        if (!next) throw BadModule("its packed relocations begin with a map");
        for (std::uint64_t bit = 1; bit < 8 * word; ++bit)
            if ((entry >> bit) & 1) check.Target(*next + (bit - 1) * word, word);
        *next += (8 * word - 1) * word;
    });
}
#endif

} // namespace

void CheckRelocations(const ElfFile& file, const DynamicEntries& dynamic, const StringTable& strings,
                      const SymbolTable& symbols) {
    const RelocationCheck check(file, dynamic, strings, symbols);
    CheckTable<ElfW(Rela)>(file, dynamic, check, {DT_RELA, DT_RELASZ, DT_RELAENT, DT_RELACOUNT});
    CheckTable<ElfW(Rel)>(file, dynamic, check, {DT_REL, DT_RELSZ, DT_RELENT, DT_RELCOUNT});
    if (dynamic.Get(DT_JMPREL)) {
        const std::uint64_t kind = dynamic.Get(DT_PLTREL).value_or(0);
        const TableTags procedures{DT_JMPREL, DT_PLTRELSZ, std::nullopt, std::nullopt};
        if (kind == DT_RELA) CheckTable<ElfW(Rela)>(file, dynamic, check, procedures);
        else if (kind == DT_REL) CheckTable<ElfW(Rel)>(file, dynamic, check, procedures);
        else throw BadModule("its procedure linkage relocations are of no kind");
    }
#ifdef DT_RELR
    CheckPacked(file, dynamic, check);
#endif
}

} // namespace hosted
