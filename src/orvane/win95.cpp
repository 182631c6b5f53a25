// The Windows 95/98 road: DOS absolute disk requests carried out by the
// VWIN32 device, straight into or out of the caller's buffer.
#include <algorithm>

#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "orvane/unit.h"
#include "win32/flat.h"

namespace Orvane {

namespace {

constexpr char VWin32Path[] = "\\\\.\\vwin32";
// The DISKIO count field is 16 bits wide; a longer run takes several requests.
constexpr std::uint32_t MaxSectorsPerRequest = 0xFFFF;

// Lock level 1 of the logical volume; Drive counts from A = 0.
void LockVolume(int Drive, DWORD Category) {
    Registers.reg_EAX = 0x440D;
    Registers.reg_EBX = 0x0100 + static_cast<DWORD>(Drive) + 1;
    Registers.reg_ECX = 0x084A + Category;
    Registers.reg_EDX = 1;
    SendVwin32Request(VWIN32_DIOC_DOS_IOCTL);
}

void UnlockVolume(int Drive, DWORD Category) {
    Registers.reg_EAX = 0x440D;
    Registers.reg_EBX = static_cast<DWORD>(Drive) + 1;
    Registers.reg_ECX = 0x086A + Category;
    SendVwin32Request(VWIN32_DIOC_DOS_IOCTL);
}

struct Run {
    int drive; // A = 0
    std::uint32_t firstSector;
    std::uint32_t sectors;
    std::uint32_t bytesPerSector;
};

// One request per 65,535 sectors at most (one request for a shorter run, even
// an empty one); every request must succeed.
bool SendRun(const Run& run, void* buffer, DWORD controlCode, bool write) {
    const win32::FlatRegion data(buffer, static_cast<std::size_t>(std::uint64_t{run.sectors} * run.bytesPerSector));
    const win32::FlatRegion packet(&DiskIo, sizeof(DiskIo));
    std::uint32_t done = 0;
    do {
        const std::uint32_t piece = std::min(run.sectors - done, MaxSectorsPerRequest);
        DiskIo.dwStartSector = run.firstSector + done;
        DiskIo.wSectors = static_cast<WORD>(piece);
        // An unaddressable buffer stays unaddressed rather than aliasing another region.
        DiskIo.dwBuffer = data.Address() ? data.Address() + done * run.bytesPerSector : 0;
        if (controlCode == VWIN32_DIOC_DOS_DRIVEINFO) {
            Registers.reg_EAX = 0x7305;
            Registers.reg_EDX = static_cast<DWORD>(run.drive) + 1;
            Registers.reg_ESI = write ? 1 : 0;
        } else {
            Registers.reg_EAX = static_cast<DWORD>(run.drive);
        }
        Registers.reg_EBX = packet.Address();
        Registers.reg_ECX = 0xFFFF;
        if (!SendVwin32Request(controlCode)) return false;
        done += piece;
    } while (done < run.sectors);
    return true;
}

} // namespace

bool SendVwin32Request(DWORD ControlCode) {
    Registers.reg_Flags = CARRY_FLAG;
    return DeviceIoControl(DeviceHandle, ControlCode, &Registers, sizeof(Registers), &Registers, sizeof(Registers),
                           &BytesReturned, nullptr) != 0 &&
           (Registers.reg_Flags & CARRY_FLAG) == 0;
}

bool TZelvan::GetDeviceHandle() {
    if (DeviceHandle == INVALID_HANDLE_VALUE) {
        SetErrorMode(SEM_FAILCRITICALERRORS);
        DeviceHandle = CreateFileA(VWin32Path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        SetErrorMode(SEM_NOALIGNMENTFAULTEXCEPT);
    }
    return DeviceHandle != INVALID_HANDLE_VALUE;
}

bool TZelvan::RS95(int Drive, int FirstSector, int Count, void* Buffer) {
    return Run95(false, FNeedDiskLock, Drive, FirstSector, Count, Buffer);
}

bool TZelvan::WS95(int Drive, int FirstSector, int Count, void* Buffer) {
    // Windows 95 takes a direct write only on a locked volume.
    return Run95(true, true, Drive, FirstSector, Count, Buffer);
}

bool TZelvan::Run95(bool Write, bool Lock, int Drive, int FirstSector, int Count, void* Buffer) {
    const bool extended = IsExtendedBuild(FBuildNumber);
    const DWORD category = extended ? 0x4000 : 0;
    DeviceHandle = CreateFileA(VWin32Path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE,
                               nullptr);
    const THandleRelease release(*this, THandleRelease::Device);
    if (Lock) LockVolume(Drive, category);
    const Run run{Drive, static_cast<std::uint32_t>(FirstSector), static_cast<std::uint32_t>(Count), FBytesPerSector};
    const bool result = extended ? SendRun(run, Buffer, VWIN32_DIOC_DOS_DRIVEINFO, Write)
                                 : SendRun(run, Buffer, Write ? VWIN32_DIOC_DOS_INT26 : VWIN32_DIOC_DOS_INT25, Write);
    if (Lock) UnlockVolume(Drive, category);
    return result;
}

} // namespace Orvane
