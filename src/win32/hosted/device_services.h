// The services behind the VWIN32 control codes, each named after the
// interrupt and function it serves and answering in the registers as the
// real service does: carry clear on success, carry set and a status in AX
// (AH for the BIOS) on failure.
#pragma once

#include <cstdint>
#include <string>

#include "win32/hosted/machine_state.h"

namespace hosted {

struct ServiceContext {
    Machine& machine;
    std::uintptr_t owner; // the device handle's key
    DeviceHandle& device;
    std::string note;     // what the journal adds after the registers
    bool journalled;      // whether a note is wanted at all
};

void Int21_440D(ServiceContext& context, DIOC_REGISTERS& registers); // lock/unlock logical volume
void Int25(ServiceContext& context, DIOC_REGISTERS& registers);      // absolute disk read
void Int26(ServiceContext& context, DIOC_REGISTERS& registers);      // absolute disk write
void Int21_7305(ServiceContext& context, DIOC_REGISTERS& registers); // extended absolute read/write
void Int13(ServiceContext& context, DIOC_REGISTERS& registers);      // BIOS disk read/write

// The medium of `drive` (its letter `letter`) for a request that writes
// when `writable`, held by the device from its first request on.
inline Result<const HeldMedium*> ReachMedium(ServiceContext& context, char letter, const DriveSpec& drive,
                                             bool writable) {
    return ReachMedium(context.machine.shelf, context.device.media, letter, drive, writable);
}

// Register access.
inline BYTE LowByte(DWORD value) { return static_cast<BYTE>(value & 0xFF); }
inline BYTE HighByte(DWORD value) { return static_cast<BYTE>((value >> 8) & 0xFF); }
inline WORD LowWord(DWORD value) { return static_cast<WORD>(value & 0xFFFF); }
inline void SetAx(DIOC_REGISTERS& registers, WORD ax) { registers.reg_EAX = (registers.reg_EAX & 0xFFFF0000) | ax; }
inline void Complete(DIOC_REGISTERS& registers) { registers.reg_Flags &= ~CARRY_FLAG; }
inline void Refuse(DIOC_REGISTERS& registers, WORD ax) {
    SetAx(registers, ax);
    registers.reg_Flags |= CARRY_FLAG;
}

} // namespace hosted
