// The unit-level state of Orvane that every TZelvan and every transfer share,
// and the helpers its roads have in common. Not part of the component's
// interface: only the unit and its tests include this.
#pragma once

#include <cstddef>
#include <cstdint>

#include "orvane/orvane.h"
#include "orvane/rules.h"
#include "win32/win32.h"

namespace Orvane {

extern HANDLE DeviceHandle; // the VWIN32 device on Windows 95/98
extern HANDLE DiskHandle;   // the raw volume on Windows NT
extern bool HandleOpened;   // the running road opened its handle and must free it

// The register record of every VWIN32 request.
extern DIOC_REGISTERS Registers;
// What DeviceIoControl, ReadFile and WriteFile report as transferred; the NT
// road compares it with the run.
extern DWORD BytesReturned;

// Where a run that starts at FirstSector begins on the NT road: the product
// in 64 bits, which nothing wraps.
constexpr std::uint64_t NtByteOffset(Cardinal FirstSector, std::uint32_t BytesPerSector) {
    return std::uint64_t{static_cast<std::uint32_t>(FirstSector)} * BytesPerSector;
}

#pragma pack(push, 1)
struct DISKIO {
    DWORD dwStartSector;
    WORD wSectors;
    DWORD dwBuffer; // flat address
};
#pragma pack(pop)
static_assert(sizeof(DISKIO) == 10);
extern DISKIO DiskIo;

// One real-mode interrupt call. The byte registers have storage of their own.
struct TIntRegisters {
    std::uint32_t EAX, EBX, ECX, EDX, EBP, ESI, EDI, DS, ES, Flags;
    std::uint8_t AL, AH, BL, BH, CL, CH, DL, DH;
};

// Carries out interrupt 13h through the VWIN32 device; the status lands in AH.
void DoInterrupt(std::uint8_t IntNo, TIntRegisters& Regs);

// What a road holds, let go of when the road ends: on every return, and when
// an exception leaves it.
class TZelvan::THandleRelease {
public:
    enum TWhat {
        Opened, // FreeHandle, when the road opened its handle itself (HandleOpened)
        Both,   // FreeHandle
        Device, // the road's own VWIN32 handle, and nothing else (RS95, WS95)
    };
    THandleRelease(TZelvan& Owner, TWhat What) : FOwner(Owner), FWhat(What) {}
    ~THandleRelease();
    THandleRelease(const THandleRelease&) = delete;
    THandleRelease& operator=(const THandleRelease&) = delete;

    // This way out lets go of nothing.
    void Dismiss() { FArmed = false; }

private:
    TZelvan& FOwner;
    TWhat FWhat;
    bool FArmed = true;
};

// Sends Registers to the VWIN32 device with the carry set beforehand; true
// when the device took the request and returned the carry clear.
bool SendVwin32Request(DWORD ControlCode);

// Asks the user before a write to Drive; true only for the answer Yes.
bool ConfirmWrite(char Drive);

// Calls Attempt until it succeeds, at most Count times; false when Count is 0.
template <class F>
bool Attempt(unsigned Count, F&& AttemptOnce) {
    for (unsigned i = 0; i < Count; ++i)
        if (AttemptOnce()) return true;
    return false;
}

} // namespace Orvane
