// The symbol table of a module and the tables that index it: the hash
// tables the loader looks names up in, and the version tables it matches
// versions by. Every walk is bounded by the table it walks.
#include <algorithm>
#include <array>
#include <vector>

#include "win32/hosted/module_tables.h"

namespace hosted {

namespace {

constexpr std::uint32_t gnuHashEnd = 1; // the low bit of a chain's last hash

std::uint32_t ElfHash(std::string_view name) {
    std::uint32_t hash = 0;
    for (const char c : name) {
        hash = (hash << 4) + static_cast<unsigned char>(c);
        const std::uint32_t high = hash & 0xf0000000;
        if (high) hash ^= high >> 24;
        hash &= ~high;
    }
    return hash;
}

std::uint32_t GnuHashOf(std::string_view name) {
    std::uint32_t hash = 5381;
    for (const char c : name) hash = hash * 33 + static_cast<unsigned char>(c);
    return hash;
}

struct Symbols {
    std::uint64_t offset; // of the table in the file
    std::uint64_t count;
};

ElfW(Sym) SymbolAt(const ElfFile& file, const Symbols& symbols, std::uint64_t index) {
    return file.At<ElfW(Sym)>(symbols.offset + index * sizeof(ElfW(Sym)), "a symbol");
}

// .hash: nbucket, nchain, the buckets, the chains; one chain entry a symbol.
class SysvHash {
public:
    SysvHash(const ElfFile& file, std::uint64_t address) : file_(file) {
        const auto head = file.At<std::array<std::uint32_t, 2>>(file.OffsetOf(address, 2, 4, what), what);
        buckets_ = head[0];
        symbols_ = head[1];
        table_ = file.OffsetOf(address, 2 + std::uint64_t{buckets_} + symbols_, 4, what);
    }
    std::uint64_t SymbolCount() const { return symbols_; }

    // Each chain ends, no symbol is in two, and each holds the names of its bucket.
    void Check(const Symbols& symbols, const StringTable& strings) const {
        if (buckets_ == 0 && symbols_ > 1) throw BadModule("its .hash table has no buckets");
        std::vector<bool> seen(symbols_);
        for (std::uint32_t bucket = 0; bucket < buckets_; ++bucket) {
            for (std::uint32_t index = Entry(bucket); index != STN_UNDEF; index = Entry(buckets_ + index)) {
                if (index >= symbols_ || seen[index]) throw BadModule("a chain of its .hash table loops or runs off");
                seen[index] = true;
                const std::string_view name = strings.At(SymbolAt(file_, symbols, index).st_name, "a symbol's name");
                if (ElfHash(name) % buckets_ != bucket) throw BadModule("its .hash table puts a name in another bucket");
            }
        }
    }

private:
    static constexpr const char* what = "the .hash table";

    std::uint32_t Entry(std::uint64_t index) const {
        return file_.At<std::uint32_t>(table_ + 8 + 4 * index, what);
    }

    const ElfFile& file_;
    std::uint32_t buckets_ = 0;
    std::uint32_t symbols_ = 0;
    std::uint64_t table_ = 0;
};

// .gnu.hash: nbuckets, the first hashed symbol, the Bloom filter's size and
// shift, the filter, the buckets, then one hash a hashed symbol, each
// chain's last marked by its low bit, chains in the order of their buckets.
class GnuHash {
public:
    GnuHash(const ElfFile& file, std::uint64_t address) : file_(file) {
        const auto head = file.At<std::array<std::uint32_t, 4>>(file.OffsetOf(address, 4, 4, what), what);
        buckets_ = head[0];
        first_ = head[1];
        bloomWords_ = head[2];
        bloomShift_ = head[3];
        if (buckets_ == 0 || bloomWords_ == 0 || (bloomWords_ & (bloomWords_ - 1)) != 0 || bloomShift_ >= wordBits)
            throw BadModule("its .gnu.hash table's header is malformed");
        bloom_ = file.OffsetOf(address + 16, bloomWords_, sizeof(ElfW(Addr)), what);
        const std::uint64_t bucketsAddress = address + 16 + std::uint64_t{bloomWords_} * sizeof(ElfW(Addr));
        bucketsAt_ = file.OffsetOf(bucketsAddress, buckets_, 4, what);
        chainsAddress_ = bucketsAddress + 4 * std::uint64_t{buckets_};
        // The chains, walked in bucket order, cover the hashed symbols once.
        count_ = first_;
        for (std::uint32_t bucket = 0; bucket < buckets_; ++bucket) {
            const std::uint32_t start = Bucket(bucket);
            if (start == 0) continue;
            if (start != count_) throw BadModule("its .gnu.hash table's chains are not in the order of their buckets");
            while (!(Chain(count_++) & gnuHashEnd)) {
            }
        }
    }
    std::uint64_t SymbolCount() const { return count_; }

    // Each hashed symbol's hash is its name's, in its bucket, in the filter.
    void Check(const Symbols& symbols, const StringTable& strings) const {
        // The bucket of a symbol is the last before it to start a chain.
        std::uint32_t bucket = 0, next = 0;
        for (std::uint64_t index = first_; index < count_; ++index) {
            for (; next < buckets_ && Bucket(next) <= index; ++next)
                if (Bucket(next) != 0) bucket = next;
            const std::uint32_t hash = GnuHashOf(strings.At(SymbolAt(file_, symbols, index).st_name, "a symbol's name"));
            if ((hash | gnuHashEnd) != (Chain(index) | gnuHashEnd) || hash % buckets_ != bucket)
                throw BadModule("its .gnu.hash table holds a hash that is not its symbol's");
            const auto word = file_.At<ElfW(Addr)>(bloom_ + (hash / wordBits % bloomWords_) * sizeof(ElfW(Addr)),
                                                   what);
            const ElfW(Addr) bits = ElfW(Addr){1} << (hash % wordBits) | ElfW(Addr){1} << ((hash >> bloomShift_) % wordBits);
            if ((word & bits) != bits) throw BadModule("its .gnu.hash table's filter leaves a symbol out");
        }
    }

private:
    static constexpr std::uint32_t wordBits = 8 * sizeof(ElfW(Addr));
    static constexpr const char* what = "the .gnu.hash table";

    std::uint32_t Bucket(std::uint32_t bucket) const {
        return file_.At<std::uint32_t>(bucketsAt_ + 4 * std::uint64_t{bucket}, what);
    }
    std::uint32_t Chain(std::uint64_t index) const {
        return file_.At<std::uint32_t>(file_.OffsetOf(chainsAddress_ + 4 * (index - first_), 1, 4, what),
                                       what);
    }

    const ElfFile& file_;
    std::uint32_t buckets_ = 0;
    std::uint32_t first_ = 0;
    std::uint32_t bloomWords_ = 0;
    std::uint32_t bloomShift_ = 0;
    std::uint64_t bloom_ = 0;
    std::uint64_t bucketsAt_ = 0;
    std::uint64_t chainsAddress_ = 0;
    std::uint64_t count_ = 0;
};

// A name defined in the module lies in its image; the resolver of an
// indirect function, which the loader calls, in its code.
void CheckSymbols(const ElfFile& file, const Symbols& symbols, const StringTable& strings) {
    std::uint64_t low = ~std::uint64_t{0}, high = 0;
    for (const ElfW(Phdr)& segment : file.Segments()) {
        if (segment.p_type != PT_LOAD) continue;
        low = std::min<std::uint64_t>(low, segment.p_vaddr);
        high = std::max<std::uint64_t>(high, segment.p_vaddr + segment.p_memsz);
    }
    for (std::uint64_t index = 1; index < symbols.count; ++index) {
        const ElfW(Sym) symbol = SymbolAt(file, symbols, index);
        strings.At(symbol.st_name, "a symbol's name");
        const unsigned type = ELF64_ST_TYPE(symbol.st_info);
        if (symbol.st_shndx == SHN_UNDEF || symbol.st_shndx == SHN_ABS || type == STT_TLS) continue;
        if (symbol.st_value < low || symbol.st_value > high) throw BadModule("a symbol it defines lies outside its image");
        if (type == STT_GNU_IFUNC && !InSegmentWith(file, symbol.st_value, 1, PF_X))
            throw BadModule("the resolver of an indirect function it defines lies outside its code");
    }
}

// Version indexes in use: those its definitions and its needs give.
using VersionIndexes = std::vector<bool>;
constexpr std::uint16_t versionIndexMask = 0x7fff;

void Define(VersionIndexes& indexes, std::uint16_t index) {
    index &= versionIndexMask;
    if (indexes[index]) throw BadModule("its version tables give a reserved index, or one index twice");
    indexes[index] = true;
}

// Walks `count` records chained by their `next` fields from `address`.
template <typename Record, typename Next, typename Visit>
void WalkChain(const ElfFile& file, std::uint64_t address, std::uint64_t count, const char* what, Next next, Visit visit) {
    for (std::uint64_t n = 0; n < count; ++n) {
        const auto record = file.At<Record>(file.OffsetOf(address, 1, sizeof(Record), what), what);
        visit(record, address);
        const std::uint64_t step = next(record);
        if ((step == 0) != (n + 1 == count) || (step != 0 && step < sizeof(Record)))
            throw BadModule(std::string(what) + " does not end where its count says");
        address += step;
    }
}

void CheckVersions(const ElfFile& file, const DynamicEntries& dynamic, const StringTable& strings,
                   const Symbols& symbols) {
    VersionIndexes indexes(versionIndexMask + 1);
    indexes[VER_NDX_LOCAL] = indexes[VER_NDX_GLOBAL] = true;
    if (const std::optional<std::uint64_t> definitions = dynamic.Get(DT_VERDEF)) {
        WalkChain<ElfW(Verdef)>(file, *definitions, dynamic.Get(DT_VERDEFNUM).value_or(0), "its version definitions",
                                [](const ElfW(Verdef)& d) { return d.vd_next; },
                                [&](const ElfW(Verdef)& definition, std::uint64_t at) {
                                    if (definition.vd_version != VER_DEF_CURRENT || definition.vd_cnt == 0)
                                        throw BadModule("a version definition of it is malformed");
                                    if (!(definition.vd_flags & VER_FLG_BASE)) Define(indexes, definition.vd_ndx);
                                    bool named = false;
                                    WalkChain<ElfW(Verdaux)>(
                                        file, at + definition.vd_aux, definition.vd_cnt, "a version definition's names",
                                        [](const ElfW(Verdaux)& a) { return a.vda_next; },
                                        [&](const ElfW(Verdaux)& name, std::uint64_t) {
                                            const std::string_view text = strings.At(name.vda_name, "a version's name");
                                            if (!named && ElfHash(text) != definition.vd_hash)
                                                throw BadModule("a version definition's hash is not its name's");
                                            named = true;
                                        });
                                });
    }
    if (const std::optional<std::uint64_t> needs = dynamic.Get(DT_VERNEED)) {
        WalkChain<ElfW(Verneed)>(
            file, *needs, dynamic.Get(DT_VERNEEDNUM).value_or(0), "its version needs",
            [](const ElfW(Verneed)& n) { return n.vn_next; },
            [&](const ElfW(Verneed)& need, std::uint64_t at) {
                // The loader looks the module up among those it needs.
                const std::string_view module = strings.At(need.vn_file, "a needed module's name");
                bool known = false;
                for (std::uint64_t needed : dynamic.needed) known = known || strings.At(needed, "a needed module's name") == module;
                if (need.vn_version != VER_NEED_CURRENT || !known)
                    throw BadModule("a version need of it names no module it needs");
                WalkChain<ElfW(Vernaux)>(file, at + need.vn_aux, need.vn_cnt, "a version need's versions",
                                         [](const ElfW(Vernaux)& a) { return a.vna_next; },
                                         [&](const ElfW(Vernaux)& version, std::uint64_t) {
                                             const std::string_view text = strings.At(version.vna_name, "a version's name");
                                             if (ElfHash(text) != version.vna_hash)
                                                 throw BadModule("a needed version's hash is not its name's");
                                             Define(indexes, version.vna_other);
                                         });
            });
    }
    const std::optional<std::uint64_t> versions = dynamic.Get(DT_VERSYM);
    if (!versions) return;
    const std::uint64_t table = file.OffsetOf(*versions, symbols.count, 2, "its symbol versions");
    for (std::uint64_t index = 0; index < symbols.count; ++index)
        if (!indexes[file.At<std::uint16_t>(table + 2 * index, "its symbol versions") & versionIndexMask])
            throw BadModule("a symbol of it has a version that is neither defined nor needed");
}

} // namespace

StringTable::StringTable(const ElfFile& file, const DynamicEntries& dynamic) : file_(file) {
    const std::optional<std::uint64_t> address = dynamic.Get(DT_STRTAB);
    size_ = dynamic.Get(DT_STRSZ).value_or(0);
    if (!address || size_ == 0) throw BadModule("it has no string table");
    offset_ = file.OffsetOf(*address, 1, size_, "its string table");
    // Then every name that starts in it ends in it.
    if (file.At<char>(offset_ + size_ - 1, "its string table") != '\0') throw BadModule("its string table does not end");
}

std::string_view StringTable::At(std::uint64_t index, const char* what) const {
    if (index >= size_) throw BadModule(std::string(what) + " lies outside its string table");
    return file_.TextAt(offset_ + index, offset_ + size_, what);
}

void SymbolTable::Need(const ElfFile& file, const StringTable& strings, std::uint64_t index) const {
    if (index < counted) return;
    const auto symbol = file.At<ElfW(Sym)>(file.OffsetOf(address + index * sizeof(ElfW(Sym)), 1, sizeof(ElfW(Sym)), "a symbol"),
                                           "a symbol");
    strings.At(symbol.st_name, "a symbol's name");
}

SymbolTable CheckSymbolTables(const ElfFile& file, const DynamicEntries& dynamic, const StringTable& strings) {
    const std::optional<std::uint64_t> table = dynamic.Get(DT_SYMTAB);
    if (!table || dynamic.Get(DT_SYMENT).value_or(sizeof(ElfW(Sym))) != sizeof(ElfW(Sym)))
        throw BadModule("it has no symbol table of this class's entries");
    const std::optional<std::uint64_t> sysvAt = dynamic.Get(DT_HASH), gnuAt = dynamic.Get(DT_GNU_HASH);
    if (!sysvAt && !gnuAt) throw BadModule("it has no hash table to look its names up in");
    const std::optional<SysvHash> sysv = sysvAt ? std::optional<SysvHash>(std::in_place, file, *sysvAt) : std::nullopt;
    const std::optional<GnuHash> gnu = gnuAt ? std::optional<GnuHash>(std::in_place, file, *gnuAt) : std::nullopt;
    const std::uint64_t count = sysv ? sysv->SymbolCount() : gnu->SymbolCount();
    if (sysv && gnu && sysv->SymbolCount() != gnu->SymbolCount())
        throw BadModule("its .hash and .gnu.hash tables count different numbers of symbols");
    const Symbols symbols{file.OffsetOf(*table, count, sizeof(ElfW(Sym)), "its symbol table"), count};
    CheckSymbols(file, symbols, strings);
    if (sysv) sysv->Check(symbols, strings);
    if (gnu) gnu->Check(symbols, strings);
    CheckVersions(file, dynamic, strings, symbols);
    return {*table, count};
}

} // namespace hosted
