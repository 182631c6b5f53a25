// `zelvan read` of one sector and of a long run into a file, against dd of
// the same bytes, and as a hex dump, against xxd of the same bytes; `zelvan
// info` of the largest exFAT and FAT32 volumes, against dd of the allocation
// bitmap or FAT that measuring them reads; zelvan-host form of a form of
// many siblings, against its conversion, and exports of a module of many
// versions, against nm: whole processes, started and waited for by the
// benchmark. Files go to tmpfs
// when the machine has /dev/shm, so that what is timed is the programs, not
// the disk's write-back; the dumps go to /dev/null, so that what is timed
// is their making.
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_setup.h"
#include "rows.h"
#include "sparse_exfat.h"
#include "win32/little_endian.h"

extern char** environ;

namespace bench {

namespace {

constexpr std::uint32_t FirstSector = 2048;

// 1 GiB from sector 2048 of a FAT32 volume (16 MiB in a smoke run).
std::uint32_t Sectors() { return static_cast<std::uint32_t>(Scaled(2097152, 32768)); }

const Image& Volume() {
    static const Image image("fat32.img", static_cast<unsigned>(Scaled(1100 * 1024, 40 * 1024)), "-F 32");
    return image;
}

// What a command's standard output goes to: /dev/null unless it is told.
class StandardOutput {
public:
    StandardOutput() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    ~StandardOutput() { ::posix_spawn_file_actions_destroy(&actions_); }
    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;
    const posix_spawn_file_actions_t* get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// Runs the command once an iteration; the output file, if any, is removed
// beforehand, untimed.
void TimeCommand(benchmark::State& state, const std::vector<std::string>& words,
                 const std::filesystem::path& output = {}) {
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const StandardOutput standardOutput;
    for (auto _ : state) {
        state.PauseTiming();
        if (!output.empty()) std::filesystem::remove(output);
        state.ResumeTiming();
        pid_t child = 0;
        int status = -1;
        if (::posix_spawnp(&child, argv[0], standardOutput.get(), nullptr, argv.data(), environ) != 0 ||
            ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError(("failed: " + words[0]).c_str());
    }
    if (!output.empty()) std::filesystem::remove(output);
}

// A file both programs write to.
std::filesystem::path Output(const std::string& name) {
    static const std::filesystem::path folder = [] {
        std::error_code error;
        const std::filesystem::path shm = "/dev/shm";
        return std::filesystem::is_directory(shm, error) && ::access(shm.c_str(), W_OK) == 0
                   ? shm
                   : ScratchFile("").parent_path();
    }();
    return folder / ("zelvan-bench-" + std::to_string(::getpid()) + "-" + name);
}

void ZelvanRead(benchmark::State& state) {
    const auto output = Output("zelvan-read.bin");
    TimeCommand(state,
                {ZELVAN_TOOL, "--drive", "C=" + Volume().path().string(), "read", "C", std::to_string(FirstSector),
                 std::to_string(Sectors()), "-o", output.string()},
                output);
}

void DdRead(benchmark::State& state) {
    const auto output = Output("dd-read.bin");
    TimeCommand(state,
                {"dd", "if=" + Volume().path().string(), "of=" + output.string(), "bs=8M",
                 "iflag=skip_bytes,count_bytes", "skip=" + std::to_string(std::uint64_t{FirstSector} * 512),
                 "count=" + std::to_string(std::uint64_t{Sectors()} * 512), "status=none"},
                output);
}

// The README's first image: 32 MiB of FAT16.
const Image& SmallVolume() {
    static const Image image("one.img", 32 * 1024, "-F 16");
    return image;
}

void ZelvanOne(benchmark::State& state) {
    const auto output = Output("zelvan-one.bin");
    TimeCommand(state, {ZELVAN_TOOL, "--drive", "C=" + SmallVolume().path().string(), "read", "C", "0", "1", "-o",
                        output.string()},
                output);
}

void DdOne(benchmark::State& state) {
    const auto output = Output("dd-one.bin");
    TimeCommand(state,
                {"dd", "if=" + SmallVolume().path().string(), "of=" + output.string(), "bs=512", "count=1", "status=none"},
                output);
}

// 32 MiB from sector 2048 (1 MiB in a smoke run), as a hex dump.
std::uint32_t DumpedSectors() { return static_cast<std::uint32_t>(Scaled(65536, 2048)); }

void ZelvanDump(benchmark::State& state) {
    TimeCommand(state, {ZELVAN_TOOL, "--drive", "C=" + Volume().path().string(), "read", "C",
                        std::to_string(FirstSector), std::to_string(DumpedSectors())});
}

void XxdDump(benchmark::State& state) {
    TimeCommand(state, {"xxd", "-s", std::to_string(std::uint64_t{FirstSector} * 512), "-l",
                        std::to_string(std::uint64_t{DumpedSectors()} * 512), Volume().path().string()});
}

// 2 TiB of exFAT in clusters of 512 bytes, as many as exFAT numbers: an
// allocation bitmap of 512 MiB (16 GiB and 4 MiB in a smoke run).
struct LargeExfat {
    std::filesystem::path path = ScratchFile("exfat-2tib.img");
    SparseExfat volume{path, Scaled((std::uint64_t{2} << 40) + (std::uint64_t{17} << 30), std::uint64_t{16} << 30), 0};
};
const LargeExfat& Exfat() {
    static const LargeExfat exfat;
    return exfat;
}

void ZelvanMeasuresExfat(benchmark::State& state) {
    TimeCommand(state, {ZELVAN_TOOL, "--drive", "E=" + Exfat().path.string(), "info", "E"});
}

// dd of `bytes` bytes from `offset` of `path`, in blocks of `block`.
void TimeDdOfBytes(benchmark::State& state, const std::filesystem::path& path, const char* block,
                   std::uint64_t offset, std::uint64_t bytes) {
    TimeCommand(state, {"dd", "if=" + path.string(), "of=/dev/null", std::string("bs=") + block,
                        "iflag=skip_bytes,count_bytes", "skip=" + std::to_string(offset),
                        "count=" + std::to_string(bytes), "status=none"});
}

void DdReadsTheBitmap(benchmark::State& state) {
    TimeDdOfBytes(state, Exfat().path, "4M", Exfat().volume.bitmapOffset, Exfat().volume.bitmapBytes);
}

// FAT32 at its largest: 16 TiB in sectors of 4 KiB and clusters of 64 KiB,
// 268 million clusters in a FAT of 1 GiB, made by mkfs.fat (64 MiB in
// clusters of 512 bytes in a smoke run). The zeros mkfs.fat wrote are given
// back as holes, so that its 2 GiB of FATs are not written to the disk
// while the other rows run.
struct LargeFat32 {
    LargeFat32() {
        Run("truncate -s " + std::to_string(Scaled((std::uint64_t{16} << 40) - (std::uint64_t{64} << 10), 64 << 20)) +
            " '" + path.string() + "' && mkfs.fat -F 32 " + (Smoke() ? "-S 512 -s 1" : "-S 4096 -s 16") + " '" +
            path.string() + "' >/dev/null && fallocate --dig-holes '" + path.string() + "'");
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        std::uint8_t boot[48] = {};
        const bool read = fd >= 0 && ::pread(fd, boot, sizeof boot, 0) == static_cast<ssize_t>(sizeof boot);
        if (fd >= 0) ::close(fd);
        if (!read) throw std::runtime_error("cannot read " + path.string());
        const std::uint64_t sector = win32::Le16(boot, 11);
        fatOffset = win32::Le16(boot, 14) * sector;
        fatBytes = win32::Le32(boot, 36) * sector;
    }
    std::filesystem::path path = ScratchFile("fat32-16tib.img");
    std::uint64_t fatOffset = 0, fatBytes = 0; // its first FAT
};
const LargeFat32& Fat32() {
    static const LargeFat32 fat32;
    return fat32;
}

void ZelvanMeasuresFat32(benchmark::State& state) {
    TimeCommand(state, {ZELVAN_TOOL, "--drive", "E=" + Fat32().path.string(), "info", "E"});
}

void DdReadsTheFat(benchmark::State& state) {
    TimeDdOfBytes(state, Fat32().path, "1M", Fat32().fatOffset, Fat32().fatBytes);
}

// A text form of 200,000 data modules side by side in one (2,000 in a
// smoke run): each name is looked for among its siblings as it is read.
const std::filesystem::path& SiblingsForm() {
    static const std::filesystem::path form = [] {
        const std::filesystem::path path = ScratchFile("siblings.txt");
        std::ofstream text(path);
        text << "object M: TDataModule\n";
        for (std::uint64_t i = 0; i < Scaled(200000, 2000); ++i) text << "  object D" << i << ": TDataModule\n  end\n";
        text << "end\n";
        if (!text.flush()) throw std::runtime_error("cannot write " + path.string());
        return path;
    }();
    return form;
}

void HostForm(benchmark::State& state) { TimeCommand(state, {ZELVAN_HOST, "form", SiblingsForm().string()}); }

void HostConvert(benchmark::State& state) {
    const auto output = Output("siblings.dfm");
    TimeCommand(state, {ZELVAN_HOST, "convert", SiblingsForm().string(), output.string()}, output);
}

// A module of 20,000 functions, each in a version of its own (200 in a smoke
// run), made by the system's compiler and linker: a symbol's version is
// looked up among as many definitions.
const std::filesystem::path& VersionedModule() {
    static const std::filesystem::path module = [] {
        const std::filesystem::path source = ScratchFile("versions.c"), script = ScratchFile("versions.map");
        std::ofstream code(source), versions(script);
        for (std::uint64_t i = 0; i < Scaled(20000, 200); ++i) {
            code << "void f" << i << "(void) {}\n";
            versions << "V" << i << " { global: f" << i << "; };\n";
        }
        if (!code.flush() || !versions.flush()) throw std::runtime_error("cannot write " + source.string());
        const std::filesystem::path path = ScratchFile("versions.so");
        Run("cc -shared -fPIC -O0 -o '" + path.string() + "' '" + source.string() + "' -Wl,--version-script='" +
            script.string() + "'");
        return path;
    }();
    return module;
}

void HostExports(benchmark::State& state) { TimeCommand(state, {ZELVAN_HOST, "exports", VersionedModule().string()}); }

void NmExports(benchmark::State& state) {
    TimeCommand(state, {"nm", "-D", "--defined-only", "--with-symbol-versions", VersionedModule().string()});
}

} // namespace

void RegisterToolRows() {
    Register({"tool_one", "zelvan read C 0 1 -o FILE (one sector; a 32 MiB FAT16 image; whole processes)",
              "dd bs=512 count=1 of the same sector", 1.2, ZelvanOne, DdOne});
    Register({"tool_1gib", "zelvan read C 2048 2097152 -o FILE (1 GiB; FAT32 image; whole processes)",
              "dd bs=8M of the same bytes", 1.15, ZelvanRead, DdRead});
    Register({"tool_dump", "zelvan read C 2048 65536 (32 MiB as a hex dump in hexdump -C's format; whole processes)",
              "xxd of the same bytes", 1.0, ZelvanDump, XxdDump});
    Register({"exfat_2tib", "zelvan info E (2 TiB exFAT in 512-byte clusters: a 512 MiB allocation bitmap; whole processes)",
              "dd bs=4M of its allocation bitmap", 2.5, ZelvanMeasuresExfat, DdReadsTheBitmap});
    Register({"fat32_16tib", "zelvan info E (16 TiB FAT32 in 64 KiB clusters: a FAT of 1 GiB; whole processes)",
              "dd bs=1M of its first FAT", 2, ZelvanMeasuresFat32, DdReadsTheFat});
    Register({"host_form", "zelvan-host form FILE (200,000 sibling components; whole processes)",
              "zelvan-host convert of the same form", 2, HostForm, HostConvert});
    Register({"host_exports", "zelvan-host exports FILE (20,000 functions, each in a version of its own; whole processes)",
              "nm -D of the same module", 2, HostExports, NmExports});
}

} // namespace bench
