// What the component's roads cost over reading the image directly: a run of
// sectors through ReadSectors on NT and on Windows 98, against pread.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "orvane/orvane.h"
#include "vcl/sysutils.h"
#include "win32/hosted/hosted_pc.h"

namespace {

namespace fs = std::filesystem;

// A 64 MB FAT16 image made by mkfs.fat, mapped to C:, removed at exit.
class Image {
public:
    Image() : path_(fs::temp_directory_path() / ("zelvan-bench-" + std::to_string(getpid()) + ".img")) {
        const std::string command = "mkfs.fat -C -F 16 '" + path_.string() + "' 65536 >/dev/null";
        if (std::system(command.c_str()) != 0) throw std::runtime_error("mkfs.fat failed: " + command);
        hosted::MapDrive('C', {path_.string()});
    }
    ~Image() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

const Image& TheImage() {
    static const Image image;
    return image;
}

constexpr int SectorBytes = 512;

void PreadBaseline(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const int fd = open(TheImage().path().c_str(), O_RDONLY);
    std::vector<unsigned char> buffer(bytes);
    for (auto _ : state)
        if (pread(fd, buffer.data(), bytes, SectorBytes) != static_cast<ssize_t>(bytes)) state.SkipWithError("pread");
    close(fd);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void ReadSectorsOn(benchmark::State& state, const char* platform) {
    TheImage();
    hosted::SetPlatform(platform);
    vcl::InitPlatformId();
    const auto bytes = static_cast<std::size_t>(state.range(0));
    auto z = std::make_unique<Orvane::TZelvan>(nullptr);
    z->SetFirstSector(1);
    z->SetSectors(static_cast<Orvane::Cardinal>(bytes / SectorBytes));
    std::vector<unsigned char> buffer(bytes);
    for (auto _ : state)
        if (!z->ReadSectors(buffer.data(), static_cast<int>(bytes) - 1)) state.SkipWithError("ReadSectors");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void ReadSectorsNt(benchmark::State& state) { ReadSectorsOn(state, "nt"); }
void ReadSectors98(benchmark::State& state) { ReadSectorsOn(state, "98"); }

} // namespace

BENCHMARK(PreadBaseline)->Arg(4096)->Arg(8 << 20);
BENCHMARK(ReadSectorsNt)->Arg(4096)->Arg(8 << 20);
BENCHMARK(ReadSectors98)->Arg(4096)->Arg(8 << 20);

BENCHMARK_MAIN();
