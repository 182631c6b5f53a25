// The files the design-time host is given: which one a package's name
// stands for, what is no package file at all, and what it must never write.
#include <algorithm>
#include <cstddef>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>

#include "package_fixture.h"

namespace packagetest {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

using HostFilesTest = PackageTest;

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// A bare name is the file in the current folder when there is one, else the
// host's own beside it; every command reads the same file and names it in full.
TEST_F(HostFilesTest, ABareNameStandsForOneFileInEveryCommandAndIsNamedInFull) {
    const std::string name = PackageFile().filename().string();
    fs::create_directory(dir / "own");
    fs::copy_file(PackageFile(), dir / "own" / name);
    fs::create_directory(dir / "empty");
    const std::pair<fs::path, fs::path> folders[] = {{dir / "own", dir / "own" / name},
                                                     {dir / "empty", PackageFile()}};
    for (const auto& [folder, used] : folders) {
        for (const std::string& command : {"install " + name, "exports " + name, "palette " + name + " --bitmap p.bmp"}) {
            const testsupport::CommandResult result = Host(command, "cd " + Quoted(folder) + " &&");
            EXPECT_EQ(result.status, 0) << command << ": " << result.output;
            EXPECT_EQ(FirstLine(result.output), used.string()) << command << " in " << folder;
        }
    }
}

// Refused with what the file is, before a byte is read: nothing waits on a
// FIFO, and nothing reads a device or a huge file into memory.
TEST_F(HostFilesTest, WhatIsNoPackageFileIsRefusedBeforeAnyOfItIsRead) {
    fs::create_directory(dir / "folder.bpl");
    ASSERT_EQ(::mkfifo((dir / "fifo.bpl").c_str(), 0600), 0);
    fs::create_symlink("loop.bpl", dir / "loop.bpl");
    // Sparse: 3 GiB that take no room.
    testsupport::RunOk("truncate -s 3G " + Quoted(dir / "huge.bpl"));
    const std::pair<fs::path, std::string> files[] = {
        {dir / "folder.bpl", "it is a folder"},
        {dir / "fifo.bpl", "it is a FIFO, not a file"},
        {"/dev/zero", "it is a device, not a file"},
        {"/dev/null", "it is a device, not a file"},
        {dir / "loop.bpl", "Too many levels of symbolic links"},
        {dir / "huge.bpl", "at 3221225472 bytes it is larger than a module can be (2147483648 bytes)"},
    };
    for (const auto& [file, why] : files) {
        for (const std::string command : {"install", "exports", "palette"}) {
            const std::string arguments = command + " " + Quoted(file) + (command == "palette" ? " --bitmap p.bmp" : "");
            const testsupport::CommandResult result = Host(arguments, testsupport::Bounded(20));
            EXPECT_EQ(result.status, 1) << arguments;
            EXPECT_EQ(result.output, std::string(hostName) + ": " + file.string() + ": cannot read: " + why + "\n")
                << arguments;
        }
    }
}

// As a drive's backing is refused: neither the package being installed nor
// the runtime package it runs on is overwritten through a link.
TEST_F(HostFilesTest, NoPictureIsWrittenOverALoadedModule) {
    fs::copy_file(PackageFile(), dir / "pal.bpl");
    fs::create_directory(dir / "runtime");
    const fs::path runtime = dir / "runtime" / RuntimeFile().filename();
    fs::copy_file(RuntimeFile(), runtime);
    fs::create_symlink(dir / "pal.bpl", dir / "self.png");
    fs::create_symlink(runtime, dir / "runtime.bmp");
    const Bytes package = testsupport::ReadFile(dir / "pal.bpl");
    const Bytes runtimeBytes = testsupport::ReadFile(runtime);
    const std::pair<std::string, fs::path> outputs[] = {{"self.png", dir / "pal.bpl"}, {"runtime.bmp", runtime}};
    for (const auto& [output, module] : outputs) {
        const testsupport::CommandResult result =
            Host("palette " + Quoted(dir / "pal.bpl") + " --bitmap " + Quoted(dir / output),
                 "LD_LIBRARY_PATH=" + Quoted(dir / "runtime"));
        EXPECT_EQ(result.status, 1) << output;
        EXPECT_EQ(result.output, std::string(hostName) + ": cannot write output " + (dir / output).string() +
                                     ": it is the module " + module.string() +
                                     ", which this program has loaded and would overwrite\n");
    }
    EXPECT_EQ(testsupport::ReadFile(dir / "pal.bpl"), package);
    EXPECT_EQ(testsupport::ReadFile(runtime), runtimeBytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4) << "a file was left behind";
}

// `file` copied to `copy` with the bytes from `offset` on in the first run of
// `within` replaced by `bytes`.
void CopyPatched(const fs::path& file, const fs::path& copy, const Bytes& within, std::size_t offset, const Bytes& bytes) {
    Bytes content = testsupport::ReadFile(file);
    const auto at = std::search(content.begin(), content.end(), within.begin(), within.end());
    ASSERT_NE(at, content.end()) << file;
    std::copy(bytes.begin(), bytes.end(), at + static_cast<std::ptrdiff_t>(offset));
    testsupport::WriteFile(copy, content);
}

// The other build's runtime package copied under this build's name, where
// the system finds it first: the host says so at its start, in one line.
TEST_F(HostFilesTest, AHostOnTheOtherBuildsRuntimePackageRefusesToStart) {
    fs::create_directory(dir / "runtime");
    const fs::path misnamed = dir / "runtime" / RuntimeFile().filename();
    fs::copy_file(OtherRuntimeFile(), misnamed);
    const std::string other = runtimeName == std::string("vcl40") ? "vcl30" : "vcl40";
    for (const std::string& command : {"install " + Quoted(PackageFile()), std::string("--help")}) {
        const testsupport::CommandResult result = Host(command, "LD_LIBRARY_PATH=" + Quoted(dir / "runtime"));
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.output, std::string(hostName) + ": the runtime package " + misnamed.string() + " is the " +
                                     other + " runtime (" + OtherRuntimeFile().filename().string() + "), not the " +
                                     runtimeName + " one its name says\n")
            << command;
    }
}

// Damaged as a hostile copy was: a segment that would overlap the next one,
// a .gnu.hash that would stop the system loader, the size of a resource
// before the PACKAGEINFO. The host says which file is damaged and where,
// and goes on to exit 1.
TEST_F(HostFilesTest, ADamagedPackageIsRefusedSayingWhereItIsDamaged) {
    const Bytes package = testsupport::ReadFile(PackageFile());
    const auto header = *reinterpret_cast<const ElfW(Ehdr)*>(package.data());
    const auto* segments = reinterpret_cast<const ElfW(Phdr)*>(package.data() + header.e_phoff);
    std::vector<std::size_t> loads;
    std::uint64_t gnuHash = 0;
    for (std::size_t i = 0; i < header.e_phnum; ++i) {
        if (segments[i].p_type == PT_LOAD) loads.push_back(i);
        if (segments[i].p_type != PT_DYNAMIC) continue;
        for (auto* entry = reinterpret_cast<const ElfW(Dyn)*>(package.data() + segments[i].p_offset); entry->d_tag; ++entry)
            if (entry->d_tag == DT_GNU_HASH) gnuHash = entry->d_un.d_ptr; // in the first segment, where addresses are offsets
    }
    ASSERT_GE(loads.size(), 4u);
    ASSERT_NE(gnuHash, 0u);
    const auto word = [&](std::uint64_t at) { return *reinterpret_cast<const std::uint32_t*>(package.data() + at); };
    const std::uint64_t firstChain = gnuHash + 16 + word(gnuHash + 8) * sizeof(ElfW(Addr)) + 4 * word(gnuHash);
    const std::uint64_t memsz = header.e_phoff + loads[2] * sizeof(ElfW(Phdr)) + offsetof(ElfW(Phdr), p_memsz);
    // The resources: the note's descriptor, after its type and its owner's
    // name; the data size of the bitmap's entry, which comes before the
    // PACKAGEINFO's, 12 bytes before its name.
    const Bytes owner{1, 0, 0, 0, 'Z', 'e', 'l', 'v', 'a', 'n', 0, 0};
    const std::uint64_t resources = static_cast<std::uint64_t>(
        std::search(package.begin(), package.end(), owner.begin(), owner.end()) - package.begin() + owner.size());
    const Bytes bitmapName{'T', 0, 'Z', 0, 'E', 0, 'L', 0, 'V', 0, 'A', 0, 'N', 0, 0, 0};
    const std::uint64_t bitmapEntry = static_cast<std::uint64_t>(
        std::search(package.begin(), package.end(), bitmapName.begin(), bitmapName.end()) - package.begin() - 12);
    ASSERT_LT(resources, bitmapEntry);
    struct Damage {
        std::uint64_t at;
        std::uint8_t value;
        std::string where;
    };
    const Damage damages[] = {
        {memsz + 1, 0xF2, "program header " + std::to_string(loads[3]) + "'s segment overlaps the one before it, or comes before it"},
        {firstChain + 2, static_cast<std::uint8_t>(package[firstChain + 2] ^ 0x10),
         "its .gnu.hash table holds a hash that is not its symbol's"},
        {bitmapEntry + 2, 0xF2,
         "its resource entry at byte " + std::to_string(bitmapEntry - resources) + " of " +
             std::to_string(word(resources - owner.size() - 4)) + " is damaged"},
    };
    for (const auto& [at, value, where] : damages) {
        Bytes damaged = package;
        damaged[at] = value;
        testsupport::WriteFile(dir / "damaged.bpl", damaged);
        const testsupport::CommandResult result = Host("install " + Quoted(dir / "damaged.bpl"));
        EXPECT_EQ(result.status, 1) << at;
        EXPECT_EQ(result.output, std::string(hostName) + ": Cannot load package '" + (dir / "damaged.bpl").string() +
                                     "': it is not a module for this system (damaged, cut short, or built for another): " +
                                     where + "\n");
    }
}

// A picture that cannot be shown is named with the module it was looked for
// in: the package, or the localised resource module the runtime took for it.
TEST_F(HostFilesTest, APictureThatCannotBeShownNamesTheModuleItIsIn) {
    const Bytes bitmap = FileResource(PackageFile(), "TZELVAN", RT_BITMAP);
    const Bytes compressed{1, 0, 0, 0}; // the header's compression method, at byte 16
    const fs::path package = dir / PackageFile().filename();
    const fs::path german = dir / "ZelvanPack.DE";
    const std::string localised = german.string() + " (the localised resources of " + package.string() + ")";
    const std::string prefix = std::string(hostName) + ": ";

    CopyPatched(PackageFile(), package, bitmap, 16, compressed);
    EXPECT_EQ(Host("install " + Quoted(package)).output,
              prefix + "the bitmap TZELVAN of " + package.string() + ": it is compressed (method 1)\n");

    fs::copy_file(PackageFile(), package, fs::copy_options::overwrite_existing);
    CopyPatched(GermanResources(), german, bitmap, 16, compressed);
    EXPECT_EQ(Host("install " + Quoted(package), "LANG=de_DE.UTF-8").output,
              prefix + "the bitmap TZELVAN of " + localised + ": it is compressed (method 1)\n");

    const std::string name = "TZELVAN";
    Bytes wide;
    for (char c : name) wide.insert(wide.end(), {static_cast<std::uint8_t>(c), 0});
    CopyPatched(GermanResources(), german, wide, 12, {'X', 0});
    EXPECT_EQ(Host("palette " + Quoted(package) + " --bitmap " + Quoted(dir / "p.png"), "LANG=de_DE.UTF-8").output,
              prefix + "TZelvan has no palette picture: " + localised + " has no bitmap TZELVAN\n");
    EXPECT_FALSE(fs::exists(dir / "p.png"));
}

} // namespace
} // namespace packagetest
