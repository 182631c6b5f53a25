// What the component knows of a drive (its measurement, and GetDriveTypeA)
// and what the runtime knows of the platform.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "win32/win32.h"

namespace zelvan_cli {

struct DriveFacts {
    char letter = 0;
    UINT type = DRIVE_UNKNOWN;
    bool measured = false;       // GetDiskFreeSpaceA succeeded
    DWORD error = 0;             // GetLastError when it did not
    Orvane::TDiskGeometry geometry;
    // The figures of the component's DriveName drive standing in for a
    // floppy run's drive, which cannot be measured: why, in words, for the
    // refusals that name this drive's size bound.
    std::string standingIn;

    // FIRST and FIRST + COUNT stay below it.
    std::uint32_t SizeBound() const { return geometry.SizeBound(); }
    // The clusters' sectors, which B is as long as they stay below 2^32.
    std::uint64_t ClusterSectors() const {
        return std::uint64_t{geometry.TotalClusters} * geometry.SectorsPerCluster;
    }
};

// Where total clusters x sectors per cluster reaches 2^32, B is what its
// 32-bit product leaves: "50331647 clusters x 128 sectors = 6442450816 wraps
// at 2^32: sectors 2147483520 to 6442450815 are out of the component's
// reach"; empty where it does not.
std::string BoundWrapNote(const DriveFacts& drive);

// Measures drive `letter` as the component does.
DriveFacts MeasureDrive(char letter);
// The drive `zelvan` has selected, with the figures its measurement left.
DriveFacts SelectedDrive(const Orvane::TZelvan& zelvan);
std::string DriveTypeName(UINT type);

struct PlatformFacts {
    DWORD platformId = 0;
    DWORD buildNumber = 0;
    Orvane::TRoad road = Orvane::TRoad::None;
};

// The platform as the runtime found it at start-up (Win32Platform).
PlatformFacts QueryPlatform();
std::string PlatformName(const PlatformFacts& platform);
// How the logical transfers of drive `letter` travel, and the floppy ones.
std::string RoadDescription(Orvane::TRoad road, char letter);
std::string FloppyRoadDescription(Orvane::TRoad road, char letter);

struct VolumeReach;

// The block `zelvan info` prints, each line starting with `indent`; with
// `reach`, also the medium's sectors, the volume's layout, the sectors read
// and write cannot reach and, for a removable drive, its floppy FORMAT.
void WriteDriveReport(std::ostream& out, const DriveFacts& drive, const PlatformFacts& platform,
                      std::string_view indent, const VolumeReach* reach = nullptr);

} // namespace zelvan_cli
