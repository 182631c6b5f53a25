// libFuzzer target: the readers of FAT, NTFS and exFAT boot regions, as
// GetDiskFreeSpaceA runs them on NT and on Windows 95/98. The input is the
// start of a medium of 4 MiB whose rest is zeros, so that what a volume says
// lies beyond the input is looked for there.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "win32/hosted/volume_reading.h"

namespace {

constexpr off_t mediumBytes = off_t{4} << 20;

// The medium's file, one per fuzzing process, removed when it ends.
class MediumFile {
public:
    MediumFile() {
        const char* folder = std::getenv("TMPDIR");
        path_ = std::string(folder && *folder ? folder : "/tmp") + "/fuzz_boot_regions." + std::to_string(::getpid());
    }
    ~MediumFile() { std::remove(path_.c_str()); }
    MediumFile(const MediumFile&) = delete;
    MediumFile& operator=(const MediumFile&) = delete;

    hosted::Backing Hold(const std::uint8_t* data, std::size_t size) const {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file) std::abort();
        const bool written = std::fwrite(data, 1, size, file) == size && ::ftruncate(::fileno(file), mediumBytes) == 0;
        if (std::fclose(file) != 0 || !written) std::abort();
        hosted::Result<hosted::Backing> medium = hosted::Backing::Open(path_, false);
        if (!medium) std::abort();
        return std::move(*medium);
    }

private:
    std::string path_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MediumFile file;
    const hosted::Backing medium = file.Hold(data, size);
    for (const bool nt : {true, false}) {
        hosted::ReadVolume(medium, nt, false);
        hosted::ReadVolume(medium, nt, true);
    }
    return 0;
}
