// What the component knows of a drive and of the platform, measured the way
// it measures them (GetDriveTypeA, GetDiskFreeSpaceA, GetVersionExA), since
// the component keeps its own figures private.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "win32/win32.h"

namespace zelvan_cli {

struct DriveFacts {
    char letter = 0;
    UINT type = DRIVE_UNKNOWN;
    bool measured = false;       // GetDiskFreeSpaceA succeeded
    DWORD error = 0;             // GetLastError when it did not
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;

    // The component's size bound: total clusters x sectors per cluster, a
    // 32-bit product as the component forms it. FIRST and FIRST + COUNT stay below it.
    std::uint32_t SizeBound() const { return totalClusters * sectorsPerCluster; }
};

DriveFacts MeasureDrive(char letter);
std::string RootPath(char letter);
std::string DriveTypeName(UINT type);

// The road a transfer takes, decided as the component decides it: by the
// runtime's Win32Platform and, on Windows 95/98, by the build number's low 16 bits.
enum class Road { NT, Win95Classic, Win95Extended, None };
Road RoadFor(int win32Platform, DWORD buildNumber);

struct PlatformFacts {
    DWORD platformId = 0;
    DWORD buildNumber = 0;
    int win32Platform = 0;       // what the runtime publishes
    Road road = Road::None;
};

PlatformFacts QueryPlatform();
std::string PlatformName(const PlatformFacts& platform);
// How the logical transfers of drive `letter` travel, and the floppy ones.
std::string RoadDescription(Road road, char letter);
std::string FloppyRoadDescription(Road road, char letter);

// The block `zelvan info` prints, each line starting with `indent`.
void WriteDriveReport(std::ostream& out, const DriveFacts& drive, const PlatformFacts& platform,
                      std::string_view indent);

} // namespace zelvan_cli
