#include "zelvan/drive_facts.h"

#include "vcl/sysutils.h"
#include "zelvan/volume_reach.h"

namespace zelvan_cli {

using Orvane::TRoad;

DriveFacts MeasureDrive(char letter) {
    DriveFacts facts;
    facts.letter = letter;
    facts.type = GetDriveTypeA(Orvane::TRootPath(letter).Text);
    facts.measured = facts.geometry.Measure(letter);
    if (!facts.measured) facts.error = GetLastError();
    return facts;
}

DriveFacts SelectedDrive(const Orvane::TZelvan& zelvan) {
    DriveFacts facts;
    facts.letter = zelvan.DriveName();
    facts.type = GetDriveTypeA(Orvane::TRootPath(facts.letter).Text);
    facts.measured = true;
    facts.geometry = {zelvan.SectorsPerCluster(), zelvan.BytesPerSector(), zelvan.FreeClusters(), zelvan.TotalClusters()};
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

std::string BoundWrapNote(const DriveFacts& drive) {
    const std::uint64_t sectors = drive.ClusterSectors();
    if (sectors == drive.SizeBound()) return "";
    return std::to_string(drive.geometry.TotalClusters) + " clusters x " +
           std::to_string(drive.geometry.SectorsPerCluster) + " sectors = " + std::to_string(sectors) +
           " wraps at 2^32: sectors " + std::to_string(drive.SizeBound()) + " to " + std::to_string(sectors - 1) +
           " are out of the component's reach";
}

PlatformFacts QueryPlatform() {
    PlatformFacts facts;
    facts.platformId = static_cast<DWORD>(vcl::Win32Platform);
    facts.buildNumber = static_cast<DWORD>(vcl::Win32BuildNumber);
    facts.road = Orvane::RoadOf(vcl::Win32Platform, Orvane::BuildNumberOf(facts.buildNumber));
    return facts;
}

std::string PlatformName(const PlatformFacts& platform) {
    const std::string family = platform.platformId == VER_PLATFORM_WIN32_NT        ? "Windows NT"
                               : platform.platformId == VER_PLATFORM_WIN32_WINDOWS ? "Windows 95/98"
                                                                                   : "not a Win32 platform";
    return family + " (platform " + std::to_string(platform.platformId) + ", build " +
           std::to_string(Orvane::BuildNumberOf(platform.buildNumber)) + ")";
}

std::string RoadDescription(TRoad road, char letter) {
    const std::string lastClassic = std::to_string(Orvane::LastClassicBuild);
    switch (road) {
    case TRoad::NT: return "NT: the raw volume \\\\.\\" + std::string{letter, ':'} + " (SetFilePointer, ReadFile, WriteFile)";
    case TRoad::Win95Classic: return "Windows 95 classic: VWIN32, INT 25h/26h (build " + lastClassic + " or below)";
    case TRoad::Win95Extended: return "Windows 95 extended: VWIN32, INT 21h function 7305h (build above " + lastClassic + ")";
    case TRoad::None: break;
    }
    return "none: the component transfers nothing on this platform";
}

std::string FloppyRoadDescription(TRoad road, char letter) {
    if (road == TRoad::Win95Classic || road == TRoad::Win95Extended)
        return "Windows 95: VWIN32, INT 13h by cylinder, head and sector, one request per sector";
    return RoadDescription(road, letter);
}

void WriteDriveReport(std::ostream& out, const DriveFacts& drive, const PlatformFacts& platform,
                      std::string_view indent, const VolumeReach* reach) {
    const std::uint64_t bound = drive.SizeBound();
    const std::string wrap = BoundWrapNote(drive);
    out << indent << "drive:               " << drive.letter << ": (" << DriveTypeName(drive.type) << ")\n"
        << indent << "bytes per sector:    " << drive.geometry.BytesPerSector << '\n'
        << indent << "sectors per cluster: " << drive.geometry.SectorsPerCluster << '\n'
        << indent << "total clusters:      " << drive.geometry.TotalClusters << '\n'
        << indent << "free clusters:       " << drive.geometry.FreeClusters << '\n'
        << indent << "size bound B:        " << bound << " sectors (" << bound * drive.geometry.BytesPerSector
        << " bytes)" << (wrap.empty() ? "" : ", since " + wrap) << '\n';
    if (reach) {
        if (reach->mediumSectors)
            out << indent << "medium:              " << *reach->mediumSectors << " sectors ("
                << *reach->mediumSectors * drive.geometry.BytesPerSector << " bytes)\n";
        out << indent << "file system:         " << (reach->layout ? reach->layout->Describe() : "not known: " + reach->unread)
            << '\n'
            << indent << "out of reach:        " << OutOfReach(drive, *reach) << '\n';
    }
    out << indent << "platform:            " << PlatformName(platform) << '\n'
        << indent << "road:                " << RoadDescription(platform.road, drive.letter) << '\n';
    if (drive.type != DRIVE_REMOVABLE) return;
    out << indent << "floppy road:         " << FloppyRoadDescription(platform.road, drive.letter) << '\n';
    if (const std::optional<std::string> format = reach ? FloppyFormatLine(drive, *reach) : std::nullopt)
        out << indent << "floppy FORMAT:       " << *format << '\n';
}

} // namespace zelvan_cli
