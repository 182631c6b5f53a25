// The parts of the module check that read the dynamic section's tables:
// what module_check.cpp hands from one to the next.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "win32/hosted/elf_file.h"

namespace hosted {

// The dynamic section's entries: the last value of each tag, and every
// DT_NEEDED.
struct DynamicEntries {
    std::map<std::int64_t, std::uint64_t> values;
    std::vector<std::uint64_t> needed;
    std::optional<std::uint64_t> Get(std::int64_t tag) const;
};

// The dynamic string table; throws BadModule for an index outside it.
class StringTable {
public:
    StringTable(const ElfFile& file, const DynamicEntries& dynamic);
    std::string_view At(std::uint64_t index, const char* what) const;

private:
    const ElfFile& file_;
    std::uint64_t offset_ = 0;
    std::uint64_t size_ = 0;
};

// The symbol table: the symbols the hash tables count, which the checks
// read whole, and beyond them symbols only relocations name (a module
// whose .gnu.hash hashes none counts none).
struct SymbolTable {
    std::uint64_t address;
    std::uint64_t counted;
    // Throws BadModule unless symbol `index` lies in the file with its name
    // in the string table.
    void Need(const ElfFile& file, const StringTable& strings, std::uint64_t index) const;
};

// Checks the symbol table, the hash tables and the version tables.
SymbolTable CheckSymbolTables(const ElfFile& file, const DynamicEntries& dynamic, const StringTable& strings);

// Checks every relocation table against the segments and the symbols.
void CheckRelocations(const ElfFile& file, const DynamicEntries& dynamic, const StringTable& strings,
                      const SymbolTable& symbols);

// Whether a loadable segment holds all of [address, address + size) and
// has every one of the permissions `flags` (PF_X, PF_W).
bool InSegmentWith(const ElfFile& file, std::uint64_t address, std::uint64_t size, std::uint32_t flags);

} // namespace hosted
