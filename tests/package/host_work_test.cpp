// The host's work grows as its input does, never as its square: counted in
// instructions, which no other load on the machine changes, for inputs of
// n, 2n and 4n items, the second doubling must cost about what the first
// did twice over, not four times.
#include <cstdio>
#include <cstring>
#include <elf.h>
#include <functional>

#include "package_fixture.h"

namespace packagetest {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

using HostWorkTest = PackageTest;

template <typename T> void Put(Bytes& bytes, std::size_t at, const T& value) {
    if (bytes.size() < at + sizeof value) bytes.resize(at + sizeof value);
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

// An ELF file with `count` exported symbols "s000000", "s000001", ... and `count`
// version definitions, each symbol in the last, "H1A2B3C4D": what the
// exports of a module read, and no more. Returns its path.
fs::path WriteExportingFile(const testsupport::TempDir& dir, std::uint32_t count) {
    std::string strings(1, '\0');
    const auto name = [&](const std::string& text) {
        const auto at = static_cast<std::uint32_t>(strings.size());
        strings += text + '\0';
        return at;
    };
    const std::uint64_t symbolsAt = sizeof(Elf64_Ehdr), versionsAt = symbolsAt + (count + 1) * sizeof(Elf64_Sym);
    const std::uint64_t definitionsAt = versionsAt + (count + 1) * 2;
    constexpr std::uint32_t definitionSize = sizeof(Elf64_Verdef) + sizeof(Elf64_Verdaux);
    Bytes file;
    for (std::uint32_t i = 0; i < count; ++i) {
        Elf64_Sym symbol{};
        char text[16];
        std::snprintf(text, sizeof text, "s%06u", static_cast<unsigned>(i)); // in the order they are listed in
        symbol.st_name = name(text);
        symbol.st_info = ELF64_ST_INFO(STB_GLOBAL, STT_FUNC);
        symbol.st_shndx = 1;
        Put(file, symbolsAt + (i + 1) * sizeof symbol, symbol);
        Put(file, versionsAt + (i + 1) * 2, static_cast<std::uint16_t>(count + 1));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = definitionsAt + i * definitionSize;
        Elf64_Verdef definition{VER_DEF_CURRENT, 0, static_cast<Elf64_Half>(i + 2), 1, 0, sizeof(Elf64_Verdef),
                                i + 1 < count ? definitionSize : 0};
        Put(file, at, definition);
        Put(file, at + sizeof definition, Elf64_Verdaux{name(i + 1 < count ? "V" + std::to_string(i) : "H1A2B3C4D"), 0});
    }
    const std::uint64_t stringsAt = definitionsAt + count * definitionSize;
    file.resize(stringsAt);
    file.insert(file.end(), strings.begin(), strings.end());
    const std::uint64_t sectionsAt = file.size();
    const Elf64_Shdr sections[] = {
        {},
        {0, SHT_DYNSYM, 0, 0, symbolsAt, (count + 1) * sizeof(Elf64_Sym), 2, 1, 8, sizeof(Elf64_Sym)},
        {0, SHT_STRTAB, 0, 0, stringsAt, strings.size(), 0, 0, 1, 0},
        {0, SHT_GNU_versym, 0, 0, versionsAt, (count + 1) * 2, 1, 0, 2, 2},
        {0, SHT_GNU_verdef, 0, 0, definitionsAt, count * definitionSize, 2, count, 8, 0},
    };
    for (const Elf64_Shdr& section : sections) Put(file, file.size(), section);
    Elf64_Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_DYN;
    header.e_shoff = sectionsAt;
    header.e_shentsize = sizeof(Elf64_Shdr);
    header.e_shnum = std::size(sections);
    Put(file, 0, header);
    const fs::path path = dir / ("exports" + std::to_string(count) + ".so");
    testsupport::WriteFile(path, file);
    return path;
}

// The instructions of the host's runs on inputs of n, 2n and 4n items; the
// test is skipped where valgrind cannot count them.
std::vector<std::uint64_t> WorkOf(const std::function<std::string(std::uint32_t)>& command, std::uint32_t n) {
    std::vector<std::uint64_t> counts;
    for (std::uint32_t items : {n, 2 * n, 4 * n})
        if (const std::optional<std::uint64_t> count = testsupport::InstructionsOf(command(items))) counts.push_back(*count);
    return counts;
}

TEST_F(HostWorkTest, ExportsWalksTheVersionDefinitionsOnce) {
    // Small enough for the output to be checked whole.
    const fs::path three = WriteExportingFile(dir, 3);
    EXPECT_EQ(Host("exports " + Quoted(three)).output,
              three.string() + "\ns000000@1A2B3C4D\ns000001@1A2B3C4D\ns000002@1A2B3C4D\n");
    const auto exports = [&](std::uint32_t count) {
        return Quoted(HOST_PROGRAM) + " exports " + Quoted(WriteExportingFile(dir, count));
    };
    const std::vector<std::uint64_t> work = WorkOf(exports, 1000);
    if (work.size() < 3) GTEST_SKIP() << "valgrind cannot count the instructions of a sanitized program";
    EXPECT_LT(work[2] - work[1], 3 * (work[1] - work[0])) << work[0] << ", " << work[1] << ", " << work[2];
}

TEST_F(HostWorkTest, FormFindsASiblingsNameAtOnce) {
    const auto form = [&](std::uint32_t count) {
        std::string text = "object M: TDataModule\n";
        for (std::uint32_t i = 0; i < count; ++i) text += "  object D" + std::to_string(i) + ": TDataModule\n  end\n";
        text += "end\n";
        const fs::path file = dir / ("form" + std::to_string(count) + ".txt");
        testsupport::WriteFile(file, Bytes(text.begin(), text.end()));
        return Quoted(HOST_PROGRAM) + " form " + Quoted(file);
    };
    const std::vector<std::uint64_t> work = WorkOf(form, 1000);
    if (work.size() < 3) GTEST_SKIP() << "valgrind cannot count the instructions of a sanitized program";
    EXPECT_LT(work[2] - work[1], 3 * (work[1] - work[0])) << work[0] << ", " << work[1] << ", " << work[2];
}

} // namespace
} // namespace packagetest
