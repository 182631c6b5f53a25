// Reads the boot sector of a drive and prints what it says of the volume.
// The component is linked in statically.
//
//   boot_sector C
//
// On the hosted Windows of a Linux machine the drive is an image or a
// device: ZELVAN_DRIVES='C=disk.img' boot_sector C
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvane/orvane.h"
#include "orvane/rules.h"

namespace {

using Sector = std::vector<unsigned char>;

std::uint32_t Number(const Sector& sector, std::size_t at, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = bytes; i-- > 0;) value = value << 8 | sector[at + i];
    return value;
}

std::string Text(const Sector& sector, std::size_t at, std::size_t length) {
    std::string text(reinterpret_cast<const char*>(sector.data() + at), length);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

void Print(const Sector& sector) {
    // A FAT32 volume keeps no count of sectors per FAT in the first place,
    // and its label further on.
    const bool fat32 = Number(sector, 22, 2) == 0;
    const std::size_t extended = fat32 ? 64 : 36;
    std::printf("OEM name:            %s\n", Text(sector, 3, 8).c_str());
    std::printf("bytes per sector:    %u\n", Number(sector, 11, 2));
    std::printf("sectors per cluster: %u\n", Number(sector, 13, 1));
    std::printf("reserved sectors:    %u\n", Number(sector, 14, 2));
    std::printf("FATs:                %u\n", Number(sector, 16, 1));
    std::printf("root entries:        %u\n", Number(sector, 17, 2));
    const std::uint32_t small = Number(sector, 19, 2);
    std::printf("sectors:             %u\n", small ? small : Number(sector, 32, 4));
    std::printf("media descriptor:    0x%02x\n", Number(sector, 21, 1));
    std::printf("sectors per FAT:     %u\n", fat32 ? Number(sector, 36, 4) : Number(sector, 22, 2));
    std::printf("sectors per track:   %u\n", Number(sector, 24, 2));
    std::printf("heads:               %u\n", Number(sector, 26, 2));
    std::printf("hidden sectors:      %u\n", Number(sector, 28, 4));
    std::printf("volume label:        %s\n", Text(sector, extended + 7, 11).c_str());
    std::printf("file system:         %s\n", Text(sector, extended + 18, 8).c_str());
    std::printf("signature:           %02x%02x\n", sector[510], sector[511]);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strlen(argv[1]) != 1) {
        std::fprintf(stderr, "usage: boot_sector LETTER\n");
        return 2;
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argv[1][0])));

    Orvane::TZelvan zelvan(nullptr);
    // A setter refuses silently and keeps what it had: read the letter back.
    zelvan.SetDisk(letter);
    Orvane::TDiskGeometry geometry;
    if (zelvan.DriveName() != letter || !geometry.Measure(letter)) {
        std::fprintf(stderr, "boot_sector: drive %c: cannot be measured: no such drive, or no medium in it\n", letter);
        return 1;
    }
    // A new component's run is the first sector: FirstSector 0, Sectors 1.
    Sector sector(geometry.BytesPerSector);
    SetLastError(ERROR_SUCCESS);
    if (sector.size() < 512 || !zelvan.ReadSectors(sector)) {
        // GetLastError says why on Windows NT; on Windows 95/98 it may say nothing.
        std::fprintf(stderr, "boot_sector: the boot sector of %c: cannot be read (error %lu)\n", letter,
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    Print(sector);
    return 0;
}
