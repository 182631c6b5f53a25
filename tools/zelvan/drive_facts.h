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

    // FIRST and FIRST + COUNT stay below it.
    std::uint32_t SizeBound() const { return geometry.SizeBound(); }
};

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

// The block `zelvan info` prints, each line starting with `indent`.
void WriteDriveReport(std::ostream& out, const DriveFacts& drive, const PlatformFacts& platform,
                      std::string_view indent);

} // namespace zelvan_cli
