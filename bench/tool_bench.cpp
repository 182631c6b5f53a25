// `zelvan read` of one sector and of a long run into a file, against dd of
// the same bytes, and as a hex dump, against xxd of the same bytes: whole
// processes, started and waited for by the benchmark. Files go to tmpfs
// when the machine has /dev/shm, so that what is timed is the programs, not
// the disk's write-back; the dumps go to /dev/null, so that what is timed
// is their making.
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_setup.h"
#include "rows.h"

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

} // namespace

void RegisterToolRows() {
    Register({"tool_one", "zelvan read C 0 1 -o FILE (one sector; a 32 MiB FAT16 image; whole processes)",
              "dd bs=512 count=1 of the same sector", 1.2, ZelvanOne, DdOne});
    Register({"tool_1gib", "zelvan read C 2048 2097152 -o FILE (1 GiB; FAT32 image; whole processes)",
              "dd bs=8M of the same bytes", 1.15, ZelvanRead, DdRead});
    Register({"tool_dump", "zelvan read C 2048 65536 (32 MiB as a hex dump, hexdump -C's format; whole processes)",
              "xxd of the same bytes", 1.0, ZelvanDump, XxdDump});
}

} // namespace bench
