// Backs up a floppy disk track by track, by cylinder and head, into a file.
// The component is linked in statically.
//
//   floppy_backup A 1440 backup.img
//
// FirstSector and Sectors are checked against the drive that DriveName
// names, C: unless changed, not against the floppy: the run of the last
// track lies beyond a floppy's own size bound. On Windows 95/98 every
// sector goes through interrupt 13h by its cylinder, head and sector; on NT
// the track is one transfer of the floppy's volume.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "orvane/orvane.h"

namespace {

struct Format {
    std::string_view name;
    Orvane::TFloppyType type;
    unsigned cylinders, heads, sectorsPerTrack;
};

constexpr Format formats[] = {
    {"360", Orvane::D360, 40, 2, 9},
    {"720", Orvane::D720, 80, 2, 9},
    {"1200", Orvane::D1200, 80, 2, 15},
    {"1440", Orvane::D1440, 80, 2, 18},
};
constexpr unsigned sectorBytes = 512;

const Format* FindFormat(std::string_view name) {
    for (const Format& format : formats)
        if (format.name == name) return &format;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const Format* format = argc == 4 ? FindFormat(argv[2]) : nullptr;
    if (!format || std::strlen(argv[1]) != 1) {
        std::fprintf(stderr, "usage: floppy_backup LETTER 360|720|1200|1440 FILE\n");
        return 2;
    }
    const char drive = argv[1][0];

    Orvane::TZelvan zelvan(nullptr);
    std::vector<unsigned char> disk;
    std::vector<unsigned char> track(format->sectorsPerTrack * sectorBytes);
    for (unsigned cylinder = 0; cylinder < format->cylinders; ++cylinder) {
        for (unsigned head = 0; head < format->heads; ++head) {
            const unsigned first = (cylinder * format->heads + head) * format->sectorsPerTrack;
            // A setter refuses silently and keeps what it had: read the run back.
            zelvan.SetFirstSector(first);
            zelvan.SetSectors(format->sectorsPerTrack);
            if (zelvan.FirstSector() != first || zelvan.Sectors() != format->sectorsPerTrack) {
                const std::string checked = zelvan.DriveName() ? std::string{zelvan.DriveName(), ':'} : "no drive";
                std::fprintf(stderr, "floppy_backup: cylinder %u head %u: sectors %u to %u are refused: they lie "
                                     "beyond %s, which the component checks them against\n",
                             cylinder, head, first, first + format->sectorsPerTrack - 1, checked.c_str());
                return 1;
            }
            SetLastError(ERROR_SUCCESS);
            if (!zelvan.ReadFloppySectors(drive, track, format->type)) {
                std::fprintf(stderr, "floppy_backup: cylinder %u head %u of %c: cannot be read (error %lu)\n", cylinder,
                             head, drive, static_cast<unsigned long>(GetLastError()));
                return 1;
            }
            disk.insert(disk.end(), track.begin(), track.end());
        }
    }

    std::ofstream out(argv[3], std::ios::binary);
    out.write(reinterpret_cast<const char*>(disk.data()), static_cast<std::streamsize>(disk.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "floppy_backup: %s cannot be written\n", argv[3]);
        return 1;
    }
    std::printf("%u cylinders x %u heads x %u sectors of %c: in %s\n", format->cylinders, format->heads,
                format->sectorsPerTrack, drive, argv[3]);
    return 0;
}
