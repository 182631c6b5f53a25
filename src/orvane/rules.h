// The rules of unit Orvane that its roads and the programs around it share:
// the letters DriveName takes, how a drive is measured and bounded, the road
// a transfer takes, and the drives the floppy methods take.
#pragma once

#include <cstdint>

#include "vcl/system.h"
#include "win32/win32.h"

namespace Orvane {

// DriveName takes the letters A to Z in either case and keeps them upper case.
constexpr bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "X:\", the root path that GetDriveTypeA and GetDiskFreeSpaceA take.
struct TRootPath {
    explicit constexpr TRootPath(char Drive) : Text{Drive, ':', '\\', '\0'} {}
    char Text[4];
};

// Measures drive Drive with GetDiskFreeSpaceA, which writes straight into
// the four figures, in this order; true when the drive could be measured.
inline bool MeasureDisk(char Drive, DWORD& SectorsPerCluster, DWORD& BytesPerSector, DWORD& FreeClusters,
                        DWORD& TotalClusters) {
    return GetDiskFreeSpaceA(TRootPath(Drive).Text, &SectorsPerCluster, &BytesPerSector, &FreeClusters,
                             &TotalClusters) != 0;
}

// The size bound B of a drive: total clusters x sectors per cluster, a 32-bit
// product that wraps. FirstSector and FirstSector + Sectors stay below it.
constexpr vcl::Cardinal SizeBoundOf(DWORD TotalClusters, DWORD SectorsPerCluster) {
    return vcl::WrappingMul(static_cast<vcl::Cardinal>(TotalClusters), static_cast<vcl::Cardinal>(SectorsPerCluster));
}

// A drive's figures as the component measures them, for programs that need
// them too: the component keeps its own private.
struct TDiskGeometry {
    DWORD SectorsPerCluster = 0;
    DWORD BytesPerSector = 0;
    DWORD FreeClusters = 0;
    DWORD TotalClusters = 0;

    bool Measure(char Drive) { return MeasureDisk(Drive, SectorsPerCluster, BytesPerSector, FreeClusters, TotalClusters); }
    vcl::Cardinal SizeBound() const { return SizeBoundOf(TotalClusters, SectorsPerCluster); }
};

// Values of the runtime's Win32Platform that the transfers understand.
constexpr int Win95 = 1;
constexpr int WinNT = 2;

// The build number the component keeps: the low 16 bits of dwBuildNumber
// (Windows 95/98 carry their version in the high word).
constexpr std::uint16_t BuildNumberOf(DWORD dwBuildNumber) { return static_cast<std::uint16_t>(dwBuildNumber); }
// Builds up to this one take the classic Windows 95 road (INT 25h/26h, IOCTL
// category 08h); later builds the extended one (INT 21h 7305h, category 48h).
constexpr std::uint16_t LastClassicBuild = 1000;
constexpr bool IsExtendedBuild(std::uint16_t BuildNumber) { return BuildNumber > LastClassicBuild; }

// The Windows 95 roads hand the VWIN32 device 32-bit flat addresses: of the
// DISKIO packet and the caller's buffer (INT 25h/26h, INT 21h 7305h), and of
// each sector's buffer (INT 13h). A 64-bit Windows program's addresses do not
// fit in them, and a 64-bit Windows has no VWIN32 device: there only the NT
// roads exist, and a platform of Windows 95 transfers nothing.
#ifdef _WIN64
constexpr bool Win95RoadsExist = false;
#else
constexpr bool Win95RoadsExist = true;
#endif
constexpr bool TakesWin95Road(int Win32Platform) { return Win32Platform == Win95 && Win95RoadsExist; }

// The road a logical transfer takes on a platform.
enum class TRoad { NT, Win95Classic, Win95Extended, None };
constexpr TRoad RoadOf(int Win32Platform, std::uint16_t BuildNumber) {
    if (Win32Platform == WinNT) return TRoad::NT;
    if (!TakesWin95Road(Win32Platform)) return TRoad::None;
    return IsExtendedBuild(BuildNumber) ? TRoad::Win95Extended : TRoad::Win95Classic;
}

// The floppy methods take a removable drive only, and write to A: or B: only
// (Drive upper case).
constexpr bool IsFloppyDriveType(UINT DriveType) { return DriveType == DRIVE_REMOVABLE; }
constexpr bool IsFloppyWriteLetter(char Drive) { return Drive < 'C'; }
// The bytes per sector of every standard floppy format, and what one
// interrupt 13h request moves.
constexpr std::uint32_t FloppySectorBytes = 512;

} // namespace Orvane
