#include "bench_setup.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <unistd.h>
#include <vector>

#include "vcl/sysutils.h"
#include "win32/hosted/backing.h"
#include "win32/hosted/fat_volume.h"
#include "win32/hosted/hosted_pc.h"

namespace bench {

namespace fs = std::filesystem;

namespace {

bool smoke = false;

class ScratchFolder {
public:
    ScratchFolder() {
        std::string name = (fs::temp_directory_path() / "zelvan-bench-XXXXXX").string();
        if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a scratch folder under " + name);
        path_ = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The first byte of the volume's data area, by its boot sector.
std::uint64_t DataStart(const fs::path& image) {
    const hosted::Result<hosted::Backing> medium = hosted::Backing::Open(image.string(), false);
    const hosted::Result<hosted::FatLayout> layout =
        medium ? hosted::ProbeVolume(*medium) : hosted::Result<hosted::FatLayout>(medium.Refused());
    if (!layout) throw std::runtime_error(image.string() + " holds no FAT volume: " + layout.Reason());
    return (std::uint64_t{layout->reservedSectors} + std::uint64_t{layout->fatCount} * layout->sectorsPerFat +
            layout->rootDirSectors) *
           layout->bytesPerSector;
}

// Writes a pattern from `from` to the end, then reads the whole file once.
void FillAndWarm(const fs::path& image, std::uint64_t from) {
    const int fd = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + image.string());
    std::vector<unsigned char> chunk(std::size_t{8} << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<unsigned char>(i * 7 + i / 4099);
    const auto size = static_cast<std::uint64_t>(::lseek(fd, 0, SEEK_END));
    bool written = true;
    for (std::uint64_t at = from; at < size && written; at += chunk.size()) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - at));
        written = ::pwrite(fd, chunk.data(), length, static_cast<off_t>(at)) == static_cast<ssize_t>(length);
    }
    for (std::uint64_t at = 0; at < size && written; at += chunk.size())
        written = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(at)) >= 0;
    ::close(fd);
    if (!written) throw std::runtime_error("cannot fill " + image.string());
}

} // namespace

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

bool Smoke() { return smoke; }
void SetSmoke(bool value) { smoke = value; }

std::uint64_t Scaled(std::uint64_t full, std::uint64_t small) { return smoke ? small : full; }

fs::path ScratchFile(const std::string& name) {
    static const ScratchFolder folder;
    return folder.path() / name;
}

Image::Image(const std::string& name, unsigned kib, const std::string& options) : path_(ScratchFile(name)) {
    Run("mkfs.fat -C " + options + " '" + path_.string() + "' " + std::to_string(kib) + " >/dev/null");
    FillAndWarm(path_, DataStart(path_));
}

void Image::Map(char letter, bool removable) const {
    hosted::MapDrive(letter, {path_.string(), removable ? hosted::DriveKind::Removable : hosted::DriveKind::Fixed});
}

Image::~Image() {
    std::error_code ignored;
    fs::remove(path_, ignored);
}

PageBuffer::PageBuffer(std::size_t size)
    : data_(static_cast<unsigned char*>(std::aligned_alloc(4096, (size + 4095) / 4096 * 4096))), size_(size) {
    if (!data_) throw std::bad_alloc();
    std::memset(data_.get(), 0, size);
}

const Image& DiskC() {
    static const Image image("disk.img", static_cast<unsigned>(Scaled(80 * 1024, 8 * 1024)),
                             smoke ? "-F 16 -s 1" : "-F 16");
    image.Map('C');
    return image;
}

void UsePlatform(const char* platform) {
    hosted::SetPlatform(platform);
    vcl::InitPlatformId();
}

} // namespace bench
