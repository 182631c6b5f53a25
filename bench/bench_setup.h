// What the benchmarks share: the size of the run (a smoke run moves little,
// to keep the benchmarks building and running without timing them), disk
// images made by mkfs.fat and filled with data, and the machine they are on.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace bench {

// Set by --smoke: every case runs once, on small images.
bool Smoke();
void SetSmoke(bool smoke);

// `full` bytes, or `smoke` in a smoke run.
std::uint64_t Scaled(std::uint64_t full, std::uint64_t smoke);

// A FAT image of `kib` KiB made by mkfs.fat with `options` in the scratch
// folder, its data area filled with a pattern so that every read moves real
// page-cache pages, then read once so that the cache is hot. Removed with
// the object.
class Image {
public:
    Image(const std::string& name, unsigned kib, const std::string& options);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Maps the image to drive `letter` of the hosted machine.
    void Map(char letter, bool removable = false) const;

private:
    std::filesystem::path path_;
};

// A caller's buffer or a scratch block: `size` bytes from a page boundary,
// touched once so that its pages are in place. The system copies into
// memory that starts on a page fastest, so both sides of a row get that.
class PageBuffer {
public:
    explicit PageBuffer(std::size_t size);
    unsigned char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    int High() const { return static_cast<int>(size_) - 1; }

private:
    struct Free {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    std::unique_ptr<unsigned char, Free> data_;
    std::size_t size_;
};

// C: of the benchmarks, mapped: 80 MiB of FAT16 (8 MiB in a smoke run).
const Image& DiskC();

// The hosted machine as a program on `platform` ("nt", "95", "98") sees it.
void UsePlatform(const char* platform);

// Runs a command line of the shell; throws when it fails.
void Run(const std::string& command);

// A file in the benchmarks' own scratch folder, which goes at exit.
std::filesystem::path ScratchFile(const std::string& name);

} // namespace bench
