// INT 21h 440Dh (lock/unlock logical volume), INT 25h/26h and INT 21h 7305h
// as VWIN32 carries them out on Windows 95/98.
#include <cstdio>
#include <span>

#include "win32/hosted/device_services.h"
#include "win32/hosted/drive_media.h"
#include "win32/hosted/fat_volume.h"
#include "win32/hosted/flat_region.h"
#include "win32/little_endian.h"
#include "win32/service_status.h"

namespace hosted {

namespace {

// The status each family of services reports for each failure. INT 25h/26h
// put a BIOS-style status in AH and a critical-error code in AL; INT 21h
// functions return a DOS error code in AX.
struct DosCodes {
    WORD noDrive, notReady, unknownMedia, sectorNotFound, writeProtect, lockDenied, badAddress, readFault, writeFault;
};
constexpr DosCodes absoluteCodes{
    .noDrive = win32::AbsoluteDiskStatus("ADDRESS_MARK_NOT_FOUND", "UNKNOWN_UNIT"),
    .notReady = win32::AbsoluteDiskStatus("TIMEOUT", "NOT_READY"),
    .unknownMedia = win32::AbsoluteDiskStatus("ADDRESS_MARK_NOT_FOUND", "UNKNOWN_MEDIA"),
    .sectorNotFound = win32::AbsoluteDiskStatus("SECTOR_NOT_FOUND", "SECTOR_NOT_FOUND"),
    .writeProtect = win32::AbsoluteDiskStatus("WRITE_PROTECTED", "WRITE_PROTECT"),
    .lockDenied = win32::CriticalError("GENERAL_FAILURE"),
    .badAddress = win32::AbsoluteDiskStatus("DMA_OVERRUN", "GENERAL_FAILURE"),
    .readFault = win32::AbsoluteDiskStatus("CRC_ERROR", "READ_FAULT"),
    .writeFault = win32::AbsoluteDiskStatus("CONTROLLER_FAILURE", "WRITE_FAULT"),
};
constexpr DosCodes extendedCodes{
    .noDrive = win32::DosError("ERROR_INVALID_DRIVE"),
    .notReady = win32::DosError("ERROR_NOT_READY"),
    .unknownMedia = win32::DosError("ERROR_NOT_DOS_DISK"),
    .sectorNotFound = win32::DosError("ERROR_SECTOR_NOT_FOUND"),
    .writeProtect = win32::DosError("ERROR_WRITE_PROTECT"),
    .lockDenied = win32::DosError("ERROR_ACCESS_DENIED"),
    .badAddress = win32::DosError("ERROR_INVALID_BLOCK"),
    .readFault = win32::DosError("ERROR_READ_FAULT"),
    .writeFault = win32::DosError("ERROR_WRITE_FAULT"),
};

constexpr WORD invalidFunction = win32::DosError("ERROR_INVALID_FUNCTION");
constexpr WORD invalidDrive = win32::DosError("ERROR_INVALID_DRIVE");
constexpr WORD accessDenied = win32::DosError("ERROR_ACCESS_DENIED");
constexpr WORD notReady = win32::DosError("ERROR_NOT_READY");
constexpr WORD invalidParameter = win32::DosError("ERROR_INVALID_PARAMETER");
constexpr WORD volumeNotLocked = win32::DosError("ERROR_VOLUME_NOT_LOCKED");
constexpr WORD unsupported7305 = win32::DosError("UNSUPPORTED_73XX");

// The extended interfaces (IOCTL category 48h, function 7305h) came with
// the FAT32 releases, the first of which is OSR2, build 1111; build 950 and
// its service pack have neither, and no build shipped in between. This is
// Windows' own fact, kept here apart from the component's rule on purpose:
// a model that shared the component's threshold would agree with it
// whatever it said.
constexpr DWORD firstFat32Build = 1111;
bool HasExtendedInterface(const Machine& machine) { return (machine.identity.buildNumber & 0xFFFF) >= firstFat32Build; }

// The logical-volume lock (440Dh minor codes 4Ah and 6Ah). Levels 1 to 3 are
// taken one after another by one owner, each shutting other programs out a
// little more; level 0 is the exclusive lock, taken once (and once more to
// format). DX of a level 1 lock says what may happen while it is held.
namespace lock {
constexpr BYTE exclusive = 0;
constexpr BYTE first = 1;
constexpr BYTE last = 3;
constexpr WORD allowWrites = 0x0001; // bit 1 fails new file mappings, bit 2 (level 0) formats
} // namespace lock

// Whether the holder of `held` may take level `level` next.
bool TakesNext(const DeviceLock& held, BYTE level) {
    const BYTE top = held.levels.back();
    if (top == lock::exclusive) return level == lock::exclusive && held.levels.size() == 1;
    return level == top + 1 && level <= lock::last;
}

// A direct write needs the writer's own lock: level 0, or levels from 1 on
// with writes allowed.
bool LetsOwnerWrite(const DeviceLock& held) {
    return held.levels.front() == lock::exclusive || (held.permissions & lock::allowWrites) != 0;
}

// Level 0 and level 3 keep every other program from the volume, reads too.
bool ShutsOthersOut(const DeviceLock& held) {
    return held.levels.front() == lock::exclusive || held.levels.back() == lock::last;
}

std::optional<char> LetterFromOne(BYTE drive) {
    if (drive < 1 || drive > 26) return std::nullopt;
    return static_cast<char>('A' + drive - 1);
}

struct LogicalRequest {
    char letter;
    DWORD first;
    WORD count;
    DWORD buffer;
    bool write;
    bool classic; // INT 25h/26h: no FAT32
    bool oldForm; // INT 25h/26h without a packet: 16-bit sector numbers
};

// The DISKIO packet: DWORD first sector, WORD count, DWORD buffer address.
std::optional<LogicalRequest> ReadPacket(ServiceContext& context, DWORD address) {
    constexpr std::size_t packetSize = 10;
    const auto* packet = static_cast<const std::uint8_t*>(ResolveFlat(address, packetSize));
    if (!packet) {
        if (context.journalled) context.note = "packet(unresolved)";
        return std::nullopt;
    }
    if (context.journalled) {
        context.note = "packet(";
        for (std::size_t i = 0; i < packetSize; ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", packet[i]);
            context.note += byte;
        }
        context.note += ")";
    }
    const std::span<const std::uint8_t> fields(packet, packetSize);
    LogicalRequest request{};
    request.first = win32::Le32(fields, 0);
    request.count = win32::Le16(fields, 4);
    request.buffer = win32::Le32(fields, 6);
    return request;
}

void LogicalTransfer(ServiceContext& context, DIOC_REGISTERS& registers, const LogicalRequest& request,
                     const DosCodes& codes) {
    const DriveSpec* drive = context.machine.Drive(request.letter);
    if (!drive) return Refuse(registers, codes.noDrive);
    const Result<const HeldMedium*> reached =
        ReachMedium(context, request.letter, *drive, request.write && !drive->readOnly);
    if (!reached) return Refuse(registers, reached.Error() == ERROR_ACCESS_DENIED ? codes.writeProtect : codes.notReady);
    const HeldMedium* medium = *reached;
    const Result<FatLayout> probe = ProbeVolume(medium->medium);
    if (!probe) return Refuse(registers, probe.Error() == ERROR_NOT_READY ? codes.notReady : codes.unknownMedia);
    const FatLayout& layout = *probe;
    // INT 25h/26h do not reach FAT32, and without a packet no volume whose
    // sector numbers need more than 16 bits.
    if (request.classic && layout.type == win32::FatType::Fat32) return Refuse(registers, codes.unknownMedia);
    if (request.oldForm && layout.totalSectors > 0xFFFF) return Refuse(registers, codes.unknownMedia);
    if (request.write && drive->readOnly) return Refuse(registers, codes.writeProtect);
    const auto& locks = context.machine.deviceLocks;
    const auto held = locks.find(request.letter);
    const bool owned = held != locks.end() && held->second.owner == context.owner;
    if (request.write ? !owned || !LetsOwnerWrite(held->second)
                      : held != locks.end() && !owned && ShutsOthersOut(held->second))
        return Refuse(registers, codes.lockDenied);
    if (!medium->size) return Refuse(registers, codes.notReady);
    std::uint64_t sectors = std::min<std::uint64_t>(layout.totalSectors, *medium->size / layout.bytesPerSector);
    if (std::uint64_t{request.first} + request.count > sectors) return Refuse(registers, codes.sectorNotFound);
    // No sector to move needs no memory.
    if (request.count == 0) return Complete(registers);
    std::size_t bytes = std::size_t{request.count} * layout.bytesPerSector;
    void* memory = ResolveFlat(request.buffer, bytes);
    if (!memory) return Refuse(registers, codes.badAddress);
    std::uint64_t offset = std::uint64_t{request.first} * layout.bytesPerSector;
    if (request.write) {
        // The drive's free clusters are counted afresh, whatever part of the write took.
        context.machine.mounts.Written(request.letter);
        if (medium->medium.WriteAt(memory, bytes, offset).error != 0) return Refuse(registers, codes.writeFault);
    } else {
        Backing::Transfer got = medium->medium.ReadAt(memory, bytes, offset);
        if (got.error != 0 || got.bytes < bytes) return Refuse(registers, codes.readFault);
    }
    Complete(registers);
}

void AbsoluteDisk(ServiceContext& context, DIOC_REGISTERS& registers, bool write) {
    BYTE drive = LowByte(registers.reg_EAX);
    if (drive > 25) return Refuse(registers, absoluteCodes.noDrive);
    std::optional<LogicalRequest> request;
    if (LowWord(registers.reg_ECX) == 0xFFFF) {
        request = ReadPacket(context, registers.reg_EBX);
        if (!request) return Refuse(registers, absoluteCodes.badAddress);
    } else {
        request = LogicalRequest{};
        request->first = LowWord(registers.reg_EDX);
        request->count = LowWord(registers.reg_ECX);
        request->buffer = registers.reg_EBX;
        request->oldForm = true;
    }
    request->letter = static_cast<char>('A' + drive);
    request->write = write;
    request->classic = true;
    LogicalTransfer(context, registers, *request, absoluteCodes);
}

// Level 0 is taken alone (and once more to format, DX bit 2), levels 1 to 3
// one after another by the same handle; one out of turn or above 3 is
// refused with 0057h, a volume locked through another handle with 0005h.
// The lock holds an exclusive flock(2) on the medium, so that volume handles
// and locks of other processes see it.
void LockVolume(ServiceContext& context, DIOC_REGISTERS& registers, char letter) {
    const BYTE level = HighByte(registers.reg_EBX);
    if (level > lock::last) return Refuse(registers, invalidParameter);
    const DriveSpec* drive = context.machine.Drive(letter);
    if (!drive) return Refuse(registers, invalidDrive);
    auto& locks = context.machine.deviceLocks;
    if (auto held = locks.find(letter); held != locks.end()) {
        if (held->second.owner != context.owner) return Refuse(registers, accessDenied);
        if (!TakesNext(held->second, level)) return Refuse(registers, invalidParameter);
        held->second.levels.push_back(level);
        return Complete(registers);
    }
    if (level != lock::exclusive && level != lock::first) return Refuse(registers, invalidParameter);
    Result<Backing> medium = OpenMedium(*drive, false);
    if (!medium) return Refuse(registers, notReady);
    // Other processes see the lock, and an open volume of theirs refuses it.
    if (!medium->TryExclusive()) return Refuse(registers, accessDenied);
    const WORD permissions = level == lock::first ? LowWord(registers.reg_EDX) : 0;
    locks.emplace(letter, DeviceLock{context.owner, {level}, permissions, std::move(*medium)});
    Complete(registers);
}

// Each unlock gives up the level taken last.
void UnlockVolume(ServiceContext& context, DIOC_REGISTERS& registers, char letter) {
    auto& locks = context.machine.deviceLocks;
    auto held = locks.find(letter);
    if (held == locks.end() || held->second.owner != context.owner) return Refuse(registers, volumeNotLocked);
    held->second.levels.pop_back();
    if (held->second.levels.empty()) locks.erase(held);
    Complete(registers);
}

} // namespace

// The logical-volume lock: CL 4Ah locks and 6Ah unlocks the drive in BL
// (A = 1) at the level in BH, with IOCTL category 08h in CH, or 48h from
// the FAT32 releases on. A direct write (INT 26h, INT 21h 7305h with SI bit
// 0) needs the writer's own lock; INT 13h on a floppy needs none. Closing
// the device handle gives up its locks (ReleaseDeviceLocks).
void Int21_440D(ServiceContext& context, DIOC_REGISTERS& registers) {
    if (LowWord(registers.reg_EAX) != 0x440D) return Refuse(registers, invalidFunction);
    BYTE category = HighByte(registers.reg_ECX);
    if (category != 0x08 && !(category == 0x48 && HasExtendedInterface(context.machine)))
        return Refuse(registers, invalidFunction);
    std::optional<char> letter = LetterFromOne(LowByte(registers.reg_EBX));
    if (!letter) return Refuse(registers, invalidDrive);
    switch (LowByte(registers.reg_ECX)) {
    case 0x4A: return LockVolume(context, registers, *letter);
    case 0x6A: return UnlockVolume(context, registers, *letter);
    default: return Refuse(registers, invalidFunction);
    }
}

void Int25(ServiceContext& context, DIOC_REGISTERS& registers) { AbsoluteDisk(context, registers, false); }

void Int26(ServiceContext& context, DIOC_REGISTERS& registers) { AbsoluteDisk(context, registers, true); }

void Int21_7305(ServiceContext& context, DIOC_REGISTERS& registers) {
    if (LowWord(registers.reg_EAX) != 0x7305) return Refuse(registers, invalidFunction);
    if (!HasExtendedInterface(context.machine)) return Refuse(registers, unsupported7305);
    if (LowWord(registers.reg_ECX) != 0xFFFF) return Refuse(registers, invalidParameter);
    std::optional<char> letter = LetterFromOne(LowByte(registers.reg_EDX));
    if (!letter) return Refuse(registers, extendedCodes.noDrive);
    std::optional<LogicalRequest> request = ReadPacket(context, registers.reg_EBX);
    if (!request) return Refuse(registers, extendedCodes.badAddress);
    request->letter = *letter;
    request->write = (registers.reg_ESI & 1) != 0;
    LogicalTransfer(context, registers, *request, extendedCodes);
}

} // namespace hosted
