// INT 13h functions 02h and 03h on the floppy drives A: to D:, with the
// geometry of a standard format told by the image's size, and the status
// codes of a PC BIOS in AH.
#include <string>

#include "win32/hosted/device_services.h"
#include "win32/hosted/drive_media.h"
#include "win32/hosted/flat_region.h"
#include "win32/service_status.h"

namespace hosted {

namespace {

namespace status {
constexpr BYTE success = 0x00;
constexpr BYTE badCommand = win32::BiosStatus("BAD_COMMAND");
constexpr BYTE writeProtected = win32::BiosStatus("WRITE_PROTECTED");
constexpr BYTE sectorNotFound = win32::BiosStatus("SECTOR_NOT_FOUND");
constexpr BYTE boundaryError = win32::BiosStatus("DMA_BOUNDARY");
constexpr BYTE mediaUnknown = win32::BiosStatus("MEDIA_UNKNOWN");
constexpr BYTE readError = win32::BiosStatus("CRC_ERROR");
constexpr BYTE controllerFailure = win32::BiosStatus("CONTROLLER_FAILURE");
constexpr BYTE notReady = win32::BiosStatus("TIMEOUT");
} // namespace status

// The BIOS's own knowledge of floppy media, kept apart from the component's
// format table on purpose, so that the component is checked, not echoed.
constexpr unsigned sectorBytes = 512;

struct FloppyGeometry {
    std::uint64_t bytes;
    unsigned cylinders, heads, sectorsPerTrack;
};

constexpr FloppyGeometry floppyFormats[] = {
    {160 * 1024, 40, 1, 8},  {180 * 1024, 40, 1, 9},   {320 * 1024, 40, 2, 8},   {360 * 1024, 40, 2, 9},
    {720 * 1024, 80, 2, 9},  {1200 * 1024, 80, 2, 15}, {1440 * 1024, 80, 2, 18}, {2880 * 1024, 80, 2, 36},
};

const FloppyGeometry* GeometryOfSize(std::uint64_t bytes) {
    for (const FloppyGeometry& format : floppyFormats)
        if (format.bytes == bytes) return &format;
    return nullptr;
}

struct DiskRequest {
    bool write;
    BYTE count;
    unsigned cylinder, head, sector;
    BYTE drive;
    DWORD buffer;
};

BYTE Transfer(ServiceContext& context, const DiskRequest& request) {
    if (request.drive > 3) return status::notReady;
    const char letter = static_cast<char>('A' + request.drive);
    const DriveSpec* drive = context.machine.Drive(letter);
    if (!drive || drive->kind != DriveKind::Removable) return status::notReady;
    const Result<const HeldMedium*> reached = ReachMedium(context, letter, *drive, request.write && !drive->readOnly);
    if (!reached) return request.write && reached.Error() == ERROR_ACCESS_DENIED ? status::writeProtected : status::notReady;
    const HeldMedium* medium = *reached;
    if (!medium->size || *medium->size == 0) return status::notReady;
    const FloppyGeometry* geometry = GeometryOfSize(*medium->size);
    if (!geometry) return status::mediaUnknown;
    if (request.write && drive->readOnly) return status::writeProtected;
    if (request.count == 0) return status::badCommand;
    if (request.cylinder >= geometry->cylinders || request.head >= geometry->heads || request.sector == 0 ||
        request.sector > geometry->sectorsPerTrack)
        return status::sectorNotFound;
    // A multi-sector request runs on across the heads of its cylinder, not beyond.
    std::uint64_t first = (std::uint64_t{request.cylinder} * geometry->heads + request.head) * geometry->sectorsPerTrack +
                          request.sector - 1;
    std::uint64_t cylinderEnd = std::uint64_t{request.cylinder + 1} * geometry->heads * geometry->sectorsPerTrack;
    if (first + request.count > cylinderEnd) return status::sectorNotFound;
    std::size_t bytes = std::size_t{request.count} * sectorBytes;
    void* memory = ResolveFlat(request.buffer, bytes);
    if (!memory) return status::boundaryError;
    if (request.write) {
        // The drive's free clusters are counted afresh, whatever part of the write took.
        context.machine.mounts.Written(letter);
        return medium->medium.WriteAt(memory, bytes, first * sectorBytes).error == 0 ? status::success
                                                                                     : status::controllerFailure;
    }
    Backing::Transfer got = medium->medium.ReadAt(memory, bytes, first * sectorBytes);
    return got.error == 0 && got.bytes == bytes ? status::success : status::readError;
}

} // namespace

void Int13(ServiceContext& context, DIOC_REGISTERS& registers) {
    BYTE function = HighByte(registers.reg_EAX);
    BYTE cl = LowByte(registers.reg_ECX);
    // CL bits 6-7 are bits 8-9 of the cylinder.
    DiskRequest request{function == 0x03,
                        LowByte(registers.reg_EAX),
                        HighByte(registers.reg_ECX) | ((cl & 0xC0u) << 2),
                        HighByte(registers.reg_EDX),
                        cl & 0x3Fu,
                        LowByte(registers.reg_EDX),
                        registers.reg_EBX};
    if (function != 0x02 && function != 0x03) {
        Refuse(registers, status::badCommand << 8);
        return;
    }
    if (context.journalled)
        context.note = "chs(" + std::to_string(request.cylinder) + "/" + std::to_string(request.head) + "/" +
                       std::to_string(request.sector) + ")";
    BYTE result = Transfer(context, request);
    if (result != status::success) return Refuse(registers, static_cast<WORD>(result << 8));
    SetAx(registers, request.count);
    Complete(registers);
}

} // namespace hosted
