// The statuses the DOS and BIOS disk services behind the VWIN32 device answer
// with, carry set, once: the family of services, the code, its name and its
// meaning in the words the tools tell it with. The hosted PC answers with
// them and the tools explain them, on every platform.
#pragma once

#include <iterator>
#include <string_view>

#include "win32/win32.h"

namespace win32 {

enum class StatusFamily {
    Critical, // INT 25h/26h: the critical-error code, in AL (AH holds a BIOS status)
    Dos,      // INT 21h: the DOS error code, in AX
    Bios,     // INT 13h: the disk status, in AH
};

struct ServiceStatus {
    StatusFamily family;
    WORD code;
    std::string_view name;
    std::string_view words;
};

inline constexpr ServiceStatus serviceStatuses[] = {
    {StatusFamily::Critical, 0x00, "WRITE_PROTECT", "the medium is write-protected"},
    {StatusFamily::Critical, 0x01, "UNKNOWN_UNIT", "unknown unit: no such drive"},
    {StatusFamily::Critical, 0x02, "NOT_READY", "the drive is not ready"},
    {StatusFamily::Critical, 0x03, "UNKNOWN_COMMAND", "unknown command"},
    {StatusFamily::Critical, 0x04, "CRC_ERROR", "data error (CRC)"},
    {StatusFamily::Critical, 0x06, "SEEK_ERROR", "seek error"},
    {StatusFamily::Critical, 0x07, "UNKNOWN_MEDIA", "unknown medium: no FAT volume these services read"},
    {StatusFamily::Critical, 0x08, "SECTOR_NOT_FOUND", "sector not found: the run reaches past the end of the medium"},
    {StatusFamily::Critical, 0x0A, "WRITE_FAULT", "write fault"},
    {StatusFamily::Critical, 0x0B, "READ_FAULT", "read fault"},
    {StatusFamily::Critical, 0x0C, "GENERAL_FAILURE", "general failure (a write on a volume that is not locked)"},

    {StatusFamily::Dos, 0x0001, "ERROR_INVALID_FUNCTION", "invalid function"},
    {StatusFamily::Dos, 0x0005, "ERROR_ACCESS_DENIED", "access denied"},
    {StatusFamily::Dos, 0x0009, "ERROR_INVALID_BLOCK", "the buffer's address could not be resolved"},
    {StatusFamily::Dos, 0x000F, "ERROR_INVALID_DRIVE", "invalid drive"},
    {StatusFamily::Dos, 0x0013, "ERROR_WRITE_PROTECT", "the medium is write-protected"},
    {StatusFamily::Dos, 0x0015, "ERROR_NOT_READY", "the drive is not ready"},
    {StatusFamily::Dos, 0x001A, "ERROR_NOT_DOS_DISK", "unknown medium: no FAT volume"},
    {StatusFamily::Dos, 0x001B, "ERROR_SECTOR_NOT_FOUND", "sector not found: the run reaches past the end of the medium"},
    {StatusFamily::Dos, 0x001D, "ERROR_WRITE_FAULT", "write fault"},
    {StatusFamily::Dos, 0x001E, "ERROR_READ_FAULT", "read fault"},
    {StatusFamily::Dos, 0x001F, "ERROR_GEN_FAILURE", "general failure"},
    {StatusFamily::Dos, 0x0057, "ERROR_INVALID_PARAMETER", "invalid parameter"},
    {StatusFamily::Dos, 0x00B0, "ERROR_VOLUME_NOT_LOCKED", "the volume is not locked"},
    // AL 0 with AH as it was: DOS 7's answer to a function 73xxh it lacks.
    {StatusFamily::Dos, 0x7300, "UNSUPPORTED_73XX",
     "the function is not supported (this Windows has no INT 21h 7305h)"},

    {StatusFamily::Bios, 0x01, "BAD_COMMAND", "bad command"},
    {StatusFamily::Bios, 0x02, "ADDRESS_MARK_NOT_FOUND", "address mark not found"},
    {StatusFamily::Bios, 0x03, "WRITE_PROTECTED", "the disk is write-protected"},
    {StatusFamily::Bios, 0x04, "SECTOR_NOT_FOUND", "sector not found: the sector lies beyond the disk's format"},
    {StatusFamily::Bios, 0x06, "DISK_CHANGED", "the disk was changed"},
    {StatusFamily::Bios, 0x08, "DMA_OVERRUN", "DMA overrun"},
    {StatusFamily::Bios, 0x09, "DMA_BOUNDARY", "the buffer crosses a 64 KiB boundary"},
    {StatusFamily::Bios, 0x0C, "MEDIA_UNKNOWN", "unknown medium: the disk's size is no standard floppy format"},
    {StatusFamily::Bios, 0x10, "CRC_ERROR", "read error (CRC)"},
    {StatusFamily::Bios, 0x20, "CONTROLLER_FAILURE", "controller failure"},
    {StatusFamily::Bios, 0x40, "SEEK_FAILED", "seek failed"},
    {StatusFamily::Bios, 0x80, "TIMEOUT", "the drive is not ready"},
};

static_assert([] {
    for (auto a = std::begin(serviceStatuses); a != std::end(serviceStatuses); ++a)
        for (auto b = a + 1; b != std::end(serviceStatuses); ++b)
            if (a->family == b->family && (a->code == b->code || a->name == b->name)) return false;
    return true;
}(), "each status has one row in its family");

// The row of `code` in `family`; nullptr for a status this system does not know.
constexpr const ServiceStatus* FindServiceStatus(StatusFamily family, WORD code) {
    for (const ServiceStatus& status : serviceStatuses)
        if (status.family == family && status.code == code) return &status;
    return nullptr;
}

// The code of the status named `name` in `family`, checked against the table
// when the code is compiled: a status without its row does not build.
consteval WORD StatusCode(StatusFamily family, std::string_view name) {
    for (const ServiceStatus& status : serviceStatuses)
        if (status.family == family && status.name == name) return status.code;
    throw "a status needs its row in serviceStatuses";
}
consteval BYTE CriticalError(std::string_view name) { return static_cast<BYTE>(StatusCode(StatusFamily::Critical, name)); }
consteval WORD DosError(std::string_view name) { return StatusCode(StatusFamily::Dos, name); }
consteval BYTE BiosStatus(std::string_view name) { return static_cast<BYTE>(StatusCode(StatusFamily::Bios, name)); }

// AX of a refused INT 25h/26h: a BIOS status in AH, a critical-error code in AL.
consteval WORD AbsoluteDiskStatus(std::string_view bios, std::string_view critical) {
    return static_cast<WORD>(BiosStatus(bios) << 8 | CriticalError(critical));
}

} // namespace win32
