// ReadSectors on the NT road and on the Windows 98 road, a long run and a
// single sector, against reading the image directly; and the memory a long
// read on the NT road takes at its peak.
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "bench_setup.h"
#include "orvane/orvane.h"
#include "rows.h"

namespace bench {

namespace {

constexpr std::uint64_t MiB = 1 << 20;
constexpr std::uint32_t SectorBytes = 512;
// The runs start 1 MiB into the volume, in its data area.
constexpr std::uint32_t FirstSector = 2048;

std::uint64_t LongRun() { return Scaled(64 * MiB, 1 * MiB); }

// A component on `platform` that reads `bytes` from FirstSector of C:.
std::unique_ptr<Orvane::TZelvan> Reader(const char* platform, std::uint64_t bytes) {
    DiskC();
    UsePlatform(platform);
    auto z = std::make_unique<Orvane::TZelvan>(nullptr);
    z->SetFirstSector(FirstSector);
    z->SetSectors(static_cast<Orvane::Cardinal>(bytes / SectorBytes));
    return z;
}

void ReadSectors(benchmark::State& state, const char* platform, std::uint64_t bytes) {
    const auto z = Reader(platform, bytes);
    const PageBuffer buffer(bytes);
    for (auto _ : state)
        if (!z->ReadSectors(buffer.data(), buffer.High())) state.SkipWithError("ReadSectors failed");
}

class File {
public:
    explicit File(const std::filesystem::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~File() { ::close(fd_); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool Pread(int fd, unsigned char* into, std::uint64_t bytes) {
    return ::pread(fd, into, bytes, off_t{FirstSector} * SectorBytes) == static_cast<ssize_t>(bytes);
}

void NtLong(benchmark::State& state) { ReadSectors(state, "nt", LongRun()); }
void Win98Long(benchmark::State& state) { ReadSectors(state, "98", LongRun()); }
void NtSector(benchmark::State& state) { ReadSectors(state, "nt", SectorBytes); }
void Win98Sector(benchmark::State& state) { ReadSectors(state, "98", SectorBytes); }

// The least a road that must pass a temporary block can do.
void PreadThroughWarmBlock(benchmark::State& state) {
    const File file(DiskC().path());
    const PageBuffer block(LongRun()), buffer(LongRun());
    for (auto _ : state) {
        if (!Pread(file.get(), block.data(), block.size())) state.SkipWithError("pread failed");
        std::memcpy(buffer.data(), block.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
    }
}

void OnePread(benchmark::State& state) {
    const File file(DiskC().path());
    const PageBuffer buffer(LongRun());
    for (auto _ : state)
        if (!Pread(file.get(), buffer.data(), buffer.size())) state.SkipWithError("pread failed");
}

// Only the file's opening is in the loop: drive C is mapped before it, once.
void OpenPreadClose(benchmark::State& state) {
    const std::filesystem::path& image = DiskC().path();
    unsigned char sector[SectorBytes];
    for (auto _ : state) {
        const File file(image);
        if (!Pread(file.get(), sector, sizeof sector)) state.SkipWithError("pread failed");
    }
}

// A figure of /proc/self/status, in KiB.
long StatusKiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    return -1;
}

// The growth of the resident set from before the caller's buffer to the
// peak of one long read on the NT road, against the caller's buffer, one
// temporary block and 8 MiB. Run it first in a process of its own.
void PeakOfLongNtRead(benchmark::State& state) {
    const auto z = Reader("nt", LongRun());
    long growth = 0;
    for (auto _ : state) {
        const long before = StatusKiB("VmRSS");
        const PageBuffer buffer(LongRun());
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        if (!z->ReadSectors(buffer.data(), buffer.High())) state.SkipWithError("ReadSectors failed");
        growth = std::max(growth, StatusKiB("VmHWM") - before);
    }
    state.counters["peak_MiB"] = static_cast<double>(growth) / 1024;
    state.counters["bound_MiB"] = static_cast<double>(2 * LongRun() + 8 * MiB) / MiB;
}

} // namespace

void RegisterLogicalRows() {
    benchmark::RegisterBenchmark("memory/nt_64mib", PeakOfLongNtRead)->Iterations(1);
    Register({"nt_64mib", "ReadSectors 64 MiB; NT road", "pread into a warm scratch block + memcpy", 1.05, NtLong,
              PreadThroughWarmBlock});
    Register({"w98_64mib", "ReadSectors 64 MiB; 98 road", "one pread of the same bytes", 1.05, Win98Long, OnePread});
    Register({"nt_sector", "ReadSectors 1 sector; NT", "open + pread + close", 1.3, NtSector, OpenPreadClose});
    Register({"w98_sector", "ReadSectors 1 sector; 98", "open + pread + close", 2, Win98Sector, OpenPreadClose});
}

} // namespace bench
