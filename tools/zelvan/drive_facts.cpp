#include "drive_facts.h"

#include "vcl/sysutils.h"

namespace zelvan_cli {

std::string RootPath(char letter) { return {letter, ':', '\\'}; }

DriveFacts MeasureDrive(char letter) {
    DriveFacts facts;
    facts.letter = letter;
    const std::string root = RootPath(letter);
    facts.type = GetDriveTypeA(root.c_str());
    facts.measured = GetDiskFreeSpaceA(root.c_str(), &facts.sectorsPerCluster, &facts.bytesPerSector,
                                       &facts.freeClusters, &facts.totalClusters) != FALSE;
    if (!facts.measured) facts.error = GetLastError();
    return facts;
}

std::string DriveTypeName(UINT type) {
    switch (type) {
    case DRIVE_NO_ROOT_DIR: return "no such drive";
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_FIXED: return "fixed";
    case DRIVE_REMOTE: return "network";
    case DRIVE_CDROM: return "CD-ROM";
    case DRIVE_RAMDISK: return "RAM disk";
    default: return "unknown type";
    }
}

Road RoadFor(int win32Platform, DWORD buildNumber) {
    if (win32Platform == VER_PLATFORM_WIN32_NT) return Road::NT;
    if (win32Platform != VER_PLATFORM_WIN32_WINDOWS) return Road::None;
    return (buildNumber & 0xFFFF) > 1000 ? Road::Win95Extended : Road::Win95Classic;
}

PlatformFacts QueryPlatform() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    PlatformFacts facts;
    if (GetVersionExA(&info)) {
        facts.platformId = info.dwPlatformId;
        facts.buildNumber = info.dwBuildNumber;
    }
    facts.win32Platform = vcl::Win32Platform;
    facts.road = RoadFor(facts.win32Platform, facts.buildNumber);
    return facts;
}

std::string PlatformName(const PlatformFacts& platform) {
    const std::string family = platform.platformId == VER_PLATFORM_WIN32_NT        ? "Windows NT"
                               : platform.platformId == VER_PLATFORM_WIN32_WINDOWS ? "Windows 95/98"
                                                                                   : "not a Win32 platform";
    return family + " (platform " + std::to_string(platform.platformId) + ", build " +
           std::to_string(platform.buildNumber & 0xFFFF) + ")";
}

std::string RoadDescription(Road road, char letter) {
    switch (road) {
    case Road::NT: return "NT: the raw volume \\\\.\\" + std::string{letter, ':'} + " (SetFilePointer, ReadFile, WriteFile)";
    case Road::Win95Classic: return "Windows 95 classic: VWIN32, INT 25h/26h (build 1000 or below)";
    case Road::Win95Extended: return "Windows 95 extended: VWIN32, INT 21h function 7305h (build above 1000)";
    case Road::None: break;
    }
    return "none: the component transfers nothing on this platform";
}

std::string FloppyRoadDescription(Road road, char letter) {
    if (road == Road::Win95Classic || road == Road::Win95Extended)
        return "Windows 95: VWIN32, INT 13h by cylinder, head and sector, one request per sector";
    return RoadDescription(road, letter);
}

void WriteDriveReport(std::ostream& out, const DriveFacts& drive, const PlatformFacts& platform,
                      std::string_view indent) {
    const std::uint64_t bound = drive.SizeBound();
    out << indent << "drive:               " << drive.letter << ": (" << DriveTypeName(drive.type) << ")\n"
        << indent << "bytes per sector:    " << drive.bytesPerSector << '\n'
        << indent << "sectors per cluster: " << drive.sectorsPerCluster << '\n'
        << indent << "total clusters:      " << drive.totalClusters << '\n'
        << indent << "free clusters:       " << drive.freeClusters << '\n'
        << indent << "size bound B:        " << bound << " sectors (" << bound * drive.bytesPerSector << " bytes)\n"
        << indent << "platform:            " << PlatformName(platform) << '\n'
        << indent << "road:                " << RoadDescription(platform.road, drive.letter) << '\n';
    if (drive.type == DRIVE_REMOVABLE)
        out << indent << "floppy road:         " << FloppyRoadDescription(platform.road, drive.letter) << '\n';
}

} // namespace zelvan_cli
