// Physical sectors of a standard floppy disk: by cylinder, head and sector
// through interrupt 13h on Windows 95/98, as one volume run on Windows NT.
#include <vector>

#include "orvane/floppy_formats.h"
#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "orvane/unit.h"
#include "vcl/sysutils.h"
#include "win32/flat.h"

namespace Orvane {

namespace {

constexpr std::uint8_t Int13 = 19;
constexpr std::uint8_t BiosRead = 0x02;
constexpr std::uint8_t BiosWrite = 0x03;
constexpr int NoRequest = 255;
// The cylinder travels in CH alone.
constexpr std::uint32_t LastCylinder = 255;

bool IsFloppyDrive(char Drive) { return IsFloppyDriveType(GetDriveTypeA(TRootPath(Drive).Text)); }

} // namespace

void DoInterrupt(std::uint8_t IntNo, TIntRegisters& Regs) {
    if (IntNo != Int13) {
        Regs.AH = NoRequest;
        return;
    }
    Registers.reg_EBX = Regs.EBX;
    Registers.reg_EDX = Regs.DH * 256u + Regs.DL;
    Registers.reg_ECX = Regs.CH * 256u + Regs.CL;
    Registers.reg_EAX = Regs.AH * 256u + Regs.AL;
    Registers.reg_EDI = Regs.EDI;
    Registers.reg_ESI = Regs.ESI;
    Registers.reg_Flags = CARRY_FLAG;
    if (!DeviceIoControl(DeviceHandle, VWIN32_DIOC_DOS_INT13, &Registers, sizeof(Registers), &Registers,
                         sizeof(Registers), &BytesReturned, nullptr))
        Regs.AH = NoRequest;
    else if (Registers.reg_Flags & CARRY_FLAG)
        Regs.AH = static_cast<std::uint8_t>(Registers.reg_EAX >> 8);
    else
        Regs.AH = 0;
}

int TZelvan::RF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer) {
    return Int13Sector(BiosRead, Drive, Head, Cylinder, Sector, Buffer);
}

int TZelvan::WF95(std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder, std::uint8_t Sector, void* Buffer) {
    return Int13Sector(BiosWrite, Drive, Head, Cylinder, Sector, Buffer);
}

int TZelvan::Int13Sector(std::uint8_t Function, std::uint8_t Drive, std::uint8_t Head, std::uint8_t Cylinder,
                         std::uint8_t Sector, void* Buffer) {
    if (DeviceHandle == INVALID_HANDLE_VALUE) HandleOpened = GetDeviceHandle();
    const THandleRelease release(*this, THandleRelease::Opened);
    if (DeviceHandle == INVALID_HANDLE_VALUE) return NoRequest;
    const win32::FlatRegion data(Buffer, FloppySectorBytes);
    TIntRegisters regs{};
    regs.AH = Function;
    regs.AL = 1;
    regs.CL = Sector;
    regs.CH = Cylinder;
    regs.DH = Head;
    regs.DL = Drive;
    regs.EBX = data.Address();
    DoInterrupt(Int13, regs);
    return regs.AH;
}

bool TZelvan::ReadFloppySectors(char Drive, unsigned char* Buffer, const int High, TFloppyType FloppyType) {
    const char letter = UpperLetter(Drive);
    if (!IsFloppyDrive(letter)) {
        FDriveValid = false;
        return false;
    }
    return FloppyTransfer(letter, Buffer, vcl::OpenArrayLength(High), FloppyType, false);
}

bool TZelvan::WriteFloppySectors(char Drive, const unsigned char* Buffer, const int High, TFloppyType FloppyType,
                                 bool) {
    // Taken before the drive test and the question, so what is written is the
    // buffer as it stood at the call.
    std::vector<unsigned char> copy(Buffer, Buffer + vcl::OpenArrayLength(High));
    const char letter = UpperLetter(Drive);
    if (!IsFloppyDrive(letter) || !IsFloppyWriteLetter(letter)) {
        FDriveValid = false;
        return false;
    }
    return FloppyTransfer(letter, copy.data(), copy.size(), FloppyType, true);
}

bool TZelvan::FloppyTransfer(char Drive, unsigned char* Data, std::uint64_t Length, TFloppyType FloppyType,
                             bool Write) {
    // No transfer may run past the buffer, and no index past the table.
    if (FloppyType > D1440) return false;
    const TFloppyFormat& format = FloppyFormats[FloppyType];
    const std::uint32_t sectors = static_cast<std::uint32_t>(FSectors);
    if (Length < std::uint64_t{sectors} * format.BytesPerSector) return false;
    if (Write && FNeedWriteWarn && !ConfirmWrite(Drive)) return false;

    try {
        if (TakesWin95Road(vcl::Win32Platform)) {
            if (!Write) DeviceHandle = INVALID_HANDLE_VALUE;
            THandleRelease release(*this, THandleRelease::Both);
            if (!GetDeviceHandle()) {
                release.Dismiss();
                return false;
            }
            return FloppySectorLoop(Drive, Data, format, Write);
        }
        if (vcl::Win32Platform == WinNT) {
            if (!Write) DiskHandle = INVALID_HANDLE_VALUE;
            const auto count = static_cast<std::uint32_t>(std::uint64_t{sectors} * format.BytesPerSector);
            const THandleRelease release(*this, THandleRelease::Both);
            if (!GetDiskHandle(Drive)) return false;
            const std::uint64_t offset = NtByteOffset(FFirstSector, format.BytesPerSector);
            return Write ? TransferNT(Drive, offset, count, nullptr, Data, true)
                         : TransferNT(Drive, offset, count, Data, nullptr, false);
        }
        return false;
    } catch (...) {
        // The road's release has let go of its handles on the way out.
        return false;
    }
}

bool TZelvan::FloppySectorLoop(char Drive, unsigned char* Data, const TFloppyFormat& Format, bool Write) {
    const std::uint32_t n = static_cast<std::uint32_t>(FSectors);
    if (n == 0) return false;
    const auto drive = static_cast<std::uint8_t>(GetDriveNo(Drive));
    for (std::uint32_t i = 0; i < n; ++i) {
        const TChs chs = ChsOf(Format, vcl::WrappingAdd(FFirstSector, static_cast<Cardinal>(i)));
        if (static_cast<std::uint32_t>(chs.Cylinder) > LastCylinder) return false;
        void* address = Data + std::uint64_t{i} * Format.BytesPerSector;
        const bool done = Attempt(FRetries, [&] {
            const auto h = static_cast<std::uint8_t>(chs.Head), c = static_cast<std::uint8_t>(chs.Cylinder),
                       r = static_cast<std::uint8_t>(chs.Sector);
            return (Write ? WF95(drive, h, c, r, address) : RF95(drive, h, c, r, address)) == 0;
        });
        // Sectors already moved stay moved; the rest are not touched.
        if (!done) return false;
    }
    return true;
}

} // namespace Orvane
