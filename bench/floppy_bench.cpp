// ReadFloppySectors on Windows 95: one INT 13h request a sector through the
// VWIN32 device, against a loop of 512-byte preads of the image.
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "bench_setup.h"
#include "orvane/orvane.h"
#include "rows.h"

namespace bench {

namespace {

constexpr std::uint32_t SectorBytes = 512;
constexpr std::uint32_t Sectors = 2800;

const Image& Floppy() {
    static const Image image("floppy.img", 1440, "-F 12");
    image.Map('A', true);
    return image;
}

void ReadFloppy(benchmark::State& state) {
    Floppy();
    // The component measures C: when it is made and tests Sectors against it.
    DiskC();
    UsePlatform("95");
    Orvane::TZelvan z(nullptr);
    z.SetSectors(Sectors);
    const PageBuffer buffer(std::size_t{Sectors} * SectorBytes);
    for (auto _ : state)
        if (!z.ReadFloppySectors('A', buffer.data(), buffer.High(), Orvane::D1440))
            state.SkipWithError("ReadFloppySectors failed");
}

void PreadEachSector(benchmark::State& state) {
    const int fd = ::open(Floppy().path().c_str(), O_RDONLY | O_CLOEXEC);
    const PageBuffer buffer(std::size_t{Sectors} * SectorBytes);
    for (auto _ : state)
        for (std::uint32_t s = 0; s < Sectors; ++s)
            if (::pread(fd, buffer.data() + s * SectorBytes, SectorBytes, off_t{s} * SectorBytes) != SectorBytes)
                state.SkipWithError("pread failed");
    ::close(fd);
}

} // namespace

void RegisterFloppyRows() {
    Register({"floppy_2800", "ReadFloppySectors 2800 sectors; 95 (INT 13h; one request a sector)",
              "a loop of 512-byte preads", 2, ReadFloppy, PreadEachSector});
}

} // namespace bench
